#include "app/library/ZQSpaceListDocument.h"

#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryDisk.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQAppFlags.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/Dispatch.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

using plat::Value;

namespace {

plat::Value infoValue(const plat::ValueMap& map, const QString& key)
{
    const auto it = map.find(key);
    return it == map.end() ? plat::Value() : it->second;
}

const QString kSpace = QStringLiteral("Space");

QString folderOf(const plat::ManagedObjectPtr& space)
{
    return space ? space->valueForKey(QStringLiteral("folder")).toString() : QString();
}

std::optional<qint64> countOfType(const plat::ManagedObjectContextPtr& context, qint32 type)
{
    return context->countForFetchRequest(
        plat::FetchRequest(kSpace, plat::Predicate::withFormat(QStringLiteral("spaceType==%ld"), {Value(qint64(type))})));
}

} // namespace

ZQSpaceListDocument::ZQSpaceListDocument(ZQLibraryDelegatePtr delegate)
    : m_delegate(delegate ? std::move(delegate) : std::make_shared<ZQLibraryDelegate>()),
      m_indexService(ZQIndexService::sharedIndexService()),
      m_pageOutlineQueue(std::make_shared<plat::OperationQueue>())
{
    m_filterDocument = std::make_shared<ZQPageListDocument>(
        std::vector<ZQSpaceEntityPtr>{std::make_shared<ZQSpaceEntity>(ZQSpaceFolder::filters(), QStringLiteral("Filters"))},
        m_delegate, false);
    m_filterDocument->setIndexService(m_indexService);
    applicationObjectContext();

    auto& center = plat::NotificationCenter::defaultCenter();
    const auto observe = [&](const QString& name, plat::NotificationCenter::Observer observer) {
        m_observers.push_back(center.addObserver(name, nullptr, std::move(observer)));
    };
    observe(ZQDocument::pageUpdatedNotification(), [this](const plat::Notification& n) { pageUpdated(n); });
    // Cloud actions arrive on the sync engine's threads; the work queued for
    // the main thread is dropped when this controller is gone by then.
    const std::weak_ptr<int> alive = m_alive;
    observe(cloudPageActionNotification(), [this, alive](const plat::Notification& n) {
        if (const auto action = infoValue(n.userInfo, QStringLiteral("action")).toObject<ZSICloudAction>())
            plat::dispatchMainAsync([this, alive, action] {
                if (alive.lock())
                    cloudPageAction(*action);
            });
    });
    observe(cloudSpaceActionNotification(), [this, alive](const plat::Notification& n) {
        if (const auto action = infoValue(n.userInfo, QStringLiteral("action")).toObject<ZSICloudAction>())
            plat::dispatchMainAsync([this, alive, action] {
                if (alive.lock())
                    cloudSpaceAction(*action);
            });
    });
    observe(ZQDocument::mergedConflictNotification(), [this](const plat::Notification& n) {
        docMergedConflict(infoValue(n.userInfo, QStringLiteral("pageUuid")).toString(),
                          infoValue(n.userInfo, QStringLiteral("spaceFolder")).toString());
    });
    observe(newSpaceNotification(), [this](const plat::Notification&) { fixDecorationTitle(); });
    observe(trashSpaceNotification(), [this](const plat::Notification&) { fixDecorationTitle(); });
    observe(extPageAddedNotification(), [this](const plat::Notification& n) {
        externalPageAdded(infoValue(n.userInfo, QStringLiteral("spaceFolder")).toString());
    });
    observe(extSpaceTitleNotification(), [this](const plat::Notification& n) {
        externalSpaceTitle(infoValue(n.userInfo, QStringLiteral("action")).toInteger(),
                           infoValue(n.userInfo, QStringLiteral("spaceFolder")).toString());
    });
}

ZQSpaceListDocument::~ZQSpaceListDocument()
{
    for (const auto token : m_observers)
        plat::NotificationCenter::defaultCenter().removeObserver(token);
}

void ZQSpaceListDocument::setIndexService(std::shared_ptr<ZQIndexService> service)
{
    m_indexService = std::move(service);
    m_filterDocument->setIndexService(m_indexService);
    if (m_currentSpace)
        m_currentSpace->setIndexService(m_indexService);
}

