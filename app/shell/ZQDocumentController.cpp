#include "app/shell/ZQDocumentController.h"

#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQImportMarkupPanelEx.h"
#include "app/shell/ZQStringUtil.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/panels/Panels.h"

#include <QDir>
#include <QFileInfo>

std::shared_ptr<ZQDocumentController> ZQDocumentController::create()
{
    return std::shared_ptr<ZQDocumentController>(new ZQDocumentController);
}

void ZQDocumentController::installPanelErrorPresentation()
{
    ZQError::setPresentationHandler([](const ZQErrorValue& error) {
        plat::Panels::current()->presentError(error.localizedDescription());
    });
}

QStringList ZQDocumentController::markdownExtensions()
{
    return {QStringLiteral("md"), QStringLiteral("markdown"), QStringLiteral("mkd"), QStringLiteral("mdown"),
            QStringLiteral("mkdn")};
}

// Documents

ZQDocumentPtr ZQDocumentController::newDocument()
{
    ZQDocumentPtr document = ZQDocument::create();
    document->createNewDocument(ZQEditorType::Markup, nullptr, plat::Range(0, 0));
    document->setFileType(ZQDocument::markdownType());
    addDocument(document);
    document->makeWindowControllers();
    return document;
}

ZQDocumentPtr ZQDocumentController::loadDocument(const QUrl& url)
{
    if (const auto open = std::dynamic_pointer_cast<ZQDocument>(documentForURL(url)))
        return open;
    // A stand-alone page file read as Markdown would show its archive as text
    // and write that text over it on the next save.
    const QString name = QFileInfo(plat::normalizedItemPath(url)).fileName();
    const QString type = name.endsWith(QLatin1String("mkqrv"))     ? ZQDocument::pageDocumentType()
                         : name.endsWith(QLatin1String(".qrvpage")) ? ZQDocument::standalonePageType()
                                                                    : ZQDocument::markdownType();
    ZQDocumentPtr document = ZQDocument::create();
    QString ignored;
    if (!document->readFromURL(url, type, &ignored))
        return nullptr;
    return document;
}

void ZQDocumentController::closeUnusedUntitledDocuments()
{
    for (const plat::DocumentPtr& document : documents()) {
        const auto page = std::dynamic_pointer_cast<ZQDocument>(document);
        if (document->fileURL().isEmpty() && !(page && page->hasWindowController()))
            removeDocument(*document);
    }
}

// Menus

bool ZQDocumentController::validateMenuItem(int tag, QString* title) const
{
    if (tag == ImportMarkdownTag && title)
        *title = importMenuTitle();
    if (tag == NewPageTag)
        return !ZQAppFlags::readOnly;
    return true;
}

QString ZQDocumentController::createPage(const QString& spaceFolder, bool markupEditor)
{
    std::optional<ZQErrorValue> failure;
    if (ZSUtils::ensurePath(ZSUtils::spaceUrl(spaceFolder), &failure).isEmpty()) {
        ZQError::presentError(failure ? *failure : ZQError::errorFromMessage(QStringLiteral("The library's folder cannot be made")));
        return QString();
    }
    const QString uuid = ZSUtils::findAvailblePageUuid(spaceFolder);
    if (uuid.isEmpty())
        return QString();
    ZQDocumentPtr document = ZQDocument::create();
    document->createNewDocument(markupEditor ? ZQEditorType::Markup : ZQEditorType::Rich, nullptr, plat::Range(0, 0));
    document->saveToURL(ZSUtils::pageUrl(uuid, spaceFolder), ZQDocument::pageDocumentType(),
                        ZQDocument::SaveOperation::SaveAs,
                        [&](const std::optional<ZQErrorValue>& error) { failure = error; });
    if (failure) {
        ZQError::presentError(*failure);
        return QString();
    }
    // The record follows the package, so a listed page always has its file;
    // a record that cannot be saved takes the package back with it.
    std::optional<ZQErrorValue> recordError;
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(spaceFolder);
    const auto record = ZSCoreDataUtil::createPageRecord(
        uuid, std::nullopt, spaceFolder, QString(), plat::Value(), context, nullptr,
        [&](const plat::ManagedObjectPtr&, const std::optional<ZQErrorValue>& error) { recordError = error; });
    if (recordError) {
        context->performAndWait([&] { context->deleteObject(record); });
        QDir(ZSUtils::pageUrl(uuid, spaceFolder).toLocalFile()).removeRecursively();
        ZQError::presentError(*recordError);
        return QString();
    }
    return uuid;
}

