#include "app/shell/ZQSpaceListView.h"

#include "app/library/ZQCloudEngine.h"
#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQPagePasteboard.h"
#include "app/shell/ZQFileReveal.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/panels/Panels.h"
#include "platform/store/Date.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace {

const QStringList kSpaceExportTitles = {QStringLiteral("Preview in HTML"), QStringLiteral("Preview in PDF"),
                                        QStringLiteral("Preview in RTF"),  QString(),
                                        QStringLiteral("Export HTML"),     QStringLiteral("Export PDF"),
                                        QStringLiteral("Export RTF"),      QStringLiteral("Export Markdown")};

QString folderOf(const plat::ManagedObjectPtr& space)
{
    return space ? space->valueForKey(QStringLiteral("folder")).toString() : QString();
}

bool isTitleOrDivider(qint32 type)
{
    return type == ZQSpaceType::LibraryTitle || type == ZQSpaceType::LibraryDivider || type == ZQSpaceType::LinkedTitle ||
           type == ZQSpaceType::LinkedDivider;
}

void saveMainContext()
{
    Exs::persist(ZSCoreData::sharedCoredData()->spaceObjectContext());
}

} // namespace

QSize ZQSpaceCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const qint32 type = index.data(ZQSpaceListModel::SpaceTypeRole).toInt();
    const bool title = type == ZQSpaceType::LibraryTitle || type == ZQSpaceType::LinkedTitle;
    return QSize(option.rect.width(), title ? 22 : 29);
}

void ZQSpaceCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const qint32 type = index.data(ZQSpaceListModel::SpaceTypeRole).toInt();
    if (type == ZQSpaceType::LibraryDivider || type == ZQSpaceType::LinkedDivider) {
        painter->save();
        painter->setPen(QPen(QColor(0, 0, 0, 40), 0.5));
        const qreal y = option.rect.top() + option.rect.height() / 2.0 - 1;
        painter->drawLine(QPointF(0, y), QPointF(option.widget ? option.widget->width() : option.rect.right(), y));
        painter->restore();
        return;
    }
    if (type == ZQSpaceType::LibraryTitle || type == ZQSpaceType::LinkedTitle) {
        painter->save();
        QFont font = option.font;
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(QColor(130, 130, 130));
        painter->drawText(option.rect.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
        painter->restore();
        return;
    }
    QStyleOptionViewItem row = option;
    if (row.state & QStyle::State_Selected) {
        painter->fillRect(option.rect, QColor(144, 144, 144, 128));
        row.state &= ~QStyle::State_Selected;
    }
    QStyledItemDelegate::paint(painter, row, index);
}

ZQSpaceListView::ZQSpaceListView(QWidget* parent) : QTreeView(parent), m_model(new ZQSpaceListModel(this))
{
    setObjectName(QStringLiteral("spaceListView"));
    setModel(m_model);
    setItemDelegate(new ZQSpaceCellDelegate(this));
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setFrameShape(QFrame::NoFrame);
    setIndentation(14);
    setUniformRowHeights(false);
    connect(this, &QTreeView::expanded, this, [this] { saveExpansion(); });
    connect(this, &QTreeView::collapsed, this, [this] { saveExpansion(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent, int first, int last) {
        for (int row = first; row <= last; ++row)
            setFirstColumnSpanned(row, parent, true);
    });
}

void ZQSpaceListView::reloadSpaces()
{
    const QString selected = selectedFolder();
    m_restoring = true;
    m_model->reload();
    // Expanded as stored, top to bottom.
    for (const auto& node : m_model->spaceTreeController().flattenedNodes()) {
        const auto& space = node->representedObject();
        if (!node->isLeaf() && space->valueForKey(QStringLiteral("expandState")).toBool())
            expand(m_model->indexOfRecord(space));
    }
    m_restoring = false;
    if (!selected.isEmpty())
        selectSpace(selected);
}

bool ZQSpaceListView::selectSpace(const QString& folder)
{
    const QModelIndex index = m_model->indexOfFolder(folder);
    if (!index.isValid())
        return false;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    setCurrentIndex(index);
    return true;
}

QString ZQSpaceListView::selectedFolder() const
{
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? QString() : folderOf(m_model->record(rows.first()));
}

void ZQSpaceListView::editAtIndexPath(const ZQIndexPath& path)
{
    const QModelIndex index = m_model->indexOfPath(path);
    if (index.isValid())
        edit(index);
}

void ZQSpaceListView::saveExpansion()
{
    if (m_restoring)
        return;
    for (const auto& node : m_model->spaceTreeController().flattenedNodes()) {
        const QModelIndex index = m_model->indexOfRecord(node->representedObject());
        node->representedObject()->setValue(plat::Value(isExpanded(index)), QStringLiteral("expandState"));
    }
    saveMainContext();
}

void ZQSpaceListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    if (isTitleOrDivider(typeAt(rows.first()))) {
        // A title or divider row hands the selection to the first real space.
        for (int row = 1; row < m_model->rowCount(); ++row) {
            const QModelIndex candidate = m_model->index(row, 0);
            if (!isTitleOrDivider(typeAt(candidate))) {
                setCurrentIndex(candidate);
                return;
            }
        }
        return;
    }
    if (m_host)
        m_host->spaceSelected(m_model->record(rows.first()));
}

