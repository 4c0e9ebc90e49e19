#include "kit/filters/ZQHeadingFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQLineMapping.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/StringLines.h"

#include <algorithm>

namespace {

// Heading types of the heading style.
constexpr quint64 MarkerHeading = 0;
constexpr quint64 UnderlinedHeading = 1;

std::shared_ptr<const plat::Regex> compile(const char* pattern)
{
    return plat::Regex::create(QString::fromLatin1(pattern), plat::RegexAnchorsMatchLines);
}

using ZQBlockNodes::textNodeOf;

bool isHeading(const ZQTextNode& node)
{
    return node.nodeType() == ZQNodeType::Heading || node.nodeType() == ZQNodeType::SetextHeading;
}

// The heading node of the tree node, or null for any other node.
std::shared_ptr<ZQTextNode> headingNodeOf(const ZSTree& tree)
{
    auto node = textNodeOf(tree);
    return node && isHeading(*node) ? node : nullptr;
}

qint64 levelOf(const ZQTextNode& node)
{
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeHeading>(node);
    return std::clamp<qint64>(info ? info->headingLevel() : 1, 1, 6);
}

// Merged into the text's own styles, so inline emphasis keeps its face.
void applyHeadingStyle(const plat::Attributes& style, plat::MutableAttributedString* text)
{
    if (text && text->length() > 0)
        ZQHighlighter::sharedHighlighter().applyAttributes(style, *text, plat::wholeRange(text->string()));
}

// The underline line of a Markdown underlined heading joins its text, which
// then ends with it; false when the text cannot take it.
bool mergeUnderline(ZQTextNode& text, qint64 level)
{
    const QString& written = text.renderContent() ? text.renderContent()->string() : text.content();
    const bool endsLine = !written.isEmpty() && plat::CharacterSet::newline().contains(written.back());
    const QString underline = QStringLiteral("%1%2\n").arg(endsLine ? QString() : QStringLiteral("\n"),
                                                            level == 1 ? QStringLiteral("===") : QStringLiteral("---"));
    ZQTextNode line;
    line.setNodeType(ZQNodeType::Paragraph);
    line.setRenderContent(std::make_shared<plat::MutableAttributedString>(underline));
    line.setLineRange(plat::Range(text.lineRange().end(), 4));
    line.setContentRange(line.lineRange());
    return text.mergeRichParagraph(line);
}

} // namespace

ZQHeadingFilter::ZQHeadingFilter() : m_attributeName(QStringLiteral("ZQFilterHeading"))
{
    static const auto quorvel = compile("^( {0,3}(h([1-6])\\.)[\\p{Blank}]+)(.*?)$");
    static const auto markdown = compile("^( {0,3}(#{1,6})\\s+)(.*?)\\s*?(?:\\s+#+\\s*)?$");
    static const auto underline = compile("^( {0,3})([-=]+)\\s*$");
    m_quorvelPattern = quorvel;
    m_markdownPattern = markdown;
    m_settextHeaderPattern = underline;
}

