#include "app/library/ZQPageListDocument.h"

#include "platform/foundation/StringWords.h"

#include "app/library/ZQCloudEngine.h"
#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryDisk.h"
#include "app/library/ZQLibraryRecords.h"
#include "kit/foundation/Exs.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZQRenderUtil.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/StringWords.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <map>
#include <sys/stat.h>

using plat::Value;

namespace {

const QString kNode = QStringLiteral("Node");

// The place of a space in the page list: its ancestors' and its own (sort
// index, creation) from the top, each sibling step ordered by falling sort
// index and then newest first; so an ancestor (a prefix) comes before the
// spaces below it. Spaces without a record sort first, by folder.
using SpaceKey = std::vector<std::pair<qint64, double>>;

SpaceKey spaceKey(const plat::ManagedObjectPtr& space)
{
    SpaceKey key;
    int steps = 0;
    for (auto at = space; at && steps < 10000; at = ZQLibraryRecords::parentOf(at), ++steps)
        key.emplace_back(-at->valueForKey(QStringLiteral("sortIndex")).toInteger(),
                         -ZQLibraryRecords::seconds(at->valueForKey(QStringLiteral("createdDate"))));
    std::reverse(key.begin(), key.end());
    return key;
}

std::optional<ZQErrorValue> errorFromString(const QString& message)
{
    if (message.isEmpty())
        return std::nullopt;
    return ZQError::errorFromMessage(message);
}

} // namespace

ZQPageListDocument::ZQPageListDocument(std::vector<ZQSpaceEntityPtr> spaceList, ZQLibraryDelegatePtr delegate, bool display)
    : m_spaceList(std::move(spaceList)),
      m_delegate(delegate ? std::move(delegate) : std::make_shared<ZQLibraryDelegate>()),
      m_indexService(ZQIndexService::sharedIndexService()),
      m_display(display)
{
    if (!m_spaceList.empty())
        m_rootSpaceFolder = m_spaceList.front()->spaceFolder();
    m_openSpaceFolder = m_rootSpaceFolder;
    std::map<QString, QUrl> stores;
    for (const auto& entity : m_spaceList)
        stores.emplace(entity->spaceFolder(), entity->spaceStoreUrl());
    if (const auto root = ZSCoreDataUtil::getSpaceObject(m_rootSpaceFolder))
        m_currentSpaceType = root->valueForKey(QStringLiteral("spaceType")).toInteger();
    if (display)
        stores.emplace(ZSCoreData::spaceTitleStoreName(), ZSUtils::databaseUrl(QStringLiteral("spaceview.sql"), QString()));
    setManagedObjectContext(coreData()->pageTreeObjectContext(m_rootSpaceFolder, stores));
    setRootStoreName(m_rootSpaceFolder);
    if (display && managedObjectContext())
        rebuildSpaceTitleView(m_spaceList, m_currentSpaceType == ZQSpaceType::LinkedFolder);
}

bool ZQPageListDocument::containsSpace(const QString& spaceFolder) const
{
    return std::any_of(m_spaceList.begin(), m_spaceList.end(),
                       [&](const ZQSpaceEntityPtr& entity) { return entity->spaceFolder() == spaceFolder; });
}

bool ZQPageListDocument::showsEmptyFolders()
{
    return plat::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("showEmptyFolderInPageListView"));
}

plat::ManagedObjectPtr ZQPageListDocument::insertSpaceTitleRow(const ZQSpaceEntity& entity,
                                                               const plat::ManagedObjectContextPtr& context,
                                                               const plat::PersistentStorePtr& titleStore)
{
    const auto row = context->insertNewObject(kNode);
    if (titleStore)
        context->assignObject(row, titleStore);
    row->setValue(Value(plat::AttributedText::create(plat::AttributedString(entity.spaceGroupTitle()))), QStringLiteral("title"));
    row->setValue(Value(ZSUtils::uuid()), QStringLiteral("uuid"));
    row->setValue(Value(entity.spaceFolder()), QStringLiteral("spaceFolder"));
    row->setValue(Value(ZQNodeType::SpaceTitle), QStringLiteral("type"));
    const auto now = plat::Date::now();
    row->setValue(Value(now), QStringLiteral("createdDate"));
    row->setValue(Value(now), QStringLiteral("modifiedDate"));
    row->setValue(Value(qint64(0)), QStringLiteral("sortIndex"));
    return row;
}

