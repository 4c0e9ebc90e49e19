#include "platform/foundation/CborTree.h"

#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <limits>

namespace plat {

namespace {

double halfToDouble(quint16 half)
{
    const int exponent = (half >> 10) & 0x1f;
    const int mantissa = half & 0x3ff;
    double value;
    if (exponent == 0)
        value = std::ldexp(mantissa, -24);
    else if (exponent != 31)
        value = std::ldexp(mantissa + 1024, exponent - 25);
    else
        value = mantissa == 0 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    return (half & 0x8000) ? -value : value;
}

} // namespace

struct CborTree::Reader {
    CborTree& tree;
    const uchar* data;
    qsizetype size;
    qsizetype pos = 0;
    int maximumDepth;
    QString error;

    bool fail(const char* message)
    {
        if (error.isEmpty())
            error = QString::fromLatin1(message);
        return false;
    }

    bool take(qsizetype n, const uchar*& out)
    {
        if (n < 0 || n > size - pos)
            return fail("The archive is corrupt or truncated: the data ends inside an item");
        out = data + pos;
        pos += n;
        return true;
    }

    // The argument of the head whose low five bits are info; indefinite is
    // set for info 31.
    bool argument(int info, quint64& value, bool& indefinite)
    {
        indefinite = false;
        if (info < 24) {
            value = quint64(info);
            return true;
        }
        const uchar* p = nullptr;
        switch (info) {
        case 24:
            if (!take(1, p)) return false;
            value = p[0];
            return true;
        case 25:
            if (!take(2, p)) return false;
            value = (quint64(p[0]) << 8) | p[1];
            return true;
        case 26:
            if (!take(4, p)) return false;
            value = (quint64(p[0]) << 24) | (quint64(p[1]) << 16) | (quint64(p[2]) << 8) | p[3];
            return true;
        case 27:
            if (!take(8, p)) return false;
            value = 0;
            for (int i = 0; i < 8; ++i)
                value = (value << 8) | p[i];
            return true;
        case 31:
            indefinite = true;
            value = 0;
            return true;
        default:
            return fail("The archive is corrupt or truncated: an item has a malformed head");
        }
    }

    bool atBreak()
    {
        if (pos >= size)
            return fail("The archive is corrupt or truncated: the data ends inside an item");
        if (data[pos] == 0xff) {
            ++pos;
            return true;
        }
        return false;
    }

    bool readString(Node& n, int major, quint64 length, bool indefinite)
    {
        n.kind = major == 2 ? Kind::Bytes : Kind::Text;
        n.slice.joined = indefinite;
        if (!indefinite) {
            const uchar* p = nullptr;
            if (length > quint64(size - pos) || !take(qsizetype(length), p))
                return fail("The archive is corrupt or truncated: a string runs past the end");
            n.slice.offset = p - data;
            n.slice.length = qsizetype(length);
            return true;
        }
        // Chunks of the same major type, joined into the side buffer.
        n.slice.offset = tree.m_joined.size();
        for (;;) {
            if (atBreak())
                break;
            if (!error.isEmpty())
                return false;
            const int head = data[pos++];
            quint64 chunkLength;
            bool chunkIndefinite;
            if ((head >> 5) != major || !argument(head & 0x1f, chunkLength, chunkIndefinite) || chunkIndefinite)
                return fail("The archive is corrupt or truncated: a chunked string holds a foreign chunk");
            const uchar* p = nullptr;
            if (chunkLength > quint64(size - pos) || !take(qsizetype(chunkLength), p))
                return fail("The archive is corrupt or truncated: a string runs past the end");
            tree.m_joined.append(reinterpret_cast<const char*>(p), qsizetype(chunkLength));
        }
        n.slice.length = tree.m_joined.size() - n.slice.offset;
        return true;
    }

