#include "app/library/ZQTreeController.h"

#include <algorithm>

#include "app/library/ZQLibraryRecords.h"

namespace {

std::vector<plat::ManagedObjectPtr> recordsOf(const std::vector<ZQTreeNodePtr>& nodes)
{
    std::vector<plat::ManagedObjectPtr> records;
    records.reserve(nodes.size());
    for (const auto& node : nodes)
        records.push_back(node->representedObject());
    return records;
}

// Each block of siblings, each visited once.
template <typename Visit>
void forEachSiblingGroup(const std::vector<ZQTreeNodePtr>& roots, const Visit& visit)
{
    std::vector<const std::vector<ZQTreeNodePtr>*> pending = {&roots};
    while (!pending.empty()) {
        const auto* group = pending.back();
        pending.pop_back();
        visit(*group);
        for (const auto& node : *group)
            if (!node->isLeaf())
                pending.push_back(&node->childNodes());
    }
}

} // namespace

void ZQTreeNode::insertChildNode(qsizetype index, ZQTreeNodePtr node)
{
    index = std::clamp<qsizetype>(index, 0, qsizetype(m_childNodes.size()));
    m_childNodes.insert(m_childNodes.begin() + index, std::move(node));
}

void ZQTreeNode::removeChildNode(qsizetype index)
{
    if (index >= 0 && index < qsizetype(m_childNodes.size()))
        m_childNodes.erase(m_childNodes.begin() + index);
}

void ZQTreeController::setArrangedNodes(std::vector<ZQTreeNodePtr> nodes)
{
    if (m_listener)
        m_listener->treeWillReset();
    m_arrangedNodes = std::move(nodes);
    setSelectionIndexPaths(m_selectionIndexPaths);
    if (m_listener)
        m_listener->treeDidReset();
}

void ZQTreeController::insertArrangedNode(qsizetype index, ZQTreeNodePtr node)
{
    index = std::clamp<qsizetype>(index, 0, qsizetype(m_arrangedNodes.size()));
    if (m_listener)
        m_listener->treeWillInsert(index);
    m_arrangedNodes.insert(m_arrangedNodes.begin() + index, std::move(node));
    for (auto& path : m_selectionIndexPaths)
        if (!path.empty() && path.front() >= index)
            ++path.front();
    if (m_listener)
        m_listener->treeDidInsert();
}

void ZQTreeController::moveArrangedNode(qsizetype from, qsizetype to)
{
    const qsizetype count = qsizetype(m_arrangedNodes.size());
    if (from < 0 || from >= count || from == to)
        return;
    to = std::clamp<qsizetype>(to, 0, count - 1);
    if (from == to)
        return;
    if (m_listener)
        m_listener->treeWillMove(from, to);
    ZQTreeNodePtr node = m_arrangedNodes[size_t(from)];
    m_arrangedNodes.erase(m_arrangedNodes.begin() + from);
    m_arrangedNodes.insert(m_arrangedNodes.begin() + to, std::move(node));
    for (auto& path : m_selectionIndexPaths) {
        if (path.empty())
            continue;
        qsizetype& at = path.front();
        if (at == from)
            at = to;
        else if (from < at && at <= to)
            --at;
        else if (to <= at && at < from)
            ++at;
    }
    if (m_listener)
        m_listener->treeDidMove();
}

void ZQTreeController::noteArrangedNodeChanged(qsizetype index)
{
    if (m_listener && index >= 0 && index < qsizetype(m_arrangedNodes.size()))
        m_listener->treeNodeChanged(index);
}

void ZQTreeController::removeArrangedNode(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_arrangedNodes.size()))
        return;
    if (m_listener)
        m_listener->treeWillRemove(index);
    m_arrangedNodes.erase(m_arrangedNodes.begin() + index);
    std::vector<ZQIndexPath> kept;
    for (auto path : m_selectionIndexPaths) {
        if (path.empty() || path.front() == index)
            continue;
        if (path.front() > index)
            --path.front();
        kept.push_back(std::move(path));
    }
    m_selectionIndexPaths = std::move(kept);
    if (m_listener)
        m_listener->treeDidRemove();
}

