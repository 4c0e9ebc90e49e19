#include "kit/filters/ZQListFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/foundation/ZQShared.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQHighlighter.h"
#include "kit/render/ZQRenderContext.h"
#include "kit/render/ZQRenderUtil.h"

#include <QDebug>
#include <QHash>

using ZQBlockNodes::textNodeOf;

namespace {

std::shared_ptr<ZQTextNodeListItem> itemInfo(const ZSTree& tree)
{
    const auto node = textNodeOf(tree);
    return node && node->nodeType() == ZQNodeType::ListItem ? ZQBlockNodes::infoOf<ZQTextNodeListItem>(*node)
                                                            : nullptr;
}

// The item and its following sibling items, each in the same list as the one
// before it.
std::vector<ZSTree> listRun(const ZSTree& first)
{
    std::vector<ZSTree> items{first};
    auto previous = itemInfo(first);
    for (ZSTree next = first.nextSibling(); ZQBlockNodes::hasType(next, ZQNodeType::ListItem);
         next = next.nextSibling()) {
        const auto info = itemInfo(next);
        if (previous && !previous->isSameList(info.get()))
            break;
        items.push_back(next);
        previous = info;
    }
    return items;
}

// "#" items are written without a number: they count from one.
bool isCountedItem(const ZQTextNodeListItem& info)
{
    return ZQShared::trim(info.marker()) == QLatin1String("#");
}

qint64 runStartIndex(const std::vector<ZSTree>& items)
{
    const auto info = itemInfo(items.front());
    return !info ? 0 : isCountedItem(*info) ? 1 : info->markerOrderIndex();
}

qint64 orderIndex(const ZQTextNodeListItem& info, std::size_t positionInRun)
{
    return isCountedItem(info) ? qint64(positionInRun) + 1 : info.markerOrderIndex();
}

// Makes the item's own level of a list starting at start and its rich marker.
std::shared_ptr<ZQTextList> makeItemLevel(ZQTextNodeListItem& info, const QString& format, qint64 start,
                                          std::size_t positionInRun)
{
    info.setRichMarkerFormat(format);
    auto level = ZQTextList::initWithMarkerFormat(format, quint64(start));
    info.setCurrentTextlist(level);
    info.setMarkerOrderStartIndex(start);
    info.setRichMarker(QStringLiteral("\t%1\t").arg(level->markerForItemNumber(quint64(orderIndex(info, positionInRun)))));
    return level;
}

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

QString ZQListFilter::richMarkerFormatFromMarkupMarker(const QString& marker)
{
    for (const QChar c : marker) {
        if (c.unicode() >= u'0' && c.unicode() <= u'9')
            return QStringLiteral("{decimal}.");
    }
    static const QHash<QString, QString> formats{
        {QStringLiteral("#"), QStringLiteral("{decimal}.")},
        {QStringLiteral("*"), QStringLiteral("{disc}")},
        {QStringLiteral("+"), QStringLiteral("{check}")},
        {QStringLiteral("-"), QStringLiteral("{hyphen}")},
    };
    return formats.value(ZQShared::trim(marker));
}

QString ZQListFilter::markupMarkerFromRichMarkerFormat(const QString& format, qint64 orderIndex, quint64 markupType)
{
    if (format.startsWith(QLatin1String("{decimal}")))
        return markupType == 0 ? QStringLiteral("%1.").arg(orderIndex) : QStringLiteral("#");
    if (format.startsWith(QLatin1String("{hyphen}")))
        return QStringLiteral("-");
    if (format.startsWith(QLatin1String("{check}")))
        return QStringLiteral("+");
    return QStringLiteral("*");
}

bool ZQListFilter::preJoinMarkupToRich(const ZSTree& treeNode, ZQRenderContext& /*context*/)
{
    const auto first = textNodeOf(treeNode);
    if (!first || first->nodeType() != ZQNodeType::ListItem)
        return false;
    if (first->nodeStatus() & ZQTextNode::StatusConverted)
        return true;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const std::vector<ZSTree> items = listRun(treeNode);
    const qint64 start = runStartIndex(items);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto node = textNodeOf(items[i]);
        const auto info = itemInfo(items[i]);
        if (!info)
            continue;
        const QString format = richMarkerFormatFromMarkupMarker(info->marker());
        if (format.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Unexpected: no valid marker in %1").arg(node->content());
            continue;
        }
        makeItemLevel(*info, format, start, i);
        node->setRenderContent(std::make_shared<plat::MutableAttributedString>(
            info->richMarker(), highlighter.listRich(ZQListStyle::initWithMarkerFormat(format, quint64(start)))));
        node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    }
    return true;
}

