#include "app/shell/ZQDocument.h"

#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQPageIndexer.h"
#include "app/shell/ZQStringUtil.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"
#include "kit/render/ZQMarkupHelper.h"
#include "kit/render/ZQRender.h"
#include "kit/render/ZSTextThemeApply.h"
#include "platform/document/DocumentController.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/panels/Panels.h"
#include "platform/text/AttributedText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QPrinter>
#include <QTextDocument>
#include <cmath>

namespace {

const QString PackageExtension = QStringLiteral("mkqrv");
const QString StandaloneExtension = QStringLiteral("qrvpage");
const QString OwnerImage = QStringLiteral("ZQMacroImage");

const QString KeyVersion = QStringLiteral("zqAttachedStorageVersion");
const QString KeyType = QStringLiteral("zqMainStorageType");
const QString KeyText = QStringLiteral("zqMainStorage");
const QString KeySel = QStringLiteral("zqMainStorageSel");
const QString KeyStorages = QStringLiteral("zqAttachedStorage");
const QString KeyThemeName = QStringLiteral("zqStorageThemeName");
const QString KeyThemeVersion = QStringLiteral("zqStorageThemeVersion");

QString storageTypeName(qint64 type)
{
    switch (type) {
    case 0:
        return QStringLiteral("Markdown");
    case 1:
        return QStringLiteral("QuorvelMarkup");
    case 2:
        return QStringLiteral("zqRich");
    default:
        return QString();
    }
}

qint64 storageTypeFromName(const QString& name)
{
    if (name == QLatin1String("zqRich"))
        return 2;
    if (name == QLatin1String("QuorvelMarkup"))
        return 1;
    return 0;
}

ZQEditorType editorTypeOf(qint64 storageType)
{
    return storageType == 2 ? ZQEditorType::Rich : ZQEditorType::Markup;
}

plat::Value valueOf(const plat::ValueMap& map, const QString& key)
{
    const auto it = map.find(key);
    return it == map.end() ? plat::Value() : it->second;
}

ZQErrorValue errorWith(qint64 code, const QString& message)
{
    return ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), code, {{ZQErrorValue::localizedDescriptionKey(), message}});
}

std::vector<ZQAttachedStoragePtr> storagesOf(const ZQRenderContext::StorageTable& table)
{
    std::vector<ZQAttachedStoragePtr> storages;
    storages.reserve(table.size());
    for (const ZQAttachedStoragePtr& storage : table)
        storages.push_back(storage);
    // The same page always writes the same bytes.
    std::sort(storages.begin(), storages.end(),
              [](const ZQAttachedStoragePtr& a, const ZQAttachedStoragePtr& b) { return a->uuid() < b->uuid(); });
    return storages;
}

// The path of name inside folder; empty when the name would leave the folder.
QString pathInsideFolder(const QString& folder, const QString& name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name) || name.contains(QChar(0)))
        return QString();
    const QString base = QDir::cleanPath(folder);
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + name);
    return path.startsWith(base + QLatin1Char('/')) ? path : QString();
}

} // namespace

ZQDocument::FileForm ZQDocument::fileFormOfType(const QString& typeName)
{
    const QString type = typeName.toLower();
    if (type == pageDocumentType() || type == PackageExtension)
        return FileForm::Package;
    if (type == standalonePageType() || type == StandaloneExtension)
        return FileForm::StandalonePage;
    return FileForm::ExternalMarkdown;
}

ZQDocument::ZQDocument() = default;

ZQDocument::~ZQDocument() = default;

std::shared_ptr<ZQDocument> ZQDocument::create()
{
    auto document = std::shared_ptr<ZQDocument>(new ZQDocument);
    document->configureDoc();
    document->m_indexService = ZQPageIndexer::shared();
    return document;
}

void ZQDocument::createNewDocument(ZQEditorType editorType, std::shared_ptr<plat::TextStorage> storage,
                                   plat::Range selection)
{
    setSelectionRange(selection);
    setThemeId(textTheme->themeID());
    setThemeVersion(textTheme->themeVersion());
    auto context = std::make_shared<ZQRenderContext>();
    setRenderContext(context);
    if (!storage)
        storage = std::make_shared<plat::TextStorage>();
    if (editorType == ZQEditorType::Markup) {
        markupTextStorage()->setAttributedString(*storage);
        richTextStorage()->setAttributedString(plat::AttributedString());
        setStorageType(settings->markupType() == ZQMarkupType::QuorvelMarkup ? 1 : 0);
    } else {
        richTextStorage()->setAttributedString(*storage);
        markupTextStorage()->setAttributedString(plat::AttributedString());
        setStorageType(2);
    }
    markupRender()->setRenderContext(context);
}

