#include "kit/filters/ZQParagraphParser.h"
#include "kit/model/ZQLinkRef.h"

#include <gtest/gtest.h>

TEST(ZQParagraphParserLink, DestinationAndTitle)
{
    const struct {
        const char* text;
        bool matched;
        const char* link;  // nullptr: no result
        const char* title; // nullptr: no title
        qsizetype consumed;
    } cases[] = {
        {"/a(b)c", false, "/a(b)c", nullptr, 6},
        {"/a(b(c))", false, nullptr, nullptr, 0},
        {"/a)b(", false, nullptr, nullptr, 0},
        {"/a(b", false, "/a(b", nullptr, 4},
        {"  <a b (c)>", false, "a b (c)", nullptr, 11},
        {"<a\nb>", false, nullptr, nullptr, 0},
        {"/u word", false, nullptr, nullptr, 0},
        {"/u\nword", false, "/u", nullptr, 2},
        {"/u  x", true, nullptr, nullptr, 0},
        {"/u  \n", true, "/u", nullptr, 2},
        {"/u (t)", false, "/u", "t", 6},
        {"/u \"t'", false, nullptr, nullptr, 0},
        {"/u \"t\"  \nnext", false, "/u", "t", 9},
        {"/u\n'title' x", false, "/u", nullptr, 2},
        {"/u 'title' x", false, nullptr, nullptr, 0},
        {"/u \"a\\\"b\"", false, "/u", "a\\\"b", 9},
        {"/u\\)x", false, "/u\\)x", nullptr, 5}, // an escaped ")" is no parenthesis
        {"   ", false, nullptr, nullptr, 0},
        {"", false, nullptr, nullptr, 0},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        plat::Range effect(-1, -1);
        const auto ref = ZQParagraphParser::parseLinkAndTitle(text, &effect, c.matched, 0);
        if (!c.link) {
            EXPECT_FALSE(ref) << c.text;
            continue;
        }
        ASSERT_TRUE(ref) << c.text;
        EXPECT_EQ(ref->link().toStdString(), c.link) << c.text;
        EXPECT_EQ(ref->title().isNull(), c.title == nullptr) << c.text;
        if (c.title) {
            EXPECT_EQ(ref->title().toStdString(), c.title) << c.text;
        }
        EXPECT_EQ(effect, plat::Range(0, c.consumed)) << c.text;
    }
}

TEST(ZQParagraphParserLink, BracketAndQuoteAreRecorded)
{
    const auto angle = ZQParagraphParser::parseLinkAndTitle(QStringLiteral("<x> (t)"), nullptr, false, 0);
    ASSERT_TRUE(angle);
    EXPECT_TRUE(angle->hasLinkBracket());
    EXPECT_EQ(angle->titleQuote(), u'(');
    const auto bare = ZQParagraphParser::parseLinkAndTitle(QStringLiteral("x 'y'"), nullptr, false, 0);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->hasLinkBracket());
    EXPECT_EQ(bare->titleQuote(), u'\'');
    EXPECT_EQ(bare->footnoteIndex(), 1);
}
