// The page side of the library controller: moves between spaces, deletion
// for good, and the page actions sent to and received from the cloud.

#include "app/library/ZQSpaceListDocument.h"

#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryDisk.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQDocumentController.h"
#include "kit/foundation/ZQError.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/panels/Panels.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

using plat::Value;

namespace {

bool exists(const QUrl& url)
{
    return !url.isEmpty() && QFileInfo::exists(url.toLocalFile());
}

ZQDocumentPtr openDocument(const QUrl& url)
{
    const auto documents = plat::DocumentController::sharedDocumentController();
    return documents ? std::dynamic_pointer_cast<ZQDocument>(documents->documentForURL(url)) : nullptr;
}

ZQDocumentPtr loadDocument(const QUrl& url)
{
    if (const auto controller = std::dynamic_pointer_cast<ZQDocumentController>(plat::DocumentController::sharedDocumentController()))
        return controller->loadDocument(url);
    auto document = ZQDocument::create();
    const QString type = url.path().endsWith(QLatin1String("mkqrv")) ? ZQDocument::pageDocumentType() : ZQDocument::markdownType();
    return document->readFromURL(url, type) ? document : nullptr;
}

void closeDocument(const ZQDocumentPtr& document)
{
    if (const auto documents = plat::DocumentController::sharedDocumentController())
        documents->removeDocument(*document);
}

// The received title is Markdown: its first line without heading marks.
QString titleFromMarkdown(const QString& markdown)
{
    for (QString line : markdown.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        while (line.startsWith(QLatin1Char('#')))
            line.remove(0, 1);
        line = line.trimmed();
        if (!line.isEmpty())
            return line;
    }
    return QString();
}

} // namespace

qint64 ZQSpaceListDocument::moveType(bool sourceInTrash, bool targetInTrash)
{
    if (targetInTrash)
        return ZQMoveType::IntoTrash;
    return sourceInTrash ? ZQMoveType::OutOfTrash : ZQMoveType::BetweenLibraries;
}

qint64 ZQSpaceListDocument::moveType(const QString& fromSpace, const QString& toSpace)
{
    return moveType(isChildrenSpaceFolder(fromSpace, ZQSpaceFolder::trash()), isChildrenSpaceFolder(toSpace, ZQSpaceFolder::trash()));
}

plat::ManagedObjectContextPtr ZQSpaceListDocument::pageContext(const QString& spaceFolder, plat::PersistentStorePtr* store)
{
    if (m_currentSpace && m_currentSpace->containsSpace(spaceFolder) && m_currentSpace->managedObjectContext()) {
        *store = m_currentSpace->pageStore(spaceFolder);
        return m_currentSpace->managedObjectContext();
    }
    *store = nullptr;
    return spaceFolder.isEmpty() ? nullptr : coreData()->pageObjectContext(spaceFolder);
}

plat::ManagedObjectPtr ZQSpaceListDocument::pageRecord(const QString& pageUuid, const QString& spaceFolder)
{
    plat::PersistentStorePtr store;
    const auto context = pageContext(spaceFolder, &store);
    if (!context)
        return nullptr;
    plat::FetchRequest request(QStringLiteral("Node"), plat::Predicate::withFormat(QStringLiteral("uuid==%@"), {Value(pageUuid)}));
    request.fetchLimit = 1;
    if (store)
        request.affectedStores = {store};
    const auto found = context->executeFetchRequest(request);
    return found && !found->empty() ? found->front() : nullptr;
}

void ZQSpaceListDocument::movePage(const QString& pageUuid, const QString& fromSpace, const QString& toSpace,
                                   const MoveCompletion& completion)
{
    const qint64 type = moveType(fromSpace, toSpace);
    if (!existSpace(toSpace)) {
        plat::AlertRequest alert;
        alert.messageText = missingLibraryMessage();
        alert.informativeText = missingLibraryInformation();
        alert.style = plat::AlertRequest::Style::Warning;
        alert.iconName = QStringLiteral("quorvel.png");
        plat::Panels::current()->runAlert(alert);
        return;
    }
    const auto page = pageRecord(pageUuid, fromSpace);
    if (!page)
        return;
    ZSUtils::ensurePath(ZSUtils::spaceUrl(toSpace));
    const QUrl from = ZSUtils::pageUrl(pageUuid, fromSpace);
    const QUrl to = ZSUtils::pageUrl(pageUuid, toSpace);
    const auto document = openDocument(from);
    if (!document && !exists(from)) {
        qWarning().noquote() << QStringLiteral("Moved file %1 does not exist").arg(from.toLocalFile());
        const auto moved = movePageCoreData(page, fromSpace, toSpace, type, QString());
        if (completion)
            completion(moved, std::nullopt);
        return;
    }
    if (!document) {
        moveDoc(page, toSpace, type, fromSpace, to, from, completion);
        return;
    }
    closeDocument(document);
    if (document->isDocumentEdited()) {
        const auto list = getPageListDocument(fromSpace, false);
        const auto saver = list ? list : m_filterDocument;
        saver->savePageDocument(document, true, [=, this](const std::optional<ZQErrorValue>&) {
            moveDoc(page, toSpace, type, fromSpace, to, from, completion);
        });
        return;
    }
    moveDoc(page, toSpace, type, fromSpace, to, from, completion);
}