ZSTree ZQHeadingFilter::parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                                       const std::vector<plat::Range>& lineTabRanges, const QString& content,
                                       const ZSTree& indentParentNode, qint64 parsingOption)
{
    const bool quorvel = (parsingOption & QuorvelMarkupOption) != 0;
    const auto& pattern = quorvel ? m_quorvelPattern : m_markdownPattern;
    const char16_t first = lineMarkerCharacter(line, processRange.location, processRange.end());
    const auto match = first == (quorvel ? u'h' : u'#')
        ? pattern->firstMatch(line, processRange, plat::MatchingAnchored)
        : std::nullopt;
    if (!match) {
        if (!quorvel && (first == u'-' || first == u'=')
            && parseUnderline(line, lineRange, processRange, indentParentNode))
            return indentParentNode;
        return {};
    }

    const plat::Range marker = match->rangeAtIndex(2);
    qint64 level = 0;
    plat::Range text;
    if (line.at(marker.location) != QLatin1Char('#')) {
        const plat::Range digit = match->rangeAtIndex(3);
        level = line.mid(digit.location, digit.length).toLongLong();
        text = match->rangeAtIndex(4);
    } else {
        level = marker.length;
        text = match->rangeAtIndex(3);
    }

    auto heading = std::make_shared<ZQTextNode>();
    heading->setNodeType(ZQNodeType::Heading);
    heading->setLineRange(lineRange);
    heading->setMarkerRange(textRangeOfLineRange(marker, lineTabRanges, lineRange.location));
    auto info = std::make_shared<ZQTextNodeHeading>();
    info->setHeadingLevel(level);
    heading->setNodeInfo(info);

    auto paragraph = std::make_shared<ZQTextNode>();
    paragraph->setLineRange(lineRange);
    bool onlyHashes = text.length > 0;
    for (qsizetype i = text.location; i < text.end() && onlyHashes; ++i)
        onlyHashes = line.at(i) == QLatin1Char('#');
    // An empty text after a marker whose blanks ran into the line end stays on the line.
    qsizetype contentEnd = processRange.end();
    while (contentEnd > processRange.location && plat::isLineTerminator(line.at(contentEnd - 1)))
        --contentEnd;
    plat::Range textRange = onlyHashes || text.location > contentEnd
        ? plat::Range(std::min(text.location, contentEnd), 0)
        : text;
    textRange = textRange.length > 0 ? textRangeOfLineRange(textRange, lineTabRanges, lineRange.location)
                                     : plat::Range(textLocationOfLineLocation(textRange.location, lineTabRanges,
                                                                              lineRange.location),
                                                   0);
    paragraph->setContentRange(textRange);
    QString headingText = content.mid(textRange.location, textRange.length);
    if (lineRange.length > 0 && plat::isLineTerminator(content.at(lineRange.end() - 1)))
        headingText += QLatin1Char('\n');
    paragraph->setContent(headingText);

    ZSTree headingTree = ZSTree::treeWithObject(heading);
    headingTree.appendChildObject(paragraph);
    ZSTree parent = indentParentNode;
    parent.appendChild(headingTree);
    return parent;
}

bool ZQHeadingFilter::parseUnderline(const QString& line, plat::Range lineRange, plat::Range processRange,
                                     const ZSTree& indentParentNode)
{
    // Only a paragraph takes an underline: asked first, it spares the pattern
    // every list item's "-" line.
    const ZSTree last = indentParentNode.lastChild();
    const auto paragraph = textNodeOf(last);
    if (!paragraph || paragraph->nodeType() != ZQNodeType::Paragraph || paragraph->isMergedParagraph())
        return false;
    const auto match = m_settextHeaderPattern->firstMatch(line, processRange, plat::MatchingAnchored);
    if (!match)
        return false;
    // The parser only appends, so the last child's predecessor is found by index
    // instead of a scan of the parent's children.
    const qsizetype count = indentParentNode.numberOfChildren();
    const ZSTree previous = count >= 2 && indentParentNode.childAtIndex(count - 1) == last
        ? indentParentNode.childAtIndex(count - 2)
        : last.previousSibling();
    if (const auto before = textNodeOf(previous); before && before->nodeType() == ZQNodeType::Paragraph)
        return false;

    const plat::Range underline = match->rangeAtIndex(2);
    auto info = std::make_shared<ZQTextNodeHeading>();
    info->setHeadingLevel(line.at(underline.location) == QLatin1Char('-') ? 2 : 1);
    info->setSettextHeaderLineRange(lineRange);
    paragraph->setNodeType(ZQNodeType::SetextHeading);
    paragraph->setNodeInfo(info);
    return true;
}

bool ZQHeadingFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    const auto node = headingNodeOf(treeNode);
    if (!node)
        return false;
    const qint64 level = levelOf(*node);
    content += QStringLiteral("<h%1>").arg(level);
    const QString close = QStringLiteral("</h%1>").arg(level);
    if (node->nodeType() == ZQNodeType::SetextHeading) {
        node->setContent(ZQShared::trim(node->content()));
        node->insertCloseTags(close);
    } else if (const auto last = textNodeOf(treeNode.lastChild())) {
        last->insertCloseTags(close);
    } else {
        // An empty heading has no text to carry the closing tag.
        content += close;
    }
    return true;
}

