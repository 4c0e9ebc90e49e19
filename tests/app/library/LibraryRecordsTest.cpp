// The meaning of the library's records: the order of the space list, group
// titles, renumbering, space entities and the name/value rows.

#include "app/library/ZQCoreData.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQSpaceEntity.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Date.h"

#include <QDir>
#include <QUuid>
#include <gtest/gtest.h>

using plat::Value;

namespace {

QString newSpaceFolder(const char* prefix = "s")
{
    return QLatin1String(prefix) + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

plat::ManagedObjectPtr space(const QString& title, qint32 type, bool isSystem, const plat::ManagedObjectPtr& parent = nullptr)
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    return ZSCoreDataUtil::createSpaceRecord(newSpaceFolder(), parent, title, type, isSystem, context);
}

QStringList titles(const std::vector<plat::ManagedObjectPtr>& spaces)
{
    QStringList result;
    for (const auto& record : spaces)
        result << record->valueForKey("title").toString();
    return result;
}

TEST(LibraryRecords, TheSpaceListReadsInTheLibrarysOrder)
{
    std::vector<plat::ManagedObjectPtr> spaces = {
        space("Trash", ZQSpaceType::Trash, true),
        space("Tags", ZQSpaceType::Tags, true),
        space("Filters", ZQSpaceType::FiltersRoot, true),
        space("ext divider", ZQSpaceType::LinkedDivider, false),
        space("Linked", ZQSpaceType::LinkedFolder, false),
        space("ext title", ZQSpaceType::LinkedTitle, false),
        space("divider", ZQSpaceType::LibraryDivider, false),
        space("Second", ZQSpaceType::Library, false),
        space("First", ZQSpaceType::Library, false),
        space("library title", ZQSpaceType::LibraryTitle, false),
    };
    // Same type and sort index: the newer one first.
    spaces[7]->setValue(Value(plat::Date::fromSeconds(1000)), "createdDate");
    spaces[8]->setValue(Value(plat::Date::fromSeconds(2000)), "createdDate");
    ZQLibraryRecords::sortSpaces(spaces);
    EXPECT_EQ(titles(spaces), QStringList({"library title", "First", "Second", "divider", "ext title", "Linked",
                                           "ext divider", "Filters", "Tags", "Trash"}));

    // A lower sort index wins over a newer date.
    spaces[1]->setValue(Value(qint64(5)), "sortIndex");
    ZQLibraryRecords::sortSpaces(spaces);
    EXPECT_EQ(titles(spaces).mid(1, 2), QStringList({"Second", "First"}));
    ZSCoreData::sharedCoredData()->spaceObjectContext()->reset();
}

TEST(LibraryRecords, RenumberingSkipsSystemSpacesAndNumbersPagesFromOne)
{
    const std::vector<plat::ManagedObjectPtr> siblings = {
        space("a", ZQSpaceType::Library, false), space("b", ZQSpaceType::Library, false),
        space("Trash", ZQSpaceType::Trash, true)};
    siblings[2]->setValue(Value(qint64(42)), "sortIndex");
    ZQLibraryRecords::renumberSpaces(siblings);
    EXPECT_EQ(siblings[0]->valueForKey("sortIndex").toInteger(), 0);
    EXPECT_EQ(siblings[1]->valueForKey("sortIndex").toInteger(), 1);
    EXPECT_EQ(siblings[2]->valueForKey("sortIndex").toInteger(), 42);

    const QString folder = newSpaceFolder();
    const std::vector<plat::ManagedObjectPtr> pages = {
        ZSCoreDataUtil::createPageRecord("p-1.mkqrv", std::nullopt, folder, QString(), Value()),
        ZSCoreDataUtil::createPageRecord("p-2.mkqrv", std::nullopt, folder, QString(), Value())};
    ZQLibraryRecords::renumberPages(pages);
    EXPECT_EQ(pages[0]->valueForKey("sortIndex").toInteger(), 1);
    EXPECT_EQ(pages[1]->valueForKey("sortIndex").toInteger(), 2);
    ZSCoreData::sharedCoredData()->spaceObjectContext()->reset();
}

TEST(LibraryRecords, GroupTitlesShowTheAncestorsAsThePreferenceSays)
{
    const auto top = space("Top", ZQSpaceType::Library, false);
    const auto middle = space("Middle", ZQSpaceType::Library, false, top);
    const auto leaf = space("Leaf", ZQSpaceType::Library, false, middle);
    struct Case {
        qint64 mode;
        const char* leaf;
    };
    for (const Case c : {Case{0, "Leaf"}, Case{1, "../../Leaf"}, Case{2, "Top/Middle/Leaf"}, Case{3, "Leaf"}}) {
        EXPECT_EQ(ZQSpaceEntity::groupTitle(leaf, c.mode), QString::fromUtf8(c.leaf)) << c.mode;
        EXPECT_EQ(ZQSpaceEntity::groupTitle(top, c.mode), "Top") << "a top-level space in mode " << c.mode;
    }
    ZSCoreData::sharedCoredData()->spaceObjectContext()->reset();
}

TEST(LibraryRecords, SpaceEntitiesAreTheirFolderAndMakeIt)
{
    const QString folder = newSpaceFolder();
    const ZQSpaceEntity first(folder, "One");
    const ZQSpaceEntity second(folder, "Two");
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::hash<ZQSpaceEntity>()(first), std::hash<ZQSpaceEntity>()(second));
    EXPECT_FALSE(first == ZQSpaceEntity(newSpaceFolder(), "One"));
    EXPECT_TRUE(QDir(first.spaceUrl().toLocalFile()).exists());
    EXPECT_EQ(first.spaceStoreUrl().fileName(), "workspace.sql");
    EXPECT_EQ(first.spaceGroupTitle(), "One");

