#include "platform/text/RtfWriter.h"

#include "platform/foundation/Url.h"
#include "platform/graphics/Image.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextList.h"
#include "support/RtfReaders.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace plat;

namespace {

QByteArray rtfOf(const AttributedString& text)
{
    return RtfWriter::rtfFromAttributedString(text);
}

// The groups of the RTF close in order and nothing follows the document's
// group: text that could unbalance them would corrupt everything after it.
bool rtfGroupsBalanced(const QByteArray& rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\') {
            ++i; // the escaped character or the control word's first letter
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0)
                return false;
            if (depth == 0 && rtf.mid(i + 1).trimmed().size() > 0)
                return false;
        }
    }
    return depth == 0;
}

QByteArray rtfImageBytes(const QSize& size, const char* format, QColor fill)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Text with one attachment per file, between words.
AttributedString rtfTextWithFiles(const std::vector<FileWrapperPtr>& files)
{
    MutableAttributedString text(QStringLiteral("Pictures:\n"));
    for (const auto& file : files) {
        text.append(AttributedString(QString(QChar(ObjectReplacementCharacter)), Attributes{{AttachmentAttribute, file}}));
        text.append(AttributedString(QStringLiteral(" after\n")));
    }
    return text;
}

FileWrapperPtr rtfFile(const QByteArray& bytes, const QString& name)
{
    auto file = FileWrapper::initRegularFileWithContents(bytes);
    file->setPreferredFilename(name);
    return file;
}

} // namespace

TEST(RtfWriter, TextIsEscapedIntoPureAsciiThatKeepsTheGroupsIntact)
{
    const struct {
        QString text;
        QByteArray expected;
    } cases[] = {
        {QStringLiteral("a{b}c\\d"), "a\\{b\\}c\\\\d"},
        {QStringLiteral("x\ty"), "x\\tab y"},
        {QStringLiteral("caf\u00e9"), "caf\\u233?"},
        {QStringLiteral("\u03a9\u4e2d"), "\\u937?\\u20013?"},
        // Above U+7FFF the number is negative; a pair stays two escapes.
        {QStringLiteral("\U0001F600"), "\\u-10179?\\u-8704?"},
        {QStringLiteral("a\u2028b"), "a\\line b"},
        // Control characters have no RTF form and go.
        {QStringLiteral("a\u0001\u001b\u007fb"), "ab"},
        // A surrogate without its partner is no character.
        {QString(QChar(0xD800)) + u'z', "\\u-3?z"},
    };
    for (const auto& c : cases) {
        const QByteArray rtf = rtfOf(AttributedString(c.text));
        EXPECT_TRUE(rtf.contains(c.expected)) << c.text.toStdString() << "\n" << rtf.toStdString();
        EXPECT_TRUE(rtfGroupsBalanced(rtf)) << rtf.toStdString();
        for (const char byte : rtf)
            ASSERT_TRUE(uchar(byte) < 0x80 && (uchar(byte) >= 0x20 || byte == '\n')) << rtf.toStdString();
    }
}

TEST(RtfWriter, FontsAndColoursGoIntoTablesThatRunsReferTo)
{
    MutableAttributedString text;
    text.append(AttributedString(QStringLiteral("bold"), Attributes{{FontAttribute, Font::create("Menlo", 13, true)}}));
    text.append(AttributedString(QStringLiteral("red"), Attributes{{FontAttribute, Font::create("Menlo", 10, false, true)},
                                                                   {ForegroundColorAttribute, Color::rgba(1, 0, 0)}}));
    text.append(AttributedString(QStringLiteral("under"), Attributes{{UnderlineAttribute, qint64(1)},
                                                                     {StrikethroughAttribute, qint64(1)},
                                                                     {BackgroundColorAttribute, Color::rgba(0, 0, 1)}}));
    // A family name with a ";" must not end its table entry.
    text.append(AttributedString(QStringLiteral("odd"), Attributes{{FontAttribute, Font::create("A;B}", 12)}}));
    const QByteArray rtf = rtfOf(text);

    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil Helvetica;}{\\f1\\fnil Menlo;}{\\f2\\fnil AB\\};}}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("{\\f1\\fs26\\b bold}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("{\\f1\\fs20\\i\\cf1 red}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("{\\f0\\fs24\\chcbpat2\\ul\\strike under}")) << rtf.data();
    EXPECT_TRUE(rtfGroupsBalanced(rtf));
}