void ZQPageListDocument::rebuildSpaceTitleView(const std::vector<ZQSpaceEntityPtr>& spaceList, bool isExternalSpace)
{
    const auto context = managedObjectContext();
    plat::FetchRequest titles(kNode, plat::Predicate::withFormat(QStringLiteral("type==%ld"), {Value(ZQNodeType::SpaceTitle)}));
    if (const auto rows = context->executeFetchRequest(titles)) {
        for (const auto& row : *rows)
            context->deleteObject(row);
    }
    if (!spaceList.empty()) {
        auto first = spaceList.front()->spaceObj();
        if (!first)
            first = ZSCoreDataUtil::getSpaceObject(spaceList.front()->spaceFolder());
        isExternalSpace = first && first->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::LinkedFolder;
    }
    const auto titleStore = pageStore(ZSCoreData::spaceTitleStoreName());
    const bool showEmpty = showsEmptyFolders();
    for (const auto& entity : spaceList) {
        if (isExternalSpace && !showEmpty && ZSCoreDataUtil::pageListSize(entity->spaceFolder()) == 0)
            continue;
        insertSpaceTitleRow(*entity, context, titleStore);
    }
    Exs::persistAndWait(context);
}

namespace {

// A row's place: its space's, then title rows before pages, then sort index,
// then the latest change first.
struct Row {
    qsizetype rank;
    qint64 type;
    qint64 sortIndex;
    double modified;
    plat::ManagedObjectPtr record;

    bool operator<(const Row& b) const
    {
        if (rank != b.rank)
            return rank < b.rank;
        if (type != b.type)
            return type > b.type;
        if (sortIndex != b.sortIndex)
            return sortIndex < b.sortIndex;
        return modified > b.modified;
    }
};

Row rowOf(plat::ManagedObjectPtr record, const std::map<QString, qsizetype>& ranks)
{
    const auto it = ranks.find(record->valueForKey(QStringLiteral("spaceFolder")).toString());
    return {it == ranks.end() ? 0 : it->second, record->valueForKey(QStringLiteral("type")).toInteger(),
            record->valueForKey(QStringLiteral("sortIndex")).toInteger(),
            ZQLibraryRecords::seconds(record->valueForKey(QStringLiteral("modifiedDate"))), std::move(record)};
}

} // namespace

std::vector<plat::ManagedObjectPtr> ZQPageListDocument::sortedRows()
{
    std::vector<plat::ManagedObjectPtr> rows = getAllPages();
    std::map<QString, SpaceKey> keys;
    for (const auto& row : rows) {
        const QString folder = row->valueForKey(QStringLiteral("spaceFolder")).toString();
        if (!keys.count(folder)) {
            const auto space = ZSCoreDataUtil::getSpaceObject(folder);
            if (!space)
                qWarning().noquote() << QStringLiteral("Unexpected unable to get space %1 for PageTree sorter").arg(folder);
            keys.emplace(folder, space ? spaceKey(space) : SpaceKey());
        }
    }
    // One rank per space, so the sort itself compares integers.
    std::vector<std::pair<const QString*, const SpaceKey*>> order;
    for (const auto& [folder, key] : keys)
        order.emplace_back(&folder, &key);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return *a.second != *b.second ? *a.second < *b.second : *a.first < *b.first;
    });
    std::map<QString, qsizetype> rank;
    for (qsizetype i = 0; i < qsizetype(order.size()); ++i)
        rank.emplace(*order[size_t(i)].first, i);

    std::vector<Row> keyed;
    keyed.reserve(rows.size());
    for (auto& record : rows)
        keyed.push_back(rowOf(std::move(record), rank));
    std::stable_sort(keyed.begin(), keyed.end());
    std::vector<plat::ManagedObjectPtr> sorted;
    sorted.reserve(keyed.size());
    for (auto& row : keyed)
        sorted.push_back(std::move(row.record));
    m_spaceRanks = std::move(rank);
    return sorted;
}

void ZQPageListDocument::insertRow(const plat::ManagedObjectPtr& record)
{
    const QString folder = record->valueForKey(QStringLiteral("spaceFolder")).toString();
    if (!m_spaceRanks.count(folder) || m_pageTreeController.indexPathOfObject(record)) {
        reloadData();
        return;
    }
    const Row row = rowOf(record, m_spaceRanks);
    const auto& nodes = m_pageTreeController.arrangedNodes();
    const auto at = std::upper_bound(nodes.begin(), nodes.end(), row, [&](const Row& key, const ZQTreeNodePtr& node) {
        return key < rowOf(node->representedObject(), m_spaceRanks);
    });
    m_pageTreeController.insertArrangedNode(at - nodes.begin(), std::make_shared<ZQTreeNode>(record));
    m_delegate->reloadPageList();
}

