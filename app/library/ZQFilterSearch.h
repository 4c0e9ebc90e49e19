#pragma once
// What a search puts into the filter list: each hit of the index copied as a
// page record into the list's context, grouped under a title row for each
// space the hits come from. The list is rebuilt from scratch by each search.

#include "app/library/ZQPageListDocument.h"

#include <QList>
#include <QUrl>

class ZQFilterSearch {
public:
    ZQFilterSearch() = delete;

    // The space folder and page uuid of an index hit (the page's "main.md",
    // or its package); false for anything outside a library space.
    static bool spaceAndPageOfHit(const QUrl& hit, QString* spaceFolder, QString* pageUuid);

    // Empties the filter list and fills it with the hits that still have a
    // page record; answers the number of pages listed. Saved waiting.
    static qsizetype fillFilterList(const ZQPageListDocumentPtr& filterList, const QList<QUrl>& hits);

    // One title row for a space with hits.
    static plat::ManagedObjectPtr buildSpaceTitle(const plat::ManagedObjectContextPtr& context, const QString& spaceFolder,
                                                  const QString& spaceTitle, const plat::PersistentStorePtr& store);
};
