#pragma once
// Turns the markup of a page (Markdown or Quorvel Markup) into its block tree:
// a ZSTree whose root holds an empty ZQTextNode and whose nodes hold one
// ZQTextNode per block or line. Link reference and footnote definitions are
// taken out of paragraphs into a map, and footnotes are numbered in text order.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQLinkRef.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Range.h"
#include "platform/foundation/Regex.h"

#include <QString>
#include <memory>
#include <vector>

class ZQTextNode;
class ZQTextNodeListItem;
class ZQFilterPipe;
class ZQLeafBlockParser;

class ZQDocTreeParser {
public:
    // Bits of the parsing option.
    static constexpr qint64 TrimLazyLines = 2;          // a lazy line's content loses its leading white space
    static constexpr qint64 SkipListIndent = 8;         // list indentation left out of content ranges
    static constexpr qint64 RecordMarkerRanges = 16;    // quote markers of every line, definition ranges
    static constexpr qint64 QuorvelMarkup = 0x100000;   // the own dialect (read by the leaf filters)

    ZQDocTreeParser();

    // Parses the lines of text within range. With a null map no definitions are
    // taken out of paragraphs; duplicatedLinkRef receives later definitions of a
    // label already defined; highlighters receives the range of every backslash
    // escape. The returned tree belongs to the caller.
    ZSTree processDocTree(const QString& text, plat::Range inRange, ZQLinkRefMap* linkRefMap,
                          std::vector<std::shared_ptr<ZQLinkRef>>* duplicatedLinkRef,
                          std::vector<plat::Range>* highlighters, qint64 option);

    // The tree of the last parse.
    ZSTree rootNode() const { return m_rootNode; }
    std::shared_ptr<ZQTextNode> root() const { return m_root; }

private:
    struct Line;
    // A stored footnote definition, numbered by its place in the text.
    struct Footnote {
        qsizetype lineLocation;
        int running;
        std::shared_ptr<ZQLinkRef> ref;
    };

    ZSTree parseLine(Line& line, const ZSTree& parentNode);
    ZSTree parseContainers(Line& line);
    ZSTree searchIndentParentNodeFrom(const ZSTree& from, qint64 indent, qint64* parentIndent) const;
    bool isIndentCode(qint64 indent, const Line& line, qint64 parentIndent, const ZSTree& parentNode) const;
    ZSTree checkFencedBlock(Line& line, const ZSTree& block, qint64 parentIndent, qsizetype p);
    bool checkHTMLBlock(const QString& line) const;
    // What ends the HTML block the line starts: the text whose line closes it
    // (a comment's "-->", a script's closing tag, ...), empty when a blank line does.
    static QString htmlBlockEnd(const QString& line);
    static bool containsHTMLBlockEnd(QStringView line, const QString& end);
    ZSTree parseLeafBlock(Line& line, qsizetype p, const ZSTree& parentNode);
    // container: where the item goes; a "#" item continues the numbering of the
    // list its last child belongs to.
    std::shared_ptr<ZQTextNodeListItem> parseListMarker(const QString& marker, const ZSTree& container) const;
    qsizetype checkTaskItem(Line& line, const plat::TextCheckingResult& task, const std::shared_ptr<ZQTextNode>& item);
    ZSTree lazinessCheck(const ZSTree& node) const;
    ZSTree parseRest(Line& line, qsizetype p, ZSTree container, qint64 parentIndent);
    QString contentFrom(const Line& line, qsizetype p) const;
    void append(ZSTree& parent, const std::shared_ptr<ZQTextNode>& node);
    void appendTree(ZSTree& parent, const ZSTree& child);

    // After the lines: definitions, trailing blank lines of lists, footnote numbers.
    void finishTree();
    bool parseLinkRef(const ZSTree& paragraph);
    void tidyListItem(const ZSTree& item, const ZSTree& next);
    static bool isSameList(const ZSTree& a, const ZSTree& b);

    std::shared_ptr<const plat::Regex> m_listMarkerPattern;
    std::shared_ptr<const plat::Regex> m_quorvelListMarkerPattern;
    std::shared_ptr<const plat::Regex> m_quoteMarkerPattern;
    std::shared_ptr<const plat::Regex> m_linkRefMarkerPattern;
    std::shared_ptr<const plat::Regex> m_linkInlineRefMarkerPattern;
    std::shared_ptr<const plat::Regex> m_fencedBlockMarkerPattern;
    std::shared_ptr<const plat::Regex> m_taskMarkerPattern;
    std::shared_ptr<const plat::Regex> m_tagNameP;
    std::shared_ptr<const plat::Regex> m_htmlBlockTag;
    plat::CharacterSet m_space;
    plat::CharacterSet m_blank;
    plat::CharacterSet m_newlineCharset;

    std::shared_ptr<ZQFilterPipe> m_filterProvider;
    std::vector<plat::ObjectPtr> m_leafBreakBlockFilters;
    std::vector<ZQLeafBlockParser*> m_leafParsers; // the same filters in their role, asked for every line
    ZQLeafBlockParser* m_dividerParser = nullptr;

    std::shared_ptr<ZQTextNode> m_root;
    ZSTree m_rootNode;

    // State of one parse.
    const QString* m_text = nullptr;
    ZQLinkRefMap* m_linkRefMap = nullptr;
    std::vector<std::shared_ptr<ZQLinkRef>>* m_duplicatedLinkRef = nullptr;
    qint64 m_option = 0;
    // The node appended last: the end of the tree's rightmost path, which is where
    // a lazy line looks for the paragraph it continues.
    ZSTree m_lastLeaf;
    std::vector<Footnote> m_footnotes;
    // The end of the open HTML block; empty when a blank line ends it.
    QString m_htmlBlockEnd;
};
