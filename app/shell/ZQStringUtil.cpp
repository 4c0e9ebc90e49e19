#include "app/shell/ZQStringUtil.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
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

// Characters of the bytes 0-255 in the Windows Latin-1 code page, which RTF
// writers use for raw bytes and \'hh escapes.
const std::array<char16_t, 256>& windows1252()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> result{};
        for (int byte = 0; byte < 256; ++byte) {
            const std::optional<QString> decoded = decodeStrictly(QByteArray(1, char(byte)), "windows-1252");
            result[size_t(byte)] = decoded && decoded->size() == 1 ? decoded->at(0).unicode() : char16_t(0xFFFD);
        }
        return result;
    }();
    return table;
}

bool isRtf(const QByteArray& data)
{
    return data.startsWith("{\\rtf");
}

// The plain text of an RTF document, in one pass: groups that hold no text
// (fonts, colours, styles, pictures, ignorable destinations) are skipped,
// paragraph and line marks become line ends, escapes their characters.
QString rtfPlainText(const QByteArray& data)
{
    static const QSet<QByteArray> hiddenDestinations = {
        "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "fldinst", "header", "footer", "headerl",
        "headerr", "footerl", "footerr", "listtable", "listoverridetable", "themedata", "colorschememapping",
        "datastore", "latentstyles", "rsidtbl", "generator", "xmlnstbl", "filetbl", "revtbl", "expandedcolortbl"};
    struct Group {
        bool hidden = false;
        int fallbackLength = 1;
    };
    const auto& codePage = windows1252();
    std::vector<Group> groups = {Group()};
    QString text;
    int fallbackToSkip = 0;
    const qsizetype size = data.size();
    const auto put = [&](char16_t c) {
        if (fallbackToSkip > 0) {
            --fallbackToSkip;
            return;
        }
        if (!groups.back().hidden)
            text.append(QChar(c));
    };
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '{') {
            groups.push_back(groups.back());
            fallbackToSkip = 0;
        } else if (c == '}') {
            if (groups.size() > 1)
                groups.pop_back();
            fallbackToSkip = 0;
        } else if (c == '\r' || c == '\n') {
            continue;
        } else if (c != '\\') {
            put(codePage[c]);
        } else if (i + 1 < size) {
            const char next = data[i + 1];
            if (std::isalpha(static_cast<unsigned char>(next))) {
                qsizetype end = i + 1;
                while (end < size && std::isalpha(static_cast<unsigned char>(data[end])))
                    ++end;
                const QByteArray word = data.mid(i + 1, end - i - 1);
                qsizetype numberEnd = end;
                if (numberEnd < size && data[numberEnd] == '-')
                    ++numberEnd;
                while (numberEnd < size && std::isdigit(static_cast<unsigned char>(data[numberEnd])))
                    ++numberEnd;
                const bool hasNumber = numberEnd > end && !(numberEnd == end + 1 && data[end] == '-');
                const long number = hasNumber ? std::strtol(data.mid(end, std::min<qsizetype>(numberEnd - end, 12)).constData(), nullptr, 10) : 0;
                i = hasNumber ? numberEnd - 1 : end - 1;
                if (i + 1 < size && data[i + 1] == ' ')
                    ++i;
                if (hiddenDestinations.contains(word)) {
                    groups.back().hidden = true;
                } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
                    put(u'\n');
                } else if (word == "tab") {
                    put(u'\t');
                } else if (word == "uc") {
                    groups.back().fallbackLength = int(std::clamp<long>(number, 0, 16));
                } else if (word == "u" && hasNumber) {
                    const long code = number < 0 ? number + 65536 : number;
                    put(char16_t(std::clamp<long>(code, 0, 0xFFFF)));
                    fallbackToSkip = groups.back().fallbackLength;
                }
            } else if (next == '\'' && i + 3 < size) {
                bool ok = false;
                const int byte = data.mid(i + 2, 2).toInt(&ok, 16);
                i += 3;
                if (ok)
                    put(codePage[size_t(byte)]);
            } else {
                ++i;
                if (next == '*')
                    groups.back().hidden = true;
                else if (next == '\\' || next == '{' || next == '}')
                    put(char16_t(next));
                else if (next == '~')
                    put(u'\u00A0');
                else if (next == '_')
                    put(u'-');
                else if (next == '\r' || next == '\n')
                    put(u'\n');
            }
        }
    }
    return text;
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
    // RTF is plain bytes that any charset decodes: take its text, not its markup.
    if (isRtf(data)) {
        if (detectedEncoding)
            *detectedEncoding = QStringLiteral("RTF");
        return rtfPlainText(data);
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
