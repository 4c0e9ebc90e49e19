#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Image.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

QByteArray pngOf(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

TEST(Image, PixelsAreDecodedOnFirstUseAndBytesKept)
{
    const QByteArray png = pngOf(QSize(40, 30));
    const auto image = plat::Image::fromData(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSizeF(40, 30));
    EXPECT_EQ(image->sourceFormat(), "png");
    EXPECT_EQ(image->qimage().pixel(5, 5), qRgb(10, 200, 30));
    EXPECT_EQ(image->sourceData(), png);
}

TEST(Image, NoImageIsRefusedAndABrokenBodyKeepsItsBytes)
{
    EXPECT_FALSE(plat::Image::fromData(QByteArray()));
    EXPECT_FALSE(plat::Image::fromData(QByteArray("certainly not a picture")));

    // The header is whole, the pixels are not: the size is known, the pixels
    // are null, and the bytes are archived as they came so nothing is lost.
    const QByteArray whole = pngOf(QSize(64, 64));
    const QByteArray truncated = whole.left(whole.size() - 30);
    const auto broken = plat::Image::fromData(truncated);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->size(), QSizeF(64, 64));
    EXPECT_TRUE(broken->qimage().isNull());
    const auto copy = std::dynamic_pointer_cast<plat::Image>(broken->copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->sourceData(), truncated);
}

} // namespace