void ZQSpaceListDocument::setCurrentSpace(ZQPageListDocumentPtr space)
{
    m_currentSpace = std::move(space);
    coreData()->setCurrentSelectedRootSpaceFolder(m_currentSpace ? m_currentSpace->rootSpaceFolder() : QString());
}

plat::ManagedObjectPtr ZQSpaceListDocument::spaceRecord(const QString& spaceFolder) const
{
    return spaceFolder.isEmpty() ? nullptr : getSpaceObjectByFolder(spaceFolder);
}

// Spaces

QString ZQSpaceListDocument::createSpace(const QString& title, std::optional<ZQErrorValue>* error)
{
    const auto fail = [&](const QString& message, const std::optional<ZQErrorValue>& cause) {
        ZQErrorValue failure = cause.value_or(ZQError::errorFromMessage(message));
        ZQError::log(failure, message);
        if (error)
            *error = failure;
        ZQError::presentError(failure);
        return QString();
    };
    QString folder;
    if (const qint64 number = ZSUtils::getUniqueSortIndex()) {
        folder = ZSUtils::findAvailbleSpaceFolder(number);
        if (folder.isEmpty())
            return fail(QStringLiteral("Fatal error - unable to create space folder"), std::nullopt);
    } else {
        ZQError::log(ZQError::errorFromMessage(QStringLiteral("no counter")), QStringLiteral("Can not find new sorted index"));
        folder = ZSUtils::uuid();
    }
    // The folder first: a record whose folder cannot be made would list a
    // library that can hold no page.
    std::optional<ZQErrorValue> folderError;
    const QUrl url = ZSUtils::spaceUrl(folder);
    if (ZSUtils::ensurePath(url, &folderError).isEmpty())
        return fail(QStringLiteral("Fatal error - unable to create space folder"), folderError);

    plat::ManagedObjectPtr parent;
    if (!ZQAppFlags::readOnly && m_currentSpace) {
        const auto root = spaceRecord(m_currentSpace->rootSpaceFolder());
        if (root && !root->valueForKey(QStringLiteral("isSystem")).toBool()
            && root->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::Library)
            parent = root;
    }
    const auto context = managedObjectContext();
    const auto space = ZSCoreDataUtil::createSpaceRecord(folder, parent, title, ZQSpaceType::Library, false, context);
    std::optional<ZQErrorValue> saveError;
    if (!Exs::persistAndWait(context, &saveError)) {
        context->deleteObject(space);
        Exs::persistAndWait(context);
        QDir(url.toLocalFile()).removeRecursively();
        return fail(QStringLiteral("Fatal error - unable to create space folder"), saveError);
    }
    m_delegate->selectSpace(folder, true);
    plat::NotificationCenter::defaultCenter().post(newSpaceNotification());
    ZQCloudEngine::sharedCloudKit()->doSpaceAction(ZQCloudAction::CreateSpace, folder, title, folderOf(parent), true);
    return folder;
}

plat::ManagedObjectPtr ZQSpaceListDocument::createSearchFilter(const QString& title, const QString& criteria)
{
    const auto context = managedObjectContext();
    const QString folder = QStringLiteral("f%1.filter").arg(ZSUtils::getUniqueSortIndex());
    const auto filter = ZSCoreDataUtil::createSpaceRecord(folder, spaceRecord(ZQSpaceFolder::filters()), title,
                                                          ZQSpaceType::SavedFilter, true, context);
    filter->setValue(Value(criteria), QStringLiteral("label"));
    Exs::persist(context);
    return filter;
}

plat::ManagedObjectPtr ZQSpaceListDocument::upateSearchFilter(const QString& filterFolder, const QString& criteria)
{
    const auto filter = spaceRecord(filterFolder);
    if (!filter)
        return nullptr;
    // A title the user edited apart from the criteria stays.
    if (filter->valueForKey(QStringLiteral("title")).toString() == filter->valueForKey(QStringLiteral("label")).toString())
        filter->setValue(Value(criteria), QStringLiteral("title"));
    filter->setValue(Value(criteria), QStringLiteral("label"));
    Exs::persist(managedObjectContext());
    return filter;
}

