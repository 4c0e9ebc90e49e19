#include "kit/storage/ZSCoreData.h"

#include "kit/foundation/ZQError.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "platform/foundation/Resources.h"
#include "platform/store/Date.h"

#include <QDebug>
#include <QFileInfo>

namespace {

const QString workspaceFile = QStringLiteral("workspace.sql");

plat::PersistentStore::Options migrationOptions()
{
    plat::PersistentStore::Options options;
    options.migrateAutomatically = true;
    return options;
}

QString samePath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

std::shared_ptr<ZSCoreData> ZSCoreData::sharedCoredData()
{
    // Made once, even when first asked from several threads; never destroyed.
    static const auto instance = [] {
        auto coreData = std::make_shared<ZSCoreData>(Passkey{});
        std::weak_ptr<ZSCoreData> weak = coreData;
        auto& center = plat::NotificationCenter::defaultCenter();
        coreData->m_willSave = center.addObserver(plat::ManagedObjectContext::willSaveNotification(), nullptr,
                                                  [weak](const plat::Notification& n) {
                                                      if (auto self = weak.lock())
                                                          self->willSaveContext(n);
                                                  });
        coreData->m_didSave = center.addObserver(plat::ManagedObjectContext::didSaveNotification(), nullptr,
                                                 [weak](const plat::Notification& n) {
                                                     if (auto self = weak.lock())
                                                         self->didSaveContext(n);
                                                 });
        return coreData;
    }();
    return instance;
}

ZSCoreData::ZSCoreData(Passkey) {}

ZSCoreData::~ZSCoreData()
{
    auto& center = plat::NotificationCenter::defaultCenter();
    center.removeObserver(m_willSave);
    center.removeObserver(m_didSave);
}

plat::ManagedObjectModelPtr ZSCoreData::objectModel(const QString& name)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_objectModels.find(name);
    if (it != m_objectModels.end())
        return it->second;
    const QString path = plat::Resources::pathForResource(name, QStringLiteral("momd"), QStringLiteral("models"));
    QString error;
    auto model = path.isEmpty() ? nullptr : plat::ManagedObjectModel::load(path, &error);
    if (!model) {
        qWarning().noquote() << QStringLiteral("Cannot load the record model %1: %2").arg(name, path.isEmpty() ? QStringLiteral("missing") : error);
        return nullptr;
    }
    m_objectModels.emplace(name, model);
    return model;
}

plat::ManagedObjectContextPtr ZSCoreData::context(const QString& storeName, const QUrl& storeUrl,
                                                  const QString& objectModelName)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_contextItems.find(storeName);
    if (it != m_contextItems.end())
        return it->second->mainMoC();
    auto item = std::make_shared<ZSCoreDataItem>();
    auto master = plat::ManagedObjectContext::create(plat::ConcurrencyType::PrivateQueue);
    auto main = plat::ManagedObjectContext::create(plat::ConcurrencyType::MainQueue);
    main->setParentContext(master);
    item->setMasterMoC(master);
    item->setMainMoC(main);
    auto coordinator = plat::PersistentStoreCoordinator::create(objectModel(objectModelName));
    if (coordinator->managedObjectModel()) {
        plat::StoreError error;
        if (auto store = coordinator->addPersistentStore(storeUrl.toLocalFile(), migrationOptions(), &error))
            item->setStore(storeName, store);
        else // the stack stays without the store; its saves fail and say so
            qWarning().noquote() << QStringLiteral("Cannot open the store %1: %2").arg(storeName, error.message);
    }
    master->setPersistentStoreCoordinator(coordinator);
    m_contextItems.emplace(storeName, item);
    return main;
}

plat::ManagedObjectContextPtr ZSCoreData::spaceObjectContext()
{
    return context(mainStoreName(), ZSUtils::databaseUrl(QStringLiteral("quorvel.sql"), QString()), QStringLiteral("quorvel"));
}

plat::ManagedObjectContextPtr ZSCoreData::localActionObjectContext()
{
    return context(localActionStoreName(), ZSUtils::databaseUrl(QStringLiteral("localaction.sql"), QString()),
                   QStringLiteral("localaction"));
}

plat::ManagedObjectContextPtr ZSCoreData::spaceTitleObjectContext()
{
    return context(spaceTitleStoreName(), ZSUtils::databaseUrl(QStringLiteral("spaceview.sql"), QString()),
                   QStringLiteral("workspace"));
}