void ZQSpaceListDocument::moveDoc(const plat::ManagedObjectPtr& page, const QString& toSpaceFolder, qint64 moveType,
                                  const QString& fromSpaceFolder, const QUrl& toFile, const QUrl& fromFile,
                                  const MoveCompletion& completion)
{
    const auto disk = ZQLibraryDisk::shared();
    const QString pageUuid = page->valueForKey(QStringLiteral("uuid")).toString();
    QString reason;
    if (!disk->moveItem(fromFile.toLocalFile(), toFile.toLocalFile(), &reason)) {
        // Nothing moved: the record stays and the cloud hears of no move.
        const ZQErrorValue error = ZQError::errorFromMessage(reason);
        ZQError::presentError(error);
        if (completion)
            completion(nullptr, error);
        return;
    }
    std::optional<ZQErrorValue> recordError;
    const auto moved = movePageCoreData(page, fromSpaceFolder, toSpaceFolder, moveType, QString(), &recordError);
    if (!moved) {
        // The record could not follow: the package goes back to it.
        disk->moveItem(toFile.toLocalFile(), fromFile.toLocalFile(), nullptr);
        const ZQErrorValue error = recordError.value_or(ZQError::errorFromMessage(QStringLiteral("The page could not be moved.")));
        ZQError::presentError(error);
        if (completion)
            completion(nullptr, error);
        return;
    }
    if (m_indexService) {
        m_indexService->deleteDoc(fromFile);
        if (moveType != ZQMoveType::IntoTrash)
            m_indexService->addDoc(toFile);
    }
    ZQCloudEngine::sharedCloudKit()->doPageAction(ZQCloudAction::MovePage, pageUuid, ZQLibraryRecords::pageTitle(moved),
                                                  toSpaceFolder, fromSpaceFolder, true);
    if (completion)
        completion(moved, std::nullopt);
}

plat::ManagedObjectPtr ZQSpaceListDocument::movePageCoreData(const plat::ManagedObjectPtr& page, const QString& fromSpace,
                                                             const QString& toSpaceFolder, qint64 moveType,
                                                             const QString& dropboxPath, std::optional<ZQErrorValue>* error)
{
    const bool shown = m_currentSpace && m_currentSpace->containsSpace(fromSpace);
    std::optional<ZQIndexPath> selectedPath;
    bool wasSelected = false;
    if (shown) {
        auto& tree = m_currentSpace->pageTreeController();
        const auto& selection = tree.selectionIndexPaths();
        if (!selection.empty())
            selectedPath = selection.front();
        const auto selected = tree.firstSelectedObject();
        wasSelected = !selected || selected == page;
        if (!selectedPath)
            selectedPath = tree.indexPathOfObject(page);
    }

    plat::PersistentStorePtr targetStore;
    const auto target = pageContext(toSpaceFolder, &targetStore);
    plat::PersistentStorePtr sourceStore;
    const auto source = pageContext(fromSpace, &sourceStore);
    if (!target || !source)
        return nullptr;
    plat::ManagedObjectPtr moved;
    target->performAndWait([&] {
        moved = target->insertNewObject(QStringLiteral("Node"));
        if (targetStore)
            target->assignObject(moved, targetStore);
        ZSCoreDataUtil::copyPageObj(page, moved, moveType);
        moved->setValue(Value(toSpaceFolder), QStringLiteral("spaceFolder"));
        if (!dropboxPath.isEmpty())
            moved->setValue(Value(dropboxPath), QStringLiteral("dropboxPath"));
    });
    if (!Exs::persistAndWait(target, error)) {
        target->performAndWait([&] { target->deleteObject(moved); });
        Exs::persistAndWait(target);
        return nullptr;
    }
    source->performAndWait([&] { source->deleteObject(page); });
    if (!Exs::persistAndWait(source, error)) {
        // Two records of one page would list it twice: the copy goes.
        target->performAndWait([&] { target->deleteObject(moved); });
        Exs::persistAndWait(target);
        return nullptr;
    }
    // The shown list changes by the one row that left it and the one that came.
    if (shown)
        m_currentSpace->removeRow(page);
    if (m_currentSpace && m_currentSpace->containsSpace(toSpaceFolder))
        m_currentSpace->insertRow(moved);
    if (shown) {
        if (wasSelected)
            m_currentSpace->tryToSelectPreviousPage(selectedPath);
        if (m_currentSpace->pageListSize() == 0)
            m_delegate->cleanEditor();
    }
    return moved;
}

