#include "platform/text/RtfWriter.h"

#include "platform/document/AtomicPackage.h"
#include "platform/foundation/Files.h"
#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <cmath>

namespace plat {

namespace {

// Word processors fall back to this family for text that names none.
const QString rtfDefaultFontFamily = QStringLiteral("Helvetica");
constexpr double rtfDefaultFontSize = 12;

int rtfTwips(double points)
{
    return int(std::lround(points * 20));
}

bool rtfIsParagraphBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(0x2029);
}

void rtfAppendUnicode(QByteArray& out, char16_t unit)
{
    // RTF's \u takes a signed 16-bit number; "?" is what readers without
    // Unicode show instead.
    out += "\\u";
    out += QByteArray::number(qint16(unit));
    out += '?';
}

// Text as RTF: the characters that open groups and control words are escaped,
// everything outside printable ASCII becomes \uN?. Control characters have no
// form in RTF and are left out; a lone surrogate becomes U+FFFD.
void rtfAppendText(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == 0x2028) {
            out += "\\line ";
        } else if (c < 0x20 || c == 0x7F) {
            continue;
        } else if (c < 0x80) {
            out += char(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            rtfAppendUnicode(out, c);
            rtfAppendUnicode(out, text[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            rtfAppendUnicode(out, 0xFFFD);
        } else {
            rtfAppendUnicode(out, c);
        }
    }
}

// A link address inside the quotes of a HYPERLINK field: every byte that could
// end the quotes, start a field switch or an RTF control is percent-encoded, so
// the address stays one argument.
QByteArray rtfFieldAddress(const QString& address)
{
    QByteArray out;
    for (const char byte : address.toUtf8()) {
        const auto b = uchar(byte);
        if (b > 0x20 && b < 0x7F && b != '"' && b != '\\' && b != '{' && b != '}') {
            out += char(b);
        } else {
            out += '%';
            out += QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        }
    }
    return out;
}

QString rtfLinkAddress(const Value& link)
{
    if (const auto url = link.toObject<Url>())
        return url->absoluteString();
    return link.toString();
}

// The file behind an attachment value, or null.
FileWrapperPtr rtfAttachmentFile(const Value& value)
{
    const ObjectPtr object = value.toObject();
    if (!object)
        return nullptr;
    if (auto file = std::dynamic_pointer_cast<FileWrapper>(object))
        return file;
    if (const auto* source = dynamic_cast<const AttachmentFileSource*>(object.get()))
        return source->attachmentFile();
    if (const auto image = std::dynamic_pointer_cast<Image>(object)) {
        const bool hasSource = !image->sourceData().isEmpty();
        const QByteArray format = hasSource ? image->sourceFormat() : QByteArrayLiteral("png");
        auto file = FileWrapper::initRegularFileWithContents(hasSource ? image->sourceData() : image->encoded(format));
        if (file->regularFileContents().isEmpty())
            return nullptr;
        file->setPreferredFilename(QStringLiteral("image.") + QString::fromLatin1(format.isEmpty() ? "png" : format));
        return file;
    }
    return nullptr;
}

// A picture as RTF can embed it: PNG or JPEG bytes as they are, any other image
// Qt reads as PNG.
struct RtfPicture {
    QByteArray blip; // "pngblip" or "jpegblip"
    QByteArray data;
    QSize size;
};

std::optional<RtfPicture> rtfPicture(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    QSize size = reader.size();
    if (format == "png" || format == "jpeg" || format == "jpg") {
        if (!size.isValid())
            return std::nullopt;
        return RtfPicture{format == "png" ? QByteArrayLiteral("pngblip") : QByteArrayLiteral("jpegblip"), bytes, size};
    }
    const QImage image = QImage::fromData(bytes);
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "PNG"))
        return std::nullopt;
    return RtfPicture{QByteArrayLiteral("pngblip"), png, image.size()};
}

