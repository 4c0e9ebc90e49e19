#include "kit/filters/ZQViewEditing.h"

#include "kit/model/ZSUtils.h"
#include "platform/foundation/StringLines.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/TextView.h"

#include <algorithm>
#include <functional>

namespace ZQViewEditing {

namespace {

using plat::AttributedString;
using plat::Range;
using plat::TextStorage;

// Makes the edit of range and selects selection; registers putting back what
// the edited paragraphs held and the selection before, which registers the
// reverse in turn, so that undo and redo alternate. Whole paragraphs are kept
// because the text storage gives each edited paragraph the paragraph style of
// its first character, beyond the range itself. The manager is held by
// address: the actions live in it and run only from it.
void perform(plat::TextView& view, Range range, const std::function<void(TextStorage&)>& edit, Range selection,
             plat::UndoManager* undoManager, const QString& actionName)
{
    TextStorage& storage = *view.textStorage();
    const Range selectionBefore = view.selectedRange();
    const qsizetype lengthBefore = storage.length();
    // The paragraph after the range too: the edit may join it to the range's.
    const Range kept = undoManager ? plat::paragraphRangeForRange(
                                         storage.string(), Range(range.location, std::min(range.length + 1,
                                                                                          lengthBefore - range.location)))
                                   : range;
    const AttributedString old = storage.attributedSubstring(kept);
    storage.beginEditing();
    edit(storage);
    storage.endEditing();
    view.setSelectedRange(selection);
    if (!undoManager)
        return;
    const Range edited(kept.location, kept.length + storage.length() - lengthBefore);
    undoManager->beginUndoGrouping();
    undoManager->registerUndo(&view, [&view, edited, old, selectionBefore, undoManager, actionName] {
        perform(
            view, edited, [edited, old](TextStorage& s) { s.replaceCharacters(edited, old); }, selectionBefore,
            undoManager, actionName);
    });
    undoManager->setActionName(actionName);
    undoManager->endUndoGrouping();
}

} // namespace

Range takenRange(const plat::TextView& view, Range selection, ZQMarkupType markupType)
{
    return ZSUtils::getFirstValidSelectRange(*view.textStorage(), selection, ZSUtils::getEditorType(view), markupType);
}

void replace(plat::TextView& view, Range range, const AttributedString& replacement, Range selection,
             const QString& actionName)
{
    perform(
        view, range, [&](TextStorage& s) { s.replaceCharacters(range, replacement); }, selection,
        view.undoManager().get(), actionName);
}

void replace(plat::TextView& view, Range range, const QString& plainText, Range selection, const QString& actionName)
{
    perform(
        view, range, [&](TextStorage& s) { s.replaceCharacters(range, plainText); }, selection,
        view.undoManager().get(), actionName);
}

OneUndoStep::OneUndoStep(const plat::TextView& view) : m_undo(view.undoManager())
{
    if (m_undo)
        m_undo->beginUndoGrouping();
}

OneUndoStep::~OneUndoStep()
{
    if (m_undo)
        m_undo->endUndoGrouping();
}

} // namespace ZQViewEditing
