#include "kit/filters/ZQHTMLBlockFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/model/ZQHighlighter.h"

bool ZQHTMLBlockFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                          ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::HtmlBlock))
        return false;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    highlighter.applyAttributes(highlighter.htmlTagMarkdown(), markup, ZQBlockNodes::textNodeOf(treeNode)->lineRange());
    return true;
}

bool ZQHTMLBlockFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                     ZQRenderContext& /*context*/)
{
    if (!ZQBlockNodes::hasType(treeNode, ZQNodeType::HtmlBlock))
        return false;
    ZQBlockNodes::appendStyledContent(*ZQBlockNodes::textNodeOf(treeNode),
                                      ZQHighlighter::sharedHighlighter().htmlTagRich(), content);
    return true;
}
