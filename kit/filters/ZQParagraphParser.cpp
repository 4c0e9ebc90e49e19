#include "kit/filters/ZQParagraphParser.h"

#include "kit/filters/ZQBaseFilter.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQParagraphScan.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/CharacterSet.h"

namespace {

bool isAsciiPunctuation(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x60)
        || (u >= 0x7B && u <= 0x7E);
}

// Reads text as its escape-masked form ("\*" reads as "vv") without copying it:
// the pairing runs left to right, so the reader must be asked in order.
class MaskedReader {
public:
    explicit MaskedReader(QStringView text) : m_text(text) {}
    QChar at(qsizetype i)
    {
        if (i < m_maskedUntil)
            return QLatin1Char('v');
        if (m_text[i] == QLatin1Char('\\') && i + 1 < m_text.size() && isAsciiPunctuation(m_text[i + 1])) {
            m_maskedUntil = i + 2;
            return QLatin1Char('v');
        }
        return m_text[i];
    }

private:
    QStringView m_text;
    qsizetype m_maskedUntil = 0;
};

enum class State { Start, Angle, Bare, AfterDestination, Title, AfterTitle };

QString maskedCopy(QStringView text)
{
    QString copy = text.toString();
    MaskedReader reader(text);
    for (qsizetype i = 0; i < copy.size(); ++i)
        copy[i] = reader.at(i);
    return copy;
}

} // namespace

ZQParagraphParser::ZQParagraphParser()
    : m_linkFilter(std::make_shared<ZQLinkFilter>()), m_imageFilter(std::make_shared<ZQImageFilter>()),
      m_baseFilter(std::make_shared<ZQBaseFilter>()), m_tagEntityFilter(std::make_shared<ZQTagEntityFilter>()),
      m_escapeFilter(std::make_shared<ZQEscapeFilter>())
{
}

ZQParagraphParser::~ZQParagraphParser() = default;

void ZQParagraphParser::parseParagraph(plat::MutableAttributedString& paragraph, Markers* highlighters,
                                       qint64 parseOptions, ZQRenderContext& context)
{
    ZQParagraphScan(*this, paragraph, highlighters, parseOptions, context).run();
}

int ZQParagraphParser::checkTag(const plat::AttributedString& text, plat::Range range)
{
    plat::MutableAttributedString tag(text.attributedSubstring(range));
    const QString& string = tag.string();
    const qsizetype start = string.startsWith(QLatin1String("</")) ? 2 : string.startsWith(QLatin1Char('<')) ? 1 : 0;
    ZQRenderContext context;
    context.setRenderTargetType(ZQRenderContext::TargetMarkup);
    Markers found;
    found.reserve(2);
    ZQParagraphScan(*this, tag, &found, HighlightOption, context).checkTagAt(start);
    if (found.empty())
        return 0;
    return found.front()->nodeType() == ZQNodeType::RawHtml ? 1 : 2;
}

bool ZQParagraphParser::verifyLink(QStringView text, plat::Range range)
{
    bool open = false;
    for (qsizetype i = range.location; i < range.end() && i < text.size(); ++i) {
        if (text[i] == QLatin1Char('(')) {
            if (open)
                return false;
            open = true;
        } else if (text[i] == QLatin1Char(')')) {
            if (!open)
                return false;
            open = false;
        }
    }
    return true;
}

std::shared_ptr<ZQLinkRef> ZQParagraphParser::parseLinkAndTitle(QStringView text, plat::Range* effectRange,
                                                                 bool matched, qint64 /*parseOptions*/)
{
    const plat::CharacterSet& blank = plat::CharacterSet::whitespaceAndNewline();
    const plat::CharacterSet& newline = plat::CharacterSet::newline();
    MaskedReader reader(text);

    State state = State::Start;
    qsizetype destStart = 0, destEnd = 0, destTokenEnd = 0;
    qsizetype titleStart = 0, titleEnd = 0;
    char16_t titleOpen = 0, titleClose = 0;
    bool newlineAfterDestination = false;
    bool newlineBeforeTitle = false;
    bool withTitle = false;
    bool angle = false;
    bool parenOpen = false;
    qsizetype consumed = -1; // set when the parse ends before the end of the text

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n && consumed < 0; ++i) {
        const QChar c = reader.at(i);
        switch (state) {
        case State::Start:
            if (c == QLatin1Char('<')) {
                destStart = i + 1;
                angle = true;
                state = State::Angle;
            } else if (!blank.contains(c)) {
                if (c == QLatin1Char(')'))
                    return nullptr;
                parenOpen = c == QLatin1Char('(');
                destStart = i;
                state = State::Bare;
            }
            break;
        case State::Angle:
            if (c == QLatin1Char('>')) {
                destEnd = i;
                destTokenEnd = i + 1;
                state = State::AfterDestination;
            } else if (newline.contains(c) || c == QLatin1Char('<')) {
                return nullptr;
            }
            break;
        case State::Bare:
            if (!blank.contains(c)) {
                // A bare destination holds one level of parentheses (verifyLink):
                // a second "(" or a stray ")" ends the reading at once, so a
                // tail that runs far is not read to its end.
                if (c == QLatin1Char('(')) {
                    if (parenOpen)
                        return nullptr;
                    parenOpen = true;
                } else if (c == QLatin1Char(')')) {
                    if (!parenOpen)
                        return nullptr;
                    parenOpen = false;
                }
                break;
            }
            destEnd = destTokenEnd = i;
            state = State::AfterDestination;
            [[fallthrough]];
        case State::AfterDestination:
            if (c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('(')) {
                titleOpen = c.unicode();
                titleClose = c == QLatin1Char('(') ? u')' : titleOpen;
                titleStart = i + 1;
                newlineBeforeTitle = newlineAfterDestination;
                state = State::Title;
            } else if (blank.contains(c)) {
                newlineAfterDestination = newlineAfterDestination || newline.contains(c);
            } else if (newlineAfterDestination) {
                consumed = destTokenEnd; // the definition ended at the line's end
            } else {
                return nullptr;
            }
            break;
        case State::Title:
            if (c.unicode() == titleClose) {
                titleEnd = i;
                state = State::AfterTitle;
            }
            break;
        case State::AfterTitle:
            if (newline.contains(c)) {
                withTitle = true;
                consumed = i + 1;
            } else if (!blank.contains(c)) {
                if (!newlineBeforeTitle)
                    return nullptr;
                consumed = destTokenEnd; // the title line is text of its own
            }
            break;
        }
    }

    if (consumed < 0) {
        switch (state) {
        case State::Start:
        case State::Angle:
        case State::Title:
            return nullptr;
        case State::Bare:
            destEnd = destTokenEnd = n;
            consumed = n;
            break;
        case State::AfterDestination:
            consumed = destTokenEnd;
            break;
        case State::AfterTitle:
            withTitle = true;
            consumed = n;
            break;
        }
    }

    if (matched) {
        for (qsizetype i = consumed; i < n; ++i) {
            if (!blank.contains(text[i]))
                return nullptr;
        }
    }

    const QStringView destination = text.mid(destStart, destEnd - destStart);
    if (!angle && !verifyLink(maskedCopy(destination), plat::Range(0, destination.size())))
        return nullptr;

    auto ref = ZQLinkRef::initWithLink(destination.toString(),
                                       withTitle ? text.mid(titleStart, titleEnd - titleStart).toString() : QString());
    ref->setHasLinkBracket(angle);
    if (withTitle)
        ref->setTitleQuote(titleOpen);
    if (effectRange)
        *effectRange = plat::Range(0, consumed);
    return ref;
}
