// Attribute repair after edits: the rich text's block tree says what the list
// markers, tab stops, indentation tabs and code-block parts must be, and the
// repair makes the attributes agree. Text changes (renumbered markers, deleted
// tabs) run from the end of the text towards its start, so the tree's ranges
// stay valid for every repair still to come.

#include "kit/render/ZQRender.h"

#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/parsers/ZQRichParser.h"
#include "kit/filters/ZQViewEditing.h"
#include "kit/foundation/Exs.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQTextNodeInfo.h"
#include "kit/render/ZQEditTracker.h"
#include "kit/render/ZQFixAttribute.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/StringLines.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextView.h"

#include <algorithm>
#include <cmath>
#include <optional>

using plat::Range;

namespace {

using UnusedListIndentTabs = std::vector<std::shared_ptr<ZQTextNodeListIndentTabs>>;
using FixAttributes = std::vector<ZQFixAttributePtr>;

// Differences below single precision are none.
constexpr double IndentEpsilon = 1.1920928955078125e-7;

std::shared_ptr<ZQTextNode> textNodeOf(const ZSTree& tree)
{
    return std::dynamic_pointer_cast<ZQTextNode>(tree.object());
}

bool isItemNode(const ZQTextNode& node)
{
    return node.nodeType() == ZQNodeType::ListItem || node.nodeType() == ZQNodeType::Task;
}

const plat::CharacterSet& tabCharacters()
{
    static const plat::CharacterSet tabs = plat::CharacterSet::fromString(QStringLiteral("\t"));
    return tabs;
}

bool onlyTabs(const plat::AttributedString& content, Range range)
{
    return ZQShared::containOnlyCharactersInSet(content.string(), tabCharacters(), range);
}

plat::ParagraphStylePtr paragraphStyleAt(const plat::AttributedString& content, qsizetype index)
{
    if (index < 0 || index >= content.length())
        return nullptr;
    return content.attributeAtIndex(plat::ParagraphStyleAttribute, index).toObject<plat::ParagraphStyle>();
}

// The value covers the whole range in one run.
bool carriedWhole(const plat::AttributedString& content, const QString& name, Range range)
{
    Range run;
    const plat::Value value = content.attributeAtIndexLongestEffectiveRange(name, range.location, &run, range);
    return !value.isNull() && run == range;
}

// The runs of an attribute that have a value within range, in text order.
std::vector<Range> valueRuns(const plat::AttributedString& content, const QString& name, Range range)
{
    std::vector<Range> runs;
    content.enumerateAttribute(name, range, 0, [&](const plat::Value& value, Range run, bool*) {
        if (!value.isNull())
            runs.push_back(run);
    });
    return runs;
}

// What a construct marks its text with. A blank line that carries none of it
// ends every construct before it.
const QStringList& constructNames()
{
    static const QStringList names{ZQAttr::FilterQuote,     ZQAttr::FilterList,   ZQAttr::FilterTask,
                                   ZQAttr::FilterHeading,   ZQAttr::FilterDivider, ZQAttr::FilterCodeBlock,
                                   ZQAttr::InListIndent,    ZQAttr::IndentBlock,  ZQAttr::Raw,
                                   ZQAttr::MacroFootnote,   ZQAttr::TextBlock,    ZQAttr::Readonly};
    return names;
}

// In repaired text, a line of spaces and a line break that carries no
// construct (nor a native text list) is a blank line of the page's root: the
// block tree after it is the tree of a text beginning there, and no run of a
// construct's marks reaches across it.
bool isRootBlankLine(const plat::AttributedString& content, Range line)
{
    const QString& text = content.string();
    if (line.length == 0)
        return false;
    for (qsizetype i = line.location; i < line.end(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c != u' ' && c != u'\n' && c != u'\r')
            return false;
    }
    bool marked = false;
    content.enumerateAttributes(line, 0, [&](const plat::Attributes& attributes, Range, bool* stop) {
        const auto style = attributes.value(plat::ParagraphStyleAttribute).toObject<plat::ParagraphStyle>();
        marked = (style && !style->textLists().empty())
            || std::any_of(constructNames().begin(), constructNames().end(),
                           [&](const QString& name) { return attributes.contains(name); });
        *stop = marked;
    });
    return !marked;
}

// The start of the line holding position, moved back past every line that
// is not a blank line of the root.
qsizetype rootLineStartBefore(const plat::AttributedString& content, qsizetype position)
{
    const QString& text = content.string();
    qsizetype start = plat::lineBounds(text, Range(position, 0)).start;
    while (start > 0) {
        const Range before = plat::lineBounds(text, Range(start - 1, 0)).range();
        if (isRootBlankLine(content, before))
            break;
        start = before.location;
    }
    return start;
}

// The end of the lines that edited touches.
qsizetype editedLinesEnd(const plat::AttributedString& content, Range edited)
{
    const QString& text = content.string();
    if (edited.end() >= text.size())
        return text.size();
    return plat::lineBounds(text, Range(edited.length > 0 ? edited.end() - 1 : edited.location, 0)).end;
}

// The end of the first blank line of the root that starts at or after position.
qsizetype rootLineEndAfter(const plat::AttributedString& content, qsizetype position)
{
    const QString& text = content.string();
    while (position < text.size()) {
        const Range line = plat::lineBounds(text, Range(position, 0)).range();
        position = line.end();
        if (isRootBlankLine(content, line))
            break;
    }
    return position;
}

// The tree source of the repair: the rich parser over a copy of the text.
ZSTree richBlockTree(ZQRichParser& parser, const plat::AttributedString& content, UnusedListIndentTabs& unusedTabs)
{
    const plat::AttributedString copy = content;
    return parser.processDocTree(copy, &unusedTabs, Range(0, copy.length()));
}

// One run of list items: numbering, nesting levels, tab stops and the
// indentation tabs of their continuation lines.
class ListItemChecker {
public:
    // line: the line found last, kept by the caller from run to run.
    ListItemChecker(const plat::AttributedString& content, const ZQHighlighter& highlighter, plat::LineBounds& line)
        : m_content(content), m_highlighter(highlighter), m_line(line) {}

