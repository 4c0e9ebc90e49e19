// Raw HTML and autolinks after "<".

#include "kit/filters/ZQInlinePatterns.h"
#include "kit/filters/ZQParagraphScan.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQTextNode.h"

namespace {

bool isBlank(char16_t c)
{
    return ZQInlinePatterns::blank().contains(QChar(c));
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiAlphanumeric(char16_t c)
{
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9');
}

// White space inside a tag.
bool isTagBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// Characters an unquoted attribute value cannot hold.
bool isUnquotedStop(char16_t c)
{
    return c == u'"' || c == u'\'' || c == u'=' || c == u'<' || c == u'>' || c == u'`';
}

// Length of an anchored match of pattern in text[from, to), or -1.
qsizetype matchLength(const plat::Regex& pattern, const QString& text, qsizetype from, qsizetype to)
{
    if (from > to)
        return -1;
    const auto match = pattern.firstMatch(text, plat::Range(from, to - from), plat::MatchingAnchored);
    return match ? match->range().length : -1;
}

} // namespace

qsizetype ZQParagraphScan::nextOccurrence(const QString& what, qsizetype from, qsizetype& memo)
{
    // The scan only moves forward, so an answer found once serves every later
    // question until the scan passes it, and "none" stays none.
    if (memo == -1 || (memo >= from && memo != -2))
        return memo;
    memo = m_unsafe.indexOf(what, from);
    return memo;
}

qsizetype ZQParagraphScan::tryAngle(qsizetype i)
{
    const ZQInlinePatterns& patterns = ZQInlinePatterns::shared();
    if (m_s[i] == u'/') {
        const qsizetype end = closeTagEnd(i);
        return end < 0 ? -1 : rawHtml(i - 1, end);
    }
    if (m_s[i] == u'?')
        return rawHtmlClosedBy(*patterns.piP, i - 1, i, QStringLiteral("?>"), i + 1, m_piClose);
    return tryTag(i);
}

qsizetype ZQParagraphScan::tryTag(qsizetype i)
{
    quint64 nodeType = 0;
    QString link;
    const qsizetype end = checkingTag(i, &nodeType, &link);
    if (end < 0)
        return -1;

    auto record = std::make_shared<ZQInlineMarker>();
    record->setNodeType(nodeType);
    const qsizetype start = paragraphPosition(i - 1);
    record->setMarkerRange(plat::Range(start, end - (i - 1)));
    if (nodeType == ZQNodeType::Autolink)
        record->setLinkRef(ZQLinkRef::initWithLink(link, m_unsafe.mid(i, end - 1 - i)));
    reachTo(end);
    const ZQProcessLength result = m_parser.tagEntityFilter()->renderMarkdown(m_paragraph, record, m_context);
    collect(record);
    // Both kinds are taken literally: no backslash inside them is an escape.
    markRaw(plat::Range(start, end - (i - 1) + result.lengthChange), QStringLiteral("htmlTag"));
    edited(end, result.lengthChange);
    return result.processedLength > 0 ? end : -1;
}

qsizetype ZQParagraphScan::tryBang(qsizetype i)
{
    const ZQInlinePatterns& patterns = ZQInlinePatterns::shared();
    if (m_s[i] == u'-') {
        // The comment text holds no "--", so the match ends at the first "--"
        // after the opening one.
        const qsizetype dashes = nextOccurrence(QStringLiteral("--"), i + 2, m_dashes);
        if (dashes < 0)
            return -1;
        const auto match = patterns.commentP->firstMatch(
            m_unsafe, plat::Range(i, std::min(dashes + 3, m_n) - i), plat::MatchingAnchored);
        if (!match)
            return -1;
        const plat::Range text = match->rangeAtIndex(1);
        if (text.length > 0) {
            const QStringView comment = QStringView(m_unsafe).mid(text.location, text.length);
            if (comment.startsWith(u'>') || comment.startsWith(u"->") || comment.endsWith(u'-'))
                return -1;
        }
        return rawHtml(i - 2, i + match->range().length);
    }
    if (m_s[i] == u'[')
        return rawHtmlClosedBy(*patterns.cdataP, i - 2, i, QStringLiteral("]]>"), i + 7, m_cdataClose);
    // A declaration: capital letters, white space, anything up to ">".
    qsizetype k = i;
    while (k < m_n && m_u[k] >= u'A' && m_u[k] <= u'Z')
        ++k;
    if (k == i || k >= m_n || !isTagBlank(m_u[k]))
        return -1;
    const qsizetype close = nextCharacter(u'>', k);
    return close < 0 ? -1 : rawHtml(i - 2, close + 1);
}

qsizetype ZQParagraphScan::rawHtmlClosedBy(const plat::Regex& pattern, qsizetype start, qsizetype i,
                                          const QString& close, qsizetype searchFrom, qsizetype& memo)
{
    // The match cannot reach past the first closing string, so it is sought there only.
    const qsizetype found = nextOccurrence(close, searchFrom, memo);
    if (found < 0)
        return -1;
    const qsizetype length = matchLength(pattern, m_unsafe, i, found + close.size());
    return length < 0 ? -1 : rawHtml(start, i + length);
}

qsizetype ZQParagraphScan::rawHtml(qsizetype start, qsizetype end)
{
    auto record = std::make_shared<ZQInlineMarker>();
    record->setNodeType(ZQNodeType::RawHtml);
    const qsizetype location = paragraphPosition(start);
    record->setMarkerRange(plat::Range(location, end - start));
    reachTo(end);
    const ZQProcessLength result = m_parser.tagEntityFilter()->renderMarkdown(m_paragraph, record, m_context);
    collect(record);
    markRaw(plat::Range(location, end - start + result.lengthChange), QStringLiteral("htmlTag"));
    edited(end, result.lengthChange);
    return end;
}

qsizetype ZQParagraphScan::checkingTag(qsizetype i, quint64* nodeType, QString* link)
{
    // Tags and autolinks are read as written: a backslash inside them escapes
    // nothing, and none can start a name.
    const ZQInlinePatterns& patterns = ZQInlinePatterns::shared();
    if (i >= m_n || !isAsciiLetter(m_u[i])) {
        const qsizetype length = matchLength(*patterns.mailP, m_unsafe, i, m_n);
        if (length < 0)
            return -1;
        *nodeType = ZQNodeType::Autolink;
        *link = QStringLiteral("mailto:") + m_unsafe.mid(i, length - 1);
        return i + length;
    }

    qsizetype schemeEnd = i;
    while (schemeEnd < m_n && isAsciiAlphanumeric(m_u[schemeEnd]))
        ++schemeEnd;
    if (schemeEnd < m_n && m_u[schemeEnd] == u':') {
        if (!patterns.isScheme(m_unsafe.mid(i, schemeEnd - i).toLower()))
            return -1;
        for (qsizetype k = schemeEnd; k < m_n; ++k) {
            const char16_t c = m_u[k];
            if (c == u'<' || isBlank(c))
                return -1;
            if (c == u'>') {
                *nodeType = ZQNodeType::Autolink;
                *link = m_unsafe.mid(i, k - i);
                return k + 1;
            }
        }
        return -1;
    }

    const qsizetype end = openTagEnd(i);
    if (end >= 0) {
        *nodeType = ZQNodeType::RawHtml;
        return end;
    }
    const qsizetype length = matchLength(*patterns.mailP, m_unsafe, i, m_n);
    if (length < 0)
        return -1;
    *nodeType = ZQNodeType::Autolink;
    *link = QStringLiteral("mailto:") + m_unsafe.mid(i, length - 1);
    return i + length;
}

qsizetype ZQParagraphScan::tagNameEnd(qsizetype i) const
{
    if (i >= m_n || !isAsciiLetter(m_u[i]))
        return -1;
    while (i < m_n && (isAsciiAlphanumeric(m_u[i]) || m_u[i] == u'-'))
        ++i;
    return i;
}

qsizetype ZQParagraphScan::openTagEnd(qsizetype i)
{
    // A name, attributes each after white space (a name, then optionally "="
    // and an unquoted, single- or double-quoted value), white space, "/>" or ">".
    qsizetype k = tagNameEnd(i);
    if (k < 0)
        return -1;
    for (;;) {
        const qsizetype blanksStart = k;
        while (k < m_n && isTagBlank(m_u[k]))
            ++k;
        if (k >= m_n)
            return -1;
        if (m_u[k] == u'>')
            return k + 1;
        if (m_u[k] == u'/')
            return k + 1 < m_n && m_u[k + 1] == u'>' ? k + 2 : -1;
        if (k == blanksStart || !(isAsciiLetter(m_u[k]) || m_u[k] == u'_' || m_u[k] == u':'))
            return -1;
        ++k;
        while (k < m_n && (isAsciiAlphanumeric(m_u[k]) || m_u[k] == u'_' || m_u[k] == u'.' || m_u[k] == u':'
                           || m_u[k] == u'-'))
            ++k;
        qsizetype v = k;
        while (v < m_n && isTagBlank(m_u[v]))
            ++v;
        if (v >= m_n || m_u[v] != u'=')
            continue;
        ++v;
        while (v < m_n && isTagBlank(m_u[v]))
            ++v;
        if (v >= m_n)
            return -1;
        if (m_u[v] == u'"' || m_u[v] == u'\'') {
            const qsizetype close = nextCharacter(m_u[v], v + 1);
            if (close < 0)
                return -1;
            k = close + 1;
            continue;
        }
        k = v;
        while (k < m_n && !isTagBlank(m_u[k]) && !isUnquotedStop(m_u[k]))
            ++k;
        if (k == v)
            return -1;
    }
}

qsizetype ZQParagraphScan::closeTagEnd(qsizetype i) const
{
    // "/", a name, white space, ">".
    qsizetype k = tagNameEnd(i + 1);
    if (k < 0)
        return -1;
    while (k < m_n && isTagBlank(m_u[k]))
        ++k;
    return k < m_n && m_u[k] == u'>' ? k + 1 : -1;
}

qsizetype ZQParagraphScan::nextCharacter(char16_t c, qsizetype from)
{
    // Positions of each quote and ">", found once: a tag that fails after a
    // long value leaves the scan where it was, and the next "<" would search again.
    std::vector<qint32>& positions = m_positions[c == u'"' ? 0 : c == u'\'' ? 1 : 2];
    if (!m_positionsIndexed) {
        m_positionsIndexed = true;
        for (qsizetype k = 0; k < m_n; ++k) {
            if (m_u[k] == u'"')
                m_positions[0].push_back(qint32(k));
            else if (m_u[k] == u'\'')
                m_positions[1].push_back(qint32(k));
            else if (m_u[k] == u'>')
                m_positions[2].push_back(qint32(k));
        }
    }
    const auto found = std::lower_bound(positions.begin(), positions.end(), qint32(from));
    return found == positions.end() ? -1 : *found;
}

void ZQParagraphScan::checkTagAt(qsizetype position)
{
    m_levels.emplace_back();
    if (position < m_n)
        tryTag(position);
}
