#include "kit/filters/ZQQuoteFilter.h"

#include "kit/filters/ZQBlockNodes.h"

ZQQuoteFilter::ZQQuoteFilter() : m_attributeName(QStringLiteral("ZQFilterQuote")) {}

bool ZQQuoteFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::Quote))
        return false;
    content += QStringLiteral("<blockquote>");
    ZQBlockNodes::insertCloseTagsAfter(treeNode, QStringLiteral("</blockquote>"));
    return true;
}