    FixAttributes check(const ZSTree& first, std::vector<Range>& contentRangeWithinList)
    {
        FixAttributes fixes;
        qint64 startNumber = -1;
        qint64 itemNumber = -1;
        first.enumerateTreeSibling(ZSTree::SiblingsForward, [&](const ZSTree& sibling, bool, bool, bool* stop) {
            const auto node = textNodeOf(sibling);
            if (!node || !isItemNode(*node)) {
                *stop = true;
                return;
            }
            const auto info = std::dynamic_pointer_cast<ZQTextNodeListItem>(node->nodeInfo());
            const ZQListStylePtr style = info ? info->listStyle() : nullptr;
            if (!style || style->depth() == 0)
                return;
            node->setNodeStatus(node->nodeStatus() | ZQTextNode::StatusStyled);
            contentRangeWithinList.push_back(node->lineRange());
            const bool task = node->nodeType() == ZQNodeType::Task;
            const ZQTextListPtr current = style->innermost();

            addLeadingTabs(*info, *style, current, fixes);
            qint64 needFix = numbering(*info, *style, current, startNumber, itemNumber);
            needFix |= levels(*node, *style, task);
            addIndentTabs(sibling, *info, style, task, needFix, fixes);
            if (needFix) {
                const Range line = lineOf(node->markerRange());
                fixes.push_back(ZQFixAttribute::initWithListStyle(style, sibling, false, node->markerRange(), line,
                                                                  info->taskStateMarker(), needFix));
            }
        });
        return fixes;
    }

private:
    // The line holding range. Items nested on one line share it: it is found
    // once rather than once per item over the whole line.
    Range lineOf(Range range)
    {
        if (!(m_line.start <= range.location && range.end() <= m_line.contentsEnd))
            m_line = plat::lineBounds(m_content.string(), range);
        return m_line.range();
    }

