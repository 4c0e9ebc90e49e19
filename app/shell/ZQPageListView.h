#pragma once
// The page list of the library window: the pages of the shown space and of
// the spaces below it under their title rows. Selecting a page asks the host
// to open it; the context menu previews, exports, trashes, restores and
// reveals pages; pages are reordered and moved between spaces by drag and drop.

#include "app/library/ZQPageListModel.h"
#include "app/library/ZQSpaceListDocument.h"

#include <QListView>
#include <QStyledItemDelegate>

class QMenu;

// What the list asks of the library window.
class ZQPageListHost {
public:
    virtual ~ZQPageListHost() = default;
    // A page row was selected (none: the selection left the pages).
    virtual void pageChosen(const plat::ManagedObjectPtr& page) = 0;
    // "Show in Enclosing Library".
    virtual void openPageInSpace(const QString& pageUuid, const QString& spaceFolder) = 0;
    // Previews and exports, by the menu title.
    virtual void exportPage(const QString& action, const plat::ManagedObjectPtr& page) = 0;
    // The outline button of a page row is under the pointer.
    virtual void showPageOutline(const QString& pageUuid, const QRect& buttonRect) { (void)pageUuid, (void)buttonRect; }
};

// Title rows 20 high; page rows 78 high with the title, the date, the file
// name of a linked-folder page and the outline button.
class ZQPageCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int groupHeight = 20;
    static constexpr int pageHeight = 78;
    // Where a page row's outline button sits.
    static QRect outlineButtonRect(const QRect& row);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class ZQPageListView : public QListView {
    Q_OBJECT
public:
    explicit ZQPageListView(QWidget* parent = nullptr);

    ZQPageListModel* pageModel() const { return m_model; }
    void setSpaceDocument(std::shared_ptr<ZQSpaceListDocument> document) { m_spaceDocument = std::move(document); }
    // Shows this page list (none: nothing), its tree's selection with it.
    void setPageListDocument(ZQPageListDocumentPtr document);
    // Not owned.
    void setHost(ZQPageListHost* host) { m_host = host; }

    // The context menu of a row as it would pop up; none over a title row or in the tags space.
    std::unique_ptr<QMenu> menuForRow(int row);
    // Drag and drop as the list performs them (also used by tests).
    bool canDrop(int targetRow, bool onto) const;
    bool dropPages(int targetRow, bool onto);
    // Starts a drag of the rows (kept until a drop on this list).
    void keepDraggedRows(const QList<int>& rows);
    const std::vector<plat::ManagedObjectPtr>& draggedPages() const { return m_dragPages; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void takeDocumentSelection();
    void runMenuAction(const QString& title, int row);
    void movedPage(const plat::ManagedObjectPtr& page, qsizetype toRow);

    ZQPageListModel* m_model;
    std::shared_ptr<ZQSpaceListDocument> m_spaceDocument;
    ZQPageListHost* m_host = nullptr;
    std::vector<plat::ManagedObjectPtr> m_dragPages;
    QString m_hoveredOutline;
    bool m_syncing = false;
};
