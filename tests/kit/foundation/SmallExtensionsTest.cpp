#include "kit/foundation/Exs.h"
#include "kit/foundation/MD5.h"
#include "kit/foundation/ZQBezierPath.h"
#include "kit/foundation/ZQPair.h"
#include "kit/foundation/ZSURLParser.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

TEST(SmallExtensions, PairsCompareByKeyAndValue)
{
    const auto a = ZQPair::pairedWithValue("v", "k");
    EXPECT_EQ(a->key(), "k");
    EXPECT_EQ(a->description(), "k:v");
    EXPECT_TRUE(a->isEqual(*ZQPair::pairedWithValue("v", "k")));
    EXPECT_FALSE(a->isEqual(*ZQPair::pairedWithValue("w", "k")));
    EXPECT_EQ(a->hash(), ZQPair::pairedWithValue("other", "k")->hash());
}

TEST(SmallExtensions, ParentUrlsAndTheTrash)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"file:///a/b", "file:///a/b/c.md", true},
        {"file:///a/b/c.md", "file:///a/b", false},
        {"file:///a/b", "file:///a/b/", true},
        {"file:///a/x", "file:///a/b/c", false},
    };
    for (const auto& [parent, child, expected] : cases)
        EXPECT_EQ(Exs::isParentUrl(QUrl(parent), QUrl(child)), expected) << parent << " " << child;

    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
    EXPECT_TRUE(Exs::isInTrashBin(QUrl::fromLocalFile(trash)));
    EXPECT_TRUE(Exs::isInTrashBin(QUrl::fromLocalFile(trash + "/files/page.md")));
    EXPECT_FALSE(Exs::isInTrashBin(QUrl::fromLocalFile(trash + "bin/page.md")));
    EXPECT_FALSE(Exs::isInTrashBin(QUrl::fromLocalFile("/tmp/page.md")));
    // A folder that holds the Trash (the home folder) is not in it.
    EXPECT_FALSE(Exs::isInTrashBin(QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))));
}

TEST(SmallExtensions, Md5Digests)
{
    EXPECT_EQ(MD5::MD5(QString("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5::MD5(QString("abc")), "900150983cd24fb0d6963f7d28e17f72");
    // A string ends at its first NUL, data does not.
    EXPECT_EQ(MD5::MD5(QString::fromUtf16(u"a\0b", 3)), MD5::MD5(QByteArray("a")));
    EXPECT_NE(MD5::MD5(QByteArray("a\0b", 3)), MD5::MD5(QByteArray("a")));
}

TEST(SmallExtensions, FontConversionsKeepFamilyAndSize)
{
    const plat::FontPtr font = plat::Font::create("Menlo", 13.3);
    const plat::FontPtr bold = Exs::toHaveBold(*font);
    EXPECT_TRUE(Exs::isBold(*bold));
    EXPECT_EQ(bold->familyName(), "Menlo");
    EXPECT_FALSE(Exs::isBold(*Exs::toNotHaveBold(*bold)));
    EXPECT_TRUE(Exs::isItalic(*Exs::toHaveItalic(*bold)));
    EXPECT_TRUE(Exs::isBold(*Exs::toHaveItalic(*bold)));
    EXPECT_EQ(Exs::fontSize(*font), double(13.3f)); // read in single precision
    EXPECT_EQ(Exs::toSize(*bold, 20)->pointSize(), 20);
    EXPECT_TRUE(Exs::toSize(*bold, 20)->isBold());
}

TEST(SmallExtensions, IndexPathSteps)
{
    EXPECT_EQ(Exs::previousIndex(IndexPath{1, 2, 0}), IndexPath({1, 1}));
    EXPECT_EQ(Exs::previousIndex(IndexPath{3}), IndexPath({2}));
    EXPECT_FALSE(Exs::previousIndex(IndexPath{0, 0}).has_value());
    EXPECT_FALSE(Exs::previousIndex(IndexPath{}).has_value());
    EXPECT_EQ(Exs::nextIndex(IndexPath{1, 2}), IndexPath({1, 3}));
    EXPECT_THROW(Exs::nextIndex(IndexPath{}), plat::RangeError);

    EXPECT_TRUE(Exs::contains(IndexPath{1}, IndexPath{1, 4}));
    EXPECT_TRUE(Exs::contains(IndexPath{1, 4}, IndexPath{1, 4}));
    EXPECT_FALSE(Exs::contains(IndexPath{1, 4}, IndexPath{1}));
    EXPECT_FALSE(Exs::contains(IndexPath{2}, IndexPath{1, 4}));
    EXPECT_EQ(Exs::firstIndex(IndexPath{5, 6}), 5);
    EXPECT_EQ(Exs::lastIndex(IndexPath{5, 6}), 6);
    EXPECT_EQ(Exs::lastIndex(IndexPath{}), plat::NotFound);
}

std::vector<QPointF> pointsOf(const QPainterPath& path)
{
    std::vector<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i)
        points.emplace_back(path.elementAt(i));
    return points;
}

TEST(SmallExtensions, RoundedCornerPath)
{
    using namespace ZQBezierPath;
    const QRectF rect(0, 0, 100, 50);
    const qreal k = 0.552228474 * 8;

    QPainterPath path;
    drawRoundCornerAt(path, MinXMinY | MaxXMinY, 8, rect, MinXMaxY, MaxXMaxY);
    const std::vector<QPointF> expected = {
        {0, 50},                                   // start: square corner 8
        {0, 8},   {0, 8 - k},   {8 - k, 0},   {8, 0},   // corner 2
        {92, 0},  {92 + k, 0},  {100, 8 - k}, {100, 8}, // corner 4
        {100, 50},                                 // end: square corner 16
    };
    EXPECT_EQ(pointsOf(path), expected);
    EXPECT_EQ(path.elementAt(2).type, QPainterPath::CurveToElement);

    // All four rounded from 8 back to 8: the walk ends where it started.
    QPainterPath closed;
    drawRoundCornerAt(closed, 30, 8, rect, MinXMaxY, MinXMaxY);
    EXPECT_EQ(pointsOf(closed).front(), QPointF(0, 42));
    EXPECT_EQ(pointsOf(closed).back(), QPointF(0, 42));
    EXPECT_EQ(closed.elementCount(), 1 + 4 * 4);

    QPainterPath bad;
    EXPECT_THROW(drawRoundCornerAt(bad, 30, 8, rect, MinXMaxY, 3), std::invalid_argument);
}

TEST(SmallExtensions, QueryVariables)
{
    const ZSURLParser parser(QUrl("https://h.example/p?a=&a=5&b=x%20y&&c"));
    EXPECT_EQ(parser.variables(), QStringList({"a=", "a=5", "b=x%20y", "c"}));
    EXPECT_EQ(parser.valueForVariable("a"), "5");
    EXPECT_EQ(parser.valueForVariable("b"), "x%20y");
    EXPECT_TRUE(parser.valueForVariable("c").isNull());
    EXPECT_TRUE(ZSURLParser(QUrl("https://h.example/p&a=1")).variables().isEmpty());
}

} // namespace