    bool item(int depth)
    {
        if (depth > maximumDepth)
            return fail("The archive nests too deeply");
        if (pos >= size)
            return fail("The archive is corrupt or truncated: an item is missing");
        const int head = data[pos++];
        const int major = head >> 5;
        const int info = head & 0x1f;
        const qsizetype index = qsizetype(tree.m_nodes.size());
        tree.m_nodes.emplace_back();
        quint64 value;
        bool indefinite;
        if (major != 7 && !argument(info, value, indefinite))
            return false;
        if (indefinite && (major == 0 || major == 1 || major == 6))
            return fail("The archive is corrupt or truncated: an item has a malformed head");
        switch (major) {
        case 0:
        case 1: {
            Node& n = tree.m_nodes[size_t(index)];
            // Beyond 64-bit signed integers the value is kept as a double, as QCborValue does.
            if (value > quint64(std::numeric_limits<qint64>::max())) {
                n.kind = Kind::Double;
                n.real = major == 0 ? double(value) : -1.0 - double(value);
            } else {
                n.kind = Kind::Integer;
                n.integer = major == 0 ? qint64(value) : -1 - qint64(value);
            }
            break;
        }
        case 2:
        case 3:
            if (!readString(tree.m_nodes[size_t(index)], major, value, indefinite))
                return false;
            break;
        case 4:
        case 5: {
            const quint64 per = major == 4 ? 1 : 2;
            qsizetype count = 0;
            if (indefinite) {
                for (;;) {
                    if (atBreak())
                        break;
                    if (!error.isEmpty())
                        return false;
                    for (quint64 k = 0; k < per; ++k)
                        if (!item(depth + 1))
                            return false;
                    ++count;
                }
            } else {
                // Each item takes at least one byte: a count beyond the data is corrupt.
                if (value > quint64(size - pos) / per)
                    return fail("The archive is corrupt or truncated: a container claims more items than the data holds");
                for (quint64 i = 0; i < value * per; ++i)
                    if (!item(depth + 1))
                        return false;
                count = qsizetype(value);
            }
            Node& n = tree.m_nodes[size_t(index)];
            n.kind = major == 4 ? Kind::Array : Kind::Map;
            n.count = count;
            break;
        }
        case 6: {
            if (!item(depth + 1))
                return false;
            Node& n = tree.m_nodes[size_t(index)];
            n.kind = Kind::Tag;
            n.tag = value;
            n.count = 1;
            break;
        }
        default: {
            Node& n = tree.m_nodes[size_t(index)];
            const uchar* p = nullptr;
            switch (info) {
            case 20: n.kind = Kind::False; break;
            case 21: n.kind = Kind::True; break;
            case 22: n.kind = Kind::Null; break;
            case 23: n.kind = Kind::Undefined; break;
            case 24:
                if (!take(1, p)) return false;
                n.kind = Kind::Simple;
                n.integer = p[0];
                break;
            case 25:
                if (!take(2, p)) return false;
                n.kind = Kind::Double;
                n.real = halfToDouble(quint16((p[0] << 8) | p[1]));
                break;
            case 26: {
                if (!take(4, p)) return false;
                const quint32 bits = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
                float f;
                std::memcpy(&f, &bits, sizeof f);
                n.kind = Kind::Double;
                n.real = f;
                break;
            }
            case 27: {
                if (!take(8, p)) return false;
                quint64 bits = 0;
                for (int i = 0; i < 8; ++i)
                    bits = (bits << 8) | p[i];
                n.kind = Kind::Double;
                std::memcpy(&n.real, &bits, sizeof n.real);
                break;
            }
            default:
                if (info >= 28)
                    return fail("The archive is corrupt or truncated: an item has a malformed head");
                n.kind = Kind::Simple;
                n.integer = info;
                break;
            }
            break;
        }
        }
        tree.m_nodes[size_t(index)].end = qsizetype(tree.m_nodes.size());
        return true;
    }
};

std::optional<CborTree> CborTree::read(const QByteArray& data, int maximumDepth, QString* error)
{
    CborTree tree;
    tree.m_data = data;
    // Most items of an archive take a few bytes each.
    tree.m_nodes.reserve(size_t(data.size() / 4 + 1));
    Reader reader{tree, reinterpret_cast<const uchar*>(tree.m_data.constData()), data.size(), 0, maximumDepth, {}};
    bool ok = reader.item(0);
    if (ok && reader.pos != data.size())
        ok = reader.fail("The archive has trailing bytes");
    if (!ok) {
        if (error)
            *error = reader.error;
        return std::nullopt;
    }
    return tree;
}

const char* CborTree::sliceData(const Node& n) const
{
    return (n.slice.joined ? m_joined.constData() : m_data.constData()) + n.slice.offset;
}

qsizetype CborTree::find(qsizetype map, QStringView key) const
{
    const Node& m = node(map);
    if (m.kind != Kind::Map)
        return -1;
    qsizetype child = firstChild(map);
    for (qsizetype i = 0; i < m.count; ++i) {
        const qsizetype value = nextSibling(child);
        if (textEquals(child, key))
            return value;
        child = nextSibling(value);
    }
    return -1;
}

bool CborTree::textEquals(qsizetype index, QStringView key) const
{
    const Node& n = node(index);
    if (n.kind != Kind::Text)
        return false;
    const char* bytes = sliceData(n);
    // Keys are ASCII almost always: compare unit by unit, decoding only otherwise.
    if (n.slice.length == key.size()) {
        bool ascii = true;
        for (qsizetype i = 0; i < n.slice.length; ++i) {
            const uchar c = uchar(bytes[i]);
            if (c >= 0x80) {
                ascii = false;
                break;
            }
            if (key[i].unicode() != c)
                return false;
        }
        if (ascii)
            return true;
    }
    const std::optional<QString> decoded = text(index);
    return decoded && *decoded == key;
}

std::optional<QString> CborTree::text(qsizetype index) const
{
    const Node& n = node(index);
    if (n.kind != Kind::Text)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = decoder(QByteArrayView(sliceData(n), n.slice.length));
    if (decoder.hasError())
        return std::nullopt;
    return result;
}

QByteArray CborTree::bytes(qsizetype index) const
{
    const Node& n = node(index);
    if (n.kind != Kind::Bytes)
        return {};
    return QByteArray(sliceData(n), n.slice.length);
}

} // namespace plat