void ZQPageListDocument::removeRow(const plat::ManagedObjectPtr& record)
{
    if (const auto path = m_pageTreeController.indexPathOfObject(record); path && path->size() == 1) {
        m_pageTreeController.removeArrangedNode(path->front());
        m_delegate->reloadPageList();
    }
}

void ZQPageListDocument::updateRow(const plat::ManagedObjectPtr& record)
{
    const auto path = m_pageTreeController.indexPathOfObject(record);
    if (!path || path->size() != 1) {
        insertRow(record);
        return;
    }
    const qsizetype from = path->front();
    const auto& nodes = m_pageTreeController.arrangedNodes();
    const Row row = rowOf(record, m_spaceRanks);
    // Its place among the other rows, which are still in order.
    qsizetype to = 0;
    {
        qsizetype lo = 0, hi = qsizetype(nodes.size()) - 1;
        while (lo < hi) {
            const qsizetype mid = (lo + hi) / 2;
            const qsizetype at = mid >= from ? mid + 1 : mid;
            if (row < rowOf(nodes[size_t(at)]->representedObject(), m_spaceRanks))
                hi = mid;
            else
                lo = mid + 1;
        }
        to = lo;
    }
    if (to != from)
        m_pageTreeController.moveArrangedNode(from, to);
    else
        m_pageTreeController.noteArrangedNodeChanged(from);
}

void ZQPageListDocument::reloadData()
{
    const auto selected = m_pageTreeController.selectedObjects();
    std::vector<ZQTreeNodePtr> nodes;
    for (auto& row : sortedRows())
        nodes.push_back(std::make_shared<ZQTreeNode>(std::move(row)));
    m_pageTreeController.setArrangedNodes(std::move(nodes));
    std::vector<ZQIndexPath> paths;
    for (const auto& record : selected) {
        if (const auto path = m_pageTreeController.indexPathOfObject(record))
            paths.push_back(*path);
    }
    m_pageTreeController.setSelectionIndexPaths(paths);
    m_delegate->reloadPageList();
}

bool ZQPageListDocument::selectPage(const plat::ManagedObjectPtr& page)
{
    const auto path = page ? m_pageTreeController.indexPathOfObject(page) : std::nullopt;
    if (!path)
        return false;
    m_pageTreeController.setSelectionIndexPaths({*path});
    m_delegate->pageSelected(page);
    return true;
}

void ZQPageListDocument::storeSelectedPages()
{
    plat::ValueList paths;
    for (const ZQIndexPath& path : m_pageTreeController.selectionIndexPaths()) {
        plat::ValueList indexes;
        for (const qsizetype index : path)
            indexes.push_back(Value(qint64(index)));
        paths.push_back(Value(std::move(indexes)));
    }
    if (updateNameValueTable(QStringLiteral("SpaceDefault"), QStringLiteral("selectedPages"), Value(std::move(paths)), m_rootSpaceFolder))
        Exs::persist(managedObjectContext());
}

std::vector<ZQIndexPath> ZQPageListDocument::storedSelectedPages()
{
    std::vector<ZQIndexPath> paths;
    const auto stored = getValueFromNameValueTable(QStringLiteral("SpaceDefault"), QStringLiteral("selectedPages"), m_rootSpaceFolder);
    if (!stored || !stored->isList())
        return paths;
    for (const Value& path : stored->toList()) {
        ZQIndexPath indexes;
        for (const Value& index : path.isList() ? path.toList() : plat::ValueList())
            indexes.push_back(qsizetype(index.toInteger()));
        paths.push_back(std::move(indexes));
    }
    return paths;
}

plat::ManagedObjectPtr ZQPageListDocument::pageRecord(const QString& pageUuid)
{
    const auto context = managedObjectContext();
    return context ? ZSCoreDataUtil::getPageObjectByUUID(pageUuid, context) : nullptr;
}

