#include "kit/filters/ZQParagraphScan.h"

#include "kit/filters/ZQBaseFilter.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQHTMLWriting.h"
#include "kit/filters/ZQInlinePatterns.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"

#include <algorithm>

// ---- ZQParagraphWindow ------------------------------------------------------

ZQParagraphWindow::ZQParagraphWindow(plat::MutableAttributedString& paragraph)
    : m_paragraph(paragraph), m_rest(paragraph)
{
    m_paragraph.deleteCharacters(plat::Range(0, m_paragraph.length()));
}

void ZQParagraphWindow::reach(qsizetype end)
{
    const qsizetype wanted = std::min(end, m_rest.length());
    if (wanted <= m_restTaken)
        return;
    m_paragraph.append(m_rest, plat::Range(m_restTaken, wanted - m_restTaken));
    m_restTaken = wanted;
}

// ---- ZQParagraphScan --------------------------------------------------------

namespace {

QString maskedCopy(const QString& text)
{
    QString safe = text;
    ZQShared::escapeSlashToSafeString(safe);
    return safe;
}

bool isBlank(char16_t c)
{
    return ZQInlinePatterns::blank().contains(QChar(c));
}

} // namespace

ZQParagraphScan::ZQParagraphScan(ZQParagraphParser& parser, plat::MutableAttributedString& paragraph,
                                 Markers* highlighters, qint64 options, ZQRenderContext& context)
    : m_parser(parser)
    , m_paragraph(paragraph)
    , m_window(paragraph)
    , m_highlighters(highlighters)
    , m_options(options)
    , m_context(context)
    , m_quorvelMarkup(context.runningMarkupType() == ZQMarkupType::QuorvelMarkup)
    , m_unsafe(m_window.original())
    , m_safe(maskedCopy(m_unsafe))
    , m_u(reinterpret_cast<const char16_t*>(m_unsafe.utf16()))
    , m_s(reinterpret_cast<const char16_t*>(m_safe.utf16()))
    , m_n(m_unsafe.size())
    , m_edits(size_t(m_n) + 2, 0)
{
}

qsizetype ZQParagraphScan::paragraphPosition(qsizetype safePosition) const
{
    qint64 shift = 0;
    for (qsizetype k = std::min(safePosition, m_n) + 1; k > 0; k -= k & -k)
        shift += m_edits[size_t(k)];
    return safePosition + shift;
}

void ZQParagraphScan::edited(qsizetype safeEnd, qint64 delta)
{
    if (delta == 0)
        return;
    for (qsizetype k = std::min(safeEnd, m_n) + 1; k < qsizetype(m_edits.size()); k += k & -k)
        m_edits[size_t(k)] += delta;
}

void ZQParagraphScan::collect(const MarkerPtr& marker)
{
    if ((m_options & ZQParagraphParser::HighlightOption) && m_highlighters)
        m_highlighters->push_back(marker);
}

void ZQParagraphScan::run()
{
    m_levels.emplace_back();
    qsizetype i = 0;
    for (;;) {
        if (i < m_n) {
            step(i);
            continue;
        }
        // An opener that never met its "]" leaves its runs to the level below,
        // where they pair with the runs before it.
        endSection(m_levels.back(), m_n, m_levels.size() == 1);
        if (m_levels.size() == 1)
            break;
        closeLevel(false);
    }
    flushSpans();
    reachTo(m_n);
    if (m_options & ZQParagraphParser::RenderOption)
        m_parser.escapeFilter()->renderMarkdown(m_paragraph, Markers(), m_context);
}

