// Links, images and footnote references at "]".

#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQInlinePatterns.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQParagraphScan.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQRenderUtil.h"

#include <algorithm>

namespace {

// Labels longer than this are never looked up (as in CommonMark), so that
// runs of brackets cannot make the lookups quadratic.
constexpr qsizetype kMaxLabelLength = 999;

enum LinkKind : quint64 { Inline = 1, FullReference = 2, CollapsedReference = 3, Shortcut = 4 };

// A reference of the page's map decoded for one use, leaving the map's own
// definition as written for the next link that uses it.
std::shared_ptr<ZQLinkRef> copyForUse(const ZQLinkRef& ref)
{
    auto copy = std::static_pointer_cast<ZQLinkRef>(ref.copy());
    copy->setIsFootnote(ref.isFootnote());
    copy->setFootnoteIndex(ref.footnoteIndex());
    copy->setRenderContent(ref.renderContent());
    copy->setHasLinkBracket(ref.hasLinkBracket());
    copy->setTitleQuote(ref.titleQuote());
    copy->setContentRange(ref.contentRange());
    copy->setLabelRange(ref.labelRange());
    return copy;
}

bool isBlank(char16_t c)
{
    return ZQInlinePatterns::blank().contains(QChar(c));
}

QString decoded(const QString& text)
{
    QString result = ZQRenderUtil::convertEntity(text, plat::wholeRange(text), true);
    ZQShared::deleteEscapseSlash(result);
    return result;
}

} // namespace

void ZQParagraphScan::openBracket(qsizetype i, bool image)
{
    m_imageBelow.push_back(insideImageOpener());
    m_linkMarkers.push_back(ZQLinkMarker::initAt(quint64(i), quint64(paragraphPosition(i) - i), image));
    m_levels.emplace_back();
    m_levels.back().base = m_delimiters.size();
}

bool ZQParagraphScan::insideImageOpener() const
{
    return !m_linkMarkers.empty() && (m_linkMarkers.back()->isImage() || m_imageBelow.back());
}

qsizetype ZQParagraphScan::matchingClose(qsizetype open)
{
    if (m_close.empty()) {
        m_close.assign(size_t(m_n), -1);
        std::vector<qint32> parens, brackets;
        for (qsizetype k = 0; k < m_n; ++k) {
            switch (m_s[k]) {
            case u'(':
                parens.push_back(qint32(k));
                break;
            case u'[':
                brackets.push_back(qint32(k));
                break;
            case u')':
                if (!parens.empty()) {
                    m_close[size_t(parens.back())] = qint32(k);
                    parens.pop_back();
                }
                break;
            case u']':
                if (!brackets.empty()) {
                    m_close[size_t(brackets.back())] = qint32(k);
                    brackets.pop_back();
                }
                break;
            default:
                break;
            }
        }
    }
    return m_close[size_t(open)];
}

std::shared_ptr<ZQLinkRef> ZQParagraphScan::lookUp(qsizetype from, qsizetype to) const
{
    const ZQLinkRefMap* map = m_context.linkRefMap().get();
    if (!map || map->isEmpty() || to - from > kMaxLabelLength)
        return nullptr;
    // A label needs a character that is not white space.
    const QString label = m_unsafe.mid(from, to - from);
    if (!ZQShared::isNotBlank(label))
        return nullptr;
    return map->value(ZQShared::asLinkLabel(label));
}