QString ZQPageListDocument::writableSpaceFor(const QString& spaceFolder, qint64* spaceType) const
{
    const auto space = ZSCoreDataUtil::getSpaceObject(spaceFolder);
    const qint64 type = space ? space->valueForKey(QStringLiteral("spaceType")).toInteger() : 0;
    if (space && (type == ZQSpaceType::Library || type == ZQSpaceType::LinkedFolder) && !ZQLibraryRecords::liesInTrash(space)) {
        *spaceType = type;
        return spaceFolder;
    }
    // The filters, tags and trash lists hold no pages of their own: a page
    // written into their folder would be dropped by the next search.
    plat::FetchRequest request(QStringLiteral("Space"),
                               plat::Predicate::withFormat(QStringLiteral("spaceType==%ld"), {Value(qint64(ZQSpaceType::Library))}));
    request.sortDescriptors = {{QStringLiteral("sortIndex"), true}};
    const auto libraries = ZSCoreData::sharedCoredData()->spaceObjectContext()->executeFetchRequest(request);
    if (libraries) {
        for (const auto& library : *libraries) {
            if (!ZQLibraryRecords::liesInTrash(library)) {
                *spaceType = ZQSpaceType::Library;
                return library->valueForKey(QStringLiteral("folder")).toString();
            }
        }
    }
    return QString();
}

plat::ManagedObjectContextPtr ZQPageListDocument::contextForSpace(const QString& spaceFolder, plat::PersistentStorePtr* store)
{
    if (containsSpace(spaceFolder) && managedObjectContext()) {
        *store = pageStore(spaceFolder);
        return managedObjectContext();
    }
    *store = nullptr;
    return coreData()->pageObjectContext(spaceFolder);
}

void ZQPageListDocument::deleteRecord(const plat::ManagedObjectPtr& record, const plat::ManagedObjectContextPtr& context)
{
    context->performAndWait([&] { context->deleteObject(record); });
    Exs::persistAndWait(context);
}

QString ZQPageListDocument::createPage(const CreatePageCompletion& completion)
{
    return createPage(completion, false);
}

QString ZQPageListDocument::createPage(const CreatePageCompletion& completion, bool withNewDoc)
{
    if (!m_pageTreeController.selectionIndexPaths().empty())
        saveCurrentPage();
    qint64 spaceType = 0;
    const QString space = writableSpaceFor(m_openSpaceFolder, &spaceType);
    if (space.isEmpty())
        return QString();
    const auto disk = ZQLibraryDisk::shared();

    QString uuid;
    QUrl url;
    QString typeName;
    QString fileName;
    Value inode;
    if (spaceType != ZQSpaceType::LinkedFolder) {
        std::optional<ZQErrorValue> failure;
        if (ZSUtils::ensurePath(ZSUtils::spaceUrl(space), &failure).isEmpty()) {
            ZQError::presentError(failure.value_or(ZQError::errorFromMessage(QStringLiteral("The library's folder cannot be made"))));
            return QString();
        }
        uuid = ZSUtils::findAvailblePageUuid(space);
        if (uuid.isEmpty())
            return QString();
        url = ZSUtils::pageUrl(uuid, space);
        typeName = ZQDocument::pageDocumentType();
    } else {
        const auto record = ZSCoreDataUtil::getSpaceObject(space);
        const QString folderPath = record ? ZQLibraryRecords::spaceFolderPath(record) : QString();
        const QString path = ZQLibraryRecords::uniqueFileSystemName(QDir(folderPath).filePath(QStringLiteral("Untitled.md")));
        QString reason;
        struct stat info {};
        if (folderPath.isEmpty() || !disk->createEmptyFile(path, &reason) || ::stat(QFile::encodeName(path).constData(), &info) != 0) {
            ZQError::presentError(ZQError::errorFromMessage(QStringLiteral("Unable to create new file in folder %1.").arg(folderPath)));
            return QString();
        }
        inode = Value(qint64(info.st_ino));
        fileName = QFileInfo(path).fileName();
        uuid = QStringLiteral("bp-%1").arg(qint64(info.st_ino));
        url = QUrl::fromLocalFile(path);
        typeName = ZQDocument::markdownType();
    }

    plat::PersistentStorePtr store;
    const auto context = contextForSpace(space, &store);
    std::optional<ZQErrorValue> recordError;
    const auto page = ZSCoreDataUtil::createPageRecord(
        uuid, std::nullopt, space, fileName, inode, context, store,
        [&](const plat::ManagedObjectPtr&, const std::optional<ZQErrorValue>& error) { recordError = error; });
    const auto undoFile = [&] {
        if (spaceType == ZQSpaceType::LinkedFolder || QFileInfo::exists(url.toLocalFile()))
            disk->removeItem(url.toLocalFile(), nullptr);
    };
    if (recordError) {
        // A record that did not save is no page: drop it and the empty file.
        deleteRecord(page, context);
        undoFile();
        ZQError::presentError(*recordError);
        return QString();
    }

    const auto documents = plat::DocumentController::sharedDocumentController();
    ZQDocumentPtr document;
    std::shared_ptr<plat::TextStorage> text;
    plat::Range selection(0, 0);
    if (!withNewDoc) {
        const auto current = std::dynamic_pointer_cast<ZQDocument>(m_delegate->currentDocument());
        if (current && current->fileURL().isEmpty()) {
            document = current;
            text = m_delegate->visibleEditorText();
            selection = m_delegate->visibleEditorSelection();
        }
    }
    if (!document) {
        document = ZQDocument::create();
        if (documents)
            documents->addDocument(document);
    }
    document->createNewDocument(m_delegate->isMarkdownEditorVisible() ? ZQEditorType::Markup : ZQEditorType::Rich, text, selection);
    if (const auto error = disk->saveDocument(document, url, typeName, ZQDocument::SaveOperation::SaveAs)) {
        // The page has no file: its record would be listed as a page that
        // does not exist.
        deleteRecord(page, context);
        undoFile();
        if (documents)
            documents->removeDocument(*document);
        ZQError::presentError(*error);
        return QString();
    }
    if (containsSpace(space)) {
        // The new row alone: a long list is not fetched again.
        insertRow(page);
        selectPage(page);
    }
    if (completion)
        completion(document, uuid, page);
    ZQCloudEngine::sharedCloudKit()->doPageAction(ZQCloudAction::CreatePage, uuid, QString(), space, true);
    return uuid;
}