// RTF's number format of a list level: decimal, roman, letters, or a bullet.
int rtfLevelNumberFormat(const QString& markerFormat)
{
    if (markerFormat.startsWith(u"{decimal}"))
        return 0;
    if (markerFormat.startsWith(u"{upper-roman}"))
        return 1;
    if (markerFormat.startsWith(u"{lower-roman}"))
        return 2;
    if (markerFormat.startsWith(u"{upper-alpha}") || markerFormat.startsWith(u"{upper-latin}"))
        return 3;
    if (markerFormat.startsWith(u"{lower-alpha}") || markerFormat.startsWith(u"{lower-latin}"))
        return 4;
    return 23;
}

// A list of consecutive list paragraphs: the format of each level seen.
struct RtfList {
    std::vector<TextListPtr> levels;
};

// One attachment of the text: its file's member name in an RTFD and the
// picture the RTF embeds, when it is one.
struct RtfAttachmentEntry {
    QString memberName;
    FileWrapperPtr file;
    std::optional<RtfPicture> picture;
};

QString rtfUniqueMemberName(const QString& wanted, const QString& extension, int number, QSet<QString>& taken)
{
    QString name = QFileInfo(wanted).fileName();
    if (!DirectoryWrapper::isSafeMemberName(name))
        name = QStringLiteral("Attachment %1").arg(number) + (extension.isEmpty() ? QString() : u'.' + extension);
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString candidate = name;
    for (int n = 2; taken.contains(candidate.toLower()); ++n)
        candidate = QStringLiteral("%1 %2%3").arg(base).arg(n).arg(suffix);
    taken.insert(candidate.toLower());
    return candidate;
}

class RtfDocumentBuilder {
public:
    explicit RtfDocumentBuilder(const AttributedString& text) : m_text(text)
    {
        m_fonts.append(rtfDefaultFontFamily);
        m_fontIndex.insert(rtfDefaultFontFamily, 0);
        m_takenNames.insert(RtfWriter::rtfdTextMemberName().toLower());
    }

    QByteArray build()
    {
        const QString& s = m_text.string();
        qsizetype start = 0;
        while (true) {
            qsizetype end = start;
            while (end < s.size() && !rtfIsParagraphBreak(s[end]))
                ++end;
            writeParagraph(Range(start, end - start));
            if (end == s.size())
                break;
            m_body += "\\par\n";
            start = end + (s[end] == u'\r' && end + 1 < s.size() && s[end + 1] == u'\n' ? 2 : 1);
            if (start == s.size())
                break; // the text ends with its last paragraph's break
        }

        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
        for (int i = 0; i < m_fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(i) + "\\fnil ";
            // A ";" would end the entry early.
            QString name = m_fonts[i];
            name.remove(u';');
            rtfAppendText(out, name);
            out += ";}";
        }
        out += "}\n{\\colortbl;";
        for (const QColor& color : m_colors)
            out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green()) + "\\blue"
                   + QByteArray::number(color.blue()) + ';';
        out += "}\n";
        writeListTables(out);
        out += m_body;
        out += "}\n";
        return out;
    }

    const std::vector<RtfAttachmentEntry>& attachments() const { return m_attachments; }

