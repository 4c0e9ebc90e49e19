#pragma once
// The root of reference-typed values: style objects, payloads, colours, fonts,
// paragraph styles. Held by std::shared_ptr and shared, never copied implicitly.

#include <QString>
#include <cstddef>
#include <memory>

namespace plat {

class KeyedArchiver;
class KeyedUnarchiver;

class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // The archived class name (the system's own names, e.g. "ZQLinkStyle").
    virtual QString className() const = 0;

    // Identity unless a class says otherwise (UUID, structure, value).
    virtual bool isEqual(const Object& other) const { return this == &other; }
    virtual std::size_t hash() const { return std::hash<const void*>()(this); }

    // An explicit copy; classes that are not copyable return the object itself.
    virtual std::shared_ptr<Object> copy() const
    {
        return std::const_pointer_cast<Object>(shared_from_this());
    }

    virtual QString description() const { return className(); }

    // Archiving: classes that can be archived override both and register a
    // decoder with KeyedUnarchiver::registerClass.
    virtual bool supportsCoding() const { return false; }
    // Values (fonts, colours, paragraph styles): equal objects of the class are
    // interchangeable, so an archive stores each value once however many
    // objects hold it. Needs isEqual and hash by value.
    virtual bool archivesByValue() const { return false; }
    virtual void encodeWithCoder(KeyedArchiver&) const {}

protected:
    Object() = default;
    Object(const Object&) = default;
    Object& operator=(const Object&) = default;
};

using ObjectPtr = std::shared_ptr<Object>;

// Equality of two possibly-absent objects by their own rule.
inline bool objectsEqual(const ObjectPtr& a, const ObjectPtr& b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    return a->isEqual(*b);
}

template <typename T>
std::shared_ptr<T> objectCast(const ObjectPtr& o)
{
    return std::dynamic_pointer_cast<T>(o);
}

} // namespace plat
