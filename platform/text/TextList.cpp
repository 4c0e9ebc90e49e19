#include "platform/text/TextList.h"

#include <QHashFunctions>

namespace plat {

namespace {

QString romanNumeral(qint64 n)
{
    static const struct {
        int value;
        const char* digits;
    } table[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                 {40, "xl"},  {10, "x"},   {9, "ix"},   {5, "v"},    {4, "iv"},   {1, "i"}};
    QString result;
    for (const auto& entry : table) {
        while (n >= entry.value) {
            result += QLatin1String(entry.digits);
            n -= entry.value;
        }
    }
    return result;
}

// a ... z, aa, ab ...: counting without a zero digit.
QString alphabetic(qint64 n)
{
    QString result;
    while (n > 0) {
        --n;
        result.prepend(QChar(u'a' + int(n % 26)));
        n /= 26;
    }
    return result;
}

// The marker of item n for one placeholder name; a null string when the name is
// not a list format.
QString markerFor(QStringView name, qint64 n)
{
    if (name == u"disc")
        return QString(QChar(0x2022));
    if (name == u"circle")
        return QString(QChar(0x25E6));
    if (name == u"square")
        return QString(QChar(0x25AA));
    if (name == u"hyphen")
        return QString(QChar(0x2043));
    if (name == u"check")
        return QString(QChar(0x2713));
    if (name == u"decimal")
        return QString::number(n);
    // Counting systems without zero or negatives fall back to decimal there.
    if (name == u"lower-alpha" || name == u"upper-alpha") {
        if (n < 1)
            return QString::number(n);
        const QString marker = alphabetic(n);
        return name == u"upper-alpha" ? marker.toUpper() : marker;
    }
    if (name == u"lower-roman" || name == u"upper-roman") {
        if (n < 1 || n > 3999)
            return QString::number(n);
        const QString marker = romanNumeral(n);
        return name == u"upper-roman" ? marker.toUpper() : marker;
    }
    if (name == u"cjk-heavenly-stem") {
        static const char16_t stems[] = u"\u7532\u4e59\u4e19\u4e01\u620a\u5df1\u5e9a\u8f9b\u58ec\u7678";
        if (n < 1 || n > 10)
            return QString::number(n);
        return QString(QChar(stems[n - 1]));
    }
    return QString();
}

QStringView kindOf(const QString& format)
{
    const qsizetype close = format.indexOf(u'}');
    return close < 0 ? QStringView(format) : QStringView(format).left(close);
}

} // namespace

std::shared_ptr<TextList> TextList::create(const QString& markerFormat, unsigned options, qint64 startingItemNumber)
{
    return std::shared_ptr<TextList>(new TextList(markerFormat, options, startingItemNumber));
}

QString TextList::markerForItemNumber(qint64 n) const
{
    QString result;
    qsizetype from = 0;
    while (from < m_markerFormat.size()) {
        const qsizetype open = m_markerFormat.indexOf(u'{', from);
        const qsizetype close = open < 0 ? -1 : m_markerFormat.indexOf(u'}', open + 1);
        if (close < 0) {
            result += QStringView(m_markerFormat).mid(from);
            break;
        }
        result += QStringView(m_markerFormat).mid(from, open - from);
        const QString marker = markerFor(QStringView(m_markerFormat).mid(open + 1, close - open - 1), n);
        result += marker.isNull() ? QStringView(m_markerFormat).mid(open, close - open + 1) : QStringView(marker);
        from = close + 1;
    }
    return result;
}

bool TextList::isEqual(const Object& other) const
{
    const auto* list = dynamic_cast<const TextList*>(&other);
    if (!list || list->m_options != m_options || list->m_startingItemNumber != m_startingItemNumber)
        return false;
    if (list->m_markerFormat == m_markerFormat)
        return true;
    return m_markerFormat.contains(u'}') && list->m_markerFormat.contains(u'}')
           && kindOf(m_markerFormat) == kindOf(list->m_markerFormat);
}

std::size_t TextList::hash() const
{
    return qHashMulti(0, kindOf(m_markerFormat), m_options, m_startingItemNumber);
}

std::shared_ptr<Object> TextList::copy() const
{
    return create(m_markerFormat, m_options, m_startingItemNumber);
}

QString TextList::description() const
{
    return QStringLiteral("TextList(%1, start %2)").arg(m_markerFormat).arg(m_startingItemNumber);
}

} // namespace plat
