#include "kit/parsers/ZQDocTreeParser.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQLineMapping.h"
#include "kit/model/ZQTextNode.h"
#include "kit/parsers/ZQDocTreeCheck.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "platform/foundation/StringLines.h"

#include <QSet>
#include <algorithm>

// One line of the page while it is parsed: the escape-masked copy with its tabs
// expanded (all matching runs on it) and where it stands in the text.
struct ZQDocTreeParser::Line {
    QString working;
    std::vector<plat::Range> tabs;
    std::vector<qsizetype> tabShifts; // the columns added by the tabs before each
    plat::Range range;

    qsizetype end() const { return working.size(); }
    qsizetype spacesFrom(qsizetype p) const
    {
        qsizetype i = p;
        while (i < working.size() && working.at(i) == QLatin1Char(' '))
            ++i;
        return i - p;
    }
    // Every nesting level maps its marker: from the tab at hand, not the first.
    plat::Range toText(plat::Range inLine) const
    {
        const plat::Range r = ZQRenderUtil::rangeBeforeTabExpansion(inLine, tabs, tabShifts);
        return plat::Range(r.location + range.location, r.length);
    }
    qsizetype toTextLocation(qsizetype p) const
    {
        return (tabs.empty() ? p : ZQRenderUtil::locationBeforeTabExpansion(p, tabs, tabShifts)) + range.location;
    }
    plat::Range toTextLineEnd(qsizetype p) const
    {
        const qsizetype start = toTextLocation(p);
        return plat::Range(start, range.end() - start);
    }
    // The text from p to the line end with the blanks before its first character
    // written as the columns they fill: a tab that a container's marker split,
    // or one that stops at columns the content no longer starts on, keeps its width.
    QString textByColumnsFrom(qsizetype p, const QString& text) const
    {
        const qsizetype first = p + spacesFrom(p);
        const qsizetype from = toTextLocation(first);
        return QString(first - p, QLatin1Char(' ')) + text.mid(from, range.end() - from);
    }
    // From p (clamped to the line) to the line end.
    plat::Range rest(qsizetype p) const
    {
        const qsizetype from = std::min(p, working.size());
        return plat::Range(from, working.size() - from);
    }
    // Whether a divider ("***", "- - -", "___") runs from p to the line end. Every
    // nesting level asks again: what stops a divider on this line is found once.
    bool dividerFrom(qsizetype p)
    {
        qsizetype q = p;
        while (q < p + 3 && q < working.size() && working.at(q) == QLatin1Char(' '))
            ++q;
        if (q >= working.size())
            return false;
        const char16_t c = working.at(q).unicode();
        const int kind = c == u'-' ? 0 : c == u'*' ? 1 : c == u'_' ? 2 : -1;
        if (kind < 0)
            return false;
        if (lastNonDivider[kind] == Unknown) {
            qsizetype i = working.size() - 1;
            while (i >= 0 && (working.at(i) == QChar(c) || working.at(i).isSpace()))
                --i;
            lastNonDivider[kind] = i;
        }
        if (lastNonDivider[kind] >= q)
            return false;
        qsizetype marks = 0;
        for (qsizetype i = q; i < working.size() && marks < 3; ++i)
            marks += working.at(i) == QChar(c);
        return marks >= 3;
    }
    void reset() { std::fill(std::begin(lastNonDivider), std::end(lastNonDivider), Unknown); }

    static constexpr qsizetype Unknown = -2;
    qsizetype lastNonDivider[3] = {Unknown, Unknown, Unknown};
};

namespace {

using plat::Range;

std::shared_ptr<const plat::Regex> compile(const char* pattern, unsigned options)
{
    return plat::Regex::create(QString::fromLatin1(pattern), options);
}

std::shared_ptr<ZQTextNode> textNode(const ZSTree& tree)
{
    return ZQBlockNodes::textNodeOf(tree);
}

bool hasType(const ZSTree& tree, quint64 type)
{
    const auto node = textNode(tree);
    return node && node->nodeType() == type;
}

const QSet<QString>& htmlBlockTagNames()
{
    static const QSet<QString> names = {
        "article", "header", "aside", "hgroup", "blockquote", "hr", "iframe", "body", "li", "map",
        "button", "object", "canvas", "ol", "caption", "output", "col", "p", "colgroup", "pre",
        "dd", "progress", "div", "section", "dl", "table", "td", "dt", "tbody", "embed",
        "textarea", "fieldset", "tfoot", "figcaption", "th", "figure", "thead", "footer", "tr", "form",
        "ul", "h1", "h2", "h3", "h4", "h5", "h6", "video", "script", "style", "textarea"};
    return names;
}

// The character where a block marker would stand (after up to three spaces).
char16_t markerCharacter(const QString& s, qsizetype from)
{
    return lineMarkerCharacter(s, from, s.size());
}

bool mayStartListItem(char16_t c, bool quorvelMarkup)
{
    return c == u'-' || c == u'+' || c == u'*' || (c >= u'0' && c <= u'9') || (quorvelMarkup && c == u'#');
}

bool isBlankFrom(const QString& s, qsizetype from, const plat::CharacterSet& blank)
{
    for (qsizetype i = from; i < s.size(); ++i) {
        if (!blank.contains(s.at(i)))
            return false;
    }
    return true;
}

std::shared_ptr<ZQTextNode> newNode(quint64 type, plat::Range lineRange)
{
    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(type);
    node->setLineRange(lineRange);
    return node;
}

} // namespace

