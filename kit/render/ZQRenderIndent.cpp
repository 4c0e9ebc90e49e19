// Tab, Shift-Tab and Return inside structured text: list and task levels,
// indentation steps, and the quotes, markers and whitespace a new line
// continues. Each edit is one undo step named "Indent".

#include "kit/render/ZQRender.h"

#include "kit/model/ZQBlockNodes.h"
#include "kit/parsers/ZQRichParser.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQTextNode.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQHelpTip.h"
#include "kit/model/ZSUtils.h"
#include "platform/foundation/StringLines.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/KeyEvent.h"
#include "platform/text/TextView.h"

#include <algorithm>
#include <optional>

using plat::Range;

namespace {

constexpr qint64 IndentTip = 2;
constexpr int StepSpaces = 4;

const QString& indentAction()
{
    static const QString name = QStringLiteral("Indent");
    return name;
}

bool isItemType(quint64 type)
{
    return type == ZQNodeType::ListItem || type == ZQNodeType::Task;
}

bool isContainerType(quint64 type)
{
    return type == ZQNodeType::Quote || isItemType(type);
}

// The selection's location, or the last character when it is at the end.
qsizetype caretPosition(const plat::TextView& view)
{
    const qsizetype location = view.selectedRange().location;
    return location == view.string().size() && location > 0 ? location - 1 : location;
}

std::shared_ptr<ZQTextNode> indentMarker(quint64 type, Range run, bool insideLine)
{
    auto marker = std::make_shared<ZQTextNode>();
    marker->setNodeType(type);
    marker->setContentRange(run);
    marker->setIsListMarkerInsideLine(insideLine);
    return marker;
}

void replaceUndoably(plat::TextView& view, Range range, const plat::AttributedString& replacement)
{
    ZQMutableAttributedString::replaceCharactersInRange(*view.textStorage(), range, replacement, view.undoManager(),
                                                        indentAction());
}

// The levels of a list style and the running index of each, so that a level
// change made in place can be taken back exactly.
struct ListLevels {
    ZQListStyle::TextLists lists;
    std::vector<quint64> indexes;

    static ListLevels of(const ZQListStyle& style)
    {
        ListLevels levels{style.textLists(), {}};
        for (const ZQTextListPtr& list : levels.lists)
            levels.indexes.push_back(list->listIndex());
        return levels;
    }
    void applyTo(ZQListStyle& style) const
    {
        for (std::size_t k = 0; k < lists.size(); ++k)
            lists[k]->setListIndex(indexes[k]);
        style.setTextLists(lists);
    }
};

// Sets the style, whose levels were just changed in place, over range again;
// undo gives it back the previous levels.
void settleListLevels(plat::TextStorage& storage, const QString& key, const ZQListStylePtr& style,
                      const ListLevels& previous, Range range, plat::UndoManager* undoManager)
{
    storage.beginEditing();
    storage.addAttribute(key, plat::Value(style), range);
    storage.endEditing();
    if (!undoManager)
        return;
    undoManager->registerUndo(&storage, [&storage, key, style, previous, range, undoManager] {
        const ListLevels current = ListLevels::of(*style);
        previous.applyTo(*style);
        settleListLevels(storage, key, style, current, range, undoManager);
    });
    undoManager->setActionName(indentAction());
}

} // namespace

ZQRender::IndentNodes ZQRender::lineExistedIndentMarkers(const plat::AttributedString& content, Range lineRange) const
{
    IndentNodes markers;
    const QString& text = content.string();
    content.enumerateAttributes(lineRange, plat::EnumerationReverse,
                                [&](const plat::Attributes& attributes, Range run, bool*) {
        if (ZQShared::containOnlyCharactersInSet(text, m_spaces, run))
            return;
        if (!attributes.value(ZQAttr::FilterQuote).isNull())
            markers.insert(markers.begin(), indentMarker(ZQNodeType::Quote, run, false));
        quint64 type = ZQNodeType::ListItem;
        plat::Value value = attributes.value(ZQAttr::FilterList);
        if (value.isNull()) {
            type = ZQNodeType::Task;
            value = attributes.value(ZQAttr::FilterTask);
            if (value.isNull())
                value = attributes.value(ZQAttr::InListIndent);
        }
        if (value.isNull())
            return;
        if (!markers.empty() && markers.front()->nodeType() == type) {
            markers.front()->setIsListMarkerInsideLine(true);
            return;
        }
        const auto style = value.toObject<ZQListStyle>();
        const std::size_t levels = style ? style->textLists().size() : 0;
        // One marker per level, outermost first; the innermost is the one written here.
        for (std::size_t k = 0; k < levels; ++k)
            markers.insert(markers.begin(), indentMarker(type, run, k == 0));
    });
    return markers;
}

