#include "app/shell/ZQStringUtil.h"

#include <QFile>
#include <QStringDecoder>

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <memory>

namespace {

struct DetectorCloser {
    void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};
struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Decodes with the named charset; none when a byte sequence is invalid in it.
std::optional<QString> decodeStrictly(const QByteArray& data, const char* charset)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(charset, &status));
    if (U_FAILURE(status))
        return std::nullopt;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    QString text(qsizetype(data.size()) * 2 + 2, Qt::Uninitialized);
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                         data.constData(), int32_t(data.size()), &status);
    if (U_FAILURE(status))
        return std::nullopt;
    text.truncate(length);
    // A UTF-8 byte order mark is no part of the text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// A guessed charset that turns bytes into control characters other than
// white space guessed wrong: text files hold none of them.
bool hasBinaryControls(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\v' && u != u'\f' && u != u'\r' && u != 0x1b)
            return true;
    }
    return false;
}

bool hasWideByteOrderMark(const QByteArray& data)
{
    return data.startsWith(QByteArray("\xff\xfe", 2)) || data.startsWith(QByteArray("\xfe\xff", 2))
        || data.startsWith(QByteArray("\x00\x00\xfe\xff", 4));
}

std::optional<QString> detectAndDecode(const QByteArray& data, QString* detectedEncoding)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
    if (U_FAILURE(status))
        return std::nullopt;
    ucsdet_setText(detector.get(), data.constData(), int32_t(data.size()), &status);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &found, &status);
    if (U_FAILURE(status))
        return std::nullopt;
    // Best match first; one whose bytes do not decode, or decode to NULs, is passed over.
    for (int32_t i = 0; i < found; ++i) {
        UErrorCode nameStatus = U_ZERO_ERROR;
        const char* name = ucsdet_getName(matches[i], &nameStatus);
        if (U_FAILURE(nameStatus) || !name)
            continue;
        // Any even run of bytes decodes as UTF-16: only a byte order mark says it is.
        const QByteArray charset(name);
        if ((charset.startsWith("UTF-16") || charset.startsWith("UTF-32")) && !hasWideByteOrderMark(data))
            continue;
        std::optional<QString> text = decodeStrictly(data, name);
        if (!text || hasBinaryControls(*text))
            continue;
        if (detectedEncoding)
            *detectedEncoding = QString::fromLatin1(name);
        return text;
    }
    return std::nullopt;
}

} // namespace

namespace ZQStringUtil {

std::optional<QString> stringFromData(const QByteArray& data, QString* error, QString* detectedEncoding)
{
    if (data.isEmpty()) {
        if (detectedEncoding)
            *detectedEncoding = QStringLiteral("UTF-8");
        return QString();
    }
    if (std::optional<QString> text = detectAndDecode(data, detectedEncoding))
        return text;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (!utf8.hasError() && !text.contains(QChar(0))) {
        if (detectedEncoding)
            *detectedEncoding = QStringLiteral("UTF-8");
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    if (error)
        *error = QStringLiteral("The file's text is in no encoding that can be read.");
    return std::nullopt;
}

std::optional<QString> stringFromFileURL(const QUrl& url, QString* error)
{
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return stringFromData(data, error);
}

} // namespace ZQStringUtil
