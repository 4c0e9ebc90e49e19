// A page list: its rows and title rows, new pages in libraries and linked
// folders, the selection after a page goes, trashing linked files, outlines,
// and the records of published copies.

#include "LibraryFixtures.h"

#include "kit/model/ZQDocumentOutline.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/store/Date.h"


namespace {

using namespace library;
using plat::Value;

QStringList rowTitles(ZQPageListDocument& list)
{
    QStringList result;
    for (const auto& node : list.pageTreeController().arrangedNodes()) {
        const auto& row = node->representedObject();
        result << (row->valueForKey("type").toInteger() == ZQNodeType::SpaceTitle ? "#" : "")
                      + (row->valueForKey("type").toInteger() == ZQNodeType::SpaceTitle ? ZQLibraryRecords::pageTitle(row)
                                                                                         : row->valueForKey("uuid").toString());
    }
    return result;
}

plat::ManagedObjectPtr pageIn(const QString& folder, const QString& uuid, qint64 sortIndex)
{
    const auto page = ZSCoreDataUtil::createPageRecord(uuid, std::nullopt, folder, QString(), Value());
    page->setValue(Value(sortIndex), "sortIndex");
    Exs::persistAndWait(page->managedObjectContext());
    return page;
}

TEST(PageListDocument, RowsGroupEachSpaceUnderItsTitleInTheTreesOrder)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString first = lib.library->createSpace("First");
    const QString second = lib.library->createSpace("Second");
    // Siblings by falling sort index: Second (1) before First (0).
    lib.library->spaceRecord(first)->setValue(Value(qint64(0)), "sortIndex");
    lib.library->spaceRecord(second)->setValue(Value(qint64(1)), "sortIndex");
    Exs::persistAndWait(lib.library->managedObjectContext());
    pageIn(lib.myLibrary, "p-2.mkqrv", 2);
    pageIn(lib.myLibrary, "p-1.mkqrv", 1);
    pageIn(first, "p-3.mkqrv", 1);

    const auto list = lib.show(lib.myLibrary);
    EXPECT_EQ(rowTitles(*list), QStringList({"#My Library", "p-1.mkqrv", "p-2.mkqrv", "#../Second", "#../First", "p-3.mkqrv"}))
        << "a library list shows a title row for every space, empty or not";
    EXPECT_EQ(list->pageListSize(), 3);
    EXPECT_EQ(list->getAllPages().size(), 6u);
}

TEST(PageListDocument, ALinkedFolderListHidesEmptySubFoldersUnlessAsked)
{
    Library lib;
    QTemporaryDir outside;
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto root = ZSCoreDataUtil::createSpaceRecord("lroot", nullptr, "Root", ZQSpaceType::LinkedFolder, false, context);
    root->setValue(Value(outside.path()), "dropboxPath");
    const auto sub = ZSCoreDataUtil::createSpaceRecord("lroot/s1", root, "Sub", ZQSpaceType::LinkedFolder, false, context);
    sub->setValue(Value(QString("Sub")), "dropboxPath");
    Exs::persistAndWait(context);
    const auto page = ZSCoreDataUtil::createPageRecord("bp-1", std::nullopt, "lroot", "a.md", Value(qint64(1)));
    (void)page;

    EXPECT_EQ(rowTitles(*lib.show("lroot")), QStringList({"#Root", "bp-1"}));
    plat::UserDefaults::standardUserDefaults()->setBool(true, "showEmptyFolderInPageListView");
    EXPECT_EQ(rowTitles(*lib.show("lroot")), QStringList({"#Root", "bp-1", "#../Sub"}));
    plat::UserDefaults::standardUserDefaults()->setBool(false, "showEmptyFolderInPageListView");
}

