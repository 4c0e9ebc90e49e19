// The library's stores through ZSCoreData: the action-date stamp, the save
// chain's failures, page creation, and the combined page-tree context.

#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSAbstractCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "kit/model/ZSUtils.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include "support/EventLoop.h"
#include "support/InstalledSettings.h"

#include <QProcess>
#include <QUuid>
#include <gtest/gtest.h>

using plat::Value;

namespace {

QString freshFolder()
{
    return QStringLiteral("s%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
}

QString sqlite(const QUrl& file, const QString& sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {file.toLocalFile(), sql});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

plat::ManagedObjectPtr newPage(const QString& folder, const QString& uuid)
{
    return ZSCoreDataUtil::createPageRecord(uuid, std::nullopt, folder, QString(), Value());
}

TEST(ZSCoreData, ChangedPagesAreStampedUnlessTheChangeSetTheDate)
{
    const QString folder = freshFolder();
    auto context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
    EXPECT_EQ(context, ZSCoreData::sharedCoredData()->pageObjectContext(folder));
    auto page = newPage(folder, "p-1.mkqrv");
    EXPECT_TRUE(page->valueForKey("actionDate").isNull()) << "an insert is never stamped";

    const auto given = plat::Date::fromSeconds(1000);
    struct Step {
        const char* what;
        bool setDate;
    };
    for (const Step step : {Step{"title only", false}, Step{"title and date", true}, Step{"title again", false}}) {
        const auto before = plat::Date::now();
        page->setValue(Value(plat::AttributedText::create(plat::AttributedString(step.what))), "title");
        if (step.setDate)
            page->setValue(Value(given), "actionDate");
        ASSERT_TRUE(Exs::persistAndWait(context)) << step.what;
        const auto stamped = page->valueForKey("actionDate").toObject<plat::Date>();
        ASSERT_TRUE(stamped) << step.what;
        if (step.setDate)
            EXPECT_TRUE(stamped->isEqual(*given)) << step.what;
        else
            EXPECT_GE(stamped->secondsSince1970(), before->secondsSince1970()) << step.what;
    }
    const QUrl file = ZSUtils::databaseUrl("workspace.sql", folder);
    EXPECT_NE(sqlite(file, "SELECT actionDate FROM Node"), QStringLiteral("1000.0"));
    EXPECT_EQ(sqlite(file, "SELECT COUNT(*) FROM Node WHERE actionDate IS NOT NULL"), QStringLiteral("1"));
}

TEST(ZSCoreData, AFailingChildSaveReachesTheCallerAndLeavesTheFile)
{
    const QString folder = freshFolder();
    newPage(folder, "kept");
    auto context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
    context->insertNewObject("Node"); // no uuid: the child refuses to save it
    std::optional<ZQErrorValue> error;
    EXPECT_FALSE(Exs::persistAndWait(context, &error));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->localizedDescription().contains("uuid"));
    EXPECT_EQ(sqlite(ZSUtils::databaseUrl("workspace.sql", folder), "SELECT group_concat(uuid) FROM Node"), "kept");
    EXPECT_TRUE(context->hasChanges());
    context->reset();
}

TEST(ZSCoreDataUtil, NewPagesGoFirstOrAfterEveryPageAsTheSettingSays)
{
    auto settings = installedSettings();
    const QString folder = freshFolder();
    settings->setAppendNewPageToTail(false);
    auto first = newPage(folder, "a");
    EXPECT_EQ(first->valueForKey("sortIndex").toInteger(), 0);
    EXPECT_EQ(first->valueForKey("type").toInteger(), 1);
    EXPECT_TRUE(first->valueForKey("createdDate") == first->valueForKey("modifiedDate"));
    EXPECT_EQ(first->valueForKey("title").toObject<plat::AttributedText>()->text().length(), 0);

    const QString tail = freshFolder();
    settings->setAppendNewPageToTail(true);
    EXPECT_EQ(newPage(tail, "a")->valueForKey("sortIndex").toInteger(), 101);
    EXPECT_EQ(newPage(tail, "b")->valueForKey("sortIndex").toInteger(), 102);
    settings->setAppendNewPageToTail(false);
    EXPECT_EQ(ZSCoreDataUtil::pageListSize(tail), 2);
    EXPECT_EQ(ZSCoreDataUtil::getPageObjectByUUID("b", tail)->valueForKey("sortIndex").toInteger(), 102);
    EXPECT_FALSE(ZSCoreDataUtil::getPageObjectByUUID("zz", tail));
}

TEST(ZSCoreDataUtil, CopiesAndSpacesCarryWhatTheLibraryReads)
{
    const QString folder = freshFolder();
    auto context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
    auto source = newPage(folder, "src");
    source->setValue(Value(qint64(77)), "dropboxFileInode");
    for (const qint64 moveType : {1, 0}) {
        auto target = context->insertNewObject("Node");
        ZSCoreDataUtil::copyPageObj(source, target, moveType);
        EXPECT_EQ(target->valueForKey("sourceSpaceFolder").toString(), moveType == 1 ? folder : QString());
        EXPECT_TRUE(target->valueForKey("sourceSpaceFolder").isString());
        EXPECT_TRUE(target->valueForKey("dropboxFileInode").isNull());
        EXPECT_EQ(target->valueForKey("uuid").toString(), QStringLiteral("src"));
        context->deleteObject(target);
    }

    auto spaces = ZSCoreData::sharedCoredData()->spaceObjectContext();
    const QString root = freshFolder();
    auto library = ZSCoreDataUtil::createSpaceRecord(root, nullptr, "My Library", 1, false, spaces);
    auto trash = ZSCoreDataUtil::createSpaceRecord(freshFolder(), library, "Trash", -2, true, spaces);
    ZSCoreDataUtil::createSpaceRecord(freshFolder(), nullptr, "Tags", -3, true, spaces);
    EXPECT_TRUE(library->valueForKey("parent").isNull());
    EXPECT_EQ(library->valueForKey("label").toString(), QString(""));
    EXPECT_TRUE(library->valueForKey("label").isString());
    ASSERT_TRUE(Exs::persistAndWait(spaces));
    EXPECT_EQ(ZSCoreDataUtil::getSpaceObject(trash->valueForKey("folder").toString())->valueForKey("parent").toObject<plat::ManagedObject>(),
              library);
    std::vector<std::pair<qint64, bool>> handed;
    ZSCoreDataUtil::iteratorSpaces([&](const plat::ManagedObjectPtr& space, const plat::ManagedObjectContextPtr&, bool last) {
        handed.emplace_back(space->valueForKey("spaceType").toInteger(), last);
    });
    ASSERT_GE(handed.size(), 2u);
    EXPECT_EQ(handed.back(), std::make_pair(qint64(-2), true));
    for (const auto& [type, last] : handed)
        EXPECT_NE(type, -3);
}

TEST(ZSCoreData, CombinedContextSeesSavesOfItsStoresAndMergesAllButSpaceTitles)
{
    auto coreData = ZSCoreData::sharedCoredData();
    const QString root = freshFolder();
    std::map<QString, QUrl> stores;
    std::vector<QString> folders;
    for (int i = 0; i < 30; ++i) {
        folders.push_back(freshFolder());
        newPage(folders.back(), QStringLiteral("first-%1").arg(i));
        stores.emplace(folders.back(), ZSUtils::databaseUrl("workspace.sql", folders.back()));
    }
    auto titles = coreData->spaceTitleObjectContext();
    auto titleRow = ZSCoreDataUtil::createPageRecord("title-" + root, std::nullopt, root, QString(), Value(), titles, nullptr, nullptr);
    titleRow->setValue(Value(qint64(2)), "type");
    ASSERT_TRUE(Exs::persistAndWait(titles));
    stores.emplace(ZSCoreData::spaceTitleStoreName(), ZSUtils::databaseUrl("spaceview.sql", QString()));

    ZSAbstractCoreData accessor;
    QList<QUrl> urls;
    for (const auto& folder : folders)
        urls << stores[folder];
    coreData->setCurrentSelectedRootSpaceFolder(root);
    auto combined = coreData->pageTreeObjectContext(root, stores);
    ASSERT_TRUE(combined);
    EXPECT_EQ(coreData->currentVisiblePageTreeContext(), combined);
    EXPECT_EQ(coreData->pageStore(root, folders[4])->path(), stores[folders[4]].toLocalFile());

    // A page saved in one store is found without reopening anything.
    newPage(folders[17], "later");
    auto later = ZSCoreDataUtil::getPageObjectByUUID("later", combined);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->objectID()->persistentStore()->path(), stores[folders[17]].toLocalFile());

