#include "kit/filters/ZQTaskFilter.h"

#include "kit/filters/ZQBlockNodes.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQHighlighter.h"
#include "kit/render/ZQRenderContext.h"
#include "kit/render/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/StringLines.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

using ZQBlockNodes::textNodeOf;

namespace {

std::shared_ptr<ZQTextNodeListItem> taskInfo(const ZSTree& tree)
{
    const auto node = textNodeOf(tree);
    return node && node->nodeType() == ZQNodeType::Task ? ZQBlockNodes::infoOf<ZQTextNodeListItem>(*node) : nullptr;
}

QString stateOf(const ZSTree& tree)
{
    const auto info = taskInfo(tree);
    return info ? info->taskStateMarker() : QString();
}

// The text of the task whose marker ends at markerEnd: the rest of its line,
// without blanks and line breaks around it; empty when there is none.
plat::Range taskTextRange(const QString& text, qsizetype markerEnd)
{
    const plat::Range line = plat::lineRangeForRange(text, plat::Range(markerEnd, 0));
    const auto& blank = plat::CharacterSet::whitespaceAndNewline();
    qsizetype start = markerEnd;
    qsizetype end = line.end();
    while (start < end && blank.contains(text.at(start)))
        ++start;
    while (end > start && blank.contains(text.at(end - 1)))
        --end;
    return plat::Range(start, end - start);
}

bool isDoneState(const QString& state)
{
    return state.toLower() == QLatin1String("x");
}

} // namespace

ZQListStylePtr ZQTaskFilter::createTaskListStyle(const ZSTree& treeNode)
{
    std::vector<ZQTextListPtr> levels;
    if (const auto parent = taskInfo(treeNode.parent()); parent && parent->listStyle())
        levels = plat::objectCast<ZQListStyle>(parent->listStyle()->copy())->textLists();
    levels.push_back(ZQTextList::initWithMarkerFormat(QStringLiteral("{task}"), 0));
    return ZQListStyle::initWithTextLists(levels);
}

plat::AttributedString ZQTaskFilter::taskRichMarkerForState(const QString& state,
                                                            const ZQListStylePtr& listStyle) const
{
    return plat::AttributedString(QStringLiteral("\t[%1]\t").arg(state.isEmpty() ? QStringLiteral(" ") : state),
                                  ZQHighlighter::sharedHighlighter().taskRich(listStyle, state));
}

bool ZQTaskFilter::joinRichNode(const ZSTree& treeNode, plat::MutableAttributedString& content,
                                ZQRenderContext& /*context*/)
{
    const auto node = textNodeOf(treeNode);
    if (!node || node->nodeType() != ZQNodeType::Task)
        return false;
    const auto info = taskInfo(treeNode);
    const ZQListStylePtr style = createTaskListStyle(treeNode);
    if (info)
        info->setListStyle(style);
    auto rendered = std::make_shared<plat::MutableAttributedString>(taskRichMarkerForState(stateOf(treeNode), style));
    // What follows the brackets on the node's own text (the item's text is
    // usually a child paragraph).
    const qsizetype afterMarker = node->markerRange().end() - node->contentRange().location;
    if (afterMarker >= 0 && afterMarker < node->content().size()) {
        rendered->append(plat::AttributedString(
            node->content().mid(afterMarker),
            ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(1)));
    }
    node->setRenderContent(rendered);
    content.append(*rendered);
    return true;
}

bool ZQTaskFilter::joinMarkdownNode(const ZSTree& treeNode, QString& /*content*/, ZQRenderContext& /*context*/)
{
    const auto node = textNodeOf(treeNode);
    if (!node || node->nodeType() != ZQNodeType::Task)
        return false;
    if (node->nodeStatus() & ZQTextNode::StatusStyled)
        return true;
    QString marker = QStringLiteral("- [%1]").arg(stateOf(treeNode));
    if (ZQRenderUtil::requireTrailingSpaceForRichTreeNode(treeNode))
        marker += QLatin1Char(' ');
    node->setContent(marker);
    node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusConverted);
    return true;
}