bool ZQRender::handleTab(plat::TextView& view, quint64 flag)
{
    const plat::AttributedString content = *view.textStorage();
    const qsizetype caret = caretPosition(view);
    const Range line = plat::lineRangeForRange(content.string(), Range(caret, 0));
    const IndentNodes markers = lineExistedIndentMarkers(content, line);
    if (markers.empty() || view.selectedRange().location > markers.back()->contentRange().end())
        return false;

    // The item whose marker the caret stands before, else the first one behind it.
    std::shared_ptr<ZQTextNode> pending;
    std::shared_ptr<ZQTextNode> fallback;
    for (auto it = markers.rbegin(); it != markers.rend(); ++it) {
        const ZQTextNode& marker = **it;
        if (!isItemType(marker.nodeType())) {
            pending.reset();
            continue;
        }
        if (!marker.isListMarkerInsideLine())
            continue;
        if (marker.contentRange().location >= caret) {
            pending = *it;
            continue;
        }
        if (pending)
            break;
        fallback = *it;
    }
    const std::shared_ptr<ZQTextNode> chosen = pending ? pending : fallback;
    if (!chosen)
        return false;
    const Range markerRange = chosen->contentRange();

    if (ZSUtils::getEditorType(view) != ZQEditorType::Markup) {
        const QString& key = chosen->nodeType() == ZQNodeType::Task ? ZQAttr::FilterTask : ZQAttr::FilterList;
        const auto style = content.attributeAtIndex(key, markerRange.location).toObject<ZQListStyle>();
        if (!style)
            return false;
        // The level changes in place: every range holding the style follows.
        const ListLevels before = ListLevels::of(*style);
        if (flag == plat::ModifierFlag::Shift)
            style->decreaseLevel();
        else
            style->increaseLevel();
        if (style->textLists().size() != before.lists.size())
            settleListLevels(*view.textStorage(), key, style, before, markerRange, view.undoManager().get());
        return true;
    }

    const plat::Attributes plain = m_settings->defaultTypingAttribute(ZQEditorType::Markup);
    if (flag != plat::ModifierFlag::Shift) {
        replaceUndoably(view, Range(markerRange.location, 0), plat::AttributedString(QStringLiteral("\t"), plain));
        return true;
    }
    const QString& text = content.string();
    const qsizetype forward = ZQShared::lengthByLeadingCharactersInSet(text, m_spaces, markerRange);
    qsizetype start = markerRange.location;
    while (start > line.location && m_spaces.contains(text.at(start - 1)))
        --start;
    return shrinkTabOrSpaces(view, Range(start, markerRange.location - start + forward));
}

bool ZQRender::defaultShiftTab(plat::TextView& view)
{
    const QString& text = view.string();
    const Range line = plat::lineRangeForRange(text, Range(caretPosition(view), 0));
    shrinkTabOrSpaces(view, Range(line.location, ZQShared::lengthByLeadingCharactersInSet(text, m_spaces, line)));
    return true;
}