ZQDocTreeParser::ZQDocTreeParser()
    : m_space(plat::CharacterSet::whitespace()),
      m_blank(plat::CharacterSet::whitespaceAndNewline()),
      m_newlineCharset(plat::CharacterSet::newline()),
      m_filterProvider(ZQFilterPipe::sharedManager())
{
    using plat::RegexAnchorsMatchLines;
    using plat::RegexDotMatchesLineSeparators;
    static const auto listMarker = compile(
        "^( {0,3})((?:[-+*](?: {1,4}|$))|(?:[0-9]+[.)](?: {1,4}|$)))( *)", RegexAnchorsMatchLines);
    // Quorvel Markup also numbers items with "#" (its headings are "h1." and so on).
    static const auto quorvelListMarker = compile(
        "^( {0,3})((?:[-+*#](?: {1,4}|$))|(?:[0-9]+[.)](?: {1,4}|$)))( *)", RegexAnchorsMatchLines);
    static const auto quoteMarker = compile("^( {0,3})(?:(>) ?)", RegexAnchorsMatchLines);
    static const auto linkRefMarker = compile("^ {0,3}\\[([^\\[\\]]*)\\]:", RegexDotMatchesLineSeparators);
    static const auto linkInlineRefMarker =
        compile("^ {0,3}\\[([^\\[\\]]*)\\]:", RegexAnchorsMatchLines | RegexDotMatchesLineSeparators);
    static const auto taskMarker = compile("^ {0,3}((?:\\[([ -x]?)\\])(?: {1,4}|$))( *)", 0);
    static const auto tagName = compile("^ {0,3}</?([a-zA-Z][a-zA-Z0-9]*)(?:\\s+|(?:/?>))", 0);
    static const auto htmlBlock = compile("^ {0,3}(?:(?:<!)|(?:<\\?))", 0);
    m_listMarkerPattern = listMarker;
    m_quorvelListMarkerPattern = quorvelListMarker;
    m_quoteMarkerPattern = quoteMarker;
    m_linkRefMarkerPattern = linkRefMarker;
    m_linkInlineRefMarkerPattern = linkInlineRefMarker;
    m_fencedBlockMarkerPattern = ZQCodeBlockFilter::fencedBlockMarkerPattern();
    m_taskMarkerPattern = taskMarker;
    m_tagNameP = tagName;
    m_htmlBlockTag = htmlBlock;
    htmlBlockTagNames();

    for (const plat::ObjectPtr& filter : m_filterProvider->container()) {
        auto* leaf = dynamic_cast<ZQLeafBlockParser*>(filter.get());
        if (dynamic_cast<ZQCommonMarkBlockFilter*>(filter.get()) && leaf) {
            m_leafBreakBlockFilters.push_back(filter);
            m_leafParsers.push_back(leaf);
            if (dynamic_cast<ZQSeparatorFilter*>(filter.get()))
                m_dividerParser = leaf;
        }
    }
}

ZSTree ZQDocTreeParser::processDocTree(const QString& text, plat::Range inRange, ZQLinkRefMap* linkRefMap,
                                       std::vector<std::shared_ptr<ZQLinkRef>>* duplicatedLinkRef,
                                       std::vector<plat::Range>* highlighters, qint64 option)
{
    plat::checkRange(inRange, text.size(), "ZQDocTreeParser::processDocTree");
    m_root = std::make_shared<ZQTextNode>();
    m_rootNode = ZSTree::treeWithObject(m_root);
    m_lastLeaf = m_rootNode;
    m_text = &text;
    m_linkRefMap = linkRefMap;
    m_duplicatedLinkRef = duplicatedLinkRef;
    m_option = option;
    m_footnotes.clear();

    // Escaped characters never count as markers: structure is found on a copy in
    // which each escape reads "vv" (same length, so positions hold).
    QString masked = text;
    {
        QString part = text.mid(inRange.location, inRange.length);
        std::vector<Range> escapes;
        ZQShared::escapeSlashToSafeString(part, highlighters ? &escapes : nullptr);
        masked.replace(inRange.location, inRange.length, part);
        if (highlighters) {
            for (const Range& r : escapes)
                highlighters->push_back(Range(r.location + inRange.location, r.length));
        }
    }

    ZSTree container = m_rootNode;
    Line line;
    ZQShared::enumerateLinesRangeUsingBlock(
        masked,
        [&](Range lineRange, bool*) {
            line.range = lineRange;
            // The line's buffer is reused from line to line.
            line.working.resize(lineRange.length);
            std::copy_n(masked.constData() + lineRange.location, lineRange.length, line.working.data());
            line.tabs.clear();
            line.tabShifts.clear();
            line.reset();
            if (line.working.contains(QLatin1Char('\t'))) {
                line.tabs = ZQShared::tabExpansionRanges(line.working, true);
                line.tabShifts = ZQRenderUtil::tabExpansionShifts(line.tabs);
            }
            container = parseLine(line, container);
        },
        inRange);

    // An HTML block that never met its end is closed in the exported page, so
    // that a comment or a script cannot take in what follows it there.
    if (const auto open = textNode(container);
        open && open->nodeType() == ZQNodeType::HtmlBlock && !m_htmlBlockEnd.isEmpty())
        open->insertCloseTags(m_htmlBlockEnd);
    m_htmlBlockEnd.clear();
    finishTree();
    Q_ASSERT_X(ZQDocTreeCheck::firstBrokenInvariant(m_rootNode, text, inRange).isEmpty(),
               "ZQDocTreeParser::processDocTree",
               qPrintable(ZQDocTreeCheck::firstBrokenInvariant(m_rootNode, text, inRange)));
    m_text = nullptr;
    m_linkRefMap = nullptr;
    m_duplicatedLinkRef = nullptr;
    m_lastLeaf = ZSTree();
    return m_rootNode;
}

