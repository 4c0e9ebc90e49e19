#pragma once
// Class operations shared by the render engine, the filters and the editor commands.

#include "platform/foundation/Range.h"

#include <QString>

class ZQRenderUtil {
public:
    ZQRenderUtil() = delete;

    // The replacement of an HTML named character reference, given its name's
    // first len bytes without "&" and ";" (case-sensitive); a null string when
    // the name is not one.
    static QString entityUnicode(const char* name, qsizetype len);

    // A copy of string in which each well-formed reference inside range
    // ("&name;", "&#123;", "&#x7B;") is replaced by its character; references a
    // backslash escapes and names not in the table stay as written. With
    // ignoreHTMLReservedEntity the replacement is HTML-escaped again, so "&lt;"
    // survives as "&lt;". Throws plat::RangeError when range is outside string.
    static QString convertEntity(const QString& string, plat::Range range, bool ignoreHTMLReservedEntity);
};
