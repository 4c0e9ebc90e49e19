#include "kit/model/ZQInlineMarker.h"

std::shared_ptr<ZQInlineMarkerTag> ZQInlineMarkerTag::tagWithRange(plat::Range range, bool isOpenTag,
                                                                   char16_t delimiter, bool forImageAlt)
{
    auto tag = std::make_shared<ZQInlineMarkerTag>();
    tag->m_markerRange = range;
    tag->m_openTag = isOpenTag;
    tag->m_delimiter = delimiter;
    tag->m_isForImageAlt = forImageAlt;
    return tag;
}

plat::ObjectPtr ZQInlineMarkerTag::copy() const
{
    return tagWithRange(m_markerRange, m_openTag, m_delimiter, m_isForImageAlt);
}

std::shared_ptr<ZQInlineMarker> ZQInlineMarker::initBaseInlineMarkerWithStartTag(
    std::shared_ptr<ZQInlineMarkerTag> startTag, std::shared_ptr<ZQInlineMarkerTag> endTag)
{
    auto marker = std::make_shared<ZQInlineMarker>();
    const plat::Range start = startTag->markerRange();
    const plat::Range end = endTag->markerRange();
    marker->m_delimiter = startTag->delimiter();
    marker->m_markerRange = plat::Range(start.location, end.end() - start.location);
    marker->m_bodyRange = plat::Range(start.end(), end.location - start.end());
    marker->m_nodeType = 28;
    marker->m_startTag = std::move(startTag);
    marker->m_endTag = std::move(endTag);
    return marker;
}

plat::ObjectPtr ZQInlineMarker::copy() const
{
    auto marker = std::make_shared<ZQInlineMarker>();
    marker->m_bodyRange = m_bodyRange;
    marker->m_nodeType = m_nodeType;
    marker->m_delimiter = m_delimiter;
    if (m_startTag)
        marker->m_startTag = plat::objectCast<ZQInlineMarkerTag>(m_startTag->copy());
    if (m_endTag)
        marker->m_endTag = plat::objectCast<ZQInlineMarkerTag>(m_endTag->copy());
    return marker;
}

void ZQInlineMarker::addMarkerAbsoluteRange(plat::Range range)
{
    if (m_markerAbsoluteRanges.empty())
        m_markerAbsoluteRanges.reserve(4);
    m_markerAbsoluteRanges.push_back(range);
}

std::shared_ptr<ZQInlineMarkerBorder> ZQInlineMarkerBorder::initBorderWithMarker(std::shared_ptr<ZQInlineMarker> marker,
                                                                                 qint64 pos1, qint64 pos2,
                                                                                 bool isOpenTag, qint64 keyIndex)
{
    auto border = std::make_shared<ZQInlineMarkerBorder>();
    border->m_marker = std::move(marker);
    border->m_pos1 = pos1;
    border->m_pos2 = pos2;
    border->m_openTag = isOpenTag;
    border->m_keyIndex = keyIndex;
    return border;
}

plat::ObjectPtr ZQInlineMarkerBorder::copy() const
{
    auto marker = m_marker ? plat::objectCast<ZQInlineMarker>(m_marker->copy()) : nullptr;
    return initBorderWithMarker(marker, m_pos1, m_pos2, m_openTag, m_keyIndex);
}

// Markup is inserted from the last border to the first, so this order is the
// reverse of the order of the markers in the written text.
int ZQInlineMarkerBorder::compare(const ZQInlineMarkerBorder& other) const
{
    if (m_pos1 != other.m_pos1)
        return m_pos1 > other.m_pos1 ? -1 : 1;
    const bool sameMarker = m_keyIndex == other.m_keyIndex;
    if (!m_openTag && other.m_openTag)
        return sameMarker ? -1 : 1;
    if (m_openTag && !other.m_openTag)
        return sameMarker ? 1 : -1;
    if (m_pos2 != other.m_pos2)
        return m_pos2 < other.m_pos2 ? -1 : 1;
    if (m_keyIndex == other.m_keyIndex)
        return 0;
    if (m_openTag)
        return m_keyIndex > other.m_keyIndex ? -1 : 1;
    return m_keyIndex < other.m_keyIndex ? -1 : 1;
}

std::shared_ptr<ZQLinkMarker> ZQLinkMarker::initAt(quint64 location, quint64 contentOffset, bool forImage)
{
    auto marker = std::make_shared<ZQLinkMarker>();
    marker->m_openBracketLocation = location;
    marker->m_contentOffset = contentOffset;
    marker->m_isImage = forImage;
    return marker;
}
