// One paragraph's rich styles as inline markup: styles become markers, the
// markers are merged and uncrossed, and their borders are written by the
// inline filters from the end of the paragraph towards its start.

#include "kit/parsers/ZQRichParser.h"

#include "kit/model/ZQFilterDispatch.h"
#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQInlinePatterns.h"
#include "kit/model/ZSTextAttachment.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/foundation/CharacterSet.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include <QDebug>
#include <algorithm>
#include <functional>
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
bool notWithinWords(quint64 type, ZQMarkupType markupType)
{
    return markupType == ZQMarkupType::QuorvelMarkup
        && (type == ZQNodeType::StrikeThrough || type == ZQNodeType::Underline);
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

// Text inside code, raw HTML, escapes, the constructs written whole and the
// definition lines kept as text is written as it stands.
bool isPlainText(const plat::AttributedString& paragraph, qsizetype i)
{
    static const QString kept[] = {ZQAttr::FilterCode, ZQAttr::FilterCodeBlock, ZQAttr::IndentBlock,
                                   ZQAttr::Raw,        ZQAttr::Escaped,         ZQAttr::MacroTag,
                                   ZQAttr::MacroImage, ZQAttr::MacroFootnote,   ZQAttr::Entity,
                                   ZQAttr::HtmlTag,    ZQAttr::Autolink,        ZQAttr::LinkRef};
    const plat::Attributes attributes = paragraph.attributesAtIndex(i);
    return std::none_of(std::begin(kept), std::end(kept),
                        [&](const QString& name) { return !attributes.value(name).isNull(); });
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// A line starts at the paragraph's start and after each line break (a CR LF
// pair is one).
bool startsLine(const QString& text, qsizetype i)
{
    return i == 0 || (text.at(i - 1) == u'\n') || (text.at(i - 1) == u'\r' && (i == text.size() || text.at(i) != u'\n'));
}

// The paragraph without the blanks that begin its further lines: the markup
// drops them, and written after the container markers of the line they would
// join those markers' own blank or indent the line into another block.
std::optional<plat::MutableAttributedString> withoutContinuationBlanks(const plat::AttributedString& paragraph)
{
    const QString& text = paragraph.string();
    std::vector<Range> blanks;
    const auto blank = [&](qsizetype k) {
        return (text.at(k) == u' ' || text.at(k) == u'\t') && isPlainText(paragraph, k);
    };
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (!startsLine(text, i) || !blank(i))
            continue;
        qsizetype end = i;
        while (end < text.size() && blank(end))
            ++end;
        blanks.push_back(Range(i, end - i));
        i = end - 1;
    }
    if (blanks.empty())
        return std::nullopt;
    plat::MutableAttributedString trimmed(paragraph);
    for (auto it = blanks.rbegin(); it != blanks.rend(); ++it)
        trimmed.deleteCharacters(*it);
    return trimmed;
}

// The characters to escape so that the line beginning at start, written at
// the start of a markup line, does not open a block there (a list item,
// quote, heading, fence or divider); not found when it opens none. Only
// characters the markup shows as themselves (asItself) can make a marker.
Range blockOpening(const QString& text, qsizetype start, bool quorvel, const std::function<bool(qsizetype)>& asItself)
{
    qsizetype q = start;
    qsizetype column = 0;
    while (q < text.size() && (text.at(q) == u' ' || text.at(q) == u'\t')) {
        column = text.at(q) == u'\t' ? (column / 4 + 1) * 4 : column + 1;
        ++q;
    }
    if (column >= 4 || q >= text.size())
        return Range::notFound();
    qsizetype lineEnd = q;
    while (lineEnd < text.size() && !isLineBreak(text.at(lineEnd)))
        ++lineEnd;
    // Up to shownEnd the line's characters are written as themselves.
    qsizetype shownEnd = q;
    while (shownEnd < lineEnd && asItself(shownEnd))
        ++shownEnd;
    if (shownEnd == q)
        return Range::notFound();
    const auto endsMarker = [&](qsizetype k) {
        return k >= lineEnd || (k < shownEnd && (text.at(k) == u' ' || text.at(k) == u'\t'));
    };
    const auto run = [&](QChar c) {
        qsizetype k = q;
        while (k < shownEnd && text.at(k) == c)
            ++k;
        return k - q;
    };
    const QChar c = text.at(q);
    if (c == u'>')
        return Range(q, 1);
    if ((c == u'-' || c == u'+' || c == u'*' || (quorvel && c == u'#')) && endsMarker(q + 1))
        return Range(q, 1);
    if (c == u'-' || c == u'*' || c == u'_') {
        // A divider: three or more of one of them, blanks between.
        qsizetype marks = 0;
        bool others = shownEnd < lineEnd;
        for (qsizetype k = q; k < lineEnd && !others; ++k) {
            marks += text.at(k) == c;
            others = text.at(k) != c && text.at(k) != u' ' && text.at(k) != u'\t';
        }
        return !others && marks >= 3 ? Range(q, 1) : Range::notFound();
    }
    if (c == u'#' && !quorvel) {
        const qsizetype signs = run(c);
        return signs <= 6 && endsMarker(q + signs) ? Range(q, 1) : Range::notFound();
    }
    if (c == u'~') {
        const qsizetype tildes = run(c);
        return tildes >= 3 ? Range(q, tildes) : Range::notFound();
    }
    if (c.isDigit() && c.unicode() < 128) {
        qsizetype k = q;
        while (k < shownEnd && text.at(k).unicode() >= u'0' && text.at(k).unicode() <= u'9')
            ++k;
        return k < shownEnd && (text.at(k) == u'.' || text.at(k) == u')') && endsMarker(k + 1) ? Range(k, 1)
                                                                                               : Range::notFound();
    }
    if (quorvel && c == u'h' && q + 3 < shownEnd && text.at(q + 1) >= u'1' && text.at(q + 1) <= u'6'
        && text.at(q + 2) == u'.' && (text.at(q + 3) == u' ' || text.at(q + 3) == u'\t'))
        return Range(q + 2, 1);
    return Range::notFound();
}

// Markdown writes an emphasis or a strong span with "*" or "_". Where one
// such span closes and another opens at the same place, markers of one
// character would join into one run that the next reading pairs otherwise:
// the spans closing there (or else those opening there) are written with
// "_" where "_" opens and closes at both their ends, markers written beside
// it counting as punctuation.
void chooseEmphasisDelimiters(const std::vector<std::shared_ptr<ZQInlineMarker>>& markers, const QString& text)
{
    std::map<qsizetype, std::vector<std::shared_ptr<ZQInlineMarker>>> closing;
    std::map<qsizetype, std::vector<std::shared_ptr<ZQInlineMarker>>> opening;
    for (const auto& marker : markers) {
        if (marker->nodeType() == ZQNodeType::Emphasis || marker->nodeType() == ZQNodeType::Strong) {
            marker->setDelimiter(u'*');
            closing[marker->bodyRange().end()].push_back(marker);
            opening[marker->bodyRange().location].push_back(marker);
        }
    }
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();
    const auto side = [&](qsizetype i, bool marked) {
        const bool present = marked || (i >= 0 && i < text.size());
        return ZQInlinePatterns::RunSide{present, !marked && present && blank.contains(text.at(i)),
                                         marked || (present && ZQShared::isAsciiPunctuation(text.at(i)))};
    };
    // Whether another marker is written between the marker's border at and
    // the text before it (or after it).
    const auto marked = [&](const ZQInlineMarker& marker, qsizetype at, bool opens, bool before) {
        const Range own = marker.bodyRange();
        return std::any_of(markers.begin(), markers.end(), [&](const auto& other) {
            const Range body = other->bodyRange();
            if (other.get() == &marker)
                return false;
            if (opens)
                return before ? body.end() == at || (body.location == at && body.end() > own.end())
                              : body.location == at && body.end() < own.end();
            return before ? body.end() == at && body.location > own.location
                          : body.location == at || (body.end() == at && body.location < own.location);
        });
    };
    const auto underscoreFits = [&](const ZQInlineMarker& marker) {
        const Range body = marker.bodyRange();
        const quint64 start = ZQInlinePatterns::delimiterRunType(
            u'_', side(body.location - 1, marked(marker, body.location, true, true)),
            side(body.location, marked(marker, body.location, true, false)));
        const quint64 end = ZQInlinePatterns::delimiterRunType(
            u'_', side(body.end() - 1, marked(marker, body.end(), false, true)),
            side(body.end(), marked(marker, body.end(), false, false)));
        return (start == 1 || start == 2) && (end == 1 || end == 3);
    };
    const auto joins = [&](qsizetype at) {
        const auto closes = closing.find(at);
        const auto opens = opening.find(at);
        if (closes == closing.end() || opens == opening.end())
            return false;
        return std::any_of(closes->second.begin(), closes->second.end(), [&](const auto& a) {
            return std::any_of(opens->second.begin(), opens->second.end(),
                               [&](const auto& b) { return a->delimiter() == b->delimiter(); });
        });
    };
    for (const auto& [at, closers] : closing) {
        if (!joins(at))
            continue;
        const std::vector<std::shared_ptr<ZQInlineMarker>>* const groups[] = {&closers, &opening[at]};
        for (const auto* group : groups) {
            if (!std::all_of(group->begin(), group->end(), [&](const auto& m) { return underscoreFits(*m); }))
                continue;
            for (const auto& marker : *group)
                marker->setDelimiter(u'_');
            const bool settles = std::all_of(group->begin(), group->end(), [&](const auto& m) {
                return !joins(m->bodyRange().location) && !joins(m->bodyRange().end());
            });
            if (settles)
                break;
            for (const auto& marker : *group)
                marker->setDelimiter(u'*');
        }
    }
}

} // namespace

