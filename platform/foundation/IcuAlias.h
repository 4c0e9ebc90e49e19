#pragma once
// Read-only ICU views of a QString's UTF-16 buffer, without copying: both
// types hold UTF-16, so positions stay the same.

#include "platform/foundation/Range.h"

#include <QString>
#include <unicode/unistr.h>

namespace plat {

inline icu::UnicodeString aliasOf(const QString& s, Range r)
{
    return icu::UnicodeString(false, reinterpret_cast<const char16_t*>(s.utf16()) + r.location, int32_t(r.length));
}

inline icu::UnicodeString aliasOf(const QString& s)
{
    return aliasOf(s, Range(0, s.size()));
}

} // namespace plat