    // A tab typed before the marker nests the item one level deeper; the tab goes.
    void addLeadingTabs(const ZQTextNodeListItem& info, ZQListStyle& style, const ZQTextListPtr& current,
                        FixAttributes& fixes) const
    {
        if (!info.leadingTab())
            return;
        for (const auto& tab : info.leadingTab()->tabs()) {
            if (!onlyTabs(m_content, tab->markerRange()))
                continue;
            auto& levels = style.textLists();
            levels.insert(levels.begin(), std::static_pointer_cast<ZQTextList>(current->copy()));
            fixes.push_back(ZQFixAttribute::initForDeletedTabRange(tab->markerRange()));
        }
    }

    // Ordered items count on from the first of their stretch.
    static qint64 numbering(const ZQTextNodeListItem& info, ZQListStyle& style, const ZQTextListPtr& current,
                            qint64& startNumber, qint64& itemNumber)
    {
        if (!current->isOrderList()) {
            startNumber = itemNumber = -1;
            return 0;
        }
        if (startNumber < 0) {
            startNumber = info.markerOrderStartIndex();
            itemNumber = startNumber;
        } else {
            ++itemNumber;
        }
        auto expected = ZQTextList::initWithMarkerFormat(current->richMarkerFormat(), quint64(startNumber));
        expected->setListIndex(quint64(itemNumber));
        if (current->isEqual(*expected))
            return 0;
        style.setInnermost(expected);
        return ZQFixAttribute::FixMarkerAttributes
            | (current->listIndex() != quint64(itemNumber) ? ZQFixAttribute::FixRenumber : 0);
    }

    qint64 levels(const ZQTextNode& node, ZQListStyle& style, bool task) const
    {
        const qint64 depth = style.depth();
        if (style.level() != depth) {
            style.setLevel(depth);
            return ZQFixAttribute::FixMarkerAttributes | ZQFixAttribute::FixTabStops;
        }
        const auto paragraph = paragraphStyleAt(m_content, node.lineRange().location);
        if (paragraph && m_highlighter.tabStopsVerify(*paragraph, style.level(), 0.0, false, task))
            return 0;
        return ZQFixAttribute::FixMarkerAttributes | ZQFixAttribute::FixTabStops;
    }

    // The first tab of a continuation line carries the item's style; the last
    // ones stay as indentation, surplus tab-only ones between them go.
    void addIndentTabs(const ZSTree& item, const ZQTextNodeListItem& info, const ZQListStylePtr& style, bool task,
                       qint64 itemFix, FixAttributes& fixes) const
    {
        constexpr qint64 Restyle = ZQFixAttribute::FixMarkerAttributes | ZQFixAttribute::FixTabStops;
        qint64 flag = (itemFix & ZQFixAttribute::FixTabStops) ? Restyle : 0;
        const qint64 depth = style->depth();
        for (const auto& group : info.listIndentTabs()) {
            if (!group || group->tabs().empty())
                continue;
            const auto& tabs = group->tabs();
            const qint64 count = qint64(tabs.size());
            const qint64 kept = group->level() > style->level() ? group->level() - style->level() + 1 : 1;
            const qint64 limit = count - kept;

            const auto& firstStyle = tabs.front()->listStyle();
            const auto paragraph = paragraphStyleAt(m_content, group->lineRange().location);
            const bool stale = !firstStyle || !firstStyle->isEqual(*style) || firstStyle->level() != depth
                || !paragraph || !m_highlighter.tabStopsVerify(*paragraph, style->level(), 0.0, true, task);
            if (stale)
                flag = Restyle;
            if (flag == Restyle)
                fixes.push_back(ZQFixAttribute::initWithListStyle(style, item, true, tabs.front()->markerRange(),
                                                                  group->lineRange(), QString(), Restyle));
            for (qint64 i = 1; i < count; ++i) {
                const Range range = tabs[std::size_t(i)]->markerRange();
                fixes.push_back(i <= limit && onlyTabs(m_content, range) ? ZQFixAttribute::initForDeletedTabRange(range)
                                                                        : ZQFixAttribute::initForUnusedTabRange(range));
            }
        }
    }

