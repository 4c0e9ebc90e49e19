// The document controller: loading pages, new pages and libraries, and the
// Markdown import of files and folders with their images, answered through
// scripted panels and a recording library window.

#include "ShellFixtures.h"

#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQImportMarkupPanelEx.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/document/DocumentController.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace shell;

namespace {

class RecordingLibraryWindow final : public ZQLibraryWindowLink {
public:
    struct Import {
        QString markdown;
        QString scanImagePath;
        QString space;
    };

    bool isKeyWindow() const override { return keyWindow; }
    void makeKeyAndOrderFront() override { keyWindow = true; }
    QString openSpaceFolder() const override { return openFolder; }
    QString rootSpaceFolder() const override { return rootFolder; }
    QString openPageUuid() const override { return openPage; }
    QString firstWritableSpaceFolder() const override { return firstWritable; }
    void openSpace(const QString& spaceFolder) override { opened.append(spaceFolder); }
    bool isMarkdownEditorVisible() const override { return true; }
    void showCreatedPage(const QString& pageUuid, const QString& spaceFolder) override
    {
        createdPages.append(spaceFolder + QLatin1Char('/') + pageUuid);
    }
    void putbackPage(const QString& pageUuid) override { putBack.append(pageUuid); }
    std::optional<ZQErrorValue> createSpace(const QString& title) override
    {
        spacesCreated.append(title);
        return spaceError;
    }
    void linkFolder(const QUrl& folder) override { linked.append(folder); }
    ImportResult importMarkdown(const QString& markdown, const QString& scanImagePath, const QString& toSpace) override
    {
        imports.push_back({markdown, scanImagePath, toSpace});
        ImportResult result;
        for (const QString& name : pendingNames) {
            auto object = ZQAttachedImageObject::create();
            object->setImageFileName(name);
            auto storage = ZQAttachedStorage::create();
            storage->setAttachedObject(object);
            storage->setUuid(name);
            result.pendingImages.push_back(storage);
            pending.push_back(storage);
        }
        result.richContent = std::make_shared<plat::TextStorage>();
        return result;
    }
    void updateImageRichContent(const std::shared_ptr<plat::TextStorage>&,
                                const QHash<QString, ZQAttachedImageObjectPtr>& updatedImages) override
    {
        updates.push_back(updatedImages);
    }

    bool keyWindow = false;
    QString openFolder;
    QString rootFolder;
    QString openPage;
    QString firstWritable = QStringLiteral("writable-library");
    QStringList pendingNames;
    std::optional<ZQErrorValue> spaceError;

    QStringList opened;
    QStringList createdPages;
    QStringList putBack;
    QStringList spacesCreated;
    QList<QUrl> linked;
    std::vector<Import> imports;
    std::vector<ZQAttachedStoragePtr> pending;
    std::vector<QHash<QString, ZQAttachedImageObjectPtr>> updates;
};

QString librarySpace()
{
    static const QString folder = [] {
        const QString name = QStringLiteral("ctl-library");
        auto spaces = ZSCoreData::sharedCoredData()->spaceObjectContext();
        ZSCoreDataUtil::createSpaceRecord(name, nullptr, QStringLiteral("My Library"), 1, false, spaces);
        ZSCoreDataUtil::createSpaceRecord(QStringLiteral("sys__trash"), nullptr, QStringLiteral("Trash"), -2, true, spaces);
        Exs::persistAndWait(spaces);
        return name;
    }();
    return folder;
}

struct ControllerSetup {
    ShellEnvironment env;
    std::shared_ptr<ZQDocumentController> controller = ZQDocumentController::create();
    std::shared_ptr<RecordingLibraryWindow> window = std::make_shared<RecordingLibraryWindow>();
    ControllerSetup()
    {
        window->openFolder = librarySpace();
        controller->setLibraryWindow(window);
    }
    void chooseForImport(const QString& path, bool withImages)
    {
        env.panels->queueOpenPanelResult(plat::OpenPanelResult{{QUrl::fromLocalFile(path)}, withImages});
    }
};

void savePicture(const QString& path)
{
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::green);
    picture.save(path);
}

} // namespace

