#include "app/shell/ZQPageListView.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQPagePasteboard.h"
#include "app/shell/ZQAppFlags.h"
#include "app/shell/ZQFileReveal.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/ManagedObjectContext.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

namespace {

const QStringList kPageExportTitles = {QStringLiteral("Preview in HTML"), QStringLiteral("Preview in PDF"),
                                       QStringLiteral("Preview in RTF"),  QString(),
                                       QStringLiteral("Export HTML"),     QStringLiteral("Export PDF"),
                                       QStringLiteral("Export RTF"),      QStringLiteral("Export Markdown")};

bool isLinkedPage(const plat::ManagedObjectPtr& page)
{
    return page && !page->valueForKey(QStringLiteral("dropboxPath")).toString().trimmed().isEmpty();
}

} // namespace

QRect ZQPageCellDelegate::outlineButtonRect(const QRect& row)
{
    return QRect(row.right() - 28, row.top() + 8, 20, 20);
}

QSize ZQPageCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(option.rect.width(), index.data(ZQPageListModel::IsGroupRole).toBool() ? groupHeight : pageHeight);
}

void ZQPageCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    const QRect row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    if (index.data(ZQPageListModel::IsGroupRole).toBool()) {
        painter->fillRect(row, QColor(245, 245, 245));
        QFont font = option.font;
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(QColor(120, 120, 120));
        painter->drawText(row.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
                          option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, row.width() - 20));
        painter->restore();
        return;
    }
    if (selected)
        painter->fillRect(row, QColor(203, 211, 223));
    // The separator under a row, unless the row below is the selected one.
    painter->setPen(QColor(selected ? 162 : 228, selected ? 162 : 228, selected ? 162 : 228));
    painter->drawLine(row.left(), row.bottom(), row.right(), row.bottom());

    const QRect text = row.adjusted(12, 8, -40, -8);
    QFont titleFont = option.font;
    titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
    titleFont.setBold(true);
    painter->setFont(titleFont);
    painter->setPen(QColor(40, 40, 40));
    const QFontMetrics titleMetrics(titleFont);
    painter->drawText(QRect(text.left(), text.top(), text.width(), titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      titleMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
    painter->setFont(option.font);
    painter->setPen(QColor(130, 130, 130));
    int y = text.top() + titleMetrics.height() + 4;
    const QString file = index.data(ZQPageListModel::DropboxPathRole).toString();
    if (!file.isEmpty()) {
        painter->drawText(QRect(text.left(), y, text.width(), 15), Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(file, Qt::ElideMiddle, text.width()));
        y += 15;
    }
    const QDateTime modified = index.data(ZQPageListModel::ModifiedDateRole).toDateTime();
    if (modified.isValid())
        painter->drawText(QRect(text.left(), y, text.width(), option.fontMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          QLocale().toString(modified, QLocale::ShortFormat));
    // The outline button: three lines, stronger while the pointer is on it.
    const QRect button = outlineButtonRect(row);
    const bool hovered = (option.state & QStyle::State_MouseOver) && ZQAppFlags::inTags == false;
    painter->setPen(QPen(hovered ? QColor(13, 119, 239) : QColor(170, 170, 170), 1.5));
    for (int line = 0; line < 3; ++line)
        painter->drawLine(button.left() + 4 + (line ? 4 : 0), button.top() + 5 + line * 5, button.right() - 4,
                          button.top() + 5 + line * 5);
    painter->restore();
}

ZQPageListView::ZQPageListView(QWidget* parent) : QListView(parent), m_model(new ZQPageListModel(this))
{
    setObjectName(QStringLiteral("pageListView"));
    setModel(m_model);
    setItemDelegate(new ZQPageCellDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setMouseTracking(true);
    setUniformItemSizes(false);
    // Rows differ in height; laying them out in batches keeps a long list quick to show.
    setLayoutMode(QListView::Batched);
    setBatchSize(200);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(m_model, &ZQPageListModel::documentSelectionChanged, this, &ZQPageListView::takeDocumentSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ZQPageListView::takeDocumentSelection);
}

void ZQPageListView::setPageListDocument(ZQPageListDocumentPtr document)
{
    m_dragPages.clear();
    m_model->setDocument(std::move(document));
    takeDocumentSelection();
}

void ZQPageListView::takeDocumentSelection()
{
    const auto& document = m_model->document();
    if (!document || m_syncing)
        return;
    m_syncing = true;
    QItemSelection selection;
    for (const ZQIndexPath& path : document->pageTreeController().selectionIndexPaths()) {
        if (path.size() == 1) {
            const QModelIndex index = m_model->index(int(path.front()));
            selection.select(index, index);
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty())
        selectionModel()->setCurrentIndex(selection.indexes().first(), QItemSelectionModel::NoUpdate);
    m_syncing = false;
}

void ZQPageListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListView::selectionChanged(selected, deselected);
    const auto& document = m_model->document();
    if (m_syncing || !document)
        return;
    std::vector<ZQIndexPath> paths;
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex& index : rows)
        paths.push_back({index.row()});
    m_syncing = true;
    document->pageTreeController().setSelectionIndexPaths(paths);
    m_syncing = false;
    const plat::ManagedObjectPtr first = document->pageTreeController().firstSelectedObject();
    if (first && ZQPageListModel::isGroup(first)) {
        document->tryToSelectPreviousPage(paths.front());
        return;
    }
    if (m_host)
        m_host->pageChosen(first);
}

void ZQPageListView::mouseMoveEvent(QMouseEvent* event)
{
    QListView::mouseMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    QString uuid;
    QRect button;
    if (index.isValid() && !index.data(ZQPageListModel::IsGroupRole).toBool() && !ZQAppFlags::inTags) {
        button = ZQPageCellDelegate::outlineButtonRect(visualRect(index));
        if (button.contains(event->position().toPoint()))
            uuid = index.data(ZQPageListModel::UuidRole).toString();
    }
    // Entering the button shows the outline once per page.
    if (uuid != m_hoveredOutline) {
        m_hoveredOutline = uuid;
        if (!uuid.isEmpty() && m_host)
            m_host->showPageOutline(uuid, button);
    }
}

std::unique_ptr<QMenu> ZQPageListView::menuForRow(int row)
{
    const plat::ManagedObjectPtr page = m_model->record(row);
    if (!page || ZQAppFlags::inTags || ZQPageListModel::isGroup(page))
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const auto add = [&](const QString& title) {
        if (title.isEmpty()) {
            menu->addSeparator();
            return;
        }
        QAction* action = menu->addAction(title);
        action->setData(row);
        connect(action, &QAction::triggered, this, [this, title, row] { runMenuAction(title, row); });
    };
    for (const QString& title : kPageExportTitles)
        add(title);
    add(QString());
    if (ZQAppFlags::inTrash) {
        add(QStringLiteral("Put Back"));
        add(QString());
        add(QStringLiteral("Permanently Delete"));
        return menu;
    }
    if (ZQAppFlags::inFilters) {
        add(QStringLiteral("Show in Enclosing Library"));
        add(QString());
    }
    if (isLinkedPage(page)) {
        add(QStringLiteral("Rename File"));
        add(QStringLiteral("Reveal in Finder"));
        add(QString());
        add(QStringLiteral("Trash File"));
    } else {
        add(QStringLiteral("Move to Trash"));
    }
    return menu;
}

void ZQPageListView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        return;
    if (const auto menu = menuForRow(index.row()))
        menu->exec(event->globalPos());
}

void ZQPageListView::runMenuAction(const QString& title, int row)
{
    const plat::ManagedObjectPtr page = m_model->record(row);
    const auto& document = m_model->document();
    if (!page || !document)
        return;
    const QString uuid = page->valueForKey(QStringLiteral("uuid")).toString();
    const QString folder = page->valueForKey(QStringLiteral("spaceFolder")).toString();
    if (kPageExportTitles.contains(title)) {
        if (m_host)
            m_host->exportPage(title, page);
    } else if (title == QStringLiteral("Put Back")) {
        if (m_spaceDocument)
            m_spaceDocument->putbackPage(uuid);
    } else if (title == QStringLiteral("Permanently Delete")) {
        if (m_spaceDocument)
            m_spaceDocument->deletePageWithWarning(uuid);
    } else if (title == QStringLiteral("Show in Enclosing Library")) {
        if (m_host)
            m_host->openPageInSpace(uuid, folder);
    } else if (title == QStringLiteral("Rename File")) {
        if (m_host)
            m_host->showPageOutline(uuid, ZQPageCellDelegate::outlineButtonRect(visualRect(m_model->index(row))));
    } else if (title == QStringLiteral("Reveal in Finder")) {
        ZQFileReveal::current()->reveal(ZQLibraryRecords::pageFileUrl(page).toLocalFile());
    } else if (title == QStringLiteral("Trash File")) {
        document->trashFile(uuid);
    } else if (title == QStringLiteral("Move to Trash")) {
        const bool inFilters = ZQAppFlags::inFilters;
        const auto filterList = m_spaceDocument ? m_spaceDocument->filterDocument() : nullptr;
        document->saveCurrentPage([this, uuid, folder, inFilters, filterList](const QString&, const QString&,
                                                                               const std::optional<ZQErrorValue>&) {
            if (m_spaceDocument)
                m_spaceDocument->movePage(uuid, folder, ZQSpaceFolder::trash());
            // The copy in the filter list goes too.
            if (inFilters && filterList) {
                if (const auto copy = filterList->pageRecord(uuid)) {
                    const auto context = filterList->managedObjectContext();
                    filterList->removeRow(copy);
                    context->performAndWait([&] { context->deleteObject(copy); });
                    Exs::persist(context);
                }
            }
        });
    }
}

void ZQPageListView::keepDraggedRows(const QList<int>& rows)
{
    m_dragPages.clear();
    for (const int row : rows)
        if (const auto page = m_model->record(row); page && !ZQPageListModel::isGroup(page))
            m_dragPages.push_back(page);
}

void ZQPageListView::startDrag(Qt::DropActions supportedActions)
{
    if (ZQAppFlags::inTags)
        return;
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    keepDraggedRows(rows);
    if (m_dragPages.empty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(ZQPagePasteboard::mimeData(m_dragPages).release());
    drag->exec(supportedActions, Qt::MoveAction);
}

bool ZQPageListView::canDrop(int targetRow, bool onto) const
{
    const auto& document = m_model->document();
    if (!document || m_dragPages.empty())
        return false;
    if (onto) {
        if (!ZQPageListModel::isGroup(m_model->record(targetRow)))
            return false;
    } else if (targetRow <= 0) {
        // Never above the first title row.
        return false;
    }
    if (m_spaceDocument && m_spaceDocument->isChildrenSpaceFolder(document->rootSpaceFolder(), ZQSpaceFolder::trash())) {
        for (const auto& page : m_dragPages)
            if (m_spaceDocument->isChildrenSpaceFolder(page->valueForKey(QStringLiteral("spaceFolder")).toString(),
                                                       ZQSpaceFolder::trash()))
                return false;
    }
    return true;
}

bool ZQPageListView::dropPages(int targetRow, bool onto)
{
    const auto& document = m_model->document();
    if (!canDrop(targetRow, onto))
        return false;
    const qsizetype target = onto ? targetRow + 1 : targetRow;
    const plat::ManagedObjectPtr before = m_model->record(int(target - 1));
    if (!before)
        return false;
    const QString toSpace = before->valueForKey(QStringLiteral("spaceFolder")).toString();
    const auto toRecord = ZSCoreDataUtil::getSpaceObject(toSpace);
    const bool toLinked = toRecord && toRecord->valueForKey(QStringLiteral("spaceType")).toInteger() == ZQSpaceType::LinkedFolder;
    std::optional<qsizetype> lastMoved;
    qsizetype at = target;
    const std::vector<plat::ManagedObjectPtr> pages = m_dragPages;
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        const plat::ManagedObjectPtr& page = *it;
        const QString uuid = page->valueForKey(QStringLiteral("uuid")).toString();
        const QString fromSpace = page->valueForKey(QStringLiteral("spaceFolder")).toString();
        if (fromSpace != toSpace) {
            if (!m_spaceDocument)
                continue;
            const auto moved = [this, target](const plat::ManagedObjectPtr& record, const std::optional<ZQErrorValue>& error) {
                if (record && !error)
                    movedPage(record, target);
            };
            if (toLinked)
                m_spaceDocument->moveFile(uuid, fromSpace, toSpace, moved);
            else
                m_spaceDocument->movePage(uuid, fromSpace, toSpace, moved);
            continue;
        }
        const int from = m_model->rowOfRecord(page);
        if (from < 0)
            continue;
        // The place once taken out: rows after it move up by one.
        const qsizetype to = from < at ? at - 1 : at;
        document->pageTreeController().moveArrangedNode(from, to);
        at = to;
        lastMoved = to;
    }
    if (lastMoved) {
        document->pageTreeController().setSelectionIndexPaths({{*lastMoved}});
        document->pageTreeController().updateSortOrderOfModelObjectsForPages();
        Exs::persist(document->managedObjectContext());
    }
    m_dragPages.clear();
    return true;
}

void ZQPageListView::movedPage(const plat::ManagedObjectPtr& page, qsizetype toRow)
{
    const auto& document = m_model->document();
    const int from = document ? m_model->rowOfRecord(page) : -1;
    if (from < 0)
        return;
    const qsizetype to = from < toRow ? toRow - 1 : toRow;
    document->pageTreeController().moveArrangedNode(from, to);
    document->pageTreeController().setSelectionIndexPaths({{to}});
    document->pageTreeController().updateSortOrderOfModelObjectsForPages();
    Exs::persist(document->managedObjectContext());
}

void ZQPageListView::dragMoveEvent(QDragMoveEvent* event)
{
    QListView::dragMoveEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool onto = dropIndicatorPosition() == QAbstractItemView::OnItem;
    int row = index.isValid() ? index.row() : m_model->rowCount();
    if (!onto && dropIndicatorPosition() == QAbstractItemView::BelowItem)
        ++row;
    if (event->source() == this && canDrop(row, onto))
        event->acceptProposedAction();
    else
        event->ignore();
}

void ZQPageListView::dropEvent(QDropEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool onto = dropIndicatorPosition() == QAbstractItemView::OnItem;
    int row = index.isValid() ? index.row() : m_model->rowCount();
    if (!onto && dropIndicatorPosition() == QAbstractItemView::BelowItem)
        ++row;
    if (event->source() == this && ZQPagePasteboard::items(event->mimeData()).size() > 0 && dropPages(row, onto))
        event->acceptProposedAction();
    else
        event->ignore();
}
