#include "kit/storage/ZSCoreDataItem.h"

#include <QHash>

plat::ManagedObjectContextPtr ZSCoreDataItem::masterMoC() const
{
    std::lock_guard lock(m_mutex);
    return m_masterMoC;
}

void ZSCoreDataItem::setMasterMoC(plat::ManagedObjectContextPtr context)
{
    std::lock_guard lock(m_mutex);
    m_masterMoC = std::move(context);
}

plat::ManagedObjectContextPtr ZSCoreDataItem::mainMoC() const
{
    std::lock_guard lock(m_mutex);
    return m_mainMoC;
}

void ZSCoreDataItem::setMainMoC(plat::ManagedObjectContextPtr context)
{
    std::lock_guard lock(m_mutex);
    m_mainMoC = std::move(context);
}

QString ZSCoreDataItem::spaceFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_spaceFolder;
}

void ZSCoreDataItem::setSpaceFolder(const QString& folder)
{
    std::lock_guard lock(m_mutex);
    m_spaceFolder = folder;
}

std::map<QString, plat::PersistentStorePtr> ZSCoreDataItem::stores() const
{
    std::lock_guard lock(m_mutex);
    return m_stores;
}

void ZSCoreDataItem::setStore(const QString& name, plat::PersistentStorePtr store)
{
    std::lock_guard lock(m_mutex);
    m_stores[name] = std::move(store);
}

void ZSCoreDataItem::removeStore(const QString& name)
{
    std::lock_guard lock(m_mutex);
    m_stores.erase(name);
}

ZSCoreDataItemKey ZSCoreDataItemKey::key(const QString& root, std::optional<QStringList> subStores)
{
    return ZSCoreDataItemKey(root, std::move(subStores));
}

bool ZSCoreDataItemKey::isEqual(const ZSCoreDataItemKey& other) const
{
    if (this == &other)
        return true;
    if (m_root != other.m_root || m_subStores.has_value() != other.m_subStores.has_value())
        return false;
    if (!m_subStores)
        return true;
    if (m_subStores->size() != other.m_subStores->size())
        return false;
    for (const QString& name : *m_subStores) {
        if (!other.m_subStores->contains(name))
            return false;
    }
    return true;
}

std::size_t ZSCoreDataItemKey::hash() const
{
    std::size_t h = qHash(m_root);
    if (m_subStores) {
        for (const QString& name : *m_subStores)
            h += qHash(name);
    }
    return h;
}
