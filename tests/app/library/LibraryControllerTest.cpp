// The library controller: the system spaces, libraries and their decoration
// rows, saved filters, deleting spaces with their folders, and the page lists
// it hands out.

#include "LibraryFixtures.h"

#include "app/shell/ZQAppFlags.h"

namespace {

using namespace library;
using plat::Value;

TEST(LibraryController, AnEmptyDataFolderHoldsTheSixSystemSpacesInOrder)
{
    Library lib;
    const auto spaces = allSpaces();
    EXPECT_EQ(folders(spaces), QStringList({"__spacetitle_s", lib.myLibrary, "__divider_s", "sys__filters", "__tags_s", "sys__trash"}));
    EXPECT_EQ(folders(spaces, "title"), QStringList({"__spacetitle_s", "My Library", "__divider_s", "Filters", "Tags", "Trash"}));
    EXPECT_EQ(lib.library->firstWritableSpaceFolder(), lib.myLibrary);
}

TEST(LibraryController, TheLibraryTitleRowAndDividerLiveExactlyWhileALibraryDoes)
{
    Library lib;
    ASSERT_TRUE(lib.library->deleteSpace(lib.myLibrary, true));
    EXPECT_EQ(folders(allSpaces()), QStringList({"sys__filters", "__tags_s", "sys__trash"}));
    EXPECT_EQ(lib.library->firstWritableSpaceFolder(), "sys__trash");
    EXPECT_FALSE(QFileInfo::exists(ZSUtils::spaceUrl(lib.myLibrary).toLocalFile()));
    EXPECT_EQ(lib.cloud->spaces, (std::vector<CloudCall>{{ZQCloudAction::DeleteSpace, lib.myLibrary, "My Library", "", ""}}));

    std::optional<ZQErrorValue> error;
    const QString folder = lib.library->createSpace("Notes", &error);
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_FALSE(error);
    EXPECT_EQ(folders(allSpaces()), QStringList({"__spacetitle_s", folder, "__divider_s", "sys__filters", "__tags_s", "sys__trash"}));
    EXPECT_TRUE(QFileInfo(ZSUtils::spaceUrl(folder).toLocalFile()).isDir());
    EXPECT_EQ(lib.window->selected, QStringList({folder + "*"})) << "the new library is selected for renaming";
    EXPECT_EQ(lib.cloud->spaces.back(), (CloudCall{ZQCloudAction::CreateSpace, folder, "Notes", "", ""}));
}

TEST(LibraryController, ANewLibraryNestsOnlyInsideAShownLibrary)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString child = lib.library->createSpace("Child");
    EXPECT_EQ(lib.library->spaceRecord(child)->valueForKey("parent").toObject<plat::ManagedObject>(),
              lib.library->spaceRecord(lib.myLibrary));
    EXPECT_EQ(lib.cloud->spaces.back().folder, lib.myLibrary) << "parent folder sent";
    EXPECT_TRUE(lib.library->isChildrenSpaceFolder(child, lib.myLibrary));
    EXPECT_FALSE(lib.library->isChildrenSpaceFolder(lib.myLibrary, child));

    // In the trash (read-only) a new library is top-level.
    lib.show("sys__trash");
    ZQAppFlags::readOnly = true;
    const QString top = lib.library->createSpace("Top");
    ZQAppFlags::readOnly = false;
    EXPECT_FALSE(lib.library->spaceRecord(top)->valueForKey("parent").toObject());
}

TEST(LibraryController, DeletingASpaceTakesEverythingBelowIt)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString child = lib.library->createSpace("Child");
    lib.show(child);
    const QString grandchild = lib.library->createSpace("Grandchild");
    lib.show(grandchild);
    const QString uuid = lib.page("# Deep\n\nburied words\n");
    lib.show(lib.myLibrary);
    std::vector<ZQSpaceEntityPtr> below;
    lib.library->getChildrenSpaces(lib.myLibrary, below, true);
    ASSERT_EQ(below.size(), 2u);
    EXPECT_EQ(below[0]->spaceFolder(), child);
    EXPECT_EQ(below[1]->spaceFolder(), grandchild);
    EXPECT_EQ(lib.search("buried"), QStringList({grandchild}));

    ASSERT_TRUE(lib.library->deleteSpace(child, false));
    EXPECT_FALSE(lib.library->spaceRecord(child));
    EXPECT_FALSE(lib.library->spaceRecord(grandchild));
    EXPECT_FALSE(Library::hasPackage(uuid, grandchild));
    EXPECT_FALSE(QFileInfo::exists(ZSUtils::spaceUrl(child).toLocalFile()));
    EXPECT_TRUE(lib.search("buried").isEmpty()) << "a deleted space's pages leave the search";
    EXPECT_TRUE(lib.cloud->spaces.size() == 2u) << "two creations, no deletion sent";
}

TEST(LibraryController, ADeletionThatCannotMoveTheFoldersChangesNothing)
{
    Library lib;
    lib.show(lib.myLibrary);
    const QString uuid = lib.page("kept\n");
    lib.disk->failMove = true;
    EXPECT_FALSE(lib.library->deleteSpace(lib.myLibrary, true));
    EXPECT_TRUE(lib.library->spaceRecord(lib.myLibrary));
    EXPECT_TRUE(Library::hasPackage(uuid, lib.myLibrary));
    EXPECT_TRUE(Library::record(uuid, lib.myLibrary));
    EXPECT_TRUE(lib.cloud->spaces.empty());
    EXPECT_EQ(lib.panels->presentedErrors().size(), 1);
}

