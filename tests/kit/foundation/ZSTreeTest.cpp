#include "kit/foundation/ZSTree.h"
#include "support/QStringPrinting.h"
#include "kit/model/ZQTextNode.h"

#include <QSet>
#include <gtest/gtest.h>
#include <unordered_set>

// Named, not anonymous: the fixture is the base of the test classes below.
namespace tree_test {

class Label : public plat::Object {
public:
    explicit Label(QString name) : name(std::move(name)) {}
    QString className() const override { return QStringLiteral("Label"); }
    QString description() const override { return name; }
    QString name;
};

plat::ObjectPtr label(const char* name)
{
    return std::make_shared<Label>(QString::fromUtf8(name));
}

QString nameOf(const ZSTree& node)
{
    if (auto l = plat::objectCast<Label>(node.object()))
        return l->name;
    return node ? QStringLiteral("R") : QStringLiteral("-");
}

// R(A(A1, A2(A2x)), B, C(C1)) under a root that holds a text node.
class TreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = ZSTree::treeForRoot();
        for (const char* name : {"A", "B", "C"})
            root.appendChildObject(label(name));
        a = root.childAtIndex(0);
        c = root.childAtIndex(2);
        a.appendChildObject(label("A1"));
        a.appendChildObject(label("A2"));
        a.childAtIndex(1).appendChildObject(label("A2x"));
        c.appendChildObject(label("C1"));
    }

    ZSTree node(const char* name) const
    {
        ZSTree found;
        root.enumerateTreeRootFirst([&](const ZSTree& n, bool* stop) {
            if (nameOf(n) == QString::fromUtf8(name)) {
                found = n;
                *stop = true;
            }
        });
        return found;
    }

    ZSTree root, a, c;
};

using Walk = std::function<void(const ZSTree&, const ZSTree::NodeBlock&)>;

QString collect(const ZSTree& start, const Walk& walk)
{
    QStringList names;
    walk(start, [&](const ZSTree& n, bool*) { names << nameOf(n); });
    return names.join(u' ');
}

QString collectSiblings(const ZSTree& start, bool children, qint64 direction)
{
    QStringList calls;
    const ZSTree::SiblingBlock block = [&](const ZSTree& n, bool first, bool last, bool*) {
        calls << nameOf(n) + QString::fromUtf8(first ? "<" : "") + QString::fromUtf8(last ? ">" : "");
    };
    children ? start.enumerateTreeChildren(direction, block) : start.enumerateTreeSibling(direction, block);
    return calls.join(u' ');
}

Walk optionWalk(quint64 options)
{
    return [options](const ZSTree& t, const ZSTree::NodeBlock& b) { t.enumerateDescendantsWithOptions(options, b); };
}

const Walk rootFirst = [](const ZSTree& t, const ZSTree::NodeBlock& b) { t.enumerateTreeRootFirst(b); };
const Walk leafFirst = [](const ZSTree& t, const ZSTree::NodeBlock& b) { t.enumerateTreeLeafFirst(b); };

} // namespace tree_test

using namespace tree_test;

