#pragma once
// A CBOR document checked in one pass and then read in place. A position in
// the data stands for the item that starts there; nodes are decoded from
// their heads when asked for, and strings stay slices of the source bytes
// until asked for. Reading allocates nothing per item: a page's archive
// holds over a million items, and a node table for them cost more in fresh
// memory than decoding the objects themselves.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace plat {

class CborTree {
public:
    enum class Kind : quint8 { Null, Undefined, False, True, Integer, Double, Text, Bytes, Array, Map, Tag, Simple };

    struct Node {
        Kind kind = Kind::Null;
        union {
            qint64 integer;
            double real;
            quint64 tag;
            // Array: items; Map: key/value pairs.
            qint64 count;
        };
        Node() : integer(0) {}
    };

    // The tree of data, or nothing with a reason when data is not one
    // well-formed CBOR item (truncated, trailing bytes, nested deeper than
    // maximumDepth).
    static std::optional<CborTree> read(const QByteArray& data, int maximumDepth, QString* error);

    // The root item is at position 0.
    Node node(qsizetype at) const;

    // The first child of a container or tag, and the item after an item.
    qsizetype firstChild(qsizetype at) const;
    qsizetype nextSibling(qsizetype at) const;

    // The value under a text key of a map node; -1 when absent.
    qsizetype find(qsizetype map, QStringView key) const;
    // Text and byte strings. text() fails (nothing) on invalid UTF-8.
    std::optional<QString> text(qsizetype at) const;
    QByteArray bytes(qsizetype at) const;
    bool textEquals(qsizetype at, QStringView key) const;

private:
    struct Reader;
    struct Head {
        int major;
        int info;
        quint64 value;
        bool indefinite;
        qsizetype next; // just past the head
    };
    Head head(qsizetype at) const;
    // The bytes of a string item, joined when it comes in chunks.
    QByteArrayView stringBytes(qsizetype at, QByteArray& joined) const;
    QByteArray m_data;
};

} // namespace plat
