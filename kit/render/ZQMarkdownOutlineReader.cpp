#include "kit/render/ZQMarkdownOutlineReader.h"

#include "kit/render/ZQMarkupHelper.h"

#include <QStringDecoder>

namespace {


bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

// Continuation bytes the lead byte's sequence needs; 0 for a byte that leads none.
int continuationsNeeded(unsigned char lead)
{
    if ((lead & 0xE0) == 0xC0)
        return 1;
    if ((lead & 0xF0) == 0xE0)
        return 2;
    if ((lead & 0xF8) == 0xF0)
        return 3;
    if ((lead & 0xFC) == 0xF8)
        return 4;
    if ((lead & 0xFE) == 0xFC)
        return 5;
    return 0;
}

void closeAndUnschedule(plat::InputStream& stream)
{
    stream.close();
    stream.removeFromCurrentRunLoop();
}

} // namespace

std::shared_ptr<ZQMarkdownOutlineReader> ZQMarkdownOutlineReader::initWithPageUuid(const QString& pageUuid,
                                                                                 const QString& spaceFolder)
{
    return std::shared_ptr<ZQMarkdownOutlineReader>(new ZQMarkdownOutlineReader(pageUuid, spaceFolder));
}

void ZQMarkdownOutlineReader::stream(plat::InputStream& stream, plat::StreamEvent event)
{
    switch (event) {
    case plat::StreamEvent::OpenCompleted:
        return;
    case plat::StreamEvent::HasBytesAvailable: {
        char buffer[MaxBytes];
        const qsizetype n = stream.read(buffer, MaxBytes);
        if (n > 0) {
            const std::optional<QString> text = readUTF8String(buffer, n);
            if (text && !text->isEmpty()) {
                report(ZQMarkupHelper::sharedMarkupHelper()->getOutlineTitle(plat::AttributedString(*text),
                                                                             ZQEditorType::Markup, plat::Range(0, 0)));
            }
        }
        closeAndUnschedule(stream);
        return;
    }
    case plat::StreamEvent::ErrorOccurred:
        report(std::nullopt);
        // A failed file is not kept open.
        closeAndUnschedule(stream);
        return;
    case plat::StreamEvent::EndEncountered:
        closeAndUnschedule(stream);
        return;
    }
}

void ZQMarkdownOutlineReader::report(const std::optional<plat::MutableAttributedString>& title) const
{
    if (m_delegate)
        m_delegate->outlineReadComplete(title, m_pageUuid, m_spaceFolder);
}

std::optional<QString> ZQMarkdownOutlineReader::readUTF8String(const char* bytes, qsizetype byteCount)
{
    if (byteCount <= 0)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype length = byteCount;
    if (b[byteCount - 1] >= 0x80) {
        qsizetype lead = byteCount - 1;
        while (lead >= 0 && isContinuation(b[lead]))
            --lead;
        if (lead < 0)
            return std::nullopt;
        const qsizetype continuations = byteCount - 1 - lead;
        if (continuationsNeeded(b[lead]) != continuations)
            length = lead;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes, length));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