TEST(PageListDocument, ANewLinkedFolderPageTakesTheFirstFreeUntitledName)
{
    Library lib;
    QTemporaryDir outside;
    for (const char* name : {"Untitled.md", "Untitled 1.md"}) {
        QFile file(outside.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto root = ZSCoreDataUtil::createSpaceRecord("lnew", nullptr, "Linked", ZQSpaceType::LinkedFolder, false, context);
    root->setValue(Value(outside.path()), "dropboxPath");
    Exs::persistAndWait(context);

    const auto list = lib.show("lnew");
    const QString uuid = list->createPage();
    const QString path = outside.filePath("Untitled 2.md");
    ASSERT_TRUE(QFileInfo::exists(path));
    const auto record = list->pageRecord(uuid);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->valueForKey("dropboxPath").toString(), "Untitled 2.md");
    // The file number of the file as it was made.
    EXPECT_GT(record->valueForKey("dropboxFileInode").toInteger(), 0);
    EXPECT_EQ(uuid, QString("bp-%1").arg(record->valueForKey("dropboxFileInode").toInteger()));

    // A file that cannot be made: nothing at all.
    lib.disk->failCreate = true;
    EXPECT_TRUE(list->createPage().isEmpty());
    EXPECT_EQ(lib.panels->presentedErrors(), QStringList({QString("Unable to create new file in folder %1.").arg(outside.path())}));
    EXPECT_EQ(list->pageListSize(), 1);

    // A linked file that cannot go to the trash keeps its record; one that can loses it.
    lib.disk->failTrash = true;
    list->trashFile(uuid);
    EXPECT_TRUE(list->pageRecord(uuid));
    EXPECT_TRUE(QFileInfo::exists(path));
    lib.disk->failTrash = false;
    list->trashFile(uuid);
    EXPECT_FALSE(list->pageRecord(uuid));
    EXPECT_EQ(lib.disk->trashed, QStringList({path}));
    EXPECT_EQ(lib.window->cleaned, 1) << "the list is empty: the editor shows nothing";
}

TEST(PageListDocument, TheSelectionMovesToTheNearestPageAfterARemoval)
{
    Library lib;
    const QString child = lib.library->createSpace("Child");
    pageIn(lib.myLibrary, "p-1.mkqrv", 1);
    pageIn(lib.myLibrary, "p-2.mkqrv", 2);
    pageIn(child, "p-3.mkqrv", 1);
    // A top-level library: rows are #My Library, p-1, p-2 only.
    auto list = lib.show(lib.myLibrary);
    (void)child;
    // Rows of the child's own list: #Child, p-3.
    const struct {
        QString root;
        ZQIndexPath removed;
        QString selected;
    } cases[] = {
        {lib.myLibrary, {2}, "p-1.mkqrv"},   // the row before
        {lib.myLibrary, {1}, "p-1.mkqrv"},   // before is a title row and nothing above it: the path itself
        {child, {1}, "p-3.mkqrv"},
    };
    for (const auto& c : cases) {
        list = lib.show(c.root);
        list->tryToSelectPreviousPage(c.removed);
        ASSERT_FALSE(lib.window->selectedPages.isEmpty());
        EXPECT_EQ(lib.window->selectedPages.back(), c.selected) << c.removed.front();
    }

    // Only a title row left: nothing is open any more.
    const QString empty = lib.library->createSpace("Empty");
    list = lib.show(empty);
    list->setOpenPageUuid("p-4.mkqrv");
    list->setOpenSpaceFolder("elsewhere");
    list->tryToSelectPreviousPage(ZQIndexPath{1});
    EXPECT_TRUE(list->openPageUuid().isEmpty());
    EXPECT_EQ(list->openSpaceFolder(), empty);
    EXPECT_TRUE(list->pageTreeController().selectionIndexPaths().empty());
}

TEST(PageListDocument, TrashingTheSelectedPageSelectsThePreviousOne)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    const QString first = lib.page("one\n");
    const QString second = lib.page("two\n");
    list->reloadData();
    ASSERT_TRUE(list->selectPage(list->pageRecord(second)));
    const auto path = list->pageTreeController().selectionIndexPaths().front();
    lib.library->movePage(second, lib.myLibrary, "sys__trash");
    ASSERT_EQ(list->pageTreeController().selectedObjects().size(), 1u);
    const auto now = list->pageTreeController().firstSelectedObject();
    EXPECT_NE(now->valueForKey("uuid").toString(), second);
    EXPECT_EQ(list->pageListSize(), 1);
    (void)first;
    (void)path;

    lib.library->movePage(first, lib.myLibrary, "sys__trash");
    EXPECT_GE(lib.window->cleaned, 1) << "the last page went: the editor is cleared";
}