void ZQSpaceListDocument::moveFile(const QString& pageUuid, const QString& fromSpace, const QString& toSpace,
                                   const MoveCompletion& completion)
{
    const auto page = pageRecord(pageUuid, fromSpace);
    if (!page)
        return;
    const auto source = spaceRecord(fromSpace);
    const auto target = spaceRecord(toSpace);
    if (!source || !target || source->valueForKey(QStringLiteral("spaceType")).toInteger() != ZQSpaceType::LinkedFolder
        || target->valueForKey(QStringLiteral("spaceType")).toInteger() != ZQSpaceType::LinkedFolder) {
        qWarning().noquote() << QStringLiteral("Unable to complete - move file not in externall folder");
        return;
    }
    const QUrl from = ZQLibraryRecords::pageFileUrl(page);
    const QString fileName = QFileInfo(from.toLocalFile()).fileName();
    const QString to = ZQLibraryRecords::uniqueFileSystemName(QDir(ZQLibraryRecords::spaceFolderPath(target)).filePath(fileName));
    const auto disk = ZQLibraryDisk::shared();
    QString reason;
    if (from.isEmpty() || !disk->moveItem(from.toLocalFile(), to, &reason)) {
        ZQError::presentError(ZQError::errorFromMessage(reason.isEmpty() ? QStringLiteral("The file could not be moved.") : reason));
        return;
    }
    std::optional<ZQErrorValue> recordError;
    const auto moved = movePageCoreData(page, fromSpace, toSpace, ZQMoveType::BetweenLibraries, QFileInfo(to).fileName(), &recordError);
    if (!moved) {
        disk->moveItem(to, from.toLocalFile(), nullptr);
        ZQError::presentError(recordError.value_or(ZQError::errorFromMessage(QStringLiteral("The file could not be moved."))));
        return;
    }
    if (m_indexService) {
        m_indexService->deleteFile(from);
        m_indexService->addFile(QUrl::fromLocalFile(to));
    }
    if (completion)
        completion(moved, std::nullopt);
}

void ZQSpaceListDocument::putbackPage(const QString& pageUuid, const MoveCompletion& completion)
{
    const auto page = pageRecord(pageUuid, ZQSpaceFolder::trash());
    if (!page)
        return;
    const Value source = page->valueForKey(QStringLiteral("sourceSpaceFolder"));
    if (source.isString())
        movePage(pageUuid, ZQSpaceFolder::trash(), source.toString(), completion);
}

void ZQSpaceListDocument::deletePageWithWarning(const QString& pageUuid)
{
    if (pageUuid.isEmpty())
        return;
    plat::AlertRequest alert;
    alert.messageText = deleteWarningMessage();
    alert.informativeText = deleteWarningInformation();
    alert.style = plat::AlertRequest::Style::Warning;
    alert.iconName = QStringLiteral("quorvel.png");
    if (plat::Panels::current()->runAlert(alert) == 0)
        deletePageAndTryResetSelection(pageUuid, ZQSpaceFolder::trash());
}

void ZQSpaceListDocument::deletePageAndTryResetSelection(const QString& pageUuid, const QString& fromSpace)
{
    if (!m_currentSpace || !m_currentSpace->containsSpace(fromSpace)) {
        deletePage(pageUuid, fromSpace);
        return;
    }
    auto& tree = m_currentSpace->pageTreeController();
    const auto page = pageRecord(pageUuid, fromSpace);
    std::optional<ZQIndexPath> path;
    if (!tree.selectionIndexPaths().empty())
        path = tree.selectionIndexPaths().front();
    const auto selected = tree.firstSelectedObject();
    const bool wasSelected = !selected || selected == page;
    if (!path && page)
        path = tree.indexPathOfObject(page);
    deletePage(pageUuid, fromSpace);
    if (page && !pageRecord(pageUuid, fromSpace))
        m_currentSpace->removeRow(page);
    if (wasSelected)
        m_currentSpace->tryToSelectPreviousPage(path);
}