plat::ManagedObjectContextPtr ZSCoreData::pageObjectContext(const QString& spaceFolder)
{
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_contextItems.find(spaceFolder);
        if (it != m_contextItems.end())
            return it->second->mainMoC();
    }
    return context(spaceFolder, ZSUtils::databaseUrl(workspaceFile, spaceFolder), QStringLiteral("workspace"));
}

plat::ManagedObjectContextPtr ZSCoreData::pageTreeObjectContext(const QString& rootSpaceFolder,
                                                                const std::map<QString, QUrl>& storeUrls)
{
    QStringList names;
    for (const auto& [name, url] : storeUrls)
        names << name;
    const ZSCoreDataItemKey key(rootSpaceFolder, names);
    std::unique_lock lock(m_mutex);
    const auto found = m_visibleContextItems.find(key);
    if (found != m_visibleContextItems.end() && found->second->spaceFolder() == rootSpaceFolder)
        return found->second->masterMoC();
    const auto old = m_visibleIndex.find(rootSpaceFolder);
    if (old != m_visibleIndex.end()) {
        m_visibleContextItems.erase(old->second);
        m_visibleIndex.erase(old);
    }
    auto item = std::make_shared<ZSCoreDataItem>();
    item->setSpaceFolder(rootSpaceFolder);
    auto master = plat::ManagedObjectContext::create(plat::ConcurrencyType::MainQueue);
    item->setMasterMoC(master);
    m_visibleContextItems.insert_or_assign(key, item);
    m_visibleIndex.insert_or_assign(rootSpaceFolder, key);

    auto coordinator = plat::PersistentStoreCoordinator::create(objectModel(QStringLiteral("workspace")));
    for (const auto& [name, url] : storeUrls) {
        plat::StoreError error;
        auto store = coordinator->managedObjectModel()
            ? coordinator->addPersistentStore(url.toLocalFile(), migrationOptions(), &error)
            : nullptr;
        if (!store) {
            lock.unlock();
            ZQError::presentError(Exs::errorFromStoreError(error));
            return nullptr;
        }
        item->setStore(name, store);
    }
    master->setPersistentStoreCoordinator(coordinator);
    return master;
}

ZSCoreDataItemPtr ZSCoreData::currentVisibleItem()
{
    std::lock_guard lock(m_mutex);
    const auto key = m_visibleIndex.find(m_currentSelectedRootSpaceFolder);
    if (key == m_visibleIndex.end())
        return nullptr;
    const auto found = m_visibleContextItems.find(key->second);
    return found == m_visibleContextItems.end() ? nullptr : found->second;
}

plat::ManagedObjectContextPtr ZSCoreData::currentVisiblePageTreeContext()
{
    const ZSCoreDataItemPtr item = currentVisibleItem();
    return item ? item->masterMoC() : nullptr;
}

plat::PersistentStorePtr ZSCoreData::pageStore(const QString& rootSpaceFolder, const QString& storeName)
{
    std::lock_guard lock(m_mutex);
    for (const auto& [key, item] : m_visibleContextItems) {
        if (key.root() != rootSpaceFolder)
            continue;
        const auto stores = item->stores();
        const auto it = stores.find(storeName);
        if (it != stores.end())
            return it->second;
    }
    return nullptr;
}

void ZSCoreData::refreshBookmarkStoreForPageTreeContext(const QString& spaceFolder, bool insertOrRemove)
{
    const ZSCoreDataItemPtr item = currentVisibleItem();
    if (!item)
        return;
    const auto master = item->masterMoC();
    const auto coordinator = master ? master->persistentStoreCoordinator() : nullptr;
    if (!coordinator || !ZQShared::isParentPath(item->spaceFolder(), spaceFolder))
        return;
    const auto stores = item->stores();
    if (insertOrRemove) {
        if (stores.count(spaceFolder))
            return;
        plat::StoreError error;
        const QUrl url = ZSUtils::databaseUrl(workspaceFile, spaceFolder);
        if (auto store = coordinator->addPersistentStore(url.toLocalFile(), migrationOptions(), &error))
            item->setStore(spaceFolder, store);
        else
            qWarning().noquote() << QStringLiteral("Add Store Error = %1").arg(error.message);
    } else {
        const auto it = stores.find(spaceFolder);
        if (it != stores.end())
            coordinator->removePersistentStore(it->second);
        item->removeStore(spaceFolder);
    }
}

