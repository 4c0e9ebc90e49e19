// The space and page lists on their row models: one page added, moved or
// renamed changes its row alone; drags carry the page archive; drops reorder
// and move; the row menus; the trash emptied; searches into the filters space
// with the save-filter button; the create menu that keeps the focus away.

#include "LibraryFixtures.h"

#include "app/library/ZQFilterSearch.h"
#include "app/library/ZQPageListModel.h"
#include "app/library/ZQPagePasteboard.h"
#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQFileReveal.h"
#include "app/shell/ZQPageListView.h"
#include "app/shell/ZQPopMenu.h"
#include "app/shell/ZQSearchField.h"
#include "app/shell/ZQSpaceListView.h"
#include "platform/text/AttributedText.h"
#include "platform/ui/PopoverWindow.h"

#include <QAbstractItemModelTester>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

namespace {

using namespace library;

std::shared_ptr<ZQSpaceListDocument> unowned(const std::unique_ptr<ZQSpaceListDocument>& document)
{
    return std::shared_ptr<ZQSpaceListDocument>(document.get(), [](ZQSpaceListDocument*) {});
}

QStringList menuTitles(QMenu* menu)
{
    QStringList titles;
    if (!menu)
        return titles;
    for (QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text() + (action->isEnabled() ? "" : " (off)"));
    return titles;
}

struct FlagsReset {
    ~FlagsReset() { ZQAppFlags::inTrash = ZQAppFlags::inTags = ZQAppFlags::inFilters = ZQAppFlags::readOnly = false; }
};

TEST(LibraryLists, OnePageAddedMovedOrRenamedChangesItsRowAlone)
{
    Library lib;
    const auto list = lib.show(lib.myLibrary);
    ZQPageListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setDocument(list);
    const QString a = lib.page("# Apples\n"), b = lib.page("# Bread\n");
    const int before = model.rowCount();
    ASSERT_GE(before, 3) << "a title row and two pages";

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    const QString c = lib.page("# Cheese\n");
    EXPECT_EQ(model.rowCount(), before + 1);

    // Renamed in place: the row is redrawn where it is.
    const auto record = list->pageRecord(a);
    ASSERT_TRUE(record);
    record->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString("Avocado"))), "title");
    list->updateRow(record);
    EXPECT_EQ(model.data(model.index(model.rowOfRecord(record))).toString(), "Avocado");

    // A new sort index moves it to its place.
    record->setValue(plat::Value(qint64(-5)), "sortIndex");
    list->updateRow(record);
    EXPECT_EQ(model.rowOfRecord(record), 1) << "first below its title row";

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_GE(changed.count(), 1);
    (void)b, (void)c;
}

TEST(LibraryLists, ThePageArchiveCarriesEachDraggedPageAndRejectsDamage)
{
    const std::vector<ZQPagePasteboardItem> cases = {
        {"p-1.mkqrv", "s1", ""},
        {"p-2.mkqrv", "linked", "notes/today.md"},
    };
    for (const auto& item : cases) {
        const auto back = ZQPagePasteboard::unarchiveItem(ZQPagePasteboard::archiveItem(item));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, item);
    }
    QByteArray damaged = ZQPagePasteboard::archiveItem(cases[0]);
    damaged.chop(damaged.size() / 2);
    EXPECT_FALSE(ZQPagePasteboard::unarchiveItem(damaged));
    QMimeData foreign;
    foreign.setData(ZQPagePasteboardType(), "not an archive");
    EXPECT_TRUE(ZQPagePasteboard::items(&foreign).empty());
    EXPECT_TRUE(ZQPagePasteboard::items(nullptr).empty());
}

