#pragma once
// The process's document controller: opens pages without a window for the
// library, makes new pages and libraries, and imports Markdown files or
// folders into the library with the images they use. Every question it asks
// goes through the installed plat::Panels; the library window is reached
// through its ZQLibraryWindowLink.

#include "app/shell/ZQDocument.h"
#include "app/shell/ZQLibraryWindowLink.h"
#include "kit/storage/ZSAbstractDocumentController.h"

#include <QStringList>

class ZQDocumentController : public ZSAbstractDocumentController {
public:
    static std::shared_ptr<ZQDocumentController> create();

    // Errors the kit presents go to the installed panels.
    static void installPanelErrorPresentation();

    static QStringList markdownExtensions();
    static QString importPanelPrompt() { return QStringLiteral("Import to Library"); }
    static QString importMenuTitle() { return QStringLiteral("Import Markdown to Library..."); }
    static QString importImagesButton() { return QStringLiteral("Import Images"); }
    static QString newLibraryTitle() { return QStringLiteral("New Library"); }
    enum MenuTag { NewPageTag = 6001, ImportMarkdownTag = 6005 };

    QString defaultType() const { return ZQDocument::pageDocumentType(); }
    int maximumRecentDocumentCount() const { return 0; }

    const std::shared_ptr<ZQLibraryWindowLink>& libraryWindow() const { return m_libraryWindow; }
    void setLibraryWindow(std::shared_ptr<ZQLibraryWindowLink> window) { m_libraryWindow = std::move(window); }

    // An untitled Markdown page in a stand-alone editor window, added to the controller.
    ZQDocumentPtr newDocument();
    // The open document of url, else one read from it (not added, no window),
    // typed by its extension; none when it cannot be read.
    ZQDocumentPtr loadDocument(const QUrl& url);
    // Drops the documents with neither an address nor a window.
    void closeUnusedUntitledDocuments();

    // Menu items: enabled or not; title receives a new title when the item has one.
    bool validateMenuItem(int tag, QString* title = nullptr) const;

    // New page in the shown space, or, in the trash, its open page put back.
    void createOrPutbackPage();
    void createSpace();
    void linkExternalFolder();
    void importMarkdownToLibrary();

    QString className() const override { return QStringLiteral("ZQDocumentController"); }

protected:
    ZQDocumentController() = default;

private:
    // The space imports go to: the shown one when it is an ordinary library,
    // else the first writable library, which is then opened.
    QString decideImportSpaceFolder(ZQLibraryWindowLink& window);
    // The text of one file imported as a page; false (the error presented)
    // when the file's text cannot be read.
    bool importFile(const QString& path, const QString& scanImagePath, const QString& space,
                    ZQLibraryWindowLink& window, ZQLibraryWindowLink::ImportResult* result);
    void importImagesWithAlert(const std::vector<ZQAttachedStoragePtr>& pending, const QString& folder,
                               ZQLibraryWindowLink& window, const std::shared_ptr<plat::TextStorage>& richContent);
    void importImages(const std::vector<ZQAttachedStoragePtr>& pending, const QString& folder,
                      ZQLibraryWindowLink& window, const std::shared_ptr<plat::TextStorage>& richContent);
    // A new empty page package and its record in the space: its name, empty on failure.
    QString createPage(const QString& spaceFolder, bool markupEditor);

    std::shared_ptr<ZQLibraryWindowLink> m_libraryWindow;
};
