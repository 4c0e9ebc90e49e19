#pragma once
// Named notifications, delivered synchronously on the posting thread to the
// observers of that name, in the order they were added.

#include "platform/foundation/ObserverList.h"
#include "platform/foundation/Value.h"

namespace plat {

struct Notification {
    QString name;
    ObjectPtr object; // the sender, or none
    ValueMap userInfo;
};

class NotificationCenter {
public:
    using Observer = std::function<void(const Notification&)>;

    // The process-wide centre.
    static NotificationCenter& defaultCenter();

    // With a sender, only its notifications arrive; with nullptr, everyone's.
    ObserverToken addObserver(const QString& name, const Object* sender, Observer observer)
    {
        return m_observers.add(name, sender, std::move(observer));
    }
    void removeObserver(ObserverToken token) { m_observers.remove(token); }

    void post(const QString& name, const ObjectPtr& sender = nullptr, const ValueMap& userInfo = {}) const
    {
        m_observers.notify(name, sender.get(), Notification{name, sender, userInfo});
    }

private:
    ObserverList<Notification> m_observers;
};

} // namespace plat