TEST(RtfWriter, LinkIsOneFieldWhoseAddressCannotLeaveItsQuotes)
{
    MutableAttributedString text(QStringLiteral("see "));
    const auto link = Url::fromString(QStringLiteral("http://x.test/a\"b\\c {d}\u00e9"));
    text.append(AttributedString(QStringLiteral("two "), Attributes{{LinkAttribute, link}}));
    text.append(AttributedString(QStringLiteral("words"),
                                 Attributes{{LinkAttribute, link}, {FontAttribute, Font::create("Menlo", 12, true)}}));
    text.append(AttributedString(QStringLiteral(" end")));
    const QByteArray rtf = rtfOf(text);

    EXPECT_TRUE(rtf.contains("{\\field{\\*\\fldinst{HYPERLINK \"http://x.test/a%22b%5Cc%20%7Bd%7D%C3%A9\"}}"
                             "{\\fldrslt {\\f0\\fs24 two }{\\f1\\fs24\\b words}}}{\\f0\\fs24  end}"))
        << rtf.data();
    EXPECT_EQ(rtf.count("HYPERLINK"), 1);
    EXPECT_TRUE(rtfGroupsBalanced(rtf));
}

TEST(RtfWriter, ParagraphStyleGivesAlignmentIndentsTabsAndSpacing)
{
    auto style = ParagraphStyle::create();
    style->setAlignment(TextAlignment::Center);
    style->setHeadIndent(36);
    style->setFirstLineHeadIndent(18);
    style->setTailIndent(-10);
    style->addTabStop(TextTab::create(TextAlignment::Left, 28));
    style->addTabStop(TextTab::create(TextAlignment::Right, 100));
    style->setLineHeightMultiple(1.5);
    style->setParagraphSpacing(6);
    style->setParagraphSpacingBefore(3);
    MutableAttributedString text(QStringLiteral("styled\n"), Attributes{{ParagraphStyleAttribute, style}});
    text.append(AttributedString(QStringLiteral("plain\r\nlast")));
    const QByteArray rtf = rtfOf(text);

    EXPECT_TRUE(rtf.contains("\\pard\\qc\\li720\\fi-360\\ri200\\tx560\\tqr\\tx2000\\sl360\\slmult1\\sb60\\sa120 "))
        << rtf.data();
    // One paragraph per line break, "\r\n" counted once.
    EXPECT_EQ(rtf.count("\\par\n"), 2) << rtf.data();
    EXPECT_EQ(rtf.count("\\pard"), 3);
}

TEST(RtfWriter, RightToLeftParagraphIsMarked)
{
    const QByteArray rtf = rtfOf(AttributedString(QStringLiteral("left\n\u05e9\u05dc\u05d5\u05dd")));
    EXPECT_EQ(rtf.count("\\rtlpar"), 1) << rtf.data();
}

