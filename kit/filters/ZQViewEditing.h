#pragma once
// The edits a command makes in an editor view: one undo step under the
// command's name, after which undo puts back the text, its attributes and the
// selection as they were, and redo makes the edit and selection again.
//
// The undo actions hold the view (target &view): whoever destroys the view
// first removes the manager's actions with that target.

#include "kit/model/ZQEditorTypes.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <QString>
#include <memory>

namespace plat {
class TextView;
class UndoManager;
}

namespace ZQViewEditing {

// The part of a selection a command works on: the first line of its first
// stretch outside raw and read-only runs, without blanks at its edges;
// Range::notFound() when nothing is left.
plat::Range takenRange(const plat::TextView& view, plat::Range selection, ZQMarkupType markupType);

// Replaces range of the view's text with replacement, then selects selection.
void replace(plat::TextView& view, plat::Range range, const plat::AttributedString& replacement,
             plat::Range selection, const QString& actionName);
// The same with plain text, which takes the attributes of the first replaced
// character (of its neighbour when range is empty).
void replace(plat::TextView& view, plat::Range range, const QString& plainText, plat::Range selection,
             const QString& actionName);

// Keeps everything done while it lives, a command and the repair that follows
// it, in one undo step of the view's undo manager; the command names the step.
class OneUndoStep {
public:
    explicit OneUndoStep(const plat::TextView& view);
    ~OneUndoStep();
    OneUndoStep(const OneUndoStep&) = delete;
    OneUndoStep& operator=(const OneUndoStep&) = delete;

private:
    std::shared_ptr<plat::UndoManager> m_undo;
};

} // namespace ZQViewEditing
