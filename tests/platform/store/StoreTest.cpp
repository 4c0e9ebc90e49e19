// The record store layer on its own: files the sqlite3 command line reads,
// fetches that see unsaved work, failed saves that leave the file alone,
// foreign files left untouched, and additive migration.

#include "platform/store/Date.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace plat;

namespace {

const char* const modelJson = R"({"name": "pages", "entities": [
  {"name": "Node", "attributes": [
     {"name": "uuid", "type": "string", "optional": false, "indexed": true},
     {"name": "title", "type": "transformable"},
     {"name": "type", "type": "integer64"},
     {"name": "sortIndex", "type": "integer64"},
     {"name": "modifiedDate", "type": "date"}]},
  {"name": "Folder", "attributes": [{"name": "folder", "type": "string"}],
   "relationships": [{"name": "parent", "destination": "Folder"}]}]})";

QString sqlite(const QString& path, const QString& sql)
{
    QProcess process;
    process.start(QStringLiteral("sqlite3"), {path, sql});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

struct Stack {
    explicit Stack(const QString& path, const char* json = modelJson)
    {
        QString modelError;
        auto model = ManagedObjectModel::fromJson(json, &modelError);
        EXPECT_TRUE(model) << modelError.toStdString();
        coordinator = PersistentStoreCoordinator::create(model);
        store = coordinator->addPersistentStore(path, {}, &error);
        root->setPersistentStoreCoordinator(coordinator);
        child->setParentContext(root);
    }

    // A save of the child, then of the root, each on its own queue.
    bool persistAndWait(StoreError* failure)
    {
        bool ok = true;
        child->performAndWait([&] { ok = child->save(failure); });
        if (ok)
            root->performAndWait([&] { ok = root->save(failure); });
        return ok;
    }

    ManagedObjectPtr insertPage(const QString& uuid, qint64 sortIndex)
    {
        auto page = child->insertNewObject(QStringLiteral("Node"));
        page->setValue(Value(uuid), QStringLiteral("uuid"));
        page->setValue(Value(qint64(1)), QStringLiteral("type"));
        page->setValue(Value(sortIndex), QStringLiteral("sortIndex"));
        return page;
    }

    std::vector<QString> uuids(const QString& format = QStringLiteral("type==%ld"), const ValueList& args = {Value(1)})
    {
        FetchRequest request(QStringLiteral("Node"), Predicate::withFormat(format, args));
        request.sortDescriptors = {{QStringLiteral("sortIndex"), true}};
        std::vector<QString> out;
        const auto pages = child->executeFetchRequest(request);
        for (const auto& page : *pages)
            out.push_back(page->valueForKey(QStringLiteral("uuid")).toString());
        return out;
    }

    StoreError error;
    PersistentStoreCoordinatorPtr coordinator;
    PersistentStorePtr store;
    ManagedObjectContextPtr root = ManagedObjectContext::create(ConcurrencyType::PrivateQueue);
    ManagedObjectContextPtr child = ManagedObjectContext::create(ConcurrencyType::MainQueue);
};

TEST(RecordStore, PersistedRowsAreInTheFileForTheCommandLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("workspace.sql");
    Stack stack(path);
    ASSERT_TRUE(stack.store) << stack.error.message.toStdString();
    auto page = stack.insertPage(QStringLiteral("p-1.mkqrv"), 5);
    page->setValue(Value(AttributedText::create(AttributedString(QStringLiteral("Title")))), QStringLiteral("title"));
    page->setValue(Value(Date::fromSeconds(1700000000.25)), QStringLiteral("modifiedDate"));

    stack.child->performAndWait([&] { ASSERT_TRUE(stack.child->save(nullptr)); });
    // Saved into the parent only: not yet in the file.
    EXPECT_EQ(sqlite(path, "SELECT COUNT(*) FROM Node"), QStringLiteral("0"));
    stack.root->performAndWait([&] { ASSERT_TRUE(stack.root->save(nullptr)); });
    EXPECT_EQ(sqlite(path, "SELECT uuid, type, sortIndex, modifiedDate FROM Node"),
              QStringLiteral("p-1.mkqrv|1|5|1700000000.25"));
    EXPECT_EQ(sqlite(path, "PRAGMA journal_mode"), QStringLiteral("wal"));

    // A second stack over the file reads the values back as they were written.
    Stack again(path);
    const auto pages = again.child->executeFetchRequest(FetchRequest(QStringLiteral("Node")));
    ASSERT_EQ(pages->size(), 1u);
    EXPECT_EQ(pages->front()->valueForKey("title").toObject<AttributedText>()->text().string(), QStringLiteral("Title"));
    EXPECT_TRUE(pages->front()->valueForKey("modifiedDate") == Value(Date::fromSeconds(1700000000.25)));
    EXPECT_EQ(page->objectID()->primaryKey(), 1);
}

TEST(RecordStore, FetchesAndCountsSeeUnsavedWorkOfTheChainAndKeepTheOrder)
{
    QTemporaryDir dir;
    Stack stack(dir.filePath("w.sql"));
    stack.insertPage("a", 1);
    stack.insertPage("b", 2);
    auto c = stack.insertPage("c", 3);
    ASSERT_TRUE(stack.persistAndWait(nullptr));

    // Unsaved in the root: a new page and a changed sort index.
    stack.root->performAndWait([&] {
        auto d = stack.root->insertNewObject("Node");
        d->setValue(Value("d"), "uuid");
        d->setValue(Value(1), "type");
        d->setValue(Value(0), "sortIndex");
    });
    // Unsaved in the child: one page deleted, one moved out of the condition, one moved to the end.
    auto pages = *stack.child->executeFetchRequest(FetchRequest("Node"));
    for (const auto& page : pages) {
        const QString uuid = page->valueForKey("uuid").toString();
        if (uuid == "a")
            stack.child->deleteObject(page);
        if (uuid == "b")
            page->setValue(Value(2), "type");
        if (uuid == "c")
            page->setValue(Value(9), "sortIndex");
    }
    stack.insertPage("e", 4);

    EXPECT_EQ(stack.uuids(), (std::vector<QString>{"d", "e", "c"}));
    EXPECT_EQ(stack.child->countForFetchRequest(FetchRequest("Node", Predicate::withFormat("type==%ld", {Value(1)}))), 3);
    FetchRequest limited("Node", Predicate::withFormat("type == 1"));
    limited.sortDescriptors = {{"sortIndex", false}};
    limited.fetchLimit = 1;
    EXPECT_EQ((*stack.child->executeFetchRequest(limited)).front(), c);
    EXPECT_EQ(stack.uuids("type == 2 || uuid == 'e'", {}), (std::vector<QString>{"b", "e"}));

    // Nothing reached the file yet; after the chain it holds what the child saw.
    EXPECT_EQ(sqlite(dir.filePath("w.sql"), "SELECT group_concat(uuid) FROM (SELECT uuid FROM Node ORDER BY uuid)"),
              QStringLiteral("a,b,c"));
    ASSERT_TRUE(stack.persistAndWait(nullptr));
    EXPECT_EQ(sqlite(dir.filePath("w.sql"),
                     "SELECT group_concat(uuid) FROM (SELECT uuid FROM Node WHERE type = 1 ORDER BY sortIndex)"),
              QStringLiteral("d,e,c"));
}

TEST(RecordStore, AFailedSaveLeavesTheFileAndTheChangesAsTheyWere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.sql");
    Stack stack(path);
    stack.insertPage("kept", 1);
    ASSERT_TRUE(stack.persistAndWait(nullptr));

    // The child refuses a page without its required uuid; the parent stays clean.
    auto bad = stack.child->insertNewObject("Node");
    StoreError failure;
    EXPECT_FALSE(stack.persistAndWait(&failure));
    EXPECT_EQ(failure.code, StoreError::Validation);
    stack.root->performAndWait([&] { EXPECT_FALSE(stack.root->hasChanges()); });
    stack.child->deleteObject(bad);

    // The file refuses the second of two rows: the transaction takes neither.
    ASSERT_EQ(sqlite(path, "CREATE TRIGGER refuse BEFORE INSERT ON Node WHEN NEW.uuid = 'boom' "
                           "BEGIN SELECT RAISE(ABORT, 'injected'); END; SELECT 1"),
              QStringLiteral("1"));
    stack.insertPage("fine", 2);
    stack.insertPage("boom", 3);
    failure = {};
    EXPECT_FALSE(stack.persistAndWait(&failure));
    EXPECT_EQ(failure.code, StoreError::WriteFailed);
    EXPECT_TRUE(failure.message.contains("injected")) << failure.message.toStdString();
    EXPECT_EQ(sqlite(path, "SELECT group_concat(uuid) FROM Node"), QStringLiteral("kept"));
    // The root keeps the changes and writes them once the file lets it.
    sqlite(path, "DROP TRIGGER refuse");
    EXPECT_TRUE(stack.persistAndWait(nullptr));
    EXPECT_EQ(sqlite(path, "SELECT group_concat(uuid) FROM (SELECT uuid FROM Node ORDER BY sortIndex)"),
              QStringLiteral("kept,fine,boom"));
}

TEST(RecordStore, ForeignFilesAreReportedAndLeftUntouched)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const std::vector<Case> cases = {
        {"text", [](const QString& p) { QFile f(p); f.open(QIODevice::WriteOnly); f.write("not a database at all\n"); }},
        {"other tables", [](const QString& p) { sqlite(p, "CREATE TABLE mine (x); INSERT INTO mine VALUES (1)"); }},
        {"another model", [](const QString& p) { Stack other(p, R"({"name": "other", "entities": [{"name": "X", "attributes": []}]})"); }},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".sql");
        c.make(path);
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray before = file.readAll();
        file.close();
        Stack stack(path);
        EXPECT_FALSE(stack.store) << c.name;
        EXPECT_EQ(stack.error.code, StoreError::NotAStore) << c.name;
        file.open(QIODevice::ReadOnly);
        EXPECT_EQ(file.readAll(), before) << c.name;
        EXPECT_FALSE(QFile::exists(path + "-wal")) << c.name;
    }
}