void ZQSpaceListDocument::deleteSearchFilter(const QString& filterFolder)
{
    const auto context = managedObjectContext();
    plat::FetchRequest request(kSpace, plat::Predicate::withFormat(QStringLiteral("spaceType==%ld && folder==%@"),
                                                                   {Value(qint64(ZQSpaceType::SavedFilter)), Value(filterFolder)}));
    plat::StoreError fetchError;
    if (const auto found = context->executeFetchRequest(request, &fetchError)) {
        for (const auto& filter : *found)
            context->deleteObject(filter);
        Exs::persistAndWait(context);
    } else {
        qWarning().noquote() << QStringLiteral("Fetch space error %1").arg(fetchError.message);
    }
    if (!filterFolder.isEmpty())
        QDir(ZSUtils::spaceUrl(filterFolder).toLocalFile()).removeRecursively();
}

bool ZQSpaceListDocument::deleteSpace(const QString& spaceFolder, bool triggerCloud)
{
    const auto context = managedObjectContext();
    const auto disk = ZQLibraryDisk::shared();
    std::vector<ZQSpaceEntityPtr> children;
    getChildrenSpaces(spaceFolder, children, true);
    const auto space = spaceRecord(spaceFolder);

    std::vector<plat::ManagedObjectPtr> records;
    if (space)
        records.push_back(space);
    for (const auto& child : children)
        if (child->spaceObj())
            records.push_back(child->spaceObj());

    // The index reads the spaces' records and folders, so it goes first.
    if (m_indexService)
        m_indexService->removeIndexesForSpace(spaceFolder, true);
    const auto restoreIndex = [&] {
        if (m_indexService)
            m_indexService->rebuildIndexingForSpace(spaceFolder, true);
    };

    // The spaces' folders step aside first, so that a failure at any point
    // can put everything back: no record without its folder, no folder
    // without its record.
    struct Aside {
        QString folder;
        QString from;
        QString to;
    };
    std::vector<Aside> asides;
    const auto putBack = [&] {
        for (auto it = asides.rbegin(); it != asides.rend(); ++it)
            disk->moveItem(it->to, it->from, nullptr);
    };
    const QString stamp = ZSUtils::uuid();
    QString reason;
    for (const auto& record : records) {
        const QString folder = folderOf(record);
        const QString from = ZSUtils::spaceUrl(folder).toLocalFile();
        if (folder.isEmpty() || !QFileInfo::exists(from))
            continue;
        const QString to = QDir(ZSUtils::appDirectory().toLocalFile()).filePath(QStringLiteral(".deleted-%1-%2").arg(stamp).arg(asides.size()));
        if (!disk->moveItem(from, to, &reason)) {
            putBack();
            restoreIndex();
            ZQError::presentError(ZQError::errorFromMessage(reason));
            return false;
        }
        asides.push_back({folder, from, to});
    }

    // A linked folder's own folder goes to the desktop's trash, never deleted.
    if (space && space->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::LinkedFolder) {
        const QString path = ZQLibraryRecords::spaceFolderPath(space);
        if (!path.isEmpty() && QFileInfo::exists(path) && !disk->moveToTrash(path, &reason)) {
            putBack();
            restoreIndex();
            ZQError::presentError(ZQError::errorFromMessage(reason));
            return false;
        }
    }

    struct Sent {
        QString folder, title, parent;
    };
    std::vector<Sent> sent;
    for (const auto& record : records) {
        sent.push_back({folderOf(record), record->valueForKey(QStringLiteral("title")).toString(), folderOf(ZQLibraryRecords::parentOf(record))});
        context->deleteObject(record);
    }
    std::optional<ZQErrorValue> saveError;
    if (!Exs::persistAndWait(context, &saveError)) {
        putBack();
        context->reset();
        restoreIndex();
        ZQError::presentError(saveError.value_or(ZQError::errorFromMessage(QStringLiteral("The library could not be deleted."))));
        return false;
    }
    for (const auto& aside : asides) {
        coreData()->removePageContext(aside.folder);
        QString ignored;
        if (!disk->removeItem(aside.to, &ignored))
            qWarning().noquote() << QStringLiteral("Delete space folder %1 failed %2").arg(aside.folder, ignored);
    }
    if (triggerCloud) {
        for (const auto& s : sent)
            ZQCloudEngine::sharedCloudKit()->doSpaceAction(ZQCloudAction::DeleteSpace, s.folder, s.title, s.parent, true);
    }
    if (m_currentSpace && !spaceRecord(m_currentSpace->rootSpaceFolder()))
        setCurrentSpace(nullptr);
    m_delegate->selectPreviousSpace();
    plat::NotificationCenter::defaultCenter().post(trashSpaceNotification());
    return true;
}