    const auto record = space("Recorded", ZQSpaceType::Library, false);
    const ZQSpaceEntity fromRecord(record);
    EXPECT_EQ(fromRecord.spaceObj(), record);
    EXPECT_EQ(fromRecord.spaceTitle(), "Recorded");
    EXPECT_TRUE(QDir(fromRecord.spaceUrl().toLocalFile()).exists());
    ZSCoreData::sharedCoredData()->spaceObjectContext()->reset();
}

TEST(LibraryRecords, NameValueRowsHoldArchivedValuesPerStore)
{
    const QString root = newSpaceFolder();
    const QString child = newSpaceFolder();
    ZQCoreData data;
    data.pageVisibleObjectContext(root, {ZSUtils::databaseUrl("workspace.sql", root),
                                         ZSUtils::databaseUrl("workspace.sql", child)});
    ASSERT_TRUE(data.managedObjectContext());

    std::optional<ZQErrorValue> error;
    EXPECT_FALSE(data.getValueFromNameValueTable("SpaceDefault", "selectedPages", root, &error));
    EXPECT_FALSE(error) << "a key never written is no error";

    const Value selected(plat::ValueList{Value(qint64(0)), Value(qint64(3))});
    ASSERT_TRUE(data.updateNameValueTable("SpaceDefault", "selectedPages", selected, root));
    ASSERT_TRUE(data.updateNameValueTable("SpaceDefault", "selectedPages", Value(plat::ValueList{Value(qint64(7))}), child));
    ASSERT_TRUE(Exs::persistAndWait(data.managedObjectContext()));

    const auto fromRoot = data.getValueFromNameValueTable("SpaceDefault", "selectedPages", root);
    ASSERT_TRUE(fromRoot);
    EXPECT_EQ(*fromRoot, selected);
    const auto fromChild = data.getValueFromNameValueTable("SpaceDefault", "selectedPages", child);
    ASSERT_TRUE(fromChild);
    EXPECT_EQ(fromChild->toList().size(), 1u);

    // Writing again replaces the row instead of adding one.
    ASSERT_TRUE(data.updateNameValueTable("SpaceDefault", "selectedPages", Value(plat::ValueList{}), root));
    ASSERT_TRUE(Exs::persistAndWait(data.managedObjectContext()));
    plat::FetchRequest all("SpaceDefault");
    all.affectedStores = {data.pageStore(root)};
    EXPECT_EQ(data.managedObjectContext()->countForFetchRequest(all).value_or(-1), 1);
}

} // namespace