void ZQDocTreeParser::append(ZSTree& parent, const std::shared_ptr<ZQTextNode>& node)
{
    appendTree(parent, ZSTree::treeWithObject(node));
}

void ZQDocTreeParser::appendTree(ZSTree& parent, const ZSTree& child)
{
    // Nodes are cut from the text by their line ranges.
    Q_ASSERT(!textNode(child) || (textNode(child)->lineRange().location >= 0
                                  && textNode(child)->lineRange().end() <= m_text->size()));
    parent.appendChild(child);
    m_lastLeaf = child;
}

ZSTree ZQDocTreeParser::parseLine(Line& line, const ZSTree& parentNode)
{
    const QString& text = *m_text;
    const auto parent = textNode(parentNode);
    const quint64 parentType = parent ? parent->nodeType() : ZQNodeType::Paragraph;

    if (isBlankFrom(line.working, 0, m_blank)) {
        auto node = newNode(ZQNodeType::BlankLine, line.range);
        node->setContent(text.mid(line.range.location, line.range.length));
        node->setContentRange(line.range);
        if (parentType == ZQNodeType::FencedCode && (m_option & SkipListIndent)) {
            // A blank line of a block inside an item: the item's indentation is no code.
            const qsizetype start = std::min<qsizetype>(line.spacesFrom(0), parent->indentLength());
            node->setContent(contentFrom(line, start));
            node->setContentRange(line.toTextLineEnd(start));
        }
        if (parentType == ZQNodeType::HtmlBlock && !m_htmlBlockEnd.isEmpty()) {
            // A comment, script or the like runs on over blank lines to its end.
            node->setNodeType(ZQNodeType::HtmlBlock);
            node->setNodeStatus(ZQTextNode::StatusLiteral);
            parent->mergeParagraph(*node);
            return parentNode;
        }
        if (parentType == ZQNodeType::Quote || parentType == ZQNodeType::HtmlBlock) {
            append(m_rootNode, node);
            return m_rootNode;
        }
        ZSTree container = parentNode;
        append(container, node);
        if (parentType == ZQNodeType::FencedCode || hasType(container.parent().lastChild(), ZQNodeType::IndentedCode))
            return container;
        return m_rootNode;
    }

    if (parentType == ZQNodeType::HtmlBlock) {
        ZQTextNode node;
        node.setNodeType(ZQNodeType::HtmlBlock);
        node.setNodeStatus(ZQTextNode::StatusLiteral);
        node.setLineRange(line.range);
        node.setContent(text.mid(line.range.location, line.range.length));
        parent->mergeParagraph(node);
        return containsHTMLBlockEnd(QStringView(text).mid(line.range.location, line.range.length), m_htmlBlockEnd)
            ? m_rootNode
            : parentNode;
    }

    if (parentType != ZQNodeType::FencedCode && checkHTMLBlock(line.working)) {
        auto node = newNode(ZQNodeType::HtmlBlock, line.range);
        node->setNodeStatus(ZQTextNode::StatusLiteral);
        node->setContent(text.mid(line.range.location, line.range.length));
        ZSTree block = ZSTree::treeWithObject(node);
        appendTree(m_rootNode, block);
        m_htmlBlockEnd = htmlBlockEnd(line.working);
        return containsHTMLBlockEnd(QStringView(text).mid(line.range.location, line.range.length), m_htmlBlockEnd)
            ? m_rootNode
            : block;
    }

    return parseContainers(line);
}

