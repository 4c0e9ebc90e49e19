#include "kit/filters/ZQHeadingFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/foundation/ZQShared.h"
#include "kit/markup/ZQLineMapping.h"
#include "kit/markup/ZQTextNode.h"
#include "platform/foundation/StringLines.h"

#include <algorithm>

namespace {

std::shared_ptr<const plat::Regex> compile(const char* pattern)
{
    return plat::Regex::create(QString::fromLatin1(pattern), plat::RegexAnchorsMatchLines);
}

using ZQBlockNodes::textNodeOf;

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
        if ((first == u'-' || first == u'=') && parseUnderline(line, lineRange, processRange, indentParentNode))
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
    const auto match = m_settextHeaderPattern->firstMatch(line, processRange, plat::MatchingAnchored);
    if (!match)
        return false;
    const ZSTree last = indentParentNode.lastChild();
    const auto paragraph = textNodeOf(last);
    if (!paragraph || paragraph->nodeType() != ZQNodeType::Paragraph || paragraph->isMergedParagraph())
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
    const auto node = textNodeOf(treeNode);
    if (!node || (node->nodeType() != ZQNodeType::Heading && node->nodeType() != ZQNodeType::SetextHeading))
        return false;
    const auto info = std::dynamic_pointer_cast<ZQTextNodeHeading>(node->nodeInfo());
    const qint64 level = std::clamp<qint64>(info ? info->headingLevel() : 1, 1, 6);
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
