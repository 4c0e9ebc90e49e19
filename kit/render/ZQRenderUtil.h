#pragma once
// Class operations shared by the render engine, the filters, the parsers and the editor commands.

#include "platform/foundation/Range.h"

#include "kit/markup/ZQDocumentOutline.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

class ZQAttachedImageObject;
class ZQInlineMarker;
class ZQTextNode;
class ZSTree;

namespace plat {
class FileWrapper;
class Image;
class MutableAttributedString;
} // namespace plat

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

    // Markers found in the joined text of a block whose pieces are contentRanges
    // (ranges of the whole text, in order; none: one piece from start): the tags
    // move to whole-text positions and each marker gets the whole-text ranges of
    // its characters, split where the pieces leave gaps.
    static void convertMarkerAbsoluteRanges(const std::vector<std::shared_ptr<ZQInlineMarker>>& markers,
                                            const std::vector<plat::Range>& contentRanges, qsizetype start);

    // An image's path in markup: its url with its file name appended as a path
    // component when both are there, else whichever is; empty when neither is.
    static QString getImageMarkerPath(const ZQAttachedImageObject& image);
    // A web link becomes the payload's url. Any other link (less urlPrefix, which
    // then becomes the url) names the file; with scanImagePath the image is read
    // from that folder when the file exists.
    static void loadImageMarkerLink(const QString& link, ZQAttachedImageObject& image, const QString& scanImagePath,
                                    const QString& urlPrefix);
    // A regular file of the image's encoded bytes under fileName.
    static std::shared_ptr<plat::FileWrapper> fileWrapperForImage(const QString& fileName, const plat::Image& image);
    // The headings of content in text order, one per heading run, indexed from the
    // last one (the first heading carries the highest index); a markup heading
    // loses its "#" marks. With removeFromContent the heading runs are deleted.
    static std::vector<ZQDocumentHeadingPtr> extractHeadingsFromContent(plat::MutableAttributedString& content,
                                                                        quint64 editorType, bool removeFromContent);
    // The same over the tag runs; a markup tag removed from between "+" marks
    // takes the marks along.
    static std::vector<ZQDocumentTagPtr> extractTags(plat::MutableAttributedString& content, quint64 editorType,
                                                     bool removeFromContent);

    // ---- spacing tests on block nodes built from rich text ----
    // Whether the node's own text begins with a blank: a paragraph's rendered
    // text, any other node's content; never for a list item or empty text.
    static bool richNodeHasSpacePrefix(const ZQTextNode& node);
    // Whether a marker written for the node (quote, list item, task) needs a
    // blank after it: not when its first child continues the node's line and
    // already begins with one.
    static bool requireTrailingSpaceForRichTreeNode(const ZSTree& treeNode);
    // The state of the first task marker within range (" " for an empty bracket
    // pair): a markup marker "- [s]" for editor type 3, a rich "\t[s]\t" for any
    // other; markerRange gets the brackets, stateRange the state character
    // (empty for an empty pair). Nothing, and the ranges untouched, without one.
    static std::optional<QString> parseTaskStateFromMarker(const QString& text, quint64 editorType, plat::Range range,
                                                           plat::Range* markerRange, plat::Range* stateRange);

    // The length of a front-matter block ("---" lines around "key: value" lines)
    // at the start of text, its closing line included; 0 when there is none.
    // When there is one, jekllyTitle receives its title (possibly empty).
    static qsizetype jekllyStylePageFrontMatterLength(const QString& text, QString* jekllyTitle);
};
