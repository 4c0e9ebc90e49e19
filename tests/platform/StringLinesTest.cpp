#include "platform/foundation/StringLines.h"

#include <gtest/gtest.h>

using plat::Range;

namespace {

struct LineCase {
    const char16_t* text;
    Range range;
    Range line;
    Range paragraph;
};

TEST(StringLines, LineAndParagraphRanges)
{
    const LineCase cases[] = {
        {u"ab\ncd", {0, 0}, {0, 3}, {0, 3}},
        {u"ab\ncd", {2, 0}, {0, 3}, {0, 3}},
        {u"ab\ncd", {3, 0}, {3, 2}, {3, 2}},
        {u"ab\ncd", {5, 0}, {3, 2}, {3, 2}},
        {u"ab\ncd", {0, 3}, {0, 3}, {0, 3}}, // a range ending after a terminator keeps to its line
        {u"ab\ncd", {2, 2}, {0, 5}, {0, 5}},
        {u"ab\n", {3, 0}, {3, 0}, {3, 0}},
        {u"a\r\nb", {1, 0}, {0, 3}, {0, 3}},
        {u"a\r\nb", {2, 0}, {0, 3}, {0, 3}}, // between CR and LF
        {u"a\r\nb", {0, 2}, {0, 3}, {0, 3}},
        {u"a\r\nb", {3, 0}, {3, 1}, {3, 1}},
        {u"a\n\rb", {2, 0}, {2, 1}, {2, 1}}, // LF CR is two terminators
        {u"a\u2028b", {0, 0}, {0, 2}, {0, 3}},
        {u"a\u0085b", {2, 0}, {2, 1}, {0, 3}},
        {u"a\u2029b", {2, 0}, {2, 1}, {2, 1}},
        {u"a\vb\fc", {2, 0}, {0, 5}, {0, 5}},
        {u"", {0, 0}, {0, 0}, {0, 0}},
    };
    for (const LineCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString() + " " + plat::toString(c.range).toStdString());
        EXPECT_EQ(plat::lineRangeForRange(text, c.range), c.line);
        EXPECT_EQ(plat::paragraphRangeForRange(text, c.range), c.paragraph);
    }
}

TEST(StringLines, ContentsEndExcludesTheWholeTerminator)
{
    const plat::LineBounds b = plat::lineBounds(QStringLiteral("ab\r\ncd"), Range(1, 0));
    EXPECT_EQ(b.start, 0);
    EXPECT_EQ(b.contentsEnd, 2);
    EXPECT_EQ(b.end, 4);
}

TEST(StringLines, RangeOutsideTheStringThrows)
{
    EXPECT_THROW(plat::lineRangeForRange(QStringLiteral("ab"), Range(3, 0)), plat::RangeError);
    EXPECT_THROW(plat::paragraphRangeForRange(QStringLiteral("ab"), Range(1, 2)), plat::RangeError);
}

} // namespace
