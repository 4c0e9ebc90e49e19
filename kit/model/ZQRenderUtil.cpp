#include "kit/model/ZQRenderUtil.h"

#include <algorithm>

qsizetype ZQRenderUtil::locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges)
{
    qsizetype shift = 0;
    for (const plat::Range& tab : lineTabRanges) {
        if (tab.location >= location)
            break;
        shift += tab.contains(location) ? location - tab.location : tab.length - 1;
    }
    return location - shift;
}

plat::Range ZQRenderUtil::rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges)
{
    if (lineTabRanges.empty() || range.location + range.length == 0)
        return range;
    const qsizetype last = range.location + range.length - 1;
    qsizetype startShift = 0;
    qsizetype lengthShift = 0;
    for (const plat::Range& tab : lineTabRanges) {
        const qsizetype t = tab.location;
        const qsizetype n = tab.length;
        if (t >= last)
            break;
        if (t < range.location)
            startShift += tab.contains(range.location) ? range.location - t : n - 1;
        const qsizetype e = std::min(t + n - 1, last);
        if (range.location < e) {
            if (t < range.location)
                lengthShift += e - range.location;
            else if (tab.contains(last))
                lengthShift += last - t;
            else
                lengthShift += n - 1;
        }
    }
    return plat::Range(range.location - startShift, range.length - lengthShift);
}