plat::MutableAttributedString ZQDocument::currentText() const
{
    return plat::MutableAttributedString(storageType() == 2 ? static_cast<const plat::AttributedString&>(*richTextStorage())
                                                            : static_cast<const plat::AttributedString&>(*markupTextStorage()));
}

bool ZQDocument::managedExternalMarkdownImages()
{
    return plat::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("ManagedExternalMarkdownImages"));
}

// Reading

bool ZQDocument::readFromURL(const QUrl& url, const QString& typeName, QString* error)
{
    switch (fileFormOfType(typeName)) {
    case FileForm::Package: {
        // Another device's version of this package may be newer than ours.
        if (!m_resolvingConflict && !fileURL().isEmpty()
            && plat::normalizedItemPath(fileURL()) == plat::normalizedItemPath(url)) {
            m_resolvingConflict = true;
            resolveVersionConflict(plat::FileVersionProvider::current()->currentVersionOfItemAtURL(url));
            m_resolvingConflict = false;
        }
        return ZSAbstractDocument::readFromURL(url, typeName, error);
    }
    case FileForm::StandalonePage: {
        const QString path = plat::normalizedItemPath(url);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file.errorString();
            return false;
        }
        std::optional<ZQErrorValue> failure;
        if (!readFromData(file.readAll(), typeName, &failure)) {
            if (error)
                *error = failure ? failure->localizedDescription() : QString();
            return false;
        }
        takeFileURL(url, typeName, QFileInfo(path).lastModified());
        return true;
    }
    case FileForm::ExternalMarkdown:
        return readExternalMarkdown(url, error);
    }
    return false;
}

bool ZQDocument::readExternalMarkdown(const QUrl& url, QString* error)
{
    const QString path = plat::normalizedItemPath(url);
    const std::optional<QString> text = ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(path), error);
    if (!text) {
        ZQError::presentError(ZQError::errorFromMessage(cannotOpenMessage()));
        if (error)
            *error = cannotOpenMessage();
        return false;
    }
    setStorageType(0);
    setThemeId(QStringLiteral("light-twins"));
    setThemeVersion(2.0);
    setSelectionRange(plat::Range::notFound());
    auto context = std::make_shared<ZQRenderContext>();
    setRenderContext(context);
    markupRender()->setRenderContext(context);

    const plat::AttributedString plain(*text);
    if (isExternalAttachFolderSet() && managedExternalMarkdownImages()) {
        context->forceRemoveAllAttachedStorage();
        const auto images = ZQRender::loadExternalImages(plain, m_externalSpaceProperties.loadingImagePath,
                                                         m_externalSpaceProperties.assignedURLPrefix, *markupRender());
        for (const ZQAttachedStoragePtr& image : images)
            context->addAttachedStorage(image, OwnerImage);
    }
    plat::MutableAttributedString styled(plain);
    markupRender()->highlightMarkdown(styled);
    markupTextStorage()->setAttributedString(styled);
    const std::weak_ptr<plat::Object> weak = weak_from_this();
    markupRender()->highlighCodeBlock(markupTextStorage(), ZQEditorType::Markup,
                                      [weak](const std::optional<ZQErrorValue>&, const std::optional<QStringList>& ranges) {
                                          if (const auto self = std::static_pointer_cast<ZQDocument>(weak.lock());
                                              self && ranges && !ranges->isEmpty())
                                              self->updateChangeCount(ChangeType::Done);
                                      });
    takeFileURL(url, markdownType(), QFileInfo(path).lastModified());
    return true;
}

