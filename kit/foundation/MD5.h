#pragma once
// MD5 digests as 32 lower-case hexadecimal characters.

#include <QByteArray>
#include <QString>

namespace MD5 {

// Over the UTF-8 bytes up to the first NUL, as a C string would end.
QString MD5(const QString& text);
QString MD5(const QByteArray& data);

} // namespace MD5
