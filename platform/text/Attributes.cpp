#include "platform/text/Attributes.h"

#include <algorithm>

namespace plat {

namespace {

// Attribute names are mostly the same few string constants: equal data is
// checked before the characters.
bool sameName(const QString& a, const QString& b)
{
    return a.size() == b.size() && (a.constData() == b.constData() || a == b);
}

} // namespace

Attributes::Attributes(std::initializer_list<ValueMap::value_type> entries)
{
    for (const auto& [name, value] : entries)
        set(name, value);
}

Attributes::Attributes(ValueMap map)
{
    std::erase_if(map, [](const auto& entry) { return entry.second.isNull(); });
    if (map.empty())
        return;
    auto entries = std::make_shared<Entries>();
    entries->reserve(map.size());
    for (auto& [name, value] : map)
        entries->emplace_back(name, std::move(value));
    m_entries = std::move(entries);
}

const Attributes::Entries& Attributes::entries() const
{
    static const Entries empty;
    return m_entries ? *m_entries : empty;
}

const Value* Attributes::find(const QString& name) const
{
    if (!m_entries)
        return nullptr;
    for (const Entry& entry : *m_entries) {
        if (sameName(entry.first, name))
            return &entry.second;
    }
    return nullptr;
}

const Value& Attributes::value(const QString& name) const
{
    static const Value none;
    const Value* found = find(name);
    return found ? *found : none;
}

ValueMap Attributes::map() const
{
    return ValueMap(begin(), end());
}

Attributes::Entries& Attributes::detach()
{
    if (!m_entries) {
        auto fresh = std::make_shared<Entries>();
        fresh->reserve(4);
        m_entries = std::move(fresh);
    } else if (m_entries.use_count() > 1) {
        // Room for one more: a copy is mostly made to set a name.
        auto copy = std::make_shared<Entries>();
        copy->reserve(m_entries->size() + 1);
        copy->assign(m_entries->begin(), m_entries->end());
        m_entries = std::move(copy);
    }
    // Only this dictionary holds the entries now.
    return const_cast<Entries&>(*m_entries);
}

void Attributes::set(const QString& name, Value value)
{
    if (value.isNull()) {
        remove(name);
        return;
    }
    Entries& entries = detach();
    for (Entry& entry : entries) {
        if (sameName(entry.first, name)) {
            entry.second = std::move(value);
            return;
        }
    }
    const auto at = std::lower_bound(entries.begin(), entries.end(), name,
                                     [](const Entry& entry, const QString& key) { return entry.first < key; });
    entries.emplace(at, name, std::move(value));
}

void Attributes::remove(const QString& name)
{
    if (!contains(name))
        return;
    Entries& entries = detach();
    std::erase_if(entries, [&](const Entry& entry) { return sameName(entry.first, name); });
    if (entries.empty())
        m_entries.reset();
}

void Attributes::add(const Attributes& other)
{
    if (other.isEmpty())
        return;
    if (isEmpty()) {
        m_entries = other.m_entries;
        return;
    }
    for (const auto& [name, value] : other)
        set(name, value);
}

bool operator==(const Attributes& a, const Attributes& b)
{
    if (a.m_entries == b.m_entries)
        return true;
    if (a.size() != b.size())
        return false;
    // Both lists are in name order.
    return std::equal(a.begin(), a.end(), b.begin(), [](const Attributes::Entry& x, const Attributes::Entry& y) {
        return sameName(x.first, y.first) && x.second == y.second;
    });
}

} // namespace plat
