#pragma once
// A property-list style value: absent, bool, integer, double, string, bytes,
// range, list, dictionary or shared object. Attribute dictionaries, archives
// and JSON all speak it.

#include "platform/foundation/Object.h"
#include "platform/foundation/Range.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <variant>
#include <vector>

namespace plat {

class Value;
using ValueList = std::vector<Value>;
using ValueMap = std::map<QString, Value>;

class Value {
public:
    using Storage = std::variant<std::monostate, bool, qint64, double, QString, QByteArray, Range,
                                 std::shared_ptr<ValueList>, std::shared_ptr<ValueMap>, ObjectPtr>;

    Value() = default;
    Value(bool b) : m_v(b) {}
    Value(int i) : m_v(qint64(i)) {}
    Value(qint64 i) : m_v(i) {}
    Value(double d) : m_v(d) {}
    Value(const QString& s) : m_v(s) {}
    Value(const char* s) : m_v(QString::fromUtf8(s)) {}
    Value(const QByteArray& b) : m_v(b) {}
    Value(Range r) : m_v(r) {}
    Value(ValueList list) : m_v(std::make_shared<ValueList>(std::move(list))) {}
    Value(ValueMap map) : m_v(std::make_shared<ValueMap>(std::move(map))) {}
    Value(ObjectPtr o) : m_v(o ? Storage(std::move(o)) : Storage()) {}
    template <typename T, typename = std::enable_if_t<std::is_base_of_v<Object, T>>>
    Value(std::shared_ptr<T> o) : Value(ObjectPtr(std::move(o))) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(m_v); }
    bool isBool() const { return std::holds_alternative<bool>(m_v); }
    bool isInteger() const { return std::holds_alternative<qint64>(m_v); }
    bool isDouble() const { return std::holds_alternative<double>(m_v); }
    bool isNumber() const { return isBool() || isInteger() || isDouble(); }
    bool isString() const { return std::holds_alternative<QString>(m_v); }
    bool isData() const { return std::holds_alternative<QByteArray>(m_v); }
    bool isRange() const { return std::holds_alternative<Range>(m_v); }
    bool isList() const { return std::holds_alternative<std::shared_ptr<ValueList>>(m_v); }
    bool isMap() const { return std::holds_alternative<std::shared_ptr<ValueMap>>(m_v); }
    bool isObject() const { return std::holds_alternative<ObjectPtr>(m_v); }

    // Numbers coerce among themselves; anything else reads as 0 / false.
    bool toBool() const { return toInteger() != 0 || (isDouble() && std::get<double>(m_v) != 0.0); }
    qint64 toInteger() const
    {
        if (isInteger()) return std::get<qint64>(m_v);
        if (isBool()) return std::get<bool>(m_v) ? 1 : 0;
        if (isDouble()) return qint64(std::get<double>(m_v));
        return 0;
    }
    double toDouble() const
    {
        if (isDouble()) return std::get<double>(m_v);
        return double(toInteger());
    }
    QString toString() const { return isString() ? std::get<QString>(m_v) : QString(); }
    QByteArray toData() const { return isData() ? std::get<QByteArray>(m_v) : QByteArray(); }
    Range toRange() const { return isRange() ? std::get<Range>(m_v) : Range(); }
    const ValueList& toList() const;
    const ValueMap& toMap() const;
    ObjectPtr toObject() const { return isObject() ? std::get<ObjectPtr>(m_v) : nullptr; }
    template <typename T>
    std::shared_ptr<T> toObject() const { return std::dynamic_pointer_cast<T>(toObject()); }

    const Storage& storage() const { return m_v; }

    // Value equality; objects by their own isEqual, lists and maps element-wise.
    friend bool operator==(const Value& a, const Value& b);
    friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }

private:
    Storage m_v;
};

} // namespace plat
