// One paragraph's rich styles as inline markup: styles become markers, the
// markers are merged and uncrossed, and their borders are written by the
// inline filters from the end of the paragraph towards its start.

#include "kit/filters/ZQRichParser.h"

#include "kit/filters/ZQFilterDispatch.h"
#include "kit/filters/ZQFilterRoles.h"
#include "kit/filters/ZSTextAttachment.h"
#include "kit/foundation/ZQShared.h"
#include "kit/markup/ZQAttachedObjects.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQInlineMarker.h"
#include "kit/markup/ZQStyles.h"
#include "kit/markup/ZQTextNode.h"
#include "kit/render/ZQRenderContext.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <QDebug>
#include <algorithm>
#include <map>

using plat::Range;

namespace {

std::shared_ptr<ZQInlineMarker> makeMarker(quint64 type, Range range)
{
    auto marker = std::make_shared<ZQInlineMarker>();
    marker->setNodeType(type);
    marker->setBodyRange(range);
    return marker;
}

// Styles and code spans may be cut anywhere; links, images, tags, footnotes,
// entities and escapes are written as a whole.
bool isCuttable(quint64 type)
{
    return (type >= ZQNodeType::Strong && type <= ZQNodeType::Underline);
}

bool isReferenceLink(quint64 linkType)
{
    return linkType == 2 || linkType == 3 || linkType == 4;
}

} // namespace