bool ZQPageListDocument::saveCurrentPage(const SaveCurrentPageCompletion& completion)
{
    const auto none = [&] {
        if (completion)
            completion(QString(), QString(), std::nullopt);
        return false;
    };
    if (m_openPageUuid.isEmpty())
        return none();
    QUrl url;
    if (m_currentSpaceType != ZQSpaceType::LinkedFolder) {
        url = ZSUtils::pageUrl(m_openPageUuid, m_openSpaceFolder);
    } else if (const auto page = ZSCoreDataUtil::getPageObjectByUUID(m_openPageUuid, m_openSpaceFolder)) {
        url = ZQLibraryRecords::pageFileUrl(page);
    }
    const auto documents = plat::DocumentController::sharedDocumentController();
    const auto document = documents ? std::dynamic_pointer_cast<ZQDocument>(documents->documentForURL(url)) : nullptr;
    if (!document)
        return none();
    savePageDocument(document, false, [this, completion](const std::optional<ZQErrorValue>& error) {
        if (completion)
            completion(m_openPageUuid, m_openSpaceFolder, error);
    });
    return true;
}

bool ZQPageListDocument::savePageDocument(const ZQDocumentPtr& document, bool forceSave, const SaveCompletion& completion)
{
    if (forceSave)
        document->updateChangeCount(plat::Document::ChangeType::Done);
    document->savePresentedItemChanges([completion](const QString& error) {
        if (completion)
            completion(errorFromString(error));
    });
    return true;
}

void ZQPageListDocument::openPage(const QString& pageUuid)
{
    saveCurrentPage();
    if (const auto page = pageRecord(pageUuid)) {
        if (!m_pageTreeController.indexPathOfObject(page))
            reloadData();
        selectPage(page);
    }
}

void ZQPageListDocument::trashFile(const QString& pageUuid)
{
    const auto context = managedObjectContext();
    const auto page = pageRecord(pageUuid);
    if (!page)
        return;
    const auto path = m_pageTreeController.indexPathOfObject(page);
    const QUrl url = ZQLibraryRecords::pageFileUrl(page);
    QString reason;
    if (!url.isEmpty() && QFileInfo::exists(url.toLocalFile())
        && !ZQLibraryDisk::shared()->moveToTrash(url.toLocalFile(), &reason)) {
        // The file stays, so its record stays with it.
        ZQError::presentError(ZQError::errorFromMessage(reason));
        return;
    }
    context->deleteObject(page);
    context->save();
    if (!url.isEmpty() && m_indexService)
        m_indexService->deleteFile(url);
    removeRow(page);
    if (pageListSize() > 0)
        tryToSelectPreviousPage(path);
    else
        m_delegate->cleanEditor();
}

