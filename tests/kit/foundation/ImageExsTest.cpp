#include "kit/foundation/ImageExs.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

plat::ImagePtr solid(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(200, 40, 40));
    return plat::Image::fromQImage(image);
}

QByteArray formatOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).format();
}

TEST(ImageExs, FittingAndScalingToABox)
{
    struct Case {
        QSizeF image, box;
        qint64 mode;
        QSizeF expected;
    };
    const Case cases[] = {
        {{1400, 700}, {700, 700}, 0, {700, 350}},
        {{1400, 700}, {700, 700}, 1, {1400, 700}},
        {{700, 1400}, {350, 350}, 0, {175, 350}},
    };
    for (const Case& c : cases) {
        const auto image = solid(int(c.image.width()), int(c.image.height()));
        EXPECT_EQ(Exs::makeThumbnailOfSize(*image, c.box, c.mode)->size(), c.expected);
    }
    const auto big = solid(1400, 700);
    EXPECT_EQ(Exs::fitImageMaxSize(big, {700, 700})->size(), QSizeF(700, 350));
    const auto small = solid(300, 200);
    EXPECT_EQ(Exs::fitImageMaxSize(small, {700, 700}), small); // the same object, never enlarged
    EXPECT_THROW(Exs::makeThumbnailOfSize(*small, {10, 10}, 2), std::invalid_argument);
    EXPECT_FALSE(Exs::imageResize(*small, {0, 10}));
}

TEST(ImageExs, ImagesAreWrittenInTheTypeTheirMetadataNames)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg");
    solid(64, 48)->qimage().save(path, "jpeg");

    const auto image = Exs::imageWithContentsOfFile(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(formatOf(Exs::contentOfData(*image)), QByteArray("png")); // no metadata yet

    const auto meta = Exs::imageMetadata(QUrl::fromLocalFile(path));
    EXPECT_EQ(meta->uti(), QStringLiteral("public.jpeg"));
    EXPECT_EQ(meta->properties().at("PixelWidth").toInteger(), 64);
    Exs::setMetadata(*image, meta);
    EXPECT_EQ(Exs::contentOfData(*image), image->sourceData()); // unchanged: its own bytes

    const auto resized = Exs::imageResize(*image, {32, 24});
    ASSERT_TRUE(Exs::metadata(*resized));
    EXPECT_NE(Exs::metadata(*resized), meta); // a copy
    EXPECT_EQ(formatOf(Exs::contentOfData(*resized)), QByteArray("jpeg"));

    EXPECT_EQ(formatOf(Exs::compressThumbnail(image, {16, 16})), QByteArray("jpeg"));
}

TEST(ImageExs, UnreadableInputGivesNoImage)
{
    QTemporaryDir dir;
    EXPECT_FALSE(Exs::loadImageFromData(QByteArray("not an image")));
    EXPECT_FALSE(Exs::loadImageFromData(QByteArray()));
    EXPECT_FALSE(Exs::imageWithContentsOfFile(dir.filePath("missing.png")));
    const auto meta = Exs::imageMetadata(QUrl::fromLocalFile(dir.filePath("missing.png")));
    EXPECT_TRUE(meta->uti().isEmpty());
    EXPECT_TRUE(meta->properties().empty());
}

} // namespace
