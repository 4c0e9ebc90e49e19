#pragma once
// Class operations shared by the render engine, the filters, the parsers and the editor commands.

#include "platform/foundation/Range.h"

#include "kit/markup/ZQDocumentOutline.h"

#include <QString>
#include <vector>

namespace plat {
class MutableAttributedString;
}

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

    // The headings of content in text order, one per heading run, indexed from the
    // last one (the first heading carries the highest index); a markup heading
    // loses its "#" marks. With removeFromContent the heading runs are deleted.
    static std::vector<ZQDocumentHeadingPtr> extractHeadingsFromContent(plat::MutableAttributedString& content,
                                                                        quint64 editorType, bool removeFromContent);
    // The same over the tag runs; a markup tag removed from between "+" marks
    // takes the marks along.
    static std::vector<ZQDocumentTagPtr> extractTags(plat::MutableAttributedString& content, quint64 editorType,
                                                     bool removeFromContent);

    // The length of a front-matter block ("---" lines around "key: value" lines)
    // at the start of text, its closing line included; 0 when there is none.
    // When there is one, jekllyTitle receives its title (possibly empty).
    static qsizetype jekllyStylePageFrontMatterLength(const QString& text, QString* jekllyTitle);
};