    const plat::AttributedString& m_content;
    const ZQHighlighter& m_highlighter;
    plat::LineBounds& m_line;
};

// The tree pass: what each block says its text must carry.
class TreeChecker {
public:
    TreeChecker(plat::MutableAttributedString& content, const ZQHighlighter& highlighter)
        : m_content(content), m_highlighter(highlighter) {}

    void visit(const ZSTree& tree)
    {
        const auto node = textNodeOf(tree);
        if (!node)
            return;
        switch (node->nodeType()) {
        case ZQNodeType::ListItem:
        case ZQNodeType::Task:
            if (!(node->nodeStatus() & ZQTextNode::StatusStyled)) {
                FixAttributes found = ListItemChecker(m_content, m_highlighter, m_itemLine).check(tree, m_listLines);
                m_fixes.insert(m_fixes.end(), found.begin(), found.end());
            }
            break;
        case ZQNodeType::Paragraph:
            if (!ZQRender::isInsideList(tree))
                checkParagraphIndent(*node);
            break;
        case ZQNodeType::FencedCode:
            checkFencedCodeBlock(tree, *node);
            break;
        case ZQNodeType::IndentedCode:
            checkIndentedCodeBlock(*node);
            break;
        default:
            break;
        }
    }

    FixAttributes& fixes() { return m_fixes; }
    std::vector<Range>& fencedRanges() { return m_fencedRanges; }
    std::vector<Range>& indentedRanges() { return m_indentedRanges; }

private:
    // An indent left over from a former list.
    void checkParagraphIndent(const ZQTextNode& node)
    {
        m_content.enumerateAttribute(plat::ParagraphStyleAttribute, node.lineRange(), 0,
                                     [&](const plat::Value& value, Range range, bool*) {
                                         const auto style = value.toObject<plat::ParagraphStyle>();
                                         if (style && std::fabs(style->headIndent()) >= IndentEpsilon)
                                             m_fixes.push_back(ZQFixAttribute::initForParagraphTabStopFix(range));
                                     });
    }

    void checkFencedCodeBlock(const ZSTree& block, const ZQTextNode& fence)
    {
        m_fencedRanges.push_back(fence.markerRange().isNotFound()
                                     ? fence.contentRange()
                                     : plat::unionRange(fence.markerRange(), fence.contentRange()));
        QString key;
        block.enumerateTreeChildren(ZSTree::ChildrenForward, [&](const ZSTree& child, bool, bool, bool*) {
            const auto line = textNodeOf(child);
            if (!line || line->contentRange().length == 0)
                return;
            const bool closing = line->nodeStatus() & ZQTextNode::StatusFenceClosed;
            Range range = line->contentRange();
            if (closing) {
                const qsizetype trailing = ZQShared::lengthByTrailingCharactersInSet(
                    m_content.string(), plat::CharacterSet::whitespaceAndNewline(), range);
                range.length -= trailing;
            }
            if (range.length > 0 && !carriedWhole(m_content, ZQAttr::FilterCodeBlock, range)) {
                if (key.isEmpty())
                    key = pairingKey(fence);
                m_content.setAttributes(m_highlighter.codeblockRich(closing ? QStringLiteral("E") : QStringLiteral("B"),
                                                                    key),
                                        range);
            }
            m_fencedRanges.push_back(range);
        });
    }

    // The opening fence's key. A fence without one gets a new key of the kind
    // every rich fence carries, so that both fences and the body stay one unit.
    QString pairingKey(const ZQTextNode& fence)
    {
        const Range marker = fence.markerRange();
        if (marker.isNotFound() || marker.location >= m_content.length())
            return QStringLiteral("paired-") + ZSUtils::uuid();
        const QString found = m_content.attributeAtIndex(ZQAttr::Readonly, marker.location).toString();
        if (!found.isEmpty())
            return found;
        const QString key = QStringLiteral("paired-") + ZSUtils::uuid();
        if (marker.length > 0) {
            m_content.addAttribute(ZQAttr::Readonly, key, marker);
            m_content.addAttribute(ZQAttr::Raw, key, marker);
        }
        return key;
    }

