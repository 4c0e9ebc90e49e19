#include "platform/text/Font.h"

#include <QFontMetricsF>
#include <QHashFunctions>
#include <QImage>

namespace plat {

namespace {

// Families that the stored settings and pages name but Linux rarely has; all
// are monospaced, so a missing one should fall back to a monospaced face.
bool isKnownMonospaceFamily(const QString& family)
{
    static const QStringList names = {
        QStringLiteral("Menlo"),       QStringLiteral("Monaco"),  QStringLiteral("Courier"),
        QStringLiteral("Courier New"), QStringLiteral("SF Mono"), QStringLiteral("Andale Mono"),
        QStringLiteral("PT Mono"),
    };
    return names.contains(family, Qt::CaseInsensitive);
}

// Text-model geometry is in points; a 72 dpi device makes Qt's pixels points.
QFontMetricsF pointMetrics(const QFont& font)
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return QFontMetricsF(font, &device);
}

} // namespace

std::shared_ptr<Font> Font::create(const QString& family, double pointSize, bool bold, bool italic)
{
    return std::shared_ptr<Font>(new Font(family, pointSize, bold, italic));
}

std::shared_ptr<Font> Font::withSize(double pointSize) const
{
    return create(m_family, pointSize, m_bold, m_italic);
}

std::shared_ptr<Font> Font::withBold(bool bold) const
{
    return create(m_family, m_pointSize, bold, m_italic);
}

std::shared_ptr<Font> Font::withItalic(bool italic) const
{
    return create(m_family, m_pointSize, m_bold, italic);
}

QFont Font::toQFont() const
{
    QFont font(m_family);
    if (isKnownMonospaceFamily(m_family))
        font.setStyleHint(QFont::TypeWriter);
    if (m_pointSize > 0)
        font.setPointSizeF(m_pointSize);
    font.setBold(m_bold);
    font.setItalic(m_italic);
    return font;
}

double Font::ascender() const
{
    return pointMetrics(toQFont()).ascent();
}

double Font::descender() const
{
    return -pointMetrics(toQFont()).descent();
}

double Font::lineHeight() const
{
    return pointMetrics(toQFont()).lineSpacing();
}

QSizeF Font::boundingRectSize() const
{
    const QFontMetricsF metrics = pointMetrics(toQFont());
    return QSizeF(metrics.maxWidth(), metrics.height());
}

bool Font::isEqual(const Object& other) const
{
    const auto* f = dynamic_cast<const Font*>(&other);
    return f && f->m_family == m_family && f->m_pointSize == m_pointSize && f->m_bold == m_bold
           && f->m_italic == m_italic;
}

std::size_t Font::hash() const
{
    return qHashMulti(0, m_family, m_pointSize, m_bold, m_italic);
}

std::shared_ptr<Object> Font::copy() const
{
    return create(m_family, m_pointSize, m_bold, m_italic);
}

QString Font::description() const
{
    QString traits;
    if (m_bold)
        traits += QStringLiteral(" bold");
    if (m_italic)
        traits += QStringLiteral(" italic");
    return QStringLiteral("\"%1\" %2pt%3").arg(m_family).arg(m_pointSize).arg(traits);
}

} // namespace plat