TEST(LibraryLists, DroppingWithinASpaceRenumbersAndAcrossSpacesMovesThePage)
{
    Library lib;
    FlagsReset flags;
    const QString other = lib.library->createSpace("Other");
    ASSERT_FALSE(other.isEmpty());
    auto list = lib.show(lib.myLibrary);
    ZQPageListView view;
    view.setSpaceDocument(unowned(lib.library));
    view.setPageListDocument(list);
    lib.page("# A\n"), lib.page("# B\n"), lib.page("# C\n");
    auto* model = view.pageModel();
    ASSERT_EQ(model->rowCount(), 4) << "a title row and three pages";
    const auto p1 = model->record(1), p2 = model->record(2), p3 = model->record(3);

    // No drag started here, a drop above the first row, onto a page: refused.
    EXPECT_FALSE(view.canDrop(2, false));
    view.keepDraggedRows({3});
    EXPECT_FALSE(view.canDrop(0, false));
    EXPECT_FALSE(view.canDrop(1, true)) << "onto a page row";

    // The last page dropped above the first: the rows renumber in their new order.
    ASSERT_TRUE(view.dropPages(1, false));
    EXPECT_EQ(model->record(1), p3);
    EXPECT_EQ(model->record(2), p1);
    EXPECT_EQ(model->record(3), p2);
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(model->record(row)->valueForKey("sortIndex").toInteger(), row + 1) << "position + 1, after the title row";
    list->reloadData();
    EXPECT_EQ(model->record(1), p3) << "the stored order survives a fetch";
    const QString b = p1->valueForKey("uuid").toString();

    // Onto another space's row in the space list: the package and record move.
    ZQSpaceListView spaces;
    spaces.setSpaceDocument(unowned(lib.library));
    spaces.reloadSpaces();
    const auto mime = ZQPagePasteboard::mimeData({list->pageRecord(b)});
    const QModelIndex target = spaces.spaceModel()->indexOfFolder(other);
    EXPECT_FALSE(spaces.dropPages(mime.get(), spaces.spaceModel()->indexOfFolder(lib.myLibrary), -1)) << "onto its own space";
    ASSERT_TRUE(spaces.dropPages(mime.get(), target, -1));
    EXPECT_TRUE(Library::hasPackage(b, other));
    EXPECT_TRUE(Library::record(b, other));
    EXPECT_FALSE(Library::hasPackage(b, lib.myLibrary));
}

TEST(LibraryLists, RowMenusFollowTheRowKind)
{
    Library lib;
    FlagsReset flags;
    lib.library->createSearchFilter("eggs", "eggs");
    ZQSpaceListView spaces;
    spaces.setSpaceDocument(unowned(lib.library));
    spaces.reloadSpaces();
    auto* model = spaces.spaceModel();
    const QStringList exports = {"Preview in HTML", "Preview in PDF", "Preview in RTF", "-", "Export HTML",
                                 "Export PDF",      "Export RTF",     "Export Markdown", "-"};
    EXPECT_EQ(menuTitles(spaces.menuForIndex(model->indexOfFolder(lib.myLibrary)).get()),
              exports + QStringList({"Rename Library", "-", "Move to Trash"}));
    EXPECT_EQ(menuTitles(spaces.menuForIndex(model->indexOfFolder(ZQSpaceFolder::trash())).get()),
              exports + QStringList({"Empty Trash"}));
    for (const QString& none : {ZQSpaceFolder::libraryTitle(), ZQSpaceFolder::filters(), ZQSpaceFolder::tags()})
        EXPECT_FALSE(spaces.menuForIndex(model->indexOfFolder(none))) << none.toStdString();
    const QModelIndex filters = model->indexOfFolder(ZQSpaceFolder::filters());
    ASSERT_EQ(model->rowCount(filters), 1);
    EXPECT_EQ(menuTitles(spaces.menuForIndex(model->index(0, 0, filters)).get()), (QStringList{"Rename", "-", "Delete"}));

    // A page in a saved filter, a page in the trash.
    auto list = lib.show(lib.myLibrary);
    ZQPageListView pages;
    pages.setPageListDocument(list);
    lib.page("# Eggs\n");
    const int row = pages.pageModel()->rowCount() - 1;
    ZQAppFlags::inFilters = true;
    EXPECT_EQ(menuTitles(pages.menuForRow(row).get()), exports + QStringList({"Show in Enclosing Library", "-", "Move to Trash"}));
    ZQAppFlags::inFilters = false;
    ZQAppFlags::inTrash = true;
    EXPECT_EQ(menuTitles(pages.menuForRow(row).get()), exports + QStringList({"Put Back", "-", "Permanently Delete"}));
    ZQAppFlags::inTrash = false;
    ZQAppFlags::inTags = true;
    EXPECT_FALSE(pages.menuForRow(row));
    EXPECT_FALSE(pages.menuForRow(0)) << "a title row";
}

