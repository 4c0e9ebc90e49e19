#pragma once
// Positions found in a working line (tabs expanded) mapped back into the page
// text: through the line's tab ranges, then shifted by the line's location.

#include "kit/render/ZQRenderUtil.h"

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
