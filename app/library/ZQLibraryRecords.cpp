#include "app/library/ZQLibraryRecords.h"

#include "platform/store/Predicate.h"

#include <tuple>

#include <algorithm>

namespace {

double seconds(const plat::Value& date)
{
    const auto value = plat::Predicate::comparable(date);
    return value.isNumber() ? value.toDouble() : 0.0;
}

} // namespace

bool ZQLibraryRecords::spaceOrderLess(const plat::ManagedObjectPtr& a, const plat::ManagedObjectPtr& b)
{
    const auto key = [](const plat::ManagedObjectPtr& space) {
        return std::tuple(space->valueForKey(QStringLiteral("isSystem")).toBool(),
                          space->valueForKey(QStringLiteral("spaceType")).toInteger(),
                          space->valueForKey(QStringLiteral("sortIndex")).toInteger(),
                          -seconds(space->valueForKey(QStringLiteral("createdDate"))));
    };
    return key(a) < key(b);
}

void ZQLibraryRecords::sortSpaces(std::vector<plat::ManagedObjectPtr>& spaces)
{
    std::stable_sort(spaces.begin(), spaces.end(), spaceOrderLess);
}

bool ZQLibraryRecords::isDecoration(qint32 spaceType)
{
    return spaceType == ZQSpaceType::LibraryTitle || spaceType == ZQSpaceType::LibraryDivider
        || spaceType == ZQSpaceType::LinkedTitle || spaceType == ZQSpaceType::LinkedDivider;
}

void ZQLibraryRecords::renumberSpaces(const std::vector<plat::ManagedObjectPtr>& siblings)
{
    qint64 index = 0;
    for (const auto& space : siblings) {
        if (!space->valueForKey(QStringLiteral("isSystem")).toBool())
            space->setValue(plat::Value(index), QStringLiteral("sortIndex"));
        ++index;
    }
}

void ZQLibraryRecords::renumberPages(const std::vector<plat::ManagedObjectPtr>& pages)
{
    qint64 index = 1;
    for (const auto& page : pages)
        page->setValue(plat::Value(index++), QStringLiteral("sortIndex"));
}
