#pragma once
// A path of child positions from a tree's root down to one of its nodes.

#include "platform/foundation/Range.h"

#include <QString>
#include <initializer_list>
#include <vector>

class IndexPath {
public:
    IndexPath() = default;
    IndexPath(std::initializer_list<qsizetype> indexes) : m_indexes(indexes) {}
    explicit IndexPath(std::vector<qsizetype> indexes) : m_indexes(std::move(indexes)) {}

    const std::vector<qsizetype>& indexes() const { return m_indexes; }
    qsizetype length() const { return qsizetype(m_indexes.size()); }

    // plat::NotFound for a position past the end, as the platform answers.
    qsizetype indexAtPosition(qsizetype position) const
    {
        return position >= 0 && position < length() ? m_indexes[size_t(position)] : plat::NotFound;
    }

    IndexPath indexPathByAddingIndex(qsizetype index) const
    {
        IndexPath path(*this);
        path.m_indexes.push_back(index);
        return path;
    }

    friend bool operator==(const IndexPath& a, const IndexPath& b) { return a.m_indexes == b.m_indexes; }
    friend bool operator!=(const IndexPath& a, const IndexPath& b) { return !(a == b); }

private:
    std::vector<qsizetype> m_indexes;
};
