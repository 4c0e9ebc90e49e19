#pragma once
// The process-wide manager of the library's record stores: each store opened
// once, on first use, as a private-queue root context with a main-queue child;
// combined read contexts over the page stores of a library; the "actionDate"
// stamp on changed pages and spaces before any save; and the merge of a page
// store's saves into the combined context that holds the same file.

#include "kit/storage/ZSCoreDataItem.h"

#include <QUrl>
#include <unordered_map>

class ZSCoreData : public plat::Object {
    struct Passkey {};

public:
    static std::shared_ptr<ZSCoreData> sharedCoredData();
    explicit ZSCoreData(Passkey);
    ~ZSCoreData() override;

    static QString mainStoreName() { return QStringLiteral("__Quorvel__Main__Store__"); }
    static QString localActionStoreName() { return QStringLiteral("LocalAction"); }
    static QString spaceTitleStoreName() { return QStringLiteral("SpaceTitle"); }

    // The main-queue child context of each store, opened on first use.
    plat::ManagedObjectContextPtr spaceObjectContext();
    plat::ManagedObjectContextPtr localActionObjectContext();
    plat::ManagedObjectContextPtr spaceTitleObjectContext();
    plat::ManagedObjectContextPtr pageObjectContext(const QString& spaceFolder);

    // The combined main-queue context over the named stores of a library;
    // none when a store cannot be opened (the error is presented).
    plat::ManagedObjectContextPtr pageTreeObjectContext(const QString& rootSpaceFolder,
                                                        const std::map<QString, QUrl>& storeUrls);
    plat::ManagedObjectContextPtr currentVisiblePageTreeContext();
    plat::PersistentStorePtr pageStore(const QString& rootSpaceFolder, const QString& storeName);
    void refreshBookmarkStoreForPageTreeContext(const QString& spaceFolder, bool insertOrRemove);
    plat::ManagedObjectContextPtr createWorkerContext(const plat::ManagedObjectContextPtr& parent);
    void removePageContext(const QString& storeName);

    void persisteAllUnsaved();
    void persistAllUnsavedAndWait();

    QString currentSelectedRootSpaceFolder() const;
    void setCurrentSelectedRootSpaceFolder(const QString& folder);

    // Observers of every context's will-save and did-save notifications.
    void willSaveContext(const plat::Notification& notification);
    void didSaveContext(const plat::Notification& notification);

    QString className() const override { return QStringLiteral("ZSCoreData"); }

private:
    // The stack of the selected root space, or none.
    ZSCoreDataItemPtr currentVisibleItem();
    plat::ManagedObjectContextPtr context(const QString& storeName, const QUrl& storeUrl, const QString& objectModelName);
    plat::ManagedObjectModelPtr objectModel(const QString& name);
    std::vector<ZSCoreDataItemPtr> allItems() const;

    // The maps are read by did-save observers on the contexts' queues, so they are locked.
    mutable std::recursive_mutex m_mutex;
    std::map<QString, plat::ManagedObjectModelPtr> m_objectModels;
    std::map<QString, ZSCoreDataItemPtr> m_contextItems;
    std::unordered_map<ZSCoreDataItemKey, ZSCoreDataItemPtr, ZSCoreDataItemKeyHash> m_visibleContextItems;
    std::map<QString, ZSCoreDataItemKey> m_visibleIndex;
    QString m_currentSelectedRootSpaceFolder;
    plat::ObserverToken m_willSave = 0;
    plat::ObserverToken m_didSave = 0;
};

using ZSCoreDataPtr = std::shared_ptr<ZSCoreData>;