bool ZQHeadingFilter::preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& /*context*/)
{
    const auto node = headingNodeOf(treeNode);
    if (!node)
        return false;
    if (node->nodeStatus() & ZQTextNode::StatusConverted)
        return true;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const quint64 level = quint64(levelOf(*node));
    if (node->nodeType() == ZQNodeType::SetextHeading) {
        applyHeadingStyle(highlighter.headingRich(level, ZSUtils::uuid(), UnderlinedHeading),
                          node->renderContent().get());
        node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
        return true;
    }
    const plat::Attributes style = highlighter.headingRich(level, ZSUtils::uuid(), MarkerHeading);
    for (qsizetype i = 0; i < treeNode.numberOfChildren(); ++i) {
        if (const auto text = textNodeOf(treeNode.childAtIndex(i))) {
            applyHeadingStyle(style, text->renderContent().get());
            text->setNodeStatus(text->nodeStatus() | ZQTextNode::StatusConverted);
        }
    }
    return true;
}

bool ZQHeadingFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& /*content*/,
                                   ZQRenderContext& /*context*/)
{
    return ZQBlockNodes::hasType(treeNode, ZQNodeType::Heading);
}

bool ZQHeadingFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& context)
{
    const auto node = headingNodeOf(treeNode);
    if (!node)
        return false;
    if (node->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    const qint64 level = levelOf(*node);
    QString marker;
    if (context.runningMarkupType() == ZQMarkupType::QuorvelMarkup) {
        marker = QStringLiteral("h%1. ").arg(level);
    } else {
        const auto text = textNodeOf(treeNode.lastChild());
        const bool underlined = node->nodeType() == ZQNodeType::SetextHeading && level < 3 && text
            && text->nodeType() == ZQNodeType::Paragraph && mergeUnderline(*text, level);
        if (!underlined)
            marker = QString(level, QLatin1Char('#')) + QLatin1Char(' ');
    }
    node->setContent(marker);
    node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    return true;
}

bool ZQHeadingFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                        ZQRenderContext& /*context*/)
{
    const auto node = headingNodeOf(treeNode);
    if (!node)
        return false;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const quint64 level = quint64(levelOf(*node));
    if (node->nodeType() == ZQNodeType::SetextHeading) {
        highlighter.applyAttributes(highlighter.headingMarkdown(level, ZSUtils::uuid(), UnderlinedHeading), markup,
                                    node->contentRange());
        const auto info = ZQBlockNodes::infoOf<ZQTextNodeHeading>(*node);
        if (info)
            highlighter.highlightMDHeadingMarker(markup, info->settextHeaderLineRange());
        return true;
    }
    const plat::Range marker = node->markerRange();
    const auto last = textNodeOf(treeNode.lastChild());
    const qsizetype end = last ? std::max(last->contentRange().end(), marker.end()) : marker.end();
    highlighter.applyAttributes(highlighter.headingMarkdown(level, ZSUtils::uuid(), MarkerHeading), markup,
                                plat::Range(marker.location, end - marker.location));
    highlighter.highlightMDHeadingMarker(markup, marker);
    return true;
}

bool ZQHeadingFilter::fixRichAttribute(plat::MutableAttributedString& content, plat::Range selRange,
                                       plat::Attributes& typingAttributes)
{
    return fixRichAttributeInRange(content, selRange, typingAttributes, plat::wholeRange(content.string()));
}

bool ZQHeadingFilter::fixRichAttributeInRange(plat::MutableAttributedString& content, plat::Range /*selRange*/,
                                              plat::Attributes& /*typingAttributes*/, plat::Range inRange)
{
    const QString& text = content.string();
    const plat::CharacterSet& newline = plat::CharacterSet::newline();
    std::vector<plat::Range> lineEnds;
    content.enumerateAttribute(ZQAttr::FilterHeading, inRange, plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
                                   if (value.isNull())
                                       return;
                                   for (const plat::Range line : ZSUtils::lineRangesOfContainerBlock(content, run)) {
                                       // Only the line's part the heading covers.
                                       const plat::Range styled = plat::intersection(line, run);
                                       qsizetype start = styled.end();
                                       while (start > styled.location && newline.contains(text.at(start - 1)))
                                           --start;
                                       if (start < styled.end())
                                           lineEnds.emplace_back(start, styled.end() - start);
                                   }
                               });
    if (lineEnds.empty())
        return false;
    const plat::Attributes defaults
        = ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Rich);
    for (const plat::Range end : lineEnds)
        content.setAttributes(defaults, end);
    return true;
}