TEST(RtfWriter, RtfdHoldsTheTextAndEachFileUnderAUniqueSafeName)
{
    const QByteArray png = rtfImageBytes(QSize(40, 30), "PNG", Qt::red);
    const QByteArray jpeg = rtfImageBytes(QSize(20, 10), "JPEG", Qt::blue);
    const AttributedString text = rtfTextWithFiles({rtfFile(png, QStringLiteral("pic.png")),
                                                    rtfFile(png, QStringLiteral("pic.png")),
                                                    rtfFile(jpeg, QStringLiteral("../../evil.jpg")),
                                                    rtfFile(QByteArray("notes"), QStringLiteral("TXT.rtf")),
                                                    rtfFile(jpeg, QString())});
    const auto folder = RtfWriter::rtfdFromAttributedString(text);

    EXPECT_EQ(folder->memberNames(), (QStringList{"TXT.rtf", "pic.png", "pic 2.png", "evil.jpg", "TXT 2.rtf",
                                                  "Attachment 5.jpg"}));
    EXPECT_EQ(folder->member("pic 2.png")->regularFileContents(), png);
    EXPECT_EQ(folder->member("TXT 2.rtf")->regularFileContents(), "notes");

    // Pictures are embedded with their size; the other file is not a picture.
    const QByteArray rtf = folder->member("TXT.rtf")->regularFileContents();
    EXPECT_EQ(rtf.count("{\\pict\\pngblip\\picw40\\pich30\\picwgoal800\\pichgoal600\n"), 2) << rtf.left(600).data();
    EXPECT_EQ(rtf.count("{\\pict\\jpegblip\\picw20\\pich10\\picwgoal400\\pichgoal200\n"), 2);
    EXPECT_TRUE(rtf.contains(png.toHex().left(128))) << "the PNG's own bytes";
    EXPECT_TRUE(rtfGroupsBalanced(rtf));
    EXPECT_EQ(rtfOf(text), rtf);
}

TEST(RtfWriter, AttachmentsMayBeImagesAndOtherPicturesBecomePng)
{
    QImage drawn(8, 6, QImage::Format_RGB32);
    drawn.fill(Qt::green);
    const QByteArray bmp = rtfImageBytes(QSize(5, 4), "BMP", Qt::black);
    MutableAttributedString text;
    text.append(AttributedString(QString(QChar(ObjectReplacementCharacter)),
                                 Attributes{{AttachmentAttribute, Image::fromQImage(drawn)}}));
    text.append(AttributedString(QString(QChar(ObjectReplacementCharacter)),
                                 Attributes{{AttachmentAttribute, rtfFile(bmp, QStringLiteral("b.bmp"))}}));
    // An attachment character without an attachment writes nothing.
    text.append(AttributedString(QString(QChar(ObjectReplacementCharacter))));
    EXPECT_TRUE(RtfWriter::containsAttachments(text));
    EXPECT_FALSE(RtfWriter::containsAttachments(AttributedString(QStringLiteral("plain"))));

    const auto folder = RtfWriter::rtfdFromAttributedString(text);
    EXPECT_EQ(folder->memberNames(), (QStringList{"TXT.rtf", "image.png", "b.bmp"}));
    EXPECT_EQ(folder->member("b.bmp")->regularFileContents(), bmp) << "the file itself is kept as it was";
    const QByteArray rtf = folder->member("TXT.rtf")->regularFileContents();
    EXPECT_TRUE(rtf.contains("\\pngblip\\picw8\\pich6"));
    EXPECT_TRUE(rtf.contains("\\pngblip\\picw5\\pich4"));
    EXPECT_FALSE(rtf.contains("\\u-4?")) << "U+FFFC itself is never written";
}