    // A change saved in a page store reaches the combined context's record.
    auto seen = ZSCoreDataUtil::getPageObjectByUUID("first-3", combined);
    auto own = ZSCoreDataUtil::getPageObjectByUUID("first-3", folders[3]);
    own->setValue(Value(qint64(42)), "sortIndex");
    ASSERT_TRUE(Exs::persistAndWait(coreData->pageObjectContext(folders[3])));
    EXPECT_TRUE(testsupport::runEventsUntil([&] { return seen->valueForKey("sortIndex").toInteger() == 42; }, 10));

    // A save of the space-title store does not.
    int merges = 0;
    const auto token = plat::NotificationCenter::defaultCenter().addObserver(
        plat::ManagedObjectContext::objectsDidChangeNotification(), combined.get(), [&](const plat::Notification&) { ++merges; });
    auto seenTitle = ZSCoreDataUtil::getPageObjectByUUID("title-" + root, combined);
    ASSERT_TRUE(seenTitle);
    titleRow->setValue(Value(qint64(9)), "sortIndex");
    ASSERT_TRUE(Exs::persistAndWait(titles));
    own->setValue(Value(qint64(43)), "sortIndex"); // a merge that follows, as a marker
    ASSERT_TRUE(Exs::persistAndWait(coreData->pageObjectContext(folders[3])));
    EXPECT_TRUE(testsupport::runEventsUntil([&] { return seen->valueForKey("sortIndex").toInteger() == 43; }, 10));
    EXPECT_EQ(seenTitle->valueForKey("sortIndex").toInteger(), 0);
    EXPECT_EQ(merges, 1);
    plat::NotificationCenter::defaultCenter().removeObserver(token);

    // The same stores in another order find the same context; another set replaces it.
    std::map<QString, QUrl> fewer = stores;
    EXPECT_EQ(coreData->pageTreeObjectContext(root, stores), combined);
    fewer.erase(folders[0]);
    EXPECT_NE(coreData->pageTreeObjectContext(root, fewer), combined);
    coreData->setCurrentSelectedRootSpaceFolder(QString());
    coreData->removePageContext(root);
}

} // namespace
