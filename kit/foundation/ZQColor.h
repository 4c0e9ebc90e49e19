#pragma once
// Colours as theme files and style sheets write them: "RRGGBB" hex strings,
// with an alpha appended as two decimal percent digits.

#include "platform/text/Color.h"

#include <QString>

namespace ZQColor {

// Reads "RGB", "ARGB" (alpha digit first), "RRGGBB" or "RRGGBB" plus two
// decimal alpha-percent digits; every "#" is ignored, case does not matter.
// nullptr for any other length or for characters that are not digits of the form.
plat::ColorPtr colorFromHexString(const QString& hex);

// Red, green and blue times 255, truncated, as six upper-case hex digits.
QString hexString(const plat::Color& color);

// The alpha as a whole percent that reads back as the same colour.
int alphaPercent(const plat::Color& color);

// One colour component: the substring (doubled when not two characters) read
// as hexadecimal, over 255; -1 when it holds a character that is not a hex digit.
double colorComponentFrom(const QString& string, qsizetype start, qsizetype length);
// The substring read as a decimal percent, in single precision; -1 when it is not decimal digits.
double alphaComponentFrom(const QString& string, qsizetype start, qsizetype length);

} // namespace ZQColor
