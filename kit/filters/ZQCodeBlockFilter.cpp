#include "kit/filters/ZQCodeBlockFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/foundation/ZQShared.h"
#include "kit/markup/ZQLineMapping.h"
#include "kit/render/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
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
    const char16_t first = lineMarkerCharacter(line, processRange.location, processRange.end());
    if (first != u'`' && first != u'~')
        return {};
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

bool ZQCodeBlockFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (!node)
        return false;
    if (node->nodeType() == ZQNodeType::FencedCode) {
        joinFencedHTML(treeNode, *node, content);
        return true;
    }
    if (node->nodeType() != ZQNodeType::IndentedCode)
        return false;
    // An earlier line of the same block wrote this one.
    if (!(node->nodeStatus() & ZQTextNode::StatusStyled))
        joinIndentedHTML(treeNode, content);
    return true;
}

void ZQCodeBlockFilter::joinFencedHTML(const ZSTree& treeNode, ZQTextNode& node, QString& content)
{
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(node);
    QString tag = info ? ZQShared::trim(info->fencedBlockInfoTag()) : QString();
    if (!tag.isEmpty()) {
        const plat::CharacterSet& blanks = plat::CharacterSet::whitespaceAndNewline();
        for (qsizetype i = 0; i < tag.length(); ++i) {
            if (blanks.contains(tag.at(i))) {
                tag.truncate(i);
                break;
            }
        }
        tag = ZQRenderUtil::convertEntity(tag, plat::Range(0, tag.length()), true);
        ZQShared::deleteEscapseSlash(tag);
        // The info string comes from the page: it must never leave the attribute.
        ZQShared::escapeHTMLEntityIgnoreEntityAmp(tag);
        content += QStringLiteral("<pre><code class=\"language-") + tag + QStringLiteral("\">");
    } else {
        content += QStringLiteral("<pre><code>");
    }
    const qint64 indent = qint64(info ? info->fencedMarkerIndent() : 0) + node.indentLength();
    for (qsizetype i = 0; i < treeNode.numberOfChildren(); ++i) {
        const auto line = ZQBlockNodes::textNodeOf(treeNode.childAtIndex(i));
        if (!line)
            continue;
        line->setNodeStatus(line->nodeStatus() | ZQTextNode::StatusFencedChild);
        const auto lineInfo = ZQBlockNodes::infoOf<ZQTextNodeFencedBlock>(*line);
        if (lineInfo && lineInfo->fencedBlockType() == QLatin1String("E"))
            break;
        QString html = line->convertContentToRenderHTML();
        if (indent > 0)
            ZQShared::trimLeadingCharactersInSet(html, plat::CharacterSet::whitespace(), indent);
        line->setRenderHtml(html);
        content += html;
    }
    ZQShared::appendStringBeforeLineEnd(content, QStringLiteral("\n</code></pre>"));
}

void ZQCodeBlockFilter::joinIndentedHTML(const ZSTree& treeNode, QString& content)
{
    QString pendingBlanks;
    bool first = true;
    for (ZSTree sibling = treeNode; sibling; sibling = sibling.nextSibling()) {
        const auto line = ZQBlockNodes::textNodeOf(sibling);
        if (!line)
            break;
        const qint64 indent = line->indentLength() + 4;
        if (line->nodeType() == ZQNodeType::IndentedCode) {
            content += pendingBlanks;
            pendingBlanks.clear();
            line->setNodeStatus(line->nodeStatus() | ZQTextNode::StatusStyled);
            QString html = line->convertContentToRenderHTML();
            ZQShared::trimLeadingCharactersInSet(html, plat::CharacterSet::whitespace(), indent);
            if (first)
                html.prepend(QStringLiteral("<pre><code>"));
            first = false;
            line->setRenderHtml(html);
            content += html;
        } else if (line->nodeType() == ZQNodeType::BlankLine) {
            QString blank = line->content();
            ZQShared::trimLeadingCharactersInSet(blank, plat::CharacterSet::whitespace(), indent);
            pendingBlanks += blank;
        } else {
            break;
        }
    }
    ZQShared::appendStringBeforeLineEnd(content, QStringLiteral("\n</code></pre>"));
}
