#pragma once
// Properties read and written whole from any thread, whose setters tell the
// observers of the property's name.

#include "platform/foundation/Observable.h"

#include <mutex>

class ZSObservableProperties : public plat::Observable {
protected:
    template <typename T>
    T get(const T& member) const
    {
        std::lock_guard lock(m_propertyMutex);
        return member;
    }

    template <typename T, typename U>
    void set(T& member, U&& value, const char* property)
    {
        {
            std::lock_guard lock(m_propertyMutex);
            member = std::forward<U>(value);
        }
        didChange(QString::fromLatin1(property));
    }

    mutable std::mutex m_propertyMutex;
};
