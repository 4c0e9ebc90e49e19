#pragma once
// The base of every store accessor: points at one store's context (the main
// store, a space's store, or a combined view over several space stores) and
// finds records in it.

#include "kit/storage/ZSCoreData.h"

#include <QList>
#include <QUrl>

class ZSAbstractCoreData : public plat::Object {
public:
    ZSAbstractCoreData();

    plat::ManagedObjectContextPtr managedObjectContext() const;
    void setManagedObjectContext(plat::ManagedObjectContextPtr context);
    QString rootStoreName() const;
    void setRootStoreName(const QString& name);
    ZSCoreDataPtr coreData() const;
    void setCoreData(ZSCoreDataPtr coreData);

    void applicationObjectContext();
    void pageObjectContext(const QString& spaceFolder);
    // The combined view over the stores at these addresses, each named by its space folder.
    void pageVisibleObjectContext(const QString& name, const QList<QUrl>& storeUrls);
    plat::PersistentStorePtr pageStore(const QString& storeName) const;
    // Only for an accessor that is not pointed at the main store.
    plat::ManagedObjectPtr getPageObjectByUUID(const QString& uuid) const;
    // Only for an accessor pointed at the main store.
    plat::ManagedObjectPtr getSpaceObjectByFolder(const QString& folder) const;

    QString className() const override { return QStringLiteral("ZSAbstractCoreData"); }

private:
    mutable std::mutex m_mutex;
    plat::ManagedObjectContextPtr m_managedObjectContext;
    QString m_rootStoreName;
    ZSCoreDataPtr m_coreData;
};
