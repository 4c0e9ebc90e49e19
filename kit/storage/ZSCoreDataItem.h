#pragma once
// One stack of record contexts, and the key of a combined page-tree context.

#include "platform/store/ManagedObjectContext.h"

#include <QStringList>
#include <map>
#include <mutex>

class ZSCoreDataItem {
public:
    // Owns the coordinator: private-queue for one store, main-queue for a combined context.
    plat::ManagedObjectContextPtr masterMoC() const;
    void setMasterMoC(plat::ManagedObjectContextPtr context);
    // The main-queue child of masterMoC; none for a combined context.
    plat::ManagedObjectContextPtr mainMoC() const;
    void setMainMoC(plat::ManagedObjectContextPtr context);
    // Empty for one store; the root space folder for a combined context.
    QString spaceFolder() const;
    void setSpaceFolder(const QString& folder);
    // Store name to store.
    std::map<QString, plat::PersistentStorePtr> stores() const;
    void setStore(const QString& name, plat::PersistentStorePtr store);
    void removeStore(const QString& name);

private:
    mutable std::mutex m_mutex;
    plat::ManagedObjectContextPtr m_masterMoC;
    plat::ManagedObjectContextPtr m_mainMoC;
    QString m_spaceFolder;
    std::map<QString, plat::PersistentStorePtr> m_stores;
};

using ZSCoreDataItemPtr = std::shared_ptr<ZSCoreDataItem>;

// Equal keys have equal roots and, when both have one, sub-store lists of the
// same length whose names all appear in the other (in any order).
class ZSCoreDataItemKey {
public:
    static ZSCoreDataItemKey key(const QString& root, std::optional<QStringList> subStores);
    ZSCoreDataItemKey(QString root, std::optional<QStringList> subStores)
        : m_root(std::move(root)), m_subStores(std::move(subStores))
    {
    }

    const QString& root() const { return m_root; }
    const std::optional<QStringList>& subStores() const { return m_subStores; }

    bool isEqual(const ZSCoreDataItemKey& other) const;
    friend bool operator==(const ZSCoreDataItemKey& a, const ZSCoreDataItemKey& b) { return a.isEqual(b); }
    // The root's hash plus the sum of the names' hashes, so that order does not matter.
    std::size_t hash() const;

private:
    QString m_root;
    std::optional<QStringList> m_subStores;
};

struct ZSCoreDataItemKeyHash {
    std::size_t operator()(const ZSCoreDataItemKey& key) const { return key.hash(); }
};
