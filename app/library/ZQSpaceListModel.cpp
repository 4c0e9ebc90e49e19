#include "app/library/ZQSpaceListModel.h"

#include "app/library/ZQLibraryRecords.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "platform/store/Date.h"
#include "platform/store/FetchRequest.h"
#include "platform/store/ManagedObjectContext.h"

#include <QMimeData>

ZQSpaceListModel::ZQSpaceListModel(QObject* parent) : QAbstractItemModel(parent) {}

qint32 ZQSpaceListModel::spaceType(const plat::ManagedObjectPtr& space)
{
    return space ? qint32(space->valueForKey(QStringLiteral("spaceType")).toInteger()) : 0;
}

void ZQSpaceListModel::reload()
{
    const auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    std::vector<plat::ManagedObjectPtr> spaces =
        context->executeFetchRequest(plat::FetchRequest(QStringLiteral("Space"))).value_or(std::vector<plat::ManagedObjectPtr>());
    ZQLibraryRecords::sortSpaces(spaces);
    beginResetModel();
    m_parents.clear();
    m_nodes.clear();
    std::unordered_map<const plat::ManagedObject*, ZQTreeNodePtr> made;
    for (const auto& space : spaces)
        made.emplace(space.get(), std::make_shared<ZQTreeNode>(space));
    std::vector<ZQTreeNodePtr> roots;
    // Sorted once, so each block of siblings comes out in order.
    for (const auto& space : spaces) {
        const ZQTreeNodePtr& node = made[space.get()];
        const auto parent = ZQLibraryRecords::parentOf(space);
        const auto it = parent ? made.find(parent.get()) : made.end();
        if (it == made.end()) {
            roots.push_back(node);
            m_parents[node.get()] = nullptr;
        } else {
            it->second->insertChildNode(qsizetype(it->second->childNodes().size()), node);
            m_parents[node.get()] = it->second.get();
        }
        m_nodes[space.get()] = node.get();
    }
    m_tree.setArrangedNodes(std::move(roots));
    endResetModel();
}

const std::vector<ZQTreeNodePtr>& ZQSpaceListModel::childrenOf(const ZQTreeNode* parent) const
{
    return parent ? parent->childNodes() : m_tree.arrangedNodes();
}

void ZQSpaceListModel::insertChild(ZQTreeNode* parent, int row, ZQTreeNodePtr node)
{
    if (parent)
        parent->insertChildNode(row, std::move(node));
    else
        m_tree.insertArrangedNode(row, std::move(node));
}

void ZQSpaceListModel::removeChild(ZQTreeNode* parent, int row)
{
    if (parent)
        parent->removeChildNode(row);
    else
        m_tree.removeArrangedNode(row);
}

ZQTreeNode* ZQSpaceListModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<ZQTreeNode*>(index.internalPointer()) : nullptr;
}

ZQTreeNode* ZQSpaceListModel::parentNode(const ZQTreeNode* node) const
{
    const auto it = m_parents.find(node);
    return it == m_parents.end() ? nullptr : it->second;
}

int ZQSpaceListModel::rowOf(const ZQTreeNode* node) const
{
    const auto& siblings = childrenOf(parentNode(node));
    for (size_t row = 0; row < siblings.size(); ++row)
        if (siblings[row].get() == node)
            return int(row);
    return -1;
}

QModelIndex ZQSpaceListModel::indexOfNode(ZQTreeNode* node) const
{
    const int row = node ? rowOf(node) : -1;
    return row < 0 ? QModelIndex() : createIndex(row, 0, node);
}

ZQTreeNode* ZQSpaceListModel::nodeOfRecord(const plat::ManagedObjectPtr& space) const
{
    const auto it = space ? m_nodes.find(space.get()) : m_nodes.end();
    return it == m_nodes.end() ? nullptr : it->second;
}

plat::ManagedObjectPtr ZQSpaceListModel::record(const QModelIndex& index) const
{
    const ZQTreeNode* node = nodeOf(index);
    return node ? node->representedObject() : nullptr;
}

QModelIndex ZQSpaceListModel::indexOfRecord(const plat::ManagedObjectPtr& space) const
{
    return indexOfNode(nodeOfRecord(space));
}

