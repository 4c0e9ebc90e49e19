#pragma once
// Reading a text file in whatever encoding it was written in.

#include <QString>
#include <QUrl>
#include <optional>

namespace ZQStringUtil {

// The file's text: decoded in the encoding ICU's detector finds (a byte order
// mark wins), else as strict UTF-8; none when neither gives text. A detected
// charset that yields control characters other than white space is passed
// over, and text never holds NUL characters. An RTF file gives its plain text.
// error receives why the file could not be read or decoded.
std::optional<QString> stringFromFileURL(const QUrl& url, QString* error = nullptr);

// The same over bytes already read; detectedEncoding receives the charset used.
std::optional<QString> stringFromData(const QByteArray& data, QString* error = nullptr,
                                      QString* detectedEncoding = nullptr);

} // namespace ZQStringUtil