    void checkIndentedCodeBlock(const ZQTextNode& node)
    {
        const Range range = node.contentRange();
        if (range.length == 0)
            return;
        m_indentedRanges.push_back(range);
        if (carriedWhole(m_content, ZQAttr::IndentBlock, range))
            return;
        auto colouring = ZQRenderUtil::cachingCodeBlockHighlighting(m_content, range);
        m_content.setAttributes(m_highlighter.indentCodeblockRich(), range);
        ZQRenderUtil::restoreCodeBlockHighlighting(m_content, colouring, range);
    }

    plat::MutableAttributedString& m_content;
    const ZQHighlighter& m_highlighter;
    FixAttributes m_fixes;
    std::vector<Range> m_listLines;
    plat::LineBounds m_itemLine{-1, -1, -1};
    std::vector<Range> m_fencedRanges;
    std::vector<Range> m_indentedRanges;
};

// Removes a code styling from the parts of its runs within range that lie in
// no block of its kind.
template <class Remove>
void removeStaleRuns(plat::MutableAttributedString& content, const QString& name, std::vector<Range> blocks,
                     Range range, const Remove& remove)
{
    std::sort(blocks.begin(), blocks.end(), [](Range a, Range b) { return a.location < b.location; });
    const std::vector<Range> runs = valueRuns(content, name, range);
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        // Only the blocks that can meet this run.
        auto from = std::lower_bound(blocks.begin(), blocks.end(), run->location,
                                     [](Range block, qsizetype location) { return block.end() <= location; });
        std::vector<Range> meeting;
        for (auto block = from; block != blocks.end() && block->location <= run->end(); ++block)
            meeting.push_back(*block);
        const std::vector<Range> pieces = ZSUtils::rangeSubstrcts(*run, meeting);
        for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece)
            remove(*piece);
    }
}

// Carries the records out from the highest marker down; deletions last.
class FixRunner {
public:
    FixRunner(plat::MutableAttributedString& content, const ZQHighlighter& highlighter, const ZSSettings& settings)
        : m_content(content), m_highlighter(highlighter), m_settings(settings) {}

    void run(FixAttributes& fixes)
    {
        std::stable_sort(fixes.begin(), fixes.end(), [](const ZQFixAttributePtr& a, const ZQFixAttributePtr& b) {
            return a->markerRange().location > b->markerRange().location;
        });
        for (std::size_t i = 0; i < fixes.size(); ++i)
            carryOut(fixes, i);

        // Renumbered markers before a tab moved it by their change in length.
        std::reverse(m_renumbered.begin(), m_renumbered.end());
        for (std::size_t i = 1; i < m_renumbered.size(); ++i)
            m_renumbered[i].second += m_renumbered[i - 1].second;
        for (const auto& fix : fixes) {
            if (!(fix->needFix() & ZQFixAttribute::FixDeleteTab))
                continue;
            const Range tab = fix->markerRange();
            auto before = std::lower_bound(m_renumbered.begin(), m_renumbered.end(), tab.location,
                                           [](const auto& renumbered, qsizetype at) { return renumbered.first < at; });
            const qsizetype shift = before == m_renumbered.begin() ? 0 : std::prev(before)->second;
            m_content.deleteCharacters(Range(tab.location + shift, tab.length));
        }
    }

private:
    void carryOut(FixAttributes& fixes, std::size_t index)
    {
        ZQFixAttribute& fix = *fixes[index];
        const qint64 bits = fix.needFix();
        const ZQListStylePtr& style = fix.listStyle();
        if ((bits & ZQFixAttribute::FixRenumber) && style && style->depth() > 0)
            renumber(fixes, index);
        if (bits & ZQFixAttribute::FixMarkerAttributes)
            m_content.setAttributes(markerAttributes(fix), fix.markerRange());
        if (bits & ZQFixAttribute::FixUnusedTab) {
            m_content.removeAttribute(ZQAttr::InListIndent, fix.markerRange());
            m_content.removeAttribute(ZQAttr::Readonly, fix.markerRange());
        }
        if (bits & ZQFixAttribute::FixDefaultParagraph)
            m_content.addAttribute(plat::ParagraphStyleAttribute,
                                   plat::Value(m_settings.defaultParagraphStyle(ZQEditorType::Rich)), fix.lineRange());
        if ((bits & ZQFixAttribute::FixTabStops) && style)
            setListTabStops(fix);
    }