TEST(DocumentController, LoadsAnOpenPageAsItselfAndOtherPagesUnregistered)
{
    ShellEnvironment env;
    auto controller = ZQDocumentController::create();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    ASSERT_TRUE(newPage(true, QStringLiteral("Rich *page*\n"))->saveToURL(QUrl::fromLocalFile(path), ZQDocument::pageDocumentType()));

    const ZQDocumentPtr loaded = controller->loadDocument(QUrl::fromLocalFile(path));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->storageType(), 2);
    EXPECT_TRUE(controller->documents().empty());
    controller->addDocument(loaded);
    EXPECT_EQ(controller->loadDocument(QUrl::fromLocalFile(path)), loaded);

    writeAll(dir.filePath(QStringLiteral("n.md")), "plain\n");
    const ZQDocumentPtr markdown = controller->loadDocument(QUrl::fromLocalFile(dir.filePath(QStringLiteral("n.md"))));
    ASSERT_TRUE(markdown);
    EXPECT_EQ(markdown->fileType(), ZQDocument::markdownType());
    EXPECT_FALSE(controller->loadDocument(QUrl::fromLocalFile(dir.filePath(QStringLiteral("none.mkqrv")))));

    // A stand-alone page file is read as one, never as Markdown text.
    const QString standalone = dir.filePath(QStringLiteral("s.qrvpage"));
    ASSERT_TRUE(newPage(false, QStringLiteral("Snapshot\n"))->saveToURL(QUrl::fromLocalFile(standalone), ZQDocument::standalonePageType()));
    const ZQDocumentPtr snapshot = controller->loadDocument(QUrl::fromLocalFile(standalone));
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->fileType(), ZQDocument::standalonePageType());
    EXPECT_EQ(snapshot->markupTextStorage()->string(), QStringLiteral("Snapshot\n"));
}

TEST(DocumentController, NewDocumentIsAnUntitledMarkdownPageInAnEditorWindow)
{
    ShellEnvironment env;
    auto controller = ZQDocumentController::create();
    const ZQDocumentPtr doc = controller->newDocument();
    EXPECT_EQ(doc->fileType(), ZQDocument::markdownType());
    EXPECT_EQ(doc->storageType(), 0);
    EXPECT_TRUE(doc->hasWindowController());
    EXPECT_EQ(doc->makeWindowControllers(), ZQDocument::WindowKind::EditorWindow);
    ASSERT_EQ(controller->documents().size(), 1u);

    const ZQDocumentPtr unused = ZQDocument::create();
    controller->addDocument(unused);
    controller->closeUnusedUntitledDocuments();
    ASSERT_EQ(controller->documents().size(), 1u);
    EXPECT_EQ(controller->documents()[0], doc);
}

TEST(DocumentController, MenuItemsFollowTheShownSpace)
{
    ShellEnvironment env;
    auto controller = ZQDocumentController::create();
    QString title;
    EXPECT_TRUE(controller->validateMenuItem(ZQDocumentController::ImportMarkdownTag, &title));
    EXPECT_EQ(title, QStringLiteral("Import Markdown to Library..."));
    ZQAppFlags::readOnly = true;
    EXPECT_FALSE(controller->validateMenuItem(ZQDocumentController::NewPageTag));
    EXPECT_TRUE(controller->validateMenuItem(42));
    ZQAppFlags::readOnly = false;
    EXPECT_TRUE(controller->validateMenuItem(ZQDocumentController::NewPageTag));
}

TEST(DocumentController, NewPageMakesAPackageAndRecordOrPutsTheTrashedPageBack)
{
    ControllerSetup setup;
    setup.controller->createOrPutbackPage();
    ASSERT_EQ(setup.window->createdPages.size(), 1);
    const QString uuid = setup.window->createdPages[0].section(QLatin1Char('/'), 1);
    EXPECT_TRUE(QFileInfo(ZSUtils::pageUrl(uuid, librarySpace()).toLocalFile()).isDir());
    EXPECT_TRUE(ZSCoreDataUtil::getPageObjectByUUID(uuid, librarySpace()));

    ZQAppFlags::inTrash = true;
    setup.window->openPage = QStringLiteral("trashed.mkqrv");
    setup.controller->createOrPutbackPage();
    ZQAppFlags::inTrash = false;
    EXPECT_EQ(setup.window->putBack, QStringList{QStringLiteral("trashed.mkqrv")});
    EXPECT_EQ(setup.window->createdPages.size(), 1);
}