TEST(LibraryLists, SpaceDragsKeepLibrariesOutOfOtherRowsAndEmptyTrashErasesTheTrash)
{
    Library lib;
    const QString second = lib.library->createSpace("Second");
    ZQSpaceListView spaces;
    spaces.setSpaceDocument(unowned(lib.library));
    spaces.reloadSpaces();
    auto* model = spaces.spaceModel();
    const QModelIndex mine = model->indexOfFolder(lib.myLibrary);
    spaces.keepDraggedSpaces({model->indexOfFolder(second)});
    EXPECT_FALSE(spaces.canDropSpaces(mine, -1)) << "a library onto another library";
    EXPECT_TRUE(spaces.canDropSpaces(mine, 0)) << "between its children";
    EXPECT_FALSE(spaces.canDropSpaces(QModelIndex(), 0)) << "above the library title";
    EXPECT_FALSE(spaces.canDropSpaces(model->indexOfFolder(ZQSpaceFolder::filters()), -1));
    EXPECT_TRUE(spaces.canDropSpaces(model->indexOfFolder(ZQSpaceFolder::trash()), -1));

    // Into the trash by its menu, then the trash emptied.
    spaces.runMenuAction("Move to Trash", model->indexOfFolder(second));
    const QModelIndex trash = model->indexOfFolder(ZQSpaceFolder::trash());
    ASSERT_EQ(model->rowCount(trash), 1);
    EXPECT_EQ(model->index(0, 0, trash).data(ZQSpaceListModel::FolderRole).toString(), second);
    EXPECT_EQ(lib.cloud->spaces.back(), (CloudCall{12, second, "Second", ZQSpaceFolder::trash(), QString()}));

    lib.show(lib.myLibrary);
    const QString page = lib.page("# Old\n");
    lib.library->movePage(page, lib.myLibrary, ZQSpaceFolder::trash());
    lib.panels->queueAlertResponse(0);
    spaces.runMenuAction("Empty Trash", model->indexOfFolder(ZQSpaceFolder::trash()));
    ASSERT_EQ(lib.panels->alerts().size(), 1u);
    EXPECT_EQ(lib.panels->alerts().back().informativeText, QString::fromUtf8("You can\u2019t undo this action."));
    EXPECT_EQ(model->rowCount(model->indexOfFolder(ZQSpaceFolder::trash())), 0);
    EXPECT_FALSE(lib.library->spaceRecord(second));
    EXPECT_FALSE(Library::record(page, ZQSpaceFolder::trash()));
    EXPECT_FALSE(Library::hasPackage(page, ZQSpaceFolder::trash()));
}

class RecordingHost final : public ZQSearchFieldHost {
public:
    void selectFilterSpace() override
    {
        ++selected;
        ZQAppFlags::inFilters = true;
    }
    void searchFinished(qsizetype listed) override { results << listed; }
    void filterSaved(const QString& folder) override { saved << folder; }
    int selected = 0;
    QList<qsizetype> results;
    QStringList saved;
};

