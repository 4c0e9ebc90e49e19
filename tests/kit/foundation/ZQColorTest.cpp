#include "kit/foundation/ZQColor.h"

#include <gtest/gtest.h>

namespace {

struct HexCase {
    const char* text;
    bool readable;
    double r, g, b, a;
};

TEST(ZQColor, ReadsEveryLengthTheThemeFilesUse)
{
    const HexCase cases[] = {
        {"#336699", true, 0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0, 1.0},
        {"33669950", true, 0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0, double(50.0f / 100.0f)},
        {"#33669905", true, 0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0, double(5.0f / 100.0f)},
        {"f0a", true, 1.0, 0.0, 0xAA / 255.0, 1.0},
        {"8F0A", true, 1.0, 0.0, 0xAA / 255.0, 0x88 / 255.0},
        {"##ab#cdef", true, 0xAB / 255.0, 0xCD / 255.0, 0xEF / 255.0, 1.0},
        {"12345", false, 0, 0, 0, 0},
        {"1234567", false, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0},
        {"GG0000", false, 0, 0, 0, 0},
        {"3366995x", false, 0, 0, 0, 0},
    };
    for (const HexCase& c : cases) {
        SCOPED_TRACE(c.text);
        const plat::ColorPtr color = ZQColor::colorFromHexString(QString::fromLatin1(c.text));
        ASSERT_EQ(bool(color), c.readable);
        if (!color)
            continue;
        EXPECT_EQ(color->red(), c.r);
        EXPECT_EQ(color->green(), c.g);
        EXPECT_EQ(color->blue(), c.b);
        EXPECT_EQ(color->alpha(), c.a);
    }
}

TEST(ZQColor, EveryComponentAndAlphaSurvivesWritingAndReading)
{
    EXPECT_EQ(ZQColor::hexString(*plat::Color::rgba(0.2, 0.4, 0.6, 1.0)), QStringLiteral("336699"));
    for (int v = 0; v < 256; ++v) {
        const auto color = plat::Color::rgba(v / 255.0, (255 - v) / 255.0, 0, 1.0);
        const auto back = ZQColor::colorFromHexString(ZQColor::hexString(*color));
        ASSERT_TRUE(back && back->isEqual(*color)) << v;
    }
    for (int percent = 0; percent < 100; ++percent) {
        const QString text = QStringLiteral("336699%1").arg(percent, 2, 10, QLatin1Char('0'));
        const auto color = ZQColor::colorFromHexString(text);
        ASSERT_TRUE(color);
        EXPECT_EQ(ZQColor::alphaPercent(*color), percent);
    }
}

} // namespace