TEST(PageListDocument, TheSelectedPagesAreRememberedPerRootSpace)
{
    Library lib;
    pageIn(lib.myLibrary, "p-1.mkqrv", 1);
    pageIn(lib.myLibrary, "p-2.mkqrv", 2);
    auto list = lib.show(lib.myLibrary);
    EXPECT_TRUE(list->storedSelectedPages().empty());
    ASSERT_TRUE(list->selectPage(list->pageRecord("p-2.mkqrv")));
    list->storeSelectedPages();
    list = lib.show(lib.myLibrary);
    EXPECT_EQ(list->storedSelectedPages(), std::vector<ZQIndexPath>({{2}}));
}

// A window whose editor shows an untitled page with typed text.
class UntitledWindow final : public ZQLibraryDelegate {
public:
    plat::DocumentPtr currentDocument() const override { return document; }
    bool isMarkdownEditorVisible() const override { return true; }
    std::shared_ptr<plat::TextStorage> visibleEditorText() const override { return text; }
    plat::Range visibleEditorSelection() const override { return plat::Range(2, 3); }
    ZQDocumentPtr document = ZQDocument::create();
    std::shared_ptr<plat::TextStorage> text = std::make_shared<plat::TextStorage>();
};

TEST(PageListDocument, ANewPageTakesOverTheUntitledPageUnlessAskedForAFreshOne)
{
    Library lib;
    auto window = std::make_shared<UntitledWindow>();
    window->text->setAttributedString(plat::AttributedString("typed while untitled\n"));
    std::vector<ZQSpaceEntityPtr> spaces{std::make_shared<ZQSpaceEntity>(lib.library->spaceRecord(lib.myLibrary))};
    ZQPageListDocument list(spaces, window, true);

    ZQDocumentPtr made;
    list.createPage([&](const ZQDocumentPtr& document, const QString&, const plat::ManagedObjectPtr&) { made = document; }, false);
    EXPECT_EQ(made, window->document);
    EXPECT_EQ(made->markupTextStorage()->string(), "typed while untitled\n");
    EXPECT_EQ(made->selectionRange().location, 2);
    EXPECT_FALSE(made->fileURL().isEmpty());

    window->document = ZQDocument::create();
    list.createPage([&](const ZQDocumentPtr& document, const QString&, const plat::ManagedObjectPtr&) { made = document; }, true);
    EXPECT_NE(made, window->document);
    EXPECT_TRUE(made->markupTextStorage()->string().isEmpty());
}

TEST(PageListDocument, TheOpenPageIsSavedWithItsSpace)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    const QString uuid = lib.page("first\n");
    list->setOpenPageUuid(uuid);
    const auto document = std::dynamic_pointer_cast<ZQDocument>(
        plat::DocumentController::sharedDocumentController()->documentForURL(ZSUtils::pageUrl(uuid, lib.myLibrary)));
    ASSERT_TRUE(document);
    document->markupTextStorage()->setAttributedString(plat::AttributedString("second thoughts\n"));
    document->updateChangeCount(plat::Document::ChangeType::Done);
    QStringList reported;
    EXPECT_TRUE(list->saveCurrentPage([&](const QString& page, const QString& folder, const std::optional<ZQErrorValue>& error) {
        reported << page << folder << (error ? "error" : "");
    }));
    EXPECT_EQ(reported, QStringList({uuid, lib.myLibrary, ""}));
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(lib.search("thoughts"), QStringList({lib.myLibrary}));

    list->openPage(uuid);
    EXPECT_EQ(lib.window->selectedPages.back(), uuid);
}

