#include "kit/foundation/Exs.h"

#include <QStandardPaths>
#include <QStringList>

namespace Exs {

namespace {

QStringList urlPathComponents(const QUrl& url)
{
    return url.path().split(u'/', Qt::SkipEmptyParts);
}

} // namespace

bool isParentUrl(const QUrl& url, const QUrl& other)
{
    const QStringList mine = urlPathComponents(url);
    const QStringList theirs = urlPathComponents(other);
    if (mine.size() > theirs.size())
        return false;
    return std::equal(mine.begin(), mine.end(), theirs.begin());
}

bool isInTrashBin(const QUrl& url)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return isParentUrl(QUrl::fromLocalFile(dataHome + QStringLiteral("/Trash")), url);
}

} // namespace Exs
