#include "app/library/ZQPageListModel.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQPagePasteboard.h"

#include <QDateTime>
#include <QMimeData>

ZQPageListModel::ZQPageListModel(QObject* parent) : QAbstractListModel(parent) {}

ZQPageListModel::~ZQPageListModel()
{
    if (m_document && m_document->pageTreeController().listener() == this)
        m_document->pageTreeController().setListener(nullptr);
}

void ZQPageListModel::setDocument(ZQPageListDocumentPtr document)
{
    if (document == m_document)
        return;
    beginResetModel();
    if (m_document && m_document->pageTreeController().listener() == this)
        m_document->pageTreeController().setListener(nullptr);
    m_document = std::move(document);
    if (m_document)
        m_document->pageTreeController().setListener(this);
    endResetModel();
}

const std::vector<ZQTreeNodePtr>* ZQPageListModel::nodes() const
{
    return m_document ? &m_document->pageTreeController().arrangedNodes() : nullptr;
}

plat::ManagedObjectPtr ZQPageListModel::record(int row) const
{
    const auto* list = nodes();
    if (!list || row < 0 || row >= int(list->size()))
        return nullptr;
    return (*list)[size_t(row)]->representedObject();
}

int ZQPageListModel::rowOfRecord(const plat::ManagedObjectPtr& record) const
{
    const auto* list = nodes();
    if (!list || !record)
        return -1;
    for (size_t row = 0; row < list->size(); ++row)
        if ((*list)[row]->representedObject() == record)
            return int(row);
    return -1;
}

bool ZQPageListModel::isGroup(const plat::ManagedObjectPtr& record)
{
    return record && record->valueForKey(QStringLiteral("type")).toInteger() == ZQNodeType::SpaceTitle;
}

int ZQPageListModel::rowCount(const QModelIndex& parent) const
{
    const auto* list = nodes();
    return parent.isValid() || !list ? 0 : int(list->size());
}

QVariant ZQPageListModel::data(const QModelIndex& index, int role) const
{
    const plat::ManagedObjectPtr page = record(index.row());
    if (!page)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QString title = ZQLibraryRecords::pageTitle(page);
        if (isGroup(page))
            return title.isEmpty() ? QStringLiteral("Unknown") : title;
        const QString line = title.section(u'\n', 0, 0).trimmed();
        return line.isEmpty() ? QStringLiteral("Untitled") : line;
    }
    case UuidRole:
        return page->valueForKey(QStringLiteral("uuid")).toString();
    case SpaceFolderRole:
        return page->valueForKey(QStringLiteral("spaceFolder")).toString();
    case IsGroupRole:
        return isGroup(page);
    case DropboxPathRole:
        return page->valueForKey(QStringLiteral("dropboxPath")).toString();
    case ModifiedDateRole: {
        const double seconds = ZQLibraryRecords::seconds(page->valueForKey(QStringLiteral("modifiedDate")));
        return seconds > 0 ? QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000)) : QDateTime();
    }
    default:
        return QVariant();
    }
}

Qt::ItemFlags ZQPageListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    if (isGroup(record(index.row())))
        return Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList ZQPageListModel::mimeTypes() const
{
    return {ZQPagePasteboardType()};
}

QMimeData* ZQPageListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        if (!rows.contains(index.row()))
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    std::vector<plat::ManagedObjectPtr> pages;
    for (const int row : rows)
        if (const auto page = record(row); page && !isGroup(page))
            pages.push_back(page);
    return ZQPagePasteboard::mimeData(pages).release();
}

void ZQPageListModel::treeWillReset()
{
    beginResetModel();
}

void ZQPageListModel::treeDidReset()
{
    endResetModel();
}

void ZQPageListModel::treeWillInsert(qsizetype index)
{
    beginInsertRows(QModelIndex(), int(index), int(index));
}

void ZQPageListModel::treeDidInsert()
{
    endInsertRows();
}

void ZQPageListModel::treeWillRemove(qsizetype index)
{
    beginRemoveRows(QModelIndex(), int(index), int(index));
}

void ZQPageListModel::treeDidRemove()
{
    endRemoveRows();
}

void ZQPageListModel::treeWillMove(qsizetype from, qsizetype to)
{
    // Qt counts the destination before the row is taken out.
    beginMoveRows(QModelIndex(), int(from), int(from), QModelIndex(), int(to > from ? to + 1 : to));
}

void ZQPageListModel::treeDidMove()
{
    endMoveRows();
}

void ZQPageListModel::treeNodeChanged(qsizetype index)
{
    const QModelIndex changed = this->index(int(index));
    emit dataChanged(changed, changed);
}

void ZQPageListModel::treeSelectionChanged()
{
    emit documentSelectionChanged();
}
