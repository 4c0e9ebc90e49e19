#include "platform/foundation/Files.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace plat {

namespace {

QString overriddenOrStandard(const char* variable, QStandardPaths::StandardLocation location)
{
    const QString overridden = qEnvironmentVariable(variable);
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    return QStandardPaths::writableLocation(location) + QStringLiteral("/Quorvel");
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    if (error)
        *error = ok ? QString() : QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString());
    return ok;
}

QString applicationDataDirectory()
{
    return overriddenOrStandard("QUORVEL_DATA_DIR", QStandardPaths::GenericDataLocation);
}

QString configDirectory()
{
    return overriddenOrStandard("QUORVEL_CONFIG_DIR", QStandardPaths::GenericConfigLocation);
}

QString temporaryDirectory()
{
    return QDir::tempPath();
}

} // namespace plat
