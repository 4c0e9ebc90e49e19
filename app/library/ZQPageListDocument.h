#pragma once
// The controller behind one page list: the pages of a root space and of every
// space below it, in one record context over their page stores. It keeps the
// title rows that group the list by space, creates pages (library packages and
// files of linked folders), remembers the page open in the editor and saves
// it, trashes linked files, answers a page's outline, moves the selection
// after a page disappears, and keeps the records of published copies.

#include "app/library/ZQCoreData.h"
#include "app/library/ZQLibraryDelegate.h"
#include "app/library/ZQSpaceEntity.h"
#include "app/library/ZQTreeController.h"
#include "app/shell/ZQDocument.h"
#include "kit/model/ZQDocumentOutline.h"
#include "platform/text/AttributedString.h"

#include <functional>
#include <map>
#include <optional>
#include <vector>

class ZQIndexService;

class ZQPageListDocument : public ZQCoreData {
public:
    using CreatePageCompletion =
        std::function<void(const ZQDocumentPtr& document, const QString& pageUuid, const plat::ManagedObjectPtr& page)>;
    using SaveCurrentPageCompletion = std::function<void(const QString& pageUuid, const QString& spaceFolder,
                                                         const std::optional<ZQErrorValue>& error)>;
    using SaveCompletion = std::function<void(const std::optional<ZQErrorValue>& error)>;

    // spaceList: the root space first, then every space below it. With
    // display the list also shows (and rebuilds) the title rows.
    ZQPageListDocument(std::vector<ZQSpaceEntityPtr> spaceList, ZQLibraryDelegatePtr delegate, bool display);

    const std::vector<ZQSpaceEntityPtr>& spaceList() const { return m_spaceList; }
    const QString& rootSpaceFolder() const { return m_rootSpaceFolder; }
    const QString& openSpaceFolder() const { return m_openSpaceFolder; }
    void setOpenSpaceFolder(const QString& folder) { m_openSpaceFolder = folder; }
    const QString& openPageUuid() const { return m_openPageUuid; }
    void setOpenPageUuid(const QString& uuid) { m_openPageUuid = uuid; }
    qint64 currentSpaceType() const { return m_currentSpaceType; }
    bool isDisplayed() const { return m_display; }
    // The rendered tag library the tags space shows in the editor; only held here.
    const plat::AttributedString& tagLibraryContentPage() const { return m_tagLibraryContentPage; }
    void setTagLibraryContentPage(plat::AttributedString page) { m_tagLibraryContentPage = std::move(page); }
    // The space is one of this list's spaces.
    bool containsSpace(const QString& spaceFolder) const;

    const std::shared_ptr<ZQIndexService>& indexService() const { return m_indexService; }
    void setIndexService(std::shared_ptr<ZQIndexService> service) { m_indexService = std::move(service); }
    const ZQLibraryDelegatePtr& delegate() const { return m_delegate; }

    // The rows as the page list shows them, one flat level: spaces in the
    // tree's order (a space before those below it, siblings by falling sort
    // index, then newest first), each space's title row before its pages,
    // pages by sort index, then the latest modified first.
    std::vector<plat::ManagedObjectPtr> sortedRows();
    // Fetches the rows again into the tree controller; the selection keeps
    // the records that are still there.
    void reloadData();
    ZQTreeController& pageTreeController() { return m_pageTreeController; }
    // A record that came into or left the list since the last reload: its
    // row alone changes, in its sorted place.
    void insertRow(const plat::ManagedObjectPtr& record);
    void removeRow(const plat::ManagedObjectPtr& record);
    // A listed record whose title, date or order changed: its row alone
    // moves to its sorted place, or is redrawn where it is.
    void updateRow(const plat::ManagedObjectPtr& record);
    // Selects the record's row and tells the window; false when it is not listed.
    bool selectPage(const plat::ManagedObjectPtr& page);

    // The "selectedPages" memory of the root space: the selection's index
    // paths, written (saved without waiting) when a selected page has opened
    // and read when the space is shown again.
    void storeSelectedPages();
    std::vector<ZQIndexPath> storedSelectedPages();

    // New page in the space of the open page (a list that holds no writable
    // space puts it in the first library): its uuid, empty when nothing was made.
    QString createPage(const CreatePageCompletion& completion = {});
    QString createPage(const CreatePageCompletion& completion, bool withNewDoc);
    bool saveCurrentPage(const SaveCurrentPageCompletion& completion = {});
    bool savePageDocument(const ZQDocumentPtr& document, bool forceSave, const SaveCompletion& completion = {});
    void openPage(const QString& pageUuid);
    // A linked-folder file goes to the desktop's trash and its record away.
    void trashFile(const QString& pageUuid);
    std::shared_ptr<ZQDocumentOutline> getPageOutlineByUuid(const QString& pageUuid);
    // Pages (type 1) of the list; 1 when they cannot be counted, so callers keep the list.
    qint64 pageListSize();
    std::vector<plat::ManagedObjectPtr> getAllPages();
    // After the row at indexPath (or the row before it) went away: selects the nearest page.
    void tryToSelectPreviousPage(const std::optional<ZQIndexPath>& indexPath);

    // Published copies of pages: one record per page, blog and post.
    QString getSyncIdByPageUuid(const QString& pageUuid, const QString& blogID, qint64 syncType);
    std::optional<std::vector<qint64>> getSyncPostCategoriesByPageUuid(const QString& pageUuid, const QString& blogID,
                                                                       qint64 syncType);
    bool syncPage(const QString& pageUuid, const QString& linkBlogId, const QString& linkPostId,
                  const QString& linkUrl, const std::optional<std::vector<qint64>>& linkCategories, qint64 syncType);

    // The record of a page of this list, else none.
    plat::ManagedObjectPtr pageRecord(const QString& pageUuid);
    // A title row for one space of the list, unless it is a linked folder
    // without pages and empty folders are not shown; saved without waiting.
    static plat::ManagedObjectPtr insertSpaceTitleRow(const ZQSpaceEntity& entity, const plat::ManagedObjectContextPtr& context,
                                                      const plat::PersistentStorePtr& titleStore);
    static bool showsEmptyFolders();

    QString className() const override { return QStringLiteral("ZQPageListDocument"); }

private:
    void rebuildSpaceTitleView(const std::vector<ZQSpaceEntityPtr>& spaceList, bool isExternalSpace);
    // The space a new page goes to: the open one when it takes pages, else the first library.
    QString writableSpaceFor(const QString& spaceFolder, qint64* spaceType) const;
    plat::ManagedObjectContextPtr contextForSpace(const QString& spaceFolder, plat::PersistentStorePtr* store);
    void deleteRecord(const plat::ManagedObjectPtr& record, const plat::ManagedObjectContextPtr& context);

    std::vector<ZQSpaceEntityPtr> m_spaceList;
    ZQLibraryDelegatePtr m_delegate;
    std::shared_ptr<ZQIndexService> m_indexService;
    QString m_rootSpaceFolder;
    QString m_openSpaceFolder;
    QString m_openPageUuid;
    qint64 m_currentSpaceType = 0;
    bool m_display = false;
    plat::AttributedString m_tagLibraryContentPage;
    ZQTreeController m_pageTreeController;
    // The place of each space's rows, from the last sort.
    std::map<QString, qsizetype> m_spaceRanks;
};

using ZQPageListDocumentPtr = std::shared_ptr<ZQPageListDocument>;
