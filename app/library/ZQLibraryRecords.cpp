#include "app/library/ZQLibraryRecords.h"

#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Predicate.h"
#include "platform/text/AttributedText.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <tuple>

namespace {


} // namespace

bool ZQLibraryRecords::spaceOrderLess(const plat::ManagedObjectPtr& a, const plat::ManagedObjectPtr& b)
{
    const auto key = [](const plat::ManagedObjectPtr& space) {
        return std::tuple(space->valueForKey(QStringLiteral("isSystem")).toBool(),
                          space->valueForKey(QStringLiteral("spaceType")).toInteger(),
                          space->valueForKey(QStringLiteral("sortIndex")).toInteger(),
                          -ZQLibraryRecords::seconds(space->valueForKey(QStringLiteral("createdDate"))));
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
    // Only the rows whose number changed: a page moved one place touches two records, not the list.
    for (const auto& page : pages) {
        const plat::Value stored = page->valueForKey(QStringLiteral("sortIndex"));
        if (stored.isNull() || stored.toInteger() != index)
            page->setValue(plat::Value(index), QStringLiteral("sortIndex"));
        ++index;
    }
}

bool ZQLibraryRecords::seedSystemSpaces(const QString& appID)
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const struct {
        QString folder;
        QString title;
        qint32 type;
        bool isSystem;
    } rows[] = {
        {ZQSpaceFolder::libraryTitle(), ZQSpaceFolder::libraryTitle(), ZQSpaceType::LibraryTitle, false},
        {QStringLiteral("%1ds").arg(appID), QStringLiteral("My Library"), ZQSpaceType::Library, false},
        {ZQSpaceFolder::libraryDivider(), ZQSpaceFolder::libraryDivider(), ZQSpaceType::LibraryDivider, false},
        {ZQSpaceFolder::tags(), QStringLiteral("Tags"), ZQSpaceType::Tags, true},
        {ZQSpaceFolder::filters(), QStringLiteral("Filters"), ZQSpaceType::FiltersRoot, true},
        {ZQSpaceFolder::trash(), QStringLiteral("Trash"), ZQSpaceType::Trash, true},
    };
    context->performAndWait([&] {
        for (const auto& row : rows)
            ZSCoreDataUtil::createSpaceRecord(row.folder, nullptr, row.title, row.type, row.isSystem, context);
    });
    return Exs::persistAndWait(context);
}

QString ZQLibraryRecords::spaceFolderPath(const plat::ManagedObjectPtr& space)
{
    QStringList parts;
    int steps = 0;
    for (auto at = space; at && steps < 10000; at = at->valueForKey(QStringLiteral("parent")).toObject<plat::ManagedObject>(), ++steps) {
        const QString part = at->valueForKey(QStringLiteral("dropboxPath")).toString();
        if (part.isEmpty())
            break;
        parts.prepend(part);
    }
    return parts.isEmpty() ? QString() : QDir::cleanPath(parts.join(QLatin1Char('/')));
}

QUrl ZQLibraryRecords::pageFileUrl(const plat::ManagedObjectPtr& page)
{
    const QString name = page->valueForKey(QStringLiteral("dropboxPath")).toString();
    if (name.trimmed().isEmpty())
        return QUrl();
    const auto space = ZSCoreDataUtil::getSpaceObject(page->valueForKey(QStringLiteral("spaceFolder")).toString());
    const QString folder = space ? spaceFolderPath(space) : QString();
    if (folder.isEmpty())
        return QUrl();
    return QUrl::fromLocalFile(QDir(folder).filePath(name));
}

bool ZQLibraryRecords::liesInTrash(const plat::ManagedObjectPtr& space)
{
    int steps = 0;
    for (auto at = space; at && steps < 10000; at = at->valueForKey(QStringLiteral("parent")).toObject<plat::ManagedObject>(), ++steps) {
        if (at->valueForKey(QStringLiteral("folder")).toString() == ZQSpaceFolder::trash()
            || at->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::Trash)
            return true;
    }
    return false;
}

QString ZQLibraryRecords::uniqueFileSystemName(const QString& path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString base = suffix.isEmpty() ? info.fileName() : info.fileName().chopped(suffix.size() + 1);
    for (qint64 n = 1;; ++n) {
        const QString name = suffix.isEmpty() ? QStringLiteral("%1 %2").arg(base).arg(n)
                                              : QStringLiteral("%1 %2.%3").arg(base).arg(n).arg(suffix);
        const QString candidate = info.dir().filePath(name);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

QString ZQLibraryRecords::pageTitle(const plat::ManagedObjectPtr& page)
{
    const plat::Value title = page->valueForKey(QStringLiteral("title"));
    if (const auto text = title.toObject<plat::AttributedText>())
        return text->text().string();
    return title.toString();
}

plat::ManagedObjectPtr ZQLibraryRecords::parentOf(const plat::ManagedObjectPtr& space)
{
    return space ? space->valueForKey(QStringLiteral("parent")).toObject<plat::ManagedObject>() : nullptr;
}

double ZQLibraryRecords::seconds(const plat::Value& date)
{
    const auto value = plat::Predicate::comparable(date);
    return value.isNumber() ? value.toDouble() : 0.0;
}