plat::ManagedObjectContextPtr ZSCoreData::createWorkerContext(const plat::ManagedObjectContextPtr& parent)
{
    auto worker = plat::ManagedObjectContext::create(plat::ConcurrencyType::MainQueue);
    worker->setParentContext(parent);
    return worker;
}

void ZSCoreData::removePageContext(const QString& storeName)
{
    const auto discard = [](const ZSCoreDataItemPtr& item, const char* message) {
        if (const auto main = item->mainMoC())
            main->performAndWait([&] { main->reset(); });
        const auto master = item->masterMoC();
        if (!master)
            return;
        master->performAndWait([&] { master->reset(); });
        const auto coordinator = master->persistentStoreCoordinator();
        for (const auto& [name, store] : item->stores()) {
            if (!coordinator || !coordinator->removePersistentStore(store))
                qWarning().noquote() << QString::fromLatin1(message).arg(name);
        }
    };
    ZSCoreDataItemPtr single;
    ZSCoreDataItemPtr visible;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_contextItems.find(storeName);
        if (it != m_contextItems.end()) {
            single = it->second;
            m_contextItems.erase(it);
        }
        const auto key = m_visibleIndex.find(storeName);
        if (key != m_visibleIndex.end()) {
            const auto item = m_visibleContextItems.find(key->second);
            if (item != m_visibleContextItems.end()) {
                visible = item->second;
                m_visibleContextItems.erase(item);
            }
            m_visibleIndex.erase(key);
        }
    }
    if (single)
        discard(single, "Remove store failed %1");
    if (visible)
        discard(visible, "Remove visible context store failed %1");
}

std::vector<ZSCoreDataItemPtr> ZSCoreData::allItems() const
{
    std::lock_guard lock(m_mutex);
    std::vector<ZSCoreDataItemPtr> items;
    for (const auto& [name, item] : m_contextItems)
        items.push_back(item);
    for (const auto& [key, item] : m_visibleContextItems)
        items.push_back(item);
    return items;
}

void ZSCoreData::persisteAllUnsaved()
{
    for (const auto& item : allItems())
        Exs::persist(item->mainMoC() ? item->mainMoC() : item->masterMoC());
}

void ZSCoreData::persistAllUnsavedAndWait()
{
    for (const auto& item : allItems())
        Exs::persistAndWait(item->mainMoC() ? item->mainMoC() : item->masterMoC());
}

QString ZSCoreData::currentSelectedRootSpaceFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_currentSelectedRootSpaceFolder;
}

void ZSCoreData::setCurrentSelectedRootSpaceFolder(const QString& folder)
{
    std::lock_guard lock(m_mutex);
    m_currentSelectedRootSpaceFolder = folder;
}

void ZSCoreData::willSaveContext(const plat::Notification& notification)
{
    const auto context = plat::objectCast<plat::ManagedObjectContext>(notification.object);
    if (!context)
        return;
    // Inserted and deleted records keep what they have; a change that set
    // "actionDate" itself keeps its date.
    const QString actionDate = QStringLiteral("actionDate");
    for (const auto& object : context->updatedObjects()) {
        if (object->entityName() != QLatin1String("Node") && object->entityName() != QLatin1String("Space"))
            continue;
        if (!object->changedValues().count(actionDate))
            object->setValue(plat::Value(plat::Date::now()), actionDate);
    }
}

void ZSCoreData::didSaveContext(const plat::Notification& notification)
{
    const auto context = plat::objectCast<plat::ManagedObjectContext>(notification.object);
    if (!context || context->parentContext())
        return;
    const auto coordinator = context->persistentStoreCoordinator();
    const auto saved = coordinator ? coordinator->persistentStores() : std::vector<plat::PersistentStorePtr>();
    if (saved.size() > 1)
        return;
    const ZSCoreDataItemPtr item = currentVisibleItem();
    if (!item)
        return;
    const auto combined = item->masterMoC();
    if (!combined || combined == context)
        return;
    for (const auto& store : saved) {
        for (const auto& [name, candidate] : item->stores()) {
            if (name == spaceTitleStoreName() || samePath(candidate->path()) != samePath(store->path()))
                continue;
            combined->perform([combined, notification] { combined->mergeChangesFromContextDidSave(notification); });
            return;
        }
    }
}
