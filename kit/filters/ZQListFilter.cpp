#include "kit/filters/ZQListFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/render/ZQRenderContext.h"

using ZQBlockNodes::textNodeOf;

namespace {

bool hasType(const ZSTree& item, qsizetype index, quint64 type)
{
    return index >= 0 && index < item.numberOfChildren() && ZQBlockNodes::hasType(item.childAtIndex(index), type);
}

// A blank line between the item's blocks, not before its first nor (for the
// last item) after its last; one inside a run of indented code is the code's.
bool hasInnerBlankLine(const ZSTree& item, bool countLastChild)
{
    const qsizetype count = item.numberOfChildren();
    const qsizetype end = countLastChild ? count : count - 1;
    for (qsizetype i = 1; i < end; ++i) {
        if (!hasType(item, i, ZQNodeType::BlankLine))
            continue;
        qsizetype after = i + 1;
        while (hasType(item, after, ZQNodeType::BlankLine))
            ++after;
        if (!(hasType(item, i - 1, ZQNodeType::IndentedCode) && hasType(item, after, ZQNodeType::IndentedCode)))
            return true;
    }
    return false;
}

} // namespace

bool ZQListFilter::isLooseList(const std::vector<ZSTree>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (hasInnerBlankLine(items[i], i + 1 < items.size()))
            return true;
    }
    return false;
}

bool ZQListFilter::joinHTMLNode(const ZSTree& treeNode, QString& content, ZQRenderContext& context)
{
    const auto first = textNodeOf(treeNode);
    if (!first || first->nodeType() != ZQNodeType::ListItem)
        return false;
    if (first->nodeStatus() & ZQTextNode::StatusStyled) {
        content += first->renderHtml();
        return true;
    }
    const auto firstInfo = ZQBlockNodes::infoOf<ZQTextNodeListItem>(*first);
    std::vector<ZSTree> items{treeNode};
    for (ZSTree next = treeNode.nextSibling(); next; next = next.nextSibling()) {
        const auto item = textNodeOf(next);
        if (!item || item->nodeType() != ZQNodeType::ListItem)
            break;
        const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(*item);
        if (firstInfo && !firstInfo->isSameList(info.get()))
            break;
        items.push_back(next);
    }

    // The own dialect's "#" items are numbered from one.
    const bool numbered = firstInfo
        && (firstInfo->isOrdered()
            || (context.runningMarkupType() == 1 && firstInfo->marker().startsWith(QLatin1Char('#'))));
    const QString tag = numbered ? QStringLiteral("ol") : QStringLiteral("ul");
    const qint64 start = numbered && firstInfo->isOrdered() ? firstInfo->markerOrderIndex() : 1;
    const bool tight = !isLooseList(items);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto item = textNodeOf(items[i]);
        if (i == 0) {
            item->setRenderHtml(start != 1 ? QStringLiteral("<%1 start=\"%2\">\n<li>").arg(tag).arg(start)
                                           : QStringLiteral("<%1>\n<li>").arg(tag));
        } else {
            item->setRenderHtml(QStringLiteral("<li>"));
            ZQBlockNodes::insertCloseTagsAfter(items[i - 1], QStringLiteral("</li>"));
        }
        item->setNodeStatus(item->nodeStatus() | ZQTextNode::StatusStyled);
        item->setIsTightList(tight);
    }
    ZQBlockNodes::insertCloseTagsAfter(items.back(), QStringLiteral("</li>\n</%1>").arg(tag));
    content += first->renderHtml();
    return true;
}
