#include "platform/foundation/Range.h"
#include "platform/foundation/Value.h"

#include <gtest/gtest.h>

using plat::Range;

TEST(Range, AlgebraAndText)
{
    EXPECT_EQ(plat::intersection(Range(2, 5), Range(4, 10)), Range(4, 3));
    EXPECT_EQ(plat::intersection(Range(0, 2), Range(3, 1)), Range(0, 0));
    EXPECT_EQ(plat::unionRange(Range(2, 1), Range(6, 2)), Range(2, 6));
    EXPECT_EQ(plat::toString(Range(3, 4)), QStringLiteral("{3, 4}"));
    EXPECT_EQ(plat::rangeFromString(QStringLiteral("{12, 7}")), Range(12, 7));
    EXPECT_EQ(plat::rangeFromString(QStringLiteral("none")), Range(0, 0));
    EXPECT_TRUE(Range(2, 3).contains(4));
    EXPECT_FALSE(Range(2, 3).contains(5));
    EXPECT_THROW(plat::checkRange(Range(3, 2), 4, "test"), plat::RangeError);
    EXPECT_NO_THROW(plat::checkRange(Range(4, 0), 4, "test"));
}

TEST(Value, EqualityAcrossKinds)
{
    EXPECT_EQ(plat::Value(1), plat::Value(1.0));
    EXPECT_NE(plat::Value(QStringLiteral("1")), plat::Value(1));
    EXPECT_EQ(plat::Value(plat::ValueList{1, "a"}), plat::Value(plat::ValueList{1, "a"}));
    EXPECT_TRUE(plat::Value().isNull());
    EXPECT_EQ(plat::Value("x").toInteger(), 0);
}
