#pragma once
// The application's table of registered defaults: the values every settings
// key reads until the user stores one. Built once; the application registers
// it at start, before the settings object is created, and tests do the same.

#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Value.h"

namespace ZSRegisteredDefaults {

// The 31 entries; floats in single precision, "themes" a keyed archive of the
// six system theme identifiers.
const plat::ValueMap& table();

// Registers the table with the defaults (the standard ones when none are given).
void registerTable(plat::UserDefaults* defaults = nullptr);

} // namespace ZSRegisteredDefaults