TEST(LibraryLists, TypedWordsSearchOnceAfterTheDelayAndASavedFilterBringsThemBack)
{
    Library lib;
    FlagsReset flags;
    lib.show(lib.myLibrary);
    const QString eggs = lib.page("# Breakfast\n\neggs and toast\n");
    lib.page("# Lunch\n\nsoup\n");
    lib.index->waitUntilAllWritesAreDone();

    RecordingHost host;
    ZQSearchField field;
    ZQSaveFilterBtn button;
    field.setIndexer(lib.index);
    field.setSpaceDocument(unowned(lib.library));
    field.setHost(&host);
    field.setSaveFilterBtn(&button);
    QTest::keyClicks(&field, "eggs");
    EXPECT_TRUE(field.isSearchPending());
    EXPECT_TRUE(host.results.isEmpty()) << "nothing before the delay";
    QTRY_COMPARE_WITH_TIMEOUT(host.results.size(), 1, 2000);
    QTest::qWait(ZQSearchField::searchDelayMs + 100);
    EXPECT_EQ(host.results, QList<qsizetype>{1}) << "one search for four keystrokes";
    EXPECT_EQ(host.selected, 1) << "the filters space was selected";
    EXPECT_TRUE(button.isEnabled());

    // The hit under its space's title row.
    const auto filterList = lib.library->filterDocument();
    const auto rows = filterList->sortedRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->valueForKey("type").toInteger(), ZQNodeType::SpaceTitle);
    EXPECT_EQ(rows[1]->valueForKey("uuid").toString(), eggs);

    // Save as Filter, then the filter selected again after a restart.
    field.saveFilter();
    ASSERT_EQ(host.saved.size(), 1);
    EXPECT_TRUE(host.saved.front().startsWith('f') && host.saved.front().endsWith(".filter"));
    const auto filter = lib.library->spaceRecord(host.saved.front());
    ASSERT_TRUE(filter);
    EXPECT_EQ(filter->valueForKey("label").toString(), "eggs");

    ZQSearchField again;
    ZQSaveFilterBtn againButton;
    again.setIndexer(lib.index);
    again.setSpaceDocument(unowned(lib.library));
    again.setHost(&host);
    again.setSaveFilterBtn(&againButton);
    again.currentSpaceFolder(host.saved.front(), "eggs", filter->valueForKey("label").toString());
    again.initSearching();
    EXPECT_EQ(again.text(), "eggs");
    EXPECT_EQ(againButton.labelText(), ZQSearchField::updateFilterTitle());
    EXPECT_EQ(host.results.back(), 1);

    // Clearing the field: no hits, and the button is off.
    again.clear();
    again.enterKey();
    EXPECT_EQ(host.results.back(), 0);
    EXPECT_FALSE(againButton.isEnabled());
    againButton.toggleVisible(false);
    EXPECT_TRUE(againButton.labelText().isEmpty());
    againButton.toggleVisible(true);
    EXPECT_EQ(againButton.labelText(), ZQSearchField::updateFilterTitle());
}

TEST(LibraryLists, ASearchHitOutsideALibrarySpaceIsLeftOut)
{
    Library lib;
    QString folder, uuid;
    const QUrl page = QUrl::fromLocalFile(ZSUtils::pageUrl("p-9.mkqrv", lib.myLibrary).toLocalFile() + "/main.md");
    EXPECT_TRUE(ZQFilterSearch::spaceAndPageOfHit(page, &folder, &uuid));
    EXPECT_EQ(folder, lib.myLibrary);
    EXPECT_EQ(uuid, "p-9.mkqrv");
    for (const QUrl& url : {QUrl::fromLocalFile("/tmp/elsewhere/p-1.mkqrv/main.md"), QUrl::fromLocalFile("/tmp/notes.md")})
        EXPECT_FALSE(ZQFilterSearch::spaceAndPageOfHit(url, &folder, &uuid)) << url.toString().toStdString();
}

class RecordingReveal final : public ZQFileReveal {
public:
    bool reveal(const QString& path) override
    {
        paths << path;
        return true;
    }
    QStringList paths;
};

TEST(LibraryLists, TheCreateMenuNeverTakesTheFocusAndRunsTheChosenRow)
{
    QWidget editor;
    editor.show();
    editor.activateWindow();
    int created = 0, linked = 0;
    ZQLibraryPopover popover([&] { ++created; }, [&] { ++linked; });
    popover.showPopover(&editor, QRect(0, 0, 20, 20));
    ASSERT_TRUE(popover.isShown());
    EXPECT_TRUE(popover.window()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_FALSE(popover.window()->isActiveWindow());
    EXPECT_EQ(popover.menu()->item(0)->text(), "Create Library");
    EXPECT_EQ(popover.menu()->item(1)->text(), "Link External Folder");
    const QRect second = popover.menu()->visualItemRect(popover.menu()->item(1));
    QTest::mouseClick(popover.menu()->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(linked, 1);
    EXPECT_EQ(created, 0);
    EXPECT_FALSE(popover.isShown());

    // Reveal goes through the installed seam.
    const auto reveal = std::make_shared<RecordingReveal>();
    ZQFileReveal::setCurrent(reveal);
    EXPECT_TRUE(ZQFileReveal::current()->reveal("/tmp"));
    ZQFileReveal::setCurrent(nullptr);
    EXPECT_EQ(reveal->paths, QStringList{"/tmp"});
}

} // namespace
