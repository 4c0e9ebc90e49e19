// The library outlines' tree: selection, index paths, flattening and the
// renumbering that keeps a reorder across fetches.

#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQTreeController.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"

#include <QUuid>
#include <gtest/gtest.h>

using plat::Value;

namespace {

struct Tree {
    ZQTreeController controller;
    std::map<QString, plat::ManagedObjectPtr> records;

    ZQTreeNodePtr node(const QString& title, bool isSystem = false, std::vector<ZQTreeNodePtr> children = {})
    {
        const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
        const auto record = ZSCoreDataUtil::createSpaceRecord(QUuid::createUuid().toString(QUuid::Id128), nullptr, title,
                                                             isSystem ? ZQSpaceType::Trash : ZQSpaceType::Library,
                                                             isSystem, context);
        record->setValue(Value(qint64(99)), "sortIndex");
        records[title] = record;
        auto result = std::make_shared<ZQTreeNode>(record);
        result->setChildNodes(std::move(children));
        return result;
    }

    // a (b, c (d)), e, Trash
    Tree()
    {
        controller.setArrangedNodes({node("a", false, {node("b"), node("c", false, {node("d")})}), node("e"),
                                     node("Trash", true)});
    }
    ~Tree() { ZSCoreData::sharedCoredData()->spaceObjectContext()->reset(); }

    qint64 sortIndex(const QString& title) { return records[title]->valueForKey("sortIndex").toInteger(); }
};

TEST(TreeController, IndexPathsAndSelection)
{
    Tree tree;
    EXPECT_EQ(tree.controller.indexPathOfObject(tree.records["d"]), ZQIndexPath({0, 1, 0}));
    EXPECT_EQ(tree.controller.indexPathOfObject(tree.records["e"]), ZQIndexPath({1}));
    EXPECT_FALSE(tree.controller.indexPathOfObject(nullptr));
    EXPECT_EQ(ZQTreeController::indexPathOfObject(tree.records["d"], tree.controller.arrangedNodes()[0]->childNodes(), {0}),
              ZQIndexPath({0, 1, 0}));
    EXPECT_FALSE(ZQTreeController::indexPathOfObject(tree.records["e"], tree.controller.arrangedNodes()[0]->childNodes()));

    EXPECT_EQ(tree.controller.firstSelectedObject(), nullptr);
    tree.controller.setSelectionIndexPaths({{0, 1, 0}, {7}, {1}});
    EXPECT_EQ(tree.controller.selectionIndexPaths().size(), 2u) << "a path to no node is dropped";
    EXPECT_EQ(tree.controller.firstSelectedObject(), tree.records["d"]);
}

TEST(TreeController, FlatteningListsSiblingsBeforeTheirDescendants)
{
    Tree tree;
    QStringList order;
    for (const auto& node : tree.controller.flattenedNodes())
        order << node->representedObject()->valueForKey("title").toString();
    EXPECT_EQ(order, QStringList({"a", "e", "Trash", "b", "c", "d"}));
}

TEST(TreeController, RenumberingGivesSiblingsTheirPositions)
{
    Tree tree;
    tree.controller.updateSortOrderOfModelObjects();
    for (const auto& [title, index] : std::vector<std::pair<QString, qint64>>{{"a", 0}, {"e", 1}, {"b", 0}, {"c", 1}, {"d", 0}})
        EXPECT_EQ(tree.sortIndex(title), index) << title.toStdString();
    EXPECT_EQ(tree.sortIndex("Trash"), 99) << "system spaces keep theirs";

    tree.controller.updateSortOrderOfModelObjectsForPages();
    for (const auto& [title, index] : std::vector<std::pair<QString, qint64>>{{"a", 1}, {"e", 2}, {"Trash", 3}, {"b", 1}, {"c", 2}, {"d", 1}})
        EXPECT_EQ(tree.sortIndex(title), index) << title.toStdString();
}

} // namespace