TEST_F(TreeTest, NavigationAnswersNodesAndNullWhereThereIsNone)
{
    const ZSTree a2x = node("A2x");
    EXPECT_EQ(nameOf(a2x.parent()), "A2");
    EXPECT_EQ(a2x.root(), root);
    EXPECT_EQ(root.root(), root);
    EXPECT_EQ(a2x.depth(), 3);
    EXPECT_EQ(a2x.indexPath(), IndexPath({0, 1, 0}));
    EXPECT_EQ(root.indexPath().length(), 0);
    EXPECT_EQ(root.descendantAtIndexPath(IndexPath({0, 1, 0})), a2x);
    EXPECT_EQ(a.descendantAtIndexPath(IndexPath()), a);
    EXPECT_TRUE(root.descendantAtIndexPath(IndexPath({0, 5})).isNull());
    EXPECT_EQ(root.descendantObjectAtIndexPath(IndexPath({2, 0})), node("C1").object());

    EXPECT_EQ(nameOf(a.nextSibling()), "B");
    EXPECT_EQ(nameOf(c.previousSibling()), "B");
    EXPECT_TRUE(a.previousSibling().isNull());
    EXPECT_TRUE(c.nextSibling().isNull());
    EXPECT_TRUE(root.nextSibling().isNull());
    EXPECT_TRUE(root.parent().isNull());
    EXPECT_TRUE(root.childAtIndex(3).isNull());
    EXPECT_TRUE(root.childAtIndex(-1).isNull());
    EXPECT_EQ(nameOf(root.firstLeaf()), "A1");
    EXPECT_EQ(nameOf(root.lastLeaf()), "C1");
    EXPECT_EQ(nameOf(a2x.firstLeaf()), "A2x");
    EXPECT_TRUE(root.isRoot());
    EXPECT_FALSE(a.isRoot());
    EXPECT_TRUE(a2x.isLeaf());
    EXPECT_EQ(a.numberOfChildren(), 2);
    EXPECT_EQ(nameOf(ZSTree(a.node()).lastChild()), "A2");

    // Payload variants answer the payload of the same node.
    EXPECT_EQ(a.firstChildObject(), node("A1").object());
    EXPECT_EQ(a2x.parentObject(), node("A2").object());
    EXPECT_EQ(a2x.rootObject(), root.object());
    EXPECT_EQ(a.nextSiblingObject(), root.childObjectAtIndex(1));

    // Calls on the null handle answer nothing and change nothing.
    const ZSTree none;
    EXPECT_TRUE(none.firstChild().nextSibling().parent().isNull());
    EXPECT_EQ(none.numberOfChildren(), 0);
    EXPECT_FALSE(none.isRoot());
    none.appendChildObject(label("x"));
    none.removeFromParent();
}

TEST_F(TreeTest, HandlesCompareByNodeAndWorkAsKeys)
{
    const ZSTree viaPath = root.descendantAtIndexPath(IndexPath({0, 1}));
    const ZSTree viaSibling = node("A1").nextSibling();
    EXPECT_TRUE(viaPath.isEqual(viaSibling));
    EXPECT_FALSE(viaPath.isEqual(ZSTree()));
    EXPECT_FALSE(ZSTree().isEqual(ZSTree()));
    EXPECT_NE(viaPath, a);

    std::unordered_set<ZSTree> set{viaPath, viaSibling, a};
    QSet<ZSTree> qset{viaPath, viaSibling, a};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_EQ(qset.size(), 2);

    EXPECT_TRUE(a.description().startsWith(u"<ZSTree: 0x"));
    EXPECT_TRUE(a.description().endsWith(u">{children = 2, object = A}"));
}

TEST_F(TreeTest, RootRemembersTheChildLastAppended)
{
    // Inserting at the end does not change what the root remembers.
    root.insertChildObject(label("D"), 3);
    root.insertChild(ZSTree::treeWithObject(label("E")), 0);
    EXPECT_EQ(nameOf(root.lastChild()), "C");
    EXPECT_EQ(nameOf(root.childAtIndex(4)), "D");
    EXPECT_EQ(collectSiblings(root, true, 0), "C< B A E>");
    EXPECT_EQ(nameOf(root.lastLeaf()), "C1");
    // Below the root the last child is the one at the end.
    a.insertChildObject(label("A3"), 2);
    EXPECT_EQ(nameOf(a.lastChild()), "A3");

    // A root without payload remembers nothing.
    const ZSTree bare = ZSTree::treeWithObject(nullptr);
    bare.appendChildObject(label("x"));
    EXPECT_TRUE(bare.lastChild().isNull());
    EXPECT_EQ(collectSiblings(bare, true, 0), "");
    EXPECT_EQ(collectSiblings(bare, true, ZSTree::ChildrenForward), "x<>");
}