TEST(PageListDocument, OutlinesComeFromTheRecordOrFromTheOpenEditor)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    const auto page = pageIn(lib.myLibrary, "p-5.mkqrv", 1);
    page->setValue(Value(qint64(12)), "wordsCount");
    page->setValue(Value(qint64(80)), "charactersCount");
    const auto heading = ZQDocumentHeading::initWithIndex(0, 2, "Stored", plat::Range(0, 6), ZQEditorType::Markup);
    page->setValue(Value(plat::KeyedArchiver::archivedData(Value(plat::ValueList{Value(plat::ObjectPtr(heading))}))), "outline");
    Exs::persistAndWait(page->managedObjectContext());
    list->reloadData();

    const auto stored = list->getPageOutlineByUuid("p-5.mkqrv");
    EXPECT_EQ(stored->wordCount(), 12u);
    EXPECT_EQ(stored->charCount(), 80u);
    ASSERT_EQ(stored->headings().size(), 1u);
    EXPECT_EQ(stored->headings()[0]->heading(), "Stored");
    EXPECT_FALSE(stored->isExternalFile());

    // The open page's outline is that of the editor's text, typed or not.
    auto window = std::make_shared<UntitledWindow>();
    window->text->setAttributedString(plat::AttributedString("# Typed\n\nthree more words\n"));
    std::vector<ZQSpaceEntityPtr> spaces{std::make_shared<ZQSpaceEntity>(lib.library->spaceRecord(lib.myLibrary))};
    ZQPageListDocument editing(spaces, window, false);
    editing.setOpenPageUuid("p-5.mkqrv");
    const auto open = editing.getPageOutlineByUuid("p-5.mkqrv");
    EXPECT_EQ(open->wordCount(), 4u);
    EXPECT_EQ(open->charCount(), quint64(window->text->string().size()));

    EXPECT_FALSE(list->saveCurrentPage()) << "no page open";
    bool called = false;
    list->saveCurrentPage([&](const QString& uuid, const QString& folder, const std::optional<ZQErrorValue>& error) {
        called = uuid.isEmpty() && folder.isEmpty() && !error;
    });
    EXPECT_TRUE(called);
}

TEST(PageListDocument, APublishedCopyIsOneRecordPerPageBlogAndPost)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    const QString uuid = lib.page("published\n");
    list->setOpenSpaceFolder(lib.myLibrary);
    EXPECT_TRUE(list->getSyncIdByPageUuid(uuid, "blog1", 0).isEmpty());
    EXPECT_FALSE(list->getSyncPostCategoriesByPageUuid(uuid, "blog1", 0));

    EXPECT_TRUE(list->syncPage(uuid, "blog1", "post7", "https://b/7", std::vector<qint64>{3, 12}, 0));
    EXPECT_EQ(list->getSyncIdByPageUuid(uuid, "blog1", 0), "post7");
    EXPECT_EQ(*list->getSyncPostCategoriesByPageUuid(uuid, "blog1", 0), (std::vector<qint64>{3, 12}));
    EXPECT_EQ(ZSCoreDataUtil::findFirst(list->managedObjectContext(), "NodeSync", "syncUUID==%@", {Value(QString("post7"))})
                  ->valueForKey("syncCategories").toString(), "3,12,");
    EXPECT_TRUE(list->syncPage(uuid, "blog1", "post7", "https://b/7b", std::nullopt, 0));
    EXPECT_TRUE(list->syncPage(uuid, "blog2", "post1", "https://c/1", std::nullopt, 1));
    EXPECT_EQ(list->getSyncPostCategoriesByPageUuid(uuid, "blog1", 0)->size(), 0u);
    EXPECT_TRUE(list->getSyncIdByPageUuid(uuid, "blog2", 0).isEmpty()) << "another kind of blog";

    const auto records = list->managedObjectContext()->executeFetchRequest(plat::FetchRequest("NodeSync"));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    for (const auto& record : *records) {
        EXPECT_EQ(record->valueForKey("syncVersion").toInteger(), 1);
        EXPECT_EQ(record->valueForKey("syncStatus").toInteger(), 0);
        if (record->valueForKey("syncTargetID").toString() == "blog1") {
            EXPECT_EQ(record->valueForKey("syncURL").toString(), "https://b/7b");
            EXPECT_EQ(record->valueForKey("syncCategories").toString(), "");
        }
    }
}

} // namespace