TEST(RtfWriter, WritesReplaceTheOldFileOrFolderAndReportFailure)
{
    QTemporaryDir dir;
    const QString rtfd = dir.filePath(QStringLiteral("page.rtfd"));
    const QByteArray png = rtfImageBytes(QSize(4, 4), "PNG", Qt::red);
    ASSERT_TRUE(RtfWriter::writeRtfd(rtfTextWithFiles({rtfFile(png, "a.png"), rtfFile(png, "b.png")}), rtfd));
    ASSERT_TRUE(RtfWriter::writeRtfd(rtfTextWithFiles({rtfFile(png, "c.png")}), rtfd));
    EXPECT_EQ(QDir(rtfd).entryList(QDir::Files, QDir::Name), (QStringList{"TXT.rtf", "c.png"}));

    const QString rtf = dir.filePath(QStringLiteral("page.rtf"));
    ASSERT_TRUE(RtfWriter::writeRtf(AttributedString(QStringLiteral("one")), rtf));
    EXPECT_TRUE(rtfreaders::readAll(rtf).contains("one"));

    QString error;
    EXPECT_FALSE(RtfWriter::writeRtf(AttributedString(QStringLiteral("x")), dir.filePath("missing/page.rtf"), &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(RtfWriter::writeRtfd(AttributedString(QStringLiteral("x")), dir.filePath("missing/p.rtfd"), &error));
    EXPECT_FALSE(error.isEmpty());
}

// What LibreOffice makes of our RTF is what a user opening the file sees.
TEST(RtfWriterReaders, LibreOfficeReadsHostileAndInternationalTextBack)
{
    if (rtfreaders::soffice().isEmpty())
        GTEST_SKIP() << "soffice is not installed (scripts/setup installs it)";
    const QString controls = QStringLiteral("nul\u0001 esc\u001b del\u007f end");
    const struct {
        QString text;
        QString expected = {}; // what survives; the text itself when empty
    } cases[] = {
        {QStringLiteral("{ } \\ {\\rtf1 \\par} \\u65? {\\*\\fldinst x} }}}}")},
        {QStringLiteral("\\'41 \\\\ \\{ \\} {{{ ; \" '")},
        {controls, QStringLiteral("nul esc del end")},
        {QStringLiteral("\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac \u03b1\u03b2\u03b3")},
        {QStringLiteral("\u4e2d\u6587\u6587\u672c \u6f22\u5b57")},
        {QStringLiteral("emoji \U0001F600 \U0001F469\u200D\U0001F4BB")},
        {QStringLiteral("left\n\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd\n\u0645\u0631\u062d\u0628\u0627")},
        {QStringLiteral("tab\there")},
    };
    QTemporaryDir dir;
    QStringList files;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        MutableAttributedString text(cases[i].text, Attributes{{FontAttribute, Font::create("DejaVu Sans", 12)}});
        // A link whose address holds quotes and braces must stay a link.
        text.append(AttributedString(QStringLiteral(" link"),
                                     Attributes{{LinkAttribute, Url::fromString("http://x.test/\"}{\\\" q=\"1\"")}}));
        const QString path = dir.filePath(QStringLiteral("case%1.rtf").arg(i));
        ASSERT_TRUE(RtfWriter::writeRtf(text, path));
        files << path;
    }
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString failure = rtfreaders::convertWithLibreOffice(files, QStringLiteral("txt:Text (encoded):UTF8"), out);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        QString read = QString::fromUtf8(rtfreaders::readAll(QDir(out).filePath(QStringLiteral("case%1.txt").arg(i))));
        read.remove(QChar(0xFEFF));
        read.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (read.endsWith(u'\n'))
            read.chop(1);
        const QString expected = (cases[i].expected.isEmpty() ? cases[i].text : cases[i].expected) + " link";
        EXPECT_EQ(read.toStdString(), expected.toStdString()) << "case " << i;
    }
}