void ZQParagraphScan::step(qsizetype& i)
{
    Level& level = m_levels.back();
    const char16_t c = m_s[i];
    switch (level.state) {
    case 4: // inside a delimiter run
        if (c == level.runChar) {
            ++i;
        } else {
            classifyRun(level, i);
            level.state = 0;
        }
        return;
    case 6: // after "!"
        level.state = 0;
        if (c == u'[') {
            openBracket(i, true);
            ++i;
        }
        return;
    case 1: { // after "<"
        level.state = 0;
        if (c == u'!') {
            level.state = 2;
            ++i;
            return;
        }
        const qsizetype resume = tryAngle(i);
        if (resume >= 0) {
            i = resume;
            return;
        }
        escapePlain(i - 1, u'<');
        if (c == u'/' || c == u'?')
            ++i;
        return;
    }
    case 2: { // after "<!"
        level.state = 0;
        const qsizetype resume = tryBang(i);
        if (resume >= 0) {
            i = resume;
            return;
        }
        escapePlain(i - 2, u'<');
        if (c == u'[')
            openBracket(i, true);
        ++i;
        return;
    }
    default:
        break;
    }

    switch (c) {
    case u'*':
    case u'+':
    case u'_':
    case u'~':
        level.state = 4;
        level.runChar = c;
        level.runStart = i++;
        return;
    case u'-':
        if (m_quorvelMarkup) {
            level.state = 4;
            level.runChar = c;
            level.runStart = i++;
        } else {
            ++i;
        }
        return;
    case u'`':
        i = tryCodeSpan(i);
        return;
    case u'[':
        openBracket(i, false);
        ++i;
        return;
    case u']': {
        if (m_linkMarkers.empty()) {
            ++i;
            if (m_levels.size() > 1) {
                endSection(level, i, false);
                closeLevel(false);
            }
            return;
        }
        const qsizetype consumed = tryLink(i, level);
        i += 1 + std::max<qsizetype>(consumed, 0);
        if (m_levels.size() > 1) {
            endSection(m_levels.back(), i, consumed >= 0);
            closeLevel(consumed >= 0);
        }
        return;
    }
    case u'!':
        level.state = 6;
        ++i;
        return;
    case u'<':
        level.state = 1;
        ++i;
        return;
    case u'&':
        i = tryEntity(i);
        return;
    case u'>':
    case u'"':
        escapePlain(i, c);
        ++i;
        return;
    default:
        ++i;
        return;
    }
}

void ZQParagraphScan::endSection(Level& level, qsizetype end, bool pair)
{
    if (level.state == 4)
        classifyRun(level, end);
    if (pair && m_delimiters.size() >= level.base + 2)
        pairDelimiters(level.base, false);
    if (level.state == 1)
        escapePlain(m_n - 1, u'<');
    else if (level.state == 2)
        escapePlain(m_n - 2, u'<');
    level.state = 0;
}

void ZQParagraphScan::closeLevel(bool linkMade)
{
    if (linkMade)
        m_delimiters.resize(m_levels.back().base);
    m_levels.pop_back();
    m_levels.back().state = 0;
}

void ZQParagraphScan::escapePlain(qsizetype safePosition, char16_t c)
{
    if (htmlText())
        replacePlain(safePosition, 1, ZQHTMLWriting::reservedEntity(QChar(c)));
}

void ZQParagraphScan::replacePlain(qsizetype safePosition, qsizetype length, const QString& with)
{
    reachTo(safePosition + length);
    m_paragraph.replaceCharacters(plat::Range(paragraphPosition(safePosition), length), with);
    edited(safePosition + length, with.size() - length);
}

void ZQParagraphScan::markRaw(plat::Range range, const QString& key)
{
    // Element markup a filter wrote keeps its own mark.
    std::vector<plat::Range> unmarked;
    m_paragraph.enumerateAttribute(ZQAttr::Raw, range, 0, [&](const plat::Value& value, plat::Range run, bool*) {
        if (value.isNull())
            unmarked.push_back(run);
    });
    for (const plat::Range& run : unmarked)
        m_paragraph.addAttribute(ZQAttr::Raw, key, run);
}

void ZQParagraphScan::reachTo(qsizetype safeEnd)
{
    m_scanned = std::max(m_scanned, safeEnd);
    m_window.reach(m_scanned);
}

// ---- Delimiter runs -----------------------------------------------------------

