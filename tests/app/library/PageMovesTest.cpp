// Pages between spaces: creation, trash and put back, deletion for good,
// cloud actions sent and received, and every disk step failing in turn
// without leaving a package without its record or a record without its
// package.

#include "LibraryFixtures.h"

#include "platform/store/Date.h"

namespace {

using namespace library;
using plat::Value;

TEST(PageMoves, APageGoesToTheTrashComesBackAndIsDeletedForGood)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("# Plan\n\nfindable words\n");
    EXPECT_EQ(uuid, "p-1.mkqrv");
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    ASSERT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_EQ(lib.cloud->pages.front(), (CloudCall{ZQCloudAction::CreatePage, uuid, "", lib.myLibrary, ""}));
    EXPECT_EQ(lib.search("findable"), QStringList({lib.myLibrary}));

    // Move to Trash.
    plat::ManagedObjectPtr moved;
    lib.library->movePage(uuid, lib.myLibrary, "sys__trash",
                          [&](const plat::ManagedObjectPtr& page, const std::optional<ZQErrorValue>& error) {
                              moved = page;
                              EXPECT_FALSE(error);
                          });
    ASSERT_TRUE(moved);
    EXPECT_FALSE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_FALSE(Library::record(uuid, lib.myLibrary));
    EXPECT_TRUE(Library::hasPackage(uuid, "sys__trash"));
    const auto trashed = Library::record(uuid, "sys__trash");
    ASSERT_TRUE(trashed);
    EXPECT_EQ(trashed->valueForKey("sourceSpaceFolder").toString(), lib.myLibrary);
    EXPECT_TRUE(lib.search("findable").isEmpty());
    EXPECT_EQ(lib.cloud->pages.back(), (CloudCall{ZQCloudAction::MovePage, uuid, "", "sys__trash", lib.myLibrary}));

    // Put Back.
    lib.library->putbackPage(uuid);
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    ASSERT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_EQ(Library::record(uuid, lib.myLibrary)->valueForKey("sourceSpaceFolder").toString(), "");
    EXPECT_FALSE(Library::record(uuid, "sys__trash"));
    EXPECT_EQ(lib.search("findable"), QStringList({lib.myLibrary}));

    // Delete for good, from the trash, after the warning.
    lib.library->movePage(uuid, lib.myLibrary, "sys__trash");
    lib.panels->queueAlertResponse(0);
    lib.library->deletePageWithWarning(uuid);
    ASSERT_EQ(lib.panels->alerts().size(), 1u);
    EXPECT_EQ(lib.panels->alerts()[0].messageText, ZQSpaceListDocument::deleteWarningMessage());
    EXPECT_FALSE(Library::hasPackage(uuid, "sys__trash"));
    EXPECT_FALSE(Library::record(uuid, "sys__trash"));
    EXPECT_EQ(lib.cloud->pages.back(), (CloudCall{ZQCloudAction::DeletePage, uuid, "", "sys__trash", ""}));
}

TEST(PageMoves, PuttingBackIntoADeletedLibraryWarnsAndChangesNothing)
{
    Library lib;
    const QString other = lib.library->createSpace("Other");
    lib.show(other);
    const QString uuid = lib.page("orphan\n");
    lib.library->movePage(uuid, other, "sys__trash");
    lib.show(lib.myLibrary);
    ASSERT_TRUE(lib.library->deleteSpace(other, false));
    const auto calls = lib.cloud->pages.size();

    bool called = false;
    lib.library->putbackPage(uuid, [&](const plat::ManagedObjectPtr&, const std::optional<ZQErrorValue>&) { called = true; });
    EXPECT_FALSE(called);
    ASSERT_EQ(lib.panels->alerts().size(), 1u);
    EXPECT_EQ(lib.panels->alerts()[0].messageText, "The library of this page was saved in does not exist. ");
    EXPECT_EQ(lib.panels->alerts()[0].informativeText, ZQSpaceListDocument::missingLibraryInformation());
    EXPECT_TRUE(Library::hasPackage(uuid, "sys__trash"));
    EXPECT_TRUE(Library::record(uuid, "sys__trash"));
    EXPECT_EQ(lib.cloud->pages.size(), calls);
}