QString ZQRichParser::parseParagraph(const plat::AttributedString& rich, ZQRenderContext& context)
{
    // An image that writes nothing leaves no trace: what stood around it is
    // written as neighbours, as the next reading sees them.
    std::optional<plat::MutableAttributedString> cut;
    rich.enumerateAttribute(ZQAttr::MacroImage, plat::wholeRange(rich.string()), plat::EnumerationReverse,
                               [&](const plat::Value& value, Range run, bool*) {
                                   const auto style = value.toObject<ZQImageStyle>();
                                   const auto storage =
                                       style ? context.getAttachedStorage(style->uuid(), ZQAttr::MacroImage) : nullptr;
                                   const auto image = storage ? storage->attachedObject() : nullptr;
                                   if (image && ZQImageFilter::writesNothing(*image)) {
                                       if (!cut)
                                           cut.emplace(rich);
                                       cut->deleteCharacters(run);
                                   }
                               });
    const plat::AttributedString& shown = cut ? *cut : rich;
    const std::optional<plat::MutableAttributedString> trimmed = withoutContinuationBlanks(shown);
    const plat::AttributedString& paragraph = trimmed ? *trimmed : shown;
    Markers markers = fixAttributeRanges(parseRichAttributeInParagraph(paragraph, context), paragraph.string(),
                                         context.runningMarkupType());
    if (context.runningMarkupType() != ZQMarkupType::QuorvelMarkup)
        chooseEmphasisDelimiters(markers, paragraph.string());
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

    // Borders are written from the paragraph's end towards its start, and the
    // writers of one position touch the text before it, the character after it
    // and the bodies of the constructs written whole that open there. What lies
    // further on is final: it is set aside, so that each insertion moves only
    // the text it can still change and not the rest of the paragraph.
    QString result = paragraph.string();
    std::vector<QString> finished; // the written end, its last piece first
    for (auto it = borders.rbegin(); it != borders.rend(); ++it) {
        auto& atPosition = it->second;
        std::stable_sort(atPosition.begin(), atPosition.end(),
                         [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
        qsizetype reach = it->first + 1;
        for (const auto& border : atPosition) {
            if (border->openTag() && !isCuttable(border->marker()->nodeType()))
                reach += border->marker()->bodyRange().length;
        }
        if (reach < result.size()) {
            finished.push_back(result.sliced(reach));
            result.truncate(reach);
        }
        for (const auto& border : atPosition) {
            ZQFilterDispatch::first<ZQRichToMarkdownWriter>(
                m_inlineFilters,
                [&](ZQRichToMarkdownWriter& writer) { return writer.renderRichToMarkdown(result, *border, context); },
                "renderRichToMarkdown");
        }
    }
    if (finished.empty())
        return result;
    qsizetype total = result.size();
    for (const QString& piece : finished)
        total += piece.size();
    result.reserve(total);
    for (auto piece = finished.rbegin(); piece != finished.rend(); ++piece)
        result += *piece;
    return result;
}

// A character the rich text shows as itself must read back as itself: a run
// of a delimiter character that the inline parser would open or close a span
// with (the flanking rules of its delimiter runs, a marker written beside it
// counting as punctuation), any plain backtick, a backslash before
// punctuation, the first character of a further line that would read as a
// heading underline and the marker of a block that a line's text would open
// are written escaped. Text that is not plain (isPlainText) is left alone.
ZQRichParser::Markers ZQRichParser::literalDelimiterEscapes(const plat::AttributedString& paragraph,
                                                            const Markers& markers, ZQMarkupType markupType)
{
    const QString& text = paragraph.string();
    const qsizetype n = text.size();
    const bool quorvel = markupType == ZQMarkupType::QuorvelMarkup;
    std::vector<char> border(std::size_t(n) + 1, 0);
    for (const auto& marker : markers) {
        const Range body = marker->bodyRange();
        if (body.location >= 0 && body.end() <= n) {
            border[std::size_t(body.location)] = 1;
            border[std::size_t(body.end())] = 1;
        }
    }
    const auto plain = [&](qsizetype i) { return isPlainText(paragraph, i); };
    const auto delimiter = [&](QChar c) {
        return c == u'*' || c == u'_' || c == u'~' || c == u'`' || c == u'+' || (quorvel && c == u'-');
    };
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();

    Markers escapes;
    // A further line of the paragraph made of "=" or "-" alone would underline
    // the lines above it into a heading; Quorvel Markup underlines nothing, but
    // a line of "-" can still be a divider there.
    static const auto underline = plat::Regex::create(QStringLiteral("(?<=\\n|\\r) {0,3}([-=]+)[ \\t]*$"),
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
    std::vector<char> underlined(std::size_t(n), 0);
    for (const auto& escape : escapes)
        underlined[std::size_t(escape->bodyRange().location)] = 1;
    // A line whose text would open a block where it is written gets that
    // block's marker escaped, unless markup is written before its text.
    const auto shownAsItself = [&](qsizetype k) { return !border[std::size_t(k)] && plain(k); };
    for (qsizetype i = 0; i < n && !heading; ++i) {
        if (!startsLine(text, i) || underlined[std::size_t(i)])
            continue;
        const Range opening = blockOpening(text, i, quorvel, shownAsItself);
        if (opening.isNotFound())
            continue;
        escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, opening));
        for (qsizetype k = opening.location; k < opening.end(); ++k)
            underlined[std::size_t(k)] = 1;
    }
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
    // A link's text holds brackets only in pairs that open nothing: a lone
    // bracket would end the text early or begin it later, an empty pair or
    // one followed by "(" or "[" would be read as a link of its own.
    for (const auto& marker : markers) {
        if (marker->nodeType() != ZQNodeType::Link)
            continue;
        const Range body = marker->bodyRange();
        std::vector<qsizetype> open;
        for (qsizetype k = body.location; k < body.end() && k < n; ++k) {
            if (!plain(k) || (text.at(k) != u'[' && text.at(k) != u']'))
                continue;
            if (text.at(k) == u'[') {
                open.push_back(k);
                continue;
            }
            const bool opens = (!open.empty() && open.back() == k - 1)
                || (k + 1 < body.end() && (text.at(k + 1) == u'(' || text.at(k + 1) == u'['));
            if (!open.empty() && !opens) {
                open.pop_back();
                continue;
            }
            if (!open.empty()) {
                escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(open.back(), 1)));
                open.pop_back();
            }
            escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(k, 1)));
        }
        for (const qsizetype k : open)
            escapes.push_back(makeMarker(ZQNodeType::BackslashEscape, Range(k, 1)));
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
                        ZQLinkFilter::relabel(*link, text.mid(whole.location, whole.length), context);
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
                                                       ZQMarkupType markupType) const
{
    sortAttributes(markers);

    // Where such a marker begins or ends between two letters, its markup has
    // no neighbour to open or close beside but the markup of another style:
    // the neighbours of another kind it splits stay apart at both its ends,
    // and it goes outside them, their markers between it and the letters.
    // (Its own pieces, split by other styles, join there.)
    std::map<quint64, std::map<qsizetype, int>> ends; // +1 a start, -1 an end, per kind
    for (const auto& marker : markers) {
        if (notWithinWords(marker->nodeType(), markupType)) {
            ++ends[marker->nodeType()][marker->bodyRange().location];
            --ends[marker->nodeType()][marker->bodyRange().end()];
        }
    }
    const auto letter = [&](qsizetype i) {
        return i >= 0 && i < paragraph.size() && !plat::CharacterSet::whitespaceAndNewline().contains(paragraph.at(i))
            && !ZQShared::isAsciiPunctuation(paragraph.at(i));
    };
    const auto withinWord = [&](qsizetype at) { return letter(at - 1) && letter(at); };
    std::map<qsizetype, std::vector<quint64>> splitters; // per position, the kinds that keep others apart there
    for (const auto& [kind, borders] : ends) {
        std::optional<qsizetype> start;
        for (const auto& [at, count] : borders) {
            if (count > 0) {
                start = at;
            } else if (count < 0 && start) {
                if (withinWord(*start) || withinWord(at)) {
                    splitters[*start].push_back(kind);
                    splitters[at].push_back(kind);
                }
                start.reset();
            }
        }
    }
    const auto splits = [&](qsizetype at, quint64 type) {
        const auto found = splitters.find(at);
        return found != splitters.end() && std::find(found->second.begin(), found->second.end(), type) != found->second.end();
    };
    const auto keptApart = [&](qsizetype at, quint64 type) {
        const auto found = splitters.find(at);
        // A link is written whole: only a split between letters keeps its runs apart.
        return found != splitters.end() && (type != ZQNodeType::Link || withinWord(at))
            && std::any_of(found->second.begin(), found->second.end(), [type](quint64 kind) { return kind != type; });
    };
    const auto splitter = [&](const ZQInlineMarker& marker) {
        return splits(marker.bodyRange().location, marker.nodeType()) || splits(marker.bodyRange().end(), marker.nodeType());
    };

    // Equal neighbours become one marker; an emphasis inside another is the same one.
    std::map<quint64, std::size_t> latest;
    std::vector<bool> absorbed(markers.size(), false);
    for (std::size_t k = 0; k < markers.size(); ++k) {
        ZQInlineMarker& marker = *markers[k];
        const quint64 type = marker.nodeType();
        // Chips side by side are one tag's names (their comma is in their text).
        if (type != ZQNodeType::Link && type != ZQNodeType::TagMacro
            && (type < ZQNodeType::Strong || type > ZQNodeType::Underline))
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
    std::stable_sort(kept.begin(), kept.end(), [&](const auto& a, const auto& b) {
        const Range x = a->bodyRange();
        const Range y = b->bodyRange();
        if (x.location != y.location)
            return x.location < y.location;
        if (x.length != y.length)
            return x.length > y.length;
        if (isCuttable(a->nodeType()) != isCuttable(b->nodeType()))
            return isCuttable(a->nodeType());
        if (splitter(*a) != splitter(*b))
            return splitter(*a);
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
    // them too (inside the span it would be code). A link's last blanks are
    // its text as well: moved out they would join the text after it.
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();
    std::vector<char> ownText(std::size_t(paragraph.size()), 0);
    for (const auto& marker : kept) {
        if (marker->nodeType() != ZQNodeType::CodeSpan && marker->nodeType() != ZQNodeType::Link)
            continue;
        const Range body = marker->bodyRange();
        qsizetype first = body.location;
        while (marker->nodeType() == ZQNodeType::Link && first < body.end() && blank.contains(paragraph.at(first)))
            ++first;
        std::fill(ownText.begin() + first, ownText.begin() + body.end(), 1);
    }
    const auto movable = [&](qsizetype i) { return !ownText[std::size_t(i)] && blank.contains(paragraph.at(i)); };
    Markers trimmed;
    trimmed.reserve(kept.size());
    for (const auto& marker : kept) {
        Range range = marker->bodyRange();
        if (marker->nodeType() == ZQNodeType::Entity) {
            // A reference is written whole, a line break it stands for too.
        } else if (marker->nodeType() == ZQNodeType::CodeSpan) {
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
