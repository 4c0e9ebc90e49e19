#include "kit/filters/ZQHTMLWriting.h"

#include "kit/model/ZQAttributeNames.h"

namespace ZQHTMLWriting {

plat::AttributedString element(const QString& markup)
{
    return plat::AttributedString(markup, plat::Attributes{{ZQAttr::Raw, ElementKey}});
}

QString textWithoutElements(const plat::AttributedString& text, plat::Range range)
{
    QString result;
    text.enumerateAttribute(ZQAttr::Raw, range, 0, [&](const plat::Value& value, plat::Range run, bool*) {
        if (value.toString() != ElementKey)
            result += QStringView(text.string()).mid(run.location, run.length);
    });
    return result;
}

QString percentEncoded(const QString& text, const plat::CharacterSet& allowed)
{
    static const char hex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        char32_t codePoint = c.unicode();
        qsizetype units = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(c, text.at(i + 1));
            units = 2;
        }
        if (allowed.contains(codePoint)) {
            result += text.mid(i, units);
        } else {
            for (const char byte : QString(text.mid(i, units)).toUtf8()) {
                result += QLatin1Char('%');
                result += QLatin1Char(hex[(uchar(byte) >> 4) & 0xF]);
                result += QLatin1Char(hex[uchar(byte) & 0xF]);
            }
        }
        i += units - 1;
    }
    return result;
}

QString reservedEntity(QChar c)
{
    switch (c.unicode()) {
    case u'"':
        return QStringLiteral("&quot;");
    case u'&':
        return QStringLiteral("&amp;");
    case u'<':
        return QStringLiteral("&lt;");
    case u'>':
        return QStringLiteral("&gt;");
    default:
        return QString();
    }
}

} // namespace ZQHTMLWriting
