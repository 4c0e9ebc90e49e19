#pragma once
// The identity of one record. Every context of one coordinator shares the one
// ID object of a record, so identity is pointer identity. A record inserted
// but not yet written has a temporary ID (no store, primary key 0) that turns
// permanent, in place, when its root context writes it.

#include "platform/foundation/Object.h"

#include <mutex>

namespace plat {

class PersistentStore;

class ManagedObjectID final : public Object {
public:
    static std::shared_ptr<ManagedObjectID> createTemporary(const QString& entityName);

    const QString& entityName() const { return m_entity; }
    std::shared_ptr<PersistentStore> persistentStore() const;
    qint64 primaryKey() const;
    bool isTemporaryID() const { return primaryKey() == 0; }

    QString className() const override { return QStringLiteral("ManagedObjectID"); }
    QString description() const override;

private:
    friend class PersistentStoreCoordinator;
    friend class ManagedObjectContext;
    explicit ManagedObjectID(QString entity) : m_entity(std::move(entity)) {}
    void assign(const std::shared_ptr<PersistentStore>& store, qint64 primaryKey);

    const QString m_entity;
    mutable std::mutex m_mutex;
    std::weak_ptr<PersistentStore> m_store;
    qint64 m_primaryKey = 0;
};

using ManagedObjectIDPtr = std::shared_ptr<ManagedObjectID>;

} // namespace plat
