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
        const qsizetype length = matchLength(*patterns.endtagP, m_unsafe, i, m_n);
        return length < 0 ? -1 : rawHtml(i - 1, i + length);
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
    if (m_s[i] < u'A' || m_s[i] > u'Z')
        return -1;
    return rawHtmlClosedBy(*patterns.declaraionP, i - 2, i, QStringLiteral(">"), i + 1, m_greater);
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
    const ZQInlinePatterns& patterns = ZQInlinePatterns::shared();
    const auto name = patterns.tagNameP->firstMatch(m_safe, plat::Range(i, m_n - i), plat::MatchingAnchored);
    if (!name) {
        const qsizetype length = matchLength(*patterns.mailP, m_unsafe, i, m_n);
        if (length < 0)
            return -1;
        *nodeType = ZQNodeType::Autolink;
        *link = QStringLiteral("mailto:") + m_unsafe.mid(i, length - 1);
        return i + length;
    }

    const qsizetype nameEnd = name->rangeAtIndex(1).end();
    if (nameEnd < m_n && m_s[nameEnd] == u':') {
        if (!patterns.isScheme(m_safe.mid(i, nameEnd - i).toLower()))
            return -1;
        for (qsizetype k = nameEnd; k < m_n; ++k) {
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

    // An open tag: its attributes, read with a small state machine.
    enum { Start, AfterName, BeforeValue, AfterValue, ExpectBlank } state = Start;
    qsizetype blanks = 0;
    qsizetype k = nameEnd;
    while (k < m_n) {
        const char16_t c = m_s[k];
        if (c == u'>') {
            *nodeType = ZQNodeType::RawHtml;
            return k + 1;
        }
        if (c == u'/') {
            if (k + 1 < m_n && m_s[k + 1] == u'>') {
                *nodeType = ZQNodeType::RawHtml;
                return k + 2;
            }
            return -1;
        }
        switch (state) {
        case Start:
        case AfterValue: {
            const qsizetype length = matchLength(*patterns.attrNameP, m_unsafe, k, m_n);
            if (length > 0) {
                k += length;
                blanks = 0;
                state = AfterName;
            } else {
                if (state == AfterValue && !isBlank(c))
                    return -1;
                state = ExpectBlank;
            }
            break;
        }
        case AfterName:
            if (c == u'=') {
                state = BeforeValue;
                ++k;
            } else if (isBlank(c)) {
                ++blanks;
                ++k;
            } else {
                k -= blanks; // back to the first blank: it starts the next attribute
                state = Start;
                if (blanks == 0)
                    state = ExpectBlank;
            }
            break;
        case BeforeValue: {
            const qsizetype length = matchLength(*patterns.attrValueP, m_unsafe, k, m_n);
            if (length <= 0)
                return -1;
            k += length;
            state = AfterValue;
            break;
        }
        case ExpectBlank:
            if (!isBlank(c))
                return -1;
            ++k;
            break;
        }
    }
    return -1;
}

void ZQParagraphScan::checkTagAt(qsizetype position)
{
    m_levels.emplace_back();
    if (position < m_n)
        tryTag(position);
}