void ZQDocumentController::createOrPutbackPage()
{
    if (!m_libraryWindow)
        return;
    if (ZQAppFlags::inTrash) {
        m_libraryWindow->putbackPage(m_libraryWindow->openPageUuid());
        return;
    }
    // As for imports: a package written into the filters' or tags' folder
    // would be dropped by the next search, so such spaces send the page to
    // the first library.
    const QString space = decideImportSpaceFolder(*m_libraryWindow);
    if (space.isEmpty())
        return;
    const QString uuid = createPage(space, m_libraryWindow->isMarkdownEditorVisible());
    if (!uuid.isEmpty())
        m_libraryWindow->showCreatedPage(uuid, space);
}

void ZQDocumentController::createSpace()
{
    if (!m_libraryWindow)
        return;
    if (const std::optional<ZQErrorValue> error = m_libraryWindow->createSpace(newLibraryTitle()))
        ZQError::presentError(*error);
}

void ZQDocumentController::linkExternalFolder()
{
    plat::OpenPanelRequest request;
    request.canCreateDirectories = true;
    request.canChooseFiles = false;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = true;
    request.prompt = QStringLiteral("Add");
    const std::optional<plat::OpenPanelResult> result = plat::Panels::current()->runOpenPanel(request);
    if (!result || result->urls.isEmpty() || !m_libraryWindow)
        return;
    m_libraryWindow->linkFolder(result->urls.first());
}

// Markdown import

QString ZQDocumentController::decideImportSpaceFolder(ZQLibraryWindowLink& window)
{
    QString folder = window.openSpaceFolder();
    if (folder.isEmpty())
        folder = window.rootSpaceFolder();
    const plat::ManagedObjectPtr space = folder.isEmpty() ? nullptr : ZSCoreDataUtil::getSpaceObject(folder);
    if (!space || space->valueForKey(QStringLiteral("spaceType")).toInteger() != 1) {
        folder = window.firstWritableSpaceFolder();
        window.openSpace(folder);
    }
    return folder;
}

bool ZQDocumentController::importFile(const QString& path, const QString& scanImagePath, const QString& space,
                                      ZQLibraryWindowLink& window, ZQLibraryWindowLink::ImportResult* result)
{
    QString reason;
    const std::optional<QString> text = ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(path), &reason);
    if (!text) {
        // An unreadable file becomes no page: an empty one would look like a lost text.
        ZQError::presentError(ZQError::errorFromMessage(
            QStringLiteral("\"%1\" could not be imported: %2").arg(QFileInfo(path).fileName(), reason)));
        return false;
    }
    *result = window.importMarkdown(*text, scanImagePath, space);
    return true;
}

