#pragma once
// A CBOR document read in one pass into a flat array of nodes, each subtree
// stored right after its node. Reading allocates one vector; strings stay
// slices of the source bytes until asked for. Archives are read this way
// because building and freeing a tree of QCborValue containers cost more
// than decoding the objects themselves.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace plat {

class CborTree {
public:
    enum class Kind : quint8 { Null, Undefined, False, True, Integer, Double, Text, Bytes, Array, Map, Tag, Simple };

    struct Node {
        Kind kind = Kind::Null;
        // Array: items; Map: key/value pairs; Tag: 1.
        qsizetype count = 0;
        // The index just past this node's subtree: its next sibling.
        qsizetype end = 0;
        union {
            qint64 integer;
            double real;
            quint64 tag;
            struct {
                qsizetype offset;
                qsizetype length;
                bool joined; // offset into the buffer of chunked strings
            } slice;
        };
        Node() : integer(0) {}
    };

    // The tree of data, or nothing with a reason when data is not one
    // well-formed CBOR item (truncated, trailing bytes, nested deeper than
    // maximumDepth).
    static std::optional<CborTree> read(const QByteArray& data, int maximumDepth, QString* error);

    const Node& node(qsizetype index) const { return m_nodes[size_t(index)]; }
    qsizetype size() const { return qsizetype(m_nodes.size()); }

    // The first child of a container, and the child after a child.
    static qsizetype firstChild(qsizetype index) { return index + 1; }
    qsizetype nextSibling(qsizetype index) const { return m_nodes[size_t(index)].end; }

    // The value under a text key of a map node; -1 when absent.
    qsizetype find(qsizetype map, QStringView key) const;
    // Text and byte strings. text() fails (nothing) on invalid UTF-8.
    std::optional<QString> text(qsizetype index) const;
    QByteArray bytes(qsizetype index) const;
    bool textEquals(qsizetype index, QStringView key) const;

private:
    struct Reader;
    QByteArray m_data;
    QByteArray m_joined;
    std::vector<Node> m_nodes;
    const char* sliceData(const Node& n) const;
};

} // namespace plat