std::shared_ptr<ZQDocumentOutline> ZQPageListDocument::getPageOutlineByUuid(const QString& pageUuid)
{
    auto outline = ZQDocumentOutline::initWithPageUuid(pageUuid);
    const auto page = pageRecord(pageUuid);
    if (!page)
        return outline;
    outline->setFilename(page->valueForKey(QStringLiteral("dropboxPath")).toString());
    outline->setIsExternalFile(!outline->filename().trimmed().isEmpty());
    if (const QUrl file = ZQLibraryRecords::pageFileUrl(page); !file.isEmpty())
        outline->setFileDirPath(QFileInfo(file.toLocalFile()).path());
    const auto text = pageUuid == m_openPageUuid ? m_delegate->visibleEditorText() : nullptr;
    if (text) {
        const ZQEditorType type = m_delegate->isMarkdownEditorVisible() ? ZQEditorType::Markup : ZQEditorType::Rich;
        const QString string = text->string();
        outline->setWordCount(quint64(plat::countWords(string)));
        outline->setCharCount(quint64(string.size()));
        plat::MutableAttributedString headings(*text);
        outline->setHeadings(ZQRenderUtil::extractHeadingsFromContent(headings, type, false));
        plat::MutableAttributedString tags(*text);
        outline->setTags(ZQRenderUtil::extractTags(tags, type, false));
        return outline;
    }
    outline->setWordCount(quint64(page->valueForKey(QStringLiteral("wordsCount")).toInteger()));
    outline->setCharCount(quint64(page->valueForKey(QStringLiteral("charactersCount")).toInteger()));
    const auto unarchiveList = [&](const char* key) {
        const QByteArray data = page->valueForKey(QLatin1String(key)).toData();
        const auto value = data.isEmpty() ? std::nullopt : plat::KeyedUnarchiver::unarchiveValue(data);
        return value && value->isList() ? value->toList() : plat::ValueList();
    };
    std::vector<ZQDocumentHeadingPtr> headings;
    for (const Value& item : unarchiveList("outline"))
        if (auto heading = item.toObject<ZQDocumentHeading>())
            headings.push_back(heading);
    outline->setHeadings(std::move(headings));
    std::vector<ZQDocumentTagPtr> tags;
    for (const Value& item : unarchiveList("tags"))
        if (auto tag = item.toObject<ZQDocumentTag>())
            tags.push_back(tag);
    outline->setTags(std::move(tags));
    return outline;
}

qint64 ZQPageListDocument::pageListSize()
{
    const auto context = managedObjectContext();
    plat::StoreError error;
    const auto count = context ? context->countForFetchRequest(
                                     plat::FetchRequest(kNode, plat::Predicate::withFormat(QStringLiteral("type==%ld"),
                                                                                           {Value(ZQNodeType::Page)})),
                                     &error)
                               : std::nullopt;
    if (!count) {
        ZQError::log(ZQError::errorFromMessage(error.message), QStringLiteral("Unable to get page list size"));
        return 1;
    }
    return *count;
}

std::vector<plat::ManagedObjectPtr> ZQPageListDocument::getAllPages()
{
    const auto context = managedObjectContext();
    const auto all = context ? ZSCoreDataUtil::getAllPages(context) : std::nullopt;
    return all.value_or(std::vector<plat::ManagedObjectPtr>());
}

void ZQPageListDocument::tryToSelectPreviousPage(const std::optional<ZQIndexPath>& indexPath)
{
    if (!indexPath || indexPath->empty())
        return;
    const auto isTitle = [&](const ZQTreeNodePtr& node) {
        return node->representedObject()->valueForKey(QStringLiteral("type")).toInteger() == ZQNodeType::SpaceTitle;
    };
    const auto select = [&](const ZQIndexPath& path) {
        m_pageTreeController.setSelectionIndexPaths({path});
        if (const auto node = m_pageTreeController.nodeAtIndexPath(path))
            m_delegate->pageSelected(node->representedObject());
    };
    auto previous = Exs::previousIndex(IndexPath(*indexPath));
    while (previous) {
        const auto node = m_pageTreeController.nodeAtIndexPath(previous->indexes());
        if (!node)
            break;
        if (!isTitle(node)) {
            select(previous->indexes());
            return;
        }
        previous = Exs::previousIndex(*previous);
    }
    IndexPath at(*indexPath);
    for (auto node = m_pageTreeController.nodeAtIndexPath(at.indexes()); node && isTitle(node);
         node = m_pageTreeController.nodeAtIndexPath(at.indexes()))
        at = Exs::nextIndex(at);
    if (m_pageTreeController.nodeAtIndexPath(at.indexes())) {
        select(at.indexes());
        return;
    }
    // Nothing left to select.
    m_pageTreeController.setSelectionIndexPaths({});
    m_delegate->reloadPageList();
    m_openPageUuid.clear();
    m_openSpaceFolder = m_rootSpaceFolder;
}

