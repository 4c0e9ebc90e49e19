// One paragraph's rich styles as inline markup: styles become markers, the
// markers are merged and uncrossed, and their borders are written by the
// inline filters from the end of the paragraph towards its start.

#include "kit/filters/ZQRichParser.h"

#include "kit/filters/ZQFilterDispatch.h"
#include "kit/filters/ZQFilterRoles.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQInlinePatterns.h"
#include "kit/filters/ZSTextAttachment.h"
#include "kit/foundation/ZQShared.h"
#include "kit/markup/ZQAttachedObjects.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQInlineMarker.h"
#include "kit/markup/ZQStyles.h"
#include "kit/markup/ZQTextNode.h"
#include "kit/render/ZQRenderContext.h"
#include "kit/render/ZQRenderUtil.h"
#include "kit/storage/ZQAttachedStorage.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <QDebug>
#include <algorithm>
#include <map>
#include <optional>

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

// Quorvel Markup's strike-through and underline markers ("-", "_") neither
// open nor close between two letters.
bool notWithinWords(quint64 type, quint64 markupType)
{
    return markupType == 1 && (type == ZQNodeType::StrikeThrough || type == ZQNodeType::Underline);
}

// Whether the "&" at position begins a character reference the inline
// parser would decode.
bool readsAsEntity(const QString& text, qsizetype position)
{
    const auto match = ZQInlinePatterns::shared().entityP->firstMatch(
        text, Range(position, text.size() - position), plat::MatchingAnchored);
    if (!match)
        return false;
    const QString reference = text.mid(position, match->range().length);
    return ZQRenderUtil::convertEntity(reference, plat::wholeRange(reference), false) != reference;
}

bool isReferenceLink(quint64 linkType)
{
    return linkType == 2 || linkType == 3 || linkType == 4;
}

} // namespace

