#include "app/shell/ZQAppDelegate.h"

#include "app/library/ZQCloudEngine.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQDocumentWindowController.h"
#include "app/shell/ZQDocumentWindowFactory.h"
#include "app/shell/ZQModalWindows.h"
#include "app/shell/ZQSetting.h"
#include "kit/foundation/ZQError.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

ZQAppDelegate::Launch ZQAppDelegate::applicationWillFinishLaunching(bool showLibrary)
{
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    if (!isCompatibleLibraryVersion(defaults->integerForKey(libraryVersionKey()))) {
        // Nothing else starts: no store is opened, no other window shown.
        m_incompatibleWindow = std::make_shared<ZQIncompatibleLibraryWindowController>();
        m_incompatibleWindow->setQuitAction([this] { quit(); });
        m_incompatibleWindow->setWindowModality(Qt::ApplicationModal);
        m_incompatibleWindow->show();
        return Launch::Incompatible;
    }
    const ZSSettingsPtr settings = ZSSettings::sharedSettings();
    applicationObjectContext();

    const qint64 appVersion = defaults->integerForKey(appVersionKey());
    const QString appId = defaults->stringForKey(appIdKey());
    if (!appId.isEmpty()) {
        if (settings)
            settings->setAppID(appId);
        if (appVersion < Version) {
            // The library upgrade of older versions belongs to the library; the
            // versions are written once it has run.
            defaults->setInteger(Version, appVersionKey());
            defaults->setInteger(Version, libraryVersionKey());
        }
    } else {
        const QString newId = ZSUtils::uuid().remove(u'-');
        defaults->setObject(plat::Value(newId), appIdKey());
        defaults->setInteger(Version, appVersionKey());
        if (settings)
            settings->setAppID(newId);
        firstLaunch();
    }
    defaults->synchronize();
    m_launched = true;
    if (showLibrary) {
        auto window = ZQDocumentWindowFactory::sharedFactory().create(false);
        window->show();
        window->raise();
        window->activateWindow();
    }
    return Launch::Running;
}

void ZQAppDelegate::firstLaunch()
{
    const auto context = managedObjectContext();
    const QString library = ZSSettings::sharedSettings()->appID() + QStringLiteral("ds");
    struct Row {
        QString folder;
        QString title;
        qint32 type;
        bool isSystem;
    };
    const Row rows[] = {
        {ZQSpaceFolder::libraryTitle(), ZQSpaceFolder::libraryTitle(), ZQSpaceType::LibraryTitle, false},
        {library, QStringLiteral("My Library"), ZQSpaceType::Library, false},
        {ZQSpaceFolder::libraryDivider(), ZQSpaceFolder::libraryDivider(), ZQSpaceType::LibraryDivider, false},
        {ZQSpaceFolder::tags(), QStringLiteral("Tags"), ZQSpaceType::Tags, true},
        {ZQSpaceFolder::filters(), QStringLiteral("Filters"), ZQSpaceType::FiltersRoot, true},
        {ZQSpaceFolder::trash(), QStringLiteral("Trash"), ZQSpaceType::Trash, true},
    };
    for (const Row& row : rows)
        ZSCoreDataUtil::createSpaceRecord(row.folder, nullptr, row.title, row.type, row.isSystem, context);
    std::optional<ZQErrorValue> error;
    if (!Exs::persistAndWait(context, &error) && error)
        ZQError::presentError(*error);
}

// Editor windows