qint32 ZQSpaceListView::topLevelRowOfType(qint32 type) const
{
    // From the last row upwards.
    for (int row = m_model->rowCount() - 1; row >= 0; --row)
        if (typeAt(m_model->index(row, 0)) == type)
            return row;
    return -1;
}

bool ZQSpaceListView::liesInTrash(const QModelIndex& index) const
{
    return ZQLibraryRecords::liesInTrash(m_model->record(index));
}

std::unique_ptr<QMenu> ZQSpaceListView::menuForIndex(const QModelIndex& index)
{
    const plat::ManagedObjectPtr space = m_model->record(index);
    const qint32 type = ZQSpaceListModel::spaceType(space);
    if (!space || type == ZQSpaceType::FiltersRoot || type == ZQSpaceType::Tags || isTitleOrDivider(type))
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const QPersistentModelIndex at(index);
    const auto add = [&](const QString& title, bool enabled = true) {
        if (title.isEmpty()) {
            menu->addSeparator();
            return;
        }
        QAction* action = menu->addAction(title);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, title, at] { runMenuAction(title, at); });
    };
    if (type == ZQSpaceType::SavedFilter) {
        add(QStringLiteral("Rename"));
        add(QString());
        add(QStringLiteral("Delete"));
        return menu;
    }
    for (const QString& title : kSpaceExportTitles)
        add(title);
    add(QString());
    const bool inTrash = type != ZQSpaceType::Trash && liesInTrash(index);
    if (type == ZQSpaceType::Trash) {
        add(QStringLiteral("Empty Trash"));
    } else if (inTrash) {
        add(QStringLiteral("Put Back"));
        add(QString());
        add(QStringLiteral("Permanently Delete"));
    } else if (type == ZQSpaceType::LinkedFolder) {
        const bool root = !ZQLibraryRecords::parentOf(space);
        add(QStringLiteral("New Folder"));
        add(QStringLiteral("Rename Folder"), !root);
        add(QStringLiteral("Reveal in Finder"));
        add(QStringLiteral("Properties..."));
        add(QString());
        add(root ? QStringLiteral("Unlink Folder") : QStringLiteral("Trash Folder"));
    } else {
        add(QStringLiteral("Rename Library"));
        add(QString());
        add(QStringLiteral("Move to Trash"));
    }
    return menu;
}

void ZQSpaceListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (const auto menu = index.isValid() ? menuForIndex(index) : nullptr)
        menu->exec(event->globalPos());
}

