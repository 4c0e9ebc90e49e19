// Reading text files in their own encoding, MIME types and image drawing.

#include "app/shell/ZQImportMarkupPanelEx.h"
#include "app/shell/ZQStringUtil.h"
#include "app/shell/ZQUtils.h"

#include "support/ScopedDefaults.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

TEST(StringFromFile, EachEncodingIsReadAsItsText)
{
    const QString expected = QStringLiteral("# Caf\u00e9 cr\u00e8me\n\nLe na\u00efve gar\u00e7on mange une cr\u00eape \u00e0 la fran\u00e7aise.\n");
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    QByteArray utf16 = QByteArray("\xff\xfe", 2);
    utf16.append(reinterpret_cast<const char*>(expected.utf16()), expected.size() * 2);
    const Case cases[] = {
        {"latin1.md", expected.toLatin1()},
        {"utf8.md", expected.toUtf8()},
        {"utf8-bom.md", QByteArray("\xef\xbb\xbf") + expected.toUtf8()},
        {"utf16.md", utf16},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = writeBytes(dir, QString::fromLatin1(c.name), c.bytes);
        QString error;
        const std::optional<QString> text = ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(path), &error);
        ASSERT_TRUE(text) << c.name << " " << error.toStdString();
        EXPECT_EQ(*text, expected) << c.name;
    }
}

TEST(StringFromFile, AnRtfFileGivesItsPlainText)
{
    struct Case {
        const char* rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl\\f0\\fswiss Helvetica;}{\\colortbl;\\red255\\green0\\blue0;}\n"
         "\\f0\\fs24 Hello \\b bold\\b0\\par\nWorld}",
         QStringLiteral("Hello bold\nWorld")},
        // Code-page escapes, Unicode with its fallback skipped, escaped braces, ignorable groups.
        {"{\\rtf1 Caf\\'e9 \\u8364?5 \\{x\\} {\\*\\generator Writer;}\\tab end}",
         QStringLiteral("Caf\u00e9 \u20ac5 {x} \tend")},
        {"{\\rtf1\\uc2 \\u-3913??x}", QStringLiteral("\uF0B7x")},
        // Unbalanced or truncated input still gives what it holds.
        {"{\\rtf1 open {\\b group", QStringLiteral("open group")},
        {"{\\rtf1 a}}} b\\", QStringLiteral("a b")},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = writeBytes(dir, QStringLiteral("page.rtf"), QByteArray(c.rtf));
        const std::optional<QString> text = ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(path));
        ASSERT_TRUE(text) << c.rtf;
        EXPECT_EQ(*text, c.text) << c.rtf;
    }
}

TEST(StringFromFile, EmptyMissingAndBinaryFiles)
{
    QTemporaryDir dir;
    const auto read = [](const QString& path, QString* error) {
        return ZQStringUtil::stringFromFileURL(QUrl::fromLocalFile(path), error);
    };
    QString error;
    EXPECT_EQ(read(writeBytes(dir, "empty.md", QByteArray()), &error), QString());
    EXPECT_FALSE(read(dir.filePath("missing.md"), &error));
    EXPECT_FALSE(error.isEmpty());
    // Bytes that decode only with NULs are no text.
    error.clear();
    EXPECT_FALSE(read(writeBytes(dir, "bin.md", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89", 33)), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Utils, MimeTypeOfAFileByItsExtension)
{
    QTemporaryDir dir;
    EXPECT_EQ(ZQUtils::mimeTypeForFileAtPath(writeBytes(dir, "a.png", "x")), QStringLiteral("image/png"));
    EXPECT_EQ(ZQUtils::mimeTypeForFileAtPath(writeBytes(dir, "a.qqzzunknown", "x")), QStringLiteral("application/octet-stream"));
    EXPECT_FALSE(ZQUtils::mimeTypeForFileAtPath(dir.filePath("missing.png")));
}

TEST(Utils, ResizedAndFadedImages)
{
    QImage source(4, 2, QImage::Format_ARGB32);
    source.fill(QColor(200, 10, 10, 255));
    const plat::ImagePtr image = plat::Image::fromQImage(source);

    const plat::ImagePtr resized = ZQUtils::imageResize(image, QSizeF(8, 6));
    ASSERT_TRUE(resized);
    EXPECT_EQ(resized->qimage().size(), QSize(8, 6));
    EXPECT_EQ(QColor(resized->qimage().pixel(7, 5)).rgb(), QColor(200, 10, 10).rgb());

    const plat::ImagePtr opaque = ZQUtils::alphaImage(image, 1.0);
    EXPECT_EQ(opaque->qimage().size(), QSize(4, 2));
    EXPECT_EQ(qAlpha(opaque->qimage().pixel(0, 0)), 255);
    const plat::ImagePtr faded = ZQUtils::alphaImage(image, 0.8);
    EXPECT_NEAR(qAlpha(faded->qimage().pixel(0, 0)), 204, 1);
}

TEST(ImportPanelAccessory, ShowsTheChoiceStoredAtTheLastConfirmedImport)
{
    ScopedDefaults defaults;
    EXPECT_TRUE(ZQImportMarkupPanelEx().isChecked()); // registered default 1
    ZQImportMarkupPanelEx accessory;
    accessory.setChecked(false);
    EXPECT_FALSE(accessory.importImage());
    EXPECT_EQ(defaults->integerForKey(ZQImportMarkupPanelEx::defaultsKey()), 0);
    EXPECT_FALSE(ZQImportMarkupPanelEx().isChecked());
}