TEST_F(TreeTest, RootForgetsItsRememberedChildWhenItIsRemoved)
{
    const std::vector<std::function<void()>> removals = {
        [&] { root.removeChildAtIndex(2); },
        [&] { c.removeFromParent(); },
        [&] { root.removeAllChildren(); },
        [&] { a.insertChild(c, 0); },
        [&] { node("A1").insertSibling(c); },
    };
    for (size_t i = 0; i < removals.size(); ++i) {
        SetUp();
        std::weak_ptr<plat::Object> payload = c.object();
        removals[i]();
        EXPECT_TRUE(root.lastChild().isNull()) << "removal " << i;
        EXPECT_EQ(collectSiblings(root, true, 0), "") << "removal " << i;
        // Appending again is remembered again.
        root.appendChildObject(label("F"));
        EXPECT_EQ(nameOf(root.lastChild()), "F") << "removal " << i;
        if (i < 3) {
            // The removed node lives on as a root while a handle holds it, then goes.
            EXPECT_TRUE(c.isRoot());
            EXPECT_EQ(nameOf(c.firstChild()), "C1");
            c = ZSTree();
            EXPECT_TRUE(payload.expired()) << "removal " << i;
        }
    }
}

TEST_F(TreeTest, RootThatWasAChildForAWhileDoesNotAnswerANodeItGaveAway)
{
    const ZSTree other = ZSTree::treeWithObject(nullptr);
    other.appendChild(root);
    c.removeFromParent(); // root is not a root now, so it does not forget C
    other.childAtIndex(0).removeFromParent();
    EXPECT_TRUE(root.isRoot());
    EXPECT_TRUE(root.lastChild().isNull());
}

TEST_F(TreeTest, ChangesMoveNodesAndRejectMisuse)
{
    // Moving a child within its own parent: the index counts after it was taken out.
    a.insertChild(node("A1"), 1);
    EXPECT_EQ(collect(a, optionWalk(ZSTree::DescendantsChildren)), "A2 A1");
    node("B").insertSibling(node("A2x"));
    EXPECT_EQ(collect(root, optionWalk(ZSTree::DescendantsChildren)), "A B A2x C");
    EXPECT_TRUE(node("A2").isLeaf());
    root.removeChildAtIndex(1);
    EXPECT_EQ(collect(root, optionWalk(ZSTree::DescendantsChildren)), "A A2x C");
    const ZSTree fresh = ZSTree::treeWithObject(label("N"));
    fresh.setObject(label("M"));
    EXPECT_EQ(nameOf(fresh), "M");

    EXPECT_THROW(a.insertChild(node("A1"), 2), plat::RangeError);
    EXPECT_THROW(a.insertChildObject(label("x"), -1), plat::RangeError);
    EXPECT_THROW(a.removeChildAtIndex(2), plat::RangeError);
    EXPECT_THROW(c.appendChild(a.firstChild()), std::invalid_argument);
    EXPECT_THROW(node("C1").appendChild(root), std::invalid_argument);
    EXPECT_THROW(a.insertChild(a, 0), std::invalid_argument);
    EXPECT_THROW(root.insertSibling(fresh), std::invalid_argument);
    EXPECT_THROW(a.appendChild(ZSTree()), std::invalid_argument);
    EXPECT_EQ(collect(root, rootFirst), "R A A2 A1 A2x C C1");
}