TEST(RecordStore, AnOlderFileKeepsItsRowsAndGainsTheNewColumn)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.sql");
    QString older = QString::fromLatin1(modelJson);
    older.replace(R"(,
     {"name": "modifiedDate", "type": "date"})", "");
    ASSERT_NE(older, QString::fromLatin1(modelJson));
    {
        Stack stack(path, older.toUtf8().constData());
        for (int i = 1; i <= 3; ++i)
            stack.insertPage(QStringLiteral("p%1").arg(i), i);
        ASSERT_TRUE(stack.persistAndWait(nullptr));
    }
    EXPECT_EQ(sqlite(path, "SELECT COUNT(*) FROM pragma_table_info('Node') WHERE name = 'modifiedDate'"), "0");

    Stack stack(path);
    ASSERT_TRUE(stack.store) << stack.error.message.toStdString();
    EXPECT_EQ(sqlite(path, "SELECT COUNT(*) FROM pragma_table_info('Node') WHERE name = 'modifiedDate'"), "1");
    EXPECT_EQ(stack.uuids(), (std::vector<QString>{"p1", "p2", "p3"}));
    auto pages = *stack.child->executeFetchRequest(FetchRequest("Node", Predicate::withFormat("uuid == %@", {Value("p2")})));
    pages.front()->setValue(Value(Date::fromSeconds(5)), "modifiedDate");
    ASSERT_TRUE(stack.persistAndWait(nullptr));
    EXPECT_EQ(sqlite(path, "SELECT modifiedDate FROM Node WHERE uuid = 'p2'"), "5.0");

    // Without migration the same older file is refused, not changed.
    const QString second = dir.filePath("second.sql");
    { Stack old(second, older.toUtf8().constData()); }
    auto coordinator = PersistentStoreCoordinator::create(ManagedObjectModel::fromJson(modelJson));
    StoreError error;
    PersistentStore::Options strict;
    strict.migrateAutomatically = false;
    EXPECT_FALSE(coordinator->addPersistentStore(second, strict, &error));
    EXPECT_EQ(error.code, StoreError::ModelMismatch);
}

