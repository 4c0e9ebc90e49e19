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

void ZQTreeController::setArrangedNodes(std::vector<ZQTreeNodePtr> nodes)
{
    m_arrangedNodes = std::move(nodes);
    setSelectionIndexPaths(m_selectionIndexPaths);
}

void ZQTreeController::insertArrangedNode(qsizetype index, ZQTreeNodePtr node)
{
    index = std::clamp<qsizetype>(index, 0, qsizetype(m_arrangedNodes.size()));
    m_arrangedNodes.insert(m_arrangedNodes.begin() + index, std::move(node));
    for (auto& path : m_selectionIndexPaths)
        if (!path.empty() && path.front() >= index)
            ++path.front();
}

void ZQTreeController::removeArrangedNode(qsizetype index)
{
    if (index < 0 || index >= qsizetype(m_arrangedNodes.size()))
        return;
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
}

void ZQTreeController::setSelectionIndexPaths(const std::vector<ZQIndexPath>& paths)
{
    std::vector<ZQIndexPath> kept;
    for (const auto& path : paths)
        if (nodeAtIndexPath(path))
            kept.push_back(path);
    m_selectionIndexPaths = std::move(kept);
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
