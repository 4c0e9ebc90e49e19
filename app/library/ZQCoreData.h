#pragma once
// The base of the library documents: small per-space state kept as name/value
// rows (the value a keyed archive) in the store the accessor points at.

#include "kit/foundation/ZQErrorValue.h"
#include "kit/storage/ZSAbstractCoreData.h"

#include <optional>

class ZQCoreData : public ZSAbstractCoreData {
public:
    // Writes the archive of value into the row named name, inserting the row
    // (in the store of the space folder assignTo, when given) if it is missing.
    // False only when the rows cannot be read; nothing is saved.
    bool updateNameValueTable(const QString& entityName, const QString& name, const plat::Value& value,
                              const QString& assignTo = QString());
    // The value of the row named name; none when there is no such row, and
    // none with error set when the rows cannot be read.
    std::optional<plat::Value> getValueFromNameValueTable(const QString& entityName, const QString& name,
                                                          const QString& assignTo = QString(),
                                                          std::optional<ZQErrorValue>* error = nullptr);

    QString className() const override { return QStringLiteral("ZQCoreData"); }

private:
    std::optional<std::vector<plat::ManagedObjectPtr>> fetchRow(const QString& entityName, const QString& name,
                                                                const QString& assignTo, plat::StoreError* error);
};