QString ZQRichParser::parseParagraph(const plat::AttributedString& written, ZQRenderContext& context)
{
    // An image that writes nothing leaves no trace: what stood around it is
    // written as neighbours, as the next reading sees them.
    std::optional<plat::MutableAttributedString> cut;
    written.enumerateAttribute(ZQAttr::MacroImage, plat::wholeRange(written.string()), plat::EnumerationReverse,
                               [&](const plat::Value& value, Range run, bool*) {
                                   const auto style = value.toObject<ZQImageStyle>();
                                   const auto storage =
                                       style ? context.getAttachedStorage(style->uuid(), ZQAttr::MacroImage) : nullptr;
                                   const auto image = storage ? storage->attachedObject() : nullptr;
                                   if (image && ZQImageFilter::writesNothing(*image)) {
                                       if (!cut)
                                           cut.emplace(written);
                                       cut->deleteCharacters(run);
                                   }
                               });
    const plat::AttributedString& paragraph = cut ? *cut : written;
    Markers markers = fixAttributeRanges(parseRichAttributeInParagraph(paragraph, context), paragraph.string(),
                                         context.runningMarkupType());
    const Markers escapes = literalDelimiterEscapes(paragraph, markers, context.runningMarkupType());
    markers.insert(markers.end(), escapes.begin(), escapes.end());
    // Escapes last: of the markers opening at one position they are written
    // first, while their characters are still where the rich text had them.
    std::stable_partition(markers.begin(), markers.end(),
                          [](const auto& marker) { return marker->nodeType() != ZQNodeType::BackslashEscape; });

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

// A character the rich text shows as itself must read back as itself: a run
// of a delimiter character that the inline parser would open or close a span
// with (the flanking rules of its delimiter runs, a marker written beside it
// counting as punctuation), any plain backtick, a backslash before
// punctuation and the first character of a further line that would read as a
// heading underline are written escaped. Text inside code, raw HTML, escapes, the
// constructs written whole and the definition lines kept as text is left alone.
ZQRichParser::Markers ZQRichParser::literalDelimiterEscapes(const plat::AttributedString& paragraph,
                                                            const Markers& markers, quint64 markupType)
{
    const QString& text = paragraph.string();
    const qsizetype n = text.size();
    const bool quorvel = markupType == 1;
    std::vector<char> border(std::size_t(n) + 1, 0);
    for (const auto& marker : markers) {
        const Range body = marker->bodyRange();
        if (body.location >= 0 && body.end() <= n) {
            border[std::size_t(body.location)] = 1;
            border[std::size_t(body.end())] = 1;
        }
    }
    static const QString kept[] = {ZQAttr::FilterCode, ZQAttr::FilterCodeBlock, ZQAttr::IndentBlock,
                                   ZQAttr::Raw,        ZQAttr::Escaped,         ZQAttr::MacroTag,
                                   ZQAttr::MacroImage, ZQAttr::MacroFootnote,   ZQAttr::Entity,
                                   ZQAttr::HtmlTag,    ZQAttr::Autolink,        ZQAttr::LinkRef};
    const auto plain = [&](qsizetype i) {
        const plat::Attributes attributes = paragraph.attributesAtIndex(i);
        return std::none_of(std::begin(kept), std::end(kept),
                            [&](const QString& name) { return !attributes.value(name).isNull(); });
    };
    const auto delimiter = [&](QChar c) {
        return c == u'*' || c == u'_' || c == u'~' || c == u'`' || c == u'+' || (quorvel && c == u'-');
    };
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();

    Markers escapes;
    // A further line of the paragraph made of "=" or "-" alone would underline
    // the lines above it into a heading; Quorvel Markup underlines nothing, but
    // a line of "-" can still be a divider there.
    static const auto underline = plat::Regex::create(QStringLiteral("(?<=\\n|\\r) {0,3}(=+|-+)[ \\t]*$"),
                                                      plat::RegexAnchorsMatchLines);
    static const auto dashes = plat::Regex::create(QStringLiteral("(?<=\\n|\\r) {0,3}(-+)[ \\t]*$"),
                                                   plat::RegexAnchorsMatchLines);
    // (A heading's own underline is written after its text on purpose.)
    const bool heading = n > 0 && !paragraph.attributeAtIndex(ZQAttr::FilterHeading, 0).isNull();
    for (const auto& match : heading ? std::vector<plat::TextCheckingResult>()
                                     : (quorvel ? dashes : underline)->matches(text, plat::wholeRange(text))) {
        const qsizetype first = match.rangeAtIndex(1).location;
        if (plain(first))
            escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(first, 1)));
    }
    // Nor may a further line begin with what would start a block there: a
    // list item, a quote, a heading.
    static const QString blockStartPattern =
        QStringLiteral("(?<=\\n|\\r) {0,3}(?:(>)|([-*+])(?=[ \\t])|(#)(?=#{0,5}(?:[ \\t]|$))|\\d{1,9}([.)])(?=[ \\t]|$)");
    static const auto markdownBlockStart =
        plat::Regex::create(blockStartPattern + u')', plat::RegexAnchorsMatchLines);
    static const auto quorvelBlockStart =
        plat::Regex::create(blockStartPattern + QStringLiteral("|h[1-6](\\.)(?=[ \\t]))"), plat::RegexAnchorsMatchLines);
    const auto& blockStart = quorvel ? quorvelBlockStart : markdownBlockStart;
    for (const auto& match : blockStart->matches(text, plat::wholeRange(text))) {
        for (int group = 1; group < match.numberOfRanges(); ++group) {
            const Range marker = match.rangeAtIndex(group);
            if (marker.isNotFound() || marker.length == 0)
                continue;
            if (plain(marker.location)
                && std::none_of(border.begin() + match.range().location, border.begin() + marker.location + 1,
                                [](char at) { return at != 0; }))
                escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(marker.location, 1)));
            break;
        }
    }
    std::vector<char> underlined(std::size_t(n), 0);
    for (const auto& escape : escapes)
        underlined[std::size_t(escape->bodyRange().location)] = 1;
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (c == u'&') {
            // A link's text keeps none of its entities: an "&" that would
            // begin one again is escaped.
            if (plain(i) && readsAsEntity(text, i))
                escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(i, 1)));
            ++i;
            continue;
        }
        if (c == u'\\') {
            if (plain(i) && (border[std::size_t(i + 1)] || (i + 1 < n && ZQShared::isAsciiPunctuation(text.at(i + 1)))))
                escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(i, 1)));
            ++i;
            continue;
        }
        if (!delimiter(c) || !plain(i) || underlined[std::size_t(i)]) {
            ++i;
            continue;
        }
        // The run, cut where a marker begins or ends.
        qsizetype end = i + 1;
        while (end < n && text.at(end) == c && !border[std::size_t(end)] && plain(end))
            ++end;
        bool escaped = c == u'`';
        if (!escaped && !(c == u'~' && !quorvel && end - i == 1)) {
            const bool hasBefore = i > 0;
            const bool hasAfter = end < n;
            const QChar before = hasBefore ? text.at(i - 1) : QChar();
            const QChar after = hasAfter ? text.at(end) : QChar();
            // A marker written beside the run is punctuation there.
            const bool beforeBorder = border[std::size_t(i)];
            const bool afterBorder = border[std::size_t(end)];
            escaped = ZQInlinePatterns::delimiterRunType(
                          c, {hasBefore, hasBefore && !beforeBorder && blank.contains(before),
                              hasBefore && (beforeBorder || ZQShared::isAsciiPunctuation(before))},
                          {hasAfter, hasAfter && !afterBorder && blank.contains(after),
                           hasAfter && (afterBorder || ZQShared::isAsciiPunctuation(after))})
                != 0;
        }
        if (escaped)
            escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(i, end - i)));
        i = end;
    }
    return escapes;
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

