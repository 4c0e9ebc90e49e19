#include "kit/storage/ZSAbstractCoreData.h"

#include "kit/storage/ZSCoreDataUtil.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

ZSAbstractCoreData::ZSAbstractCoreData() : m_coreData(ZSCoreData::sharedCoredData()) {}

plat::ManagedObjectContextPtr ZSAbstractCoreData::managedObjectContext() const
{
    std::lock_guard lock(m_mutex);
    return m_managedObjectContext;
}

void ZSAbstractCoreData::setManagedObjectContext(plat::ManagedObjectContextPtr context)
{
    std::lock_guard lock(m_mutex);
    m_managedObjectContext = std::move(context);
}

QString ZSAbstractCoreData::rootStoreName() const
{
    std::lock_guard lock(m_mutex);
    return m_rootStoreName;
}

void ZSAbstractCoreData::setRootStoreName(const QString& name)
{
    std::lock_guard lock(m_mutex);
    m_rootStoreName = name;
}

ZSCoreDataPtr ZSAbstractCoreData::coreData() const
{
    std::lock_guard lock(m_mutex);
    return m_coreData;
}

void ZSAbstractCoreData::setCoreData(ZSCoreDataPtr coreData)
{
    std::lock_guard lock(m_mutex);
    m_coreData = std::move(coreData);
}

void ZSAbstractCoreData::applicationObjectContext()
{
    setManagedObjectContext(coreData()->spaceObjectContext());
    setRootStoreName(ZSCoreData::mainStoreName());
}

void ZSAbstractCoreData::pageObjectContext(const QString& spaceFolder)
{
    setManagedObjectContext(coreData()->pageObjectContext(spaceFolder));
    setRootStoreName(spaceFolder);
}

void ZSAbstractCoreData::pageVisibleObjectContext(const QString& name, const QList<QUrl>& storeUrls)
{
    std::map<QString, QUrl> stores;
    for (const QUrl& url : storeUrls)
        stores.emplace(QFileInfo(url.toLocalFile()).dir().dirName(), url);
    setManagedObjectContext(coreData()->pageTreeObjectContext(name, stores));
    setRootStoreName(name);
}

plat::PersistentStorePtr ZSAbstractCoreData::pageStore(const QString& storeName) const
{
    return coreData()->pageStore(rootStoreName(), storeName);
}

plat::ManagedObjectPtr ZSAbstractCoreData::getPageObjectByUUID(const QString& uuid) const
{
    if (rootStoreName() == ZSCoreData::mainStoreName())
        throw std::logic_error("getPageObjectByUUID on the main store");
    return ZSCoreDataUtil::getPageObjectByUUID(uuid, managedObjectContext());
}

plat::ManagedObjectPtr ZSAbstractCoreData::getSpaceObjectByFolder(const QString& folder) const
{
    if (rootStoreName() != ZSCoreData::mainStoreName())
        throw std::logic_error("getSpaceObjectByFolder outside the main store");
    return ZSCoreDataUtil::findFirst(managedObjectContext(), QStringLiteral("Space"), QStringLiteral("folder==%@"),
                                     {plat::Value(folder)});
}