bool ZQDocument::readFromData(const QByteArray& data, const QString& typeName, std::optional<ZQErrorValue>* error)
{
    const auto fail = [&](const QString& message) {
        if (error)
            *error = errorWith(259, message);
        return false;
    };
    if (fileFormOfType(typeName) != FileForm::StandalonePage)
        return fail(QStringLiteral("Only a stand-alone page file is read from data"));
    QString archiveError;
    const std::optional<plat::Value> root = plat::KeyedUnarchiver::unarchiveValue(data, &archiveError);
    if (!root || !root->isMap())
        return fail(QStringLiteral("The file is no Quorvel page: %1").arg(archiveError));
    const plat::ValueMap& map = root->toMap();
    const auto text = valueOf(map, KeyText).toObject<plat::AttributedText>();
    if (!text)
        return fail(QStringLiteral("The page file holds no text"));

    std::vector<ZQAttachedStoragePtr> storages;
    const plat::Value list = valueOf(map, KeyStorages);
    if (list.isList()) {
        for (const plat::Value& item : list.toList()) {
            if (auto storage = item.toObject<ZQAttachedStorage>())
                storages.push_back(std::move(storage));
        }
    }
    const qint64 type = storageTypeFromName(valueOf(map, KeyType).toString());
    const plat::Value sel = valueOf(map, KeySel);

    setThemeId(valueOf(map, KeyThemeName).toString());
    setThemeVersion(double(float(valueOf(map, KeyThemeVersion).toDouble())));
    setSelectionRange(sel.isString() ? plat::rangeFromString(sel.toString()) : plat::Range(0, 0));
    auto context = ZQRenderContext::initWithAttachedStorage(storages);
    setRenderContext(context);
    markupRender()->setRenderContext(context);
    setStorageType(type);
    if (type == 2) {
        plat::MutableAttributedString rich(text->text());
        if (textTheme->themeID() != themeId()
            || std::fabs(textTheme->themeVersion() - themeVersion()) >= 1.1920928955078125e-7)
            ZSTextThemeApply::applyThemeForRichContent(rich, *textTheme);
        reloadImageAttachments(rich, storages);
        richTextStorage()->setAttributedString(rich);
        markupTextStorage()->setAttributedString(plat::AttributedString());
    } else {
        // Styled again: the theme may have changed since the file was written.
        plat::MutableAttributedString styled{plat::AttributedString(text->text().string())};
        markupRender()->highlightMarkdown(styled);
        markupTextStorage()->setAttributedString(styled);
        richTextStorage()->setAttributedString(plat::AttributedString());
    }
    return true;
}

// Writing

std::optional<QByteArray> ZQDocument::saveSnapshot(const plat::AttributedString& storage, qint64 storageType,
                                                   const std::vector<ZQAttachedStoragePtr>& attached,
                                                   std::optional<ZQErrorValue>* error)
{
    plat::MutableAttributedString text(storage);
    // Images travel in their records, not in the attachments of the text.
    cleanAttachment(text);
    plat::ValueList records;
    for (const ZQAttachedStoragePtr& record : attached)
        records.emplace_back(record);
    plat::ValueMap root{
        {KeyVersion, plat::Value(AttachedStorageVersion)},
        {KeyText, plat::Value(plat::AttributedText::create(text))},
        {KeySel, plat::Value(plat::toString(selectionRange()))},
        {KeyStorages, plat::Value(std::move(records))},
        {KeyThemeName, plat::Value(textTheme->themeID())},
        {KeyThemeVersion, plat::Value(double(float(textTheme->themeVersion())))},
    };
    const QString typeName = storageTypeName(storageType);
    if (!typeName.isEmpty())
        root[KeyType] = plat::Value(typeName);
    QString archiveError;
    QByteArray data = plat::KeyedArchiver::archivedData(plat::Value(std::move(root)), &archiveError);
    if (data.isEmpty()) {
        ZQError::presentException(std::runtime_error(archiveError.toStdString()));
        if (error)
            *error = errorWith(512, archiveError);
        return std::nullopt;
    }
    return data;
}

std::optional<QByteArray> ZQDocument::dataOfType(const QString& typeName, std::optional<ZQErrorValue>* error)
{
    const bool rich = storageType() == 2;
    plat::MutableAttributedString text = currentText();
    const auto context = std::static_pointer_cast<ZQRenderContext>(renderContext()->copy());
    if (fileFormOfType(typeName) == FileForm::StandalonePage) {
        const auto attached = context->getAttachedStoragesForContent(&text, plat::Range(0, text.length()), editorTypeOf(storageType()));
        return saveSnapshot(text, storageType(), storagesOf(attached), error);
    }
    if (!rich)
        return text.string().toUtf8();
    // The conversion reads the records of a copy, so the page's own stay as they are.
    markupRender()->setRenderContext(context);
    const QString markup = markupRender()->renderRichToMarkdown(&text).string();
    markupRender()->setRenderContext(renderContext());
    return markup.toUtf8();
}