ZQRichParser::Markers ZQRichParser::fixAttributeRanges(Markers markers, const QString& paragraph,
                                                       quint64 markupType) const
{
    sortAttributes(markers);

    // Where such a marker begins or ends between two letters, the neighbours
    // of another kind it splits stay two markers, so that their own markup
    // stands beside it. (Its own pieces, split by other styles, join there.)
    std::map<qsizetype, std::map<quint64, int>> ends; // +1 a start, -1 an end, per kind
    for (const auto& marker : markers) {
        if (notWithinWords(marker->nodeType(), markupType)) {
            ++ends[marker->bodyRange().location][marker->nodeType()];
            --ends[marker->bodyRange().end()][marker->nodeType()];
        }
    }
    const auto letter = [&](qsizetype i) {
        return i >= 0 && i < paragraph.size() && !plat::CharacterSet::whitespaceAndNewline().contains(paragraph.at(i))
            && !ZQShared::isAsciiPunctuation(paragraph.at(i));
    };
    const auto keptApart = [&](qsizetype at, quint64 type) {
        const auto found = ends.find(at);
        return found != ends.end() && letter(at - 1) && letter(at)
            && std::any_of(found->second.begin(), found->second.end(),
                           [type](const auto& kind) { return kind.first != type && kind.second != 0; });
    };

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
            // Two links side by side stay two: only one link's runs join.
            const bool sameLink = type != ZQNodeType::Link
                || markers[found->second]->attachedUuid() == marker.attachedUuid();
            if (body.location == earlier.end() && sameLink && !keptApart(body.location, type)) {
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
    // Over the same text a style goes outside a construct written whole (a
    // link or image keeps no style of its own text), and a marker that must
    // not touch letters outside another style, with that one's markup between
    // it and the text.
    std::stable_sort(kept.begin(), kept.end(), [markupType](const auto& a, const auto& b) {
        const Range x = a->bodyRange();
        const Range y = b->bodyRange();
        if (x.location != y.location)
            return x.location < y.location;
        if (x.length != y.length)
            return x.length > y.length;
        if (isCuttable(a->nodeType()) != isCuttable(b->nodeType()))
            return isCuttable(a->nodeType());
        return notWithinWords(a->nodeType(), markupType) && !notWithinWords(b->nodeType(), markupType);
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

    // Markup closes right after the last visible character; a span of blanks
    // only writes nothing. The blanks of a code span are its text: only line
    // breaks at its ends stay outside, and a marker around the span stops at
    // them too (inside the span it would be code).
    std::vector<char> code(std::size_t(paragraph.size()), 0);
    for (const auto& marker : kept) {
        if (marker->nodeType() != ZQNodeType::CodeSpan)
            continue;
        const Range body = marker->bodyRange();
        std::fill(code.begin() + body.location, code.begin() + body.end(), 1);
    }
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();
    const auto movable = [&](qsizetype i) { return !code[std::size_t(i)] && blank.contains(paragraph.at(i)); };
    Markers trimmed;
    trimmed.reserve(kept.size());
    for (const auto& marker : kept) {
        Range range = marker->bodyRange();
        if (marker->nodeType() == ZQNodeType::CodeSpan) {
            range = ZQShared::rangeOfTrimCharactersInSet(paragraph, plat::CharacterSet::newline(), range);
        } else {
            qsizetype first = range.location;
            qsizetype end = range.end();
            while (first < end && movable(first))
                ++first;
            while (end > first && movable(end - 1))
                --end;
            range = Range(first, end - first);
        }
        if (range.location == plat::NotFound || range.length == 0)
            continue;
        marker->setBodyRange(range);
        trimmed.push_back(marker);
    }
    return trimmed;
}
