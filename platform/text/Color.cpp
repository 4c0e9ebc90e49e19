#include "platform/text/Color.h"

#include "platform/foundation/KeyedArchive.h"

#include <QHashFunctions>

namespace plat {

namespace {

[[maybe_unused]] const bool colorRegistered = [] {
    KeyedUnarchiver::registerClass(QStringLiteral("Color"), [](KeyedUnarchiver& coder) -> ObjectPtr {
        return Color::rgba(coder.decodeDouble(QStringLiteral("red")), coder.decodeDouble(QStringLiteral("green")),
                           coder.decodeDouble(QStringLiteral("blue")), coder.decodeDouble(QStringLiteral("alpha")));
    });
    return true;
}();

} // namespace

std::shared_ptr<Color> Color::rgba(double red, double green, double blue, double alpha)
{
    return std::shared_ptr<Color>(new Color(red, green, blue, alpha));
}

std::shared_ptr<Color> Color::fromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return rgba(rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF());
}

QColor Color::toQColor() const
{
    return QColor::fromRgbF(float(m_red), float(m_green), float(m_blue), float(m_alpha));
}

bool Color::isEqual(const Object& other) const
{
    const auto* c = dynamic_cast<const Color*>(&other);
    return c && c->m_red == m_red && c->m_green == m_green && c->m_blue == m_blue && c->m_alpha == m_alpha;
}

std::size_t Color::hash() const
{
    return qHashMulti(0, m_red, m_green, m_blue, m_alpha);
}

std::shared_ptr<Object> Color::copy() const
{
    return rgba(m_red, m_green, m_blue, m_alpha);
}

QString Color::description() const
{
    return QStringLiteral("Color(%1 %2 %3 %4)").arg(m_red).arg(m_green).arg(m_blue).arg(m_alpha);
}

void Color::encodeWithCoder(KeyedArchiver& coder) const
{
    coder.encodeDouble(QStringLiteral("red"), m_red);
    coder.encodeDouble(QStringLiteral("green"), m_green);
    coder.encodeDouble(QStringLiteral("blue"), m_blue);
    coder.encodeDouble(QStringLiteral("alpha"), m_alpha);
}

} // namespace plat
