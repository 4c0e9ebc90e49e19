#pragma once
// Class operations shared by the render engine, the filters, the parsers and the editor commands.

#include "platform/foundation/Range.h"

#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZQEditorTypes.h"

#include "platform/foundation/Value.h"

#include <QString>
#include <memory>
#include <vector>

class ZQAttachedImageObject;
class ZQDocumentOutlineEntry;
class ZQInlineMarker;
class ZQTextNode;
class ZSTree;

namespace plat {
class AttributedString;
class FileWrapper;
class Image;
class MutableAttributedString;
class TextView;
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

    // text with each U+0000 replaced by U+FFFD, as a page shows it in every
    // rendering; text itself (shared, not copied) when it holds none.
    static QString withoutNul(const QString& text);

    // A location in a tab-expanded line, mapped back to the line as written; tab
    // ranges are ascending ranges of the spaces each tab became.
    static qsizetype locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges);
    // The same for a range: a range starting inside a tab's spaces starts at the tab,
    // and each tab it covers, wholly or partly, counts as one character.
    static plat::Range rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges);
    // The same two with shiftBefore[k], the columns the tabs before tab k added
    // (one entry per tab and one more): a line of thousands of tabs is mapped
    // from the tab at hand instead of from the first.
    static qsizetype locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges,
                                                const std::vector<qsizetype>& shiftBefore);
    static plat::Range rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges,
                                               const std::vector<qsizetype>& shiftBefore);
    static std::vector<qsizetype> tabExpansionShifts(const std::vector<plat::Range>& lineTabRanges);

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
    static std::vector<ZQDocumentHeadingPtr>
    extractHeadingsFromContent(plat::MutableAttributedString& content, ZQEditorType editorType, bool removeFromContent);
    // The same over the tag runs; a markup tag removed from between "+" marks
    // takes the marks along.
    static std::vector<ZQDocumentTagPtr> extractTags(plat::MutableAttributedString& content, ZQEditorType editorType,
                                                     bool removeFromContent);

    // The length of a front-matter block ("---" lines around "key: value" lines)
    // at the start of text, its closing line included; 0 when there is none.
    // When there is one, jekllyTitle receives its title (possibly empty).
    static qsizetype jekllyStylePageFrontMatterLength(const QString& text, QString* jekllyTitle);

    // --- Selection memory, code colours, links, spacing, tasks, outlines, titles ---

    // text is the part of a larger text from affectRange's location that is about
    // to be rendered again; the selection (which starts inside affectRange) is
    // marked on it, cut at its end.
    static void rememberSelectionRange(plat::MutableAttributedString& text, plat::Range selRange,
                                       plat::Range affectRange);
    // The span of the marked runs, the marks removed; not found without a mark.
    static plat::Range rangeOfRememberedSelection(plat::MutableAttributedString& text);

    // One keyword colour of a coloured code block and where it stands.
    struct CodeHighlight {
        plat::Range range;
        plat::Value colour;
    };
    // Last in the text first.
    using CodeHighlighting = std::vector<CodeHighlight>;
    static CodeHighlighting cachingCodeBlockHighlighting(const plat::AttributedString& text, plat::Range inRange);
    // Puts back each colour that lies wholly inside a fenced (then an indented)
    // code block run within inRange; what is put back leaves the list.
    static void restoreCodeBlockHighlighting(plat::MutableAttributedString& text, CodeHighlighting& codeHighlighting,
                                             plat::Range inRange);

    // Unlinks the bracketed link text at range's location, undoably ("Unlink");
    // true when the text changed.
    static bool removeRichLink(plat::TextView& view, plat::Range range);

    // Whether a rich block node's text starts with one blank and then text, the
    // blank a marker before it needs (never for a list item or a task).
    static bool richNodeHasSpacePrefix(const ZQTextNode& node);
    // Whether markup written for the node needs a space after its marker: only
    // when its first child starts on its line with text that does not bring
    // that blank itself.
    static bool requireTrailingSpaceForRichTreeNode(const ZSTree& treeNode);

    // The state of the task marker first found within range ("[x]" in markup after
    // its list marker for the markup editor, a tab-framed "[x]" otherwise); an empty
    // state reads " ". Null when there is none; the out ranges are then untouched.
    static QString parseTaskStateFromMarker(const QString& text, ZQEditorType editorType, plat::Range range,
                                            plat::Range* markerRange, plat::Range* stateRange);

    // Markup as an outline: a first line "# Title" becomes the title line
    // (without "# "), the rest body text.
    static plat::MutableAttributedString parseMarkdownToOutline(const QString& markup);
    // An outline back to markup: each title run on a line of its own after "# ".
    static QString parseOutlineTitleToMarkdown(const plat::AttributedString& outline);

    // The page title: a leading heading (taken out of content when asked), else
    // the first words of the text.
    static QString extractTitle(plat::MutableAttributedString& content, ZQEditorType editorType,
                                bool removeFromContent);
    // The title run of an outline, else its first words; on one line.
    static QString extractTitleFromOutlineTitle(const plat::AttributedString& outline);

    // The range of the heading (tag) whose index, counted from the last one,
    // is the entry's; (0, 0) when there is none.
    static plat::Range findHeadingRange(const ZQDocumentOutlineEntry& entry, const plat::AttributedString& content);
    static plat::Range findTagRange(const ZQDocumentOutlineEntry& entry, const plat::AttributedString& content);
};
