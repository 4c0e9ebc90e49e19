#include "platform/foundation/Value.h"

namespace plat {

const ValueList& Value::toList() const
{
    static const ValueList empty;
    return isList() ? *std::get<std::shared_ptr<ValueList>>(m_v) : empty;
}

const ValueMap& Value::toMap() const
{
    static const ValueMap empty;
    return isMap() ? *std::get<std::shared_ptr<ValueMap>>(m_v) : empty;
}

bool operator==(const Value& a, const Value& b)
{
    if (a.isNumber() && b.isNumber()) {
        if (a.isDouble() || b.isDouble())
            return a.toDouble() == b.toDouble();
        return a.toInteger() == b.toInteger();
    }
    if (a.m_v.index() != b.m_v.index())
        return false;
    if (a.isList())
        return a.toList() == b.toList();
    if (a.isMap())
        return a.toMap() == b.toMap();
    if (a.isObject())
        return objectsEqual(a.toObject(), b.toObject());
    return a.m_v == b.m_v;
}

} // namespace plat
