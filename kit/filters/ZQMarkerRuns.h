#pragma once
// Block markers in rich text: the caret line a typed marker is looked for
// in, the list item marker already at its start, and clean style, where each
// filter says which part of a run of its attribute is the marker.

#include "kit/model/ZQListStyle.h"
#include "platform/foundation/Range.h"
#include "platform/text/AttributedString.h"

#include <functional>
#include <optional>

namespace ZQMarkerRuns {

// The caret's line: raw and escaped text masked, and the stretch from the
// end of its list, quote and indent prefixes to the caret.
struct CaretLine {
    QString masked;
    qsizetype lineStart = 0;
    plat::Range content; // from the prefixes' end to the caret
};
// None when the caret is not after the prefixes.
std::optional<CaretLine> caretLine(const plat::AttributedString& text, qsizetype position);

// The list item marker last in the line's prefixes, when it reads as a
// marker of its level's kind: its run and the levels around the item.
struct ListItemMarker {
    plat::Range run;
    plat::Range marker; // the match inside the run
    std::vector<ZQTextListPtr> parentLevels;
};
std::optional<ListItemMarker> listItemMarker(const plat::AttributedString& text, const CaretLine& line);

// The marker within run (which carries value); not found or empty for none.
using MarkerInRun = std::function<plat::Range(const plat::Value& value, plat::Range run)>;

// Deletes the marker of every run of the attribute, last to first.
void deleteMarkers(plat::MutableAttributedString& content, const QString& attributeName,
                   const MarkerInRun& markerIn);

} // namespace ZQMarkerRuns
