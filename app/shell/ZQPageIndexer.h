#pragma once
// What the page document needs of the full-text index: a saved page is
// (re)indexed, a deleted one dropped. The library's index service implements
// it and installs itself at start; until then pages are indexed nowhere.
// Calls come on the main thread; an implementation queues its own writes.

#include <QString>
#include <QUrl>
#include <memory>

class ZQPageIndexer {
public:
    virtual ~ZQPageIndexer() = default;

    // fileUrl: the page package or external file saved; title: its canonical
    // title; text: its markup (a rich page's plain text).
    virtual void updatePage(const QUrl& fileUrl, const QString& title, const QString& text) = 0;
    virtual void removePage(const QUrl& fileUrl) = 0;

    // The installed indexer; one that does nothing until another is installed.
    static std::shared_ptr<ZQPageIndexer> shared();
    // nullptr puts the one that does nothing back.
    static void setShared(std::shared_ptr<ZQPageIndexer> indexer);
};
