#pragma once
// A list level of a paragraph style: a marker format such as "{decimal}." or
// "{disc}" whose placeholder becomes the item's marker, the characters around
// it kept ("{decimal})" gives "3)").

#include "platform/foundation/Object.h"

namespace plat {

class TextList final : public Object {
public:
    enum Option : unsigned {
        PrependEnclosingMarker = 1u << 0,
    };

    static std::shared_ptr<TextList> create(const QString& markerFormat, unsigned options = 0,
                                            qint64 startingItemNumber = 1);

    const QString& markerFormat() const { return m_markerFormat; }
    unsigned listOptions() const { return m_options; }
    qint64 startingItemNumber() const { return m_startingItemNumber; }
    void setStartingItemNumber(qint64 number) { m_startingItemNumber = number; }

    // The marker of item n; placeholders that are not list formats stay as written.
    QString markerForItemNumber(qint64 n) const;

    // Equal formats, or formats equal up to their first "}" ("{decimal}." and
    // "{decimal})" are one kind of list), with equal options and start.
    QString className() const override { return QStringLiteral("TextList"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    std::shared_ptr<Object> copy() const override;
    QString description() const override;
    // Archived field by field (TextCoding.cpp).
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    TextList(QString markerFormat, unsigned options, qint64 startingItemNumber)
        : m_markerFormat(std::move(markerFormat)), m_options(options), m_startingItemNumber(startingItemNumber) {}

    QString m_markerFormat;
    unsigned m_options;
    qint64 m_startingItemNumber;
};

using TextListPtr = std::shared_ptr<TextList>;

} // namespace plat