QString ZQRichParser::parseParagraph(const plat::AttributedString& paragraph, ZQRenderContext& context)
{
    const Markers markers = fixAttributeRanges(parseRichAttributeInParagraph(paragraph, context), paragraph.string());

    std::map<qsizetype, std::vector<std::shared_ptr<ZQInlineMarkerBorder>>> borders;
    for (std::size_t k = 0; k < markers.size(); ++k) {
        const Range body = markers[k]->bodyRange();
        borders[body.location].push_back(
            ZQInlineMarkerBorder::initBorderWithMarker(markers[k], body.location, body.end(), true, qint64(k)));
        borders[body.end()].push_back(
            ZQInlineMarkerBorder::initBorderWithMarker(markers[k], body.end(), body.location, false, qint64(k)));
    }

    QString result = paragraph.string();
    for (auto it = borders.rbegin(); it != borders.rend(); ++it) {
        auto& atPosition = it->second;
        std::stable_sort(atPosition.begin(), atPosition.end(),
                         [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
        for (const auto& border : atPosition) {
            ZQFilterDispatch::first<ZQRichToMarkdownWriter>(
                m_inlineFilters,
                [&](ZQRichToMarkdownWriter& writer) { return writer.renderRichToMarkdown(result, *border, context); },
                "renderRichToMarkdown");
        }
    }
    return result;
}

ZQRichParser::Markers ZQRichParser::parseRichAttributeInParagraph(const plat::AttributedString& paragraph,
                                                                  ZQRenderContext& context) const
{
    const QString& text = paragraph.string();
    Markers markers;
    Range lastImage = Range::notFound();
    const auto addImage = [&](const std::shared_ptr<ZQInlineMarker>& marker, bool fromStyle) {
        const Range range = marker->bodyRange();
        if (range != lastImage) {
            lastImage = range;
            markers.push_back(marker);
            return;
        }
        if (!fromStyle)
            return;
        for (auto it = markers.rbegin(); it != markers.rend(); ++it) {
            if ((*it)->nodeType() == ZQNodeType::Image && (*it)->bodyRange() == range) {
                *it = marker;
                return;
            }
        }
        qWarning().noquote() << QStringLiteral("Unexpected - Image in Range {%1, %2} can not find preivous")
                                    .arg(lastImage.location)
                                    .arg(lastImage.length);
        markers.push_back(marker);
    };

    paragraph.enumerateAttributes(
        plat::wholeRange(text), plat::EnumerationReverse, [&](const plat::Attributes& attributes, Range run, bool*) {
            for (const auto& [name, value] : attributes) {
                if (name == plat::FontAttribute) {
                    const auto font = value.toObject<plat::Font>();
                    if (font && font->isBold())
                        markers.push_back(makeMarker(ZQNodeType::Strong, run));
                    if (font && font->isItalic())
                        markers.push_back(makeMarker(ZQNodeType::Emphasis, run));
                } else if (name == ZQAttr::FilterItalic) {
                    markers.push_back(makeMarker(ZQNodeType::Emphasis, run));
                } else if (name == plat::StrikethroughAttribute) {
                    markers.push_back(makeMarker(ZQNodeType::StrikeThrough, run));
                } else if (name == plat::UnderlineAttribute) {
                    markers.push_back(makeMarker(ZQNodeType::Underline, run));
                } else if (name == plat::AttachmentAttribute) {
                    auto marker = makeMarker(ZQNodeType::Image, run);
                    const auto attachment = value.toObject<ZSTextAttachment>();
                    if (attachment && attachment->fileWrapper())
                        marker->setAttachedFilename(attachment->fileWrapper()->preferredFilename());
                    addImage(marker, false);
                } else if (name == ZQAttr::MacroImage) {
                    auto marker = makeMarker(ZQNodeType::Image, run);
                    if (const auto style = value.toObject<ZQImageStyle>())
                        marker->setAttachedUuid(style->uuid());
                    addImage(marker, true);
                } else if (name == ZQAttr::FilterLink) {
                    auto marker = makeMarker(ZQNodeType::Link, run);
                    const auto style = value.toObject<ZQLinkStyle>();
                    if (!style) {
                        markers.push_back(marker);
                        continue;
                    }
                    marker->setAttachedUuid(style->uuid());
                    const auto storage = context.getAttachedStorage(style->uuid(), ZQAttr::FilterLink);
                    const auto link = storage ? storage->attachedLink() : nullptr;
                    if (link && isReferenceLink(link->linkType()) && !ZQShared::isNotBlank(link->linkRefLabel())) {
                        // The label is the link's whole text: a link split into
                        // several runs by other styles is still one label.
                        Range whole;
                        paragraph.attributeAtIndexLongestEffectiveRange(ZQAttr::FilterLink, run.location, &whole,
                                                                        plat::wholeRange(text));
                        link->setLinkLabel(text.mid(whole.location, whole.length));
                    }
                    markers.push_back(marker);
                } else if (name == ZQAttr::MacroTag) {
                    markers.push_back(makeMarker(ZQNodeType::TagMacro, run));
                } else if (name == ZQAttr::FilterCode) {
                    markers.push_back(makeMarker(ZQNodeType::CodeSpan, run));
                } else if (name == ZQAttr::MacroFootnote) {
                    auto marker = makeMarker(ZQNodeType::FootnoteReference, run);
                    if (const auto style = value.toObject<ZQFootnoteStyle>())
                        marker->setAttachedUuid(style->uuid());
                    markers.push_back(marker);
                } else if (name == ZQAttr::Entity) {
                    auto marker = makeMarker(ZQNodeType::Entity, run);
                    marker->setEntityString(value.toString());
                    markers.push_back(marker);
                } else if (name == ZQAttr::Escaped) {
                    markers.push_back(makeMarker(ZQNodeType::BackslashEscape, run));
                }
            }
        });
    return markers;
}

void ZQRichParser::sortAttributes(Markers& markers)
{
    std::stable_sort(markers.begin(), markers.end(), [](const auto& a, const auto& b) {
        return a->bodyRange().location < b->bodyRange().location;
    });
}

ZQRichParser::Markers ZQRichParser::fixAttributeRanges(Markers markers, const QString& paragraph) const
{
    sortAttributes(markers);

    // Equal neighbours become one marker; an emphasis inside another is the same one.
    std::map<quint64, std::size_t> latest;
    std::vector<bool> absorbed(markers.size(), false);
    for (std::size_t k = 0; k < markers.size(); ++k) {
        ZQInlineMarker& marker = *markers[k];
        const quint64 type = marker.nodeType();
        if (type != ZQNodeType::Link && (type < ZQNodeType::Strong || type > ZQNodeType::Underline))
            continue;
        if (const auto found = latest.find(type); found != latest.end()) {
            const Range earlier = markers[found->second]->bodyRange();
            const Range body = marker.bodyRange();
            if (body.location == earlier.end()) {
                marker.setBodyRange(Range(earlier.location, earlier.length + body.length));
                absorbed[found->second] = true;
            } else if (type == ZQNodeType::Emphasis && body.location >= earlier.location
                       && body.location < earlier.end() && (body.length == 0 || body.end() <= earlier.end())) {
                marker.setBodyRange(earlier);
                absorbed[found->second] = true;
            }
        }
        latest[type] = k;
    }
    Markers kept;
    kept.reserve(markers.size());
    for (std::size_t k = 0; k < markers.size(); ++k) {
        if (!absorbed[k])
            kept.push_back(markers[k]);
    }
    // At one start the longer marker is the outer one, so nothing needs cutting.
    std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
        const Range x = a->bodyRange();
        const Range y = b->bodyRange();
        return x.location != y.location ? x.location < y.location : x.length > y.length;
    });

    // No crossing: a marker that runs past the end of the one it starts in is
    // cut there and continued by a copy. A link, image or other whole construct
    // is never cut (a copy would write it twice): the style it crosses is cut
    // at its start instead.
    const auto continuation = [](const ZQInlineMarker& marker, Range range) {
        auto rest = std::static_pointer_cast<ZQInlineMarker>(marker.copy());
        rest->setAttachedUuid(marker.attachedUuid());
        rest->setAttachedFilename(marker.attachedFilename());
        rest->setEntityString(marker.entityString());
        rest->setBodyRange(range);
        return rest;
    };
    const auto insertSorted = [&kept](std::size_t from, const std::shared_ptr<ZQInlineMarker>& marker) {
        const Range range = marker->bodyRange();
        std::size_t at = from;
        while (at < kept.size()
               && (kept[at]->bodyRange().location < range.location
                   || (kept[at]->bodyRange().location == range.location && kept[at]->bodyRange().length >= range.length)))
            ++at;
        kept.insert(kept.begin() + qsizetype(at), marker);
    };
    for (std::size_t a = 0; a < kept.size(); ++a) {
        for (std::size_t b = a + 1; b < kept.size(); ++b) {
            const Range outer = kept[a]->bodyRange();
            const Range inner = kept[b]->bodyRange();
            if (inner.location >= outer.end())
                break;
            if (inner.end() <= outer.end())
                continue;
            if (isCuttable(kept[a]->nodeType()) && !isCuttable(kept[b]->nodeType()) && inner.location > outer.location) {
                kept[a]->setBodyRange(Range(outer.location, inner.location - outer.location));
                insertSorted(b + 1, continuation(*kept[a], Range(inner.location, outer.end() - inner.location)));
                break;
            }
            kept[b]->setBodyRange(Range(inner.location, outer.end() - inner.location));
            insertSorted(b + 1, continuation(*kept[b], Range(outer.end(), inner.end() - outer.end())));
        }
    }

    // Markup closes right after the last visible character; a span of blanks only writes nothing.
    Markers trimmed;
    trimmed.reserve(kept.size());
    for (const auto& marker : kept) {
        const Range range =
            ZQShared::rangeOfTrimCharactersInSet(paragraph, plat::CharacterSet::whitespaceAndNewline(), marker->bodyRange());
        if (range.location == plat::NotFound || range.length == 0)
            continue;
        marker->setBodyRange(range);
        trimmed.push_back(marker);
    }
    return trimmed;
}