TEST(PageMoves, MoveTypesFollowTheTrash)
{
    Library lib;
    const QString a = lib.library->createSpace("A");
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto trashedSpace = lib.library->spaceRecord(lib.library->createSpace("Trashed"));
    trashedSpace->setValue(Value(plat::ObjectPtr(lib.library->spaceRecord("sys__trash"))), "parent");
    Exs::persistAndWait(context);
    const QString inTrash = trashedSpace->valueForKey("folder").toString();
    const struct {
        QString from, to;
        qint64 type;
    } cases[] = {
        {a, "sys__trash", ZQMoveType::IntoTrash},
        {inTrash, "sys__trash", ZQMoveType::IntoTrash},
        {"sys__trash", inTrash, ZQMoveType::IntoTrash},
        {"sys__trash", a, ZQMoveType::OutOfTrash},
        {inTrash, a, ZQMoveType::OutOfTrash},
        {a, lib.myLibrary, ZQMoveType::BetweenLibraries},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lib.library->moveType(c.from, c.to), c.type) << c.from.toStdString() << " -> " << c.to.toStdString();
}

TEST(PageMoves, AFailedPackageMoveLeavesPageAndRecordAndSendsNothing)
{
    Library lib;
    const QString other = lib.library->createSpace("Other");
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("stays\n");
    const auto calls = lib.cloud->pages.size();
    lib.disk->failMove = true;
    std::optional<ZQErrorValue> reported;
    plat::ManagedObjectPtr moved;
    lib.library->movePage(uuid, lib.myLibrary, other, [&](const plat::ManagedObjectPtr& page, const std::optional<ZQErrorValue>& error) {
        moved = page;
        reported = error;
    });
    EXPECT_FALSE(moved);
    EXPECT_TRUE(reported);
    EXPECT_EQ(lib.panels->presentedErrors().size(), 1);
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_FALSE(Library::hasPackage(uuid, other));
    EXPECT_FALSE(Library::record(uuid, other));
    EXPECT_EQ(lib.cloud->pages.size(), calls) << "no cloud move for a move that did not happen";
    EXPECT_EQ(lib.search("stays"), QStringList({lib.myLibrary}));
}

TEST(PageMoves, AMissingPackageMovesOnlyItsRecordAndTellsTheCloudNothing)
{
    Library lib;
    const QString other = lib.library->createSpace("Other");
    ZSCoreDataUtil::createPageRecord("p-9.mkqrv", std::nullopt, lib.myLibrary, QString(), Value());
    const auto calls = lib.cloud->pages.size();
    plat::ManagedObjectPtr moved;
    lib.library->movePage("p-9.mkqrv", lib.myLibrary, other,
                          [&](const plat::ManagedObjectPtr& page, const std::optional<ZQErrorValue>&) { moved = page; });
    ASSERT_TRUE(moved);
    EXPECT_TRUE(Library::record("p-9.mkqrv", other));
    EXPECT_FALSE(Library::record("p-9.mkqrv", lib.myLibrary));
    EXPECT_EQ(lib.cloud->pages.size(), calls);
}

TEST(PageMoves, DeletingForGoodKeepsTheRecordWhenThePackageCannotGo)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("stubborn\n");
    const auto calls = lib.cloud->pages.size();
    lib.disk->failMove = true;
    lib.library->deletePage(uuid, lib.myLibrary);
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_EQ(lib.cloud->pages.size(), calls);

    // Removing the set-aside package may fail afterwards: the page is gone all the same.
    lib.disk->failMove = false;
    lib.disk->failRemove = true;
    lib.library->deletePage(uuid, lib.myLibrary);
    EXPECT_FALSE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_FALSE(Library::record(uuid, lib.myLibrary));
}

TEST(PageMoves, ANewPageThatCannotBeSavedLeavesNoRecord)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    lib.disk->failSave = true;
    EXPECT_TRUE(list->createPage().isEmpty());
    EXPECT_EQ(list->pageListSize(), 0);
    EXPECT_FALSE(Library::hasPackage("p-1.mkqrv", lib.myLibrary));
    EXPECT_EQ(lib.panels->presentedErrors(), QStringList({"The disk is full."}));
    EXPECT_TRUE(lib.cloud->pages.empty());
    EXPECT_TRUE(plat::DocumentController::sharedDocumentController()->documents().empty());
}