void ZQSpaceListView::runMenuAction(const QString& title, const QModelIndex& index)
{
    const plat::ManagedObjectPtr space = m_model->record(index);
    if (!space)
        return;
    const QString folder = folderOf(space);
    const QString selected = selectedFolder();
    const auto selectionWithin = [&](const QString& parent) {
        return !selected.isEmpty() && m_spaceDocument && m_spaceDocument->isChildrenSpaceFolder(selected, parent);
    };
    const auto cloud = ZQCloudEngine::sharedCloudKit();
    if (kSpaceExportTitles.contains(title)) {
        if (m_host)
            m_host->exportSpace(title, space);
    } else if (title.startsWith(QStringLiteral("Rename"))) {
        edit(index);
    } else if (title == QStringLiteral("Reveal in Finder")) {
        ZQFileReveal::current()->reveal(ZQLibraryRecords::spaceFolderPath(space));
    } else if (title == QStringLiteral("Delete")) {
        const bool wasSelected = selectionWithin(folder);
        if (m_spaceDocument)
            m_spaceDocument->deleteSearchFilter(folder);
        m_model->removeSpace(space);
        selectSpace(wasSelected ? ZQSpaceFolder::filters() : selected);
    } else if (title == QStringLiteral("Move to Trash")) {
        if (const auto parent = ZQLibraryRecords::parentOf(space)) {
            space->setValue(plat::Value(folderOf(parent)), QStringLiteral("sourceParentFolder"));
            space->setValue(plat::Value(qint64(index.row())), QStringLiteral("sourceIndexPath"));
        }
        if (m_spaceDocument && m_spaceDocument->currentSpace())
            m_spaceDocument->currentSpace()->saveCurrentPage();
        const QModelIndex trash = m_model->indexOfFolder(ZQSpaceFolder::trash());
        ZQIndexPath to = m_model->pathOfIndex(trash);
        to.push_back(0);
        m_model->moveSpace(space, to);
        m_model->spaceTreeController().updateSortOrderOfModelObjects();
        saveMainContext();
        if (m_spaceDocument && m_spaceDocument->indexService())
            m_spaceDocument->indexService()->removeIndexesForSpace(folder, true);
        cloud->doSpaceAction(12, folder, ZQLibraryRecords::pageTitle(space), ZQSpaceFolder::trash(), true);
    } else if (title == QStringLiteral("Put Back")) {
        const QString formerParent = space->valueForKey(QStringLiteral("sourceParentFolder")).toString();
        const QModelIndex parent = formerParent.isEmpty() ? QModelIndex() : m_model->indexOfFolder(formerParent);
        ZQIndexPath to;
        if (parent.isValid()) {
            const qint64 stored = space->valueForKey(QStringLiteral("sourceIndexPath")).toInteger();
            // Back at its old place when the sibling before it is still there, else first.
            const qint64 before = std::max<qint64>(0, stored - 1);
            to = m_model->pathOfIndex(parent);
            to.push_back(m_model->index(int(before), 0, parent).isValid() ? stored : 0);
        } else {
            to = {std::max(0, topLevelRowOfType(ZQSpaceType::FiltersRoot) - 1)};
        }
        space->setValue(plat::Value(QString()), QStringLiteral("sourceParentFolder"));
        space->setValue(plat::Value(qint64(0)), QStringLiteral("sourceIndexPath"));
        m_model->moveSpace(space, to);
        cloud->doSpaceAction(12, folder, ZQLibraryRecords::pageTitle(space), parent.isValid() ? formerParent : QString(), true);
        m_model->spaceTreeController().updateSortOrderOfModelObjects();
        saveMainContext();
        if (m_spaceDocument && m_spaceDocument->indexService())
            m_spaceDocument->indexService()->rebuildIndexingForSpace(folder, true);
    } else if (title == QStringLiteral("Empty Trash")) {
        plat::AlertRequest sheet{emptyTrashMessage(), emptyTrashInformation(), {QStringLiteral("OK")},
                                 plat::AlertRequest::Style::Warning, QString(), false};
        const bool wasWithin = selectionWithin(ZQSpaceFolder::trash());
        if (plat::Panels::current()->runAlert(sheet) != 0 || !m_spaceDocument)
            return;
        std::vector<QString> children;
        for (int row = 0; row < m_model->rowCount(index); ++row)
            children.push_back(folderOf(m_model->record(m_model->index(row, 0, index))));
        for (const QString& child : children)
            m_spaceDocument->deleteSpace(child, true);
        if (const auto trashList = m_spaceDocument->getPageListDocument(ZQSpaceFolder::trash(), false)) {
            for (const auto& page : trashList->getAllPages())
                if (page->valueForKey(QStringLiteral("type")).toInteger() == ZQNodeType::Page)
                    m_spaceDocument->deletePage(page->valueForKey(QStringLiteral("uuid")).toString(),
                                                page->valueForKey(QStringLiteral("spaceFolder")).toString());
        }
        reloadSpaces();
        selectSpace(wasWithin ? ZQSpaceFolder::trash() : selected);
    } else if (title == QStringLiteral("Permanently Delete")) {
        plat::AlertRequest sheet{deleteSpaceMessage(), deleteSpaceInformation(), {QStringLiteral("OK")},
                                 plat::AlertRequest::Style::Warning, QString(), false};
        const bool wasWithin = selectionWithin(folder);
        if (plat::Panels::current()->runAlert(sheet) != 0 || !m_spaceDocument)
            return;
        m_spaceDocument->deleteSpace(folder, true);
        reloadSpaces();
        selectSpace(wasWithin ? ZQSpaceFolder::trash() : selected);
    } else if (title == QStringLiteral("Trash Folder") || title == QStringLiteral("Unlink Folder")) {
        const bool wasWithin = selectionWithin(folder);
        if (m_spaceDocument)
            m_spaceDocument->deleteSpace(folder, false);
        reloadSpaces();
        if (!wasWithin)
            selectSpace(selected);
    }
}

