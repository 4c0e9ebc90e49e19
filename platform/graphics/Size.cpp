#include "platform/graphics/Size.h"

#include <QLocale>

namespace plat {

namespace {

QString number(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

} // namespace

QString sizeToString(QSizeF size)
{
    return QStringLiteral("{%1, %2}").arg(number(size.width()), number(size.height()));
}

QSizeF sizeFromString(const QString& text)
{
    double values[2] = {0, 0};
    int found = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && found < 2) {
        const QChar c = text[i];
        const bool startsNumber = c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && i + 1 < n
                                                  && (text[i + 1].isDigit() || text[i + 1] == u'.'));
        if (!startsNumber) {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && (text[j].isDigit() || text[j] == u'.' || text[j] == u'e' || text[j] == u'E'
                         || ((text[j] == u'-' || text[j] == u'+') && (text[j - 1] == u'e' || text[j - 1] == u'E'))))
            ++j;
        bool ok = false;
        const double v = text.mid(i, j - i).toDouble(&ok);
        if (ok)
            values[found++] = v;
        i = j;
    }
    return found == 2 ? QSizeF(values[0], values[1]) : QSizeF(0, 0);
}

} // namespace plat