void ZQParagraphScan::classifyRun(Level& level, qsizetype runEnd)
{
    const char16_t d = level.runChar;
    const qsizetype start = level.runStart;
    const qsizetype length = runEnd - start;
    level.state = 0;
    if (d == u'~' && length == 1 && !m_quorvelMarkup)
        return;
    const bool hasBefore = start > 0;
    const bool hasAfter = runEnd < m_n;
    if (!hasBefore && !hasAfter)
        return;
    // The neighbours as written: an escaped character (masked in the safe
    // text) is punctuation beside a run, and so is the backslash before it.
    const char16_t before = hasBefore ? m_u[start - 1] : 0;
    const char16_t after = hasAfter ? m_u[runEnd] : 0;
    const quint64 type = ZQInlinePatterns::delimiterRunType(
        QChar(d), {hasBefore, hasBefore && isBlank(before), hasBefore && ZQShared::isAsciiPunctuation(QChar(before))},
        {hasAfter, hasAfter && isBlank(after), hasAfter && ZQShared::isAsciiPunctuation(QChar(after))});
    if (type == 0)
        return;

    auto record = std::make_shared<ZQInlineMarker>();
    record->setMarkerRange(plat::Range(start, length));
    record->setDelimiter(d);
    record->setDelimiterType(type);
    m_delimiters.push_back(record);
}

// Pairs closers with the nearest earlier openers of the same character, as
// CommonMark does: a run that can both open and close does not pair with one
// whose length makes the two add up to a multiple of three (unless both are
// multiples of three), and the runs between a closer and its opener are
// dropped; runs passed by a search that found nothing stay. Records are kept
// in a linked list so that used ones are never walked again, and a failed
// search remembers where it stopped for closers of its kind: pairing stays
// linear however the runs are arranged.
void ZQParagraphScan::pairDelimiters(size_t base, bool forImageAlt)
{
    const MarkerPtr* delimiters = m_delimiters.data() + base;
    const qsizetype count = qsizetype(m_delimiters.size() - base);
    std::vector<qsizetype> prev(count), next(count), runLength(count);
    for (qsizetype k = 0; k < count; ++k) {
        prev[k] = k - 1;
        next[k] = k + 1;
        runLength[k] = delimiters[k]->markerRange().length;
    }
    std::vector<char> used(count, 0);
    auto unlink = [&](qsizetype k) {
        if (used[k])
            return;
        used[k] = 1;
        if (prev[k] >= 0)
            next[prev[k]] = next[k];
        if (next[k] < count)
            prev[next[k]] = prev[k];
    };
    const auto both = [&](qsizetype k) { return delimiters[k]->delimiterType() == 1; };
    const auto ruleOfThree = [&](qsizetype o, qsizetype c) {
        return (both(o) || both(c)) && (runLength[o] + runLength[c]) % 3 == 0
            && !(runLength[o] % 3 == 0 && runLength[c] % 3 == 0);
    };
    // A tag is a name on one line: its "+" pair never spans a line break.
    std::vector<qsizetype> line(count, 0);
    for (qsizetype k = 1; k < count; ++k) {
        line[k] = line[k - 1];
        const qsizetype to = std::min(delimiters[k]->markerRange().location, m_n);
        for (qsizetype p = delimiters[k - 1]->markerRange().location; p < to; ++p) {
            if (m_u[p] == u'\n' || m_u[p] == u'\r')
                ++line[k];
        }
    }
    const auto sameLine = [&](qsizetype o, qsizetype c) {
        return delimiters[c]->delimiter() != u'+' || line[o] == line[c];
    };
    // No opener for closers of a kind (character, whether the closer can
    // open, its length modulo three) lies below the index kept for it.
    QHash<quint32, qsizetype> bottom;
    Markers spans;

    for (qsizetype c = 1; c < count; ++c) {
        const MarkerPtr& closer = delimiters[c];
        if (used[c] || closer->markerRange().length == 0
            || (closer->delimiterType() != 1 && closer->delimiterType() != 3))
            continue;
        const char16_t d = closer->delimiter();
        const quint32 kind = (quint32(d) << 3) | (both(c) ? 4u : 0u) | quint32(runLength[c] % 3);
        const qsizetype lowest = bottom.value(kind, 0);
        std::vector<qsizetype> between;
        bool found = false;
        qsizetype o = prev[c];
        while (closer->markerRange().length > 0) {
            std::vector<qsizetype> passed;
            while (o >= lowest) {
                const MarkerPtr& record = delimiters[o];
                if (record->markerRange().length > 0) {
                    if (record->delimiter() == d && (record->delimiterType() == 1 || record->delimiterType() == 2)
                        && !ruleOfThree(o, c) && sameLine(o, c))
                        break;
                    passed.push_back(o);
                }
                o = prev[o];
            }
            found = o >= lowest;
            if (!found)
                break;
            between.insert(between.end(), passed.begin(), passed.end());

            const MarkerPtr& opener = delimiters[o];
            const plat::Range openRange = opener->markerRange();
            const plat::Range closeRange = closer->markerRange();
            const qsizetype taken = std::min(openRange.length, closeRange.length);
            const plat::Range openTag(openRange.end() - taken, taken);
            const plat::Range closeTag(closeRange.location, taken);
            opener->setMarkerRange(plat::Range(openRange.location, openRange.length - taken));
            closer->setMarkerRange(plat::Range(closeRange.location + taken, closeRange.length - taken));
            spans.push_back(ZQInlineMarker::initBaseInlineMarkerWithStartTag(
                ZQInlineMarkerTag::tagWithRange(openTag, true, d, forImageAlt),
                ZQInlineMarkerTag::tagWithRange(closeTag, false, d, forImageAlt)));
            if (opener->markerRange().length == 0) {
                const qsizetype below = prev[o];
                unlink(o);
                o = below;
            }
        }
        if (closer->markerRange().length == 0)
            unlink(c);
        for (const qsizetype k : between)
            unlink(k);
        if (!found)
            bottom.insert(kind, c);
    }

    const bool elements = insideImageOpener();
    for (const MarkerPtr& span : spans)
        m_pending.push_back({span, elements});

    size_t kept = base;
    for (qsizetype k = 0; k < count; ++k) {
        if (!used[k])
            m_delimiters[kept++] = m_delimiters[base + size_t(k)];
    }
    m_delimiters.resize(kept);
}

