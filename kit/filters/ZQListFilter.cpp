#include "kit/filters/ZQListFilter.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/filters/ZQLineRewrite.h"
#include "kit/filters/ZQMarkerRuns.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/Regex.h"
#include "platform/text/TextView.h"

#include <QDebug>
#include <QHash>

#include <algorithm>
#include <array>

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

// Numbered items are written with "." (or "#"), but two numbered lists in a
// row would be read back as one: a list that follows another takes ")" where
// that one took ".", and its further items the delimiter of the item before.
QChar orderedDelimiter(const ZSTree& item, const ZQTextNodeListItem& info)
{
    ZSTree previous = item.previousSibling();
    while (ZQBlockNodes::hasType(previous, ZQNodeType::BlankLine))
        previous = previous.previousSibling();
    const auto before = itemInfo(previous);
    if (!before || !before->isOrdered())
        return QLatin1Char('.');
    const QString written = ZQShared::trim(textNodeOf(previous)->content());
    const QChar delimiter = written.endsWith(QLatin1Char(')')) ? QLatin1Char(')') : QLatin1Char('.');
    const bool startsList = info.markerOrderIndex() == info.markerOrderStartIndex();
    return !startsList ? delimiter : delimiter == QLatin1Char('.') ? QLatin1Char(')') : QLatin1Char('.');
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

QString ZQListFilter::markupMarkerFromRichMarkerFormat(const QString& format, qint64 orderIndex, qint64 startIndex,
                                                       ZQMarkupType markupType)
{
    if (format.startsWith(QLatin1String("{decimal}")))
        return markupType == ZQMarkupType::Markdown || startIndex != 1 ? QStringLiteral("%1.").arg(orderIndex)
                                                                       : QStringLiteral("#");
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
    // The levels of the items around this one, outermost first. An enclosing
    // item joined before this one holds the levels down to it already: the
    // walk stops there instead of climbing the whole stack for every item.
    std::vector<ZQTextListPtr> inner;
    std::shared_ptr<const ZQListStyle> outer;
    for (ZSTree up = treeNode; up && !up.isRoot(); up = up.parent()) {
        const auto around = itemInfo(up);
        if (!around)
            continue;
        if (up != treeNode && around->listStyle()) {
            outer = around->listStyle();
            break;
        }
        if (around->currentTextlist())
            inner.push_back(around->currentTextlist());
    }
    auto rendered = node->renderContent();
    if (!rendered) {
        // A marker without a rich form keeps its text as written.
        rendered = std::make_shared<plat::MutableAttributedString>(
            node->content(), highlighter.settings()->defaultTypingAttribute(ZQEditorType::Rich));
        node->setRenderContent(rendered);
    }
    rendered->enumerateAttribute(ZQAttr::FilterList, plat::Range(0, rendered->length()), plat::EnumerationReverse,
                                 [&](const plat::Value& value, plat::Range range, bool*) {
                                     if (value.isNull())
                                         return;
                                     auto style = std::const_pointer_cast<ZQListStyle>(outer);
                                     for (auto level = inner.rbegin(); level != inner.rend(); ++level)
                                         style = ZQListStyle::initWithOuterStyle(style, *level);
                                     if (!style)
                                         style = ZQListStyle::initWithTextLists({});
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
                                                          info ? info->markerOrderStartIndex() : 1,
                                                          context.runningMarkupType());
        if (info && info->isOrdered() && orderedDelimiter(item, *info) == QLatin1Char(')'))
            marker = QStringLiteral("%1)").arg(info->markerOrderIndex());
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
    std::shared_ptr<const ZQListStyle> parentStyle;
    if (const auto parent = itemInfo(treeNode.parent()); parent && parent->listStyle())
        parentStyle = parent->listStyle();
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
        auto style = ZQListStyle::initWithOuterStyle(parentStyle, makeItemLevel(*info, format, start, i));
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
            || (context.runningMarkupType() == ZQMarkupType::QuorvelMarkup
                && firstInfo->marker().startsWith(QLatin1Char('#'))));
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

// ---- editing ---------------------------------------------------------------

namespace {

const QString kActionName = QStringLiteral("List");

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A typed marker and one blank ending at the caret: at the content's start
// (after blanks in Markdown), or anywhere before the caret when the line
// already has a rich marker.
const plat::Regex& typingPattern(ZQMarkupType markupType, bool afterRichMarker)
{
    static const QString markdown = QStringLiteral("(?:[-+*]|(?:[0-9]+[.)]))+");
    static const QString own = QStringLiteral("(?:[-#*]|(?:[0-9]+[.)])|(?:[iIaA]\\.))+");
    const auto make = [](const QString& format, const QString& run) {
        return plat::Regex::create(format.arg(QStringLiteral("(%1)[ \t]").arg(run)), plat::RegexAnchorsMatchLines);
    };
    static const auto patterns = std::array{
        make(QStringLiteral("^[ \t]*%1\\z"), markdown), make(QStringLiteral("%1\\z"), markdown),
        make(QStringLiteral("^%1\\z"), own), make(QStringLiteral("%1\\z"), own)};
    return *patterns[(markupType == ZQMarkupType::QuorvelMarkup ? 2 : 0) + (afterRichMarker ? 1 : 0)];
}

// The marker of a line in the markup editor.
const plat::Regex& markupMarkerPattern(ZQMarkupType markupType)
{
    static const auto markdown = plat::Regex::create(QStringLiteral("(?:[-+*]|(?:[0-9]+[.)]))"));
    static const auto own = plat::Regex::create(QStringLiteral("(?:[-#*]|(?:[0-9]+[.)]))"));
    return markupType == ZQMarkupType::QuorvelMarkup ? *own : *markdown;
}

// The rich marker of a level of that format; nullptr for a format of unknown markers.
std::shared_ptr<const plat::Regex> richMarkerPattern(const QString& format)
{
    static const std::vector<std::pair<QString, std::shared_ptr<const plat::Regex>>> rows = [] {
        const std::pair<const char*, const char*> table[] = {
            {"{decimal}", "\t\\d+[).]\t"},
            {"{hyphen}", "\t\\p{P}\t"},
            {"{disc}", "\t\\p{P}\t"},
            {"{circle}", "\t\\p{S}\t"},
            {"{check}", "\t\\p{S}\t"},
            {"{lower-roman}", "\t[mdclxvi]+\\.\t"},
            {"{upper-roman}", "\t[MDCLXVI]+\\.\t"},
            {"{cjk-heavenly-stem}", "\t\\p{L}\t"},
            {"{lower-alpha}", "\t[a-z][).]?\t"},
            {"{upper-alpha}", "\t[A-Z][).]?\t"},
        };
        std::vector<std::pair<QString, std::shared_ptr<const plat::Regex>>> compiled;
        for (const auto& [prefix, pattern] : table)
            compiled.emplace_back(QString::fromLatin1(prefix), plat::Regex::create(QString::fromLatin1(pattern)));
        return compiled;
    }();
    for (const auto& [prefix, regex] : rows) {
        if (format.startsWith(prefix))
            return regex;
    }
    qWarning().noquote() << QStringLiteral("Unable to decide list marker regex %1").arg(format);
    return nullptr;
}

ZQListStylePtr listStyleOf(const plat::Value& value)
{
    return value.toObject<ZQListStyle>();
}

} // namespace

plat::AttributedString ZQListFilter::richMarkerFromMarkupMarker(const QString& marker,
                                                                const std::vector<ZQTextListPtr>& parentLevels)
{
    for (const QChar c : marker) {
        const QString format = richMarkerFormatFromMarkupMarker(QString(c));
        if (format.isEmpty())
            continue;
        // "#" counts from one like the items it stands for.
        const qint64 start = isDigit(c) ? ZQListStyle::parseListIndex(marker, plat::Range(0, marker.size()))
            : format.startsWith(QLatin1String("{decimal}")) ? 1
                                                            : 0;
        std::vector<ZQTextListPtr> levels = parentLevels;
        levels.push_back(ZQTextList::initWithMarkerFormat(format, quint64(start)));
        const QString text = QStringLiteral("\t%1\t").arg(levels.back()->markerForItemNumber(quint64(start)));
        return plat::AttributedString(text, ZQHighlighter::sharedHighlighter().listRich(
                                                ZQListStyle::initWithTextLists(levels)));
    }
    return {};
}

bool ZQListFilter::filterRichOnFly(const QString& typed, qint64 position, plat::TextView& view,
                                   ZQRenderContext& context)
{
    if (!ZQShared::trim(typed).isEmpty())
        return false;
    const auto line = ZQMarkerRuns::caretLine(*view.textStorage(), position);
    if (!line)
        return false;
    const QString& masked = line->masked;
    const ZQMarkupType markupType = context.runningMarkupType();

    const auto make = [&](plat::Range replaced, const QString& marker, const std::vector<ZQTextListPtr>& parents) {
        // The own dialect's i., I., a. and A. name no list kind: the blank
        // stays an ordinary blank.
        const plat::AttributedString rich = richMarkerFromMarkupMarker(marker, parents);
        if (rich.length() == 0)
            return false;
        ZQViewEditing::replace(view, replaced, rich, plat::Range(replaced.location + rich.length(), 0), kActionName);
        // Text typed after the marker is body text, not part of the marker.
        view.setTypingAttributes(
            ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Rich));
        return true;
    };

    if (const auto typedMarker = typingPattern(markupType, true).firstMatch(masked, line->content)) {
        const plat::Range marker = typedMarker->rangeAtIndex(1);
        if (const auto item = ZQMarkerRuns::listItemMarker(*view.textStorage(), *line);
            item && item->marker.end() == marker.location) {
            return make(plat::Range(item->run.location, position - item->run.location),
                        masked.mid(marker.location, marker.length), item->parentLevels);
        }
    }
    const auto typedMarker = typingPattern(markupType, false).firstMatch(masked, line->content);
    if (!typedMarker)
        return false;
    const plat::Range marker = typedMarker->rangeAtIndex(1);
    return make(plat::Range(marker.location, position - marker.location), masked.mid(marker.location, marker.length),
                {});
}

bool ZQListFilter::filterRangeOnFly(plat::Range range, quint64 tag, plat::TextView& view, ZQRenderContext& context)
{
    const plat::TextStorage& text = *view.textStorage();
    const plat::Range affected = ZQAttributedString::lineRange(text, range, true);
    const ZQMarkupType markupType = context.runningMarkupType();
    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    const bool ordered = tag == 50;
    const QString markerText = !ordered        ? QStringLiteral("* ")
        : markupType == ZQMarkupType::Markdown ? QStringLiteral("1. ")
                                               : QStringLiteral("# ");
    const plat::AttributedString marker = editorType == ZQEditorType::Markup
        ? plat::AttributedString(
            markerText, ZQHighlighter::sharedHighlighter().settings()->defaultTypingAttribute(ZQEditorType::Markup))
        : richMarkerFromMarkupMarker(ZQShared::trim(markerText), {});

    ZQLineRewrite rewrite(text.attributedSubstring(affected));
    const plat::AttributedString& source = rewrite.source();
    rewrite.forEachLine([&](plat::Range line) {
            plat::Range run;
            const auto style = listStyleOf(
                ZQAttributedString::findAttributeValue(source, m_attributeName, line, 0, &run));
            if (!style || style->textLists().empty()) {
                rewrite.insert(marker);
                return;
            }
            run = plat::intersection(run, line);
            const QString format = style->textLists().back()->richMarkerFormat();
            const auto richPattern = editorType == ZQEditorType::Markup ? nullptr : richMarkerPattern(format);
            const plat::Regex* pattern
                = editorType == ZQEditorType::Markup ? &markupMarkerPattern(markupType) : richPattern.get();
            const plat::Range found = pattern ? pattern->rangeOfFirstMatch(source.string(), run) : plat::Range::notFound();
            if (found.isNotFound()) {
                rewrite.insert(marker);
                return;
            }
            const QString rest = source.string().mid(run.location, run.length).remove(
                found.location - run.location, found.length);
            if (!ZQShared::trim(rest).isEmpty()) {
                rewrite.insert(marker);
                return;
            }
            const QString foundText = source.string().mid(found.location, found.length);
            const bool lineOrdered = editorType == ZQEditorType::Markup
                ? std::any_of(foundText.begin(), foundText.end(), isDigit) || foundText == QLatin1String("#")
                : format.startsWith(QLatin1String("{decimal}"));
            if (lineOrdered == ordered)
                rewrite.remove(run);
            else
                rewrite.insert(marker);
    });
    rewrite.apply(view, affected, kActionName);
    return true;
}

void ZQListFilter::handleMarkerFromRich(plat::MutableAttributedString& content)
{
    // Only markers of a kind this filter knows.
    ZQMarkerRuns::deleteMarkers(content, m_attributeName, [](const plat::Value& value, plat::Range run) {
        const auto style = listStyleOf(value);
        const auto& levels = style ? style->textLists() : std::vector<ZQTextListPtr>();
        const bool known = std::any_of(levels.begin(), levels.end(), [](const ZQTextListPtr& level) {
            return ZQListStyle::richListMakerRegex(level->richMarkerFormat()) != nullptr;
        });
        return known ? run : plat::Range::notFound();
    });
}
