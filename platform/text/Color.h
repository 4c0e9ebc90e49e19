#pragma once
// A device-RGB colour: four doubles that compare exactly, so a colour read back
// from its stored form is the same value.

#include "platform/foundation/Object.h"

#include <QColor>

namespace plat {

class Color final : public Object {
public:
    static std::shared_ptr<Color> rgba(double red, double green, double blue, double alpha = 1.0);
    static std::shared_ptr<Color> fromQColor(const QColor& color);

    double red() const { return m_red; }
    double green() const { return m_green; }
    double blue() const { return m_blue; }
    double alpha() const { return m_alpha; }

    QColor toQColor() const;

    QString className() const override { return QStringLiteral("Color"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<Object> copy() const override;
    QString description() const override;
    // Archived as its four components under "red", "green", "blue", "alpha".
    bool supportsCoding() const override { return true; }
    bool archivesByValue() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    Color(double red, double green, double blue, double alpha)
        : m_red(red), m_green(green), m_blue(blue), m_alpha(alpha) {}

    double m_red;
    double m_green;
    double m_blue;
    double m_alpha;
};

using ColorPtr = std::shared_ptr<Color>;

} // namespace plat