private:
    int fontIndex(const QString& family)
    {
        const auto it = m_fontIndex.constFind(family);
        if (it != m_fontIndex.cend())
            return *it;
        m_fonts.append(family);
        m_fontIndex.insert(family, int(m_fonts.size() - 1));
        return int(m_fonts.size() - 1);
    }

    int colorIndex(const Color& color)
    {
        const QColor c = color.toQColor();
        const QRgb key = c.rgb();
        const auto it = m_colorIndex.constFind(key);
        if (it != m_colorIndex.cend())
            return *it;
        m_colors.append(c);
        m_colorIndex.insert(key, int(m_colors.size()));
        return int(m_colors.size());
    }

    void writeListTables(QByteArray& out) const
    {
        if (m_lists.empty())
            return;
        out += "{\\*\\listtable";
        for (std::size_t i = 0; i < m_lists.size(); ++i) {
            out += "{\\list\\listtemplateid" + QByteArray::number(i + 1) + "\\listhybrid";
            for (std::size_t level = 0; level < 9; ++level) {
                const TextListPtr& list = level < m_lists[i].levels.size() ? m_lists[i].levels[level] : nullptr;
                const QString format = list ? list->markerFormat() : QStringLiteral("{disc}");
                const int nfc = rtfLevelNumberFormat(format);
                out += "{\\listlevel\\levelnfc" + QByteArray::number(nfc) + "\\levelnfcn" + QByteArray::number(nfc)
                       + "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat"
                       + QByteArray::number(list ? list->startingItemNumber() : 1) + "{\\leveltext";
                if (nfc == 23) {
                    // The bullet as the list draws it.
                    const QString bullet = (list ? list->markerForItemNumber(1) : QString(QChar(0x2022))).left(1);
                    out += "\\'01";
                    rtfAppendUnicode(out, bullet.isEmpty() ? u'\u2022' : bullet[0].unicode());
                    out += ";}{\\levelnumbers;}";
                } else {
                    // The number of this level and what follows it, "." or ")".
                    QString suffix = format.mid(format.indexOf(u'}') + 1);
                    suffix.remove(u';');
                    QByteArray escaped;
                    rtfAppendText(escaped, suffix);
                    out += "\\'" + QByteArray::number(suffix.size() + 1, 16).rightJustified(2, '0') + "\\'"
                           + QByteArray::number(int(level), 16).rightJustified(2, '0') + escaped
                           + ";}{\\levelnumbers\\'01;}";
                }
                out += "\\fi-360\\li" + QByteArray::number(720 * (level + 1)) + "}";
            }
            out += "{\\listname ;}\\listid" + QByteArray::number(i + 1) + "}";
        }
        out += "}\n{\\*\\listoverridetable";
        for (std::size_t i = 0; i < m_lists.size(); ++i)
            out += "{\\listoverride\\listid" + QByteArray::number(i + 1) + "\\listoverridecount0\\ls"
                   + QByteArray::number(i + 1) + "}";
        out += "}\n";
    }

    void writeParagraph(Range range)
    {
        m_body += "\\pard";
        const qsizetype at = range.location < m_text.length() ? range.location : range.location - 1;
        const auto style = at >= 0 ? m_text.attributeAtIndex(ParagraphStyleAttribute, at).toObject<ParagraphStyle>()
                                   : nullptr;
        if (style)
            writeParagraphStyle(*style);
        if (QStringView(m_text.string()).mid(range.location, range.length).toString().isRightToLeft())
            m_body += "\\rtlpar";

        // A list item: its level in a list of the neighbouring items, and its
        // marker ("\t1.\t") as the list text that readers replace by their own.
        const QStringView text = QStringView(m_text.string()).mid(range.location, range.length);
        const bool inList = style && !style->textLists().empty() && range.length > 0;
        if (inList) {
            if (!m_previousInList)
                m_lists.emplace_back();
            std::vector<TextListPtr>& levels = m_lists.back().levels;
            const std::size_t depth = std::min<std::size_t>(style->textLists().size(), 9);
            for (std::size_t level = levels.size(); level < depth; ++level)
                levels.push_back(style->textLists()[level]);
            m_body += "\\ls" + QByteArray::number(m_lists.size()) + "\\ilvl" + QByteArray::number(depth - 1);
        }
        m_previousInList = inList;
        m_body += ' ';
        if (range.length == 0)
            return;
        if (inList && text.startsWith(u'\t')) {
            const qsizetype second = text.indexOf(u'\t', 1);
            if (second > 0) {
                m_body += "{\\listtext ";
                rtfAppendText(m_body, text.left(second + 1));
                m_body += '}';
                range = Range(range.location + second + 1, range.length - second - 1);
                if (range.length == 0)
                    return;
            }
        }

        // Runs of one link share a field, so a link over differently styled
        // words stays one link.
        Value openLink;
        m_text.enumerateAttributes(range, 0, [&](const Attributes& attributes, Range run, bool*) {
            const Value& link = attributes.value(LinkAttribute);
            if (link != openLink) {
                if (!openLink.isNull())
                    m_body += "}}";
                openLink = link;
                const QString address = rtfLinkAddress(link);
                if (!address.isEmpty()) {
                    m_body += "{\\field{\\*\\fldinst{HYPERLINK \"" + rtfFieldAddress(address) + "\"}}{\\fldrslt ";
                } else {
                    openLink = Value();
                }
            }
            writeRun(attributes, run);
        });
        if (!openLink.isNull())
            m_body += "}}";
    }

    void writeParagraphStyle(const ParagraphStyle& style)
    {
        switch (style.alignment()) {
        case TextAlignment::Left: m_body += "\\ql"; break;
        case TextAlignment::Center: m_body += "\\qc"; break;
        case TextAlignment::Right: m_body += "\\qr"; break;
        case TextAlignment::Justified: m_body += "\\qj"; break;
        case TextAlignment::Natural: break;
        }
        if (style.headIndent() != 0)
            m_body += "\\li" + QByteArray::number(rtfTwips(style.headIndent()));
        if (style.firstLineHeadIndent() != style.headIndent())
            m_body += "\\fi" + QByteArray::number(rtfTwips(style.firstLineHeadIndent() - style.headIndent()));
        // A negative tail indent counts from the trailing margin; a positive one
        // from the leading margin, which RTF cannot say.
        if (style.tailIndent() < 0)
            m_body += "\\ri" + QByteArray::number(rtfTwips(-style.tailIndent()));
        for (const auto& tab : style.tabStops()) {
            if (tab->alignment() == TextAlignment::Center)
                m_body += "\\tqc";
            else if (tab->alignment() == TextAlignment::Right)
                m_body += "\\tqr";
            m_body += "\\tx" + QByteArray::number(rtfTwips(tab->location()));
        }
        if (style.lineHeightMultiple() > 0)
            m_body += "\\sl" + QByteArray::number(int(std::lround(240 * style.lineHeightMultiple()))) + "\\slmult1";
        if (style.paragraphSpacingBefore() > 0)
            m_body += "\\sb" + QByteArray::number(rtfTwips(style.paragraphSpacingBefore()));
        if (style.paragraphSpacing() > 0)
            m_body += "\\sa" + QByteArray::number(rtfTwips(style.paragraphSpacing()));
    }

    void writeRun(const Attributes& attributes, Range run)
    {
        m_body += '{';
        const auto font = attributes.value(FontAttribute).toObject<Font>();
        m_body += "\\f" + QByteArray::number(fontIndex(font ? font->familyName() : rtfDefaultFontFamily));
        m_body += "\\fs" + QByteArray::number(int(std::lround(2 * (font ? font->pointSize() : rtfDefaultFontSize))));
        if (font && font->isBold())
            m_body += "\\b";
        if (font && font->isItalic())
            m_body += "\\i";
        if (const auto color = attributes.value(ForegroundColorAttribute).toObject<Color>())
            m_body += "\\cf" + QByteArray::number(colorIndex(*color));
        if (const auto color = attributes.value(BackgroundColorAttribute).toObject<Color>())
            m_body += "\\chcbpat" + QByteArray::number(colorIndex(*color));
        switch (attributes.value(UnderlineAttribute).toInteger() & 0xFF) {
        case 0: break;
        case 2: m_body += "\\ulth"; break;
        case 9: m_body += "\\uldb"; break;
        default: m_body += "\\ul"; break;
        }
        if (attributes.value(StrikethroughAttribute).toInteger() != 0)
            m_body += "\\strike";
        const qint64 superscript = attributes.value(SuperscriptAttribute).toInteger();
        if (superscript > 0)
            m_body += "\\super";
        else if (superscript < 0)
            m_body += "\\sub";
        const double offset = attributes.value(BaselineOffsetAttribute).toDouble();
        if (offset > 0)
            m_body += "\\up" + QByteArray::number(int(std::lround(2 * offset)));
        else if (offset < 0)
            m_body += "\\dn" + QByteArray::number(int(std::lround(-2 * offset)));
        m_body += ' ';

        const QStringView text = QStringView(m_text.string()).mid(run.location, run.length);
        qsizetype from = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != QChar(ObjectReplacementCharacter))
                continue;
            rtfAppendText(m_body, text.mid(from, i - from));
            from = i + 1;
            writeAttachment(attributes.value(AttachmentAttribute));
        }
        rtfAppendText(m_body, text.mid(from));
        m_body += '}';
    }

    void writeAttachment(const Value& value)
    {
        const FileWrapperPtr file = rtfAttachmentFile(value);
        if (!file)
            return;
        RtfAttachmentEntry entry;
        entry.file = file;
        entry.picture = rtfPicture(file->regularFileContents());
        const QString wanted = file->preferredFilename().isEmpty() ? file->filename() : file->preferredFilename();
        const QString extension = entry.picture ? (entry.picture->blip == "jpegblip" ? QStringLiteral("jpg")
                                                                                      : QStringLiteral("png"))
                                                : QString();
        entry.memberName = rtfUniqueMemberName(wanted, extension, int(m_attachments.size() + 1), m_takenNames);
        if (entry.picture) {
            const RtfPicture& picture = *entry.picture;
            // One pixel is one point: the goal size is in twips.
            m_body += "{\\pict\\" + picture.blip + "\\picw" + QByteArray::number(picture.size.width()) + "\\pich"
                      + QByteArray::number(picture.size.height()) + "\\picwgoal"
                      + QByteArray::number(picture.size.width() * 20) + "\\pichgoal"
                      + QByteArray::number(picture.size.height() * 20) + '\n';
            const QByteArray hex = picture.data.toHex();
            for (qsizetype i = 0; i < hex.size(); i += 128) {
                m_body += hex.mid(i, 128);
                m_body += '\n';
            }
            m_body += '}';
        }
        m_attachments.push_back(std::move(entry));
    }

    const AttributedString& m_text;
    QByteArray m_body;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<QRgb, int> m_colorIndex;
    std::vector<RtfAttachmentEntry> m_attachments;
    std::vector<RtfList> m_lists;
    bool m_previousInList = false;
    QSet<QString> m_takenNames; // lower-cased, as a case-blind file system would compare
};

} // namespace

