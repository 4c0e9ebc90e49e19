#pragma once
// Class operations shared by the render engine, the filters, the parsers and the editor commands.

#include "platform/foundation/Range.h"

#include <QString>
#include <vector>

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

    // A location in a tab-expanded line, mapped back to the line as written; tab
    // ranges are ascending ranges of the spaces each tab became.
    static qsizetype locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges);
    // The same for a range: a range starting inside a tab's spaces starts at the tab,
    // and each tab it covers, wholly or partly, counts as one character.
    static plat::Range rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges);
};
