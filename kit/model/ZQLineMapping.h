#pragma once
// Positions found in a working line (tabs expanded) mapped back into the page
// text: through the line's tab ranges, then shifted by the line's location.

#include "kit/model/ZQRenderUtil.h"

#include <algorithm>

inline plat::Range textRangeOfLineRange(plat::Range inLine, const std::vector<plat::Range>& lineTabRanges,
                                        qsizetype lineLocation)
{
    const plat::Range r = ZQRenderUtil::rangeBeforeTabExpansion(inLine, lineTabRanges);
    return plat::Range(r.location + lineLocation, r.length);
}

inline qsizetype textLocationOfLineLocation(qsizetype inLine, const std::vector<plat::Range>& lineTabRanges,
                                            qsizetype lineLocation)
{
    return ZQRenderUtil::locationBeforeTabExpansion(inLine, lineTabRanges) + lineLocation;
}

// From a working-line location to the end of the line (terminator included).
inline plat::Range textRangeToLineEnd(qsizetype inLine, const std::vector<plat::Range>& lineTabRanges,
                                      plat::Range lineRange)
{
    const qsizetype start = textLocationOfLineLocation(inLine, lineTabRanges, lineRange.location);
    return plat::Range(start, lineRange.end() - start);
}

// The character after up to three spaces from position from of a working line
// (within end), or NUL. Every block marker stands there, so a line whose
// character there cannot begin a marker need not be matched against its pattern.
inline char16_t lineMarkerCharacter(const QString& line, qsizetype from, qsizetype end)
{
    const qsizetype last = std::min({line.size(), end, from + 4});
    for (qsizetype i = from; i < last; ++i) {
        if (line.at(i) != QLatin1Char(' '))
            return line.at(i).unicode();
    }
    return 0;
}
