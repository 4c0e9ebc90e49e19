#include "app/library/ZQIndexService.h"

#include "app/library/ZQIndexText.h"
#include "app/library/ZQLibraryRecords.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/Clock.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <sqlite3.h>

namespace {

const QString IndexFolder = QStringLiteral("__indexes");
const QString IndexFileName = QStringLiteral("pages.index");
constexpr int SchemaVersion = 1;
// A long run of queued writes (a rebuild) still commits now and then, so a
// crash loses little. Every commit flushes FTS5's pending segment: 500 writes
// per transaction indexed 4,500 pages/s, 5,000 indexed 7,200.
constexpr int WritesPerTransaction = 5000;

const char* const SchemaSql =
    "CREATE TABLE IF NOT EXISTS documents(id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT NOT NULL UNIQUE);"
    // Marks are word characters so that Indic and Thai words stay whole;
    // columnsize=0 because hits are never ranked.
    "CREATE VIRTUAL TABLE IF NOT EXISTS pages USING fts5(title, body,"
    " tokenize = \"unicode61 remove_diacritics 2 categories 'L* N* Co M*'\", columnsize = 0);";

// Page packages are folders named "...mkqrv"; stand-alone page files and
// external Markdown files are files.
bool isPagePackage(const QUrl& fileUrl)
{
    return fileUrl.path().endsWith(QLatin1String("mkqrv")) || QFileInfo(fileUrl.toLocalFile()).isDir();
}

QString sqliteMessage(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no database");
}

bool exec(sqlite3* db, const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    qWarning().noquote() << QStringLiteral("Index: %1 failed: %2").arg(QString::fromUtf8(sql).left(60), QString::fromUtf8(message ? message : ""));
    sqlite3_free(message);
    return false;
}

} // namespace

// Named, not anonymous: the index writer holds statements as members.
namespace indexsql {

// One prepared statement, reset after each use.
class Statement {
public:
    Statement(sqlite3* db, const char* sql, bool persistent = false)
    {
        if (sqlite3_prepare_v3(db, sql, -1, persistent ? SQLITE_PREPARE_PERSISTENT : 0, &m_stmt, nullptr) != SQLITE_OK) {
            qWarning().noquote() << QStringLiteral("Index: cannot prepare %1: %2").arg(QString::fromUtf8(sql), sqliteMessage(db));
            m_stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }
    void reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    void bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }
    int step() { return sqlite3_step(m_stmt); }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QString text(int column) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column)),
                                 sqlite3_column_bytes(m_stmt, column));
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace indexsql