ZSTree ZQDocTreeParser::parseContainers(Line& line)
{
    const QString& text = *m_text;
    const QString& w = line.working;
    qsizetype p = 0;
    ZSTree c = m_rootNode;
    qint64 parentIndent = 0;

    for (;;) {
        c = searchIndentParentNodeFrom(c, line.spacesFrom(p), &parentIndent);
        if (ZSTree result = checkFencedBlock(line, c, parentIndent, p))
            return result;
        if (isIndentCode(line.spacesFrom(p), line, parentIndent, c))
            return parseRest(line, p, c, parentIndent);

        bool intoFence = false;
        while (markerCharacter(w, p + parentIndent) == u'>') {
            const auto quote = m_quoteMarkerPattern->firstMatch(w, line.rest(p + parentIndent), plat::MatchingAnchored);
            if (!quote)
                break;
            const ZSTree last = c.lastChild();
            const auto lastNode = textNode(last);
            const Range marker = line.toText(quote->rangeAtIndex(2));
            if (lastNode && lastNode->nodeType() == ZQNodeType::Quote) {
                c = last;
                if (m_option & RecordMarkerRanges) {
                    if (lastNode->mergedMarkerRanges().empty())
                        lastNode->mergedMarkerRanges().push_back(lastNode->markerRange());
                    lastNode->mergedMarkerRanges().push_back(marker);
                }
            } else if (lastNode && lastNode->nodeType() == ZQNodeType::FencedCode
                       && !(lastNode->nodeStatus() & ZQTextNode::StatusFenceClosed)) {
                // The marker is text of the open block.
                c = last;
                intoFence = true;
                break;
            } else {
                auto node = newNode(ZQNodeType::Quote, line.range);
                const Range whole = line.toText(quote->range());
                node->setContentRange(whole);
                node->setMarkerRange(marker);
                node->setContent(text.mid(whole.location, whole.length));
                ZSTree quoteTree = ZSTree::treeWithObject(node);
                appendTree(c, quoteTree);
                c = quoteTree;
            }
            p = quote->range().end();
            c = searchIndentParentNodeFrom(c, line.spacesFrom(p), &parentIndent);
            if (isIndentCode(line.spacesFrom(p), line, parentIndent, c))
                return parseRest(line, p, c, parentIndent);
            if (ZSTree result = checkFencedBlock(line, c, parentIndent, p))
                return result;
        }
        if (intoFence)
            continue;

        if (ZSTree result = parseLeafBlock(line, p + parentIndent, c))
            return result;

        const auto base = textNode(c);
        const qint64 baseIndent = base ? base->indentLength() : 0;
        const plat::Regex& listMarkerPattern =
            (m_option & QuorvelMarkup) ? *m_quorvelListMarkerPattern : *m_listMarkerPattern;
        bool nested = false;
        for (;;) {
            const Range from = line.rest(p + parentIndent);
            if (!mayStartListItem(markerCharacter(w, from.location), m_option & QuorvelMarkup))
                break;
            const auto item = listMarkerPattern.firstMatch(w, from, plat::MatchingAnchored);
            if (!item || line.dividerFrom(from.location))
                break;
            const Range match = item->range();
            const Range group3 = item->rangeAtIndex(3);
            const qsizetype further = group3.isNotFound() ? 0 : group3.length;
            Range marker = item->rangeAtIndex(2);
            auto node = newNode(ZQNodeType::ListItem, line.range);
            qint64 indentLength = match.length + baseIndent;
            if (isBlankFrom(w, match.end(), m_blank)) {
                // No content on the marker's line: the content column is one past the marker.
                qsizetype blanks = 0;
                while (blanks < match.length && w.at(match.end() - 1 - blanks) == QLatin1Char(' '))
                    ++blanks;
                indentLength += 1 - blanks;
            } else if (further > 0) {
                // Five or more spaces: the content starts one space after the marker.
                indentLength -= 3 + further;
            }
            if (further > 0)
                marker.length -= 4;
            node->setIndentLength(indentLength);
            node->setNodeInfo(parseListMarker(w.mid(item->rangeAtIndex(2).location, item->rangeAtIndex(2).length), c));
            const Range whole = line.toText(match);
            node->setContentRange(whole);
            node->setMarkerRange(line.toText(marker));
            node->setContent(text.mid(whole.location, whole.length));
            ZSTree itemTree = ZSTree::treeWithObject(node);
            appendTree(c, itemTree);
            c = itemTree;
            p = match.end();
            if (markerCharacter(w, p) == u'[') {
                if (const auto task = m_taskMarkerPattern->firstMatch(w, line.rest(p), plat::MatchingAnchored)) {
                    p = checkTaskItem(line, *task, node);
                    continue;
                }
            }
            if (further > 0)
                p -= 3 + further;
            nested = true;
            break;
        }
        if (!nested)
            return parseRest(line, p, c, parentIndent);
    }
}

