#pragma once
// RTF and RTFD from attributed text, for other programs: fonts, colours,
// underline, strike-through, links as HYPERLINK fields, paragraph layout and
// list levels. Every character outside printable ASCII is written as a \uN
// escape, so the output is pure ASCII and no text can close a group early.
// An RTFD is a folder of "TXT.rtf" and the attachment files; because word
// processors on Linux read only the RTF, its pictures are embedded there too.
// Attachment values are a FileWrapper, an Image or an AttachmentFileSource.

#include "platform/document/DirectoryWrapper.h"
#include "platform/text/AttachmentFileSource.h"
#include "platform/text/AttributedString.h"

#include <QByteArray>
#include <QString>

namespace plat {

class RtfWriter {
public:
    // The member of an RTFD folder that holds the text.
    static const QString& rtfdTextMemberName();

    // The RTF of the whole text. Attachments that are PNG or JPEG pictures (or
    // any image Qt reads, converted to PNG) are embedded; others are left out.
    static QByteArray rtfFromAttributedString(const AttributedString& text);
    // The RTFD folder: "TXT.rtf" and one file per attachment, under its own
    // name made unique and safe ("Attachment" and a number when it has none).
    static DirectoryWrapperPtr rtfdFromAttributedString(const AttributedString& text);

    // Written in one step each; false with the reason in error, the old file
    // or folder left as it was.
    static bool writeRtf(const AttributedString& text, const QString& path, QString* error = nullptr);
    static bool writeRtfd(const AttributedString& text, const QString& path, QString* error = nullptr);

    // Any run carries an attachment: such text is saved as RTFD.
    static bool containsAttachments(const AttributedString& text);
};

} // namespace plat
