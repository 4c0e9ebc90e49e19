#include "app/library/ZQCoreData.h"

#include "platform/foundation/KeyedArchive.h"
#include "platform/store/StoreError.h"

#include <QDebug>

std::optional<std::vector<plat::ManagedObjectPtr>> ZQCoreData::fetchRow(const QString& entityName, const QString& name,
                                                                        const QString& assignTo, plat::StoreError* error)
{
    const auto context = managedObjectContext();
    if (!context)
        return std::nullopt;
    plat::FetchRequest request(entityName, plat::Predicate::withFormat(QStringLiteral("name==%@"), {plat::Value(name)}));
    request.fetchLimit = 1;
    if (!assignTo.isEmpty()) {
        const auto store = pageStore(assignTo);
        if (!store)
            return std::nullopt;
        request.affectedStores = {store};
    }
    std::optional<std::vector<plat::ManagedObjectPtr>> rows;
    context->performAndWait([&] { rows = context->executeFetchRequest(request, error); });
    return rows;
}

bool ZQCoreData::updateNameValueTable(const QString& entityName, const QString& name, const plat::Value& value,
                                      const QString& assignTo)
{
    const auto rows = fetchRow(entityName, name, assignTo, nullptr);
    if (!rows)
        return false;
    const auto context = managedObjectContext();
    context->performAndWait([&] {
        auto row = rows->empty() ? nullptr : rows->front();
        if (!row) {
            row = context->insertNewObject(entityName);
            row->setValue(plat::Value(name), QStringLiteral("name"));
            if (!assignTo.isEmpty())
                context->assignObject(row, pageStore(assignTo));
        }
        row->setValue(plat::Value(plat::KeyedArchiver::archivedData(value)), QStringLiteral("value"));
    });
    return true;
}

std::optional<plat::Value> ZQCoreData::getValueFromNameValueTable(const QString& entityName, const QString& name,
                                                                  const QString& assignTo,
                                                                  std::optional<ZQErrorValue>* error)
{
    plat::StoreError storeError;
    const auto rows = fetchRow(entityName, name, assignTo, &storeError);
    if (!rows) {
        qWarning() << "Failed to get value from pair table";
        if (error)
            *error = ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), storeError.code,
                                  {{ZQErrorValue::localizedDescriptionKey(),
                                    plat::Value(QStringLiteral("Failed to get value from pair table"))}});
        return std::nullopt;
    }
    if (rows->empty())
        return std::nullopt;
    const QByteArray data = rows->front()->valueForKey(QStringLiteral("value")).toData();
    return plat::KeyedUnarchiver::unarchiveValue(data);
}
