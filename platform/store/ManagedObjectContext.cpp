#include "platform/store/ManagedObjectContext.h"

#include <QAtomicInteger>
#include <stdexcept>

namespace plat {

namespace {

bool matches(const FetchRequest& request, const ValueMap& values)
{
    if (!request.predicate)
        return true;
    return request.predicate->evaluate([&](const QString& key) {
        const auto it = values.find(key);
        return it == values.end() ? Value() : it->second;
    });
}

ValueList listOf(const std::vector<ManagedObjectPtr>& objects)
{
    return ValueList(objects.begin(), objects.end());
}

} // namespace

std::shared_ptr<ManagedObjectContext> ManagedObjectContext::create(ConcurrencyType type)
{
    return std::make_shared<ManagedObjectContext>(Passkey{}, type);
}

ManagedObjectContext::ManagedObjectContext(Passkey, ConcurrencyType type) : m_type(type)
{
    static QAtomicInteger<int> counter;
    m_queue = type == ConcurrencyType::MainQueue
        ? DispatchQueue::main()
        : DispatchQueuePtr(SerialQueue::create(QStringLiteral("record context %1").arg(counter.fetchAndAddRelaxed(1))));
}

void ManagedObjectContext::perform(Task task)
{
    // The context lives until its work has run.
    auto self = std::static_pointer_cast<ManagedObjectContext>(shared_from_this());
    m_queue->async([self, task = std::move(task)] { task(); });
}

void ManagedObjectContext::performAndWait(const Task& task)
{
    m_queue->sync(task);
}

void ManagedObjectContext::setPersistentStoreCoordinator(PersistentStoreCoordinatorPtr coordinator)
{
    m_coordinator = std::move(coordinator);
}

PersistentStoreCoordinatorPtr ManagedObjectContext::persistentStoreCoordinator() const
{
    return m_coordinator ? m_coordinator : (m_parent ? m_parent->persistentStoreCoordinator() : nullptr);
}

void ManagedObjectContext::setParentContext(std::shared_ptr<ManagedObjectContext> parent)
{
    m_parent = std::move(parent);
}

void ManagedObjectContext::objectDidChange(ManagedObject* object)
{
    m_touched.insert(object);
}

bool ManagedObjectContext::hasChanges() const
{
    if (!m_inserted.empty() || !m_deleted.empty())
        return true;
    for (ManagedObject* object : m_touched) {
        if (object->hasChanges())
            return true;
    }
    return false;
}

std::vector<ManagedObjectPtr> ManagedObjectContext::insertedObjects() const
{
    std::vector<ManagedObjectPtr> out;
    for (ManagedObject* object : m_inserted)
        out.push_back(std::static_pointer_cast<ManagedObject>(object->shared_from_this()));
    return out;
}

std::vector<ManagedObjectPtr> ManagedObjectContext::updatedObjects() const
{
    std::vector<ManagedObjectPtr> out;
    for (ManagedObject* object : m_touched) {
        if (object->isUpdated())
            out.push_back(std::static_pointer_cast<ManagedObject>(object->shared_from_this()));
    }
    return out;
}

std::vector<ManagedObjectPtr> ManagedObjectContext::deletedObjects() const
{
    std::vector<ManagedObjectPtr> out;
    for (ManagedObject* object : m_deleted)
        out.push_back(std::static_pointer_cast<ManagedObject>(object->shared_from_this()));
    return out;
}

ManagedObjectPtr ManagedObjectContext::insertNewObject(const QString& entityName)
{
    const auto coordinator = persistentStoreCoordinator();
    const EntityDescription* entity = coordinator ? coordinator->managedObjectModel()->entity(entityName) : nullptr;
    if (!entity)
        throw std::invalid_argument(QStringLiteral("No entity %1").arg(entityName).toStdString());
    auto object = std::make_shared<ManagedObject>(ManagedObject::Passkey{},
                                                  std::static_pointer_cast<ManagedObjectContext>(shared_from_this()),
                                                  entity, ManagedObjectID::createTemporary(entityName), ValueMap());
    object->m_inserted = true;
    m_objects.emplace(object->objectID().get(), object);
    m_inserted.insert(object.get());
    return object;
}

void ManagedObjectContext::assignObject(const ManagedObjectPtr& object, std::shared_ptr<PersistentStore> store)
{
    if (object && object->isInserted())
        object->m_assignedStore = std::move(store);
}

void ManagedObjectContext::deleteObject(const ManagedObjectPtr& object)
{
    if (!object || object->managedObjectContext().get() != this)
        return;
    if (object->m_inserted) {
        // Never saved: it simply goes.
        m_inserted.erase(object.get());
        m_touched.erase(object.get());
        m_objects.erase(object->objectID().get());
        object->m_inserted = false;
        object->m_deleted = true;
        return;
    }
    object->m_deleted = true;
    m_deleted.insert(object.get());
}

bool ManagedObjectContext::hasPendingChanges(const QString& entity) const
{
    for (ManagedObject* object : m_inserted) {
        if (object->entityName() == entity)
            return true;
    }
    for (ManagedObject* object : m_deleted) {
        if (object->entityName() == entity)
            return true;
    }
    for (ManagedObject* object : m_touched) {
        if (object->entityName() == entity && object->hasChanges())
            return true;
    }
    return false;
}

ManagedObjectPtr ManagedObjectContext::registerSnapshot(const RecordSnapshot& snapshot)
{
    const auto it = m_objects.find(snapshot.id.get());
    if (it != m_objects.end())
        return it->second;
    const auto coordinator = persistentStoreCoordinator();
    const EntityDescription* entity = coordinator->managedObjectModel()->entity(snapshot.id->entityName());
    auto object = std::make_shared<ManagedObject>(ManagedObject::Passkey{},
                                                  std::static_pointer_cast<ManagedObjectContext>(shared_from_this()),
                                                  entity, snapshot.id, snapshot.values);
    m_objects.emplace(snapshot.id.get(), object);
    return object;
}

std::optional<std::vector<RecordSnapshot>> ManagedObjectContext::snapshots(const FetchRequest& request, StoreError* error)
{
    const bool pending = hasPendingChanges(request.entityName);
    FetchRequest upstream = request;
    if (pending)
        upstream.fetchLimit = 0;
    std::optional<std::vector<RecordSnapshot>> base;
    if (m_parent) {
        m_parent->performAndWait([&] { base = m_parent->snapshots(upstream, error); });
    } else if (m_coordinator) {
        base = m_coordinator->fetch(upstream, error);
    } else if (error) {
        *error = StoreError{StoreError::NoStore, QStringLiteral("The context has no stores")};
    }
    if (!base || !pending)
        return base;

    const auto inAffectedStores = [&](const ManagedObject& object) {
        if (request.affectedStores.empty())
            return true;
        const auto store = object.m_assignedStore ? object.m_assignedStore : object.objectID()->persistentStore();
        return std::find(request.affectedStores.begin(), request.affectedStores.end(), store) != request.affectedStores.end();
    };
    std::vector<RecordSnapshot> records;
    std::unordered_set<const ManagedObjectID*> seen;
    for (auto& record : *base) {
        seen.insert(record.id.get());
        const auto it = m_objects.find(record.id.get());
        if (it != m_objects.end()) {
            const ManagedObject& object = *it->second;
            if (object.m_deleted)
                continue;
            if (object.hasChanges()) {
                if (matches(request, object.m_values))
                    records.push_back({record.id, object.m_values});
                continue;
            }
        }
        records.push_back(std::move(record));
    }
    for (ManagedObject* object : m_touched) {
        if (object->entityName() == request.entityName && object->isUpdated() && !seen.count(object->objectID().get())
            && inAffectedStores(*object) && matches(request, object->m_values))
            records.push_back({object->objectID(), object->m_values});
    }
    for (ManagedObject* object : m_inserted) {
        if (object->entityName() == request.entityName && !seen.count(object->objectID().get())
            && inAffectedStores(*object) && matches(request, object->m_values))
            records.push_back({object->objectID(), object->m_values});
    }
    PersistentStoreCoordinator::sort(records, request.sortDescriptors);
    if (request.fetchLimit > 0 && qint64(records.size()) > request.fetchLimit)
        records.resize(std::size_t(request.fetchLimit));
    return records;
}

std::optional<std::vector<ManagedObjectPtr>> ManagedObjectContext::executeFetchRequest(const FetchRequest& request,
                                                                                       StoreError* error)
{
    auto records = snapshots(request, error);
    if (!records)
        return std::nullopt;
    std::vector<ManagedObjectPtr> objects;
    objects.reserve(records->size());
    for (const auto& record : *records)
        objects.push_back(registerSnapshot(record));
    return objects;
}

std::optional<qint64> ManagedObjectContext::countForFetchRequest(const FetchRequest& request, StoreError* error)
{
    if (hasPendingChanges(request.entityName)) {
        const auto records = snapshots(request, error);
        return records ? std::optional<qint64>(qint64(records->size())) : std::nullopt;
    }
    std::optional<qint64> n;
    if (m_parent)
        m_parent->performAndWait([&] { n = m_parent->countForFetchRequest(request, error); });
    else if (m_coordinator)
        n = m_coordinator->count(request, error);
    return n;
}

std::optional<RecordSnapshot> ManagedObjectContext::snapshotForID(const ManagedObjectIDPtr& id, StoreError* error)
{
    const auto it = m_objects.find(id.get());
    if (it != m_objects.end()) {
        if (it->second->m_deleted)
            return std::nullopt;
        return RecordSnapshot{id, it->second->m_values};
    }
    std::optional<RecordSnapshot> snapshot;
    if (m_parent)
        m_parent->performAndWait([&] { snapshot = m_parent->snapshotForID(id, error); });
    else if (m_coordinator)
        snapshot = m_coordinator->snapshot(id, error);
    return snapshot;
}

ManagedObjectPtr ManagedObjectContext::existingObjectWithID(const ManagedObjectIDPtr& id, StoreError* error)
{
    if (!id)
        return nullptr;
    const auto it = m_objects.find(id.get());
    if (it != m_objects.end())
        return it->second->m_deleted ? nullptr : it->second;
    const auto snapshot = snapshotForID(id, error);
    return snapshot ? registerSnapshot(*snapshot) : nullptr;
}

bool ManagedObjectContext::validate(const ManagedObject& object, StoreError* error) const
{
    for (const auto& attribute : object.entity().attributes) {
        if (!attribute.optional && !object.m_values.count(attribute.name)) {
            if (error)
                *error = StoreError{StoreError::Validation,
                                    QStringLiteral("%1.%2 is required").arg(object.entityName(), attribute.name)};
            return false;
        }
    }
    return true;
}

bool ManagedObjectContext::save(StoreError* error)
{
    if (!hasChanges())
        return true;
    auto self = std::static_pointer_cast<ManagedObjectContext>(shared_from_this());
    NotificationCenter::defaultCenter().post(willSaveNotification(), self);

    const std::vector<ManagedObjectPtr> inserted = insertedObjects();
    const std::vector<ManagedObjectPtr> updated = updatedObjects();
    const std::vector<ManagedObjectPtr> deleted = deletedObjects();
    ChangeSet changes;
    for (const auto& object : inserted) {
        if (!validate(*object, error))
            return false;
        changes.inserted.push_back({object->objectID(), object->m_assignedStore, object->m_values});
    }
    for (const auto& object : updated) {
        if (!validate(*object, error))
            return false;
        changes.updated.push_back({object->objectID(), object->changedValues()});
    }
    for (const auto& object : deleted)
        changes.deleted.push_back(object->objectID());

    std::vector<ManagedObjectIDPtr> written;
    bool ok = true;
    if (m_parent) {
        m_parent->performAndWait([&] { m_parent->absorb(changes); });
    } else if (m_coordinator) {
        ok = m_coordinator->write(changes, written, error);
    } else {
        if (error)
            *error = StoreError{StoreError::NoStore, QStringLiteral("The context has no stores")};
        return false;
    }
    // What reached the parent or a file is no longer a change here.
    std::unordered_set<const ManagedObjectID*> done;
    if (ok) {
        for (const auto& object : inserted)
            done.insert(object->objectID().get());
        for (const auto& object : updated)
            done.insert(object->objectID().get());
        for (const auto& object : deleted)
            done.insert(object->objectID().get());
    } else {
        for (const auto& id : written)
            done.insert(id.get());
    }
    for (const auto& object : inserted) {
        if (done.count(object->objectID().get())) {
            object->m_inserted = false;
            object->m_committed = object->m_values;
            m_inserted.erase(object.get());
            m_touched.erase(object.get());
        }
    }
    for (const auto& object : updated) {
        if (done.count(object->objectID().get())) {
            object->m_committed = object->m_values;
            m_touched.erase(object.get());
        }
    }
    for (const auto& object : deleted) {
        if (done.count(object->objectID().get())) {
            m_deleted.erase(object.get());
            m_touched.erase(object.get());
            m_objects.erase(object->objectID().get());
        }
    }
    if (!ok)
        return false;
    // Touched records whose values came back to what they were.
    std::erase_if(m_touched, [](ManagedObject* object) { return !object->hasChanges(); });

    ValueMap info;
    info.emplace(QStringLiteral("inserted"), Value(listOf(inserted)));
    info.emplace(QStringLiteral("updated"), Value(listOf(updated)));
    info.emplace(QStringLiteral("deleted"), Value(listOf(deleted)));
    info.emplace(QStringLiteral("changes"), Value(std::make_shared<SavedChanges>(std::move(changes))));
    NotificationCenter::defaultCenter().post(didSaveNotification(), self, info);
    return true;
}

void ManagedObjectContext::absorb(const ChangeSet& changes)
{
    const auto coordinator = persistentStoreCoordinator();
    for (const auto& insert : changes.inserted) {
        const EntityDescription* entity = coordinator->managedObjectModel()->entity(insert.id->entityName());
        auto object = std::make_shared<ManagedObject>(ManagedObject::Passkey{},
                                                      std::static_pointer_cast<ManagedObjectContext>(shared_from_this()),
                                                      entity, insert.id, ValueMap());
        object->m_values = insert.values;
        object->m_inserted = true;
        object->m_assignedStore = insert.store;
        m_objects[insert.id.get()] = object;
        m_inserted.insert(object.get());
    }
    for (const auto& update : changes.updated) {
        const ManagedObjectPtr object = existingObjectWithID(update.id);
        if (!object)
            continue; // gone meanwhile
        for (const auto& [key, value] : update.values) {
            if (value.isNull())
                object->m_values.erase(key);
            else
                object->m_values[key] = value;
        }
        m_touched.insert(object.get());
    }
    for (const auto& id : changes.deleted) {
        if (const ManagedObjectPtr object = existingObjectWithID(id))
            deleteObject(object);
    }
}

void ManagedObjectContext::reset()
{
    m_inserted.clear();
    m_deleted.clear();
    m_touched.clear();
    m_objects.clear();
}

void ManagedObjectContext::mergeChangesFromContextDidSave(const Notification& notification)
{
    const auto it = notification.userInfo.find(QStringLiteral("changes"));
    const auto saved = it == notification.userInfo.end() ? nullptr : it->second.toObject<SavedChanges>();
    const auto coordinator = persistentStoreCoordinator();
    if (!saved || !coordinator)
        return;
    const ChangeSet& changes = saved->changes();
    std::vector<ManagedObjectPtr> refreshed;
    std::vector<ManagedObjectPtr> removed;
    const auto registered = [&](const ManagedObjectIDPtr& foreign) -> ManagedObjectPtr {
        const ManagedObjectIDPtr id = coordinator->translate(foreign);
        const auto found = id ? m_objects.find(id.get()) : m_objects.end();
        return found == m_objects.end() ? nullptr : found->second;
    };
    const auto local = [&](const Value& value) {
        if (const auto id = value.toObject<ManagedObjectID>())
            return Value(coordinator->translate(id));
        return value;
    };
    for (const auto& update : changes.updated) {
        const ManagedObjectPtr object = registered(update.id);
        if (!object || object->m_deleted)
            continue;
        const ValueMap mine = object->changedValues();
        for (const auto& [key, value] : update.values) {
            const Value incoming = local(value);
            const auto apply = [&](ValueMap& map) {
                if (incoming.isNull())
                    map.erase(key);
                else
                    map[key] = incoming;
            };
            apply(object->m_committed);
            if (!mine.count(key))
                apply(object->m_values);
        }
        refreshed.push_back(object);
    }
    for (const auto& id : changes.deleted) {
        const ManagedObjectPtr object = registered(id);
        if (!object || object->hasChanges())
            continue;
        m_objects.erase(object->objectID().get());
        m_touched.erase(object.get());
        removed.push_back(object);
    }
    if (refreshed.empty() && removed.empty())
        return;
    ValueMap info;
    info.emplace(QStringLiteral("updated"), Value(listOf(refreshed)));
    info.emplace(QStringLiteral("deleted"), Value(listOf(removed)));
    NotificationCenter::defaultCenter().post(objectsDidChangeNotification(),
                                             std::static_pointer_cast<ManagedObjectContext>(shared_from_this()), info);
}

} // namespace plat