    // The marker text anew; the records still to come whose line holds the
    // marker follow its change in length.
    void renumber(FixAttributes& fixes, std::size_t index)
    {
        ZQFixAttribute& fix = *fixes[index];
        const ZQTextListPtr level = fix.listStyle()->innermost();
        const QString marker = QStringLiteral("\t%1\t").arg(level->markerForItemNumber(level->listIndex()));
        const Range old = fix.markerRange();
        m_content.replaceCharacters(old, plat::AttributedString(marker, m_highlighter.listRich(fix.listStyle())));
        const qsizetype delta = marker.size() - old.length;
        m_renumbered.emplace_back(old.location, delta);
        fix.setMarkerRange(Range(old.location, marker.size()));
        const qsizetype lineStart = plat::lineRangeForRange(m_content.string(), Range(old.location, 0)).location;
        for (std::size_t i = index; i < fixes.size() && fixes[i]->markerRange().location >= lineStart; ++i) {
            const Range line = fixes[i]->lineRange();
            if (line.location <= old.location && old.location < line.end())
                fixes[i]->setLineRange(Range(line.location, line.length + delta));
        }
    }

    plat::Attributes markerAttributes(const ZQFixAttribute& fix) const
    {
        switch (fix.attributeFixType()) {
        case ZQFixAttribute::TaskMarker:
            return m_highlighter.taskRich(fix.listStyle(), fix.taskStateMarker());
        case ZQFixAttribute::ListIndentTab:
        case ZQFixAttribute::TaskIndentTab:
            return m_highlighter.listIndentTabRich(fix.listStyle(), fix.isForTask());
        default:
            return m_highlighter.listRich(fix.listStyle());
        }
    }

    void setListTabStops(const ZQFixAttribute& fix)
    {
        const qint64 depth = fix.listStyle()->depth();
        std::vector<std::pair<Range, plat::ParagraphStylePtr>> restyled;
        m_content.enumerateAttribute(plat::ParagraphStyleAttribute, fix.lineRange(), plat::EnumerationReverse,
                                     [&](const plat::Value& value, Range range, bool*) {
                                         const auto style = value.toObject<plat::ParagraphStyle>();
                                         if (!style)
                                             return;
                                         auto copy = style->mutableCopy();
                                         m_highlighter.tabStopsForList(*copy, depth, 0.0, fix.isForTab(),
                                                                       fix.isForTask());
                                         restyled.emplace_back(range, std::move(copy));
                                     });
        for (const auto& [range, style] : restyled)
            m_content.addAttribute(plat::ParagraphStyleAttribute, plat::Value(style), range);
    }

    plat::MutableAttributedString& m_content;
    const ZQHighlighter& m_highlighter;
    const ZSSettings& m_settings;
    // Location and change in length of each renumbered marker, in the order done.
    std::vector<std::pair<qsizetype, qsizetype>> m_renumbered;
};

} // namespace

bool ZQRender::isInsideList(const ZSTree& node)
{
    for (ZSTree ancestor = node.parent(); ancestor && !ancestor.isRoot(); ancestor = ancestor.parent()) {
        const auto item = textNodeOf(ancestor);
        if (item && isItemNode(*item))
            return true;
    }
    return false;
}

