#include "kit/model/ZQRenderUtil.h"

#include "kit/foundation/ZQShared.h"
#include "kit/model/EntityTable.h"
#include "platform/foundation/Regex.h"

#include <limits>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// NUL, lone surrogates and anything past the last plane never enter the text.
// U+10FFFF (a noncharacter) is refused as well.
char32_t acceptedCodePoint(std::uint32_t value)
{
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value >= 0x10FFFF)
        return kReplacementCharacter;
    return char32_t(value);
}

QString stringWithCodePoint(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

// Digits the pattern has already checked: at most eight, so 32 bits hold them.
std::uint32_t numberValue(QStringView digits, std::uint32_t base)
{
    std::uint32_t value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        value = value * base + (u <= u'9' ? u - u'0' : (u | 0x20) - u'a' + 10);
    }
    return value;
}

// The character a matched reference ("&...;") stands for, or a null string.
QString referenceValue(QStringView reference)
{
    const QStringView body = reference.mid(1, reference.size() - 2);
    if (body.startsWith(u'#')) {
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        return stringWithCodePoint(acceptedCodePoint(numberValue(body.mid(hex ? 2 : 1), hex ? 16 : 10)));
    }
    // Names are ASCII letters and digits; a masked backslash escape inside one
    // shows up here as a backslash, which no name contains.
    char name[32];
    if (body.size() >= qsizetype(sizeof name))
        return QString();
    for (qsizetype i = 0; i < body.size(); ++i)
        name[i] = char(body[i].unicode() < 0x80 ? body[i].unicode() : 0);
    return ZQRenderUtil::entityUnicode(name, body.size());
}

} // namespace

QString ZQRenderUtil::entityUnicode(const char* name, qsizetype len)
{
    if (len < 0 || len > std::numeric_limits<std::uint32_t>::max())
        return QString();
    const entity_record* record = find_entity(name, std::uint32_t(len));
    if (!record)
        return QString();
    return QString::fromUtf8(record->utf8, qsizetype(record->length));
}

QString ZQRenderUtil::convertEntity(const QString& string, plat::Range range, bool ignoreHTMLReservedEntity)
{
    plat::checkRange(range, string.size(), "ZQRenderUtil::convertEntity");
    const QStringView text(string);
    if (!text.mid(range.location, range.length).contains(u'&'))
        return string;

    // A match never holds a second "&", so one forward search visits every
    // "&" that could start a reference exactly once: linear in the range.
    static const auto pattern =
        plat::Regex::create(QStringLiteral("&(#[0-9]{1,8}|#[xX][a-fA-F0-9]{1,8}|[a-zA-Z0-9]+);"));

    // Backslash escapes are masked in a same-length copy, so "\&amp;" is no reference.
    QString scanning = string.mid(range.location, range.length);
    ZQShared::escapeSlashToSafeString(scanning);

    QString result;
    result.reserve(string.size());
    qsizetype copied = 0;
    pattern->enumerateMatches(scanning, plat::wholeRange(scanning), 0,
                              [&](const plat::TextCheckingResult& match, bool*) {
        const plat::Range found(range.location + match.range().location, match.range().length);
        QString value = referenceValue(text.mid(found.location, found.length));
        if (value.isNull())
            return;
        if (ignoreHTMLReservedEntity)
            ZQShared::escapeHTMLEntity(value);
        result += text.mid(copied, found.location - copied);
        result += value;
        copied = found.end();
    });
    result += text.mid(copied);
    return result;
}

QString ZQRenderUtil::withoutNul(const QString& text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString replaced = text;
    replaced.replace(QChar(0), QChar(char16_t(kReplacementCharacter)));
    return replaced;
}