TEST(PageMoves, ANewPageWhileFiltersAreShownGoesToTheFirstLibrary)
{
    Library lib;
    const auto filters = lib.show("sys__filters");
    QString made;
    const QString uuid = filters->createPage([&](const ZQDocumentPtr&, const QString& page, const plat::ManagedObjectPtr&) { made = page; });
    ASSERT_FALSE(uuid.isEmpty());
    EXPECT_EQ(made, uuid);
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_FALSE(QFileInfo::exists(ZSUtils::pageUrl(uuid, "sys__filters").toLocalFile()));
    EXPECT_EQ(lib.cloud->pages.back().folder, lib.myLibrary);
}

TEST(PageMoves, SavesAreSentAsUpdatesButSaveAsIsNot)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("# Title\n\nbody\n");
    const auto update = std::count_if(lib.cloud->pages.begin(), lib.cloud->pages.end(),
                                      [](const CloudCall& c) { return c.action == ZQCloudAction::UpdatePage; });
    EXPECT_EQ(update, 1) << "the page's own save is an update; its first Save As is not";
    EXPECT_EQ(lib.cloud->pages.back().uuid, uuid);
    EXPECT_EQ(lib.cloud->pages.back().folder, lib.myLibrary);
}

TEST(PageMoves, AReceivedMoveMovesPackageRecordAndSearchEntry)
{
    Library lib;
    const QString other = lib.library->createSpace("Other");
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("travelling words\n");
    const auto calls = lib.cloud->pages.size();
    ZSICloudAction action;
    action.action = ZQCloudAction::MovePage;
    action.uuid = uuid;
    action.fromParentUuid = lib.myLibrary;
    action.parentUuid = other;
    action.title = "# Moved title";
    lib.library->cloudPageAction(action);
    EXPECT_TRUE(Library::hasPackage(uuid, other));
    ASSERT_TRUE(Library::record(uuid, other));
    EXPECT_EQ(ZQLibraryRecords::pageTitle(Library::record(uuid, other)), "Moved title");
    EXPECT_FALSE(Library::record(uuid, lib.myLibrary));
    EXPECT_EQ(lib.search("travelling"), QStringList({other}));
    EXPECT_EQ(lib.cloud->pages.size(), calls) << "nothing is sent back";
}

TEST(PageMoves, AReceivedDeletionKeepsAPageChangedHereAfterIt)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("local edit\n");
    ZSICloudAction action;
    action.action = ZQCloudAction::DeletePage;
    action.uuid = uuid;
    action.parentUuid = lib.myLibrary;
    action.actionDate = QDateTime::currentSecsSinceEpoch() - 3600;
    lib.library->cloudPageAction(action);
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));

    action.actionDate = QDateTime::currentSecsSinceEpoch() + 3600;
    lib.library->cloudPageAction(action);
    EXPECT_FALSE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_FALSE(Library::record(uuid, lib.myLibrary));
}

TEST(PageMoves, AnOpenPageIsSavedAndClosedBeforeItsPackageMoves)
{
    Library lib;
    const QString other = lib.library->createSpace("Other");
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("before\n");
    const auto documents = plat::DocumentController::sharedDocumentController();
    const auto document = std::dynamic_pointer_cast<ZQDocument>(documents->documentForURL(ZSUtils::pageUrl(uuid, lib.myLibrary)));
    ASSERT_TRUE(document);
    document->markupTextStorage()->setAttributedString(plat::AttributedString("typed before the move\n"));
    document->updateChangeCount(plat::Document::ChangeType::Done);

    lib.library->movePage(uuid, lib.myLibrary, other);
    EXPECT_FALSE(documents->documentForURL(ZSUtils::pageUrl(uuid, lib.myLibrary)));
    EXPECT_TRUE(Library::record(uuid, other));
    EXPECT_EQ(lib.search("typed"), QStringList({other})) << "the unsaved text went with the page";
}

