#include "kit/filters/ZQTaskFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/filters/ZQLineRewrite.h"
#include "kit/filters/ZQMarkerRuns.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQHelpTip.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
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

const QString kActionName = QStringLiteral("Task");

// Group 1 the bracket pair, group 2 the state.
const plat::Regex& onFlyPattern()
{
    static const auto regex =
        plat::Regex::create(QStringLiteral("^ {0,3}(\\[([ -x]?)\\])\\z"), plat::RegexAnchorsMatchLines);
    return *regex;
}

const plat::Regex& markdownMarkerPattern()
{
    static const auto regex =
        plat::Regex::create(QStringLiteral("^ {0,3}[*-] {0,3}(\\[([ -x]?)\\])"), plat::RegexAnchorsMatchLines);
    return *regex;
}

const plat::Regex& richMarkerPattern()
{
    static const auto regex =
        plat::Regex::create(QStringLiteral("^\\t?(\\[([ -x]?)\\])\\t?"), plat::RegexAnchorsMatchLines);
    return *regex;
}

ZQListStylePtr taskLevelAfter(std::vector<ZQTextListPtr> levels)
{
    levels.push_back(ZQTextList::initWithMarkerFormat(QStringLiteral("{task}"), 0));
    return ZQListStyle::initWithTextLists(levels);
}

// Replaces range of the view's text (the whole lines of an edit) with the
// edited copy, the selection staying on the characters it was on.
void replaceLines(plat::TextView& view, plat::Range range, const plat::AttributedString& edited)
{
    const plat::Range selection = view.selectedRange();
    const qsizetype change = edited.length() - range.length;
    const auto moved = [&](qsizetype p) {
        return p >= range.end() ? p + change : std::min(p, range.location + edited.length());
    };
    const qsizetype start = moved(selection.location);
    ZQViewEditing::replace(view, range, edited, plat::Range(start, moved(selection.end()) - start), kActionName);
}

} // namespace

ZQListStylePtr ZQTaskFilter::createTaskListStyle(const ZSTree& treeNode)
{
    std::vector<ZQTextListPtr> levels;
    if (const auto parent = taskInfo(treeNode.parent()); parent && parent->listStyle())
        levels = plat::objectCast<ZQListStyle>(parent->listStyle()->copy())->textLists();
    return taskLevelAfter(levels);
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
            ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Rich)));
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
    const plat::TextStorage& storage = *view.textStorage();
    plat::Range markerRange;
    plat::Range stateRange;
    const QString state = ZQRenderUtil::parseTaskStateFromMarker(storage.string(), ZSUtils::getEditorType(view), range,
                                                                 &markerRange, &stateRange);
    if (state.isNull())
        return;
    const QString next = nextStateMarker(state);
    // The edit works on a copy of the marker's line, which then replaces the
    // line as one undo step.
    if (ZSUtils::getEditorType(view) == ZQEditorType::Rich) {
        plat::Range run;
        const auto style = storage
                               .attributeAtIndexLongestEffectiveRange(ZQAttr::FilterTask, stateRange.location, &run,
                                                                      plat::Range(0, storage.length()))
                               .toObject<ZQListStyle>();
        if (!style)
            return;
        const plat::Range line = ZQAttributedString::lineRange(storage, run);
        plat::MutableAttributedString edited(storage.attributedSubstring(line));
        const plat::AttributedString marker = taskRichMarkerForState(next, style);
        const plat::Range markerInLine(run.location - line.location, run.length);
        edited.replaceCharacters(markerInLine, marker);
        crosslineRichOfTask(next, edited, plat::Range(markerInLine.location, marker.length()));
        replaceLines(view, line, edited);
        return;
    }
    const plat::Range line = ZQAttributedString::lineRange(storage, markerRange);
    plat::MutableAttributedString edited(storage.attributedSubstring(line));
    plat::Range markerInLine(markerRange.location - line.location, markerRange.length);
    const plat::Range stateInLine(stateRange.location - line.location, stateRange.length);
    edited.replaceCharacters(stateInLine, next);
    markerInLine.length += next.size() - stateInLine.length;
    crosslineMarkupOfTask(next, edited, markerInLine);
    replaceLines(view, line, edited);
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
    const QString delimiter
        = settings.markupType() == ZQMarkupType::QuorvelMarkup ? QStringLiteral("-") : QStringLiteral("~~");
    const QStringView text = QStringView(markupContent.string()).mid(task.location, task.length);
    const bool wrapped = text.startsWith(delimiter) && text.endsWith(delimiter);
    const qsizetype d = delimiter.size();
    if (isDoneState(state)) {
        if (task.length == 0 || wrapped)
            return;
        const plat::AttributedString mark(delimiter, settings.defaultTypingAttribute(ZQEditorType::Markup));
        markupContent.insert(mark, task.end());
        markupContent.insert(mark, task.location);
    } else if (task.length >= 2 * d && wrapped) {
        markupContent.deleteCharacters(plat::Range(task.end() - d, d));
        markupContent.deleteCharacters(plat::Range(task.location, d));
    }
}

