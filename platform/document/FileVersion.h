#pragma once
// Versions of a file as the platform's version store reports them: the current
// one, the conflicting ones another device left, and older versions kept on
// purpose. The standard provider keeps added versions as copies in
// ".versions" of the application data folder and reports no conflicts; tests
// install a ListedFileVersionProvider that does.

#include "platform/foundation/Object.h"

#include <QDateTime>
#include <QUrl>
#include <mutex>
#include <vector>

namespace plat {

class FileVersion final : public Object {
public:
    // url: where this version's contents lie (for the current version, the item itself).
    static std::shared_ptr<FileVersion> create(const QUrl& url, const QDateTime& modificationDate);

    QUrl url() const { return m_url; }
    QDateTime modificationDate() const { return m_modificationDate; }
    bool isResolved() const;
    void setResolved(bool resolved);

    // Puts this version's contents at target in one step (a package folder or
    // a file); the item at target is replaced. False with the reason in error.
    bool replaceItemAtURL(const QUrl& target, QString* error = nullptr) const;

    QString className() const override { return QStringLiteral("FileVersion"); }

private:
    FileVersion(QUrl url, QDateTime date) : m_url(std::move(url)), m_modificationDate(std::move(date)) {}
    QUrl m_url;
    QDateTime m_modificationDate;
    mutable std::mutex m_mutex;
    bool m_resolved = false;
};

using FileVersionPtr = std::shared_ptr<FileVersion>;

class FileVersionProvider {
public:
    virtual ~FileVersionProvider() = default;
    // The item itself, dated by its modification time; nullptr when it does not exist.
    virtual FileVersionPtr currentVersionOfItemAtURL(const QUrl& url) const;
    // None here.
    virtual std::vector<FileVersionPtr> unresolvedConflictVersionsOfItemAtURL(const QUrl& url) const;
    // Keeps a copy of the contents at contentsUrl (a file or a package folder)
    // as a version of the item, dated now; nullptr with the reason in error.
    virtual FileVersionPtr addVersionOfItemAtURL(const QUrl& url, const QUrl& contentsUrl, QString* error = nullptr);
    // The versions kept for the item, oldest first.
    virtual std::vector<FileVersionPtr> otherVersionsOfItemAtURL(const QUrl& url) const;
    // Where the item's versions are kept.
    static QString versionFolderOfItemAtURL(const QUrl& url);

    // The installed provider; the standard one unless a test installed another.
    static std::shared_ptr<FileVersionProvider> current();
    // nullptr puts the standard provider back.
    static void setCurrent(std::shared_ptr<FileVersionProvider> provider);
};

// Conflict versions registered by hand per item; resolved ones are no longer reported.
class ListedFileVersionProvider final : public FileVersionProvider {
public:
    void addConflictVersion(const QUrl& itemUrl, FileVersionPtr version);
    std::vector<FileVersionPtr> unresolvedConflictVersionsOfItemAtURL(const QUrl& url) const override;

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<QString, FileVersionPtr>> m_versions;
};

// The local path of a file address, absolute and cleaned, without a trailing
// "/": the form in which two addresses of one item compare equal.
QString normalizedItemPath(const QUrl& url);

} // namespace plat
