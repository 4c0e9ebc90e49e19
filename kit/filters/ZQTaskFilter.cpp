#include "kit/filters/ZQTaskFilter.h"

#include "kit/filters/ZQBlockNodes.h"

using ZQBlockNodes::textNodeOf;

bool ZQTaskFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& /*context*/)
{
    const auto first = textNodeOf(treeNode);
    if (!first || first->nodeType() != ZQNodeType::Task)
        return false;
    if (!(first->nodeStatus() & ZQTextNode::StatusStyled)) {
        ZSTree previous;
        for (ZSTree task = treeNode; ZQBlockNodes::hasType(task, ZQNodeType::Task); task = task.nextSibling()) {
            const auto node = textNodeOf(task);
            const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(*node);
            const QString checkbox = info && info->isCompletedTask()
                ? QStringLiteral("<input type=\"checkbox\" disabled=\"disabled\" checked>")
                : QStringLiteral("<input type=\"checkbox\" disabled=\"disabled\">");
            node->setRenderHtml((previous ? QStringLiteral("<li>") : QStringLiteral("\n<ul class=\"task-list\">\n<li>"))
                                + checkbox);
            node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusStyled);
            if (previous)
                ZQBlockNodes::insertCloseTagsAfter(previous, QStringLiteral("</li>"));
            previous = task;
        }
        ZQBlockNodes::insertCloseTagsAfter(previous, QStringLiteral("</li>\n</ul>"));
    }
    content += first->renderHtml();
    return true;
}
