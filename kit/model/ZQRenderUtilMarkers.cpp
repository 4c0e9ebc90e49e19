#include "kit/model/ZQRenderUtil.h"

#include "kit/model/ZQInlineMarker.h"

#include <algorithm>
#include <limits>

void ZQRenderUtil::convertMarkerAbsoluteRanges(const std::vector<std::shared_ptr<ZQInlineMarker>>& markers,
                                               const std::vector<plat::Range>& contentRanges, qsizetype start)
{
    std::vector<plat::Range> pieces = contentRanges;
    if (pieces.empty())
        pieces.push_back(plat::Range(start, std::numeric_limits<qsizetype>::max() / 2));
    // ends[k]: length of the joined text up to the end of piece k.
    std::vector<qsizetype> ends;
    ends.reserve(pieces.size());
    qsizetype total = 0;
    for (const plat::Range& piece : pieces)
        ends.push_back(total += piece.length);

    auto pieceOf = [&](qsizetype position) {
        const auto it = std::upper_bound(ends.begin(), ends.end(), position);
        return std::min<size_t>(size_t(it - ends.begin()), pieces.size() - 1);
    };
    auto map = [&](qsizetype position) {
        const size_t k = pieceOf(position);
        return pieces[k].location + position - (ends[k] - pieces[k].length);
    };

    for (const auto& marker : markers) {
        for (const auto& tag : {marker->startTag(), marker->endTag()}) {
            if (tag)
                tag->setMarkerRange(plat::Range(map(tag->markerRange().location), tag->markerRange().length));
        }
        const plat::Range range = marker->markerRange();
        size_t k = pieceOf(range.location);
        qsizetype location = map(range.location);
        qsizetype remaining = range.length;
        for (;;) {
            // Within piece k, and on into the next pieces while they adjoin.
            qsizetype available = pieces[k].end() - location;
            while (remaining > available && k + 1 < pieces.size() && pieces[k + 1].location == pieces[k].end()) {
                ++k;
                available += pieces[k].length;
            }
            if (remaining <= available || k + 1 >= pieces.size()) {
                marker->addMarkerAbsoluteRange(plat::Range(location, remaining));
                break;
            }
            marker->addMarkerAbsoluteRange(plat::Range(location, available));
            remaining -= available;
            location = pieces[++k].location;
        }
    }
}
