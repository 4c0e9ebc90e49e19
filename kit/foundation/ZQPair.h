#pragma once
// A key and a value, both strings; equal when both are equal.

#include "platform/foundation/Object.h"

#include <QString>

class ZQPair : public plat::Object {
public:
    static std::shared_ptr<ZQPair> pairedWithValue(const QString& value, const QString& key);

    const QString& key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    const QString& value() const { return m_value; }
    void setValue(const QString& value) { m_value = value; }

    QString className() const override { return QStringLiteral("ZQPair"); }
    bool isEqual(const plat::Object& other) const override;
    std::size_t hash() const override;
    // "key:value"
    QString description() const override;

private:
    ZQPair(QString key, QString value) : m_key(std::move(key)), m_value(std::move(value)) {}

    QString m_key;
    QString m_value;
};
