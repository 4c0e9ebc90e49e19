#pragma once
// The one library window: at its left the pane of spaces and pages, at its
// right the editor area (or the empty-page view). It adapts the window to the
// kind of space shown (trash, tags, filters, library), keeps the pane's widths
// across runs, imports the welcome pages at the first start, writes a changed
// page title into the page's record, and imports Markdown into a space.
//
// The space and page panes are plain views of the records here; their menus,
// drag and drop and search belong to the library's own views.

#include "app/shell/ZQCommonWindowController.h"
#include "app/shell/ZQLibraryWindowLink.h"
#include "app/shell/ZQOutlinePopover.h"

#include <QHash>
#include <functional>

class QLabel;
class QListWidget;
class QMenuBar;
class ZQDocTreeSplitView;
class ZQDocumentController;
class ZQMainSplitView;
class ZQTagsService;

class ZQEmpyPageView : public QWidget {
    Q_OBJECT
public:
    explicit ZQEmpyPageView(QWidget* parent = nullptr);
    void setMessage(const QString& message, const QString& hint);
    QString message() const;

private:
    QLabel* m_message;
    QLabel* m_hint;
};

class ZQDocumentWindowController : public ZQCommonWindowController,
                                   public ZQLibraryWindowLink,
                                   public ZQOutlineHighlightTarget {
    Q_OBJECT
public:
    static QString trashMessage() { return QStringLiteral("READ-ONLY TRASH BIN"); }
    static QString welcomeVersionKey() { return QStringLiteral("com.zolfarin.quorvel.AppWelcomeVersion"); }
    // Where the pane's selection is kept between runs.
    static QString selectedSpaceKey() { return QStringLiteral("com.zolfarin.quorvel.selectedSpace"); }
    static QString selectedPageKey() { return QStringLiteral("com.zolfarin.quorvel.selectedPage"); }

    ZQDocumentWindowController(const ZQEditorFactory& editorFactory, std::shared_ptr<ZQDocumentController> documents);
    ~ZQDocumentWindowController() override;

    void windowDidLoad() override;

    // The shown space: the flags, the message bar, the editors' editability and the buttons follow it.
    void switchToSpace(const QString& spaceFolder);
    void ensureEditorView();
    void emptyPageWithMessage(const QString& message, const QString& hint);
    void setMessageBar(const QString& text);
    void cleanEditor();
    void updateCurrentPageTitle(const plat::AttributedString& title);
    void openPage(const QString& pageUuid, const QString& spaceFolder);
    void setDocTreeVisble(bool show, bool updateUserDefault);
    bool isDocTreeVisible() const;

    // Welcome and demo pages, also from the menu.
    bool loadWelcomePage(const QString& spaceFolder, const std::function<void()>& completion);
    bool loadDemoPage(const QString& spaceFolder, const std::function<void()>& completion);
    void menuResetIntroductionSpace();
    void menuReloadDemoPage();

    // What the Quit menu item does (the application delegate's quit).
    void setQuitHandler(std::function<void()> handler) { m_quitHandler = std::move(handler); }
    QMenuBar* menuBar() const { return m_menuBar; }

    // Called once, after the window's first paint has been flushed.
    void setFirstPaintHandler(std::function<void()> handler) { m_firstPaintHandler = std::move(handler); }

    // Saves the open page when it has unsaved changes; false when that failed.
    bool saveOpenPage();

    QListWidget* spaceListView() const { return m_spaceListView; }
    QListWidget* pageListView() const { return m_pageListView; }
    ZQMainSplitView* mainSplitView() const { return m_mainSplitView; }
    ZQEmpyPageView* emptyPageView() const { return m_emptyPageView; }
    // The record folders of the listed spaces and uuids of the listed pages, in list order.
    QStringList listedSpaceFolders() const;
    QStringList listedPageUuids() const;
    QString pageTitle(const QString& pageUuid) const;

    // ZQLibraryWindowLink
    bool isKeyWindow() const override;
    void makeKeyAndOrderFront() override;
    QString openSpaceFolder() const override { return m_openSpaceFolder; }
    QString rootSpaceFolder() const override { return m_openSpaceFolder; }
    QString openPageUuid() const override { return m_openPageUuid; }
    QString firstWritableSpaceFolder() const override;
    void openSpace(const QString& spaceFolder) override;
    bool isMarkdownEditorVisible() const override { return ZQCommonWindowController::isMarkdownEditorVisible(); }
    void showCreatedPage(const QString& pageUuid, const QString& spaceFolder) override;
    void putbackPage(const QString& pageUuid) override;
    std::optional<ZQErrorValue> createSpace(const QString& title) override;
    void linkFolder(const QUrl& folder) override;
    ImportResult importMarkdown(const QString& markdown, const QString& scanImagePath, const QString& toSpace) override;
    void updateImageRichContent(const std::shared_ptr<plat::TextStorage>& richContent,
                                const QHash<QString, ZQAttachedImageObjectPtr>& updatedImages) override;

    // A heading or tag chosen in a page's outline popover: its page opened if
    // needed and its text selected in the visible editor.
    void showHighlightHeading(const ZQDocumentHeadingPtr& heading) override;
    void showHighlightTag(const ZQDocumentTagPtr& tag) override;

protected:
    void documentEdited() override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildPanes();
    void buildMenus();
    void restoreState();
    void reloadSpaces();
    void reloadPages();
    void selectPageRow(const QString& pageUuid);
    // The tags space: rebuilt, its rows listed and its page in the visible editor.
    void showTagsPage();
    void highlightTagRow(int row);
    void highlightOutlineEntry(const ZQDocumentOutlineEntry& entry, const QString& text);
    void highlightRange(plat::Range range);
    qint32 spaceType(const QString& spaceFolder) const;
    bool isInsideSpace(const QString& spaceFolder, const QString& parentFolder) const;
    // A new page of markdown in the space, rendered for the editor shown and
    // saved; its uuid, empty when it could not be made.
    QString createPageFromMarkdown(const QString& markdown, const QString& spaceFolder,
                                   const std::vector<ZQAttachedStoragePtr>& images, ZQDocumentPtr* created);
    bool loadPage(const QString& name, const QHash<QString, QString>& images, const QString& spaceFolder,
                  const std::function<void()>& completion);

    std::shared_ptr<ZQDocumentController> m_documents;
    std::unique_ptr<ZQTagsService> m_tagsService;
    ZQMainSplitView* m_mainSplitView = nullptr;
    ZQDocTreeSplitView* m_leftPanel = nullptr;
    QListWidget* m_spaceListView = nullptr;
    QListWidget* m_pageListView = nullptr;
    ZQEmpyPageView* m_emptyPageView = nullptr;
    QString m_openSpaceFolder;
    QString m_openPageUuid;
    QString m_lastCreatedPage;
    bool m_reloading = false;
    std::function<void()> m_firstPaintHandler;
    std::function<void()> m_quitHandler;
    QMenuBar* m_menuBar = nullptr;
};
