#pragma once
// Small operations on platform values: file URLs and fonts.

#include "platform/text/Font.h"

#include <QSizeF>
#include <QUrl>

namespace Exs {

// --- URLs (ExsURL.cpp) -------------------------------------------------------

// The receiver is the other URL or one of its ancestors (path components).
bool isParentUrl(const QUrl& url, const QUrl& other);
// The user's trash folder (XDG: <data home>/Trash) or anything inside it.
bool isInTrashBin(const QUrl& url);

// --- Fonts (ExsFont.cpp) -----------------------------------------------------

bool isBold(const plat::Font& font);
bool isItalic(const plat::Font& font);
// The point size in single precision, as the font descriptor gives it.
double fontSize(const plat::Font& font);
QSizeF fontPiexlSize(const plat::Font& font);
plat::FontPtr toSize(const plat::Font& font, double size);
plat::FontPtr toHaveBold(const plat::Font& font);
plat::FontPtr toHaveItalic(const plat::Font& font);
plat::FontPtr toNotHaveBold(const plat::Font& font);
plat::FontPtr toNotHaveItalic(const plat::Font& font);

} // namespace Exs
