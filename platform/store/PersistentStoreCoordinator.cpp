#include "platform/store/PersistentStoreCoordinator.h"

#include <QFileInfo>
#include <algorithm>
#include <map>

namespace plat {

std::shared_ptr<PersistentStoreCoordinator> PersistentStoreCoordinator::create(ManagedObjectModelPtr model)
{
    return std::make_shared<PersistentStoreCoordinator>(Passkey{}, std::move(model));
}

PersistentStorePtr PersistentStoreCoordinator::addPersistentStore(const QString& path,
                                                                  const PersistentStore::Options& options,
                                                                  StoreError* error)
{
    PersistentStorePtr store = PersistentStore::open(path, m_model, options, error);
    if (!store)
        return nullptr;
    std::lock_guard lock(m_mutex);
    m_stores.push_back(store);
    return store;
}

bool PersistentStoreCoordinator::removePersistentStore(const PersistentStorePtr& store)
{
    std::lock_guard lock(m_mutex);
    const auto it = std::find(m_stores.begin(), m_stores.end(), store);
    if (it == m_stores.end())
        return false;
    m_stores.erase(it);
    return true;
}

std::vector<PersistentStorePtr> PersistentStoreCoordinator::persistentStores() const
{
    std::lock_guard lock(m_mutex);
    return m_stores;
}

PersistentStorePtr PersistentStoreCoordinator::persistentStoreForPath(const QString& path) const
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    std::lock_guard lock(m_mutex);
    for (const auto& store : m_stores) {
        if (QFileInfo(store->path()).absoluteFilePath() == wanted)
            return store;
    }
    return nullptr;
}

ManagedObjectIDPtr PersistentStoreCoordinator::objectID(const PersistentStorePtr& store, const QString& entity,
                                                        qint64 primaryKey)
{
    std::lock_guard lock(m_mutex);
    Key key{store.get(), entity, primaryKey};
    auto& slot = m_ids[key];
    if (auto id = slot.lock())
        return id;
    auto id = ManagedObjectID::createTemporary(entity);
    id->assign(store, primaryKey);
    slot = id;
    if (m_ids.size() > 4096 && m_ids.size() % 1024 == 0)
        std::erase_if(m_ids, [](const auto& entry) { return entry.second.expired(); });
    return id;
}

ManagedObjectIDPtr PersistentStoreCoordinator::translate(const ManagedObjectIDPtr& foreign)
{
    if (!foreign || foreign->isTemporaryID())
        return nullptr;
    const PersistentStorePtr from = foreign->persistentStore();
    if (!from)
        return nullptr;
    for (const auto& store : persistentStores()) {
        if (store == from)
            return foreign;
        if (store->identifier() == from->identifier())
            return objectID(store, foreign->entityName(), foreign->primaryKey());
    }
    return nullptr;
}

std::vector<PersistentStorePtr> PersistentStoreCoordinator::storesFor(const FetchRequest& request) const
{
    std::vector<PersistentStorePtr> stores = persistentStores();
    if (!request.affectedStores.empty()) {
        std::erase_if(stores, [&](const PersistentStorePtr& s) {
            return std::find(request.affectedStores.begin(), request.affectedStores.end(), s) == request.affectedStores.end();
        });
    }
    return stores;
}

RecordSnapshot PersistentStoreCoordinator::toSnapshot(const PersistentStorePtr& store, const QString& entity,
                                                       PersistentStore::Row&& row)
{
    RecordSnapshot snapshot{objectID(store, entity, row.primaryKey), std::move(row.values)};
    if (const EntityDescription* description = m_model->entity(entity)) {
        for (const auto& r : description->relationships) {
            const auto it = snapshot.values.find(r.name);
            if (it != snapshot.values.end())
                it->second = Value(objectID(store, r.destinationEntity, it->second.toInteger()));
        }
    }
    return snapshot;
}

