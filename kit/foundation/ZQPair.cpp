#include "kit/foundation/ZQPair.h"

#include <QHashFunctions>

std::shared_ptr<ZQPair> ZQPair::pairedWithValue(const QString& value, const QString& key)
{
    return std::shared_ptr<ZQPair>(new ZQPair(key, value));
}

bool ZQPair::isEqual(const plat::Object& other) const
{
    const auto* pair = dynamic_cast<const ZQPair*>(&other);
    return pair && pair->m_key == m_key && pair->m_value == m_value;
}

std::size_t ZQPair::hash() const
{
    return qHash(m_key);
}

QString ZQPair::description() const
{
    return m_key + u':' + m_value;
}
