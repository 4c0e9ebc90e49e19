#include "app/library/ZQFilterSearch.h"

#include "app/library/ZQLibraryRecords.h"
#include "kit/foundation/ZQShared.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Date.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"

#include <QSet>

#include <QDir>
#include <QFileInfo>

bool ZQFilterSearch::spaceAndPageOfHit(const QUrl& hit, QString* spaceFolder, QString* pageUuid)
{
    QString path = hit.toLocalFile();
    if (path.endsWith(QStringLiteral("/main.md")))
        path = QFileInfo(path).path();
    while (path.endsWith(u'/'))
        path.chop(1);
    if (!path.endsWith(QStringLiteral("mkqrv")))
        return false;
    const QFileInfo package(path);
    const QString parent = package.path();
    const QString folder = QFileInfo(parent).fileName();
    // Only a package that sits in the folder of the space of that name.
    if (folder.isEmpty() || !ZQShared::isSameDirectory(ZSUtils::spaceUrl(folder).toLocalFile(), parent))
        return false;
    *spaceFolder = folder;
    *pageUuid = package.fileName();
    return true;
}

plat::ManagedObjectPtr ZQFilterSearch::buildSpaceTitle(const plat::ManagedObjectContextPtr& context, const QString& spaceFolder,
                                                       const QString& spaceTitle, const plat::PersistentStorePtr& store)
{
    const auto row = context->insertNewObject(QStringLiteral("Node"));
    if (store)
        context->assignObject(row, store);
    row->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(spaceTitle))), QStringLiteral("title"));
    row->setValue(plat::Value(ZSUtils::uuid()), QStringLiteral("uuid"));
    row->setValue(plat::Value(spaceFolder), QStringLiteral("spaceFolder"));
    row->setValue(plat::Value(ZQNodeType::SpaceTitle), QStringLiteral("type"));
    const auto now = plat::Date::now();
    row->setValue(plat::Value(now), QStringLiteral("createdDate"));
    row->setValue(plat::Value(now), QStringLiteral("modifiedDate"));
    row->setValue(plat::Value(qint64(0)), QStringLiteral("sortIndex"));
    return row;
}

qsizetype ZQFilterSearch::fillFilterList(const ZQPageListDocumentPtr& filterList, const QList<QUrl>& hits)
{
    const auto context = filterList ? filterList->managedObjectContext() : nullptr;
    if (!context)
        return 0;
    const auto store = filterList->pageStore(ZQSpaceFolder::filters());
    context->performAndWait([&] {
        for (const auto& record : filterList->getAllPages())
            context->deleteObject(record);
    });
    qsizetype listed = 0;
    QStringList spaces;
    QSet<QString> seenPages;
    for (const QUrl& hit : hits) {
        QString folder, uuid;
        if (!spaceAndPageOfHit(hit, &folder, &uuid) || seenPages.contains(folder + u'/' + uuid))
            continue;
        const auto source = ZSCoreDataUtil::getPageObjectByUUID(uuid, folder);
        if (!source)
            continue;
        seenPages.insert(folder + u'/' + uuid);
        context->performAndWait([&] {
            const auto copy = context->insertNewObject(QStringLiteral("Node"));
            ZSCoreDataUtil::copyPageObj(source, copy, 3);
            if (store)
                context->assignObject(copy, store);
        });
        ++listed;
        if (!spaces.contains(folder))
            spaces << folder;
    }
    for (const QString& folder : spaces) {
        const auto space = ZSCoreDataUtil::getSpaceObject(folder);
        context->performAndWait(
            [&] { buildSpaceTitle(context, folder, space ? ZQLibraryRecords::pageTitle(space) : QString(), store); });
    }
    Exs::persistAndWait(context);
    filterList->reloadData();
    return listed;
}
