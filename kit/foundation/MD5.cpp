#include "kit/foundation/MD5.h"

#include "platform/foundation/Md5.h"

namespace MD5 {

QString MD5(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return plat::md5Hex(bytes);
}

QString MD5(const QByteArray& data)
{
    return plat::md5Hex(data);
}

} // namespace MD5
