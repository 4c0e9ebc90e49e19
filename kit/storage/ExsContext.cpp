#include "kit/storage/ExsContext.h"

#include <QDebug>

namespace Exs {

namespace {

// One step of the chain on the context's queue: true when the chain goes on.
bool saveStep(const plat::ManagedObjectContextPtr& context, std::optional<ZQErrorValue>* error)
{
    if (!context->hasChanges())
        return true; // the parent may still have changes of its own
    plat::StoreError failure;
    if (context->save(&failure))
        return true;
    const ZQErrorValue value = errorFromStoreError(failure);
    qWarning().noquote() << QStringLiteral("Unresolved context error %1, %2")
                                .arg(value.localizedDescription(), QString::number(value.code()));
    if (error)
        *error = value;
    return false;
}

} // namespace

ZQErrorValue errorFromStoreError(const plat::StoreError& error)
{
    plat::ValueMap info;
    info.emplace(ZQErrorValue::localizedDescriptionKey(), plat::Value(error.message));
    return ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), qint64(error.code), std::move(info));
}

void persist(const plat::ManagedObjectContextPtr& context)
{
    if (!context)
        return;
    context->perform([context] {
        if (saveStep(context, nullptr))
            persist(context->parentContext());
    });
}

bool persistAndWait(const plat::ManagedObjectContextPtr& context, std::optional<ZQErrorValue>* error)
{
    for (plat::ManagedObjectContextPtr step = context; step; step = step->parentContext()) {
        bool ok = true;
        step->performAndWait([&] { ok = saveStep(step, error); });
        if (!ok)
            return false;
    }
    return true;
}

} // namespace Exs