std::optional<std::vector<RecordSnapshot>> PersistentStoreCoordinator::fetch(const FetchRequest& request,
                                                                             StoreError* error)
{
    std::vector<RecordSnapshot> records;
    const auto stores = storesFor(request);
    std::optional<PersistentStore::PreparedFetch> prepared;
    for (const auto& store : stores) {
        if (!prepared || prepared->model != store->model().get()) {
            prepared = store->prepareFetch(request, error);
            if (!prepared)
                return std::nullopt;
        }
        auto rows = store->fetch(*prepared, error);
        if (!rows)
            return std::nullopt;
        for (auto& row : *rows)
            records.push_back(toSnapshot(store, request.entityName, std::move(row)));
        // Without an order the first rows found will do.
        if (request.fetchLimit > 0 && request.sortDescriptors.empty() && qint64(records.size()) >= request.fetchLimit)
            break;
    }
    if (stores.size() > 1) {
        sort(records, request.sortDescriptors);
        if (request.fetchLimit > 0 && qint64(records.size()) > request.fetchLimit)
            records.resize(std::size_t(request.fetchLimit));
    }
    return records;
}

std::optional<qint64> PersistentStoreCoordinator::count(const FetchRequest& request, StoreError* error)
{
    qint64 total = 0;
    for (const auto& store : storesFor(request)) {
        const auto n = store->count(request, error);
        if (!n)
            return std::nullopt;
        total += *n;
    }
    return request.fetchLimit > 0 ? std::min(total, request.fetchLimit) : total;
}

std::optional<RecordSnapshot> PersistentStoreCoordinator::snapshot(const ManagedObjectIDPtr& id, StoreError* error)
{
    const PersistentStorePtr store = id ? id->persistentStore() : nullptr;
    if (!store || id->isTemporaryID())
        return std::nullopt;
    auto row = store->row(id->entityName(), id->primaryKey(), error);
    if (!row)
        return std::nullopt;
    RecordSnapshot snapshot = toSnapshot(store, id->entityName(), std::move(*row));
    snapshot.id = id;
    return snapshot;
}

bool PersistentStoreCoordinator::write(const ChangeSet& changes, std::vector<ManagedObjectIDPtr>& written,
                                       StoreError* error)
{
    const auto stores = persistentStores();
    const auto defaultStore = [&](const QString& entity) -> PersistentStorePtr {
        for (const auto& store : stores) {
            if (store->model()->entity(entity))
                return store;
        }
        return nullptr;
    };
    // Each store's writes, in the order of the stores.
    std::map<PersistentStore*, std::vector<PersistentStore::Write>> byStore;
    for (const auto& insert : changes.inserted) {
        PersistentStorePtr store = insert.store ? insert.store : defaultStore(insert.id->entityName());
        if (!store || std::find(stores.begin(), stores.end(), store) == stores.end()) {
            if (error)
                *error = StoreError{StoreError::NoStore, QStringLiteral("No store for a new %1").arg(insert.id->entityName())};
            return false;
        }
        byStore[store.get()].push_back({PersistentStore::Write::Insert, insert.id, insert.values});
    }
    for (const auto& update : changes.updated) {
        if (const auto store = update.id->persistentStore())
            byStore[store.get()].push_back({PersistentStore::Write::Update, update.id, update.values});
    }
    for (const auto& id : changes.deleted) {
        if (const auto store = id->persistentStore())
            byStore[store.get()].push_back({PersistentStore::Write::Delete, id, {}});
    }
    for (const auto& store : stores) {
        const auto it = byStore.find(store.get());
        if (it == byStore.end())
            continue;
        std::vector<qint64> keys;
        if (!store->write(it->second, keys, error))
            return false;
        std::size_t next = 0;
        for (const auto& w : it->second) {
            if (w.kind == PersistentStore::Write::Insert) {
                w.id->assign(store, keys[next++]);
                std::lock_guard lock(m_mutex);
                m_ids[Key{store.get(), w.id->entityName(), w.id->primaryKey()}] = w.id;
            }
            written.push_back(w.id);
        }
    }
    return true;
}

void PersistentStoreCoordinator::sort(std::vector<RecordSnapshot>& records, const std::vector<SortDescriptor>& sortDescriptors)
{
    if (sortDescriptors.empty())
        return;
    std::stable_sort(records.begin(), records.end(), [&](const RecordSnapshot& a, const RecordSnapshot& b) {
        for (const auto& sort : sortDescriptors) {
            const auto ia = a.values.find(sort.key);
            const auto ib = b.values.find(sort.key);
            const int c = Predicate::compare(Predicate::comparable(ia == a.values.end() ? Value() : ia->second),
                                             Predicate::comparable(ib == b.values.end() ? Value() : ib->second));
            if (c != 0)
                return sort.ascending ? c < 0 : c > 0;
        }
        return false;
    });
}

} // namespace plat