ZQProcessLength ZQParagraphScan::renderSpans(const Markers& spans)
{
    struct TagEdit {
        plat::Range safe;   // the tag in the safe text
        plat::Range before; // the tag in the paragraph before rendering
        std::shared_ptr<ZQInlineMarkerTag> tag;
    };
    std::vector<TagEdit> tags;
    tags.reserve(spans.size() * 2);
    qsizetype reach = 0;
    for (const MarkerPtr& span : spans) {
        // A tag shows its names as written: the spans and escapes inside it
        // are rendered before it and would leave their markers out.
        if (span->startTag()->delimiter() == u'+') {
            const qsizetype bodyStart = span->startTag()->markerRange().end();
            span->setWrittenBody(m_unsafe.mid(bodyStart, span->endTag()->markerRange().location - bodyStart));
        }
        for (const auto& tag : {span->startTag(), span->endTag()}) {
            const plat::Range safe = tag->markerRange();
            const plat::Range before(paragraphPosition(safe.location), safe.length);
            tags.push_back({safe, before, tag});
            reach = std::max(reach, safe.end());
            tag->setMarkerRange(before);
        }
        const plat::Range open = span->startTag()->markerRange();
        const plat::Range close = span->endTag()->markerRange();
        span->setMarkerRange(plat::Range(open.location, close.end() - open.location));
        span->setBodyRange(plat::Range(open.end(), close.location - open.end()));
    }
    reachTo(reach);
    const ZQProcessLength result = m_parser.baseFilter()->renderMarkdown(m_paragraph, spans, m_context);
    if (result.handled) {
        for (const MarkerPtr& span : spans)
            collect(span);
    }
    // Each tag now stands where the filter left it: its change of length is how
    // far the text after it moved, less how far the text after the tag before did.
    std::sort(tags.begin(), tags.end(),
              [](const TagEdit& a, const TagEdit& b) { return a.safe.location < b.safe.location; });
    qint64 previous = 0;
    for (const TagEdit& edit : tags) {
        const qint64 moved = qint64(edit.tag->markerRange().end()) - qint64(edit.before.end());
        edited(edit.safe.end(), moved - previous);
        previous = moved;
    }
    return result;
}