ZSTree ZQDocTreeParser::searchIndentParentNodeFrom(const ZSTree& from, qint64 indent, qint64* parentIndent) const
{
    *parentIndent = 0;
    ZSTree c = from;
    const auto start = textNode(c);
    if (!start || start->indentLength() > indent)
        return c;
    for (;;) {
        *parentIndent = textNode(c)->indentLength();
        const ZSTree child = c.lastChild();
        const auto node = textNode(child);
        if (!node)
            break;
        const quint64 type = node->nodeType();
        if (type != ZQNodeType::ListItem && type != ZQNodeType::FencedCode && type != ZQNodeType::Task)
            break;
        if (type == ZQNodeType::FencedCode && (node->nodeStatus() & ZQTextNode::StatusFenceClosed))
            break;
        if (node->indentLength() > indent)
            break;
        c = child;
    }
    return c;
}

bool ZQDocTreeParser::isIndentCode(qint64 indent, const Line& line, qint64 parentIndent,
                                   const ZSTree& parentNode) const
{
    if (indent - parentIndent > 3)
        return true;
    const auto parent = textNode(parentNode);
    return indent >= 4 && parent && parent->lineRange() == line.range;
}

ZSTree ZQDocTreeParser::checkFencedBlock(Line& line, const ZSTree& block, qint64 parentIndent, qsizetype p)
{
    const auto blockNode = textNode(block);
    if (!blockNode || blockNode->nodeType() != ZQNodeType::FencedCode
        || (blockNode->nodeStatus() & ZQTextNode::StatusFenceClosed))
        return {};
    const qsizetype q = std::min<qsizetype>(p + parentIndent, line.end());
    const auto fenced = std::dynamic_pointer_cast<ZQTextNodeFencedBlock>(blockNode->nodeInfo());
    const QString opening = fenced ? fenced->fencedMarker() : QString();

    auto node = newNode(ZQNodeType::Paragraph, line.range);
    node->setNodeStatus(ZQTextNode::StatusLiteral);
    node->setContentRange(line.toTextLineEnd(q));
    node->setContent(contentFrom(line, q));

    ZSTree container = block;
    const char16_t first = markerCharacter(line.working, q);
    const auto fence = first == u'`' || first == u'~'
        ? m_fencedBlockMarkerPattern->firstMatch(line.working, line.rest(q), plat::MatchingAnchored)
        : std::nullopt;
    if (fence && !opening.isEmpty()) {
        const Range marker = fence->rangeAtIndex(2);
        const Range info = fence->rangeAtIndex(3);
        if ((info.isNotFound() || info.length == 0) && marker.length >= opening.size()
            && line.working.at(marker.location) == opening.at(0)) {
            node->setMarkerRange(line.toText(marker));
            auto closing = std::make_shared<ZQTextNodeFencedBlock>();
            closing->setFencedBlockType(QStringLiteral("E"));
            node->setNodeInfo(closing);
            append(container, node);
            blockNode->setNodeStatus(blockNode->nodeStatus() | ZQTextNode::StatusFenceClosed);
            return block.parent();
        }
    }
    append(container, node);
    return block;
}

bool ZQDocTreeParser::checkHTMLBlock(const QString& line) const
{
    const Range whole(0, line.size());
    if (markerCharacter(line, 0) != u'<')
        return false;
    if (const auto tag = m_tagNameP->firstMatch(line, whole, plat::MatchingAnchored)) {
        const Range name = tag->rangeAtIndex(1);
        return htmlBlockTagNames().contains(line.mid(name.location, name.length).toLower());
    }
    return bool(m_htmlBlockTag->firstMatch(line, whole, plat::MatchingAnchored));
}