TEST(LibraryController, ALinkedFolderGoesToTheDesktopTrashNeverDeleted)
{
    Library lib;
    QTemporaryDir outside;
    QDir(outside.path()).mkdir("Notes");
    const QString path = outside.filePath("Notes");
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto linked = ZSCoreDataUtil::createSpaceRecord("linked1", nullptr, "Notes", ZQSpaceType::LinkedFolder, false, context);
    linked->setValue(Value(path), "dropboxPath");
    Exs::persistAndWait(context);
    plat::NotificationCenter::defaultCenter().post(ZQSpaceListDocument::newSpaceNotification());
    EXPECT_EQ(folders(allSpaces()).mid(3, 3), QStringList({"__ext_title_s", "linked1", "__ext_divider_s"}));

    lib.disk->failTrash = true;
    EXPECT_FALSE(lib.library->deleteSpace("linked1", true));
    EXPECT_TRUE(lib.library->spaceRecord("linked1")) << "the folder stays, so its space does";

    lib.disk->failTrash = false;
    ASSERT_TRUE(lib.library->deleteSpace("linked1", true));
    EXPECT_EQ(lib.disk->trashed, QStringList({path}));
    EXPECT_TRUE(QFileInfo::exists(path + ".trashed"));
    EXPECT_FALSE(folders(allSpaces()).contains("__ext_title_s"));
    EXPECT_FALSE(folders(allSpaces()).contains("__ext_divider_s"));
}

TEST(LibraryController, SavedFiltersKeepAnEditedTitle)
{
    Library lib;
    const auto filter = lib.library->createSearchFilter("alpha", "alpha");
    const QString folder = filter->valueForKey("folder").toString();
    EXPECT_TRUE(folder.startsWith('f') && folder.endsWith(".filter"));
    EXPECT_EQ(filter->valueForKey("parent").toObject<plat::ManagedObject>(), lib.library->spaceRecord("sys__filters"));
    EXPECT_TRUE(filter->valueForKey("isSystem").toBool());

    lib.library->upateSearchFilter(folder, "alpha beta");
    EXPECT_EQ(filter->valueForKey("title").toString(), "alpha beta") << "a title equal to its criteria follows them";
    filter->setValue(Value(QString("Mine")), "title");
    lib.library->upateSearchFilter(folder, "gamma");
    EXPECT_EQ(filter->valueForKey("title").toString(), "Mine");
    EXPECT_EQ(filter->valueForKey("label").toString(), "gamma");

    lib.library->deleteSearchFilter(folder);
    EXPECT_FALSE(lib.library->spaceRecord(folder));
}

TEST(LibraryController, PageListsAreSharedWhileTheirSpaceIsShown)
{
    Library lib;
    const auto shown = lib.show(lib.myLibrary);
    lib.show(lib.myLibrary);
    const QString child = lib.library->createSpace("Child");
    EXPECT_EQ(lib.library->getPageListDocument(lib.myLibrary, true), lib.library->currentSpace());
    const auto fresh = lib.library->getPageListDocument(lib.myLibrary, false);
    EXPECT_EQ(fresh, lib.library->currentSpace());
    EXPECT_FALSE(lib.library->getPageListDocument("nowhere", false));
    const auto list = lib.library->getPageListDocument(child, true);
    EXPECT_NE(list, lib.library->currentSpace());
    EXPECT_EQ(list->rootSpaceFolder(), child);
    EXPECT_EQ(ZSCoreData::sharedCoredData()->currentSelectedRootSpaceFolder(), lib.myLibrary);
}

TEST(LibraryController, TheLinkedFolderMirrorKeepsTheShownTitleRows)
{
    Library lib;
    QTemporaryDir outside;
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const auto root = ZSCoreDataUtil::createSpaceRecord("lmirror", nullptr, "Root", ZQSpaceType::LinkedFolder, false, context);
    root->setValue(Value(outside.path()), "dropboxPath");
    const auto sub = ZSCoreDataUtil::createSpaceRecord("lmirror/s2", root, "Sub", ZQSpaceType::LinkedFolder, false, context);
    sub->setValue(Value(QString("Sub")), "dropboxPath");
    Exs::persistAndWait(context);
    ZSCoreDataUtil::createPageRecord("bp-2", std::nullopt, "lmirror/s2", "b.md", Value(qint64(2)));
    const auto list = lib.show("lmirror");
    const auto titleOf = [&] {
        const auto row = ZSCoreDataUtil::getSpaceTitle("lmirror/s2", list->managedObjectContext());
        return row ? ZQLibraryRecords::pageTitle(row) : QString("none");
    };
    ASSERT_EQ(titleOf(), "../Sub");

    const auto post = [&](qint64 action) {
        plat::NotificationCenter::defaultCenter().post(ZQSpaceListDocument::extSpaceTitleNotification(), nullptr,
                                                       {{"action", Value(action)}, {"spaceFolder", Value(QString("lmirror/s2"))}});
    };
    post(2);
    EXPECT_EQ(titleOf(), "none");
    post(0);
    EXPECT_EQ(titleOf(), "../Sub");
    sub->setValue(Value(QString("Renamed")), "title");
    post(1);
    EXPECT_EQ(titleOf(), "../Renamed");
}

TEST(LibraryController, AReceivedSpaceDeletionIsSentOnAsADeletion)
{
    Library lib;
    ZSICloudAction action;
    action.action = ZQCloudAction::DeleteSpace;
    action.uuid = lib.myLibrary;
    lib.library->cloudSpaceAction(action);
    EXPECT_FALSE(lib.library->spaceRecord(lib.myLibrary));
    ASSERT_EQ(lib.cloud->spaces.size(), 1u);
    EXPECT_EQ(lib.cloud->spaces[0].action, ZQCloudAction::DeleteSpace);
}

} // namespace
