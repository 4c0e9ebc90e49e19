#pragma once
// An ordered tree of payload objects, handled through light value handles.
// A node owns its children and its payload; its parent is a weak link, so a
// node removed from its parent lives on as a root while a handle holds it.
// Every navigation returns a new handle; handles compare by the node they
// stand for. A null handle answers null, 0 or nothing to every question and
// ignores changes, so chains such as tree.firstChild().nextSibling() are safe.
// Changes are const members: they change the tree, never the handle.

#include "kit/foundation/IndexPath.h"
#include "platform/foundation/Object.h"

#include <QHashFunctions>
#include <QString>
#include <functional>
#include <memory>

class ZSTreeNode;

// What a payload may add to the tree. A root whose payload remembers its last
// child answers lastChild() from that memory alone; the block parser relies on
// it to find the open block in constant time. A payload is an object of a
// single line of bases, so that casts to the node type stay cheap.
class ZSTreePayload : public plat::Object {
public:
    virtual std::weak_ptr<ZSTreeNode> rememberedLastChild() const = 0;
    virtual void setRememberedLastChild(std::weak_ptr<ZSTreeNode> child) = 0;
    // The short form used by tidy descriptions.
    virtual QString tidyDescription() const = 0;
};

class ZSTree {
public:
    // Directions of the sibling and children walks; any other value walks backward.
    static constexpr qint64 SiblingsForward = 2;
    static constexpr qint64 ChildrenForward = 3;

    // Results of the steered walk's block; any other value visits the node again.
    static constexpr qint64 NextNodeDescend = 0;
    static constexpr qint64 NextNodeSkipChildren = 1;

    // Option bits of enumerateDescendantsWithOptions; the first list bit set wins.
    enum DescendantOption : quint64 {
        DescendantsReverse = 1,
        DescendantsChildren = 2,
        DescendantsBreadthFirst = 4,
        DescendantsPreOrder = 8,
        DescendantsPostOrder = 16,
        DescendantsInOrder = 32,
    };

    using SiblingBlock = std::function<void(const ZSTree& node, bool isFirst, bool isLast, bool* stop)>;
    using NodeBlock = std::function<void(const ZSTree& node, bool* stop)>;
    using NextNodeBlock = std::function<qint64(const ZSTree& node, bool* stop)>;

    // The null handle.
    ZSTree() = default;
    // A handle on an existing node.
    explicit ZSTree(std::shared_ptr<ZSTreeNode> node) : m_node(std::move(node)) {}

    // A new root holding the payload (which may be null).
    static ZSTree treeWithObject(plat::ObjectPtr object);
    // A new root holding a new root payload from the factory the payload's
    // layer installs (the text node); without one the root holds none.
    static ZSTree treeForRoot();
    static void setRootPayloadFactory(std::function<plat::ObjectPtr()> factory);

    bool isNull() const { return !m_node; }
    explicit operator bool() const { return bool(m_node); }
    const std::shared_ptr<ZSTreeNode>& node() const { return m_node; }

    bool isEqual(const ZSTree& other) const { return m_node && m_node == other.m_node; }
    friend bool operator==(const ZSTree& a, const ZSTree& b) { return a.m_node == b.m_node; }
    friend bool operator!=(const ZSTree& a, const ZSTree& b) { return !(a == b); }
    std::size_t hash() const { return std::hash<const void*>()(m_node.get()); }
    // "<ZSTree: address>{children = n, object = payload}".
    QString description() const;

    plat::ObjectPtr object() const;
    void setObject(plat::ObjectPtr object) const;

    ZSTree parent() const;
    plat::ObjectPtr parentObject() const { return parent().object(); }
    ZSTree root() const;
    plat::ObjectPtr rootObject() const { return root().object(); }

    qsizetype numberOfChildren() const;
    ZSTree childAtIndex(qsizetype index) const;
    plat::ObjectPtr childObjectAtIndex(qsizetype index) const { return childAtIndex(index).object(); }
    ZSTree firstChild() const { return childAtIndex(0); }
    plat::ObjectPtr firstChildObject() const { return firstChild().object(); }
    // At a root: the child last appended (see appendChild), whatever was inserted after it.
    ZSTree lastChild() const;
    plat::ObjectPtr lastChildObject() const { return lastChild().object(); }

    ZSTree nextSibling() const;
    plat::ObjectPtr nextSiblingObject() const { return nextSibling().object(); }
    ZSTree previousSibling() const;
    plat::ObjectPtr previousSiblingObject() const { return previousSibling().object(); }

    ZSTree firstLeaf() const;
    ZSTree lastLeaf() const;
    bool isLeaf() const { return numberOfChildren() == 0; }
    bool isRoot() const { return m_node && parent().isNull(); }
    qsizetype depth() const;

    IndexPath indexPath() const;
    ZSTree descendantAtIndexPath(const IndexPath& path) const;
    plat::ObjectPtr descendantObjectAtIndexPath(const IndexPath& path) const
    {
        return descendantAtIndexPath(path).object();
    }

    // Appending to a root also remembers the appended node as the root's last child,
    // in the root payload's text node. The appended node must not have a parent.
    void appendChildObject(plat::ObjectPtr object) const;
    void appendChild(const ZSTree& child) const;
    // Takes the child from its parent first; index may equal the number of children.
    void insertChild(const ZSTree& child, qsizetype index) const;
    void insertChildObject(plat::ObjectPtr object, qsizetype index) const;
    // Places the sibling right after this node, which must not be a root.
    void insertSibling(const ZSTree& sibling) const;
    void removeChildAtIndex(qsizetype index) const;
    void removeAllChildren() const;
    void removeFromParent() const;

    void enumerateTreeSibling(qint64 direction, const SiblingBlock& block) const;
    void enumerateTreeChildren(qint64 direction, const SiblingBlock& block) const;
    void enumerateTreeRootFirst(const NodeBlock& block) const;
    void enumerateTreeLeafFirst(const NodeBlock& block) const;
    void enumerateTreeByNextNodeBlock(const NextNodeBlock& block) const;
    // The nodes to visit are listed before the first call: changes made by the block
    // do not change the walk, and every listed node stays alive until it ends.
    void enumerateDescendantsWithOptions(quint64 options, const NodeBlock& block) const;

    // One line per node of the subtree, also written to the log.
    QString printTree() const;
    // The same with the text nodes' short descriptions.
    QString printTidyTree() const;

private:
    // The node after this one in a pre-order walk that skips this node's children,
    // not leaving the subtree of top.
    ZSTree nextSkippingChildren(const ZSTree& top) const;
    QString print(bool tidy) const;

    std::shared_ptr<ZSTreeNode> m_node;
};

template <>
struct std::hash<ZSTree> {
    std::size_t operator()(const ZSTree& tree) const noexcept { return tree.hash(); }
};

inline size_t qHash(const ZSTree& tree, size_t seed = 0) noexcept
{
    return qHash(tree.node().get(), seed);
}
