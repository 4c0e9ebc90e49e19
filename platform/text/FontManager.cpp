#include "platform/text/FontManager.h"

#include <QFontMetricsF>

namespace plat {

FontPtr FontManager::fontWithFamily(const QString& family, unsigned traits, int /*weight*/, double size)
{
    return Font::create(family, size, traits & Bold, traits & Italic);
}

FontPtr FontManager::convertFont(const Font& font, unsigned toHaveTrait)
{
    return Font::create(font.familyName(), font.pointSize(), font.isBold() || (toHaveTrait & Bold),
                        font.isItalic() || (toHaveTrait & Italic));
}

QSizeF FontManager::sizeOfString(const QString& text, const Font& font)
{
    const QFontMetricsF metrics(font.toQFont());
    return QSizeF(metrics.horizontalAdvance(text), metrics.height());
}

} // namespace plat
