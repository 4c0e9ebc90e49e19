#pragma once
// Records as they travel between contexts and stores: a record's values under
// its shared ID, and the changes that one save carries down a context chain
// and into the files. Relationship values are held as ManagedObjectIDs.

#include "platform/foundation/Value.h"
#include "platform/store/ManagedObjectID.h"

#include <vector>

namespace plat {

struct RecordSnapshot {
    ManagedObjectIDPtr id;
    ValueMap values;
};

struct ChangeSet {
    struct Insert {
        ManagedObjectIDPtr id;
        std::shared_ptr<PersistentStore> store; // none: the first store that has the entity
        ValueMap values;
    };
    std::vector<Insert> inserted;
    std::vector<RecordSnapshot> updated; // the changed values only
    std::vector<ManagedObjectIDPtr> deleted;

    bool empty() const { return inserted.empty() && updated.empty() && deleted.empty(); }
};

// The changes of one save as the did-save notification carries them, for
// contexts that merge them ("changes" in its user information).
class SavedChanges final : public Object {
public:
    explicit SavedChanges(ChangeSet changes) : m_changes(std::move(changes)) {}
    const ChangeSet& changes() const { return m_changes; }
    QString className() const override { return QStringLiteral("SavedChanges"); }

private:
    ChangeSet m_changes;
};

} // namespace plat
