#pragma once
// A record in a context, read and written by key name. Used only on its
// context's queue.

#include "platform/foundation/Value.h"
#include "platform/store/ManagedObjectID.h"
#include "platform/store/StoreModel.h"

namespace plat {

class ManagedObjectContext;
class PersistentStore;

class ManagedObject final : public Object {
    struct Passkey {};

public:
    ManagedObject(Passkey, std::weak_ptr<ManagedObjectContext> context, const EntityDescription* entity,
                  ManagedObjectIDPtr id, ValueMap values);

    const ManagedObjectIDPtr& objectID() const { return m_id; }
    const EntityDescription& entity() const { return *m_entity; }
    const QString& entityName() const { return m_entity->name; }
    std::shared_ptr<ManagedObjectContext> managedObjectContext() const { return m_context.lock(); }

    // A relationship reads as the destination record in this context.
    // A key the entity lacks throws std::invalid_argument.
    Value valueForKey(const QString& key) const;
    void setValue(const Value& value, const QString& key);

    // The values changed since the record was fetched or last saved.
    ValueMap changedValues() const;
    bool hasChanges() const;
    bool isInserted() const { return m_inserted; }
    bool isDeleted() const { return m_deleted; }
    bool isUpdated() const { return !m_inserted && !m_deleted && hasChanges(); }

    QString className() const override { return QStringLiteral("ManagedObject"); }
    QString description() const override;

private:
    friend class ManagedObjectContext;
    void checkKey(const QString& key) const;

    std::weak_ptr<ManagedObjectContext> m_context;
    const EntityDescription* m_entity;
    ManagedObjectIDPtr m_id;
    ValueMap m_values;    // relationships as IDs
    ValueMap m_committed; // as the parent context or the store last had them
    bool m_inserted = false;
    bool m_deleted = false;
    std::shared_ptr<PersistentStore> m_assignedStore;
};

using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

} // namespace plat
