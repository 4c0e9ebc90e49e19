#include "kit/filters/ZQCodeBlockFilter.h"

#include "kit/markup/ZQLineMapping.h"
#include "kit/markup/ZQTextNode.h"

const std::shared_ptr<const plat::Regex>& ZQCodeBlockFilter::fencedBlockMarkerPattern()
{
    static const auto pattern = plat::Regex::create(
        QStringLiteral("^( {0,3})((?:```+)|(?:~~~+)) *([^`~]*?) *$"), plat::RegexAnchorsMatchLines);
    return pattern;
}

ZQCodeBlockFilter::ZQCodeBlockFilter()
    : m_attributeName(QStringLiteral("ZQFilterCodeBlock")), m_fencedBlockMarkerPattern(fencedBlockMarkerPattern())
{
}

ZSTree ZQCodeBlockFilter::parseLeafBlock(const QString& line, plat::Range lineRange, plat::Range processRange,
                                         const std::vector<plat::Range>& lineTabRanges, const QString& content,
                                         const ZSTree& indentParentNode, qint64 /*parsingOption*/)
{
    const auto match = m_fencedBlockMarkerPattern->firstMatch(line, processRange, plat::MatchingAnchored);
    if (!match)
        return {};
    const plat::Range fence = match->rangeAtIndex(2);
    const plat::Range info = match->rangeAtIndex(3);

    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(ZQNodeType::FencedCode);
    node->setLineRange(lineRange);
    node->setMarkerRange(textRangeOfLineRange(fence, lineTabRanges, lineRange.location));
    const plat::Range contentRange = textRangeToLineEnd(processRange.location, lineTabRanges, lineRange);
    node->setContentRange(contentRange);
    node->setContent(content.mid(contentRange.location, contentRange.length));
    if (auto parent = plat::objectCast<ZQTextNode>(indentParentNode.object()))
        node->setIndentLength(parent->indentLength());

    auto fenced = std::make_shared<ZQTextNodeFencedBlock>();
    fenced->setFencedBlockType(QStringLiteral("S"));
    fenced->setFencedMarker(line.mid(fence.location, fence.length));
    fenced->setFencedMarkerIndent(quint64(match->rangeAtIndex(1).length));
    if (!info.isNotFound() && info.length > 0) {
        const plat::Range tagRange = textRangeOfLineRange(info, lineTabRanges, lineRange.location);
        fenced->setFencedTagRange(tagRange);
        fenced->setFencedBlockInfoTag(content.mid(tagRange.location, tagRange.length));
    }
    node->setNodeInfo(fenced);

    ZSTree block = ZSTree::treeWithObject(node);
    ZSTree parent = indentParentNode;
    parent.appendChild(block);
    return block;
}