void ZQSpaceListDocument::deletePage(const QString& pageUuid, const QString& fromSpace)
{
    if (pageUuid.isEmpty())
        return;
    const QUrl url = ZSUtils::pageUrl(pageUuid, fromSpace);
    if (const auto document = openDocument(url))
        closeDocument(document);
    plat::PersistentStorePtr store;
    const auto context = pageContext(fromSpace, &store);
    const auto page = pageRecord(pageUuid, fromSpace);
    const auto disk = ZQLibraryDisk::shared();

    // The package steps aside first and goes for good only once the record
    // is gone, so neither is left without the other.
    const QString packagePath = url.toLocalFile();
    const QString aside = packagePath + QStringLiteral(".deleting");
    const bool hasPackage = exists(url);
    QString reason;
    if (hasPackage && !disk->moveItem(packagePath, aside, &reason)) {
        qWarning().noquote() << QStringLiteral("Delete file %1 failed %2").arg(pageUuid, reason);
        ZQError::presentError(ZQError::errorFromMessage(reason));
        return;
    }
    if (!hasPackage)
        qWarning().noquote() << QStringLiteral("Delete file does not exist but the Core record exist, delete it now...");
    QString title;
    if (page) {
        title = ZQLibraryRecords::pageTitle(page);
        context->performAndWait([&] { context->deleteObject(page); });
        std::optional<ZQErrorValue> saveError;
        if (!Exs::persistAndWait(context, &saveError)) {
            if (hasPackage)
                disk->moveItem(aside, packagePath, nullptr);
            context->performAndWait([&] { context->reset(); });
            ZQError::presentError(saveError.value_or(ZQError::errorFromMessage(QStringLiteral("The page could not be deleted."))));
            return;
        }
        if (m_currentSpace && m_currentSpace->containsSpace(fromSpace))
            m_currentSpace->setOpenPageUuid(QString());
    }
    if (hasPackage && !disk->removeItem(aside, &reason))
        qWarning().noquote() << QStringLiteral("Delete file %1 failed %2").arg(pageUuid, reason);
    if (m_indexService)
        m_indexService->deleteDoc(url);
    ZQCloudEngine::sharedCloudKit()->doPageAction(ZQCloudAction::DeletePage, pageUuid, title, fromSpace, true);
    if (m_currentSpace && m_currentSpace->containsSpace(fromSpace) && m_currentSpace->pageListSize() == 0)
        m_delegate->cleanEditor();
}

// Observed

void ZQSpaceListDocument::pageUpdated(const plat::Notification& notification)
{
    const auto document = std::dynamic_pointer_cast<plat::Document>(notification.object);
    if (!document)
        return;
    if ([&] { const auto it = notification.userInfo.find(QStringLiteral("saveOperation")); return it == notification.userInfo.end() ? qint64(0) : it->second.toInteger(); }() == qint64(ZQDocument::SaveOperation::SaveAs))
        return;
    const QFileInfo file(document->fileURL().toLocalFile());
    if (!file.fileName().endsWith(QLatin1String("mkqrv")))
        return;
    const QString space = file.dir().dirName();
    // Only a package that lies directly in its space's folder is a library page.
    if (!ZQShared::isSameDirectory(file.absolutePath(), ZSUtils::spaceUrl(space).toLocalFile()))
        return;
    const auto page = ZSCoreDataUtil::getPageObjectByUUID(file.fileName(), space);
    ZQCloudEngine::sharedCloudKit()->doPageAction(ZQCloudAction::UpdatePage, file.fileName(),
                                                  page ? ZQLibraryRecords::pageTitle(page) : QString(), space, true);
}

void ZQSpaceListDocument::externalPageAdded(const QString& spaceFolder)
{
    if (spaceFolder.isEmpty())
        return;
    try {
        const auto context = coreData()->pageObjectContext(spaceFolder);
        plat::FetchRequest request(QStringLiteral("Node"));
        request.sortDescriptors = {{QStringLiteral("sortIndex"), true}, {QStringLiteral("modifiedDate"), false}};
        if (const auto pages = context->executeFetchRequest(request)) {
            qint64 index = 0;
            for (const auto& page : *pages)
                page->setValue(Value(index++), QStringLiteral("sortIndex"));
        }
        if (!ZQPageListDocument::showsEmptyFolders() && m_currentSpace && m_currentSpace->managedObjectContext()
            && !ZSCoreDataUtil::getSpaceTitle(spaceFolder, m_currentSpace->managedObjectContext()))
            createSpaceTitleGroup(spaceFolder);
    } catch (const std::exception& e) {
        qWarning().noquote() << QStringLiteral("__externalPageAdd excpetion %1").arg(QString::fromUtf8(e.what()));
    }
}

