#pragma once
// The application's resources looked up by name, as the program's bundle holds
// them: resources/ of the source tree and the build's own copies of npm files.

#include <QString>
#include <QStringList>

namespace plat {

class Resources {
public:
    // The folders searched, in order: the entries of QUORVEL_RESOURCES
    // (colon-separated) when it is set, and only those; else "resources"
    // beside the executable, "../share/quorvel/resources" above it, then the
    // source tree's and the build's resources.
    static QStringList searchFolders();

    // The first file "name.ext" in the subfolder of a search folder; empty when none.
    static QString pathForResource(const QString& name, const QString& ext,
                                   const QString& subfolder = QString());

    // Every file with the extension directly in the subfolder of any search
    // folder; a name found in an earlier folder hides the same name later.
    static QStringList pathsForResources(const QString& ext, const QString& subfolder);
};

} // namespace plat
