#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQSpaceEntity.h"

#include "kit/model/ZSUtils.h"
#include "platform/foundation/UserDefaults.h"

#include <QStringList>

ZQSpaceEntity::ZQSpaceEntity(const QString& folder, const QString& title)
    : m_spaceFolder(folder), m_spaceTitle(title), m_spaceGroupTitle(title)
{
    locate();
}

ZQSpaceEntity::ZQSpaceEntity(const plat::ManagedObjectPtr& entity)
    : m_spaceFolder(entity->valueForKey(QStringLiteral("folder")).toString()),
      m_spaceTitle(entity->valueForKey(QStringLiteral("title")).toString()),
      m_spaceGroupTitle(groupTitle(entity)),
      m_spaceObj(entity)
{
    locate();
}

void ZQSpaceEntity::locate()
{
    m_spaceUrl = ZSUtils::spaceUrl(m_spaceFolder);
    ZSUtils::ensurePath(m_spaceUrl);
    m_spaceStoreUrl = ZSUtils::databaseUrl(QStringLiteral("workspace.sql"), m_spaceFolder);
}

QString ZQSpaceEntity::groupTitle(const plat::ManagedObjectPtr& space)
{
    return groupTitle(space, plat::UserDefaults::standardUserDefaults()->integerForKey(QStringLiteral("appendLevelToSpaceTitle")));
}

QString ZQSpaceEntity::groupTitle(const plat::ManagedObjectPtr& space, qint64 appendLevelToSpaceTitle)
{
    const QString title = space->valueForKey(QStringLiteral("title")).toString();
    if (appendLevelToSpaceTitle != 1 && appendLevelToSpaceTitle != 2)
        return title;
    QStringList ancestors;
    // A record cannot be its own ancestor, but a damaged store could make a
    // loop: stop after as many steps as any real tree could need.
    int steps = 0;
    for (auto parent = ZQLibraryRecords::parentOf(space); parent && steps < 10000; parent = ZQLibraryRecords::parentOf(parent), ++steps)
        ancestors.prepend(parent->valueForKey(QStringLiteral("title")).toString());
    QString prefix;
    for (const QString& ancestor : ancestors)
        prefix += appendLevelToSpaceTitle == 1 ? QStringLiteral("../") : ancestor + QLatin1Char('/');
    return prefix + title;
}
