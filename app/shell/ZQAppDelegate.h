#pragma once
// The application delegate: checks the stored library version against the
// program's, opens the main store, makes the installation identifier and seeds
// the system spaces on the first launch, shows the library window, keeps the
// stand-alone editor windows, and at quit (also on SIGTERM and at the end of
// the desktop session) saves every page with unsaved changes.

#include "app/library/ZQCoreData.h"
#include "app/shell/ZQEditorWindowController.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>

class ZQQuitNowWindow;
class ZQTermiateWindowController;

class ZQAppDelegate : public ZQCoreData {
public:
    static constexpr qint64 Version = 2015111301;
    static QString libraryVersionKey() { return QStringLiteral("com.zolfarin.quorvel.LibraryVersion"); }
    static QString appVersionKey() { return QStringLiteral("com.zolfarin.quorvel.AppVersion"); }
    static QString appIdKey() { return QStringLiteral("com.zolfarin.quorvel.AppID"); }

    enum class Launch { Running, Incompatible };
    // The launch sequence. With showLibrary the library window is shown at its end.
    Launch applicationWillFinishLaunching(bool showLibrary = true);
    // The window shown instead of everything else for a newer library.
    const std::shared_ptr<ZQQuitNowWindow>& incompatibleWindow() const { return m_incompatibleWindow; }

    // A library written by a newer program cannot be opened.
    static bool isCompatibleLibraryVersion(qint64 storedVersion) { return storedVersion < Version + 1; }

    // Opens an external file in a new stand-alone editor window; none, with
    // the error presented, when the file cannot be read.
    std::shared_ptr<ZQEditorWindowController> openFile(const QString& path);
    // Opens a library page in a new stand-alone editor window.
    std::shared_ptr<ZQEditorWindowController> openEditorWindow(const QString& pageUuid, const QString& spaceFolder);
    const QHash<QString, std::shared_ptr<ZQEditorWindowController>>& editorWindows() const { return m_editorWindows; }
    bool windowShouldClose(ZQEditorWindowController& window);
    // Brings the library window back (clicking the program again).
    void applicationShouldHandleReopen();
    // Files handed over by a second start: each in its own editor window; none: the library window.
    void openFiles(const QStringList& paths);

    // Saves every page with unsaved changes and every record context; false
    // when a page could not be saved (the error is presented).
    bool saveAllUnsaved();
    // A quit request: saves, then quits unless a save failed and the quit may
    // be refused (an ended session or SIGTERM quits anyway). While the network
    // is reachable and the cloud outbox still holds actions, a refusable quit
    // is held back instead: every window closes and the waiting window shows
    // until the outbox drains or the user quits from it.
    bool applicationShouldTerminate(bool mayRefuse = true);
    bool isTerminating() const { return m_isTerminating; }
    // The window of a held-back quit; none while no quit waits.
    const std::shared_ptr<ZQTermiateWindowController>& terminateWindow() const { return m_terminateWindow; }
    // The sync engine uploaded a batch (from any thread): a held-back quit
    // completes once nothing is pending.
    void iCloudLocalActionSyncDone();

    // What quits the application (tests replace it).
    void setQuitAction(std::function<void()> action) { m_quitAction = std::move(action); }

    QString className() const override { return QStringLiteral("ZQAppDelegate"); }

private:
    void firstLaunch();
    void quit();
    void completeHeldBackQuit();

    QHash<QString, std::shared_ptr<ZQEditorWindowController>> m_editorWindows;
    std::shared_ptr<ZQQuitNowWindow> m_incompatibleWindow;
    std::shared_ptr<ZQTermiateWindowController> m_terminateWindow;
    bool m_isTerminating = false;
    bool m_launched = false;
    std::function<void()> m_quitAction;
};