TEST(DocumentController, NewPageWhileFiltersAreShownGoesToTheFirstLibrary)
{
    ControllerSetup setup;
    setup.window->openFolder.clear();
    setup.window->rootFolder = QStringLiteral("sys__filters");
    setup.window->firstWritable = librarySpace();
    setup.controller->createOrPutbackPage();
    ASSERT_EQ(setup.window->createdPages.size(), 1);
    EXPECT_TRUE(setup.window->createdPages[0].startsWith(librarySpace() + QLatin1Char('/')));
    EXPECT_EQ(setup.window->opened, QStringList{librarySpace()});
    EXPECT_FALSE(QFileInfo::exists(ZSUtils::spaceUrl(QStringLiteral("sys__filters")).toLocalFile()));
}

TEST(DocumentController, NewLibraryAndLinkedFolderGoThroughTheWindow)
{
    ControllerSetup setup;
    setup.window->spaceError = ZQErrorValue(QStringLiteral("Test"), 1, {{ZQErrorValue::localizedDescriptionKey(), QStringLiteral("no room")}});
    setup.controller->createSpace();
    EXPECT_EQ(setup.window->spacesCreated, QStringList{QStringLiteral("New Library")});
    EXPECT_EQ(setup.env.panels->presentedErrors(), QStringList{QStringLiteral("no room")});

    setup.controller->linkExternalFolder(); // cancelled
    setup.env.panels->queueOpenPanelResult(plat::OpenPanelResult{{QUrl::fromLocalFile("/tmp/a"), QUrl::fromLocalFile("/tmp/b")}, false});
    setup.controller->linkExternalFolder();
    EXPECT_EQ(setup.window->linked, QList<QUrl>{QUrl::fromLocalFile("/tmp/a")});
    const plat::OpenPanelRequest panel = setup.env.panels->openPanels().back();
    EXPECT_EQ(panel.prompt, QStringLiteral("Add"));
    EXPECT_TRUE(panel.canCreateDirectories && panel.canChooseDirectories && !panel.canChooseFiles && panel.allowsMultipleSelection);
}

TEST(DocumentController, CancellingTheImportChangesNothing)
{
    ControllerSetup setup;
    plat::UserDefaults::standardUserDefaults()->setInteger(1, ZQImportMarkupPanelEx::defaultsKey());
    setup.controller->importMarkdownToLibrary();
    ASSERT_EQ(setup.env.panels->openPanels().size(), 1u);
    const plat::OpenPanelRequest panel = setup.env.panels->openPanels()[0];
    EXPECT_EQ(panel.prompt, QStringLiteral("Import to Library"));
    EXPECT_EQ(panel.allowedFileTypes, ZQDocumentController::markdownExtensions());
    EXPECT_TRUE(panel.canChooseFiles && panel.canChooseDirectories && !panel.allowsMultipleSelection);
    EXPECT_TRUE(panel.accessoryCheckBoxOn);
    EXPECT_TRUE(setup.window->imports.empty());
    EXPECT_EQ(plat::UserDefaults::standardUserDefaults()->integerForKey(ZQImportMarkupPanelEx::defaultsKey()), 1);
}

