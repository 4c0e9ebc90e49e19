#include "platform/store/ManagedObjectID.h"

#include "platform/store/PersistentStore.h"

namespace plat {

std::shared_ptr<ManagedObjectID> ManagedObjectID::createTemporary(const QString& entityName)
{
    return std::shared_ptr<ManagedObjectID>(new ManagedObjectID(entityName));
}

std::shared_ptr<PersistentStore> ManagedObjectID::persistentStore() const
{
    std::lock_guard lock(m_mutex);
    return m_store.lock();
}

qint64 ManagedObjectID::primaryKey() const
{
    std::lock_guard lock(m_mutex);
    return m_primaryKey;
}

void ManagedObjectID::assign(const std::shared_ptr<PersistentStore>& store, qint64 primaryKey)
{
    std::lock_guard lock(m_mutex);
    m_store = store;
    m_primaryKey = primaryKey;
}

QString ManagedObjectID::description() const
{
    const auto store = persistentStore();
    const qint64 key = primaryKey();
    if (!store || key == 0)
        return QStringLiteral("%1 (new)").arg(m_entity);
    return QStringLiteral("%1/%2/%3").arg(store->identifier(), m_entity).arg(key);
}

} // namespace plat
