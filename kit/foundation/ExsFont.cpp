#include "kit/foundation/Exs.h"

namespace Exs {

bool isBold(const plat::Font& font)
{
    return font.isBold();
}

bool isItalic(const plat::Font& font)
{
    return font.isItalic();
}

double fontSize(const plat::Font& font)
{
    return double(float(font.pointSize()));
}

QSizeF fontPiexlSize(const plat::Font& font)
{
    return font.boundingRectSize();
}

plat::FontPtr toSize(const plat::Font& font, double size)
{
    return font.withSize(size);
}

plat::FontPtr toHaveBold(const plat::Font& font)
{
    return font.withBold(true);
}

plat::FontPtr toHaveItalic(const plat::Font& font)
{
    return font.withItalic(true);
}

plat::FontPtr toNotHaveBold(const plat::Font& font)
{
    return font.withBold(false);
}

plat::FontPtr toNotHaveItalic(const plat::Font& font)
{
    return font.withItalic(false);
}

} // namespace Exs
