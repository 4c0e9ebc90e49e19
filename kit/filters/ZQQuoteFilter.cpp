#include "kit/filters/ZQQuoteFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/markup/ZQHighlighter.h"
#include "kit/render/ZQRenderUtil.h"

ZQQuoteFilter::ZQQuoteFilter() : m_attributeName(QStringLiteral("ZQFilterQuote")) {}

bool ZQQuoteFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    content += QStringLiteral("<blockquote>");
    ZQBlockNodes::insertCloseTagsAfter(treeNode, QStringLiteral("</blockquote>"));
    return true;
}

bool ZQQuoteFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                      ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const plat::Attributes style = highlighter.quoteMarkdown();
    if (node->mergedMarkerRanges().empty()) {
        highlighter.applyAttributes(style, markup, node->markerRange());
    } else {
        for (const plat::Range& marker : node->mergedMarkerRanges())
            highlighter.applyAttributes(style, markup, marker);
    }
    return true;
}

bool ZQQuoteFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                 ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    ZQBlockNodes::appendStyledContent(*ZQBlockNodes::textNodeOf(treeNode),
                                      ZQHighlighter::sharedHighlighter().quoteRich(), content);
    return true;
}

bool ZQQuoteFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    const auto node = ZQBlockNodes::textNodeOf(treeNode);
    if (node->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    node->setContent(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(treeNode) ? QStringLiteral("> ")
                                                                                : QStringLiteral(">"));
    node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    return true;
}
