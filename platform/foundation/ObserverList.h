#pragma once
// Observers keyed by name, optionally bound to one sender, called synchronously
// on the notifying thread in the order they were added. An observer removed
// while a notification is under way is not called again.

#include <QHash>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {

// Names one registration; 0 names none.
using ObserverToken = quint64;

ObserverToken nextObserverToken();

template <typename Arg>
class ObserverList {
public:
    using Callback = std::function<void(const Arg&)>;

    ObserverToken add(const QString& key, const void* sender, Callback callback)
    {
        auto entry = std::make_shared<Entry>();
        entry->token = nextObserverToken();
        entry->sender = sender;
        entry->callback = std::move(callback);
        std::lock_guard lock(m_mutex);
        m_byKey[key].push_back(entry);
        m_keys.insert(entry->token, key);
        return entry->token;
    }

    void remove(ObserverToken token)
    {
        std::lock_guard lock(m_mutex);
        const auto key = m_keys.find(token);
        if (key == m_keys.end())
            return;
        auto& entries = m_byKey[key.value()];
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if ((*it)->token == token) {
                (*it)->live = false;
                entries.erase(it);
                break;
            }
        }
        if (entries.empty())
            m_byKey.remove(key.value());
        m_keys.erase(key);
    }

    // Calls the observers of key that watch every sender or this one.
    void notify(const QString& key, const void* sender, const Arg& arg) const
    {
        std::vector<std::shared_ptr<Entry>> due;
        {
            std::lock_guard lock(m_mutex);
            const auto it = m_byKey.constFind(key);
            if (it == m_byKey.constEnd())
                return;
            for (const auto& entry : it.value()) {
                if (!entry->sender || entry->sender == sender)
                    due.push_back(entry);
            }
        }
        for (const auto& entry : due) {
            if (entry->live)
                entry->callback(arg);
        }
    }

private:
    struct Entry {
        ObserverToken token = 0;
        const void* sender = nullptr;
        Callback callback;
        std::atomic<bool> live{true};
    };

    mutable std::mutex m_mutex;
    QHash<QString, std::vector<std::shared_ptr<Entry>>> m_byKey;
    QHash<ObserverToken, QString> m_keys;
};

} // namespace plat
