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

// The checking pass: every rule the readers below rely on holds once it passes.
struct CborTree::Reader {
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

    bool skip(qsizetype n)
    {
        if (n < 0 || n > size - pos)
            return fail("The archive is corrupt or truncated: the data ends inside an item");
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
        if (info > 27) {
            if (info != 31)
                return fail("The archive is corrupt or truncated: an item has a malformed head");
            indefinite = true;
            value = 0;
            return true;
        }
        const qsizetype bytes = qsizetype(1) << (info - 24);
        const uchar* p = data + pos;
        if (!skip(bytes))
            return false;
        value = 0;
        for (qsizetype i = 0; i < bytes; ++i)
            value = (value << 8) | p[i];
        return true;
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

    bool string(int major, quint64 length, bool indefinite)
    {
        if (!indefinite) {
            if (length > quint64(size - pos))
                return fail("The archive is corrupt or truncated: a string runs past the end");
            pos += qsizetype(length);
            return true;
        }
        // Chunks of the same major type, joined when read.
        for (;;) {
            if (atBreak())
                return true;
            if (!error.isEmpty())
                return false;
            const int head = data[pos++];
            quint64 chunkLength = 0;
            bool chunkIndefinite;
            if ((head >> 5) != major || !argument(head & 0x1f, chunkLength, chunkIndefinite) || chunkIndefinite)
                return fail("The archive is corrupt or truncated: a chunked string holds a foreign chunk");
            if (chunkLength > quint64(size - pos))
                return fail("The archive is corrupt or truncated: a string runs past the end");
            pos += qsizetype(chunkLength);
        }
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
        if (major == 7) {
            if (info >= 28)
                return fail("The archive is corrupt or truncated: an item has a malformed head");
            return info < 24 || skip(qsizetype(1) << (info - 24));
        }
        quint64 value = 0;
        bool indefinite;
        if (!argument(info, value, indefinite))
            return false;
        if (indefinite && (major == 0 || major == 1 || major == 6))
            return fail("The archive is corrupt or truncated: an item has a malformed head");
        switch (major) {
        case 2:
        case 3:
            return string(major, value, indefinite);
        case 4:
        case 5: {
            const quint64 per = major == 4 ? 1 : 2;
            if (indefinite) {
                for (;;) {
                    if (atBreak())
                        return true;
                    if (!error.isEmpty())
                        return false;
                    for (quint64 k = 0; k < per; ++k)
                        if (!item(depth + 1))
                            return false;
                }
            }
            // Each item takes at least one byte: a count beyond the data is corrupt.
            if (value > quint64(size - pos) / per)
                return fail("The archive is corrupt or truncated: a container claims more items than the data holds");
            for (quint64 i = 0; i < value * per; ++i)
                if (!item(depth + 1))
                    return false;
            return true;
        }
        case 6:
            return item(depth + 1);
        default:
            return true;
        }
    }
};

std::optional<CborTree> CborTree::read(const QByteArray& data, int maximumDepth, QString* error)
{
    Reader reader{reinterpret_cast<const uchar*>(data.constData()), data.size(), 0, maximumDepth, {}};
    bool ok = reader.item(0);
    if (ok && reader.pos != data.size())
        ok = reader.fail("The archive has trailing bytes");
    if (!ok) {
        if (error)
            *error = reader.error;
        return std::nullopt;
    }
    CborTree tree;
    tree.m_data = data;
    return tree;
}

// The readers below trust the checking pass: every head is whole, every
// length lies inside the data, every container ends.

CborTree::Head CborTree::head(qsizetype at) const
{
    const auto* p = reinterpret_cast<const uchar*>(m_data.constData()) + at;
    Head h{p[0] >> 5, p[0] & 0x1f, 0, false, at + 1};
    if (h.info < 24) {
        h.value = quint64(h.info);
    } else if (h.info == 31) {
        h.indefinite = true;
    } else {
        const int bytes = 1 << (h.info - 24);
        for (int i = 1; i <= bytes; ++i)
            h.value = (h.value << 8) | p[i];
        h.next += bytes;
    }
    return h;
}

CborTree::Node CborTree::node(qsizetype at) const
{
    const Head h = head(at);
    Node n;
    switch (h.major) {
    case 0:
    case 1:
        // Beyond 64-bit signed integers the value is kept as a double, as QCborValue does.
        if (h.value > quint64(std::numeric_limits<qint64>::max())) {
            n.kind = Kind::Double;
            n.real = h.major == 0 ? double(h.value) : -1.0 - double(h.value);
        } else {
            n.kind = Kind::Integer;
            n.integer = h.major == 0 ? qint64(h.value) : -1 - qint64(h.value);
        }
        break;
    case 2:
        n.kind = Kind::Bytes;
        break;
    case 3:
        n.kind = Kind::Text;
        break;
    case 4:
    case 5:
        n.kind = h.major == 4 ? Kind::Array : Kind::Map;
        if (!h.indefinite) {
            n.count = qint64(h.value);
        } else {
            n.count = 0;
            for (qsizetype pos = h.next; uchar(m_data.at(pos)) != 0xff; ++n.count)
                pos = h.major == 4 ? nextSibling(pos) : nextSibling(nextSibling(pos));
        }
        break;
    case 6:
        n.kind = Kind::Tag;
        n.tag = h.value;
        break;
    default:
        switch (h.info) {
        case 20: n.kind = Kind::False; break;
        case 21: n.kind = Kind::True; break;
        case 22: n.kind = Kind::Null; break;
        case 23: n.kind = Kind::Undefined; break;
        case 25:
            n.kind = Kind::Double;
            n.real = halfToDouble(quint16(h.value));
            break;
        case 26: {
            const quint32 bits = quint32(h.value);
            float f;
            std::memcpy(&f, &bits, sizeof f);
            n.kind = Kind::Double;
            n.real = f;
            break;
        }
        case 27:
            n.kind = Kind::Double;
            std::memcpy(&n.real, &h.value, sizeof n.real);
            break;
        default:
            n.kind = Kind::Simple;
            n.integer = qint64(h.value);
            break;
        }
        break;
    }
    return n;
}

qsizetype CborTree::firstChild(qsizetype at) const { return head(at).next; }

qsizetype CborTree::nextSibling(qsizetype at) const
{
    // Items still to pass, counted down as heads are read: no recursion for
    // the definite containers archives are made of.
    quint64 remaining = 1;
    qsizetype pos = at;
    while (remaining > 0) {
        --remaining;
        const Head h = head(pos);
        pos = h.next;
        switch (h.major) {
        case 2:
        case 3:
            if (!h.indefinite) {
                pos += qsizetype(h.value);
                break;
            }
            while (uchar(m_data.at(pos)) != 0xff)
                pos = nextSibling(pos);
            ++pos;
            break;
        case 4:
        case 5:
            if (!h.indefinite) {
                remaining += h.major == 4 ? h.value : 2 * h.value;
                break;
            }
            while (uchar(m_data.at(pos)) != 0xff)
                pos = nextSibling(pos);
            ++pos;
            break;
        case 6:
            ++remaining;
            break;
        default:
            break;
        }
    }
    return pos;
}

QByteArrayView CborTree::stringBytes(qsizetype at, QByteArray& joined) const
{
    const Head h = head(at);
    if (!h.indefinite)
        return QByteArrayView(m_data.constData() + h.next, qsizetype(h.value));
    for (qsizetype pos = h.next; uchar(m_data.at(pos)) != 0xff;) {
        const Head chunk = head(pos);
        joined.append(m_data.constData() + chunk.next, qsizetype(chunk.value));
        pos = chunk.next + qsizetype(chunk.value);
    }
    return QByteArrayView(joined);
}

qsizetype CborTree::find(qsizetype map, QStringView key) const
{
    const Node m = node(map);
    if (m.kind != Kind::Map)
        return -1;
    qsizetype child = firstChild(map);
    for (qint64 i = 0; i < m.count; ++i) {
        const qsizetype value = nextSibling(child);
        if (textEquals(child, key))
            return value;
        child = nextSibling(value);
    }
    return -1;
}

bool CborTree::textEquals(qsizetype at, QStringView key) const
{
    if (node(at).kind != Kind::Text)
        return false;
    QByteArray joined;
    const QByteArrayView bytes = stringBytes(at, joined);
    // Keys are ASCII almost always: compare unit by unit, decoding only otherwise.
    if (bytes.size() == key.size()) {
        bool ascii = true;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
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
    const std::optional<QString> decoded = text(at);
    return decoded && *decoded == key;
}

std::optional<QString> CborTree::text(qsizetype at) const
{
    if (node(at).kind != Kind::Text)
        return std::nullopt;
    QByteArray joined;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString result = decoder(stringBytes(at, joined));
    if (decoder.hasError())
        return std::nullopt;
    return result;
}

QByteArray CborTree::bytes(qsizetype at) const
{
    if (node(at).kind != Kind::Bytes)
        return {};
    QByteArray joined;
    return stringBytes(at, joined).toByteArray();
}

} // namespace plat