QString ZQDocTreeParser::htmlBlockEnd(const QString& line)
{
    qsizetype p = 0;
    while (p < 3 && p < line.size() && line.at(p) == QLatin1Char(' '))
        ++p;
    const QStringView rest = QStringView(line).mid(p);
    if (rest.startsWith(u"<!--"))
        return QStringLiteral("-->");
    if (rest.startsWith(u"<?"))
        return QStringLiteral("?>");
    if (rest.startsWith(u"<![CDATA["))
        return QStringLiteral("]]>");
    if (rest.size() > 2 && rest.startsWith(u"<!") && rest.at(2).isLetter() && rest.at(2).unicode() < 128)
        return QStringLiteral(">");
    for (const char* name : {"script", "pre", "style", "textarea"}) {
        const QLatin1String tag(name);
        if (rest.size() < tag.size() + 1 || rest.at(0) != QLatin1Char('<')
            || rest.mid(1, tag.size()).compare(tag, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype after = tag.size() + 1;
        if (after == rest.size() || rest.at(after) == QLatin1Char('>') || rest.at(after).isSpace())
            return QStringLiteral("</%1>").arg(tag);
    }
    return QString();
}

bool ZQDocTreeParser::containsHTMLBlockEnd(QStringView line, const QString& end)
{
    return !end.isEmpty() && line.contains(end, Qt::CaseInsensitive);
}

ZSTree ZQDocTreeParser::parseLeafBlock(Line& line, qsizetype p, const ZSTree& parentNode)
{
    const Range processRange = line.rest(p);
    for (ZQLeafBlockParser* leaf : m_leafParsers) {
        // The divider's own pattern reads the whole rest of the line.
        if (leaf == m_dividerParser && !line.dividerFrom(p))
            continue;
        ZSTree result = leaf->parseLeafBlock(line.working, line.range, processRange, line.tabs, *m_text, parentNode,
                                             m_option);
        if (!result)
            continue;
        ZSTree last = parentNode.lastChild();
        while (last && last.numberOfChildren() > 0)
            last = last.lastChild();
        if (last)
            m_lastLeaf = last;
        return result;
    }
    return {};
}

std::shared_ptr<ZQTextNodeListItem> ZQDocTreeParser::parseListMarker(const QString& marker,
                                                                     const ZSTree& container) const
{
    auto info = std::make_shared<ZQTextNodeListItem>();
    // Read by hand, once per item (a pattern match cost more than the rest of
    // the item): white space (U+0009 to U+000D, U+0085, Unicode separators),
    // then a sign or a run of digits, then an optional "." or ")".
    const qsizetype n = marker.size();
    qsizetype start = 0;
    while (start < n) {
        const QChar c = marker.at(start);
        const QChar::Category category = c.category();
        if ((c < u'\t' || c > u'\r') && c != QChar(0x85) && category != QChar::Separator_Space
            && category != QChar::Separator_Line && category != QChar::Separator_Paragraph)
            break;
        ++start;
    }
    qsizetype end = start;
    if (end < n && QStringView(u"-+*#").contains(marker.at(end))) {
        ++end;
    } else {
        while (end < n && marker.at(end) >= u'0' && marker.at(end) <= u'9')
            ++end;
        if (end == start)
            return info;
    }
    const QString number = marker.mid(start, end - start);
    if (end < n && (marker.at(end) == u'.' || marker.at(end) == u')'))
        ++end;
    info->setMarker(marker.mid(start, end - start));
    if (number == QLatin1String("#")) {
        // The sign counts its items: one more than the item before it in the
        // same list (the container's last child), else one.
        info->setIsOrdered(true);
        const auto previous = textNode(container.lastChild());
        const auto previousInfo = previous && previous->nodeType() == ZQNodeType::ListItem
            ? std::dynamic_pointer_cast<ZQTextNodeListItem>(previous->nodeInfo())
            : nullptr;
        info->setMarkerOrderIndex(previousInfo && previousInfo->isSameList(info.get())
                                      ? previousInfo->markerOrderIndex() + 1
                                      : 1);
    } else if (!number.isEmpty() && ZQShared::isAllDigits(number)) {
        info->setIsOrdered(true);
        info->setMarkerOrderIndex(number.toLongLong());
    }
    return info;
}

qsizetype ZQDocTreeParser::checkTaskItem(Line& line, const plat::TextCheckingResult& task,
                                         const std::shared_ptr<ZQTextNode>& item)
{
    const Range match = task.range();
    const Range state = task.rangeAtIndex(2);
    const Range group3 = task.rangeAtIndex(3);
    const qsizetype further = group3.isNotFound() ? 0 : group3.length;
    item->setNodeType(ZQNodeType::Task);
    item->setNodeInfo(ZQTextNodeListItem::initForTaskWithStateMarker(
        state.isNotFound() ? QString() : line.working.mid(state.location, state.length)));

    Range taken = match;
    Range brackets = task.rangeAtIndex(1);
    qsizetype next = match.end();
    // The item's indentation stays the list marker's, which the brackets never add to.
    if (further > 0) {
        // Five or more spaces: the content starts one space after the brackets.
        taken.length -= 3 + further;
        brackets.length -= 4;
        next = match.end() - (3 + further);
    }
    const Range contentRange = item->contentRange();
    const Range markerRange = item->markerRange();
    item->setContentRange(Range(contentRange.location, contentRange.length + line.toText(taken).length));
    item->setMarkerRange(Range(markerRange.location, markerRange.length + line.toText(brackets).length));
    return next;
}

ZSTree ZQDocTreeParser::lazinessCheck(const ZSTree& node) const
{
    const ZSTree leaf = node.numberOfChildren() == 0 ? node : m_lastLeaf;
    if (!hasType(leaf, ZQNodeType::Paragraph))
        return {};
    const ZSTree parent = leaf.parent();
    if (parent == m_rootNode || hasType(parent, ZQNodeType::Quote) || hasType(parent, ZQNodeType::ListItem))
        return parent;
    return {};
}

ZSTree ZQDocTreeParser::parseRest(Line& line, qsizetype p, ZSTree c, qint64 parentIndent)
{
    const auto container = textNode(c);
    const bool createdHere = container && container->lineRange() == line.range;
    if (p >= line.end()) {
        // The page's last line holds only the marker of a container begun above
        // ("> " under a quote): an empty blank keeps the line in the tree.
        if (container && !createdHere && container->nodeType() == ZQNodeType::Quote) {
            auto node = newNode(ZQNodeType::BlankLine, line.range);
            node->setContentRange(Range(line.range.end(), 0));
            append(c, node);
        }
        return c;
    }
    qsizetype start = p;
    // On the line of its marker an item's content begins at p already.
    if ((m_option & SkipListIndent) && !createdHere)
        start += std::min<qsizetype>(line.spacesFrom(p), parentIndent);
    auto node = newNode(ZQNodeType::Paragraph, line.range);
    node->setContentRange(line.toTextLineEnd(start));
    node->setContent(contentFrom(line, start));

    if (isBlankFrom(line.working, p, m_blank)) {
        node->setNodeType(ZQNodeType::BlankLine);
        if (hasType(c, ZQNodeType::Quote)) {
            for (ZSTree last = c.lastChild(); hasType(last, ZQNodeType::ListItem) && last.numberOfChildren() > 0;
                 last = last.lastChild())
                c = last;
        }
    } else {
        ZSTree lazy = createdHere ? ZSTree() : lazinessCheck(c);
        if (lazy) {
            c = lazy;
            if (m_option & TrimLazyLines)
                node->setContent(ZQShared::stringByTrimmingLeadingCharactersInSet(node->content(), m_space));
        } else if (isIndentCode(line.spacesFrom(p), line, parentIndent, c)) {
            node->setNodeType(ZQNodeType::IndentedCode);
            node->setNodeStatus(ZQTextNode::StatusLiteral);
            node->setIndentLength(createdHere ? 0 : parentIndent);
        }
    }

    if (node->nodeType() == ZQNodeType::Paragraph) {
        const auto last = textNode(c.lastChild());
        if (last && last->nodeType() == ZQNodeType::Paragraph && !(last->nodeStatus() & ZQTextNode::StatusLiteral)
            && last->mergeParagraph(*node))
            return c;
    }
    append(c, node);
    return c;
}

QString ZQDocTreeParser::contentFrom(const Line& line, qsizetype p) const
{
    // Styled in place the content keeps the text's own characters, and so does
    // a line outside containers: its tabs stop where they did.
    if (line.tabs.empty() || p == 0 || (m_option & RecordMarkerRanges)) {
        const Range range = line.toTextLineEnd(p);
        return m_text->mid(range.location, range.length);
    }
    return line.textByColumnsFrom(p, *m_text);
}

// ---- after the lines -------------------------------------------------------

bool ZQDocTreeParser::isSameList(const ZSTree& a, const ZSTree& b)
{
    const auto first = textNode(a);
    const auto second = textNode(b);
    if (!first || !second || first->nodeType() != ZQNodeType::ListItem || second->nodeType() != ZQNodeType::ListItem)
        return false;
    const auto info = std::dynamic_pointer_cast<ZQTextNodeListItem>(first->nodeInfo());
    const auto other = std::dynamic_pointer_cast<ZQTextNodeListItem>(second->nodeInfo());
    return info && info->isSameList(other.get());
}

void ZQDocTreeParser::finishTree()
{
    // Post-order over the tree without recursion (pages may nest thousands of
    // levels). Each parent's children are rebuilt once at its end when a
    // definition emptied a paragraph or a list gave up its trailing blank lines,
    // instead of moving nodes one by one.
    struct Frame {
        explicit Frame(ZSTree n) : node(std::move(n)) {}
        ZSTree node;
        qsizetype next = 0;
        bool changed = false;
        std::vector<ZSTree> kept;
    };
    std::vector<Frame> stack;
    stack.emplace_back(m_rootNode);
    while (!stack.empty()) {
        if (stack.back().next < stack.back().node.numberOfChildren()) {
            ZSTree child = stack.back().node.childAtIndex(stack.back().next++);
            stack.emplace_back(child);
            continue;
        }
        Frame done = std::move(stack.back());
        stack.pop_back();
        if (done.changed) {
            done.node.removeAllChildren();
            for (const ZSTree& child : done.kept)
                done.node.appendChild(child);
        }
        if (stack.empty())
            break;

        Frame& parent = stack.back();
        const auto node = textNode(done.node);
        const auto parentNode = textNode(parent.node);
        bool keep = true;
        std::vector<ZSTree> movedOut;
        if (node && node->nodeType() == ZQNodeType::Paragraph && !(node->nodeStatus() & ZQTextNode::StatusLiteral)
            && m_linkRefMap && !(parentNode && parentNode->nodeType() == ZQNodeType::Heading)) {
            const QString content = node->content();
            qsizetype lineBreak = content.size();
            while (lineBreak > 0 && m_newlineCharset.contains(content.at(lineBreak - 1)))
                --lineBreak;
            keep = !parseLinkRef(done.node);
            // Inside a quote or an item the line stays, so that what follows
            // does not move up onto the container's marker.
            const bool inContainer = parentNode
                && (parentNode->nodeType() == ZQNodeType::Quote || parentNode->nodeType() == ZQNodeType::ListItem
                    || parentNode->nodeType() == ZQNodeType::Task);
            if (!keep && inContainer && lineBreak < content.size()) {
                node->setNodeType(ZQNodeType::BlankLine);
                node->setContent(content.mid(lineBreak));
                keep = true;
            }
        } else if (node && node->nodeType() == ZQNodeType::ListItem
                   && !isSameList(done.node, parent.node.childAtIndex(parent.next))) {
            // A blank on the item's own first line (what is left of a definition
            // there, lazy lines included) stays: moved out it would sit after
            // the item while starting on its marker.
            for (ZSTree last = done.node.lastChild(); hasType(last, ZQNodeType::BlankLine)
                 && textNode(last)->lineRange().location != node->lineRange().location;
                 last = done.node.lastChild()) {
                done.node.removeChildAtIndex(done.node.numberOfChildren() - 1);
                movedOut.push_back(last);
            }
        }
        if (!keep || !movedOut.empty()) {
            if (!parent.changed) {
                parent.changed = true;
                for (qsizetype i = 0; i < parent.next - 1; ++i)
                    parent.kept.push_back(parent.node.childAtIndex(i));
            }
        }
        if (parent.changed) {
            if (keep)
                parent.kept.push_back(done.node);
            parent.kept.insert(parent.kept.end(), movedOut.rbegin(), movedOut.rend());
        }
    }

    std::stable_sort(m_footnotes.begin(), m_footnotes.end(), [](const Footnote& a, const Footnote& b) {
        return a.lineLocation != b.lineLocation ? a.lineLocation < b.lineLocation : a.running < b.running;
    });
    qint64 index = 1;
    for (const Footnote& footnote : m_footnotes)
        footnote.ref->setFootnoteIndex(index++);
    m_footnotes.clear();
}

bool ZQDocTreeParser::parseLinkRef(const ZSTree& paragraph)
{
    const auto node = textNode(paragraph);
    // Definitions begin with "[" (an escaped one is no bracket).
    if (markerCharacter(node->content(), 0) != u'[')
        return false;
    const QString content = node->content();
    QString masked = content;
    ZQShared::escapeSlashToSafeString(masked);
    const qsizetype n = content.size();
    qsizetype pos = 0;
    int running = 0;

    while (pos < n) {
        const auto marker = m_linkRefMarkerPattern->firstMatch(masked, Range(pos, n - pos), plat::MatchingAnchored);
        if (!marker)
            break;
        const Range labelRange = marker->rangeAtIndex(1);
        // A blank label defines nothing: the line stays text rather than vanish.
        if (labelRange.length >= 999 || !ZQShared::isNotBlank(content.mid(labelRange.location, labelRange.length)))
            break;
        const Range match = marker->range();
        const QString label = ZQShared::asLinkLabel(content.mid(labelRange.location, labelRange.length));

        std::shared_ptr<ZQLinkRef> ref;
        qsizetype consumedEnd = 0;
        if (label.startsWith(QLatin1Char('^'))) {
            // The body runs to the next line that begins a definition.
            const qsizetype bodyStart = match.end();
            qsizetype bodyEnd = n;
            qsizetype nextLine = bodyStart;
            while (nextLine < n && !m_newlineCharset.contains(content.at(nextLine)))
                ++nextLine;
            if (nextLine < n) {
                const plat::LineBounds bounds = plat::lineBounds(content, Range(nextLine, 0));
                if (bounds.end < n) {
                    if (const auto next = m_linkInlineRefMarkerPattern->firstMatch(masked, Range(bounds.end, n - bounds.end)))
                        bodyEnd = next->range().location;
                }
            }
            qsizetype bodyLength = bodyEnd - bodyStart;
            while (bodyLength > 0 && m_newlineCharset.contains(content.at(bodyStart + bodyLength - 1)))
                --bodyLength;
            ref = ZQLinkRef::initWithLink(content.mid(bodyStart, bodyLength), QString());
            ref->setIsFootnote(true);
            consumedEnd = bodyStart + bodyLength;
        } else {
            Range parsed;
            ref = ZQParagraphParser::parseLinkAndTitle(QStringView(content).mid(match.end()), &parsed, false, m_option);
            if (!ref || !ZQShared::isNotBlank(ref->link()))
                break;
            consumedEnd = match.end() + parsed.length;
        }
        ref->setLabel(label);
        if (m_option & RecordMarkerRanges) {
            ref->setContentRange(Range(node->contentRange().location + pos, consumedEnd - pos));
            ref->setLabelRange(Range(match.location - pos, match.length));
        }
        if (m_linkRefMap->contains(label)) {
            if (m_duplicatedLinkRef)
                m_duplicatedLinkRef->push_back(ref);
        } else {
            m_linkRefMap->insert(label, ref);
            if (ref->isFootnote())
                m_footnotes.push_back(Footnote{node->lineRange().location, running++, ref});
        }
        pos = consumedEnd;
        while (pos < n && m_blank.contains(content.at(pos)))
            ++pos;
    }

    if (pos == 0)
        return false;
    node->setContent(content.mid(pos));
    const Range contentRange = node->contentRange();
    node->setContentRange(Range(contentRange.location + pos, std::max<qsizetype>(0, contentRange.length - pos)));
    return pos >= n;
}