namespace {

// The key of a document: a clean local path as a file URL; empty for anything else.
QUrl documentKey(const QUrl& url)
{
    if (!url.isLocalFile() || url.toLocalFile().isEmpty())
        return QUrl();
    return QUrl::fromLocalFile(QDir::cleanPath(url.toLocalFile()));
}

std::optional<QString> readFileText(const QUrl& documentUrl)
{
    QFile file(documentUrl.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

struct SharedService {
    std::mutex mutex;
    std::shared_ptr<ZQIndexService> service;
};

SharedService& sharedSlot()
{
    static SharedService instance;
    return instance;
}

} // namespace

struct ZQIndexService::Writer {
    explicit Writer(sqlite3* database)
        : db(database)
        , closer{database}
        , findId(db, "SELECT id FROM documents WHERE url = ?1", true)
        , insertDocument(db, "INSERT INTO documents(url) VALUES(?1)", true)
        , deleteDocument(db, "DELETE FROM documents WHERE id = ?1", true)
        , insertText(db, "INSERT INTO pages(rowid, title, body) VALUES(?1, ?2, ?3)", true)
        , deleteText(db, "DELETE FROM pages WHERE rowid = ?1", true)
    {
    }
    ~Writer()
    {
        if (inTransaction)
            exec(db, "COMMIT");
    }

    bool ready() const { return findId && insertDocument && deleteDocument && insertText && deleteText; }

    // The identifier of the URL's document; 0 when it has none.
    qint64 idOf(const QString& url)
    {
        findId.bind(1, url);
        const qint64 id = findId.step() == SQLITE_ROW ? findId.integer(0) : 0;
        findId.reset();
        return id;
    }
    bool run(indexsql::Statement& statement)
    {
        const int rc = statement.step();
        statement.reset();
        if (rc == SQLITE_DONE)
            return true;
        qWarning().noquote() << QStringLiteral("Index: write failed: %1").arg(sqliteMessage(db));
        return false;
    }
    void begin()
    {
        if (!inTransaction && exec(db, "BEGIN IMMEDIATE")) {
            inTransaction = true;
            transactionWrites = 0;
        }
    }
    void commit()
    {
        if (!inTransaction)
            return;
        if (!exec(db, "COMMIT"))
            exec(db, "ROLLBACK");
        inTransaction = false;
    }

    sqlite3* db;
    // Declared before the statements: closes after they are finalized.
    struct Closer {
        sqlite3* db;
        ~Closer() { sqlite3_close_v2(db); }
    } closer;
    indexsql::Statement findId, insertDocument, deleteDocument, insertText, deleteText;
    bool inTransaction = false;
    int transactionWrites = 0;

};

// --- Class operations ---------------------------------------------------------

std::shared_ptr<ZQIndexService> ZQIndexService::sharedIndexService()
{
    auto& s = sharedSlot();
    std::lock_guard lock(s.mutex);
    if (!s.service)
        s.service = std::make_shared<ZQIndexService>();
    return s.service;
}

QString ZQIndexService::standardIndexPath()
{
    std::optional<ZQErrorValue> error;
    const QUrl folder = ZSUtils::ensureSandboxPath(IndexFolder, &error);
    if (folder.isEmpty()) {
        qWarning().noquote() << QStringLiteral("Cannot create the index folder: %1")
                                    .arg(error ? error->localizedDescription() : QString());
        return QString();
    }
    return QDir(folder.toLocalFile()).filePath(IndexFileName);
}

void ZQIndexService::deleteIndexFile()
{
    std::shared_ptr<ZQIndexService> service;
    {
        auto& s = sharedSlot();
        std::lock_guard lock(s.mutex);
        service = s.service;
    }
    if (service) {
        service->m_indexQueue->sync([&] { service->resetIndexFile(); });
        return;
    }
    const QString path = standardIndexPath();
    if (path.isEmpty())
        return;
    if (QFile::exists(path) && !QFile::remove(path))
        qWarning().noquote() << QStringLiteral("Failed to delete old index file %1").arg(QUrl::fromLocalFile(path).toString());
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

QUrl ZQIndexService::packageDocumentUrl(const QUrl& packageUrl)
{
    if (!packageUrl.isLocalFile())
        return QUrl();
    return QUrl::fromLocalFile(QDir(QDir::cleanPath(packageUrl.toLocalFile())).filePath(QStringLiteral("main.md")));
}

// --- Opening and closing ------------------------------------------------------

ZQIndexService::ZQIndexService(const QString& indexPath)
    : m_indexPath(indexPath.isEmpty() ? standardIndexPath() : indexPath)
    , m_indexQueue(plat::SerialQueue::create(QStringLiteral("com.zolfarin.quorvel.index")))
    , m_textReader(readFileText)
    , m_pageFileResolver(ZQLibraryRecords::pageFileUrl)
{
    if (!openIndex())
        newIndexInFile();
    compactStore(StartCompactionThreshold);
}

ZQIndexService::~ZQIndexService()
{
    closeIndex();
}

bool ZQIndexService::openConnection(bool create)
{
    if (m_indexPath.isEmpty())
        return false;
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(QFile::encodeName(m_indexPath).constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, 5000);
    bool usable = exec(db, "PRAGMA journal_mode=WAL") && exec(db, "PRAGMA synchronous=NORMAL");
    if (usable && create)
        usable = exec(db, SchemaSql) && exec(db, ("PRAGMA user_version=" + std::to_string(SchemaVersion)).c_str());
    if (usable) {
        indexsql::Statement version(db, "PRAGMA user_version");
        usable = version && version.step() == SQLITE_ROW && version.integer(0) == SchemaVersion;
    }
    if (usable) {
        // Both tables must be there and readable.
        indexsql::Statement probe(db, "SELECT (SELECT count(*) FROM documents), (SELECT count(*) FROM pages WHERE rowid = 0)");
        usable = probe && probe.step() == SQLITE_ROW;
    }
    if (!usable) {
        sqlite3_close_v2(db);
        return false;
    }
    auto writer = std::make_unique<Writer>(db);
    if (!writer->ready())
        return false;
    std::lock_guard lock(m_writeLock);
    m_writer = std::move(writer);
    return true;
}

bool ZQIndexService::openIndex()
{
    if (isOpen())
        return true;
    return QFile::exists(m_indexPath) && openConnection(false);
}

bool ZQIndexService::newIndexInFile()
{
    if (isOpen())
        return true;
    if (m_indexPath.isEmpty())
        return false;
    if (QFile::exists(m_indexPath)) {
        // Not an index we can use: keep it aside rather than destroy it.
        QString aside;
        for (int n = 1; aside.isEmpty() || QFile::exists(aside); ++n)
            aside = m_indexPath + QStringLiteral(".broken-%1").arg(n);
        if (!QFile::rename(m_indexPath, aside)) {
            qWarning().noquote() << QStringLiteral("Index: cannot set aside the unusable index %1").arg(m_indexPath);
            return false;
        }
        qWarning().noquote() << QStringLiteral("Index: %1 was unusable, kept as %2; a new index starts empty").arg(m_indexPath, aside);
        for (const char* suffix : {"-wal", "-shm"}) {
            const QString extra = m_indexPath + QLatin1String(suffix);
            if (QFile::exists(extra))
                QFile::rename(extra, aside + QLatin1String(suffix));
        }
    }
    if (openConnection(true))
        return true;
    qWarning().noquote() << QStringLiteral("Index: cannot create %1; searching finds nothing").arg(m_indexPath);
    return false;
}

void ZQIndexService::closeConnections()
{
    {
        std::lock_guard lock(m_readLock);
        sqlite3_close_v2(m_reader);
        m_reader = nullptr;
    }
    std::lock_guard lock(m_writeLock);
    m_writer.reset();
}

void ZQIndexService::closeIndex()
{
    m_indexQueue->sync([] {});
    closeConnections();
}

bool ZQIndexService::isOpen() const
{
    std::lock_guard lock(m_writeLock);
    return m_writer != nullptr;
}

void ZQIndexService::resetIndexFile()
{
    closeConnections();
    if (QFile::exists(m_indexPath) && !QFile::remove(m_indexPath))
        qWarning().noquote() << QStringLiteral("Failed to delete old index file %1").arg(QUrl::fromLocalFile(m_indexPath).toString());
    QFile::remove(m_indexPath + QStringLiteral("-wal"));
    QFile::remove(m_indexPath + QStringLiteral("-shm"));
    newIndexInFile();
}

void ZQIndexService::setTextReader(TextReader reader)
{
    m_indexQueue->sync([&] { m_textReader = reader ? std::move(reader) : TextReader(readFileText); });
}

void ZQIndexService::setPageFileResolver(PageFileResolver resolver)
{
    m_pageFileResolver = resolver ? std::move(resolver) : PageFileResolver(ZQLibraryRecords::pageFileUrl);
}

// --- Writes -------------------------------------------------------------------

void ZQIndexService::enqueue(std::function<void()> task)
{
    ++m_pendingWrites;
    m_indexQueue->async([this, task = std::move(task)] {
        --m_pendingWrites;
        task();
    });
}

void ZQIndexService::withWriter(const std::function<void(Writer&)>& write)
{
    std::lock_guard lock(m_writeLock);
    if (!m_writer)
        return;
    m_writer->begin();
    write(*m_writer);
    // Commit when the queue runs dry, so a search soon sees the writes.
    if (m_writer && (m_pendingWrites.load() == 0 || ++m_writer->transactionWrites >= WritesPerTransaction))
        m_writer->commit();
}

void ZQIndexService::writeDocument(const QUrl& documentUrl, const std::optional<QString>& title,
                                   const std::optional<QString>& text)
{
    // Read and prepared outside the lock: a search may flush meanwhile.
    std::optional<QString> body = text ? text : m_textReader(documentUrl);
    if (!body) {
        qWarning().noquote() << QStringLiteral("Index: cannot read %1; its entry stays as it was").arg(documentUrl.toLocalFile());
        return;
    }
    const QString url = QString::fromLatin1(documentUrl.toEncoded());
    const QString indexedTitle = ZQIndexText::indexableText(title.value_or(QString()));
    const QString indexedBody = ZQIndexText::indexableText(*body);
    withWriter([&](Writer& w) {
        qint64 id = w.idOf(url);
        if (id != 0) {
            // The same URL keeps its identifier: re-saving a page uses none up.
            w.deleteText.bind(1, id);
            if (!w.run(w.deleteText))
                return;
        } else {
            w.insertDocument.bind(1, url);
            if (!w.run(w.insertDocument))
                return;
            id = sqlite3_last_insert_rowid(w.db);
        }
        w.insertText.bind(1, id);
        w.insertText.bind(2, indexedTitle);
        w.insertText.bind(3, indexedBody);
        w.run(w.insertText);
    });
}

void ZQIndexService::removeDocument(const QUrl& documentUrl)
{
    const QString url = QString::fromLatin1(documentUrl.toEncoded());
    withWriter([&](Writer& w) {
        const qint64 id = w.idOf(url);
        if (id == 0)
            return;
        w.deleteText.bind(1, id);
        w.run(w.deleteText);
        w.deleteDocument.bind(1, id);
        w.run(w.deleteDocument);
    });
}

void ZQIndexService::addDoc(const QUrl& packageUrl)
{
    addFile(packageDocumentUrl(packageUrl));
}

void ZQIndexService::addDoc(const QUrl& packageUrl, const QString& title, const QString& text)
{
    addFile(packageDocumentUrl(packageUrl), title, text);
}

void ZQIndexService::addFile(const QUrl& fileUrl)
{
    const QUrl key = documentKey(fileUrl);
    if (key.isEmpty())
        return;
    enqueue([this, key] { writeDocument(key, std::nullopt, std::nullopt); });
}

void ZQIndexService::addFile(const QUrl& fileUrl, const QString& title, const QString& text)
{
    const QUrl key = documentKey(fileUrl);
    if (key.isEmpty())
        return;
    enqueue([this, key, title, text] { writeDocument(key, title, text); });
}

void ZQIndexService::deleteDoc(const QUrl& packageUrl)
{
    deleteFile(packageDocumentUrl(packageUrl));
}

void ZQIndexService::deleteFile(const QUrl& fileUrl)
{
    const QUrl key = documentKey(fileUrl);
    if (key.isEmpty())
        return;
    enqueue([this, key] { removeDocument(key); });
}

void ZQIndexService::moveDoc(const QUrl& oldPackageUrl, const QUrl& newPackageUrl)
{
    deleteDoc(oldPackageUrl);
    addDoc(newPackageUrl);
}

void ZQIndexService::removeIndexesForSpace(const QString& spaceFolder, bool includeChildren)
{
    for (const QUrl& url : getSpacePagesDocUrl(spaceFolder, includeChildren))
        deleteFile(url);
}

void ZQIndexService::rebuildIndexingForSpace(const QString& spaceFolder, bool includeChildren)
{
    for (const QUrl& url : getSpacePagesDocUrl(spaceFolder, includeChildren))
        addFile(url);
}

void ZQIndexService::waitUntilAllWritesAreDone()
{
    m_indexQueue->sync([this] {
        std::lock_guard lock(m_writeLock);
        if (m_writer)
            m_writer->commit();
    });
}

// --- Compaction ---------------------------------------------------------------

qint64 ZQIndexService::readInteger(const char* sql)
{
    std::lock_guard lock(m_writeLock);
    if (!m_writer)
        return 0;
    indexsql::Statement statement(m_writer->db, sql);
    return statement && statement.step() == SQLITE_ROW ? statement.integer(0) : 0;
}

qint64 ZQIndexService::documentCount()
{
    return readInteger("SELECT count(*) FROM documents");
}

qint64 ZQIndexService::maximumDocumentId()
{
    // Identifiers are never handed out twice, so the highest one stays even
    // when its document is gone.
    return readInteger("SELECT coalesce((SELECT seq FROM sqlite_sequence WHERE name = 'documents'), 0)");
}

bool ZQIndexService::compactStore(float threshold)
{
    if (threshold == 0.0f) {
        enqueue([this] { withWriter([this](Writer& w) { compact(w); }); });
        return true;
    }
    const qint64 count = documentCount();
    const qint64 maximum = maximumDocumentId();
    if (count <= 0 || maximum <= 0)
        return false;
    const float ratio = float(maximum - count) / float(count);
    if (!(ratio > threshold))
        return false;
    enqueue([this] { withWriter([this](Writer& w) { compact(w); }); });
    return true;
}

void ZQIndexService::compact(Writer& w)
{
    // Runs as a queued write, inside its transaction: renumber the documents
    // 1..n in their order, so that the identifiers used up by removed ones are
    // free again, then merge the index into one segment.
    std::vector<qint64> ids;
    {
        indexsql::Statement all(w.db, "SELECT id FROM documents ORDER BY id");
        while (all && all.step() == SQLITE_ROW)
            ids.push_back(all.integer(0));
    }
    indexsql::Statement moveDocument(w.db, "UPDATE documents SET id = ?1 WHERE id = ?2");
    indexsql::Statement moveText(w.db, "UPDATE pages SET rowid = ?1 WHERE rowid = ?2");
    if (!moveDocument || !moveText)
        return;
    // Ascending order: each new identifier is at most the old one and already free.
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const qint64 to = qint64(i) + 1;
        if (ids[i] == to)
            continue;
        moveText.bind(1, to);
        moveText.bind(2, ids[i]);
        moveDocument.bind(1, to);
        moveDocument.bind(2, ids[i]);
        if (!w.run(moveText) || !w.run(moveDocument))
            return;
    }
    indexsql::Statement sequence(w.db, "UPDATE sqlite_sequence SET seq = ?1 WHERE name = 'documents'");
    if (sequence) {
        sequence.bind(1, qint64(ids.size()));
        w.run(sequence);
    }
    exec(w.db, "INSERT INTO pages(pages) VALUES('optimize')");
    w.commit();
    exec(w.db, "VACUUM");
}

// --- Space documents ----------------------------------------------------------

QUrl ZQIndexService::documentUrlOfPage(const plat::ManagedObjectPtr& page, qint64 spaceType, const QString& visitedFolder)
{
    if (spaceType == ZQSpaceType::LinkedFolder)
        return m_pageFileResolver(page);
    const QString uuid = page->valueForKey(QStringLiteral("uuid")).toString();
    if (uuid.isEmpty())
        return QUrl();
    return packageDocumentUrl(ZSUtils::pageUrl(uuid, visitedFolder));
}

QList<QUrl> ZQIndexService::getSpacePagesDocUrl(const QString& spaceFolder, bool includeChildren)
{
    QList<QUrl> urls;
    const auto spaces = ZSCoreData::sharedCoredData()->spaceObjectContext();
    spaces->performAndWait([&] {
        const auto space = ZSCoreDataUtil::findFirst(spaces, QStringLiteral("Space"),
                                                     QStringLiteral("(folder==%@) AND (isSystem==false)"),
                                                     {plat::Value(spaceFolder)});
        if (!space)
            return;
        const qint64 spaceType = space->valueForKey(QStringLiteral("spaceType")).toInteger();
        QStringList folders;
        if (includeChildren) {
            // Children by parent folder, in fetch order; visited depth first.
            std::map<QString, QStringList> children;
            if (const auto all = spaces->executeFetchRequest(plat::FetchRequest(QStringLiteral("Space")))) {
                for (const auto& record : *all) {
                    if (const auto parent = record->valueForKey(QStringLiteral("parent")).toObject<plat::ManagedObject>())
                        children[parent->valueForKey(QStringLiteral("folder")).toString()]
                            << record->valueForKey(QStringLiteral("folder")).toString();
                }
            }
            const std::function<void(const QString&, int)> visit = [&](const QString& folder, int depth) {
                // A parent loop in broken records must not recurse for ever.
                if (depth > 256)
                    return;
                for (const QString& child : children[folder]) {
                    folders << child;
                    visit(child, depth + 1);
                }
            };
            visit(spaceFolder, 0);
        }
        folders << spaceFolder;
        for (const QString& folder : folders)
            urls << pageDocumentUrls(folder, spaceType);
    });
    return urls;
}

QList<QUrl> ZQIndexService::pageDocumentUrls(const QString& folder, qint64 spaceType)
{
    QList<QUrl> urls;
    const auto pages = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
    pages->performAndWait([&] {
        const auto records = ZSCoreDataUtil::getAllPages(pages);
        if (!records)
            return;
        for (const auto& page : *records) {
            const QUrl url = documentUrlOfPage(page, spaceType, folder);
            if (!url.isEmpty())
                urls << url;
        }
    });
    return urls;
}

void ZQIndexService::rebuildIndexing()
{
    const auto spaces = ZSCoreData::sharedCoredData()->spaceObjectContext();
    std::vector<std::pair<QString, qint64>> folders;
    spaces->performAndWait([&] {
        const auto found = spaces->executeFetchRequest(plat::FetchRequest(
            QStringLiteral("Space"), plat::Predicate::withFormat(QStringLiteral("spaceType==%ld or spaceType==%ld"),
                                                                 {plat::Value(qint64(ZQSpaceType::Library)), plat::Value(qint64(ZQSpaceType::LinkedFolder))})));
        if (!found)
            return;
        for (const auto& space : *found) {
            // Pages of a trashed space stay out, as they do in normal work.
            if (ZQLibraryRecords::liesInTrash(space))
                continue;
            folders.emplace_back(space->valueForKey(QStringLiteral("folder")).toString(),
                                 space->valueForKey(QStringLiteral("spaceType")).toInteger());
        }
    });
    for (const auto& [folder, type] : folders) {
        try {
            for (const QUrl& url : pageDocumentUrls(folder, type))
                addFile(url);
        } catch (const std::exception& e) {
            qWarning().noquote() << QStringLiteral("Rebuild index failed partially %1").arg(QString::fromUtf8(e.what()));
        }
    }
}

// --- Search -------------------------------------------------------------------

void ZQIndexService::flush()
{
    std::lock_guard lock(m_writeLock);
    if (m_writer)
        m_writer->commit();
}

QList<QUrl> ZQIndexService::search(const QString& query)
{
    QList<QUrl> found;
    search(query, [&](const QList<QUrl>& hits) { found += hits; });
    return found;
}

void ZQIndexService::search(const QString& query, const SearchBatchHandler& batchHandler)
{
    const QString expression = ZQIndexText::matchExpression(query);
    if (expression.isEmpty() || !batchHandler || !isOpen())
        return;
    flush();
    std::lock_guard lock(m_readLock);
    if (!m_reader) {
        if (sqlite3_open_v2(QFile::encodeName(m_indexPath).constData(), &m_reader, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            qWarning().noquote() << QStringLiteral("Index: cannot open %1 for searching: %2").arg(m_indexPath, sqliteMessage(m_reader));
            sqlite3_close_v2(m_reader);
            m_reader = nullptr;
            return;
        }
        sqlite3_busy_timeout(m_reader, 5000);
        exec(m_reader, "PRAGMA query_only=1");
    }
    indexsql::Statement statement(m_reader, "SELECT documents.url FROM pages JOIN documents ON documents.id = pages.rowid"
                                  " WHERE pages MATCH ?1");
    if (!statement)
        return;
    statement.bind(1, expression);
    const auto clock = plat::Clock::current();
    bool more = true;
    while (more) {
        QList<QUrl> batch;
        const double deadline = clock->now() + SearchBatchSeconds;
        while (batch.size() < SearchBatchSize) {
            const int rc = statement.step();
            if (rc != SQLITE_ROW) {
                if (rc != SQLITE_DONE)
                    qWarning().noquote() << QStringLiteral("Index: search failed: %1").arg(sqliteMessage(m_reader));
                more = false;
                break;
            }
            batch << QUrl::fromEncoded(statement.text(0).toLatin1());
            if (clock->now() >= deadline)
                break;
        }
        if (!batch.isEmpty())
            batchHandler(batch);
    }
}

void ZQIndexService::updatePage(const QUrl& fileUrl, const QString& title, const QString& text)
{
    if (isPagePackage(fileUrl))
        addDoc(fileUrl, title, text);
    else
        addFile(fileUrl, title, text);
}

void ZQIndexService::removePage(const QUrl& fileUrl)
{
    if (isPagePackage(fileUrl))
        deleteDoc(fileUrl);
    else
        deleteFile(fileUrl);
}
