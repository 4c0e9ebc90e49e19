#include "platform/foundation/Range.h"

#include <algorithm>

namespace plat {

Range intersection(Range a, Range b)
{
    const qsizetype start = std::max(a.location, b.location);
    const qsizetype stop = std::min(a.end(), b.end());
    if (stop <= start)
        return Range(0, 0);
    return Range(start, stop - start);
}

Range unionRange(Range a, Range b)
{
    const qsizetype start = std::min(a.location, b.location);
    const qsizetype stop = std::max(a.end(), b.end());
    return Range(start, stop - start);
}

QString toString(Range r)
{
    return QStringLiteral("{%1, %2}").arg(r.location).arg(r.length);
}

Range rangeFromString(const QString& text)
{
    qsizetype numbers[2] = {0, 0};
    int found = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && found < 2) {
        if (text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            qsizetype value = 0;
            while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
                value = value * 10 + (text[i].unicode() - '0');
                ++i;
            }
            numbers[found++] = value;
        } else {
            ++i;
        }
    }
    return Range(numbers[0], numbers[1]);
}

void checkRange(Range r, qsizetype length, const char* where)
{
    if (r.location < 0 || r.length < 0 || r.location > length || r.length > length - r.location)
        throw RangeError(std::string(where) + ": range {" + std::to_string(r.location) + ", "
                         + std::to_string(r.length) + "} out of bounds " + std::to_string(length));
}

} // namespace plat
