#include "kit/filters/ZQMarkerRuns.h"

#include <vector>

namespace ZQMarkerRuns {

void deleteMarkers(plat::MutableAttributedString& content, const QString& attributeName, const MarkerInRun& markerIn)
{
    std::vector<plat::Range> markers;
    content.enumerateAttribute(attributeName, plat::Range(0, content.length()), plat::EnumerationReverse,
                               [&](const plat::Value& value, plat::Range run, bool*) {
                                   if (value.isNull())
                                       return;
                                   const plat::Range marker = markerIn(value, run);
                                   if (!marker.isNotFound() && marker.length > 0)
                                       markers.push_back(marker);
                               });
    for (const plat::Range& marker : markers)
        content.deleteCharacters(marker);
}

} // namespace ZQMarkerRuns