bool ZQRender::shrinkTabOrSpaces(plat::TextView& view, Range gapRange) const
{
    if (gapRange.isEmpty())
        return false;
    const plat::TextStorage& storage = *view.textStorage();
    const QString& text = storage.string();
    Range step = Range::notFound();
    int spaces = 0;
    for (qsizetype k = gapRange.location; k < gapRange.end(); ++k) {
        if (!storage.attributeAtIndex(ZQAttr::Readonly, k).isNull())
            continue;
        const QChar c = text.at(k);
        if (c == u'\t') {
            step = Range(k, 1);
            break;
        }
        if (c != u' ')
            break;
        step = Range(spaces == 0 ? k : step.location, spaces == 0 ? 1 : k + 1 - step.location);
        if (++spaces == StepSpaces)
            break;
    }
    if (step.location == plat::NotFound)
        return false;
    // Read-only characters among the spaces stay, with their attributes.
    plat::MutableAttributedString kept;
    if (step.length > 1) {
        storage.enumerateAttribute(ZQAttr::Readonly, step, 0, [&](const plat::Value& value, Range run, bool*) {
            if (!value.isNull())
                kept.append(storage.attributedSubstring(run));
        });
    }
    replaceUndoably(view, step, kept);
    return true;
}

bool ZQRender::handleEnter(plat::TextView& view, quint64 flag)
{
    const plat::AttributedString content = *view.textStorage();
    const QString& text = content.string();
    const Range selection = view.selectedRange();
    const plat::LineBounds bounds = plat::lineBounds(text, Range(selection.location, 0));
    const Range line = bounds.range();
    if (selection.location == line.location || line.isEmpty())
        return false;

    const ZQEditorType editorType = ZSUtils::getEditorType(view);
    IndentNodes containers;
    const bool keepsWhitespace = lineIndentForEditor(editorType, content, caretPosition(view), containers);
    const plat::Attributes plain = m_settings->defaultTypingAttribute(editorType);
    plat::MutableAttributedString indent(plat::AttributedString(QStringLiteral("\n"), plain));

    if (containers.empty()) {
        if (!keepsWhitespace || !appendTabIndent(indent, content.attributedSubstring(line)))
            return false;
        replaceUndoably(view, selection, indent);
        view.setSelectedRange(Range(selection.location + indent.length(), 0));
        return true;
    }

    IndentNodes markers = lineExistedIndentMarkers(content, line);
    qsizetype offset = 0;
    if (!markers.empty()) {
        // Markers the caret stands in or before are not continued.
        markers.erase(std::find_if(markers.begin(), markers.end(),
                                   [&](const auto& marker) { return marker->contentRange().end() > selection.location; }),
                      markers.end());
        offset = markers.empty() ? 0 : markers.back()->contentRange().end() - line.location;
        if (containers.size() > markers.size())
            containers.resize(markers.size());
    }

    enum class Mode { Continue, StepOut, EndList };
    Mode mode = Mode::Continue;
    Range replaced = selection;
    const bool withinLine = offset <= line.length;
    const Range rest = withinLine ? Range(line.location + offset, line.length - offset) : Range(line.end(), 0);
    if (withinLine && ZQShared::containOnlyCharactersInSet(text, plat::CharacterSet::whitespaceAndNewline(), rest)) {
        // An empty item: one level out, or out of the list.
        if (!containers.empty())
            containers.pop_back();
        if (!markers.empty())
            markers.pop_back();
        if (!containers.empty()) {
            mode = Mode::StepOut;
            replaced = bounds.contentsRange();
        } else {
            mode = Mode::EndList;
            replaced = line;
        }
    }

    if (mode == Mode::StepOut)
        indent.deleteCharacters(Range(0, indent.length()));
    if (mode != Mode::EndList) {
        buildIndents(containers, markers, content, indent, editorType, flag);
        if (keepsWhitespace && withinLine) {
            Range carried = rest;
            // A markup quote's range holds the space after its ">", which the
            // line's marker does not: that space is copied once only.
            if (editorType == ZQEditorType::Markup && !containers.empty()
                && containers.back()->nodeType() == ZQNodeType::Quote && indent.string().endsWith(u' ')
                && !carried.isEmpty() && text.at(carried.location) == u' ')
                carried = Range(carried.location + 1, carried.length - 1);
            appendTabIndent(indent, content.attributedSubstring(carried));
        }
    }

    replaceUndoably(view, replaced, indent);
    view.setSelectedRange(Range(replaced.location + indent.length(), 0));
    ZQHelpTip::sharedTip()->fire(IndentTip);
    view.setTypingAttributes(plain);
    return true;
}

