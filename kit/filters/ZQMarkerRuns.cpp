#include "kit/filters/ZQMarkerRuns.h"

#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZSUtils.h"
#include "kit/model/ZQAttributeNames.h"
#include "platform/foundation/Regex.h"

#include <vector>

namespace ZQMarkerRuns {

std::optional<CaretLine> caretLine(const plat::AttributedString& text, qsizetype position)
{
    const qsizetype start = ZSUtils::containerLineRangeForRich(text, position).location;
    if (start >= position)
        return std::nullopt;
    return CaretLine{ZQAttributedString::escapeRawStringForParagraph(text, position),
                     ZQAttributedString::lineRange(text, plat::Range(position, 0)).location,
                     plat::Range(start, position - start)};
}

std::optional<ListItemMarker> listItemMarker(const plat::AttributedString& text, const CaretLine& line)
{
    const plat::Range prefix(line.lineStart, line.content.location - line.lineStart);
    if (prefix.length <= 0)
        return std::nullopt;
    plat::Range run;
    const auto style = ZQAttributedString::findAttributeValue(text, ZQAttr::FilterList, prefix,
                                                              plat::EnumerationReverse, &run)
                           .toObject<ZQListStyle>();
    if (!style || style->textLists().empty())
        return std::nullopt;
    const auto pattern = ZQListStyle::richListMakerRegex(style->textLists().back()->richMarkerFormat());
    const plat::Range marker = pattern
        ? pattern->rangeOfFirstMatch(line.masked, plat::Range(run.location, prefix.end() - run.location))
        : plat::Range::notFound();
    if (marker.isNotFound())
        return std::nullopt;
    std::vector<ZQTextListPtr> parents = style->textLists();
    parents.pop_back();
    return ListItemMarker{run, marker, parents};
}

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