void ZQDocumentController::importMarkdownToLibrary()
{
    ZQImportMarkupPanelEx accessory;
    plat::OpenPanelRequest request;
    request.allowedFileTypes = markdownExtensions();
    request.canCreateDirectories = false;
    request.canChooseFiles = true;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = false;
    request.prompt = importPanelPrompt();
    request.accessoryCheckBoxTitle = ZQImportMarkupPanelEx::checkBoxTitle();
    request.accessoryCheckBoxOn = accessory.isChecked();
    const std::optional<plat::OpenPanelResult> answer = plat::Panels::current()->runOpenPanel(request);
    if (!answer || answer->urls.isEmpty())
        return;
    const QFileInfo chosen(answer->urls.first().toLocalFile());
    if (!chosen.exists())
        return;
    accessory.setChecked(answer->accessoryCheckBoxOn);
    const bool withImages = accessory.importImage();

    const std::shared_ptr<ZQLibraryWindowLink> window = m_libraryWindow;
    if (!window)
        return;
    if (!window->isKeyWindow())
        window->makeKeyAndOrderFront();
    const QString space = decideImportSpaceFolder(*window);

    if (!chosen.isDir()) {
        const QString folder = chosen.absolutePath();
        ZQLibraryWindowLink::ImportResult result;
        if (!importFile(chosen.absoluteFilePath(), folder, space, *window, &result))
            return;
        if (withImages && !result.pendingImages.empty())
            importImagesWithAlert(result.pendingImages, folder, *window, result.richContent);
        return;
    }

    // Only the folder's own Markdown files, never its sub-folders.
    const QString folder = chosen.absoluteFilePath();
    const QStringList extensions = markdownExtensions();
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                             QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!extensions.contains(entry.suffix().toLower()) || entry.isDir() || !entry.exists())
            continue;
        ZQLibraryWindowLink::ImportResult result;
        // The page's images are looked for where the page lies: the chosen folder.
        if (!importFile(entry.absoluteFilePath(), folder, space, *window, &result))
            continue;
        if (withImages && !result.pendingImages.empty())
            importImages(result.pendingImages, folder, *window, result.richContent);
    }
}

void ZQDocumentController::importImagesWithAlert(const std::vector<ZQAttachedStoragePtr>& pending, const QString& folder,
                                                 ZQLibraryWindowLink& window,
                                                 const std::shared_ptr<plat::TextStorage>& richContent)
{
    const bool one = pending.size() == 1;
    plat::AlertRequest alert;
    alert.buttons = {importImagesButton(), QStringLiteral("Cancel")};
    alert.iconName = QStringLiteral("quorvel.png");
    alert.style = plat::AlertRequest::Style::Warning;
    alert.messageText = QStringLiteral("There %1 %2 %3 used in this markdown found from this folder. Do you want to import %4?")
                            .arg(one ? QStringLiteral("is") : QStringLiteral("are"))
                            .arg(qint64(pending.size()))
                            .arg(one ? QStringLiteral("image") : QStringLiteral("images"))
                            .arg(one ? QStringLiteral("this image") : QStringLiteral("these images"));
    for (const ZQAttachedStoragePtr& storage : pending) {
        if (const ZQAttachedImageObjectPtr object = storage->attachedObject())
            alert.informativeText += object->imageFileName() + QLatin1Char('\n');
    }
    if (plat::Panels::current()->runAlert(alert) != 0)
        return;
    plat::OpenPanelRequest access;
    access.canChooseFiles = false;
    access.canChooseDirectories = true;
    access.canCreateDirectories = false;
    access.allowsMultipleSelection = false;
    access.prompt = QStringLiteral("Allow Access");
    access.directoryURL = QUrl::fromLocalFile(folder);
    const std::optional<plat::OpenPanelResult> answer = plat::Panels::current()->runOpenPanel(access);
    if (!answer || answer->urls.isEmpty())
        return;
    importImages(pending, answer->urls.first().toLocalFile(), window, richContent);
}

void ZQDocumentController::importImages(const std::vector<ZQAttachedStoragePtr>& pending, const QString& folder,
                                        ZQLibraryWindowLink& window,
                                        const std::shared_ptr<plat::TextStorage>& richContent)
{
    QHash<QString, ZQAttachedImageObjectPtr> updated;
    for (const ZQAttachedStoragePtr& storage : pending) {
        const ZQAttachedImageObjectPtr object = storage->attachedObject();
        if (!object || object->imageFileName().isEmpty())
            continue;
        const QString path = QDir(folder).filePath(object->imageFileName());
        if (!QFileInfo(path).isFile())
            continue;
        const plat::ImagePtr image = plat::Image::fromFile(path);
        if (!image)
            continue;
        object->setOriginalImage(image);
        object->setOriginalSize(image->size());
        object->setResize(image->size());
        if (richContent)
            updated.insert(storage->uuid(), object);
    }
    if (!updated.isEmpty())
        window.updateImageRichContent(richContent, updated);
}
