#pragma once
// The rows of the page list for a view: the page tree of the shown page list
// document, one flat level. It follows the tree's own changes, so one page
// added, moved, renamed or removed changes that row alone, never the list.

#include "app/library/ZQPageListDocument.h"

#include <QAbstractListModel>

class ZQPageListModel : public QAbstractListModel, private ZQTreeListener {
    Q_OBJECT
public:
    enum Role {
        UuidRole = Qt::UserRole + 1,
        SpaceFolderRole,
        IsGroupRole,
        DropboxPathRole,
        ModifiedDateRole,
    };

    explicit ZQPageListModel(QObject* parent = nullptr);
    ~ZQPageListModel() override;

    const ZQPageListDocumentPtr& document() const { return m_document; }
    void setDocument(ZQPageListDocumentPtr document);
    plat::ManagedObjectPtr record(int row) const;
    int rowOfRecord(const plat::ManagedObjectPtr& record) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction | Qt::CopyAction; }

    // A title row: the record of a space's title (type 2).
    static bool isGroup(const plat::ManagedObjectPtr& record);

signals:
    // The tree's selection changed from the document's side.
    void documentSelectionChanged();

private:
    void treeWillReset() override;
    void treeDidReset() override;
    void treeWillInsert(qsizetype index) override;
    void treeDidInsert() override;
    void treeWillRemove(qsizetype index) override;
    void treeDidRemove() override;
    void treeWillMove(qsizetype from, qsizetype to) override;
    void treeDidMove() override;
    void treeNodeChanged(qsizetype index) override;
    void treeSelectionChanged() override;
    const std::vector<ZQTreeNodePtr>* nodes() const;

    ZQPageListDocumentPtr m_document;
};
