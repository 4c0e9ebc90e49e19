#pragma once
// A font as the text model keeps it: the requested family name and point size
// plus the bold and italic traits. The family is kept as asked for ("Menlo"
// stays "Menlo" where it is not installed); the nearest installed family is
// found only when the font is measured or drawn. Metrics are in points.

#include "platform/foundation/Object.h"

#include <QFont>
#include <QSizeF>

namespace plat {

class Font final : public Object {
public:
    static std::shared_ptr<Font> create(const QString& family, double pointSize, bool bold = false,
                                        bool italic = false);

    const QString& familyName() const { return m_family; }
    double pointSize() const { return m_pointSize; }
    bool isBold() const { return m_bold; }
    bool isItalic() const { return m_italic; }

    // New fonts differing in one property; family and the other traits stay.
    std::shared_ptr<Font> withSize(double pointSize) const;
    std::shared_ptr<Font> withBold(bool bold) const;
    std::shared_ptr<Font> withItalic(bool italic) const;

    // The font for drawing; Qt resolves the family to the nearest installed one.
    QFont toQFont() const;

    double ascender() const;
    double descender() const; // below the baseline, so negative
    double lineHeight() const; // ascent + descent + leading
    QSizeF boundingRectSize() const;

    QString className() const override { return QStringLiteral("Font"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<Object> copy() const override;
    QString description() const override;
    // Archived field by field (TextCoding.cpp).
    bool supportsCoding() const override { return true; }
    bool archivesByValue() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    Font(QString family, double pointSize, bool bold, bool italic)
        : m_family(std::move(family)), m_pointSize(pointSize), m_bold(bold), m_italic(italic) {}

    QString m_family;
    double m_pointSize;
    bool m_bold;
    bool m_italic;
};

using FontPtr = std::shared_ptr<Font>;

} // namespace plat