void ZQParagraphScan::markElements(const ZQInlineMarker& span)
{
    // Element markup that an image's alternative text must leave out.
    if (m_context.renderTargetType() != ZQRenderContext::TargetHTML)
        return;
    markRaw(span.startTag()->markerRange(), ZQHTMLWriting::ElementKey);
    markRaw(span.endTag()->markerRange(), ZQHTMLWriting::ElementKey);
}

void ZQParagraphScan::flushSpans()
{
    if (m_pending.empty())
        return;
    Markers spans;
    spans.reserve(m_pending.size());
    for (const PendingSpan& pending : m_pending)
        spans.push_back(pending.span);
    renderSpans(spans);
    for (const PendingSpan& pending : m_pending) {
        if (pending.elements)
            markElements(*pending.span);
    }
    m_pending.clear();
}

// ---- Code spans and entities ---------------------------------------------------

qsizetype ZQParagraphScan::tryCodeSpan(qsizetype i)
{
    qsizetype runLength = 0;
    while (i + runLength < m_n && m_u[i + runLength] == u'`')
        ++runLength;
    if (runLength == 0) // an escaped backtick reads as a backtick only in the masked text
        return i + 1;

    if (!m_backticksIndexed) {
        m_backticksIndexed = true;
        for (qsizetype k = 0; k < m_n;) {
            if (m_u[k] != u'`') {
                ++k;
                continue;
            }
            qsizetype end = k;
            while (end < m_n && m_u[end] == u'`')
                ++end;
            m_backtickRuns[end - k].push_back(k);
            k = end;
        }
    }
    const auto runs = m_backtickRuns.constFind(runLength);
    if (runs == m_backtickRuns.cend())
        return i + runLength;
    const auto closing = std::lower_bound(runs->begin(), runs->end(), i + runLength);
    if (closing == runs->end())
        return i + runLength;

    const qsizetype spanLength = *closing + runLength - i;
    const qsizetype start = paragraphPosition(i);
    auto span = ZQInlineMarker::initBaseInlineMarkerWithStartTag(
        ZQInlineMarkerTag::tagWithRange(plat::Range(i, runLength), true, u'`'),
        ZQInlineMarkerTag::tagWithRange(plat::Range(i + spanLength - runLength, runLength), false, u'`'));
    const ZQProcessLength result = renderSpans({span});
    if (result.handled) {
        if (insideImageOpener())
            markElements(*span);
        markRaw(plat::Range(start, spanLength + result.lengthChange), QStringLiteral("codeSpanTag"));
    }
    return i + spanLength;
}

qsizetype ZQParagraphScan::tryEntity(qsizetype i)
{
    const auto match = ZQInlinePatterns::shared().entityP->firstMatch(m_safe, plat::Range(i, m_n - i),
                                                                      plat::MatchingAnchored);
    QString value;
    qsizetype length = 0;
    if (match) {
        length = match->range().length;
        const QString reference = m_safe.mid(i, length);
        // Every reference goes through the one decoder, so NUL, surrogates and
        // code points past the last plane all become U+FFFD.
        value = ZQRenderUtil::convertEntity(reference, plat::wholeRange(reference), false);
        if (value == reference)
            value.clear();
    }
    if (value.isEmpty()) {
        escapePlain(i, u'&');
        return i + 1;
    }

    auto record = std::make_shared<ZQInlineMarker>();
    record->setNodeType(ZQNodeType::Entity);
    record->setMarkerRange(plat::Range(paragraphPosition(i), length));
    record->setEntityString(m_unsafe.mid(i, length));
    if (htmlText())
        ZQShared::escapeHTMLEntity(value);
    record->setEntityUnicode(value);
    if (m_options & ZQParagraphParser::RenderOption) {
        reachTo(i + length);
        edited(i + length, m_parser.tagEntityFilter()->renderMarkdown(m_paragraph, record, m_context).lengthChange);
    }
    collect(record);
    return i + length;
}
