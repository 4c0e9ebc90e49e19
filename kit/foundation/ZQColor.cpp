#include "kit/foundation/ZQColor.h"

#include <algorithm>
#include <cmath>

namespace ZQColor {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

int byteFromComponent(double v)
{
    return std::clamp(int(std::trunc(v * 255.0)), 0, 255);
}

} // namespace

double colorComponentFrom(const QString& string, qsizetype start, qsizetype length)
{
    QString sub = string.mid(start, length);
    if (sub.size() != 2)
        sub = sub + sub;
    int value = 0;
    for (QChar c : sub) {
        const int d = hexDigit(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value / 255.0;
}

double alphaComponentFrom(const QString& string, qsizetype start, qsizetype length)
{
    const QString sub = string.mid(start, length);
    if (sub.isEmpty())
        return -1;
    int value = 0;
    for (QChar c : sub) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return double(float(value) / 100.0f);
}

plat::ColorPtr colorFromHexString(const QString& hex)
{
    const QString s = QString(hex).remove(QLatin1Char('#')).toUpper();
    double r, g, b, a = 1.0;
    switch (s.size()) {
    case 3:
        r = colorComponentFrom(s, 0, 1);
        g = colorComponentFrom(s, 1, 1);
        b = colorComponentFrom(s, 2, 1);
        break;
    case 4:
        a = colorComponentFrom(s, 0, 1);
        r = colorComponentFrom(s, 1, 1);
        g = colorComponentFrom(s, 2, 1);
        b = colorComponentFrom(s, 3, 1);
        break;
    case 6:
        r = colorComponentFrom(s, 0, 2);
        g = colorComponentFrom(s, 2, 2);
        b = colorComponentFrom(s, 4, 2);
        break;
    case 8:
        r = colorComponentFrom(s, 0, 2);
        g = colorComponentFrom(s, 2, 2);
        b = colorComponentFrom(s, 4, 2);
        a = alphaComponentFrom(s, 6, 2);
        break;
    default:
        return nullptr;
    }
    if (r < 0 || g < 0 || b < 0 || a < 0)
        return nullptr;
    return plat::Color::rgba(r, g, b, a);
}

QString hexString(const plat::Color& color)
{
    return QStringLiteral("%1%2%3")
        .arg(byteFromComponent(color.red()), 2, 16, QLatin1Char('0'))
        .arg(byteFromComponent(color.green()), 2, 16, QLatin1Char('0'))
        .arg(byteFromComponent(color.blue()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

int alphaPercent(const plat::Color& color)
{
    // Rounded, not truncated: n percent is read as float(n) / 100, which is
    // often a hair below n / 100.
    return std::clamp(int(std::lround(color.alpha() * 100.0)), 0, 100);
}

} // namespace ZQColor
