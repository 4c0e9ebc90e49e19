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

namespace {

// The range mapped back from tab first on, startShift holding what the tabs
// before it added.
plat::Range rangeBeforeTabExpansionFrom(plat::Range range, const std::vector<plat::Range>& lineTabRanges,
                                        std::size_t first, qsizetype startShift)
{
    const qsizetype last = range.location + range.length - 1;
    qsizetype lengthShift = 0;
    for (std::size_t k = first; k < lineTabRanges.size(); ++k) {
        const plat::Range& tab = lineTabRanges[k];
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

} // namespace

plat::Range ZQRenderUtil::rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges)
{
    if (lineTabRanges.empty() || range.location + range.length == 0)
        return range;
    return rangeBeforeTabExpansionFrom(range, lineTabRanges, 0, 0);
}

std::vector<qsizetype> ZQRenderUtil::tabExpansionShifts(const std::vector<plat::Range>& lineTabRanges)
{
    std::vector<qsizetype> shifts{0};
    shifts.reserve(lineTabRanges.size() + 1);
    for (const plat::Range& tab : lineTabRanges)
        shifts.push_back(shifts.back() + tab.length - 1);
    return shifts;
}

qsizetype ZQRenderUtil::locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges,
                                                   const std::vector<qsizetype>& shiftBefore)
{
    // The tabs starting before location: all but the last of them lie wholly before it.
    const auto after = std::lower_bound(lineTabRanges.begin(), lineTabRanges.end(), location,
                                        [](const plat::Range& tab, qsizetype at) { return tab.location < at; });
    const std::size_t k = std::size_t(after - lineTabRanges.begin());
    if (k > 0 && lineTabRanges[k - 1].contains(location))
        return location - (shiftBefore[k - 1] + location - lineTabRanges[k - 1].location);
    return location - shiftBefore[k];
}

plat::Range ZQRenderUtil::rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges,
                                                  const std::vector<qsizetype>& shiftBefore)
{
    if (lineTabRanges.empty() || range.location + range.length == 0)
        return range;
    // Tabs ending at or before the range's start only move it by their extra columns.
    const auto first = std::lower_bound(lineTabRanges.begin(), lineTabRanges.end(), range.location,
                                        [](const plat::Range& tab, qsizetype at) { return tab.end() <= at; });
    const std::size_t k = std::size_t(first - lineTabRanges.begin());
    return rangeBeforeTabExpansionFrom(range, lineTabRanges, k, shiftBefore[k]);
}