bool ZQRender::lineIndentForEditor(ZQEditorType editorType, const plat::AttributedString& content, qsizetype atLocation,
                                   IndentNodes& indentList)
{
    if (content.length() == 0)
        return false;
    const Range whole(0, content.length());
    // The markup is read in the page's dialect, as it was styled.
    const qint64 option = m_settings->markupType() == ZQMarkupType::QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0;
    const ZSTree tree = editorType == ZQEditorType::Markup
        ? m_textblockParser->processDocTree(content.string(), whole, nullptr, nullptr, nullptr, option)
        : m_richDocTreeParser->processDocTree(content, nullptr, whole);

    std::optional<quint64> innermostBlock;
    for (ZSTree node = findTreeNode(tree, atLocation); node && !node.isRoot(); node = node.parent()) {
        const auto object = ZQBlockNodes::textNodeOf(node);
        if (!object)
            continue;
        const quint64 type = object->nodeType();
        if (isContainerType(type))
            indentList.insert(indentList.begin(), object);
        if (!innermostBlock && type != ZQNodeType::Paragraph && type != ZQNodeType::BlankLine)
            innermostBlock = type;
    }
    if (innermostBlock == ZQNodeType::Quote)
        return true;
    const bool literal = innermostBlock == ZQNodeType::FencedCode || innermostBlock == ZQNodeType::IndentedCode
        || innermostBlock == ZQNodeType::HtmlBlock;
    // A code or HTML line inside an item goes on as code: its leading
    // whitespace already holds the item's indentation, and a marker would end the block.
    if (literal) {
        indentList.erase(std::remove_if(indentList.begin(), indentList.end(),
                                        [](const auto& container) { return isItemType(container->nodeType()); }),
                         indentList.end());
    }
    return literal;
}

ZSTree ZQRender::findTreeNode(const ZSTree& tree, qsizetype atLocation)
{
    ZSTree node = tree.firstChild();
    for (;;) {
        ZSTree found;
        for (ZSTree sibling = node; sibling; sibling = sibling.nextSibling()) {
            const auto object = ZQBlockNodes::textNodeOf(sibling);
            if (object && object->lineRange().location > atLocation)
                break;
            found = sibling;
        }
        node = found;
        if (!node)
            return node;
        const auto object = ZQBlockNodes::textNodeOf(node);
        if ((object && object->lineRange().contains(atLocation)) || node.isLeaf())
            break;
        node = node.firstChild();
    }
    while (node && !node.isLeaf()) {
        const auto object = ZQBlockNodes::textNodeOf(node);
        if (object && object->contentRange().contains(atLocation))
            break;
        node = node.firstChild();
    }
    return node;
}

void ZQRender::buildIndents(const IndentNodes& indentList, const IndentNodes& lineIndents,
                            const plat::AttributedString& content, plat::MutableAttributedString& indent,
                            ZQEditorType editorType, quint64 flag) const
{
    std::vector<std::size_t> marked;
    for (std::size_t k = 0; k < lineIndents.size(); ++k) {
        if (lineIndents[k]->isListMarkerInsideLine() && isItemType(lineIndents[k]->nodeType()))
            marked.push_back(k);
    }
    std::size_t lastList = indentList.size();
    for (std::size_t k = indentList.size(); k-- > 0;) {
        if (isItemType(indentList[k]->nodeType())) {
            lastList = k;
            break;
        }
    }
    marked.erase(std::remove(marked.begin(), marked.end(), lastList), marked.end());

    const plat::Attributes plain = m_settings->defaultTypingAttribute(editorType);
    for (std::size_t k = 0; k < indentList.size(); ++k) {
        const ZQTextNode& container = *indentList[k];
        if (container.nodeType() == ZQNodeType::Quote) {
            indent.append(ZQAttributedString::deepCopy(content.attributedSubstring(container.contentRange())));
        } else if (flag == plat::ModifierFlag::Control) {
            if (k != lastList)
                continue;
            // The item's text goes on without a marker: a list-indent tab in
            // rich text, the item's content column in markup.
            if (editorType == ZQEditorType::Markup) {
                indent.append(plat::AttributedString(QString(container.indentLength() + 1, u' '), plain));
            } else {
                const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(container);
                if (info && info->listStyle()) {
                    indent.append(plat::AttributedString(
                        QStringLiteral("\t"), m_highlighter->listIndentTabRich(
                                                  info->listStyle(), container.nodeType() == ZQNodeType::Task)));
                }
            }
        } else if (k == lastList) {
            indent.append(cloneMarker(content, container, editorType));
        } else if (editorType == ZQEditorType::Markup) {
            indent.append(plat::AttributedString(QString(container.contentRange().length, u' '), plain));
        } else if (std::find(marked.begin(), marked.end(), k) != marked.end()) {
            indent.append(cloneMarker(content, container, editorType));
        }
    }
}

