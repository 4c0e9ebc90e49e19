// The full-text index: what a search finds in every script, text typed into
// the search that looks like query syntax, replacing, moving and removing
// documents, surviving a restart and a broken file, compaction, the bounded
// search batches, the flush before a search, and the rebuilds from the records.

#include "app/library/ZQIndexService.h"

#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/Clock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

using plat::Value;

namespace {

// Collects warnings while alive.
class WarningLog {
public:
    WarningLog()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    QStringList messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (type != QtDebugMsg && s_current) {
            std::lock_guard lock(s_current->m_mutex);
            s_current->m_messages << message;
        }
    }
    static inline WarningLog* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    QStringList m_messages;
};

QUrl docUrl(const QString& name)
{
    return QUrl::fromLocalFile(QStringLiteral("/library/space/%1.mkqrv/main.md").arg(name));
}

// The names of the hits made by docUrl, sorted.
std::set<QString> names(const QList<QUrl>& hits)
{
    std::set<QString> result;
    for (const QUrl& hit : hits)
        result.insert(QFileInfo(QFileInfo(hit.toLocalFile()).path()).completeBaseName());
    return result;
}

void writeFile(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

QString sqlite(const QString& file, const QString& sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {file, sql});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString freshFolder()
{
    return QStringLiteral("s%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
}

class IndexTest : public ::testing::Test {
protected:
    QString indexPath() const { return m_dir.filePath(QStringLiteral("pages.index")); }
    std::unique_ptr<ZQIndexService> open() { return std::make_unique<ZQIndexService>(indexPath()); }

    QTemporaryDir m_dir;
};

TEST_F(IndexTest, SearchRequiresEveryTermAndFindsWordsOfEveryScript)
{
    auto index = open();
    const std::vector<std::pair<QString, QString>> pages = {
        {"abg", "alpha beta gamma"},
        {"a", "alpha"},
        {"letter", "x marks the spot of a naïve plan"},
        {"decomposed", QStringLiteral("cafe\u0301 society")},
        {"zh", QStringLiteral("我们今天去北京天安门广场。")},
        {"ja", QStringLiteral("東京都に住んでいます")},
        {"ko", QStringLiteral("서울에서 만나요")},
        {"th", QStringLiteral("สวัสดีครับ")},
        {"hi", QStringLiteral("नमस्ते दुनिया")},
        {"mixed", QStringLiteral("Release notes: 版本2更新 for alpha-testers")},
    };
    for (const auto& [name, text] : pages)
        index->addFile(docUrl(name), QString(), text);
    index->waitUntilAllWritesAreDone();

    const std::vector<std::pair<QString, std::set<QString>>> cases = {
        {"alpha gamma", {"abg"}},
        {"gamma   alpha", {"abg"}},
        {"alpha", {"a", "abg", "mixed"}},
        {"ALPHA Beta", {"abg"}},
        {"alpha delta", {}},
        {"x", {"letter"}},
        {"naive", {"letter"}},
        {QStringLiteral("NAÏVE"), {"letter"}},
        {QStringLiteral("café"), {"decomposed"}},
        {"cafe", {"decomposed"}},
        {QStringLiteral("北京"), {"zh"}},
        {QStringLiteral("京天安"), {"zh"}},
        {QStringLiteral("北"), {"zh"}},
        {QStringLiteral("北京 广场"), {"zh"}},
        {QStringLiteral("京北"), {}},
        {QStringLiteral("東京"), {"ja"}},
        {QStringLiteral("住んで"), {"ja"}},
        {QStringLiteral("서울"), {"ko"}},
        {QStringLiteral("สวัสดี"), {"th"}},
        {QStringLiteral("नमस्ते"), {"hi"}},
        {QStringLiteral("版本 alpha"), {"mixed"}},
        {QStringLiteral("更新"), {"mixed"}},
        {"testers", {"mixed"}},
        {"", {}},
        {" \t\n", {}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(names(index->search(query)), expected) << query.toStdString();
}

TEST_F(IndexTest, QuerySyntaxTypedIntoTheSearchIsSearchedAsText)
{
    auto index = open();
    index->addFile(docUrl("abg"), QString(), "alpha beta gamma");
    index->addFile(docUrl("near"), QString(), "we live near the sea, or so they say");
    index->addFile(docUrl("title"), "Title", "alpha");
    index->waitUntilAllWritesAreDone();

    WarningLog log;
    const std::vector<std::pair<QString, std::set<QString>>> cases = {
        {"\"", {}},
        {"*", {}},
        {"-", {}},
        {"(", {}},
        {":", {}},
        {"\"\"\"", {}},
        {"NEAR", {"near"}},
        {"NEAR(alpha beta)", {}},
        {"near sea", {"near"}},
        {"alpha OR beta", {}},
        {"or", {"near"}},
        {"alpha AND", {}},
        {"NOT alpha", {}},
        {"-alpha", {"abg", "title"}},
        {"alpha*", {"abg", "title"}},
        {"alp*", {}},
        {"\"alpha", {"abg", "title"}},
        {"alpha\" OR \"sea", {}},
        {"title:alpha", {}},
        {"body:alpha", {}},
        {"^alpha", {"abg", "title"}},
        {"{alpha beta}", {"abg"}},
        {"alpha \" *", {"abg", "title"}},
        {"'", {}},
        {"+ : ( ) ^ *", {}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(names(index->search(query)), expected) << query.toStdString();
    EXPECT_TRUE(log.messages().isEmpty()) << log.messages().join("\n").toStdString();
}

TEST_F(IndexTest, AddingAgainReplacesAndRemovingForgets)
{
    auto index = open();
    index->addFile(docUrl("p"), QString(), "first draft");
    index->addFile(docUrl("p"), QString(), "second version");
    index->waitUntilAllWritesAreDone();
    EXPECT_EQ(index->documentCount(), 1);
    EXPECT_EQ(index->maximumDocumentId(), 1) << "a replaced document keeps its identifier";
    EXPECT_TRUE(index->search("draft").isEmpty());
    EXPECT_EQ(index->search("second"), QList<QUrl>{docUrl("p")});

    // A file that cannot be read leaves the entry as it was.
    index->addFile(docUrl("p"));
    // Nothing can be made of these; they change nothing.
    index->addFile(QUrl("https://example.com/x.md"), QString(), "second");
    index->deleteFile(QUrl());
    index->deleteFile(docUrl("never-added"));
    index->waitUntilAllWritesAreDone();
    EXPECT_EQ(index->search("second"), QList<QUrl>{docUrl("p")});

    index->deleteFile(docUrl("p"));
    index->waitUntilAllWritesAreDone();
    EXPECT_TRUE(index->search("second").isEmpty());
    EXPECT_EQ(index->documentCount(), 0);
}

TEST_F(IndexTest, PackagesAreReadFromDiskAndMovedAndUrlsComeBackExactly)
{
    auto index = open();
    // Spaces, '#', '%' and non-ASCII letters survive the round trip through the index.
    const QString old = m_dir.filePath(QStringLiteral("space one/p #1 %20 ä.mkqrv"));
    const QString moved = m_dir.filePath(QStringLiteral("space two/p-2.mkqrv"));
    writeFile(old + "/main.md", "# Harbour\nboats and tides");
    writeFile(moved + "/main.md", "# Harbour\nboats and tides, moved");
    index->addDoc(QUrl::fromLocalFile(old));
    index->waitUntilAllWritesAreDone();
    const QList<QUrl> hits = index->search("tides");
    ASSERT_EQ(hits.size(), 1);
    EXPECT_EQ(hits[0].toLocalFile(), old + "/main.md");

    index->moveDoc(QUrl::fromLocalFile(old), QUrl::fromLocalFile(moved + "/"));
    index->waitUntilAllWritesAreDone();
    EXPECT_EQ(index->search("harbour boats"), QList<QUrl>{QUrl::fromLocalFile(moved + "/main.md")});

    index->deleteDoc(QUrl::fromLocalFile(moved));
    index->waitUntilAllWritesAreDone();
    EXPECT_TRUE(index->search("tides").isEmpty());
}

TEST_F(IndexTest, TheIndexSurvivesARestartAndABrokenFileIsKeptAside)
{
    {
        auto index = open();
        index->addFile(docUrl("kept"), QString(), "persistent lighthouse");
        // No wait: closing finishes the queued writes.
    }
    {
        auto index = open();
        EXPECT_EQ(index->search("lighthouse"), QList<QUrl>{docUrl("kept")});
    }

    const QByteArray garbage("this is not an index at all, just some bytes");
    {
        QFile file(indexPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
    }
    QFile::remove(indexPath() + "-wal");
    QFile::remove(indexPath() + "-shm");
    WarningLog log;
    auto index = open();
    ASSERT_TRUE(index->isOpen());
    EXPECT_TRUE(index->search("lighthouse").isEmpty());
    index->addFile(docUrl("fresh"), QString(), "fresh start");
    index->waitUntilAllWritesAreDone();
    EXPECT_EQ(index->search("fresh"), QList<QUrl>{docUrl("fresh")});
    QFile aside(indexPath() + ".broken-1");
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), garbage);
    EXPECT_FALSE(log.messages().isEmpty());
}

TEST_F(IndexTest, AnIndexThatCannotBeMadeFindsNothingAndDoesNotFail)
{
    ZQIndexService index(m_dir.filePath("missing-folder/deeper/pages.index"));
    EXPECT_FALSE(index.isOpen());
    index.addFile(docUrl("p"), QString(), "anything");
    index.compactStore(0);
    index.waitUntilAllWritesAreDone();
    EXPECT_TRUE(index.search("anything").isEmpty());
    EXPECT_EQ(index.documentCount(), 0);
}

TEST_F(IndexTest, CompactionAtStartFollowsTheShareOfUsedUpIdentifiers)
{
    struct Case {
        int highest;
        bool compacted;
    };
    for (const Case c : {Case{125, false}, Case{126, true}}) {
        QFile::remove(indexPath());
        QFile::remove(indexPath() + "-wal");
        QFile::remove(indexPath() + "-shm");
        {
            auto index = open();
            for (int i = 1; i <= c.highest; ++i)
                index->addFile(docUrl(QString::number(i)), QString(), QStringLiteral("page number%1 common").arg(i));
            // Remove all but 100, never the last, so the highest identifier stays.
            for (int i = 1; i <= c.highest - 100; ++i)
                index->deleteFile(docUrl(QString::number(i * 2)));
            index->waitUntilAllWritesAreDone();
            ASSERT_EQ(index->documentCount(), 100);
            ASSERT_EQ(index->maximumDocumentId(), c.highest);
            EXPECT_FALSE(index->compactStore(0.5f));
            // A positive answer would compact here already; opening must do it.
            if (!c.compacted) {
                EXPECT_FALSE(index->compactStore(0.25f));
            }
        }
        auto index = open(); // checks at 0.25 while opening
        index->waitUntilAllWritesAreDone();
        EXPECT_EQ(index->maximumDocumentId(), c.compacted ? 100 : c.highest) << c.highest;
        EXPECT_EQ(index->documentCount(), 100);
        // Every live document is still found under its own URL after renumbering.
        EXPECT_EQ(index->search("common").size(), 100);
        EXPECT_EQ(index->search(QStringLiteral("number%1").arg(c.highest)), QList<QUrl>{docUrl(QString::number(c.highest))});
        EXPECT_TRUE(index->search("number2").isEmpty());
        // A new document continues after the compacted numbering.
        index->addFile(docUrl("new"), QString(), "newcomer");
        index->waitUntilAllWritesAreDone();
        EXPECT_EQ(index->maximumDocumentId(), (c.compacted ? 100 : c.highest) + 1);
        EXPECT_EQ(index->search("newcomer"), QList<QUrl>{docUrl("new")});
    }
    QFile::remove(indexPath());
    auto empty = open();
    EXPECT_FALSE(empty->compactStore(0.25f));
    EXPECT_TRUE(empty->compactStore(0)) << "a zero threshold always compacts";
    empty->waitUntilAllWritesAreDone();
    EXPECT_EQ(empty->documentCount(), 0);
}

// Time that moves on by step at every reading.
class TickingClock final : public plat::Clock {
public:
    explicit TickingClock(double step) : m_step(step) {}
    double now() const override
    {
        std::lock_guard lock(m_mutex);
        return m_now += m_step;
    }
    plat::ClockTimerId schedule(double, plat::DispatchQueuePtr, plat::Task) override { return 0; }
    void cancel(plat::ClockTimerId) override {}

private:
    double m_step;
    mutable std::mutex m_mutex;
    mutable double m_now = 0;
};

TEST_F(IndexTest, HitsComeInBatchesOfAtMost200WithinOneSecond)
{
    auto index = open();
    for (int i = 0; i < 450; ++i)
        index->addFile(docUrl(QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'))), QString(), "shared word");
    index->waitUntilAllWritesAreDone();

    struct Case {
        const char* clock;
        double step;
        std::vector<int> batches;
    };
    const std::vector<Case> cases = {
        {"still", 0.0, {200, 200, 50}},
        // 1/8 s per row: the second's limit ends each batch after 8 rows.
        {"slow", 0.125, [] {
             std::vector<int> sizes(56, 8);
             sizes.push_back(2);
             return sizes;
         }()},
    };
    const auto previous = plat::Clock::current();
    for (const auto& c : cases) {
        plat::Clock::setCurrent(std::make_shared<TickingClock>(c.step));
        std::vector<int> sizes;
        QList<QUrl> all;
        index->search("shared", [&](const QList<QUrl>& batch) {
            sizes.push_back(int(batch.size()));
            all += batch;
        });
        EXPECT_EQ(sizes, c.batches) << c.clock;
        ASSERT_EQ(all.size(), 450) << c.clock;
        EXPECT_EQ(all.front(), docUrl("000"));
        EXPECT_EQ(all.back(), docUrl("449")) << "hits come in index order";
    }
    plat::Clock::setCurrent(previous);
}

TEST_F(IndexTest, ASearchSeesEveryWriteAlreadyDoneButNoneStillWaiting)
{
    auto index = open();
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    index->setTextReader([&](const QUrl& url) -> std::optional<QString> {
        if (url != docUrl("slow"))
            return QStringLiteral("quick text");
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return released; });
        return QStringLiteral("slow text");
    });
    index->addFile(docUrl("quick"));
    index->addFile(docUrl("slow"));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return entered; }));
    }
    // The quick page is written but its transaction is still open, since the
    // slow one was queued behind it: the search commits it first.
    EXPECT_EQ(index->search("text"), QList<QUrl>{docUrl("quick")});
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    changed.notify_all();
    index->waitUntilAllWritesAreDone();
    EXPECT_EQ(names(index->search("text")), (std::set<QString>{"quick", "slow"}));
}

// --- Rebuilds from the library's records -------------------------------------

plat::ManagedObjectPtr space(const QString& folder, const plat::ManagedObjectPtr& parent, qint32 type, bool system = false)
{
    auto context = ZSCoreData::sharedCoredData()->spaceObjectContext();
    if (auto existing = ZSCoreDataUtil::getSpaceObject(folder))
        return existing;
    auto record = ZSCoreDataUtil::createSpaceRecord(folder, parent, folder, type, system, context);
    EXPECT_TRUE(Exs::persistAndWait(context));
    return record;
}

// A library page with its package on disk.
void libraryPage(const QString& folder, const QString& uuid, const QString& text)
{
    ZSCoreDataUtil::createPageRecord(uuid, std::nullopt, folder, QString(), Value());
    writeFile(ZSUtils::pageUrl(uuid, folder).toLocalFile() + "/main.md", text);
}

TEST_F(IndexTest, RebuildsWalkTheSpacesAndLeaveTheTrashOut)
{
    const QString word = QStringLiteral("w%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(10));
    const auto text = [&](const char* page) { return QStringLiteral("%1 %2").arg(word, page); };

    const QString library = freshFolder(), child = freshFolder(), grandChild = freshFolder(), trashed = freshFolder(),
                  linked = freshFolder();
    auto libraryRecord = space(library, nullptr, 1);
    auto childRecord = space(child, libraryRecord, 1);
    space(grandChild, childRecord, 1);
    auto trash = space("sys__trash", nullptr, -2, true);
    space(trashed, trash, 1);
    auto linkedRecord = space(linked, nullptr, 10);
    linkedRecord->setValue(Value(m_dir.filePath("linked")), "dropboxPath");
    ASSERT_TRUE(Exs::persistAndWait(ZSCoreData::sharedCoredData()->spaceObjectContext()));

    libraryPage(library, "p-1.mkqrv", text("one"));
    libraryPage(library, "p-2.mkqrv", text("two"));
    libraryPage(child, "p-3.mkqrv", text("three"));
    libraryPage(grandChild, "p-4.mkqrv", text("four"));
    libraryPage(trashed, "p-5.mkqrv", text("trashed"));
    ZSCoreDataUtil::createPageRecord("l-1", std::nullopt, linked, "notes.md", Value());
    writeFile(m_dir.filePath("linked/notes.md"), text("linked"));
    // A trashed page lives in the trash's own store; no rebuild reaches it.
    libraryPage("sys__trash", "p-6.mkqrv", text("in-trash"));

    const auto found = [&](ZQIndexService& index) {
        index.waitUntilAllWritesAreDone();
        std::set<QString> pages;
        for (const QUrl& url : index.search(word)) {
            QFile file(url.toLocalFile());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << url.toString().toStdString();
            pages.insert(QString::fromUtf8(file.readAll()).section(' ', 1));
        }
        return pages;
    };

    auto index = open();
    index->rebuildIndexing();
    EXPECT_EQ(found(*index), (std::set<QString>{"one", "two", "three", "four", "linked"}));

    index->removeIndexesForSpace(child, true);
    EXPECT_EQ(found(*index), (std::set<QString>{"one", "two", "linked"}));
    index->rebuildIndexingForSpace(library, false);
    index->rebuildIndexingForSpace(grandChild, false);
    EXPECT_EQ(found(*index), (std::set<QString>{"one", "two", "four", "linked"}));
    index->rebuildIndexingForSpace(library, true);
    EXPECT_EQ(found(*index), (std::set<QString>{"one", "two", "three", "four", "linked"}));
    EXPECT_EQ(index->documentCount(), 5) << "rebuilding again replaces, never duplicates";

    // A system space has no documents of its own to remove; an unknown folder neither.
    index->removeIndexesForSpace("sys__trash", true);
    index->removeIndexesForSpace("no-such-space", true);
    EXPECT_EQ(found(*index).size(), 5u);
    index->removeIndexesForSpace(linked, true);
    index->removeIndexesForSpace(library, true);
    EXPECT_TRUE(found(*index).empty());
}

TEST(ZQIndexServiceShared, DeletingTheFileUnderTheSharedServiceStartsAFreshFile)
{
    auto shared = ZQIndexService::sharedIndexService();
    EXPECT_EQ(shared, ZQIndexService::sharedIndexService());
    const QString path = ZQIndexService::standardIndexPath();
    EXPECT_TRUE(path.endsWith("/__indexes/pages.index"));
    EXPECT_EQ(shared->indexPath(), path);

    shared->addFile(docUrl("before"), QString(), "ancient scroll");
    shared->waitUntilAllWritesAreDone();
    ASSERT_EQ(shared->search("scroll").size(), 1);

    ZQIndexService::deleteIndexFile();
    EXPECT_TRUE(shared->search("scroll").isEmpty());
    shared->addFile(docUrl("after"), QString(), "modern tablet");
    shared->waitUntilAllWritesAreDone();
    EXPECT_EQ(shared->search("tablet"), QList<QUrl>{docUrl("after")});
    // The write reached the file on disk, not a deleted one.
    EXPECT_EQ(sqlite(path, "SELECT url FROM documents"), docUrl("after").toString());
}

} // namespace