TEST(DocumentController, ASingleFileImportOffersItsMissingImagesWithTheAlert)
{
    ControllerSetup setup;
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("pictures"));
    savePicture(dir.filePath(QStringLiteral("pictures/a.png")));
    const QString file = dir.filePath(QStringLiteral("page.md"));
    writeAll(file, QByteArray("# Caf\xe9\n")); // Latin-1
    struct Case {
        QStringList images;
        QString message;
    };
    const Case cases[] = {
        {{QStringLiteral("a.png")},
         QStringLiteral("There is 1 image used in this markdown found from this folder. Do you want to import this image?")},
        {{QStringLiteral("a.png"), QStringLiteral("b.png")},
         QStringLiteral("There are 2 images used in this markdown found from this folder. Do you want to import these images?")},
    };
    for (const Case& c : cases) {
        setup.window->pendingNames = c.images;
        setup.window->pending.clear();
        setup.window->updates.clear();
        setup.chooseForImport(file, true);
        setup.env.panels->queueAlertResponse(0); // "Import Images"
        setup.env.panels->queueOpenPanelResult(plat::OpenPanelResult{{QUrl::fromLocalFile(dir.filePath(QStringLiteral("pictures")))}, false});
        setup.controller->importMarkdownToLibrary();

        const plat::AlertRequest alert = setup.env.panels->alerts().back();
        EXPECT_EQ(alert.messageText, c.message);
        EXPECT_EQ(alert.informativeText, c.images.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        EXPECT_EQ(alert.buttons, (QStringList{QStringLiteral("Import Images"), QStringLiteral("Cancel")}));
        EXPECT_EQ(alert.iconName, QStringLiteral("quorvel.png"));
        const plat::OpenPanelRequest access = setup.env.panels->openPanels().back();
        EXPECT_EQ(access.prompt, QStringLiteral("Allow Access"));
        EXPECT_EQ(access.directoryURL, QUrl::fromLocalFile(dir.path()));

        // Found images are loaded and shown; missing ones are skipped.
        ASSERT_EQ(setup.window->updates.size(), 1u);
        EXPECT_EQ(setup.window->updates[0].size(), 1);
        EXPECT_TRUE(setup.window->pending[0]->attachedObject()->originalImage());
        EXPECT_EQ(setup.window->pending[0]->attachedObject()->resize(), QSizeF(6, 4));
    }
    ASSERT_EQ(setup.window->imports.size(), 2u);
    EXPECT_EQ(setup.window->imports[0].markdown, QStringLiteral("# Caf\u00e9\n"));
    EXPECT_EQ(setup.window->imports[0].scanImagePath, dir.path());
    EXPECT_EQ(setup.window->imports[0].space, librarySpace());
    EXPECT_TRUE(setup.window->keyWindow);
}

TEST(DocumentController, AnUnreadableFileBecomesNoPage)
{
    ControllerSetup setup;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bad.md"));
    writeAll(file, QByteArray("\x00\x01\xff\x00\x9f\x00", 6));
    setup.window->pendingNames = {QStringLiteral("a.png")};
    setup.chooseForImport(file, true);
    setup.controller->importMarkdownToLibrary();
    EXPECT_TRUE(setup.window->imports.empty());
    EXPECT_TRUE(setup.env.panels->alerts().empty());
    EXPECT_EQ(setup.env.panels->presentedErrors().size(), 1);
}

TEST(DocumentController, AFolderImportTakesItsOwnMarkdownFilesAndImagesFromIt)
{
    ControllerSetup setup;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("notes"));
    QDir(dir.path()).mkpath(QStringLiteral("notes/sub.md"));
    QDir(dir.path()).mkpath(QStringLiteral("notes/deeper"));
    writeAll(folder + QStringLiteral("/b.markdown"), "B\n");
    writeAll(folder + QStringLiteral("/a.md"), "A\n");
    writeAll(folder + QStringLiteral("/c.txt"), "C\n");
    writeAll(folder + QStringLiteral("/deeper/d.md"), "D\n");
    writeAll(folder + QStringLiteral("/e.MKDN"), "E\n");
    savePicture(folder + QStringLiteral("/a.png"));
    savePicture(dir.filePath(QStringLiteral("parent-only.png")));
    setup.window->pendingNames = {QStringLiteral("a.png"), QStringLiteral("parent-only.png")};

    setup.chooseForImport(folder, true);
    setup.controller->importMarkdownToLibrary();
    QStringList texts;
    for (const auto& import : setup.window->imports) {
        texts.append(import.markdown);
        EXPECT_EQ(import.scanImagePath, folder);
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("A\n"), QStringLiteral("B\n"), QStringLiteral("E\n")}));
    // No alert: the chosen folder's images are taken at once, and only those.
    EXPECT_TRUE(setup.env.panels->alerts().empty());
    ASSERT_EQ(setup.window->updates.size(), 3u);
    for (const auto& update : setup.window->updates)
        EXPECT_EQ(update.size(), 1);
}

TEST(DocumentController, ImportsIntoTheFirstWritableLibraryFromOtherSpaces)
{
    ControllerSetup setup;
    setup.window->openFolder = QStringLiteral("sys__trash");
    QTemporaryDir dir;
    writeAll(dir.filePath(QStringLiteral("p.md")), "x\n");
    setup.chooseForImport(dir.filePath(QStringLiteral("p.md")), false);
    setup.controller->importMarkdownToLibrary();
    ASSERT_EQ(setup.window->imports.size(), 1u);
    EXPECT_EQ(setup.window->imports[0].space, QStringLiteral("writable-library"));
    EXPECT_EQ(setup.window->opened, QStringList{QStringLiteral("writable-library")});
}