ZQPageListDocumentPtr ZQSpaceListDocument::getPageListDocument(const QString& spaceFolder, bool display)
{
    if (m_currentSpace) {
        if (spaceFolder == m_currentSpace->rootSpaceFolder())
            return m_currentSpace;
        if (!display && m_currentSpace->containsSpace(spaceFolder))
            return m_currentSpace;
    }
    const auto space = spaceRecord(spaceFolder);
    if (!space) {
        qWarning().noquote() << QStringLiteral("Unexpected getPageListDocument - space %1 does not exist").arg(spaceFolder);
        return nullptr;
    }
    std::vector<ZQSpaceEntityPtr> list{std::make_shared<ZQSpaceEntity>(space)};
    getChildrenSpaces(spaceFolder, list, true);
    auto document = std::make_shared<ZQPageListDocument>(std::move(list), m_delegate, display);
    document->setIndexService(m_indexService);
    return document;
}

bool ZQSpaceListDocument::isChildrenSpaceFolder(const QString& spaceFolder, const QString& parentFolder)
{
    if (spaceFolder == parentFolder)
        return true;
    int steps = 0;
    for (auto at = ZQLibraryRecords::parentOf(spaceRecord(spaceFolder)); at && steps < 10000; at = ZQLibraryRecords::parentOf(at), ++steps) {
        if (folderOf(at) == parentFolder)
            return true;
    }
    return false;
}

void ZQSpaceListDocument::getChildrenSpaces(const QString& spaceFolder, std::vector<ZQSpaceEntityPtr>& intoSpaceList,
                                            bool recursive)
{
    const auto parent = spaceRecord(spaceFolder);
    if (!parent)
        return;
    plat::FetchRequest request(kSpace, plat::Predicate::withFormat(QStringLiteral("parent==%@"), {Value(plat::ObjectPtr(parent))}));
    const auto children = managedObjectContext()->executeFetchRequest(request);
    if (!children)
        return;
    for (const auto& child : *children) {
        const QString folder = folderOf(child);
        // A damaged store could make a space its own descendant.
        if (std::any_of(intoSpaceList.begin(), intoSpaceList.end(), [&](const auto& e) { return e->spaceFolder() == folder; }))
            continue;
        intoSpaceList.push_back(std::make_shared<ZQSpaceEntity>(child));
        if (recursive)
            getChildrenSpaces(folder, intoSpaceList, true);
    }
}

QString ZQSpaceListDocument::firstWritableSpaceFolder()
{
    plat::FetchRequest request(kSpace, plat::Predicate::withFormat(QStringLiteral("spaceType==%ld"), {Value(qint64(ZQSpaceType::Library))}));
    request.sortDescriptors = {{QStringLiteral("sortIndex"), true}};
    request.fetchLimit = 1;
    const auto found = managedObjectContext()->executeFetchRequest(request);
    return found && !found->empty() ? folderOf(found->front()) : ZQSpaceFolder::trash();
}

void ZQSpaceListDocument::openSpace(const QString& spaceFolder)
{
    if (spaceRecord(spaceFolder))
        m_delegate->selectSpace(spaceFolder, false);
}

bool ZQSpaceListDocument::existSpace(const QString& spaceFolder)
{
    plat::StoreError error;
    plat::FetchRequest request(kSpace, plat::Predicate::withFormat(QStringLiteral("folder==%@"), {Value(spaceFolder)}));
    request.fetchLimit = 1;
    const auto found = managedObjectContext()->executeFetchRequest(request, &error);
    if (!found) {
        qWarning().noquote() << QStringLiteral("Fetch page error %1").arg(error.message);
        return false;
    }
    return !found->empty();
}

// Decoration and title rows

