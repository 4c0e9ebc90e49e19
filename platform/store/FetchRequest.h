#pragma once
// What a fetch or count asks for: an entity, an optional condition, an order,
// a limit, and optionally the stores to look in.

#include "platform/store/Predicate.h"

#include <QString>
#include <memory>
#include <vector>

namespace plat {

class PersistentStore;

struct SortDescriptor {
    QString key;
    bool ascending = true;
};

struct FetchRequest {
    explicit FetchRequest(QString entity = QString(), PredicatePtr condition = nullptr)
        : entityName(std::move(entity)), predicate(std::move(condition))
    {
    }

    QString entityName;
    PredicatePtr predicate;
    std::vector<SortDescriptor> sortDescriptors;
    // 0: no limit.
    qint64 fetchLimit = 0;
    // Empty: every store of the coordinator.
    std::vector<std::shared_ptr<PersistentStore>> affectedStores;
};

} // namespace plat