bool ZQTaskFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                   ZQRenderContext& /*context*/)
{
    if (typed != QLatin1String("]"))
        return false;
    const auto line = ZQMarkerRuns::caretLine(*view.textStorage(), position);
    if (!line)
        return false;
    const auto typedPair = onFlyPattern().firstMatch(line->masked, line->content);
    if (!typedPair)
        return false;
    const plat::Range pair = typedPair->rangeAtIndex(1);
    const plat::Range stateRange = typedPair->rangeAtIndex(2);
    const QString state = stateRange.length > 0 ? line->masked.mid(stateRange.location, stateRange.length)
                                                : QStringLiteral(" ");

    plat::Range replaced = pair;
    ZQListStylePtr style = taskLevelAfter({});
    if (const auto item = ZQMarkerRuns::listItemMarker(*view.textStorage(), *line)) {
        // The item's own level becomes the task's.
        style = taskLevelAfter(item->parentLevels);
        replaced = plat::Range(item->run.location, pair.end() - item->run.location);
    }
    const plat::AttributedString marker = taskRichMarkerForState(state, style);
    ZQViewEditing::replace(view, replaced, marker, plat::Range(replaced.location + marker.length(), 0), kActionName);
    view.setTypingAttributes(ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Rich));
    ZQHelpTip::sharedTip()->fire(8);
    ZQHelpTip::sharedTip()->fire(9);
    return true;
}

void ZQTaskFilter::toggleLines(ZQLineRewrite& rewrite, const plat::AttributedString& marker,
                               const QString& attributeName, const plat::Regex& markerPattern)
{
    const plat::AttributedString& source = rewrite.source();
    rewrite.forEachLine([&](plat::Range line) {
            const plat::Range run = plat::intersection(
                ZQAttributedString::findAttribute(source, attributeName, line, plat::EnumerationReverse), line);
            if (run.isNotFound() || run.length == 0) {
                rewrite.insert(marker);
                return;
            }
            const plat::Range found = markerPattern.rangeOfFirstMatch(source.string(), run);
            const QString rest = found.isNotFound()
                ? QString()
                : source.string().mid(run.location, run.length).remove(found.location - run.location, found.length);
            if (found.isNotFound() || !ZQShared::trim(rest).isEmpty())
                rewrite.insert(marker);
            else
                rewrite.remove(run);
    });
}

plat::AttributedString ZQTaskFilter::toggleMarker(const plat::AttributedString& content,
                                                  const plat::AttributedString& marker, const QString& attributeName,
                                                  const plat::Regex& markerPattern)
{
    ZQLineRewrite rewrite(content);
    toggleLines(rewrite, marker, attributeName, markerPattern);
    return rewrite.result();
}

bool ZQTaskFilter::filterRangeOnFly(plat::Range range, quint64 /*tag*/, plat::TextView& view,
                                    ZQRenderContext& /*context*/)
{
    const plat::TextStorage& text = *view.textStorage();
    const plat::Range affected = ZQAttributedString::lineRange(text, range, true);
    const ZQListStylePtr style = taskLevelAfter({});
    const bool markup = ZSUtils::getEditorType(view) == ZQEditorType::Markup;
    const plat::AttributedString marker = markup
        ? plat::AttributedString(QStringLiteral("- [ ] "), ZQHighlighter::sharedHighlighter().taskMarkdown(style, QStringLiteral(" ")))
        : taskRichMarkerForState(QStringLiteral(" "), style);
    ZQLineRewrite rewrite(text.attributedSubstring(affected));
    toggleLines(rewrite, marker, m_attributeName, markup ? markdownMarkerPattern() : richMarkerPattern());
    rewrite.apply(view, affected, kActionName);
    return true;
}

void ZQTaskFilter::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    ZQMarkerRuns::deleteMarkers(content, m_attributeName, [&](const plat::Value&, plat::Range run) {
        return richMarkerPattern().rangeOfFirstMatch(content.string(), run);
    });
}