bool ZQDocument::writeToURL(const QUrl& url, const QString& typeName, QString* error)
{
    if (fileFormOfType(typeName) == FileForm::Package)
        return ZSAbstractDocument::writeToURL(url, typeName, error);
    std::optional<ZQErrorValue> failure;
    const std::optional<QByteArray> data = dataOfType(typeName, &failure);
    if (!data) {
        if (error)
            *error = failure ? failure->localizedDescription() : QStringLiteral("The page could not be written");
        return false;
    }
    return plat::writeFileAtomically(plat::normalizedItemPath(url), *data, error);
}

// Saving

void ZQDocument::saveToURL(const QUrl& url, const QString& typeName, SaveOperation operation,
                           const SaveCompletion& completion)
{
    QString reason;
    std::optional<ZQErrorValue> error;
    if (!ZSAbstractDocument::saveToURL(url, typeName, &reason)) {
        error = errorWith(512, reason.isEmpty() ? QStringLiteral("The page could not be saved") : reason);
    } else {
        const plat::MutableAttributedString text = currentText();
        m_indexService->updatePage(url, markupHelper->getCanonicalTitle(text, editorTypeOf(storageType())), text.string());
        if (fileFormOfType(typeName) != FileForm::Package && isExternalAttachFolderSet() && managedExternalMarkdownImages())
            saveAttachmentAsExternalFile();
        // Our own write replaced the file: watch the new one.
        if (m_watcher)
            startWatchingFile();
        plat::NotificationCenter::defaultCenter().post(
            pageUpdatedNotification(), shared_from_this(),
            {{QStringLiteral("saveOperation"), plat::Value(qint64(operation))}});
    }
    if (completion)
        completion(error);
}

bool ZQDocument::saveToURL(const QUrl& url, const QString& typeName, QString* error)
{
    bool saved = false;
    saveToURL(url, typeName, SaveOperation::Save, [&](const std::optional<ZQErrorValue>& failure) {
        saved = !failure;
        if (failure && error)
            *error = failure->localizedDescription();
    });
    return saved;
}

