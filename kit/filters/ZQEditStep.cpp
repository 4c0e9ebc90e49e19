#include "kit/filters/ZQEditStep.h"

#include "kit/foundation/ZQAttributedString.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/TextView.h"

namespace {

// Undo runs a step's actions last to first and redo first to last, so the
// mark registered before the edit acts last on undo, the one after it last
// on redo. Each mark puts itself back for the opposite direction.
void registerSelection(plat::UndoManager* undoManager, plat::TextView* view, plat::Range selection)
{
    undoManager->registerUndo(view, [undoManager, view, selection] {
        if (selection.end() <= view->textStorage()->length())
            view->setSelectedRange(selection);
        registerSelection(undoManager, view, selection);
    });
}

} // namespace

namespace ZQEditStep {

void perform(plat::TextView& view, const QString& actionName, const std::function<void()>& edit)
{
    plat::UndoManager* undoManager = view.undoManager().get();
    if (!undoManager || !undoManager->isUndoRegistrationEnabled()) {
        edit();
        return;
    }
    undoManager->beginUndoGrouping();
    registerSelection(undoManager, &view, view.selectedRange());
    try {
        edit();
    } catch (...) {
        undoManager->endUndoGrouping();
        throw;
    }
    registerSelection(undoManager, &view, view.selectedRange());
    undoManager->setActionName(actionName);
    undoManager->endUndoGrouping();
}

void replace(plat::TextView& view, plat::Range range, const plat::AttributedString& replacement,
             const QString& actionName)
{
    ZQMutableAttributedString::replaceCharactersInRange(*view.textStorage(), range, replacement, view.undoManager(),
                                                        actionName);
}

} // namespace ZQEditStep
