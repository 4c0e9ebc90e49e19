#pragma once
// The outline of spaces for a view: the space records nested by parent, in
// the library's order, with the title and divider rows. A space added,
// renamed, moved or removed changes its own row alone.

#include "app/library/ZQTreeController.h"

#include <QAbstractItemModel>
#include <functional>
#include <unordered_map>

class ZQSpaceListModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role {
        FolderRole = Qt::UserRole + 1,
        SpaceTypeRole,
    };
    // Decides a typed title: false refuses the edit. The default stores it.
    using RenameHandler = std::function<bool(const plat::ManagedObjectPtr& space, const QString& title)>;

    explicit ZQSpaceListModel(QObject* parent = nullptr);

    // Fetches every space of the main store again.
    void reload();
    ZQTreeController& spaceTreeController() { return m_tree; }
    void setRenameHandler(RenameHandler handler) { m_renameHandler = std::move(handler); }

    plat::ManagedObjectPtr record(const QModelIndex& index) const;
    QModelIndex indexOfRecord(const plat::ManagedObjectPtr& space) const;
    QModelIndex indexOfFolder(const QString& folder) const;
    QModelIndex indexOfPath(const ZQIndexPath& path) const;
    ZQIndexPath pathOfIndex(const QModelIndex& index) const;
    static qint32 spaceType(const plat::ManagedObjectPtr& space);

    // One record into its sorted place under its parent, out, or to its new
    // parent and place after its parent or order changed.
    void insertSpace(const plat::ManagedObjectPtr& space);
    void removeSpace(const plat::ManagedObjectPtr& space);
    void updateSpace(const plat::ManagedObjectPtr& space);
    // A node to a given place (the index path of its new position), keeping
    // its children; the record's parent is set to match.
    void moveSpace(const plat::ManagedObjectPtr& space, const ZQIndexPath& to);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction | Qt::CopyAction; }

private:
    ZQTreeNode* nodeOf(const QModelIndex& index) const;
    ZQTreeNode* parentNode(const ZQTreeNode* node) const;
    const std::vector<ZQTreeNodePtr>& childrenOf(const ZQTreeNode* parent) const;
    void insertChild(ZQTreeNode* parent, int row, ZQTreeNodePtr node);
    void removeChild(ZQTreeNode* parent, int row);
    int rowOf(const ZQTreeNode* node) const;
    QModelIndex indexOfNode(ZQTreeNode* node) const;
    void adopt(const ZQTreeNodePtr& node, ZQTreeNode* parent);
    void forget(const ZQTreeNodePtr& node);
    ZQTreeNode* nodeOfRecord(const plat::ManagedObjectPtr& space) const;
    int sortedRow(ZQTreeNode* parent, const plat::ManagedObjectPtr& space) const;

    ZQTreeController m_tree;
    std::unordered_map<const ZQTreeNode*, ZQTreeNode*> m_parents;
    std::unordered_map<const plat::ManagedObject*, ZQTreeNode*> m_nodes;
    RenameHandler m_renameHandler;
};