const QString& RtfWriter::rtfdTextMemberName()
{
    static const QString name = QStringLiteral("TXT.rtf");
    return name;
}

QByteArray RtfWriter::rtfFromAttributedString(const AttributedString& text)
{
    return RtfDocumentBuilder(text).build();
}

DirectoryWrapperPtr RtfWriter::rtfdFromAttributedString(const AttributedString& text)
{
    RtfDocumentBuilder builder(text);
    auto folder = DirectoryWrapper::create();
    folder->addRegularFile(rtfdTextMemberName(), builder.build());
    for (const RtfAttachmentEntry& entry : builder.attachments())
        folder->addRegularFile(entry.memberName, entry.file->regularFileContents());
    return folder;
}

bool RtfWriter::writeRtf(const AttributedString& text, const QString& path, QString* error)
{
    return writeFileAtomically(path, rtfFromAttributedString(text), error);
}

bool RtfWriter::writeRtfd(const AttributedString& text, const QString& path, QString* error)
{
    return writePackageAtomically(path, *rtfdFromAttributedString(text), error);
}

bool RtfWriter::containsAttachments(const AttributedString& text)
{
    bool found = false;
    text.enumerateAttribute(AttachmentAttribute, Range(0, text.length()), 0, [&](const Value& value, Range, bool* stop) {
        if (!value.isNull()) {
            found = true;
            *stop = true;
        }
    });
    return found;
}

} // namespace plat
