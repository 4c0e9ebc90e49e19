#pragma once
// Sizes in the platform's text notation: "{width, height}".

#include <QSizeF>
#include <QString>

namespace plat {

// "{1400, 700}", "{0.5, 2.25}": each number in its shortest exact form.
QString sizeToString(QSizeF size);
// Reads the first two numbers of the text; the zero size when there are fewer.
QSizeF sizeFromString(const QString& text);

} // namespace plat