QModelIndex ZQSpaceListModel::indexOfFolder(const QString& folder) const
{
    for (const auto& [record, node] : m_nodes)
        if (record->valueForKey(QStringLiteral("folder")).toString() == folder)
            return indexOfNode(node);
    return QModelIndex();
}

QModelIndex ZQSpaceListModel::indexOfPath(const ZQIndexPath& path) const
{
    const ZQTreeNodePtr node = m_tree.nodeAtIndexPath(path);
    return node ? createIndex(int(path.back()), 0, node.get()) : QModelIndex();
}

ZQIndexPath ZQSpaceListModel::pathOfIndex(const QModelIndex& index) const
{
    ZQIndexPath path;
    for (QModelIndex at = index; at.isValid(); at = at.parent())
        path.insert(path.begin(), at.row());
    return path;
}

int ZQSpaceListModel::sortedRow(ZQTreeNode* parent, const plat::ManagedObjectPtr& space) const
{
    const auto& siblings = childrenOf(parent);
    const auto at = std::upper_bound(siblings.begin(), siblings.end(), space, [](const auto& record, const ZQTreeNodePtr& node) {
        return ZQLibraryRecords::spaceOrderLess(record, node->representedObject());
    });
    return int(at - siblings.begin());
}

void ZQSpaceListModel::adopt(const ZQTreeNodePtr& node, ZQTreeNode* parent)
{
    m_parents[node.get()] = parent;
    m_nodes[node->representedObject().get()] = node.get();
    for (const auto& child : node->childNodes())
        adopt(child, node.get());
}

void ZQSpaceListModel::forget(const ZQTreeNodePtr& node)
{
    for (const auto& child : node->childNodes())
        forget(child);
    m_parents.erase(node.get());
    m_nodes.erase(node->representedObject().get());
}

void ZQSpaceListModel::insertSpace(const plat::ManagedObjectPtr& space)
{
    if (!space || nodeOfRecord(space))
        return;
    ZQTreeNode* parent = nodeOfRecord(ZQLibraryRecords::parentOf(space));
    const int row = sortedRow(parent, space);
    auto node = std::make_shared<ZQTreeNode>(space);
    beginInsertRows(indexOfNode(parent), row, row);
    insertChild(parent, row, node);
    adopt(node, parent);
    endInsertRows();
}

void ZQSpaceListModel::removeSpace(const plat::ManagedObjectPtr& space)
{
    ZQTreeNode* node = nodeOfRecord(space);
    if (!node)
        return;
    ZQTreeNode* parent = parentNode(node);
    const int row = rowOf(node);
    const ZQTreeNodePtr held = childrenOf(parent)[size_t(row)];
    beginRemoveRows(indexOfNode(parent), row, row);
    removeChild(parent, row);
    forget(held);
    endRemoveRows();
}

void ZQSpaceListModel::updateSpace(const plat::ManagedObjectPtr& space)
{
    ZQTreeNode* node = nodeOfRecord(space);
    if (!node) {
        insertSpace(space);
        return;
    }
    ZQTreeNode* oldParent = parentNode(node);
    ZQTreeNode* newParent = nodeOfRecord(ZQLibraryRecords::parentOf(space));
    const int from = rowOf(node);
    const ZQTreeNodePtr held = childrenOf(oldParent)[size_t(from)];
    // Its place among its siblings without it.
    removeChild(oldParent, from);
    int to = sortedRow(newParent, space);
    insertChild(newParent, from, held);
    if (oldParent == newParent && to == from) {
        const QModelIndex changed = createIndex(from, 0, node);
        emit dataChanged(changed, changed);
        return;
    }
    const QModelIndex source = indexOfNode(oldParent);
    const QModelIndex target = indexOfNode(newParent);
    beginMoveRows(source, from, from, target, oldParent == newParent && to >= from ? to + 1 : to);
    removeChild(oldParent, from);
    insertChild(newParent, to, held);
    m_parents[node] = newParent;
    endMoveRows();
}

