#include "platform/foundation/Resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace plat {

QStringList Resources::searchFolders()
{
    const QString fromEnv = qEnvironmentVariable("QUORVEL_RESOURCES");
    if (!fromEnv.isEmpty())
        return fromEnv.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QStringList folders;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty()) {
        folders << QDir(appDir).filePath(QStringLiteral("resources"));
        folders << QDir::cleanPath(appDir + QStringLiteral("/../share/quorvel/resources"));
    }
#ifdef QUORVEL_BUILD_TREE_RESOURCES
    // A program run from its build tree finds the source tree's and the build's resources.
    for (const QString& entry : QStringLiteral(QUORVEL_BUILD_TREE_RESOURCES).split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << entry;
#endif
    return folders;
}

QString Resources::pathForResource(const QString& name, const QString& ext, const QString& subfolder)
{
    const QString file = ext.isEmpty() ? name : name + QLatin1Char('.') + ext;
    for (const QString& folder : searchFolders()) {
        const QString path = QDir(QDir(folder).filePath(subfolder)).filePath(file);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QStringList Resources::pathsForResources(const QString& ext, const QString& subfolder)
{
    QStringList paths;
    QSet<QString> seen;
    for (const QString& folder : searchFolders()) {
        const QDir dir(QDir(folder).filePath(subfolder));
        const QStringList files =
            dir.entryList({QStringLiteral("*.") + ext}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString& file : files) {
            if (seen.contains(file))
                continue;
            seen.insert(file);
            paths << dir.filePath(file);
        }
    }
    return paths;
}

} // namespace plat
