#include "app/shell/ZQPageLink.h"

#include <QStringDecoder>
#include <algorithm>

QString ZQPageLink::escapePart(const QString& part)
{
    static const char hex[] = "0123456789ABCDEF";
    const auto plain = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
    };
    // Identifiers and folders are nearly always plain: shared as they are.
    if (std::all_of(part.begin(), part.end(), plain))
        return part;
    QString escaped;
    escaped.reserve(part.size());
    for (const char byte : part.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.') {
            escaped += QLatin1Char(char(c));
        } else {
            escaped += QLatin1Char('~');
            escaped += QLatin1Char(hex[c >> 4]);
            escaped += QLatin1Char(hex[c & 0xF]);
        }
    }
    return escaped;
}

QString ZQPageLink::unescapePart(const QString& part)
{
    if (!part.contains(QLatin1Char('~')))
        return part;
    QByteArray bytes;
    for (qsizetype at = 0; at < part.size(); ++at) {
        if (part[at] != QLatin1Char('~')) {
            bytes += part[at].toLatin1();
            if (part[at].unicode() > 0x7F)
                return part; // not of our making: taken as it stands
            continue;
        }
        bool ok = false;
        const int value = part.mid(at + 1, 2).toInt(&ok, 16);
        if (!ok || at + 2 >= part.size())
            return part;
        bytes += char(value);
        at += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? part : text;
}

QString ZQPageLink::addressForPage(const QString& pageUuid, const QString& spaceFolder)
{
    return prefix() + escapePart(pageUuid) + QLatin1Char('_') + escapePart(spaceFolder);
}

std::optional<ZQPageLink::Target> ZQPageLink::pageForAddress(const QString& address)
{
    if (!address.startsWith(prefix()))
        return std::nullopt;
    const QString rest = address.mid(prefix().size());
    const qsizetype split = rest.lastIndexOf(QLatin1Char('_'));
    if (split < 0)
        return std::nullopt;
    return Target{unescapePart(rest.left(split)), unescapePart(rest.mid(split + 1))};
}
