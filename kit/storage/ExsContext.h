#pragma once
// The two save chains of record contexts: a context saves into its parent,
// which saves on into its own parent, down to the files. A failed save is
// logged ("Unresolved context error") and ends the chain there; the failed
// context keeps its changes.

#include "kit/foundation/ZQErrorValue.h"
#include "platform/store/ManagedObjectContext.h"

#include <optional>

namespace Exs {

// Each step runs on its context's own queue; nothing waits.
void persist(const plat::ManagedObjectContextPtr& context);
// The same, waiting for each step. False, with the error when asked, when a
// step failed.
bool persistAndWait(const plat::ManagedObjectContextPtr& context, std::optional<ZQErrorValue>* error = nullptr);

// A store failure as the kit reports errors.
ZQErrorValue errorFromStoreError(const plat::StoreError& error);

} // namespace Exs