TEST(RtfWriterReaders, LibreOfficeShowsBothPicturesOfAnRtfd)
{
    if (rtfreaders::soffice().isEmpty())
        GTEST_SKIP() << "soffice is not installed (scripts/setup installs it)";
    QTemporaryDir dir;
    const QString rtfd = dir.filePath(QStringLiteral("page.rtfd"));
    const QByteArray png = rtfImageBytes(QSize(40, 30), "PNG", Qt::red);
    const QByteArray jpeg = rtfImageBytes(QSize(24, 12), "JPEG", Qt::blue);
    ASSERT_TRUE(RtfWriter::writeRtfd(rtfTextWithFiles({rtfFile(png, "red.png"), rtfFile(jpeg, "blue.jpg")}), rtfd));
    EXPECT_EQ(QDir(rtfd).entryList(QDir::Files, QDir::Name), (QStringList{"TXT.rtf", "blue.jpg", "red.png"}));
    EXPECT_EQ(rtfreaders::readAll(QDir(rtfd).filePath("red.png")), png);

    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString failure
        = rtfreaders::convertWithLibreOffice({QDir(rtfd).filePath("TXT.rtf")}, QStringLiteral("html"), out);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    const QString html = QString::fromUtf8(rtfreaders::readAll(QDir(out).filePath("TXT.html")));
    const QRegularExpression picture(QStringLiteral("<img [^>]*width=\"(\\d+)\" height=\"(\\d+)\""));
    QStringList sizes;
    for (auto it = picture.globalMatch(html); it.hasNext();) {
        const auto match = it.next();
        sizes << match.captured(1) + "x" + match.captured(2);
    }
    // Points become CSS pixels at 96 per inch.
    EXPECT_EQ(sizes, (QStringList{"53x40", "32x16"})) << html.toStdString();
    EXPECT_EQ(QDir(out).entryList({"*.png", "*.jpg", "*.jpeg", "*.gif"}, QDir::Files).size(), 2)
        << "the pictures LibreOffice took out of the RTF";
}

TEST(RtfWriter, ListParagraphsBecomeListLevelsWithTheirMarkersAsListText)
{
    const auto outer = TextList::create(QStringLiteral("{decimal})"));
    const auto inner = TextList::create(QStringLiteral("{disc}"));
    auto first = ParagraphStyle::create();
    first->setTextLists({outer});
    auto second = ParagraphStyle::create();
    second->setTextLists({outer, inner});
    MutableAttributedString text(QStringLiteral("\t1)\tone\n"), Attributes{{ParagraphStyleAttribute, first}});
    text.append(AttributedString(QStringLiteral("\t\u2022\tnested\n"), Attributes{{ParagraphStyleAttribute, second}}));
    text.append(AttributedString(QStringLiteral("between\n")));
    text.append(AttributedString(QStringLiteral("\t1)\tagain"), Attributes{{ParagraphStyleAttribute, first}}));
    const QByteArray rtf = rtfOf(text);

    // A paragraph outside lists parts two lists.
    EXPECT_TRUE(rtf.contains("\\ls1\\ilvl0 {\\listtext \\tab 1)\\tab }{\\f0\\fs24 one}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("\\ls1\\ilvl1 {\\listtext \\tab \\u8226?\\tab }{\\f0\\fs24 nested}")) << rtf.data();
    EXPECT_TRUE(rtf.contains("\\ls2\\ilvl0 {\\listtext \\tab 1)\\tab }{\\f0\\fs24 again}")) << rtf.data();
    // Level 1 numbers with ")" after the number; level 2 is the bullet.
    EXPECT_TRUE(rtf.contains("\\levelnfc0\\levelnfcn0\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1{\\leveltext\\'02\\'00);}"))
        << rtf.data();
    EXPECT_TRUE(rtf.contains("{\\leveltext\\'01\\u8226?;}{\\levelnumbers;}\\fi-360\\li1440}"));
    EXPECT_EQ(rtf.count("{\\listoverride\\listid"), 2);
    EXPECT_TRUE(rtfGroupsBalanced(rtf));

    if (rtfreaders::pandoc().isEmpty())
        GTEST_SKIP() << "pandoc is not installed (scripts/setup installs it)";
    QTemporaryDir dir;
    ASSERT_TRUE(rtfreaders::writeAll(dir.filePath("list.rtf"), rtf));
    QString error;
    const QString html = rtfreaders::pandocHtml(dir.filePath("list.rtf"), &error).simplified();
    const QString nested = QString::fromLatin1(R"(<ol type="1"> <li><p>one</p> <ul> <li><p>nested</p></li> </ul></li> </ol>)");
    EXPECT_TRUE(html.contains(nested)) << html.toStdString() << error.toStdString();
}
