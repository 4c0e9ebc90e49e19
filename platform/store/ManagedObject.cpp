#include "platform/store/ManagedObject.h"

#include "platform/store/ManagedObjectContext.h"

#include <stdexcept>

namespace plat {

ManagedObject::ManagedObject(Passkey, std::weak_ptr<ManagedObjectContext> context, const EntityDescription* entity,
                             ManagedObjectIDPtr id, ValueMap values)
    : m_context(std::move(context)), m_entity(entity), m_id(std::move(id)), m_values(values),
      m_committed(std::move(values))
{
}

void ManagedObject::checkKey(const QString& key) const
{
    if (!m_entity->hasProperty(key))
        throw std::invalid_argument(QStringLiteral("%1 has no key \"%2\"").arg(m_entity->name, key).toStdString());
}

Value ManagedObject::valueForKey(const QString& key) const
{
    checkKey(key);
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return Value();
    if (m_entity->relationship(key)) {
        const auto context = m_context.lock();
        const auto id = it->second.toObject<ManagedObjectID>();
        return context && id ? Value(context->existingObjectWithID(id)) : Value();
    }
    return it->second;
}

void ManagedObject::setValue(const Value& value, const QString& key)
{
    checkKey(key);
    Value stored = value;
    if (m_entity->relationship(key)) {
        if (const auto record = value.toObject<ManagedObject>())
            stored = Value(record->objectID());
        else if (!value.isNull() && !value.toObject<ManagedObjectID>())
            throw std::invalid_argument(QStringLiteral("%1.%2 takes a record").arg(m_entity->name, key).toStdString());
    }
    if (stored.isNull())
        m_values.erase(key);
    else
        m_values[key] = stored;
    if (const auto context = m_context.lock())
        context->objectDidChange(this);
}

ValueMap ManagedObject::changedValues() const
{
    ValueMap changed;
    for (const auto& [key, value] : m_values) {
        const auto it = m_committed.find(key);
        if (it == m_committed.end() || it->second != value)
            changed.emplace(key, value);
    }
    for (const auto& [key, value] : m_committed) {
        if (!m_values.count(key))
            changed.emplace(key, Value());
    }
    return changed;
}

bool ManagedObject::hasChanges() const
{
    return m_inserted || m_deleted || m_values != m_committed;
}

QString ManagedObject::description() const
{
    return QStringLiteral("<%1>").arg(m_id->description());
}

} // namespace plat
