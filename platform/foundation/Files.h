#pragma once
// Files and the application's folders.

#include <QByteArray>
#include <QString>

namespace plat {

// Writes data to a temporary file beside path and renames it over path, so readers see
// the old or the new content, never a part. The folder must exist.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

// QUORVEL_DATA_DIR when set, else the XDG data folder + "/Quorvel". Not created here.
QString applicationDataDirectory();
// QUORVEL_CONFIG_DIR when set, else the XDG config folder + "/Quorvel". Not created here.
QString configDirectory();
QString temporaryDirectory();

} // namespace plat
