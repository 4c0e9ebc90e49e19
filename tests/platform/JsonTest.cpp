#include "platform/foundation/Json.h"

#include <gtest/gtest.h>

using plat::Value;

TEST(Json, RoundTripKeepsKindsOfNumbers)
{
    const Value value = plat::ValueMap{
        {"name", QString::fromUtf8("Th\xC3\xA8me \"x\"")},
        {"size", 12},
        {"big", qint64(9007199254740993)}, // above 2^53: must not pass through a double
        {"ratio", 1.5},
        {"whole", 2.0}, // written as "2": reads back as an equal integer
        {"on", true},
        {"none", Value()},
        {"list", plat::ValueList{1, "two", plat::ValueMap{{"k", false}}}},
    };
    QString error;
    const QByteArray text = plat::jsonData(value, &error);
    ASSERT_FALSE(text.isEmpty()) << error.toStdString();
    const auto back = plat::parseJson(text, &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, value);
    const plat::ValueMap& map = back->toMap();
    EXPECT_TRUE(map.at("size").isInteger());
    EXPECT_EQ(map.at("big").toInteger(), qint64(9007199254740993));
    EXPECT_TRUE(map.at("ratio").isDouble());
    EXPECT_TRUE(map.at("none").isNull());
}

TEST(Json, ErrorsAreReported)
{
    QString error;
    for (const char* bad : {"", "{\"a\": }", "[1, 2", "{\"a\": 1} x", "42"}) {
        EXPECT_FALSE(plat::parseJson(QByteArray(bad), &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    for (const Value& v : {Value(plat::ValueMap{{"d", QByteArray("x")}}), Value(plat::ValueList{plat::Range(1, 2)}), Value("top")}) {
        error.clear();
        EXPECT_TRUE(plat::jsonData(v, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}