std::shared_ptr<ZQEditorWindowController> ZQAppDelegate::openFile(const QString& path)
{
    const QFileInfo info(path);
    const QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    auto& factory = ZQDocumentWindowFactory::sharedFactory();
    if (!factory.documentController())
        factory.setDocumentController(ZQDocumentController::create());
    const auto documents = factory.documentController();
    ZQDocumentPtr doc = std::dynamic_pointer_cast<ZQDocument>(documents->documentForURL(url));
    if (!doc) {
        // A file that cannot be read gets no window: an empty page saved over it would lose it.
        // Read as what its name says: a page file read as Markdown would show
        // its archive as text and write that text over it.
        const QString name = info.fileName();
        const QString type = name.endsWith(QLatin1String(".mkqrv"))     ? ZQDocument::pageDocumentType()
                             : name.endsWith(QLatin1String(".qrvpage")) ? ZQDocument::standalonePageType()
                                                                        : ZQDocument::markdownType();
        const bool package = type == ZQDocument::pageDocumentType();
        QString reason;
        if (!info.exists()) {
            reason = QStringLiteral("it does not exist");
        } else if (package ? !info.isDir() : !info.isFile()) {
            reason = package ? QStringLiteral("it is not a page folder") : QStringLiteral("it is not a file");
        } else {
            doc = ZQDocument::create();
            if (!doc->readFromURL(url, type, &reason))
                doc = nullptr;
        }
        if (!doc) {
            if (reason.isEmpty())
                reason = QStringLiteral("it cannot be read");
            ZQError::presentError(ZQError::errorFromMessage(
                QStringLiteral("\"%1\" could not be opened: %2.").arg(info.fileName(), reason)));
            return nullptr;
        }
        documents->addDocument(doc);
    }
    auto window = factory.createEditorWindow();
    window->setIdentifier(ZSUtils::uuid());
    window->setShouldClose([this](ZQEditorWindowController& closing) { return windowShouldClose(closing); });
    window->setQuitHandler([this] { applicationShouldTerminate(); });
    doc->makeWindowControllers();
    window->setDocument(doc);
    m_editorWindows.insert(window->identifier(), window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

std::shared_ptr<ZQEditorWindowController> ZQAppDelegate::openEditorWindow(const QString& pageUuid,
                                                                         const QString& spaceFolder)
{
    const QUrl url = ZSUtils::pageUrl(pageUuid, spaceFolder);
    auto& factory = ZQDocumentWindowFactory::sharedFactory();
    auto window = factory.createEditorWindow();
    window->setIdentifier(ZSUtils::uuid());
    window->setShouldClose([this](ZQEditorWindowController& closing) { return windowShouldClose(closing); });
    window->setQuitHandler([this] { applicationShouldTerminate(); });
    const auto documents = factory.documentController();
    const ZQDocumentPtr doc = documents ? documents->loadDocument(url) : nullptr;
    if (!doc)
        qWarning().noquote() << QStringLiteral("Open file %1 failed").arg(url.toString());
    else
        window->setDocument(doc);
    m_editorWindows.insert(window->identifier(), window);
    window->show();
    return window;
}

bool ZQAppDelegate::windowShouldClose(ZQEditorWindowController& window)
{
    // The page stays open in the document controller, so its changes are saved at quit.
    if (const ZQDocumentPtr doc = window.document(); doc && doc->isDocumentEdited() && !doc->fileURL().isEmpty()) {
        if (!window.saveDocumentInPlace(doc))
            return false;
    }
    // Removed later: the window is still handling its close.
    const QString identifier = window.identifier();
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this, identifier] { m_editorWindows.remove(identifier); },
                              Qt::QueuedConnection);
    return true;
}

void ZQAppDelegate::applicationShouldHandleReopen()
{
    if (!m_launched)
        return;
    auto window = ZQDocumentWindowFactory::sharedFactory().create(false);
    window->show();
    window->raise();
    window->activateWindow();
}

void ZQAppDelegate::openFiles(const QStringList& paths)
{
    if (paths.isEmpty()) {
        applicationShouldHandleReopen();
        return;
    }
    for (const QString& path : paths)
        openFile(path);
}

// Quit

bool ZQAppDelegate::saveAllUnsaved()
{
    bool saved = true;
    auto& factory = ZQDocumentWindowFactory::sharedFactory();
    if (const auto library = factory.mainWindowController())
        saved = library->saveOpenPage() && saved;
    if (const auto documents = factory.documentController()) {
        for (const plat::DocumentPtr& document : documents->documents()) {
            const auto page = std::dynamic_pointer_cast<ZQDocument>(document);
            if (!page || !page->isDocumentEdited() || page->fileURL().isEmpty())
                continue;
            std::optional<ZQErrorValue> failure;
            page->saveToURL(page->fileURL(), page->fileType(), ZQDocument::SaveOperation::Save,
                            [&failure](const std::optional<ZQErrorValue>& error) { failure = error; });
            if (failure) {
                ZQError::presentError(*failure);
                saved = false;
            }
        }
    }
    if (m_launched)
        ZSCoreData::sharedCoredData()->persistAllUnsavedAndWait();
    plat::UserDefaults::standardUserDefaults()->synchronize();
    return saved;
}

bool ZQAppDelegate::applicationShouldTerminate(bool mayRefuse)
{
    // Saved again on a repeated request: text typed since the first one counts too.
    const bool saved = saveAllUnsaved();
    if (!saved && mayRefuse && !m_isTerminating)
        return false;
    if (!m_isTerminating && mayRefuse) {
        const ZSSettingsPtr settings = ZSSettings::sharedSettings();
        const auto engine = ZQCloudEngine::sharedCloudKit();
        if (settings && settings->networkStatus() != 0 && engine->hasPendingActions()) {
            // The pages are saved; only the upload of the last changes is waited for.
            m_isTerminating = true;
            engine->pushActionsNow();
            for (QWidget* window : QApplication::topLevelWidgets())
                window->close();
            m_terminateWindow = std::make_shared<ZQTermiateWindowController>();
            m_terminateWindow->setQuitAction([this] { completeHeldBackQuit(); });
            m_terminateWindow->setWindowModality(Qt::ApplicationModal);
            m_terminateWindow->show();
            return false;
        }
    }
    m_isTerminating = true;
    quit();
    return true;
}

void ZQAppDelegate::iCloudLocalActionSyncDone()
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this] {
            if (ZQCloudEngine::sharedCloudKit()->hasPendingActions() || !m_isTerminating || !m_terminateWindow)
                return;
            completeHeldBackQuit();
        },
        Qt::AutoConnection);
}

void ZQAppDelegate::completeHeldBackQuit()
{
    if (m_terminateWindow)
        m_terminateWindow->hide();
    // Answered at once: the quit is terminating already.
    applicationShouldTerminate();
}

void ZQAppDelegate::quit()
{
    if (m_quitAction)
        m_quitAction();
    else
        QCoreApplication::quit();
}