void ZQTreeController::setSelectionIndexPaths(const std::vector<ZQIndexPath>& paths)
{
    std::vector<ZQIndexPath> kept;
    for (const auto& path : paths)
        if (nodeAtIndexPath(path))
            kept.push_back(path);
    const bool changed = kept != m_selectionIndexPaths;
    m_selectionIndexPaths = std::move(kept);
    if (changed && m_listener)
        m_listener->treeSelectionChanged();
}

ZQTreeNodePtr ZQTreeController::nodeAtIndexPath(const ZQIndexPath& path) const
{
    const std::vector<ZQTreeNodePtr>* level = &m_arrangedNodes;
    ZQTreeNodePtr node;
    for (const qsizetype index : path) {
        if (index < 0 || index >= qsizetype(level->size()))
            return nullptr;
        node = (*level)[size_t(index)];
        level = &node->childNodes();
    }
    return node;
}

std::vector<plat::ManagedObjectPtr> ZQTreeController::selectedObjects() const
{
    std::vector<plat::ManagedObjectPtr> objects;
    for (const auto& path : m_selectionIndexPaths)
        objects.push_back(nodeAtIndexPath(path)->representedObject());
    return objects;
}

plat::ManagedObjectPtr ZQTreeController::firstSelectedObject() const
{
    return m_selectionIndexPaths.empty() ? nullptr : nodeAtIndexPath(m_selectionIndexPaths.front())->representedObject();
}

std::optional<ZQIndexPath> ZQTreeController::indexPathOfObject(const plat::ManagedObjectPtr& record) const
{
    return indexPathOfObject(record, m_arrangedNodes);
}

std::optional<ZQIndexPath> ZQTreeController::indexPathOfObject(const plat::ManagedObjectPtr& record,
                                                              const std::vector<ZQTreeNodePtr>& inNodes,
                                                              const ZQIndexPath& prefix)
{
    if (!record)
        return std::nullopt;
    // Depth first, in order; an explicit stack of (siblings, next index).
    struct Level {
        const std::vector<ZQTreeNodePtr>* nodes;
        size_t next;
    };
    std::vector<Level> stack = {{&inNodes, 0}};
    ZQIndexPath path = prefix;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.nodes->size()) {
            stack.pop_back();
            if (!stack.empty())
                path.pop_back();
            continue;
        }
        const auto& node = (*level.nodes)[level.next];
        const qsizetype index = qsizetype(level.next++);
        if (node->representedObject() == record) {
            path.push_back(index);
            return path;
        }
        if (!node->isLeaf()) {
            path.push_back(index);
            stack.push_back({&node->childNodes(), 0});
        }
    }
    return std::nullopt;
}

std::vector<ZQTreeNodePtr> ZQTreeController::flattenedNodes() const
{
    std::vector<ZQTreeNodePtr> list;
    flattenedNodes(list, m_arrangedNodes);
    return list;
}

void ZQTreeController::flattenedNodes(std::vector<ZQTreeNodePtr>& list, const std::vector<ZQTreeNodePtr>& children)
{
    list.insert(list.end(), children.begin(), children.end());
    for (const auto& node : children)
        if (!node->isLeaf())
            flattenedNodes(list, node->childNodes());
}

void ZQTreeController::updateSortOrderOfModelObjects() const
{
    forEachSiblingGroup(m_arrangedNodes, [](const std::vector<ZQTreeNodePtr>& siblings) {
        ZQLibraryRecords::renumberSpaces(recordsOf(siblings));
    });
}

void ZQTreeController::updateSortOrderOfModelObjectsForPages() const
{
    forEachSiblingGroup(m_arrangedNodes, [](const std::vector<ZQTreeNodePtr>& siblings) {
        ZQLibraryRecords::renumberPages(recordsOf(siblings));
    });
}
