#include "app/library/ZQLibraryDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

namespace {

std::mutex diskMutex;

std::shared_ptr<ZQLibraryDisk>& installedDisk()
{
    static std::shared_ptr<ZQLibraryDisk> disk = std::make_shared<ZQLibraryDisk>();
    return disk;
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

} // namespace

bool ZQLibraryDisk::moveItem(const QString& from, const QString& to, QString* error)
{
    if (QFileInfo::exists(to)) {
        setError(error, QStringLiteral("\"%1\" already exists.").arg(QFileInfo(to).fileName()));
        return false;
    }
    if (!QDir().rename(from, to)) {
        setError(error, QStringLiteral("\"%1\" could not be moved.").arg(QFileInfo(from).fileName()));
        return false;
    }
    return true;
}

bool ZQLibraryDisk::removeItem(const QString& path, QString* error)
{
    const QFileInfo info(path);
    const bool removed = info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
    if (!removed)
        setError(error, QStringLiteral("\"%1\" could not be removed.").arg(info.fileName()));
    return removed;
}

bool ZQLibraryDisk::moveToTrash(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.moveToTrash()) {
        setError(error, QStringLiteral("\"%1\" could not be moved to the Trash.").arg(QFileInfo(path).fileName()));
        return false;
    }
    return true;
}

bool ZQLibraryDisk::createEmptyFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

std::optional<ZQErrorValue> ZQLibraryDisk::saveDocument(const ZQDocumentPtr& document, const QUrl& url,
                                                        const QString& typeName, ZQDocument::SaveOperation operation)
{
    std::optional<ZQErrorValue> failure;
    document->saveToURL(url, typeName, operation, [&](const std::optional<ZQErrorValue>& error) { failure = error; });
    return failure;
}

std::shared_ptr<ZQLibraryDisk> ZQLibraryDisk::shared()
{
    std::lock_guard lock(diskMutex);
    return installedDisk();
}

void ZQLibraryDisk::setShared(std::shared_ptr<ZQLibraryDisk> disk)
{
    std::lock_guard lock(diskMutex);
    installedDisk() = disk ? std::move(disk) : std::make_shared<ZQLibraryDisk>();
}
