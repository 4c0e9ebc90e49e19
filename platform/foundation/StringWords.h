#pragma once
// The string's enumeration by words, as the platform's localized word
// enumeration does it: ICU word boundaries in the user's locale, so that
// languages written without spaces are split by dictionary. Spaces,
// punctuation and symbols (emoji among them) lie between words, not in them.

#include "platform/foundation/Range.h"

#include <QString>
#include <functional>

namespace plat {

// Calls block with the range of each word of text inside range, in order,
// until it answers false. Throws RangeError when range lies outside text.
void enumerateWords(const QString& text, Range range, const std::function<bool(Range word)>& block);

// The number of words of the whole text.
qint64 countWords(const QString& text);

} // namespace plat
