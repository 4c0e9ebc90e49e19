#include "platform/document/FileVersion.h"

#include "platform/document/AtomicPackage.h"
#include "platform/foundation/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace plat {

namespace {

std::mutex g_providerMutex;
std::shared_ptr<FileVersionProvider> g_provider;

} // namespace

QString normalizedItemPath(const QUrl& url)
{
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.path();
    if (path.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

std::shared_ptr<FileVersion> FileVersion::create(const QUrl& url, const QDateTime& modificationDate)
{
    return std::shared_ptr<FileVersion>(new FileVersion(url, modificationDate));
}

bool FileVersion::isResolved() const
{
    std::lock_guard lock(m_mutex);
    return m_resolved;
}

void FileVersion::setResolved(bool resolved)
{
    std::lock_guard lock(m_mutex);
    m_resolved = resolved;
}

bool FileVersion::replaceItemAtURL(const QUrl& target, QString* error) const
{
    const QString source = normalizedItemPath(m_url);
    const QString destination = normalizedItemPath(target);
    if (QFileInfo(source).isDir()) {
        const DirectoryWrapperPtr package = DirectoryWrapper::readFromPath(source, error);
        return package && writePackageAtomically(destination, *package, error);
    }
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Could not read \"%1\": %2").arg(source, file.errorString());
        return false;
    }
    return writeFileAtomically(destination, file.readAll(), error);
}

FileVersionPtr FileVersionProvider::currentVersionOfItemAtURL(const QUrl& url) const
{
    const QFileInfo info(normalizedItemPath(url));
    if (!info.exists())
        return nullptr;
    return FileVersion::create(QUrl::fromLocalFile(info.absoluteFilePath()), info.lastModified());
}

std::vector<FileVersionPtr> FileVersionProvider::unresolvedConflictVersionsOfItemAtURL(const QUrl&) const
{
    return {};
}

QString FileVersionProvider::versionFolderOfItemAtURL(const QUrl& url)
{
    const QByteArray key = QCryptographicHash::hash(normalizedItemPath(url).toUtf8(), QCryptographicHash::Sha1).toHex();
    return QDir(applicationDataDirectory()).filePath(QStringLiteral(".versions/") + QString::fromLatin1(key));
}

FileVersionPtr FileVersionProvider::addVersionOfItemAtURL(const QUrl& url, const QUrl& contentsUrl, QString* error)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString name = QFileInfo(normalizedItemPath(url)).fileName();
    // One folder per version, named so that names sort by date.
    const QString folder = QDir(versionFolderOfItemAtURL(url))
                               .filePath(now.toString(QStringLiteral("yyyyMMddHHmmsszzz")) + QLatin1Char('-')
                                         + QUuid::createUuid().toString(QUuid::Id128).left(8));
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Could not create the version folder \"%1\"").arg(folder);
        return nullptr;
    }
    const QUrl target = QUrl::fromLocalFile(QDir(folder).filePath(name));
    if (!FileVersion::create(contentsUrl, now)->replaceItemAtURL(target, error)) {
        QDir(folder).removeRecursively();
        return nullptr;
    }
    return FileVersion::create(target, now);
}

std::vector<FileVersionPtr> FileVersionProvider::otherVersionsOfItemAtURL(const QUrl& url) const
{
    const QString name = QFileInfo(normalizedItemPath(url)).fileName();
    QDir store(versionFolderOfItemAtURL(url));
    std::vector<FileVersionPtr> versions;
    for (const QString& folder : store.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QFileInfo contents(QDir(store.filePath(folder)).filePath(name));
        if (contents.exists())
            versions.push_back(FileVersion::create(QUrl::fromLocalFile(contents.filePath()), contents.lastModified()));
    }
    return versions;
}

std::shared_ptr<FileVersionProvider> FileVersionProvider::current()
{
    std::lock_guard lock(g_providerMutex);
    if (!g_provider)
        g_provider = std::make_shared<FileVersionProvider>();
    return g_provider;
}

void FileVersionProvider::setCurrent(std::shared_ptr<FileVersionProvider> provider)
{
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(provider);
}

void ListedFileVersionProvider::addConflictVersion(const QUrl& itemUrl, FileVersionPtr version)
{
    std::lock_guard lock(m_mutex);
    m_versions.emplace_back(normalizedItemPath(itemUrl), std::move(version));
}

std::vector<FileVersionPtr> ListedFileVersionProvider::unresolvedConflictVersionsOfItemAtURL(const QUrl& url) const
{
    const QString path = normalizedItemPath(url);
    std::lock_guard lock(m_mutex);
    std::vector<FileVersionPtr> found;
    for (const auto& [item, version] : m_versions) {
        if (item == path && !version->isResolved())
            found.push_back(version);
    }
    return found;
}

} // namespace plat