void ZQRender::fixRichAttributes(plat::TextView& view)
{
    plat::TextStorage& storage = *view.textStorage();
    // The repair is part of the edit that called for it: undo takes it back
    // first, so that the edit's own undo meets the text it left (renumbered
    // markers and dropped tabs change its length).
    const std::shared_ptr<plat::UndoManager>& undo = view.undoManager();
    std::optional<plat::AttributedString> before;
    const Range selectionBefore = view.selectedRange();
    if (undo && undo->isUndoRegistrationEnabled())
        before.emplace(storage);
    plat::Attributes typing = view.typingAttributes();
    const bool followed = m_editTracker && m_editTracker->follows(storage);
    if (!followed)
        m_editTracker = std::make_shared<ZQEditTracker>(view.textStorage());
    const ZQEditTracker ownEdits(view.textStorage());
    const bool changed = followed
        ? fixRichContentAttributesAfterEdits(storage, view.selectedRange(), typing, *m_editTracker)
        : fixRichContentAttributes(storage, view.selectedRange(), typing);
    // What the repair changed itself is looked at again next time, as the
    // whole text would be.
    m_editTracker->setEditedRange(ownEdits.editedRange());
    if (before && !ownEdits.editedRange().isNotFound()) {
        undo->registerUndo(&view, [&view, text = *before, selectionBefore] {
            ZQViewEditing::replace(view, Range(0, view.textStorage()->length()), text, selectionBefore, QString());
        });
    }

    // The view's selection has followed the repair's edits.
    const Range selected = view.selectedRange();
    if (selected.isNotFound() || selected.end() > storage.length())
        return;
    if (changed)
        view.setTypingAttributes(typing);
    if (selected.length == 0 && selected.location < storage.length()
        && view.typingAttributes().contains(ZQAttr::TextBlock)
        && storage.attributeAtIndex(ZQAttr::TextBlock, selected.location).isNull())
        view.setTypingAttributes(m_settings->defaultTypingAttribute(ZQEditorType::Rich));
}

bool ZQRender::fixRichContentAttributes(plat::MutableAttributedString& content, Range selRange,
                                        plat::Attributes& typingAttributes)
{
    const bool changed = runAttributeFixers(content, selRange, typingAttributes, Range(0, content.length()));
    if (content.length() == 0)
        return changed;
    UnusedListIndentTabs unusedTabs;
    const ZSTree root = richBlockTree(*m_richDocTreeParser, content, unusedTabs);
    return repairBlocks(content, root, unusedTabs, Range(0, content.length())) || changed;
}

bool ZQRender::fixRichContentAttributesAfterEdits(plat::MutableAttributedString& content, Range selRange,
                                                  plat::Attributes& typingAttributes, const ZQEditTracker& edits)
{
    // Without an edit the selection's construct is looked at, as a whole
    // repair would look at it.
    const auto edited = [&] {
        const Range range = edits.editedRange();
        return range.isNotFound() ? Range(std::clamp<qsizetype>(selRange.location, 0, content.length()), 0) : range;
    };
    Range reach = edited();
    const qsizetype start = rootLineStartBefore(content, reach.location);
    const qsizetype end = rootLineEndAfter(content, editedLinesEnd(content, reach));
    bool changed = runAttributeFixers(content, selRange, typingAttributes, Range(start, end - start));
    if (content.length() == 0)
        return changed;

    // What the fixers edited is repaired with the rest.
    reach = edited();
    const qsizetype from = rootLineStartBefore(content, reach.location);
    UnusedListIndentTabs unusedTabs;
    qsizetype parsedTo = content.length();
    ZSTree root = m_richDocTreeParser->processDocTree(
        content, &unusedTabs, from, editedLinesEnd(content, reach),
        [&](Range blankLine) { return isRootBlankLine(content, blankLine); }, parsedTo);
    if (root)
        return repairBlocks(content, root, unusedTabs, Range(from, parsedTo - from)) || changed;
    // A native text list: only the whole text tells its items.
    unusedTabs.clear();
    root = richBlockTree(*m_richDocTreeParser, content, unusedTabs);
    return repairBlocks(content, root, unusedTabs, Range(0, content.length())) || changed;
}

