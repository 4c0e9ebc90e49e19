#pragma once
// A scratch pad of records over a coordinator (a root context) or over
// another context (a child). Each context is used on its own queue only: a
// private queue of its own, or the main queue; perform() and performAndWait()
// run work there.
//
// Fetches and counts see the context's unsaved inserts, changes and deletions
// and those of its ancestors. save() hands the changes to the parent, or, in a
// root, writes them to the files, one transaction per store. Every save posts
// willSaveNotification() before and didSaveNotification() after, on the
// context's queue, through the default notification centre with the context
// as sender. Merges keep in-memory values over incoming ones, property by property.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObject.h"
#include "platform/store/PersistentStoreCoordinator.h"

#include <unordered_map>
#include <unordered_set>

namespace plat {

enum class ConcurrencyType { PrivateQueue, MainQueue };

class ManagedObjectContext final : public Object {
    struct Passkey {};

public:
    static std::shared_ptr<ManagedObjectContext> create(ConcurrencyType type);
    ManagedObjectContext(Passkey, ConcurrencyType type);

    // User information of the did-save notification: "inserted", "updated",
    // "deleted" (lists of records) and "changes" (SavedChanges).
    static QString willSaveNotification() { return QStringLiteral("ManagedObjectContextWillSave"); }
    static QString didSaveNotification() { return QStringLiteral("ManagedObjectContextDidSave"); }
    // Posted after a merge changed registered records; "updated", "deleted".
    static QString objectsDidChangeNotification() { return QStringLiteral("ManagedObjectContextObjectsDidChange"); }

    ConcurrencyType concurrencyType() const { return m_type; }
    const DispatchQueuePtr& queue() const { return m_queue; }
    void perform(Task task);
    void performAndWait(const Task& task);

    void setPersistentStoreCoordinator(PersistentStoreCoordinatorPtr coordinator);
    // The own coordinator, or the parent's.
    PersistentStoreCoordinatorPtr persistentStoreCoordinator() const;
    void setParentContext(std::shared_ptr<ManagedObjectContext> parent);
    std::shared_ptr<ManagedObjectContext> parentContext() const { return m_parent; }

    bool hasChanges() const;
    std::vector<ManagedObjectPtr> insertedObjects() const;
    std::vector<ManagedObjectPtr> updatedObjects() const;
    std::vector<ManagedObjectPtr> deletedObjects() const;

    // Throws std::invalid_argument for an entity the model lacks.
    ManagedObjectPtr insertNewObject(const QString& entityName);
    // Where a new record will be written; it must be a store of the coordinator.
    void assignObject(const ManagedObjectPtr& object, std::shared_ptr<PersistentStore> store);
    void deleteObject(const ManagedObjectPtr& object);

    std::optional<std::vector<ManagedObjectPtr>> executeFetchRequest(const FetchRequest& request,
                                                                     StoreError* error = nullptr);
    std::optional<qint64> countForFetchRequest(const FetchRequest& request, StoreError* error = nullptr);
    // The record in this context; none when it no longer exists.
    ManagedObjectPtr existingObjectWithID(const ManagedObjectIDPtr& id, StoreError* error = nullptr);

    // True when there was nothing to save. On failure nothing leaves the
    // context and its changes stay.
    bool save(StoreError* error = nullptr);
    // Forgets every record and change.
    void reset();
    // Brings registered records up to the values another context saved (a
    // did-save notification of any coordinator over the same files).
    void mergeChangesFromContextDidSave(const Notification& notification);

    QString className() const override { return QStringLiteral("ManagedObjectContext"); }

private:
    friend class ManagedObject;
    void objectDidChange(ManagedObject* object);
    ManagedObjectPtr registerSnapshot(const RecordSnapshot& snapshot);
    std::optional<std::vector<RecordSnapshot>> snapshots(const FetchRequest& request, StoreError* error);
    std::optional<RecordSnapshot> snapshotForID(const ManagedObjectIDPtr& id, StoreError* error);
    bool hasPendingChanges(const QString& entity) const;
    void absorb(const ChangeSet& changes);
    bool validate(const ManagedObject& object, StoreError* error) const;

    const ConcurrencyType m_type;
    DispatchQueuePtr m_queue;
    PersistentStoreCoordinatorPtr m_coordinator;
    std::shared_ptr<ManagedObjectContext> m_parent;
    std::unordered_map<const ManagedObjectID*, ManagedObjectPtr> m_objects;
    std::unordered_set<ManagedObject*> m_inserted;
    std::unordered_set<ManagedObject*> m_deleted;
    std::unordered_set<ManagedObject*> m_touched; // set since the last save; may hold no real change
};

using ManagedObjectContextPtr = std::shared_ptr<ManagedObjectContext>;

} // namespace plat
