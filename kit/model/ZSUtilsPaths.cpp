#include "kit/model/ZSUtils.h"

#include "platform/foundation/Files.h"
#include "platform/foundation/Uuid.h"

#include <QDir>
#include <QFileInfo>

namespace {

QUrl folderUrl(const QString& path)
{
    return QUrl::fromLocalFile(QDir::cleanPath(path));
}

QString appPath()
{
    return ZSUtils::appDirectory().toLocalFile();
}

bool makeFolder(const QString& path, std::optional<ZQErrorValue>* error)
{
    if (QDir().mkpath(path) && QFileInfo(path).isDir())
        return true;
    if (error) {
        *error = ZQErrorValue(ZQErrorValue::cocoaErrorDomain(), 512,
                              {{ZQErrorValue::localizedDescriptionKey(),
                                QStringLiteral("The folder \u201c%1\u201d could not be created.").arg(path)}});
    }
    return false;
}

} // namespace

QUrl ZSUtils::appDirectory()
{
    static const QUrl directory = [] {
        const QString path = plat::applicationDataDirectory();
        makeFolder(path, nullptr);
        return folderUrl(path);
    }();
    return directory;
}

QUrl ZSUtils::ensurePath(const QUrl& directory, std::optional<ZQErrorValue>* error)
{
    return makeFolder(directory.toLocalFile(), error) ? directory : QUrl();
}

QUrl ZSUtils::ensureSandboxPath(const QString& folder, std::optional<ZQErrorValue>* error)
{
    const QUrl url = folder.isNull() ? appDirectory() : spaceUrl(folder);
    return ensurePath(url, error);
}

QUrl ZSUtils::spaceUrl(const QString& spaceFolder)
{
    return folderUrl(appPath() + u'/' + spaceFolder);
}

QUrl ZSUtils::pageUrl(const QString& pagePackage, const QString& spaceFolder)
{
    return folderUrl(appPath() + u'/' + spaceFolder + u'/' + pagePackage);
}

QUrl ZSUtils::spaceSandboxUrl(const QString& spaceFolder)
{
    return spaceUrl(spaceFolder);
}

QUrl ZSUtils::pageSandboxUrl(const QString& pagePackage, const QString& spaceFolder)
{
    return pageUrl(pagePackage, spaceFolder);
}

QUrl ZSUtils::databaseUrl(const QString& database, const QString& spaceFolder)
{
    const QUrl folder = ensureSandboxPath(spaceFolder);
    if (folder.isEmpty())
        return QUrl();
    return QUrl::fromLocalFile(folder.toLocalFile() + u'/' + database);
}

// The URL comes from the local path, so spaces and "%" in the temporary
// folder's path stay what they are.
QUrl ZSUtils::tempDir()
{
    const QString path = plat::temporaryDirectory() + u'/' + uuid();
    makeFolder(path, nullptr);
    return folderUrl(path);
}

QList<QUrl> ZSUtils::listFilesUnderDirectory(const QUrl& directory)
{
    QList<QUrl> urls;
    const QDir dir(directory.toLocalFile());
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
        urls << QUrl::fromLocalFile(entry.absoluteFilePath());
    return urls;
}

bool ZSUtils::isSameFileURL(const QUrl& url, const QUrl& with)
{
    if (url == with)
        return true;
    const auto withoutSlash = [](const QUrl& u) {
        QString text = u.toString(QUrl::FullyEncoded);
        if (text.endsWith(u'/'))
            text.chop(1);
        return text;
    };
    return withoutSlash(url) == withoutSlash(with);
}

QString ZSUtils::uuid()
{
    return plat::newUuidString();
}
