#pragma once
// Small operations on platform values: file URLs, fonts and index paths.

#include "kit/foundation/IndexPath.h"
#include "platform/text/Font.h"

#include <QSizeF>
#include <QUrl>
#include <optional>

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

// --- Index paths (ExsIndexPath.cpp) -----------------------------------------

// plat::NotFound for an empty path.
qsizetype firstIndex(const IndexPath& path);
qsizetype lastIndex(const IndexPath& path);
// Logs "Index Path " and the indexes written one after another.
void print(const IndexPath& path);
// The receiver is the other path or one of its ancestors.
bool contains(const IndexPath& path, const IndexPath& other);
// The last non-zero index lowered by one, the path cut after it: [1, 2, 0]
// gives [1, 1]; none when every index is 0.
std::optional<IndexPath> previousIndex(const IndexPath& path);
// The last index raised by one; throws plat::RangeError for an empty path.
IndexPath nextIndex(const IndexPath& path);

} // namespace Exs
