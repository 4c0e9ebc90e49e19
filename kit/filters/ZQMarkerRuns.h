#pragma once
// Clean style for block markers: each filter says which part of a run of its
// attribute is the marker.

#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <functional>

namespace ZQMarkerRuns {

// The marker within run (which carries value); not found or empty for none.
using MarkerInRun = std::function<plat::Range(const plat::Value& value, plat::Range run)>;

// Deletes the marker of every run of the attribute, last to first.
void deleteMarkers(plat::MutableAttributedString& content, const QString& attributeName,
                   const MarkerInRun& markerIn);

} // namespace ZQMarkerRuns