qsizetype ZQParagraphScan::tryLink(qsizetype j, Level& level)
{
    const std::shared_ptr<ZQLinkMarker> opener = m_linkMarkers.back();
    m_linkMarkers.pop_back();
    m_imageBelow.pop_back();
    const qsizetype p = qsizetype(opener->openBracketLocation());
    const bool image = opener->isImage();

    // Kind and the end of the tail (safe position after its last character).
    quint64 kind = Shortcut;
    qsizetype tailEnd = j + 1;
    bool tailClosed = true;
    qsizetype labelStart = 0, labelEnd = 0; // the second label of a full reference
    if (p + 1 < m_n && m_s[p + 1] == u'^') {
        kind = Shortcut;
    } else if (j + 1 < m_n && m_s[j + 1] == u'(') {
        kind = Inline;
        const qsizetype close = matchingClose(j + 1);
        tailClosed = close >= 0;
        tailEnd = tailClosed ? close + 1 : m_n;
    } else {
        qsizetype k = j + 1;
        while (k < m_n && ZQInlinePatterns::blank().contains(QChar(m_s[k])))
            ++k;
        if (k < m_n && m_s[k] == u'[') {
            if (k + 1 < m_n && m_s[k + 1] == u']') {
                kind = CollapsedReference;
                tailEnd = k + 2;
            } else {
                kind = FullReference;
                const qsizetype close = matchingClose(k);
                tailClosed = close >= 0;
                tailEnd = tailClosed ? close + 1 : m_n;
                labelStart = k + 1;
                labelEnd = close;
            }
        }
    }

    if (opener->isInvalid())
        return -1;

    // The reference.
    std::shared_ptr<ZQLinkRef> ref;
    bool fromMap = true;
    if (kind == Inline && tailClosed) {
        // The tail may run far (its ")" matches by nesting only): it is read
        // in place, and only as far as a destination and title can go.
        const QStringView destination = QStringView(m_unsafe).mid(j + 2, tailEnd - 1 - (j + 2));
        if (std::any_of(destination.begin(), destination.end(), [](QChar c) { return !isBlank(c.unicode()); })) {
            ref = ZQParagraphParser::parseLinkAndTitle(destination, nullptr, true, m_options);
        } else {
            ref = ZQLinkRef::initWithLink(QStringLiteral(""), QString());
        }
        fromMap = false;
    } else if (kind == CollapsedReference) {
        ref = lookUp(p + 1, j);
    } else if (kind == FullReference && tailClosed) {
        ref = lookUp(labelStart, labelEnd);
    }
    // A footnote is referred to by its label alone: "[text][^1]" is no link.
    if (ref && ref->isFootnote())
        ref = nullptr;
    if (ref && kind == FullReference)
        ref->setRefLabel(m_unsafe.mid(labelStart, labelEnd - labelStart));
    if (!ref) {
        kind = Shortcut;
        tailEnd = j + 1;
        fromMap = true;
        ref = lookUp(p + 1, j);
    }
    if (!ref)
        return -1;
    // A reference past the page's bound on expansion stays text.
    if (fromMap && !m_context.spendReferenceExpansion(ref->link().size() + ref->title().size()))
        return -1;
    // The page's map keeps its definition as written: a definition no link
    // takes stays on the page under its own label.
    const std::shared_ptr<ZQLinkRef> defined = fromMap ? ref : nullptr;
    if (defined)
        ref = copyForUse(*defined);
    ref->setLinkType(kind);

    // Links do not contain links; the opener of an image ends the marking and
    // puts the new construct inside its alternative text. An opener already
    // marked had everything below it marked too, so the walk stops there.
    const bool insideAlt = insideImageOpener();
    if (!image) {
        for (auto it = m_linkMarkers.rbegin(); it != m_linkMarkers.rend(); ++it) {
            if ((*it)->isImage() || (*it)->isInvalid())
                break;
            (*it)->setIsInvalid(true);
        }
    }

    // The link text is rendered before the link takes it.
    if (m_delimiters.size() >= level.base + 2)
        pairDelimiters(level.base, image || insideAlt);
    m_delimiters.resize(level.base);
    flushSpans();
    reachTo(tailEnd);
    const qsizetype constructStart = paragraphPosition(p) - (image ? 1 : 0);
    const qsizetype bodyStart = paragraphPosition(p) + 1;
    const qsizetype bodyEnd = paragraphPosition(j);

    auto record = std::make_shared<ZQInlineMarker>();
    record->setNodeType(image ? ZQNodeType::Image : ZQNodeType::Link);
    record->setMarkerRange(plat::Range(constructStart, paragraphPosition(tailEnd) - constructStart));
    record->setBodyRange(plat::Range(bodyStart, bodyEnd - bodyStart));
    record->setIsForImageAlt(insideAlt);
    collect(record);
    if (image && (m_options & ZQParagraphParser::ImageScanOption) && m_highlighters
        && !(m_options & ZQParagraphParser::HighlightOption))
        m_highlighters->push_back(record);

    if ((m_options & ZQParagraphParser::RenderOption) && htmlText()) {
        ref->setLink(decoded(ref->link()));
        if (!ref->title().isNull())
            ref->setTitle(decoded(ref->title()));
    }
    // Rich text cannot show the styles of an image's alternative text: the
    // image keeps that text as the page wrote it, code spans and escapes
    // included, and writes it back so.
    ref->setLabel(image ? m_unsafe.mid(p + 1, j - p - 1) : m_paragraph.string().mid(bodyStart, bodyEnd - bodyStart));
    record->setLinkRef(ref);

    const ZQProcessLength result =
        image ? m_parser.imageFilter()->renderMarkdown(m_paragraph, record, m_context)
              : m_parser.linkFilter()->renderMarkdown(m_paragraph, record, m_context);
    if (defined && ref->isUsed())
        defined->setIsUsed(true);
    edited(tailEnd, result.lengthChange);
    return tailEnd - (j + 1);
}
