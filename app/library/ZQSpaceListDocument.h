#pragma once
// The controller of the whole library: it creates, finds and deletes spaces
// and saved filters, hands out the page lists of spaces, keeps the decoration
// rows and the page lists' title rows in step with the spaces, moves pages
// between spaces, deletes them, tells the cloud engine about every change and
// applies the changes received from it. It works on the main store's context,
// on the main thread; the library window hooks in through its delegate.

#include "app/library/ZQCloudEngine.h"
#include "app/library/ZQCoreData.h"
#include "app/library/ZQLibraryDelegate.h"
#include "app/library/ZQPageListDocument.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Operation.h"

#include <functional>
#include <optional>
#include <vector>

class ZQIndexService;

namespace ZQMoveType {
constexpr qint64 IntoTrash = 1;
constexpr qint64 OutOfTrash = 2;
constexpr qint64 BetweenLibraries = 3;
} // namespace ZQMoveType

class ZQSpaceListDocument : public ZQCoreData {
public:
    using MoveCompletion = std::function<void(const plat::ManagedObjectPtr& page, const std::optional<ZQErrorValue>& error)>;

    static QString newSpaceNotification() { return QStringLiteral("zqNotifyNewSpace"); }
    static QString trashSpaceNotification() { return QStringLiteral("zqNotifyTashSpace"); }
    static QString extPageAddedNotification() { return QStringLiteral("zqNotifyExtPageAdded"); }
    static QString extSpaceTitleNotification() { return QStringLiteral("zqNotifyExtSpaceTitle"); }
    static QString cloudPageActionNotification() { return QStringLiteral("notifyCloudPageAction"); }
    static QString cloudSpaceActionNotification() { return QStringLiteral("notifyCloudSpaceAction"); }
    static QString missingLibraryMessage() { return QStringLiteral("The library of this page was saved in does not exist. "); }
    static QString missingLibraryInformation()
    {
        return QStringLiteral("The page can not be restored. Please drag and drop this page to an existed library.");
    }
    static QString deleteWarningMessage() { return QStringLiteral("This will result in the PERMANENT deletion of current page."); }
    static QString deleteWarningInformation() { return QStringLiteral("Deleted page can not be restored."); }
    static QString mergedConflictMessage()
    {
        return QStringLiteral("A conflict version is merged. Using Browse All Versions to checkout the merged version.");
    }

    // Takes the shared index service, makes the outline queue and the
    // filters list, points at the main store and starts observing.
    explicit ZQSpaceListDocument(ZQLibraryDelegatePtr delegate = nullptr);
    ~ZQSpaceListDocument() override;
    ZQSpaceListDocument(const ZQSpaceListDocument&) = delete;
    ZQSpaceListDocument& operator=(const ZQSpaceListDocument&) = delete;

    const ZQLibraryDelegatePtr& delegate() const { return m_delegate; }
    const std::shared_ptr<ZQIndexService>& indexService() const { return m_indexService; }
    void setIndexService(std::shared_ptr<ZQIndexService> service);
    const ZQPageListDocumentPtr& currentSpace() const { return m_currentSpace; }
    // Also tells the stores which root space is shown.
    void setCurrentSpace(ZQPageListDocumentPtr space);
    const std::shared_ptr<plat::OperationQueue>& pageOutlineQueue() const { return m_pageOutlineQueue; }
    const ZQPageListDocumentPtr& filterDocument() const { return m_filterDocument; }

    // --- Spaces ---
    // A new library (inside the shown library when one is shown): its folder,
    // empty with error set when none could be made.
    QString createSpace(const QString& title, std::optional<ZQErrorValue>* error = nullptr);
    plat::ManagedObjectPtr createSearchFilter(const QString& title, const QString& criteria);
    plat::ManagedObjectPtr upateSearchFilter(const QString& filterFolder, const QString& criteria);
    void deleteSearchFilter(const QString& filterFolder);
    // The space and everything below it, records and folders. False when a
    // disk step failed; records and folders then stay as they were.
    bool deleteSpace(const QString& spaceFolder, bool triggerCloud);
    ZQPageListDocumentPtr getPageListDocument(const QString& spaceFolder, bool display);
    bool isChildrenSpaceFolder(const QString& spaceFolder, const QString& parentFolder);
    // Entities of the spaces below the folder, each followed by its own when recursive.
    void getChildrenSpaces(const QString& spaceFolder, std::vector<ZQSpaceEntityPtr>& intoSpaceList, bool recursive);
    QString firstWritableSpaceFolder();
    void openSpace(const QString& spaceFolder);
    plat::ManagedObjectPtr spaceRecord(const QString& spaceFolder) const;

    // --- Pages ---
    static qint64 moveType(bool sourceInTrash, bool targetInTrash);
    qint64 moveType(const QString& fromSpace, const QString& toSpace);
    // The package first, then the record; when the package cannot be moved
    // nothing changes and no cloud move is sent.
    void movePage(const QString& pageUuid, const QString& fromSpace, const QString& toSpace,
                  const MoveCompletion& completion = {});
    void moveFile(const QString& pageUuid, const QString& fromSpace, const QString& toSpace,
                  const MoveCompletion& completion = {});
    void putbackPage(const QString& pageUuid, const MoveCompletion& completion = {});
    void deletePageWithWarning(const QString& pageUuid);
    // Package and record go together: when the package cannot be removed the
    // record stays.
    void deletePage(const QString& pageUuid, const QString& fromSpace);

    // --- What is observed (callable directly) ---
    void pageUpdated(const plat::Notification& notification);
    void cloudPageAction(const ZSICloudAction& action);
    void cloudSpaceAction(const ZSICloudAction& action);
    void docMergedConflict(const QString& pageUuid, const QString& spaceFolder);
    void externalPageAdded(const QString& spaceFolder);
    void externalSpaceTitle(qint64 action, const QString& spaceFolder);

    QString className() const override { return QStringLiteral("ZQSpaceListDocument"); }

private:
    void fixDecorationTitle();
    void createSpaceTitleGroup(const QString& spaceFolder);
    void deleteSpaceTitleGroup(const QString& spaceFolder);
    void updateSpaceTitleGroup(const QString& spaceFolder);
    bool existSpace(const QString& spaceFolder);
    // The record context holding a space's pages: the shown list's when the
    // space is in it, else the space's own.
    plat::ManagedObjectContextPtr pageContext(const QString& spaceFolder, plat::PersistentStorePtr* store);
    plat::ManagedObjectPtr pageRecord(const QString& pageUuid, const QString& spaceFolder);
    void moveDoc(const plat::ManagedObjectPtr& page, const QString& toSpaceFolder, qint64 moveType,
                 const QString& fromSpaceFolder, const QUrl& toFile, const QUrl& fromFile, const MoveCompletion& completion);
    plat::ManagedObjectPtr movePageCoreData(const plat::ManagedObjectPtr& page, const QString& fromSpace,
                                            const QString& toSpaceFolder, qint64 moveType, const QString& dropboxPath,
                                            std::optional<ZQErrorValue>* error = nullptr);
    void deletePageAndTryResetSelection(const QString& pageUuid, const QString& fromSpace);
    void receivedPageMove(const ZSICloudAction& action);

    ZQLibraryDelegatePtr m_delegate;
    std::shared_ptr<ZQIndexService> m_indexService;
    ZQPageListDocumentPtr m_currentSpace;
    std::shared_ptr<plat::OperationQueue> m_pageOutlineQueue;
    ZQPageListDocumentPtr m_filterDocument;
    std::vector<plat::ObserverToken> m_observers;
    // Lives as long as this controller, for work queued to the main thread.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