void ZQSpaceListDocument::cloudPageAction(const ZSICloudAction& action)
{
    const QUrl url = ZSUtils::pageUrl(action.uuid, action.parentUuid);
    switch (action.action) {
    case ZQCloudAction::CreatePage:
    case ZQCloudAction::UpdatePage: {
        if (exists(url)) {
            if (const auto document = loadDocument(url))
                document->mergeICloudMarkdown(action.pageContent, action.pageMetaInfo, false);
            return;
        }
        ZSUtils::ensurePath(ZSUtils::spaceUrl(action.parentUuid));
        auto document = ZQDocument::create();
        document->createNewDocument(ZQEditorType::Markup, nullptr, plat::Range(0, 0));
        const QString type = action.uuid.endsWith(QLatin1String("mkqrv")) ? ZQDocument::pageDocumentType() : ZQDocument::markdownType();
        if (const auto error = ZQLibraryDisk::shared()->saveDocument(document, url, type, ZQDocument::SaveOperation::SaveAs)) {
            qWarning().noquote() << QStringLiteral("CLOUD_ACTION_CREATE_PAGE failed %1; Error %2").arg(url.toLocalFile(), error->localizedDescription());
            return;
        }
        document->mergeICloudMarkdown(action.pageContent, action.pageMetaInfo, false);
        return;
    }
    case ZQCloudAction::OlderPageVersion:
        if (exists(url)) {
            if (const auto document = loadDocument(url))
                document->mergeICloudMarkdown(action.pageContent, action.pageMetaInfo, true);
        }
        return;
    case ZQCloudAction::DeletePage: {
        if (const auto document = openDocument(url); document && document->isDocumentEdited())
            return;
        // A package changed here after the deletion was made is kept.
        const QDateTime modified = QFileInfo(url.toLocalFile()).lastModified();
        if (modified.isValid() && modified.toMSecsSinceEpoch() / 1000.0 > action.actionDate)
            return;
        deletePageAndTryResetSelection(action.uuid, action.parentUuid);
        return;
    }
    case ZQCloudAction::MovePage:
        receivedPageMove(action);
        return;
    default:
        return;
    }
}

void ZQSpaceListDocument::receivedPageMove(const ZSICloudAction& action)
{
    const QUrl from = ZSUtils::pageUrl(action.uuid, action.fromParentUuid);
    const QUrl to = ZSUtils::pageUrl(action.uuid, action.parentUuid);
    const auto page = pageRecord(action.uuid, action.fromParentUuid);
    if (!page || !existSpace(action.parentUuid)) {
        // A package moved without a record to follow would be a page no list shows.
        qWarning().noquote() << QStringLiteral("CLOUD_ACTION_MOVE_PAGE failed from %1 to %2; Error %3")
                                    .arg(from.toLocalFile(), to.toLocalFile(), QStringLiteral("no such page or space"));
        return;
    }
    ZSUtils::ensurePath(ZSUtils::spaceUrl(action.parentUuid));
    if (const auto document = openDocument(from))
        closeDocument(document);
    const auto disk = ZQLibraryDisk::shared();
    QString reason;
    if (!disk->moveItem(from.toLocalFile(), to.toLocalFile(), &reason)) {
        qWarning().noquote() << QStringLiteral("CLOUD_ACTION_MOVE_PAGE failed from %1 to %2; Error %3")
                                    .arg(from.toLocalFile(), to.toLocalFile(), reason);
        return;
    }
    page->setValue(Value(plat::AttributedText::create(plat::AttributedString(titleFromMarkdown(action.title)))),
                   QStringLiteral("title"));
    const qint64 type = moveType(action.fromParentUuid, action.parentUuid);
    if (!movePageCoreData(page, action.fromParentUuid, action.parentUuid, type, QString())) {
        disk->moveItem(to.toLocalFile(), from.toLocalFile(), nullptr);
        return;
    }
    // The search must find the page where it now is.
    if (m_indexService) {
        m_indexService->deleteDoc(from);
        if (type != ZQMoveType::IntoTrash)
            m_indexService->addDoc(to);
    }
}
