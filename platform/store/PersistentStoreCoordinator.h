#pragma once
// The stores of one root context, all of one model. Fetches ask each store on
// its own connection and merge the rows (no ATTACH: SQLite attaches at most
// ten files, and a library has many more spaces). It also hands out the one
// shared ID object of each stored record.

#include "platform/store/PersistentStore.h"

#include <mutex>
#include <unordered_map>

namespace plat {

class PersistentStoreCoordinator final {
    struct Passkey {};

public:
    static std::shared_ptr<PersistentStoreCoordinator> create(ManagedObjectModelPtr model);
    PersistentStoreCoordinator(Passkey, ManagedObjectModelPtr model) : m_model(std::move(model)) {}

    const ManagedObjectModelPtr& managedObjectModel() const { return m_model; }

    // Opens the SQLite file and adds it; none, with the reason, when it cannot be opened.
    PersistentStorePtr addPersistentStore(const QString& path, const PersistentStore::Options& options,
                                          StoreError* error);
    // Forgets the store; false when it is not one of this coordinator's.
    bool removePersistentStore(const PersistentStorePtr& store);
    std::vector<PersistentStorePtr> persistentStores() const;
    PersistentStorePtr persistentStoreForPath(const QString& path) const;

    // The shared ID of a stored record; an ID of another coordinator is
    // matched by its store's identifier (none when no store of this one has it).
    ManagedObjectIDPtr objectID(const PersistentStorePtr& store, const QString& entity, qint64 primaryKey);
    ManagedObjectIDPtr translate(const ManagedObjectIDPtr& foreign);

    // For the root context, on its queue.
    std::optional<std::vector<RecordSnapshot>> fetch(const FetchRequest& request, StoreError* error);
    std::optional<qint64> count(const FetchRequest& request, StoreError* error);
    std::optional<RecordSnapshot> snapshot(const ManagedObjectIDPtr& id, StoreError* error);
    // Writes each store's share in one transaction of its own. written gets
    // the IDs whose changes reached a file, also when a later store fails.
    bool write(const ChangeSet& changes, std::vector<ManagedObjectIDPtr>& written, StoreError* error);

    // Sorts records by the descriptors (stable).
    static void sort(std::vector<RecordSnapshot>& records, const std::vector<SortDescriptor>& sortDescriptors);

private:
    std::vector<PersistentStorePtr> storesFor(const FetchRequest& request) const;
    RecordSnapshot toSnapshot(const PersistentStorePtr& store, const QString& entity, PersistentStore::Row&& row);

    const ManagedObjectModelPtr m_model;
    mutable std::mutex m_mutex;
    std::vector<PersistentStorePtr> m_stores;
    struct Key {
        const PersistentStore* store;
        QString entity;
        qint64 primaryKey;
        bool operator==(const Key& o) const { return store == o.store && primaryKey == o.primaryKey && entity == o.entity; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            return std::hash<const void*>()(k.store) ^ std::hash<qint64>()(k.primaryKey) ^ qHash(k.entity);
        }
    };
    std::unordered_map<Key, std::weak_ptr<ManagedObjectID>, KeyHash> m_ids;
};

using PersistentStoreCoordinatorPtr = std::shared_ptr<PersistentStoreCoordinator>;

} // namespace plat