TEST_F(TreeTest, WalksVisitInTheirOrder)
{
    struct Case {
        const char* start;
        Walk walk;
        const char* expected;
    };
    const Case cases[] = {
        {"R", rootFirst, "R A A1 A2 A2x B C C1"},
        {"A", rootFirst, "A A1 A2 A2x"},
        {"B", rootFirst, "B"},
        {"R", leafFirst, "A1 A2x A2 A B C1 C R"},
        {"A", leafFirst, "A1 A2x A2 A"},
        {"A1", leafFirst, "A1"},
        {"R", optionWalk(ZSTree::DescendantsChildren), "A B C"},
        {"R", optionWalk(ZSTree::DescendantsBreadthFirst), "R A B C A1 A2 C1 A2x"},
        {"R", optionWalk(ZSTree::DescendantsPreOrder), "R A A1 A2 A2x B C C1"},
        {"R", optionWalk(ZSTree::DescendantsPostOrder), "A1 A2x A2 A B C1 C R"},
        {"R", optionWalk(ZSTree::DescendantsInOrder), "A1 A A2x A2 R B"},
        {"R", optionWalk(ZSTree::DescendantsChildren | ZSTree::DescendantsPreOrder), "A B C"},
        {"R", optionWalk(ZSTree::DescendantsReverse), ""},
        {"R", optionWalk(0), ""},
        {"R", optionWalk(ZSTree::DescendantsReverse | ZSTree::DescendantsPostOrder), "R C C1 B A A2 A2x A1"},
        {"A", optionWalk(ZSTree::DescendantsReverse | ZSTree::DescendantsChildren), "A2 A1"},
    };
    for (const Case& c : cases) {
        const ZSTree start = QString::fromUtf8(c.start) == u"R" ? root : node(c.start);
        EXPECT_EQ(collect(start, c.walk), QString::fromUtf8(c.expected)) << c.start << " " << c.expected;
    }

    EXPECT_EQ(collectSiblings(node("B"), false, ZSTree::SiblingsForward), "B< C>");
    EXPECT_EQ(collectSiblings(node("B"), false, 0), "B< A>");
    EXPECT_EQ(collectSiblings(root, false, ZSTree::SiblingsForward), "R<>");
    EXPECT_EQ(collectSiblings(root, true, ZSTree::ChildrenForward), "A< B C>");
    EXPECT_EQ(collectSiblings(a, true, 7), "A2< A1>");
    EXPECT_EQ(collectSiblings(node("B"), true, ZSTree::ChildrenForward), "");
}

TEST_F(TreeTest, SteeredWalkFollowsTheBlocksAnswer)
{
    QStringList calls;
    int repeats = 0;
    root.enumerateTreeByNextNodeBlock([&](const ZSTree& n, bool*) -> qint64 {
        calls << nameOf(n);
        if (nameOf(n) == u"A")
            return ZSTree::NextNodeSkipChildren;
        if (nameOf(n) == u"C" && repeats++ < 2)
            return 5; // ask again for the same node
        return ZSTree::NextNodeDescend;
    });
    EXPECT_EQ(calls.join(u' '), "R A B C C C C1");

    // At the start node anything but a descent into children ends the walk.
    for (qint64 answer : {ZSTree::NextNodeSkipChildren, qint64(5)}) {
        calls.clear();
        a.enumerateTreeByNextNodeBlock([&](const ZSTree& n, bool*) { calls << nameOf(n); return answer; });
        EXPECT_EQ(calls.join(u' '), "A");
    }
    calls.clear();
    a.enumerateTreeByNextNodeBlock([&](const ZSTree& n, bool*) { calls << nameOf(n); return qint64(0); });
    EXPECT_EQ(calls.join(u' '), "A A1 A2 A2x");
}

TEST_F(TreeTest, EveryWalkEndsWhenTheBlockStops)
{
    const std::vector<std::function<void(int&)>> walks = {
        [&](int& n) { root.enumerateTreeRootFirst([&](const ZSTree&, bool* s) { ++n, *s = true; }); },
        [&](int& n) { root.enumerateTreeLeafFirst([&](const ZSTree&, bool* s) { ++n, *s = true; }); },
        [&](int& n) { root.enumerateTreeByNextNodeBlock([&](const ZSTree&, bool* s) { return ++n, *s = true, 0; }); },
        [&](int& n) { root.enumerateDescendantsWithOptions(8, [&](const ZSTree&, bool* s) { ++n, *s = true; }); },
        [&](int& n) { a.enumerateTreeSibling(2, [&](const ZSTree&, bool, bool, bool* s) { ++n, *s = true; }); },
        [&](int& n) { root.enumerateTreeChildren(3, [&](const ZSTree&, bool, bool, bool* s) { ++n, *s = true; }); },
    };
    for (size_t i = 0; i < walks.size(); ++i) {
        int calls = 0;
        walks[i](calls);
        EXPECT_EQ(calls, 1) << "walk " << i;
    }

    // The flag starts clear before every call.
    int calls = 0;
    root.enumerateTreeRootFirst([&](const ZSTree&, bool* stop) { EXPECT_FALSE(*stop); *stop = ++calls == 3; });
    EXPECT_EQ(calls, 3);
}