plat::AttributedString ZQRender::cloneMarker(const plat::AttributedString& content, const ZQTextNode& nodeObj,
                                             ZQEditorType editorType) const
{
    const plat::MutableAttributedString marker =
        ZQAttributedString::deepCopy(content.attributedSubstring(nodeObj.contentRange()));
    const auto info = ZQBlockNodes::infoOf<ZQTextNodeListItem>(nodeObj);
    if (nodeObj.nodeType() == ZQNodeType::Task) {
        const ZQListStylePtr style = info && info->listStyle()
            ? plat::objectCast<ZQListStyle>(info->listStyle()->copy())
            : nullptr;
        return replaceTaskWithNew(marker, style, editorType);
    }
    if (info && info->isOrdered()) {
        info->setMarkerOrderIndex(info->markerOrderIndex() + 1);
        return incrementOrderListMarker(marker, info->markerOrderIndex());
    }
    return marker;
}

plat::AttributedString ZQRender::replaceTaskWithNew(const plat::AttributedString& marker,
                                                    const ZQListStylePtr& listStyle, ZQEditorType editorType) const
{
    // Rich and block editors hold rich task markers; only markup is rewritten in place.
    if (editorType != ZQEditorType::Markup) {
        for (const plat::ObjectPtr& filter : m_filterProvider->container()) {
            if (const auto task = plat::objectCast<ZQTaskFilter>(filter))
                return task->taskRichMarkerForState(QStringLiteral(" "), listStyle);
        }
        return marker;
    }
    const QString& text = marker.string();
    const qsizetype open = text.indexOf(u'[');
    const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
    if (close < 0 || close - open > 2)
        return marker;
    plat::MutableAttributedString unchecked(marker);
    unchecked.replaceCharacters(Range(open, close - open + 1),
                                plat::AttributedString(QStringLiteral("[ ]"), marker.attributesAtIndex(open)));
    return unchecked;
}

plat::AttributedString ZQRender::incrementOrderListMarker(const plat::AttributedString& marker, qint64 index)
{
    const QString& text = marker.string();
    const plat::CharacterSet& digits = plat::CharacterSet::decimalDigits();
    qsizetype start = 0;
    while (start < text.size() && !digits.contains(text.at(start)))
        ++start;
    if (start == text.size())
        return marker;
    const qsizetype length = ZQShared::lengthByLeadingCharactersInSet(text, digits, Range(start, text.size() - start));
    if (start + length == text.size())
        return marker;
    plat::MutableAttributedString numbered(marker);
    if (const auto style = marker.attributeAtIndex(ZQAttr::FilterList, start).toObject<ZQListStyle>();
        style && !style->textLists().empty()) {
        const ZQTextListPtr& innermost = style->textLists().back();
        innermost->setListIndex(innermost->listIndex() + 1);
    }
    numbered.replaceCharacters(Range(start, length), QString::number(index));
    return numbered;
}

bool ZQRender::appendTabIndent(plat::MutableAttributedString& indent, const plat::AttributedString& line) const
{
    const qsizetype length = ZQShared::lengthByLeadingCharactersInSet(line.string(), m_spaces);
    if (length == 0)
        return false;
    indent.append(line.attributedSubstring(Range(0, length)));
    return true;
}