TEST(RecordStore, RelationshipsLeadToRecordsSavedInTheSameTransaction)
{
    QTemporaryDir dir;
    Stack stack(dir.filePath("w.sql"));
    auto parent = stack.child->insertNewObject("Folder");
    parent->setValue(Value("top"), "folder");
    auto child = stack.child->insertNewObject("Folder");
    child->setValue(Value("inner"), "folder");
    child->setValue(Value(parent), "parent");
    ASSERT_TRUE(stack.persistAndWait(nullptr));

    Stack again(dir.filePath("w.sql"));
    const auto found = *again.child->executeFetchRequest(FetchRequest("Folder", Predicate::withFormat("folder == 'inner'")));
    ASSERT_EQ(found.size(), 1u);
    const auto up = found.front()->valueForKey("parent").toObject<ManagedObject>();
    ASSERT_TRUE(up);
    EXPECT_EQ(up->valueForKey("folder").toString(), QStringLiteral("top"));
    EXPECT_TRUE(found.front()->valueForKey("parent").isObject());
    EXPECT_EQ((*again.child->executeFetchRequest(FetchRequest("Folder", Predicate::withFormat("parent == nil")))).size(), 1u);
}

TEST(RecordStore, ConditionsParseAsTheLibraryWritesThemAndRejectBadText)
{
    struct Case {
        const char* format;
        ValueList args;
        bool parses;
        bool matches; // against type 1, uuid "u", action 100
    };
    const std::vector<Case> cases = {
        {"uuid==%@", {Value("u")}, true, true},
        {"spaceFolder==%@ and type==%@", {Value("s"), Value(1)}, true, false},
        {"action < %ld", {Value(101)}, true, true},
        {"action == %ld || action == %ld ", {Value(101), Value(100)}, true, true},
        {"not (type == 1)", {}, true, false},
        {"type != nil && missing == nil", {}, true, true},
        {"uuid == %@", {}, false, false},
        {"uuid == %@", {Value("u"), Value("v")}, false, false},
        {"type ==", {}, false, false},
        {"type == %ld", {Value("x")}, false, false},
        {"(type == 1", {}, false, false},
    };
    const ValueMap record{{"type", Value(1)}, {"uuid", Value("u")}, {"action", Value(100)}};
    for (const auto& c : cases) {
        QString error;
        const auto predicate = Predicate::withFormat(c.format, c.args, &error);
        EXPECT_EQ(bool(predicate), c.parses) << c.format;
        if (predicate) {
            EXPECT_EQ(predicate->evaluate([&](const QString& key) {
                const auto it = record.find(key);
                return it == record.end() ? Value() : it->second;
            }), c.matches) << c.format;
        } else {
            EXPECT_FALSE(error.isEmpty()) << c.format;
        }
    }
}

} // namespace