TEST_F(TreeTest, WalksSeeChangesTheBlockMakesAheadOrIgnoreThemAsDocumented)
{
    // Root-first and leaf-first decide the next node after the block returns.
    QStringList seen;
    root.enumerateTreeRootFirst([&](const ZSTree& n, bool*) {
        seen << nameOf(n);
        if (nameOf(n) == u"A1")
            node("B").appendChildObject(label("B1"));
        if (nameOf(n) == u"C")
            n.removeAllChildren();
    });
    EXPECT_EQ(seen.join(u' '), "R A A1 A2 A2x B B1 C");

    seen.clear();
    root.enumerateTreeLeafFirst([&](const ZSTree& n, bool*) {
        seen << nameOf(n);
        if (nameOf(n) == u"B1" && n.isLeaf())
            n.appendChildObject(label("B1x"));
    });
    EXPECT_EQ(seen.join(u' '), "A1 A2x A2 A B1 B1x B1 B C R");

    // The option walk lists first: removed nodes are still visited and alive.
    seen.clear();
    root.enumerateDescendantsWithOptions(ZSTree::DescendantsPreOrder, [&](const ZSTree& n, bool*) {
        seen << nameOf(n);
        if (n == root)
            n.removeAllChildren();
        else
            n.appendChildObject(label("new"));
    });
    EXPECT_EQ(seen.join(u' '), "R A A1 A2 A2x B B1 B1x C");
    EXPECT_EQ(root.numberOfChildren(), 0);
}

TEST(TreePrint, WritesOneIndentedLinePerNode)
{
    const ZSTree root = ZSTree::treeForRoot();
    auto quote = std::make_shared<ZQTextNode>();
    quote->setNodeType(ZQNodeType::Quote);
    quote->setContentRange({2, 4});
    quote->setMarkerRange({0, 2});
    quote->setIndentLength(2);
    root.appendChildObject(quote);
    auto blank = std::make_shared<ZQTextNode>();
    blank->setNodeType(ZQNodeType::BlankLine);
    root.firstChild().appendChildObject(blank);
    root.appendChildObject(label("plain"));

    EXPECT_EQ(root.printTidyTree(),
              " T,{0, 0},{0, 0},0\n"
              "  ->  2,{2, 4},{0, 2},2\n"
              "    ->  B,{0, 0},{0, 0},0\n"
              "  ->  plain\n");
    // Printed from an inner node, that node is not indented.
    EXPECT_EQ(root.firstChild().printTidyTree(), " 2,{2, 4},{0, 2},2\n    ->  B,{0, 0},{0, 0},0\n");
    EXPECT_TRUE(root.printTree().startsWith(u" Text; Indent:0;"));
}

TEST(TreeDepth, DeepTreeIsWalkedAndReleasedWithoutRecursion)
{
    std::weak_ptr<plat::Object> deepest;
    {
        ZSTree root = ZSTree::treeForRoot();
        ZSTree node = root;
        for (int i = 0; i < 200000; ++i) {
            node.appendChildObject(label("n"));
            node = node.firstChild();
        }
        deepest = node.object();
        EXPECT_EQ(node.depth(), 200000);
        EXPECT_EQ(root.lastLeaf(), node);
        int visited = 0;
        root.enumerateDescendantsWithOptions(ZSTree::DescendantsPostOrder, [&](const ZSTree&, bool*) { ++visited; });
        EXPECT_EQ(visited, 200001);
    }
    EXPECT_TRUE(deepest.expired());
}