bool ZQTaskFilter::highlightMarkdown(plat::MutableAttributedString& markup, const ZSTree& treeNode,
                                     ZQRenderContext& /*context*/)
{
    const auto node = textNodeOf(treeNode);
    if (!node || node->nodeType() != ZQNodeType::Task)
        return false;
    const ZQListStylePtr style = createTaskListStyle(treeNode);
    if (const auto info = taskInfo(treeNode))
        info->setListStyle(style);
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    highlighter.applyAttributes(highlighter.taskMarkdown(style, stateOf(treeNode)), markup, node->markerRange());
    return true;
}

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

QString ZQTaskFilter::nextStateMarker(const QString& state)
{
    if (state.isEmpty() || state == QLatin1String(" "))
        return QStringLiteral("-");
    return state == QLatin1String("-") ? QStringLiteral("X") : QStringLiteral(" ");
}

void ZQTaskFilter::taskStateChange(plat::TextView& view, plat::Range range) const
{
    plat::TextStorage& storage = *view.textStorage();
    plat::Range markerRange;
    plat::Range stateRange;
    const QString state =
        ZQRenderUtil::parseTaskStateFromMarker(storage.string(), view.editorType(), range, &markerRange, &stateRange);
    if (state.isNull())
        return;
    const QString next = nextStateMarker(state);
    if (view.editorType() == 1) {
        plat::Range run;
        const auto style = storage
                               .attributeAtIndexLongestEffectiveRange(ZQAttr::FilterTask, stateRange.location, &run,
                                                                      plat::Range(0, storage.length()))
                               .toObject<ZQListStyle>();
        if (!style)
            return;
        const plat::AttributedString marker = taskRichMarkerForState(next, style);
        storage.replaceCharacters(run, marker);
        crosslineRichOfTask(next, storage, plat::Range(run.location, marker.length()));
        return;
    }
    if (stateRange.length == 0) {
        storage.replaceCharacters(plat::Range(stateRange.location, 0), next);
        markerRange.length += next.size();
    } else {
        storage.replaceCharacters(stateRange, next);
        markerRange.length += next.size() - stateRange.length;
    }
    crosslineMarkupOfTask(next, storage, markerRange);
}

void ZQTaskFilter::crosslineRichOfTask(const QString& state, plat::MutableAttributedString& richContent,
                                       plat::Range markerRange)
{
    const plat::Range task = taskTextRange(richContent.string(), markerRange.end());
    if (task.length == 0)
        return;
    const ZSTextTheme& theme = *ZQHighlighter::sharedHighlighter().textTheme();
    if (isDoneState(state)) {
        richContent.addAttribute(plat::StrikethroughAttribute, plat::Value(qint64(1)), task);
        richContent.addAttribute(plat::StrikethroughColorAttribute, plat::Value(theme.richCrossColor()), task);
        richContent.addAttribute(plat::ForegroundColorAttribute, plat::Value(theme.richCrossColor()), task);
        return;
    }
    richContent.addAttribute(plat::ForegroundColorAttribute, plat::Value(theme.richTextColor()), task);
    if (!richContent.attributeAtIndex(plat::StrikethroughAttribute, task.location).isNull()) {
        richContent.removeAttribute(plat::StrikethroughAttribute, task);
        richContent.removeAttribute(plat::StrikethroughColorAttribute, task);
    }
}

void ZQTaskFilter::crosslineMarkupOfTask(const QString& state, plat::MutableAttributedString& markupContent,
                                         plat::Range markerRange)
{
    const plat::Range task = taskTextRange(markupContent.string(), markerRange.end());
    const ZSSettings& settings = *ZQHighlighter::sharedHighlighter().settings();
    const QString delimiter = settings.markupType() == 1 ? QStringLiteral("-") : QStringLiteral("~~");
    const QStringView text = QStringView(markupContent.string()).mid(task.location, task.length);
    const bool wrapped = text.startsWith(delimiter) && text.endsWith(delimiter);
    const qsizetype d = delimiter.size();
    if (isDoneState(state)) {
        if (task.length == 0 || wrapped)
            return;
        const plat::AttributedString mark(delimiter, settings.defaultTypingAttribute(3));
        markupContent.insert(mark, task.end());
        markupContent.insert(mark, task.location);
    } else if (task.length >= 2 * d && wrapped) {
        markupContent.deleteCharacters(plat::Range(task.end() - d, d));
        markupContent.deleteCharacters(plat::Range(task.location, d));
    }
}
