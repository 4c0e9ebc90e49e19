#pragma once
// The arranged tree of records behind the space list and the page list, with
// its selection, and the operations the library needs on it: the first
// selected record, a record's index path, every node, and renumbering after
// the user reordered rows so that the stored order survives the next fetch.

#include "platform/store/ManagedObject.h"

#include <memory>
#include <optional>
#include <vector>

using ZQIndexPath = std::vector<qsizetype>;

class ZQTreeNode;
using ZQTreeNodePtr = std::shared_ptr<ZQTreeNode>;

class ZQTreeNode {
public:
    explicit ZQTreeNode(plat::ManagedObjectPtr representedObject) : m_representedObject(std::move(representedObject)) {}

    const plat::ManagedObjectPtr& representedObject() const { return m_representedObject; }
    const std::vector<ZQTreeNodePtr>& childNodes() const { return m_childNodes; }
    void setChildNodes(std::vector<ZQTreeNodePtr> children) { m_childNodes = std::move(children); }
    bool isLeaf() const { return m_childNodes.empty(); }
    void insertChildNode(qsizetype index, ZQTreeNodePtr node);
    void removeChildNode(qsizetype index);

private:
    plat::ManagedObjectPtr m_representedObject;
    std::vector<ZQTreeNodePtr> m_childNodes;
};

// Told of each change to the top-level nodes, before and after, so a view's
// row model changes only the rows concerned.
class ZQTreeListener {
public:
    virtual ~ZQTreeListener() = default;
    virtual void treeWillReset() {}
    virtual void treeDidReset() {}
    virtual void treeWillInsert(qsizetype index) { (void)index; }
    virtual void treeDidInsert() {}
    virtual void treeWillRemove(qsizetype index) { (void)index; }
    virtual void treeDidRemove() {}
    virtual void treeWillMove(qsizetype from, qsizetype to) { (void)from, (void)to; }
    virtual void treeDidMove() {}
    virtual void treeNodeChanged(qsizetype index) { (void)index; }
    virtual void treeSelectionChanged() {}
};

class ZQTreeController {
public:
    // Not owned; the listener removes itself before it goes.
    void setListener(ZQTreeListener* listener) { m_listener = listener; }
    ZQTreeListener* listener() const { return m_listener; }

    // The top-level nodes, in the order they are shown.
    const std::vector<ZQTreeNodePtr>& arrangedNodes() const { return m_arrangedNodes; }
    void setArrangedNodes(std::vector<ZQTreeNodePtr> nodes);

    // One top-level node in or out; the selection keeps the nodes it held.
    void insertArrangedNode(qsizetype index, ZQTreeNodePtr node);
    void removeArrangedNode(qsizetype index);
    // One top-level node to another place (to: its index once moved); the selection follows it.
    void moveArrangedNode(qsizetype from, qsizetype to);
    // A shown value of the node's record changed (a title, a date).
    void noteArrangedNodeChanged(qsizetype index);

    const std::vector<ZQIndexPath>& selectionIndexPaths() const { return m_selectionIndexPaths; }
    // Paths that lead to no node are dropped.
    void setSelectionIndexPaths(const std::vector<ZQIndexPath>& paths);
    std::vector<plat::ManagedObjectPtr> selectedObjects() const;
    ZQTreeNodePtr nodeAtIndexPath(const ZQIndexPath& path) const;

    plat::ManagedObjectPtr firstSelectedObject() const;
    std::optional<ZQIndexPath> indexPathOfObject(const plat::ManagedObjectPtr& record) const;
    // The search limited to the given nodes (found under the path prefix) and their descendants.
    static std::optional<ZQIndexPath> indexPathOfObject(const plat::ManagedObjectPtr& record,
                                                        const std::vector<ZQTreeNodePtr>& inNodes,
                                                        const ZQIndexPath& prefix = {});
    // Every node once: each block of siblings, then their descendants branch by branch.
    std::vector<ZQTreeNodePtr> flattenedNodes() const;
    static void flattenedNodes(std::vector<ZQTreeNodePtr>& list, const std::vector<ZQTreeNodePtr>& children);

    // Nothing is saved: the caller saves the context.
    void updateSortOrderOfModelObjects() const;
    void updateSortOrderOfModelObjectsForPages() const;

private:
    std::vector<ZQTreeNodePtr> m_arrangedNodes;
    std::vector<ZQIndexPath> m_selectionIndexPaths;
    ZQTreeListener* m_listener = nullptr;
};