void ZQSpaceListDocument::fixDecorationTitle()
{
    const auto context = managedObjectContext();
    bool changed = false;
    const auto keep = [&](qint32 groupType, qint32 titleType, const QString& titleFolder, qint32 dividerType,
                          const QString& dividerFolder) {
        const auto groups = countOfType(context, groupType);
        const bool exists = groups && *groups > 0;
        for (const auto& [type, folder] : {std::pair(titleType, titleFolder), std::pair(dividerType, dividerFolder)}) {
            const auto row = ZSCoreDataUtil::findFirst(context, kSpace, QStringLiteral("spaceType==%ld"), {Value(qint64(type))});
            if (exists && !row) {
                ZSCoreDataUtil::createSpaceRecord(folder, nullptr, folder, type, false, context);
                changed = true;
            } else if (!exists && row) {
                context->deleteObject(row);
                changed = true;
            }
        }
    };
    keep(ZQSpaceType::Library, ZQSpaceType::LibraryTitle, ZQSpaceFolder::libraryTitle(), ZQSpaceType::LibraryDivider,
         ZQSpaceFolder::libraryDivider());
    keep(ZQSpaceType::LinkedFolder, ZQSpaceType::LinkedTitle, ZQSpaceFolder::linkedTitle(), ZQSpaceType::LinkedDivider,
         ZQSpaceFolder::linkedDivider());
    if (changed)
        Exs::persistAndWait(context);
}

void ZQSpaceListDocument::createSpaceTitleGroup(const QString& spaceFolder)
{
    const auto space = spaceRecord(spaceFolder);
    if (!space) {
        qWarning().noquote() << QStringLiteral("Unexpected __createSpaceTitleGroup %1 get nil space object").arg(spaceFolder);
        return;
    }
    if (!m_currentSpace || !m_currentSpace->managedObjectContext())
        return;
    if (!ZQPageListDocument::showsEmptyFolders() && ZSCoreDataUtil::pageListSize(spaceFolder) == 0)
        return;
    const auto context = m_currentSpace->managedObjectContext();
    ZQPageListDocument::insertSpaceTitleRow(ZQSpaceEntity(space), context,
                                            m_currentSpace->pageStore(ZSCoreData::spaceTitleStoreName()));
    Exs::persist(context);
}

void ZQSpaceListDocument::deleteSpaceTitleGroup(const QString& spaceFolder)
{
    if (!m_currentSpace || !m_currentSpace->managedObjectContext())
        return;
    const auto context = m_currentSpace->managedObjectContext();
    if (const auto row = ZSCoreDataUtil::getSpaceTitle(spaceFolder, context)) {
        context->deleteObject(row);
        Exs::persistAndWait(context);
    }
}

void ZQSpaceListDocument::updateSpaceTitleGroup(const QString& spaceFolder)
{
    const auto space = spaceRecord(spaceFolder);
    if (!space) {
        qWarning().noquote() << QStringLiteral("Unexpected __updatSpaceTitleGroup %1 get nil space object").arg(spaceFolder);
        return;
    }
    if (!m_currentSpace || !m_currentSpace->managedObjectContext())
        return;
    const auto context = m_currentSpace->managedObjectContext();
    if (const auto row = ZSCoreDataUtil::getSpaceTitle(spaceFolder, context)) {
        row->setValue(Value(plat::AttributedText::create(plat::AttributedString(ZQSpaceEntity::groupTitle(space)))),
                      QStringLiteral("title"));
        Exs::persistAndWait(context);
        m_currentSpace->reloadData();
    }
}

void ZQSpaceListDocument::externalSpaceTitle(qint64 action, const QString& spaceFolder)
{
    try {
        if (action == 2)
            deleteSpaceTitleGroup(spaceFolder);
        else if (action == 1)
            updateSpaceTitleGroup(spaceFolder);
        else
            createSpaceTitleGroup(spaceFolder);
    } catch (const std::exception& e) {
        qWarning().noquote() << QStringLiteral("__extneralSpaceTitleUpdate excpetion %1").arg(QString::fromUtf8(e.what()));
    }
}

void ZQSpaceListDocument::cloudSpaceAction(const ZSICloudAction& action)
{
    if (action.action == ZQCloudAction::DeleteSpace)
        deleteSpace(action.uuid, true);
}

void ZQSpaceListDocument::docMergedConflict(const QString& pageUuid, const QString& spaceFolder)
{
    if (m_currentSpace && m_currentSpace->openPageUuid() == pageUuid && !pageUuid.isEmpty()) {
        m_delegate->setMessageBar(mergedConflictMessage());
        return;
    }
    plat::PersistentStorePtr store;
    const auto context = pageContext(spaceFolder, &store);
    if (const auto page = context ? ZSCoreDataUtil::getPageObjectByUUID(pageUuid, context) : nullptr) {
        page->setValue(Value(true), QStringLiteral("mergedConflict"));
        Exs::persist(context);
    }
}