bool ZQRender::runAttributeFixers(plat::MutableAttributedString& content, Range selRange,
                                  plat::Attributes& typingAttributes, Range inRange)
{
    const bool whole = inRange == Range(0, content.length());
    bool changed = false;
    for (const plat::ObjectPtr& member : m_attirbuteFixers) {
        auto* fixer = dynamic_cast<ZQAttributeFixer*>(member.get());
        if (!fixer)
            continue;
        auto* ranged = whole ? nullptr : dynamic_cast<ZQRangedAttributeFixer*>(member.get());
        auto call = [&](ZQAttributeFixer& role) {
            return ranged ? ranged->fixRichAttributeInRange(content, selRange, typingAttributes, inRange)
                          : role.fixRichAttribute(content, selRange, typingAttributes);
        };
        changed = ZQFilterDispatch::guardedCall(*fixer, call, "fixRichAttribute") || changed;
    }
    return changed;
}

bool ZQRender::repairBlocks(plat::MutableAttributedString& content, const ZSTree& root,
                            UnusedListIndentTabs& unusedTabs, Range range)
{
    TreeChecker checker(content, *m_highlighter);
    root.enumerateTreeRootFirst([&](const ZSTree& node, bool*) {
        if (node != root)
            checker.visit(node);
    });

    removeStaleRuns(content, ZQAttr::FilterCodeBlock, checker.fencedRanges(), range,
                    [&](Range stale) { m_highlighter->removeCodeblockRich(content, stale); });
    removeStaleRuns(content, ZQAttr::IndentBlock, checker.indentedRanges(), range,
                    [&](Range stale) { m_highlighter->removeIndentCodeblockRich(content, stale); });

    FixAttributes& fixes = checker.fixes();
    for (const auto& group : unusedTabs) {
        for (const auto& tab : group->tabs()) {
            if (!tab->listStyle())
                continue;
            fixes.push_back(ZQFixAttribute::initForParagraphTabStopFix(tab->markerRange()));
            fixes.push_back(ZQFixAttribute::initForUnusedTabRange(tab->markerRange()));
        }
    }
    const qsizetype lengthBefore = content.length();
    FixRunner(content, *m_highlighter, *m_settings).run(fixes);
    // The records only edit within the range.
    const Range repaired(range.location, range.length + content.length() - lengthBefore);

    // Raw text is legitimate only inside code and tags.
    std::vector<Range> strayRaw;
    for (const Range run : valueRuns(content, ZQAttr::Raw, repaired)) {
        const bool legitimate = std::any_of(m_rawFilterNames.begin(), m_rawFilterNames.end(), [&](const QString& name) {
            return !content.attributeAtIndex(name, run.location).isNull();
        });
        if (!legitimate)
            strayRaw.push_back(run);
    }
    for (const Range run : strayRaw)
        content.removeAttribute(ZQAttr::Raw, run);

    content.beginEditing();
    content.fixAttributes(repaired);
    content.endEditing();
    applyObliquenessForItalic(content, repaired);
    return !strayRaw.empty();
}

void ZQRender::fixMarkupAttributes(plat::MutableAttributedString& markup)
{
    highlightMarkdown(markup);
}

void ZQRender::applyObliquenessForItalic(plat::MutableAttributedString& content)
{
    applyObliquenessForItalic(content, Range(0, content.length()));
}

void ZQRender::applyObliquenessForItalic(plat::MutableAttributedString& content, Range range)
{
    const plat::Value slant(0.4);
    std::vector<Range> slanted;
    for (const Range italic : valueRuns(content, ZQAttr::FilterItalic, range)) {
        content.enumerateAttributes(italic, 0, [&](const plat::Attributes& attributes, Range range, bool*) {
            const auto font = attributes.value(plat::FontAttribute).toObject<plat::Font>();
            // Slanted runs stay as they are, so styling twice edits nothing.
            if (font && !Exs::isItalic(*font) && attributes.value(plat::ObliquenessAttribute) != slant)
                slanted.push_back(range);
        });
    }
    for (const Range range : slanted)
        content.addAttribute(plat::ObliquenessAttribute, slant, range);
}