bool ZQListFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                ZQRenderContext& /*context*/)
{
    const auto node = textNodeOf(treeNode);
    const auto info = itemInfo(treeNode);
    if (!info)
        return false;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    std::vector<ZQTextListPtr> levels;
    for (ZSTree up = treeNode; up && !up.isRoot(); up = up.parent()) {
        if (const auto around = itemInfo(up); around && around->currentTextlist())
            levels.insert(levels.begin(), around->currentTextlist());
    }
    auto rendered = node->renderContent();
    if (!rendered) {
        // A marker without a rich form keeps its text as written.
        rendered = std::make_shared<plat::MutableAttributedString>(node->content(),
                                                                   highlighter.settings()->defaultTypingAttribute(1));
        node->setRenderContent(rendered);
    }
    rendered->enumerateAttribute(ZQAttr::FilterList, plat::Range(0, rendered->length()), plat::EnumerationReverse,
                                 [&](const plat::Value& value, plat::Range range, bool*) {
                                     if (value.isNull())
                                         return;
                                     auto style = ZQListStyle::initWithTextLists(levels);
                                     info->setListStyle(style);
                                     // The tab stops follow the depth of the whole stack.
                                     rendered->addAttributes(highlighter.listRich(style), range);
                                 });
    content.append(*rendered);
    return true;
}

bool ZQListFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& context)
{
    const auto first = textNodeOf(treeNode);
    if (!first || first->nodeType() != ZQNodeType::ListItem)
        return false;
    if (first->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    // Each item's marker depends on the item alone; an item already written in
    // this pass ends the run, so a list is written once, not once per item.
    for (ZSTree item = treeNode; ZQBlockNodes::hasType(item, ZQNodeType::ListItem); item = item.nextSibling()) {
        const auto node = textNodeOf(item);
        if (item != treeNode && (node->nodeStatus() & ZQTextNode::StatusConverted))
            break;
        const auto info = itemInfo(item);
        QString marker = markupMarkerFromRichMarkerFormat(info ? info->richMarkerFormat() : QString(),
                                                          info ? info->markerOrderIndex() : 0,
                                                          context.runningMarkupType());
        if (ZQRenderUtil::requireTrailingSpaceForRichTreeNode(item))
            marker += QLatin1Char(' ');
        node->setContent(marker);
        node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    }
    return true;
}

bool ZQListFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                     ZQRenderContext& /*context*/)
{
    const auto first = textNodeOf(treeNode);
    if (!first || first->nodeType() != ZQNodeType::ListItem)
        return false;
    if (first->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    std::vector<ZQTextListPtr> parentLevels;
    if (const auto parent = itemInfo(treeNode.parent()); parent && parent->listStyle())
        parentLevels = parent->listStyle()->textLists();
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    const std::vector<ZSTree> items = listRun(treeNode);
    const qint64 start = runStartIndex(items);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto node = textNodeOf(items[i]);
        node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusStyled);
        const auto info = itemInfo(items[i]);
        const QString format = !info                             ? QString()
            : info->richMarkerFormat().isEmpty() ? richMarkerFormatFromMarkupMarker(info->marker())
                                                 : info->richMarkerFormat();
        if (format.isEmpty())
            continue;
        std::vector<ZQTextListPtr> levels = parentLevels;
        levels.push_back(makeItemLevel(*info, format, start, i));
        auto style = ZQListStyle::initWithTextLists(levels);
        info->setListStyle(style);
        highlighter.applyAttributes(highlighter.listMarkdown(style), markup, node->markerRange());
    }
    return true;
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
    const std::vector<ZSTree> items = listRun(treeNode);

    // The own dialect's "#" items are numbered from one.
    const bool numbered = firstInfo
        && (firstInfo->isOrdered()
            || (context.runningMarkupType() == 1 && firstInfo->marker().startsWith(QLatin1Char('#'))));
    const QString tag = numbered ? QStringLiteral("ol") : QStringLiteral("ul");
    const qint64 start = numbered ? runStartIndex(items) : 1;
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
