#pragma once
// The process-wide full-text index over the text of every page: "main.md" of
// each library page package and the Markdown file of each linked-folder page,
// one document per file URL, in an SQLite FTS5 database
// "__indexes/pages.index" of the application data folder.
//
// Every write is queued on one serial queue and returns at once; consecutive
// queued writes share a transaction that commits when the queue runs dry (or
// every few hundred writes). A search runs on the caller's thread over its own
// connection, after committing what the queue has already written, so it sees
// every write already carried out but none still waiting.

#include "app/shell/ZQPageIndexer.h"
#include "platform/foundation/Dispatch.h"
#include "platform/store/ManagedObject.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

struct sqlite3;

class ZQIndexService : public ZQPageIndexer {
public:
    // The text of a document, read when its add runs on the queue; none when
    // it cannot be read (the index then keeps what it had for that URL).
    using TextReader = std::function<std::optional<QString>(const QUrl& documentUrl)>;
    // The file URL of a linked-folder page record; empty when it has none.
    using PageFileResolver = std::function<QUrl(const plat::ManagedObjectPtr& page)>;
    // One batch of hits: at most 200, gathered within 1 s of the clock.
    using SearchBatchHandler = std::function<void(const QList<QUrl>& hits)>;

    static constexpr int SearchBatchSize = 200;
    static constexpr double SearchBatchSeconds = 1.0;
    static constexpr float StartCompactionThreshold = 0.25f;

    // The one instance, made on first use over the standard index file.
    static std::shared_ptr<ZQIndexService> sharedIndexService();
    // "pages.index" in "__indexes" of the application data folder (the folder
    // is created); empty when the folder cannot be made.
    static QString standardIndexPath();
    // Deletes the standard index file. A shared service already open on it
    // starts again on a new, empty file (otherwise its later writes would go
    // to the deleted file and be lost at the next start).
    static void deleteIndexFile();
    // "main.md" inside a page package.
    static QUrl packageDocumentUrl(const QUrl& packageUrl);

    // Opens the index at indexPath (the standard file when empty), else
    // creates it; a file that is not a usable index is set aside as
    // "<name>.broken-<n>" and a new one made. Then checks compaction at 0.25.
    // Without an index every write does nothing and every search finds nothing.
    explicit ZQIndexService(const QString& indexPath = QString());
    // Finishes the queued writes, then closes the index.
    ~ZQIndexService();
    ZQIndexService(const ZQIndexService&) = delete;
    ZQIndexService& operator=(const ZQIndexService&) = delete;

    // --- Writes (queued) ---
    // The page package's "main.md", read from disk.
    void addDoc(const QUrl& packageUrl);
    // The page package's "main.md" with the text the caller already holds
    // (the page document after a save), so nothing is read again.
    void addDoc(const QUrl& packageUrl, const QString& title, const QString& text);
    void addFile(const QUrl& fileUrl);
    void addFile(const QUrl& fileUrl, const QString& title, const QString& text);
    void deleteDoc(const QUrl& packageUrl);
    void deleteFile(const QUrl& fileUrl);
    void moveDoc(const QUrl& oldPackageUrl, const QUrl& newPackageUrl);
    // What a page document reports after a save: a page package goes in as
    // its "main.md", any other file as itself.
    void updatePage(const QUrl& fileUrl, const QString& title, const QString& text) override;
    void removePage(const QUrl& fileUrl) override;
    // Every document of the space (and of the spaces below it); a system
    // space or an unknown folder has none. The records are read on the
    // calling thread, the documents written on the queue.
    void removeIndexesForSpace(const QString& spaceFolder, bool includeChildren);
    void rebuildIndexingForSpace(const QString& spaceFolder, bool includeChildren);
    // Queues a compaction when threshold is 0, or when the identifiers used up
    // by removed documents exceed threshold times the live documents.
    bool compactStore(float threshold);

    // --- On the caller's thread ---
    // The URLs of the documents holding every term of query, in index order.
    QList<QUrl> search(const QString& query);
    // The same, handed over batch by batch as they are found.
    void search(const QString& query, const SearchBatchHandler& batchHandler);
    // Queues an add of every page of every library and linked folder, except
    // the spaces lying in the trash. A failure in one space skips the rest of
    // that space only.
    void rebuildIndexing();

    bool openIndex();
    bool newIndexInFile();
    // Finishes the queued writes and closes; later writes and searches do nothing.
    void closeIndex();
    bool isOpen() const;

    // Returns once every write queued before the call has run and is committed.
    void waitUntilAllWritesAreDone();
    // Live documents, and the highest document identifier handed out.
    qint64 documentCount();
    qint64 maximumDocumentId();
    QString indexPath() const { return m_indexPath; }

    // Defaults: the file read as UTF-8; the linked-folder rule (the space's
    // folder path made of the "dropboxPath" of it and its parents, then the
    // page's "dropboxPath").
    void setTextReader(TextReader reader);
    void setPageFileResolver(PageFileResolver resolver);

private:
    struct Writer;

    void enqueue(std::function<void()> task);
    // Runs write with the queue's connection inside the current transaction.
    void withWriter(const std::function<void(Writer&)>& write);
    void writeDocument(const QUrl& documentUrl, const std::optional<QString>& title,
                       const std::optional<QString>& text);
    void removeDocument(const QUrl& documentUrl);
    void compact(Writer& w);
    // Commits the open transaction of the queue's writes, if any.
    void flush();
    void closeConnections();
    bool openConnection(bool create);
    void resetIndexFile();
    QList<QUrl> getSpacePagesDocUrl(const QString& spaceFolder, bool includeChildren);
    QUrl documentUrlOfPage(const plat::ManagedObjectPtr& page, qint64 spaceType, const QString& visitedFolder);
    // The document of every page record of the space that has one.
    QList<QUrl> pageDocumentUrls(const QString& folder, qint64 spaceType);
    qint64 readInteger(const char* sql);

    QString m_indexPath;
    plat::DispatchQueuePtr m_indexQueue;
    std::atomic<int> m_pendingWrites{0};
    TextReader m_textReader;
    PageFileResolver m_pageFileResolver;

    // The queue's connection and its open transaction.
    mutable std::recursive_mutex m_writeLock;
    std::unique_ptr<Writer> m_writer;
    // The searches' connection, opened on first use.
    std::recursive_mutex m_readLock;
    sqlite3* m_reader = nullptr;
};
