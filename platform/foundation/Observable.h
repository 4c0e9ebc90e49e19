#pragma once
// Observable properties: a setter that changed a property calls didChange with
// its name, and every observer of that name is called on the setter's thread.
// Copies start without observers.

#include "platform/foundation/ObserverList.h"

namespace plat {

class Observable {
public:
    using Observer = std::function<void(const QString& property)>;

    Observable() = default;
    Observable(const Observable&) {}
    Observable& operator=(const Observable&) { return *this; }

    ObserverToken addObserver(const QString& property, Observer observer)
    {
        return m_observers.add(property, nullptr, std::move(observer));
    }
    void removeObserver(ObserverToken token) { m_observers.remove(token); }

    void didChange(const QString& property) const { m_observers.notify(property, nullptr, property); }

protected:
    ~Observable() = default;

private:
    ObserverList<QString> m_observers;
};

} // namespace plat