bool ZQSpaceListView::canDropPages(const std::vector<QString>& pageFolders, const std::vector<QString>& dropboxPaths,
                                   const QModelIndex& item, int childIndex) const
{
    const qint32 type = typeAt(item);
    if (childIndex != -1 || !item.isValid() || type == ZQSpaceType::LibraryTitle || isTitleOrDivider(type) ||
        type == ZQSpaceType::SavedFilter || type == ZQSpaceType::FiltersRoot || type == ZQSpaceType::Tags)
        return false;
    for (const QString& path : dropboxPaths) {
        const bool linkedPage = !path.trimmed().isEmpty();
        if (linkedPage != (type == ZQSpaceType::LinkedFolder))
            return false;
    }
    if (type == ZQSpaceType::Trash) {
        for (const QString& folder : pageFolders)
            if (m_spaceDocument && m_spaceDocument->isChildrenSpaceFolder(folder, ZQSpaceFolder::trash()))
                return false;
        return true;
    }
    return !liesInTrash(item);
}

bool ZQSpaceListView::dropPages(const QMimeData* data, const QModelIndex& item, int childIndex)
{
    const auto items = ZQPagePasteboard::items(data);
    std::vector<QString> folders, paths;
    for (const auto& page : items) {
        folders.push_back(page.spaceFolder);
        paths.push_back(page.dropboxPath);
    }
    if (items.empty() || !m_spaceDocument || !canDropPages(folders, paths, item, childIndex))
        return false;
    const QString target = folderOf(m_model->record(item));
    const bool linked = typeAt(item) == ZQSpaceType::LinkedFolder;
    for (const auto& page : items) {
        // A page dropped onto its own space is refused.
        if (page.spaceFolder == target)
            return false;
        if (linked)
            m_spaceDocument->moveFile(page.uuid, page.spaceFolder, target);
        else
            m_spaceDocument->movePage(page.uuid, page.spaceFolder, target);
    }
    return true;
}

void ZQSpaceListView::keepDraggedSpaces(const QModelIndexList& indexes)
{
    m_dragSpaces.clear();
    for (const QModelIndex& index : indexes)
        if (const auto space = m_model->record(index))
            m_dragSpaces.push_back(space);
}

bool ZQSpaceListView::canDropSpaces(const QModelIndex& item, int childIndex) const
{
    if (m_dragSpaces.empty())
        return false;
    const qint32 type = typeAt(item);
    if (childIndex == -1 && (type == ZQSpaceType::SavedFilter || type == ZQSpaceType::FiltersRoot ||
                             type == ZQSpaceType::Tags || type == ZQSpaceType::LibraryDivider ||
                             type == ZQSpaceType::LinkedTitle || type == ZQSpaceType::LinkedDivider))
        return false;
    if (!item.isValid()) {
        if (childIndex == 0 || childIndex >= topLevelRowOfType(ZQSpaceType::FiltersRoot))
            return false;
    }
    const bool targetInTrash = item.isValid() && liesInTrash(item);
    for (const auto& space : m_dragSpaces) {
        // Never into itself or below itself.
        for (QModelIndex at = item; at.isValid(); at = at.parent())
            if (m_model->record(at) == space)
                return false;
        if (ZQLibraryRecords::liesInTrash(space) && targetInTrash)
            return false;
    }
    const qint32 dragged = ZQSpaceListModel::spaceType(m_dragSpaces.front());
    if (dragged == ZQSpaceType::LinkedFolder)
        return type == ZQSpaceType::LinkedFolder;
    if (dragged == ZQSpaceType::Library) {
        if (type == ZQSpaceType::LinkedFolder)
            return false;
        if (type == ZQSpaceType::Trash && childIndex == -1)
            return true;
        // As unsigned numbers: -1 (onto an item) is never within.
        return quint32(childIndex) <= quint32(topLevelRowOfType(ZQSpaceType::LibraryDivider));
    }
    return true;
}

