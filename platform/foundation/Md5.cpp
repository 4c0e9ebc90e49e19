#include "platform/foundation/Md5.h"

#include <QCryptographicHash>

namespace plat {

QString md5Hex(const QByteArray& data)
{
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex());
}

} // namespace plat
