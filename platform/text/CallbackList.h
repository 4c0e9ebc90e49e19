#pragma once
// Callbacks registered under ids; an observer may add or remove observers
// while being told.

#include <QtGlobal>

#include <functional>
#include <utility>
#include <vector>

namespace plat {

template <typename... Args>
class CallbackList {
public:
    using Id = quint64;
    using Observer = std::function<void(Args...)>;

    Id add(Observer observer)
    {
        const Id id = m_nextId++;
        m_entries.emplace_back(id, std::move(observer));
        return id;
    }

    void remove(Id id)
    {
        std::erase_if(m_entries, [id](const auto& entry) { return entry.first == id; });
    }

    void notify(Args... args) const
    {
        const auto entries = m_entries;
        for (const auto& entry : entries)
            entry.second(args...);
    }

private:
    std::vector<std::pair<Id, Observer>> m_entries;
    Id m_nextId = 1;
};

} // namespace plat