void ZQSpaceListModel::moveSpace(const plat::ManagedObjectPtr& space, const ZQIndexPath& to)
{
    ZQTreeNode* node = nodeOfRecord(space);
    if (!node || to.empty())
        return;
    ZQIndexPath parentPath(to.begin(), to.end() - 1);
    const ZQTreeNodePtr parentHeld = parentPath.empty() ? nullptr : m_tree.nodeAtIndexPath(parentPath);
    if (!parentPath.empty() && !parentHeld)
        return;
    ZQTreeNode* newParent = parentHeld.get();
    // Never into itself or below itself.
    for (ZQTreeNode* at = newParent; at; at = parentNode(at))
        if (at == node)
            return;
    ZQTreeNode* oldParent = parentNode(node);
    const int from = rowOf(node);
    int row = int(std::clamp<qsizetype>(to.back(), 0, qsizetype(childrenOf(newParent).size())));
    const ZQTreeNodePtr held = childrenOf(oldParent)[size_t(from)];
    if (oldParent == newParent && (row == from || row == from + 1)) {
        // Already there.
    } else {
        beginMoveRows(indexOfNode(oldParent), from, from, indexOfNode(newParent), row);
        removeChild(oldParent, from);
        if (oldParent == newParent && row > from)
            --row;
        insertChild(newParent, row, held);
        m_parents[node] = newParent;
        endMoveRows();
    }
    space->setValue(newParent ? plat::Value(newParent->representedObject()) : plat::Value(), QStringLiteral("parent"));
}

QModelIndex ZQSpaceListModel::index(int row, int column, const QModelIndex& parent) const
{
    const auto& children = childrenOf(nodeOf(parent));
    if (column != 0 || row < 0 || row >= int(children.size()))
        return QModelIndex();
    return createIndex(row, 0, children[size_t(row)].get());
}

QModelIndex ZQSpaceListModel::parent(const QModelIndex& child) const
{
    const ZQTreeNode* node = nodeOf(child);
    return node ? indexOfNode(parentNode(node)) : QModelIndex();
}

int ZQSpaceListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(childrenOf(nodeOf(parent)).size());
}

int ZQSpaceListModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ZQSpaceListModel::data(const QModelIndex& index, int role) const
{
    const plat::ManagedObjectPtr space = record(index);
    if (!space)
        return QVariant();
    const qint32 type = spaceType(space);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (type == ZQSpaceType::LibraryTitle)
            return QStringLiteral("Library");
        if (type == ZQSpaceType::LinkedTitle)
            return QStringLiteral("Folders in Mac");
        if (type == ZQSpaceType::LibraryDivider || type == ZQSpaceType::LinkedDivider)
            return QString();
        return ZQLibraryRecords::pageTitle(space);
    case FolderRole:
        return space->valueForKey(QStringLiteral("folder")).toString();
    case SpaceTypeRole:
        return type;
    default:
        return QVariant();
    }
}

bool ZQSpaceListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const plat::ManagedObjectPtr space = record(index);
    const QString title = value.toString().trimmed();
    // An empty title is refused, the old one stays.
    if (role != Qt::EditRole || !space || title.isEmpty())
        return false;
    if (m_renameHandler) {
        if (!m_renameHandler(space, title))
            return false;
    } else {
        space->setValue(plat::Value(title), QStringLiteral("title"));
        space->setValue(plat::Value(plat::Date::now()), QStringLiteral("modifiedDate"));
        Exs::persist(ZSCoreData::sharedCoredData()->spaceObjectContext());
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags ZQSpaceListModel::flags(const QModelIndex& index) const
{
    const plat::ManagedObjectPtr space = record(index);
    if (!space)
        return Qt::ItemIsDropEnabled;
    const qint32 type = spaceType(space);
    if (ZQLibraryRecords::isDecoration(type))
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    const bool system = space->valueForKey(QStringLiteral("isSystem")).toBool();
    if (!system)
        flags |= Qt::ItemIsDragEnabled;
    if (!system || type == ZQSpaceType::SavedFilter)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QStringList ZQSpaceListModel::mimeTypes() const
{
    return {ZQSpacePasteboardType(), QStringLiteral("com.zolfarin.quorvel.PagePBoardType")};
}

QMimeData* ZQSpaceListModel::mimeData(const QModelIndexList&) const
{
    // The view keeps the dragged rows; the type alone marks the drag.
    auto* data = new QMimeData;
    data->setData(ZQSpacePasteboardType(), QByteArray());
    return data;
}