void ZQDocument::saveAttachmentAsExternalFile()
{
    const plat::MutableAttributedString text = currentText();
    const auto context = std::static_pointer_cast<ZQRenderContext>(renderContext()->copy());
    const auto attached = context->getAttachedStoragesForContent(&text, plat::Range(0, text.length()), editorTypeOf(storageType()));
    const QString folder = m_externalSpaceProperties.loadingImagePath;
    for (const ZQAttachedStoragePtr& storage : storagesOf(attached)) {
        if (storage->owner() != OwnerImage)
            continue;
        const ZQAttachedImageObjectPtr object = storage->attachedObject();
        if (!object)
            continue;
        const QString name = object->imageFileName().isEmpty() ? object->originalFileName() : object->imageFileName();
        const plat::ImagePtr image = object->image() ? object->image() : object->originalImage();
        if (!image)
            continue;
        // A name from the page's text never writes outside the image folder.
        const QString path = pathInsideFolder(folder, name);
        if (path.isEmpty()) {
            qWarning().noquote() << QStringLiteral("Image name leaves the image folder, not written: %1").arg(name);
            continue;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QString writeError;
        if (!plat::writeFileAtomically(path, storedImageBytes(*image), &writeError))
            qWarning().noquote() << QStringLiteral("Image not written %1: %2").arg(path, writeError);
    }
}

bool ZQDocument::revertToContentsOfURL(const QUrl& url, const QString& typeName, QString* error)
{
    if (ZQAppFlags::inVersionBrowser)
        ZQAppFlags::revertedInVersionBrowser = true;
    if (!ZSAbstractDocument::revertToContentsOfURL(url, typeName, error))
        return false;
    plat::NotificationCenter::defaultCenter().post(extPageUpdatedNotification(), shared_from_this());
    return true;
}

// Received content

void ZQDocument::mergeICloudMarkdown(const QString& markdown, const QString& metainfo, bool asVersion)
{
    const QUrl url = fileURL();
    if (url.isEmpty())
        return;
    const ZSAbstractDocumentPtr received = initDocumentFromContentUrl(url, markdown, metainfo);
    const QString name = QFileInfo(plat::normalizedItemPath(url)).fileName();
    const QString versionFolder = QDir(plat::temporaryDirectory()).filePath(QStringLiteral("quorvel-version-") + ZSUtils::uuid());
    QDir().mkpath(versionFolder);
    const QUrl temporary = QUrl::fromLocalFile(QDir(versionFolder).filePath(name));
    // A page of the library is a package; anything else takes the received markup as it is.
    QString saveError;
    bool saved = false;
    if (name.endsWith(QLatin1String("mkqrv")))
        saved = received->saveToURL(temporary, pageDocumentType(), &saveError);
    else
        saved = plat::writeFileAtomically(temporary.toLocalFile(), markdown.toUtf8(), &saveError);

    if (asVersion) {
        QString versionError = saveError;
        const plat::FileVersionPtr version =
            saved ? plat::FileVersionProvider::current()->addVersionOfItemAtURL(url, temporary, &versionError) : nullptr;
        QDir(versionFolder).removeRecursively();
        if (!version) {
            qWarning().noquote() << QStringLiteral("Failed to create icloud version at %1 with error %2").arg(url.toString(), versionError);
            return;
        }
        const QFileInfo item(plat::normalizedItemPath(url));
        plat::NotificationCenter::defaultCenter().post(
            mergedConflictNotification(), shared_from_this(),
            {{QStringLiteral("pageUuid"), plat::Value(item.fileName())},
             {QStringLiteral("spaceFolder"), plat::Value(item.dir().dirName())}});
        // Attachments still to fetch wait for the sync engine, which this program does not run yet.
        return;
    }
    if (!saved) {
        qWarning().noquote() << QStringLiteral("Save iCloud file failed %1").arg(saveError);
        QDir(versionFolder).removeRecursively();
        return;
    }
    QString replaceError;
    const bool replaced = plat::FileVersion::create(temporary, QDateTime::currentDateTime())->replaceItemAtURL(url, &replaceError);
    QDir(versionFolder).removeRecursively();
    if (!replaced) {
        qWarning().noquote() << QStringLiteral("Replace iCloud file failed %1").arg(replaceError);
        return;
    }
    QString ignored;
    revertToContentsOfURL(url, fileType(), &ignored);
    const plat::MutableAttributedString text = currentText();
    m_indexService->updatePage(url, markupHelper->getCanonicalTitle(text, editorTypeOf(storageType())), text.string());
    // Attachments still to fetch wait for the sync engine, which this program does not run yet.
}

// Images of external pages

void ZQDocument::refreshExternalImage(const QString& folder, const QString& urlPrefix)
{
    markupRender()->setRenderContext(renderContext());
    const plat::MutableAttributedString text = currentText();
    const auto updated = markupRender()->refreshRenderContextImages(text, folder, urlPrefix);
    if (storageType() != 2)
        return;
    plat::MutableAttributedString rich = currentText();
    markupRender()->updateImageRichContent(rich, updated);
    richTextStorage()->setAttributedString(rich);
}

// Windows and menus

ZQDocument::WindowKind ZQDocument::makeWindowControllers()
{
    if (m_windowKind)
        return *m_windowKind;
    const bool library = fileFormOfType(fileType()) != FileForm::ExternalMarkdown;
    if (!library && !fileURL().isEmpty()) {
        ZQExternalImageOptions options;
        options.loadingImagePath = QFileInfo(plat::normalizedItemPath(fileURL())).absolutePath();
        options.imageLoadOption = 0;
        m_externalSpaceProperties = options;
        m_externalAttachFolderSet = 1;
    }
    m_windowKind = (!library || ZQAppFlags::inVersionBrowser) ? WindowKind::EditorWindow : WindowKind::LibraryWindow;
    startWatchingFile();
    return *m_windowKind;
}

bool ZQDocument::validateMenuItem(int tag) const
{
    if (tag == 6003)
        return !ZQAppFlags::readOnly;
    return true;
}

// Changes on disk

void ZQDocument::presentedItemDidChange()
{
    const QUrl url = fileURL();
    if (url.isEmpty())
        return;
    const QFileInfo disk(plat::normalizedItemPath(url));
    if (!disk.exists())
        return;
    // Unsaved changes are never dropped for the disk's copy.
    if (isDocumentEdited() || !(fileModificationDate() < disk.lastModified()))
        return;
    QString ignored;
    revertToContentsOfURL(url, fileType(), &ignored);
}

void ZQDocument::accommodatePresentedItemDeletion(const std::function<void()>& completion)
{
    stopWatchingFile();
    plat::DocumentController::sharedDocumentController()->removeDocument(*this);
    if (completion)
        completion();
}

void ZQDocument::presentedItemWasDeleted()
{
    if (isDocumentEdited()) {
        qWarning().noquote() << QStringLiteral("The file of an edited page was deleted; the page stays open: %1")
                                    .arg(fileURL().toLocalFile());
        return;
    }
    accommodatePresentedItemDeletion({});
}

void ZQDocument::startWatchingFile()
{
    if (fileURL().isEmpty() || fileFormOfType(fileType()) == FileForm::Package)
        return;
    const QString path = plat::normalizedItemPath(fileURL());
    if (!m_watcher) {
        m_watcher = std::make_unique<QFileSystemWatcher>();
        const std::weak_ptr<plat::Object> weak = weak_from_this();
        QObject::connect(m_watcher.get(), &QFileSystemWatcher::fileChanged, m_watcher.get(), [weak](const QString& changed) {
            const auto self = std::static_pointer_cast<ZQDocument>(weak.lock());
            if (!self)
                return;
            if (!QFileInfo::exists(changed)) {
                plat::DispatchQueue::main()->asyncAfter(DeletionGraceSeconds, [weak, changed] {
                    const auto later = std::static_pointer_cast<ZQDocument>(weak.lock());
                    if (!later || !later->m_watcher)
                        return;
                    if (!QFileInfo::exists(changed)) {
                        later->presentedItemWasDeleted();
                        return;
                    }
                    later->m_watcher->addPath(changed);
                    later->presentedItemDidChange();
                });
                return;
            }
            // A replaced file (an atomic save, ours or another program's) is a new file to watch.
            if (QFileInfo::exists(changed) && !self->m_watcher->files().contains(changed))
                self->m_watcher->addPath(changed);
            self->presentedItemDidChange();
        });
    }
    const QStringList watched = m_watcher->files();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    if (QFileInfo::exists(path))
        m_watcher->addPath(path);
}

void ZQDocument::stopWatchingFile()
{
    m_watcher.reset();
}

void ZQDocument::close()
{
    stopWatchingFile();
    ZSAbstractDocument::close();
}

// Printing

bool ZQDocument::printOperationWithSettings(QPrinter& printer, QString* error)
{
    const ZQEditorType editorType = editorTypeOf(storageType());
    plat::MutableAttributedString text = currentText();
    plat::PrintPanelRequest request;
    request.jobTitle = markupHelper->getCanonicalTitle(text, editorType);
    request.showsPaperSize = true;
    request.showsOrientation = true;
    if (!plat::Panels::current()->runPrintPanel(request))
        return false;

    QString markup = text.string();
    if (editorType == ZQEditorType::Rich) {
        const auto context = std::static_pointer_cast<ZQRenderContext>(renderContext()->copy());
        markupRender()->setRenderContext(context);
        markup = markupRender()->renderRichToMarkdown(&text).string();
    }
    markupRender()->setRenderContext(std::static_pointer_cast<ZQRenderContext>(renderContext()->copy()));
    const QString html = markupRender()->renderMarkupToHTML(plat::AttributedString(markup), QString(), nullptr);
    markupRender()->setRenderContext(renderContext());

    QTextDocument document;
    if (const plat::FontPtr font = settings->defaultFont(editorType))
        document.setDefaultFont(font->toQFont());
    const double lineWidth = editorType == ZQEditorType::Rich ? settings->editorRichLineWidth()
                                                              : settings->editorMarkdownLineWidth();
    if (lineWidth > 0)
        document.setTextWidth(lineWidth);
    document.setHtml(html);
    printer.setDocName(request.jobTitle);
    document.print(&printer);
    if (!printer.isValid()) {
        if (error)
            *error = QStringLiteral("The printer cannot print");
        return false;
    }
    return true;
}
