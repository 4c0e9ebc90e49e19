#include "platform/text/Attributes.h"

namespace plat {

Attributes::Attributes(std::initializer_list<ValueMap::value_type> entries)
{
    for (const auto& [name, value] : entries)
        set(name, value);
}

Attributes::Attributes(ValueMap map)
{
    std::erase_if(map, [](const auto& entry) { return entry.second.isNull(); });
    if (!map.empty())
        m_map = std::make_shared<const ValueMap>(std::move(map));
}

bool Attributes::contains(const QString& name) const
{
    return m_map && m_map->count(name) > 0;
}

const Value& Attributes::value(const QString& name) const
{
    static const Value none;
    if (!m_map)
        return none;
    const auto it = m_map->find(name);
    return it == m_map->end() ? none : it->second;
}

const ValueMap& Attributes::map() const
{
    static const ValueMap empty;
    return m_map ? *m_map : empty;
}

ValueMap& Attributes::detach()
{
    if (!m_map)
        m_map = std::make_shared<const ValueMap>();
    else if (m_map.use_count() > 1)
        m_map = std::make_shared<const ValueMap>(*m_map);
    // Only this dictionary holds the map now.
    return const_cast<ValueMap&>(*m_map);
}

void Attributes::set(const QString& name, Value value)
{
    if (value.isNull()) {
        remove(name);
        return;
    }
    detach()[name] = std::move(value);
}

void Attributes::remove(const QString& name)
{
    if (contains(name)) {
        detach().erase(name);
        if (m_map->empty())
            m_map.reset();
    }
}

void Attributes::add(const Attributes& other)
{
    if (other.isEmpty())
        return;
    if (isEmpty()) {
        m_map = other.m_map;
        return;
    }
    ValueMap& map = detach();
    for (const auto& [name, value] : other)
        map[name] = value;
}

bool operator==(const Attributes& a, const Attributes& b)
{
    if (a.m_map == b.m_map)
        return true;
    return a.map() == b.map();
}

} // namespace plat
