#pragma once
// One formatting command or live-styling edit as one undo step. The step
// remembers the selection before and after it, so that undo puts back the
// text, its attributes and the selection the user had, and redo re-applies
// the edit with the selection it left.

#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <functional>

namespace plat {
class TextView;
}

namespace ZQEditStep {

// Runs edit (which changes the view's text storage through replace() below and
// may move the selection) as one step named actionName.
void perform(plat::TextView& view, const QString& actionName, const std::function<void()>& edit);

// Replaces range of the view's storage by replacement, undoably.
void replace(plat::TextView& view, plat::Range range, const plat::AttributedString& replacement,
             const QString& actionName);

} // namespace ZQEditStep