bool ZQSpaceListView::dropSpaces(const QModelIndex& item, int childIndex)
{
    if (!canDropSpaces(item, childIndex))
        return false;
    ZQIndexPath target;
    if (!item.isValid()) {
        if (childIndex < 0)
            return false;
        target = {childIndex};
    } else if (typeAt(item) == ZQSpaceType::LibraryTitle) {
        target = {1};
    } else {
        target = m_model->pathOfIndex(item);
        target.push_back(std::max(0, childIndex));
    }
    const bool ontoTrash = item.isValid() && typeAt(item) == ZQSpaceType::Trash;
    const plat::ManagedObjectPtr targetRecord = item.isValid() && typeAt(item) != ZQSpaceType::LibraryTitle ? m_model->record(item)
                                                                                                           : nullptr;
    const std::vector<plat::ManagedObjectPtr> moved = m_dragSpaces;
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
        const plat::ManagedObjectPtr& space = *it;
        space->setValue(plat::Value(plat::Date::now()), QStringLiteral("modifiedDate"));
        if (ontoTrash) {
            if (const auto parent = ZQLibraryRecords::parentOf(space)) {
                space->setValue(plat::Value(folderOf(parent)), QStringLiteral("sourceParentFolder"));
                space->setValue(plat::Value(qint64(m_model->indexOfRecord(space).row())), QStringLiteral("sourceIndexPath"));
            }
        }
        // The target path is for the tree as it is now.
        ZQIndexPath to = target;
        if (targetRecord)
            to = m_model->pathOfIndex(m_model->indexOfRecord(targetRecord)), to.push_back(target.back());
        m_model->moveSpace(space, to);
    }
    finishSpaceMove(moved);
    return true;
}

void ZQSpaceListView::finishSpaceMove(const std::vector<plat::ManagedObjectPtr>& moved)
{
    m_model->spaceTreeController().updateSortOrderOfModelObjects();
    saveMainContext();
    const auto cloud = ZQCloudEngine::sharedCloudKit();
    for (const auto& space : moved)
        cloud->doSpaceAction(12, folderOf(space), ZQLibraryRecords::pageTitle(space),
                             folderOf(ZQLibraryRecords::parentOf(space)), true);
    m_dragSpaces.clear();
}

void ZQSpaceListView::startDrag(Qt::DropActions supportedActions)
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const auto first = m_model->record(rows.first());
    if (!first || first->valueForKey(QStringLiteral("isSystem")).toBool() || typeAt(rows.first()) == ZQSpaceType::LibraryTitle)
        return;
    keepDraggedSpaces(rows);
    auto* drag = new QDrag(this);
    drag->setMimeData(m_model->mimeData(rows));
    drag->exec(supportedActions, Qt::MoveAction);
}

std::pair<QModelIndex, int> ZQSpaceListView::dropPlace(const QDropEvent* event) const
{
    const QModelIndex index = indexAt(event->position().toPoint());
    switch (dropIndicatorPosition()) {
    case QAbstractItemView::OnItem:
        return {index, -1};
    case QAbstractItemView::AboveItem:
        return {index.parent(), index.row()};
    case QAbstractItemView::BelowItem:
        return {index.parent(), index.row() + 1};
    case QAbstractItemView::OnViewport:
    default:
        return {QModelIndex(), m_model->rowCount()};
    }
}

void ZQSpaceListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasFormat(ZQSpacePasteboardType()) || event->mimeData()->hasFormat(ZQPagePasteboardType()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ZQSpaceListView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);
    const auto [item, childIndex] = dropPlace(event);
    bool ok = false;
    if (event->source() == this && event->mimeData()->hasFormat(ZQSpacePasteboardType())) {
        ok = canDropSpaces(item, childIndex);
    } else {
        std::vector<QString> folders, paths;
        for (const auto& page : ZQPagePasteboard::items(event->mimeData())) {
            folders.push_back(page.spaceFolder);
            paths.push_back(page.dropboxPath);
        }
        ok = !folders.empty() && canDropPages(folders, paths, item, childIndex);
    }
    if (ok)
        event->acceptProposedAction();
    else
        event->ignore();
}

void ZQSpaceListView::dropEvent(QDropEvent* event)
{
    const auto [item, childIndex] = dropPlace(event);
    bool ok = false;
    if (event->source() == this && event->mimeData()->hasFormat(ZQSpacePasteboardType()))
        ok = dropSpaces(item, childIndex);
    else
        ok = dropPages(event->mimeData(), item, childIndex);
    if (ok)
        event->acceptProposedAction();
    else
        event->ignore();
}
