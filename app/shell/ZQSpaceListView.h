#pragma once
// The outline of spaces in the library window's left pane: libraries,
// linked folders, filters, tags and the trash between their title and divider
// rows. Selecting a row asks the host to show that space; rows have their
// menus, titles are renamed in place, spaces are dragged within the outline
// and pages dropped onto spaces, and the trash is emptied from here.

#include "app/library/ZQSpaceListDocument.h"
#include "app/library/ZQSpaceListModel.h"

#include <QStyledItemDelegate>
#include <QTreeView>

class QMenu;

class ZQSpaceListHost {
public:
    virtual ~ZQSpaceListHost() = default;
    // The selected space (never a title or divider row).
    virtual void spaceSelected(const plat::ManagedObjectPtr& space) = 0;
    // Previews and exports of a space and those below it, by the menu title.
    virtual void exportSpace(const QString& action, const plat::ManagedObjectPtr& space) { (void)action, (void)space; }
};

// Title rows 22 high, dividers 29 high drawn as a thin line, spaces 29 high.
class ZQSpaceCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class ZQSpaceListView : public QTreeView {
    Q_OBJECT
public:
    static QString emptyTrashMessage() { return QStringLiteral("Are you sure you want to permanently erase the items in the Trash?"); }
    static QString emptyTrashInformation() { return QStringLiteral("You can\u2019t undo this action."); }
    static QString deleteSpaceMessage() { return QStringLiteral("This will result in the PERMANENT deletion of current space."); }
    static QString deleteSpaceInformation() { return QStringLiteral("Deleted space can not be restored."); }

    explicit ZQSpaceListView(QWidget* parent = nullptr);

    ZQSpaceListModel* spaceModel() const { return m_model; }
    void setSpaceDocument(std::shared_ptr<ZQSpaceListDocument> document) { m_spaceDocument = std::move(document); }
    // Not owned.
    void setHost(ZQSpaceListHost* host) { m_host = host; }

    // Fetches the spaces again, expands those stored expanded and keeps the selection.
    void reloadSpaces();
    bool selectSpace(const QString& folder);
    QString selectedFolder() const;
    void editAtIndexPath(const ZQIndexPath& path);

    std::unique_ptr<QMenu> menuForIndex(const QModelIndex& index);
    void runMenuAction(const QString& title, const QModelIndex& index);

    // Drops as the outline performs them (also used by tests). childIndex -1 is onto the item.
    bool canDropPages(const std::vector<QString>& pageFolders, const std::vector<QString>& dropboxPaths,
                      const QModelIndex& item, int childIndex) const;
    bool dropPages(const QMimeData* data, const QModelIndex& item, int childIndex);
    void keepDraggedSpaces(const QModelIndexList& indexes);
    bool canDropSpaces(const QModelIndex& item, int childIndex) const;
    bool dropSpaces(const QModelIndex& item, int childIndex);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    qint32 typeAt(const QModelIndex& index) const { return ZQSpaceListModel::spaceType(m_model->record(index)); }
    qint32 topLevelRowOfType(qint32 type) const;
    bool liesInTrash(const QModelIndex& index) const;
    void saveExpansion();
    void finishSpaceMove(const std::vector<plat::ManagedObjectPtr>& moved);
    // The drop place of an event: the item and the child index (-1 onto it).
    std::pair<QModelIndex, int> dropPlace(const QDropEvent* event) const;

    ZQSpaceListModel* m_model;
    std::shared_ptr<ZQSpaceListDocument> m_spaceDocument;
    ZQSpaceListHost* m_host = nullptr;
    std::vector<plat::ManagedObjectPtr> m_dragSpaces;
    bool m_restoring = false;
};
