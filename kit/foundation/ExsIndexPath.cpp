#include "kit/foundation/Exs.h"

#include <QDebug>

namespace Exs {

qsizetype firstIndex(const IndexPath& path)
{
    return path.indexAtPosition(0);
}

qsizetype lastIndex(const IndexPath& path)
{
    return path.indexAtPosition(path.length() - 1);
}

void print(const IndexPath& path)
{
    QString digits;
    for (qsizetype index : path.indexes())
        digits += QString::number(index);
    qDebug().noquote() << QStringLiteral("Index Path %1").arg(digits);
}

bool contains(const IndexPath& path, const IndexPath& other)
{
    const auto& mine = path.indexes();
    const auto& theirs = other.indexes();
    return mine.size() <= theirs.size() && std::equal(mine.begin(), mine.end(), theirs.begin());
}

std::optional<IndexPath> previousIndex(const IndexPath& path)
{
    std::vector<qsizetype> indexes = path.indexes();
    while (!indexes.empty() && indexes.back() == 0)
        indexes.pop_back();
    if (indexes.empty())
        return std::nullopt;
    --indexes.back();
    return IndexPath(std::move(indexes));
}

IndexPath nextIndex(const IndexPath& path)
{
    if (path.length() == 0)
        throw plat::RangeError("nextIndex: the index path is empty");
    std::vector<qsizetype> indexes = path.indexes();
    ++indexes.back();
    return IndexPath(std::move(indexes));
}

} // namespace Exs
