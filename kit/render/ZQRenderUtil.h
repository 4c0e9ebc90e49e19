#pragma once
// Class operations of the render engine that the conversions, the filters and the
// parsers share.

#include "platform/foundation/Range.h"

#include <vector>

class ZQRenderUtil {
public:
    // A location in a tab-expanded line, mapped back to the line as written; tab
    // ranges are ascending ranges of the spaces each tab became.
    static qsizetype locationBeforeTabExpansion(qsizetype location, const std::vector<plat::Range>& lineTabRanges);
    // The same for a range: a range starting inside a tab's spaces starts at the tab,
    // and each tab it covers, wholly or partly, counts as one character.
    static plat::Range rangeBeforeTabExpansion(plat::Range range, const std::vector<plat::Range>& lineTabRanges);
};
