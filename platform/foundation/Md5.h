#pragma once

#include <QByteArray>
#include <QString>

namespace plat {

// The MD5 digest of the bytes as 32 lower-case hex digits.
QString md5Hex(const QByteArray& data);

} // namespace plat
