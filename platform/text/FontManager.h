#pragma once
// The platform's font manager as far as the settings need it: fonts by family
// and traits, and the size a string takes when drawn in a font.

#include "platform/text/Font.h"

#include <QSizeF>
#include <QString>

namespace plat {

class FontManager {
public:
    enum Trait : unsigned { Bold = 1u << 1, Italic = 1u << 0 };

    // The family as asked for (kept even when it is not installed); weight is
    // accepted for the platform's signature, the traits decide bold and italic.
    static FontPtr fontWithFamily(const QString& family, unsigned traits, int weight, double size);
    // The font with the trait added, family and size kept.
    static FontPtr convertFont(const Font& font, unsigned toHaveTrait);

    // One line of text drawn in the font: its advance width and line height.
    static QSizeF sizeOfString(const QString& text, const Font& font);
};

} // namespace plat
