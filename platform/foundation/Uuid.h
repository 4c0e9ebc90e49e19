#pragma once

#include <QString>

namespace plat {

// A new random UUID as 36 upper-case characters: 8-4-4-4-12 hex digits.
QString newUuidString();

} // namespace plat
