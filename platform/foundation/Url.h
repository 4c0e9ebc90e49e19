#pragma once
// A URL as an attribute value (the link attribute of rich text): kept as the
// text it was made from, so relative links such as "#LINK<uuid>" stay as
// written; equal when the texts are.

#include "platform/foundation/Object.h"

#include <QString>
#include <QUrl>

namespace plat {

class Url final : public Object {
public:
    static std::shared_ptr<Url> fromString(const QString& string);

    const QString& absoluteString() const { return m_string; }
    QUrl toQUrl() const { return QUrl(m_string); }

    QString className() const override { return QStringLiteral("Url"); }
    bool isEqual(const Object& other) const override;
    std::size_t hash() const override;
    // Immutable: a copy is the object itself.
    QString description() const override { return m_string; }
    bool supportsCoding() const override { return true; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

private:
    explicit Url(QString string) : m_string(std::move(string)) {}
    QString m_string;
};

using UrlPtr = std::shared_ptr<Url>;

} // namespace plat