// Published copies

namespace {

plat::ManagedObjectPtr firstSync(const plat::ManagedObjectContextPtr& context, const QString& format, const plat::ValueList& args)
{
    return context ? ZSCoreDataUtil::findFirst(context, QStringLiteral("NodeSync"), format, args) : nullptr;
}

} // namespace

QString ZQPageListDocument::getSyncIdByPageUuid(const QString& pageUuid, const QString& blogID, qint64 syncType)
{
    const auto page = pageRecord(pageUuid);
    if (!page)
        return QString();
    const auto sync = firstSync(managedObjectContext(), QStringLiteral("syncType==%ld && syncTargetID==%@ && node==%@"),
                                {Value(syncType), Value(blogID), Value(plat::ObjectPtr(page))});
    return sync ? sync->valueForKey(QStringLiteral("syncUUID")).toString() : QString();
}

std::optional<std::vector<qint64>> ZQPageListDocument::getSyncPostCategoriesByPageUuid(const QString& pageUuid,
                                                                                      const QString& blogID, qint64 syncType)
{
    const auto page = pageRecord(pageUuid);
    if (!page)
        return std::nullopt;
    const auto sync = firstSync(managedObjectContext(), QStringLiteral("syncType==%ld && syncTargetID==%@ && node==%@"),
                                {Value(syncType), Value(blogID), Value(plat::ObjectPtr(page))});
    if (!sync)
        return std::nullopt;
    std::vector<qint64> categories;
    for (const QString& part : sync->valueForKey(QStringLiteral("syncCategories")).toString().split(QLatin1Char(',')))
        if (!part.isEmpty())
            categories.push_back(part.toLongLong());
    return categories;
}

bool ZQPageListDocument::syncPage(const QString& pageUuid, const QString& linkBlogId, const QString& linkPostId,
                                  const QString& linkUrl, const std::optional<std::vector<qint64>>& linkCategories,
                                  qint64 syncType)
{
    const auto context = managedObjectContext();
    const auto page = pageRecord(pageUuid);
    if (!context || !page)
        return true;
    auto sync = firstSync(context, QStringLiteral("syncType==%ld && node==%@ && syncUUID==%@ && syncTargetID==%@"),
                          {Value(syncType), Value(plat::ObjectPtr(page)), Value(linkPostId), Value(linkBlogId)});
    if (!sync) {
        sync = context->insertNewObject(QStringLiteral("NodeSync"));
        // The record lives beside its page, so it moves and goes with the page's store.
        const QString folder = page->valueForKey(QStringLiteral("spaceFolder")).toString();
        if (const auto store = pageStore(folder.isEmpty() ? m_openSpaceFolder : folder))
            context->assignObject(sync, store);
        sync->setValue(Value(qint64(0)), QStringLiteral("syncStatus"));
        sync->setValue(Value(syncType), QStringLiteral("syncType"));
    }
    QString categories;
    for (const qint64 category : linkCategories.value_or(std::vector<qint64>()))
        categories += QString::number(category) + QLatin1Char(',');
    sync->setValue(Value(linkPostId), QStringLiteral("syncUUID"));
    sync->setValue(Value(linkBlogId), QStringLiteral("syncTargetID"));
    sync->setValue(Value(categories), QStringLiteral("syncCategories"));
    sync->setValue(Value(linkUrl), QStringLiteral("syncURL"));
    sync->setValue(Value(qint64(1)), QStringLiteral("syncVersion"));
    sync->setValue(Value(plat::Date::now()), QStringLiteral("syncDate"));
    sync->setValue(Value(plat::ObjectPtr(page)), QStringLiteral("node"));
    Exs::persistAndWait(context);
    return true;
}
