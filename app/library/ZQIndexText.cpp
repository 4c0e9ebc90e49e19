#include "app/library/ZQIndexText.h"

#include "platform/foundation/CharacterSet.h"

namespace {

// Scripts whose words are not separated by spaces; marks stay with their base.
const plat::CharacterSet& unspacedScripts()
{
    static const plat::CharacterSet set = plat::CharacterSet::fromPattern(QStringLiteral(
        "[[[:Han:][:Hiragana:][:Katakana:][:Bopomofo:][:Hangul:][:Thai:][:Lao:][:Khmer:][:Myanmar:]"
        "\\u3005\\u3006\\u30FC\\uFF70] - [:M:]]"));
    return set;
}

// The characters the tokenizer is configured to keep in words.
const plat::CharacterSet& wordCharacters()
{
    static const plat::CharacterSet set =
        plat::CharacterSet::fromPattern(QStringLiteral("[[:L:][:M:][:N:][:Co:]]"));
    return set;
}

// First code point of the unspaced scripts (Thai); below it nothing is split.
constexpr char32_t FirstUnspaced = 0x0E00;

char32_t codePointAt(const QString& text, qsizetype i, qsizetype* length)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        *length = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    *length = 1;
    return c.unicode();
}

bool hasUnspacedCharacter(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= FirstUnspaced)
            return true;
    }
    return false;
}

} // namespace

QString ZQIndexText::indexableText(const QString& text)
{
    const QString normal = text.normalized(QString::NormalizationForm_C);
    if (!hasUnspacedCharacter(normal))
        return normal;
    const auto& unspaced = unspacedScripts();
    QString out;
    out.reserve(normal.size() + normal.size() / 2);
    bool afterUnspaced = false;
    for (qsizetype i = 0; i < normal.size();) {
        qsizetype length = 1;
        const char32_t cp = codePointAt(normal, i, &length);
        if (cp >= FirstUnspaced && unspaced.contains(cp)) {
            out += QLatin1Char(' ');
            afterUnspaced = true;
        } else if (afterUnspaced && !QChar::isMark(cp)) {
            out += QLatin1Char(' ');
            afterUnspaced = false;
        }
        out += QStringView(normal).mid(i, length);
        i += length;
    }
    return out;
}

QString ZQIndexText::matchExpression(const QString& userText)
{
    const auto& blank = plat::CharacterSet::whitespaceAndNewline();
    const auto& word = wordCharacters();
    QString expression;
    qsizetype i = 0;
    while (i < userText.size()) {
        while (i < userText.size() && blank.contains(userText.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < userText.size() && !blank.contains(userText.at(i)))
            ++i;
        if (start == i)
            break;
        const QString term = indexableText(userText.mid(start, i - start));
        bool searchable = false;
        for (qsizetype j = 0; j < term.size() && !searchable;) {
            qsizetype length = 1;
            searchable = word.contains(codePointAt(term, j, &length));
            j += length;
        }
        if (!searchable)
            continue;
        if (!expression.isEmpty())
            expression += QLatin1Char(' ');
        // Inside an FTS5 string only a doubled quote is special.
        QString quoted = term;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        expression += QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return expression;
}