TEST(PageMoves, AReceivedPageIsWrittenWhereTheCloudSays)
{
    Library lib;
    ZSICloudAction action;
    action.action = ZQCloudAction::CreatePage;
    action.uuid = "p-77.mkqrv";
    action.parentUuid = lib.myLibrary;
    action.pageContent = "# From afar\n\nreceived words\n";
    lib.library->cloudPageAction(action);
    ASSERT_TRUE(Library::hasPackage("p-77.mkqrv", lib.myLibrary));
    const auto document = ZQDocumentController::create()->loadDocument(ZSUtils::pageUrl("p-77.mkqrv", lib.myLibrary));
    ASSERT_TRUE(document);
    EXPECT_TRUE(document->markupTextStorage()->string().contains("received words"));

    // An update of a page that is there replaces its text.
    action.action = ZQCloudAction::UpdatePage;
    action.pageContent = "# From afar\n\nchanged words\n";
    lib.library->cloudPageAction(action);
    const auto updated = ZQDocumentController::create()->loadDocument(ZSUtils::pageUrl("p-77.mkqrv", lib.myLibrary));
    ASSERT_TRUE(updated);
    EXPECT_TRUE(updated->markupTextStorage()->string().contains("changed words"));
    EXPECT_TRUE(lib.cloud->pages.empty()) << "received changes are not sent back";
}

TEST(PageMoves, AFileAddedToALinkedFolderRenumbersItsPages)
{
    Library lib;
    const QString folder = "lext";
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
    const struct {
        const char* uuid;
        qint64 sortIndex;
        double modified;
    } pages[] = {{"bp-1", 5, 100}, {"bp-2", 5, 200}, {"bp-3", 1, 50}};
    for (const auto& page : pages) {
        const auto record = ZSCoreDataUtil::createPageRecord(page.uuid, std::nullopt, folder, "x.md", Value());
        record->setValue(Value(page.sortIndex), "sortIndex");
        record->setValue(Value(plat::Date::fromSeconds(page.modified)), "modifiedDate");
    }
    Exs::persistAndWait(context);
    plat::NotificationCenter::defaultCenter().post(ZQSpaceListDocument::extPageAddedNotification(), nullptr,
                                                   {{"spaceFolder", Value(folder)}});
    EXPECT_EQ(Library::record("bp-3", folder)->valueForKey("sortIndex").toInteger(), 0);
    EXPECT_EQ(Library::record("bp-2", folder)->valueForKey("sortIndex").toInteger(), 1) << "the later change first";
    EXPECT_EQ(Library::record("bp-1", folder)->valueForKey("sortIndex").toInteger(), 2);
}

TEST(PageMoves, ALinkedFileMovedBesideANamesakeTakesAFreeName)
{
    Library lib;
    QTemporaryDir outside;
    QDir(outside.path()).mkpath("a");
    QDir(outside.path()).mkpath("b");
    for (const char* path : {"a/note.md", "b/note.md"}) {
        QFile file(outside.filePath(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("linked text\n");
    }
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    for (const char* folder : {"a", "b"}) {
        const auto space = ZSCoreDataUtil::createSpaceRecord(QString("lf-") + folder, nullptr, folder, ZQSpaceType::LinkedFolder, false, context);
        space->setValue(Value(outside.filePath(folder)), "dropboxPath");
    }
    Exs::persistAndWait(context);
    ZSCoreDataUtil::createPageRecord("bp-1", std::nullopt, "lf-a", "note.md", Value(qint64(1)));

    plat::ManagedObjectPtr moved;
    lib.library->moveFile("bp-1", "lf-a", "lf-b", [&](const plat::ManagedObjectPtr& page, const std::optional<ZQErrorValue>&) { moved = page; });
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->valueForKey("dropboxPath").toString(), "note 1.md");
    EXPECT_TRUE(QFileInfo::exists(outside.filePath("b/note 1.md")));
    EXPECT_FALSE(QFileInfo::exists(outside.filePath("a/note.md")));
    EXPECT_FALSE(Library::record("bp-1", "lf-a"));
    EXPECT_TRUE(lib.cloud->pages.empty()) << "linked files are not synced";

    // A library is no linked folder: nothing moves.
    lib.library->moveFile("bp-1", "lf-b", lib.myLibrary);
    EXPECT_TRUE(Library::record("bp-1", "lf-b"));
}

TEST(PageMoves, AMergedConflictMarksAClosedPageAndTellsTheOpenOne)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    const QString uuid = lib.page("conflict\n");
    lib.library->docMergedConflict(uuid, lib.myLibrary);
    EXPECT_TRUE(list->pageRecord(uuid)->valueForKey("mergedConflict").toBool());
    list->setOpenPageUuid(uuid);
    lib.library->docMergedConflict(uuid, lib.myLibrary);
    EXPECT_EQ(lib.window->messages, QStringList({ZQSpaceListDocument::mergedConflictMessage()}));
}

} // namespace
