#include "support/Utf16.h"
#include "kit/foundation/ZQShared.h"

#include <gtest/gtest.h>

using plat::CharacterSet;
using plat::Range;

namespace {

TEST(ZQShared, BlankSpaceAndNewlineTests)
{
    struct Case {
        const char16_t* text;
        bool notBlank, notSpace, newlineAtEnd;
    };
    const Case cases[] = {
        {u"", false, false, false},
        {u" \t\u00A0", false, false, false},
        {u" \t\n", false, true, true},
        {u"\v\f", false, true, true}, // VT and FF are in the newline set
        {u"a\nb", true, true, false},  // only the last character counts
        {u"ab\r", true, true, true},
        {u"\u2028", false, true, true},
        {u"\u200B", true, true, false}, // zero-width space is not whitespace
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(S(c.text).toStdString());
        EXPECT_EQ(ZQShared::isNotBlank(S(c.text)), c.notBlank);
        EXPECT_EQ(ZQShared::isNotSpace(S(c.text)), c.notSpace);
        EXPECT_EQ(ZQShared::hasNewline(S(c.text)), c.newlineAtEnd);
    }
}

TEST(ZQShared, TrimmingUsesThePlatformSets)
{
    EXPECT_EQ(ZQShared::trim(S(u"\u00A0 a b\t\n\u2029")), "a b");
    EXPECT_EQ(ZQShared::trim(S(u"\u200Bx")), S(u"\u200Bx"));
    EXPECT_EQ(ZQShared::trim(S(u" \n ")), "");
    const CharacterSet& ws = CharacterSet::whitespace();
    EXPECT_EQ(ZQShared::stringByTrimmingLeadingCharactersInSet(" \ta \n", ws), "a \n");
    EXPECT_EQ(ZQShared::stringByTrimmingTrailingCharactersInSet(" a \t", ws), " a");
    EXPECT_EQ(ZQShared::stringByRemoveCharactersInSet("a b\tc", ws), "abc");
    EXPECT_EQ(ZQShared::stringByReplacingCharacters("a b\tc", ws, "__"), "a__b__c");
    QString text = "    x";
    ZQShared::trimLeadingCharactersInSet(text, ws, 3);
    EXPECT_EQ(text, " x");
}

TEST(ZQShared, LeadingAndTrailingRunsStayInsideTheRange)
{
    const CharacterSet& ws = CharacterSet::whitespace();
    EXPECT_EQ(ZQShared::lengthByTrailingCharactersInSet("   x  ", ws, Range(3, 3)), 2);
    EXPECT_EQ(ZQShared::lengthByTrailingCharactersInSet("      ", ws, Range(4, 2)), 2);
    EXPECT_EQ(ZQShared::lengthByLeadingCharactersInSet("      ", ws, Range(1, 3)), 3);
    EXPECT_EQ(ZQShared::lengthByLeadingCharactersInSet("  ", ws, Range(1, 5)), 0); // beyond the string
    EXPECT_EQ(ZQShared::lengthByLeadingCharactersInSet("  ", ws, Range(1, 0)), 0);
    EXPECT_EQ(ZQShared::lengthByLeadingCharacter("##x#", u'#', Range(0, 4)), 2);
    EXPECT_EQ(ZQShared::lengthByLeadingCharactersInSet(" \tx ", ws), 2);
    EXPECT_EQ(ZQShared::lengthByTrailingCharactersInSet(" x \t", ws), 2);

    EXPECT_EQ(ZQShared::rangeOfTrimCharactersInSet(" ab c  ", ws, Range(0, 7)), Range(1, 4));
    EXPECT_EQ(ZQShared::rangeOfTrimCharactersInSet("x    y", ws, Range(2, 3)), Range(2, 0));
    EXPECT_THROW(ZQShared::rangeOfTrimCharactersInSet("ab", ws, Range(1, 3)), plat::RangeError);
}

TEST(ZQShared, CharacterQueries)
{
    EXPECT_TRUE(ZQShared::containOnlyCharactersInSet("a1 2", CharacterSet::decimalDigits(), Range(1, 0)));
    EXPECT_TRUE(ZQShared::containOnlyCharactersInSet("a12", CharacterSet::decimalDigits(), Range(1, 2)));
    EXPECT_FALSE(ZQShared::containOnlyCharactersInSet("a12", CharacterSet::decimalDigits(), Range(0, 2)));
    EXPECT_EQ(ZQShared::countOfCharaceter("a*b**", u'*', Range(2, 3)), 2);
    EXPECT_FALSE(ZQShared::containCharacter("a*b", u'*', Range(2, 1)));
    EXPECT_THROW(ZQShared::countOfCharaceter("ab", u'a', Range(0, 3)), plat::RangeError);
    EXPECT_TRUE(ZQShared::isEndByLineSeparator(S(u"a\u2028b"), Range(0, 2)));
    EXPECT_FALSE(ZQShared::isEndByLineSeparator(S(u"a\u2028b"), Range(0, 3)));
    EXPECT_TRUE(ZQShared::hasDigit(S(u"x\u0663")));
    EXPECT_TRUE(ZQShared::isAllDigits(""));
    EXPECT_FALSE(ZQShared::isAllDigits("12a"));
    EXPECT_TRUE(ZQShared::isImage("JPEG"));
    EXPECT_FALSE(ZQShared::isImage("txt"));
    EXPECT_TRUE(ZQShared::stringIsEqualString(QString(), QString()));
    EXPECT_FALSE(ZQShared::stringIsEqualString(QString(), QStringLiteral("")));
    EXPECT_TRUE(ZQShared::stringIsEqualString("a", "a"));
    EXPECT_EQ(ZQShared::getObjectId("<ZQNode: (0x7fa1b2)>"), "0x7fa1b2");
    EXPECT_EQ(ZQShared::getObjectId("no address"), "no address");
}

TEST(ZQShared, EscapeForRtfWritesWideUnitsAsUnicodeEscapes)
{
    // Latin-1 units as \'hh byte escapes; wider units (surrogates included)
    // as \uN? with N signed 16-bit, never truncated to a byte.
    EXPECT_EQ(ZQShared::escapeForRTF(S(u"A\u00e9")), "\\'41\\ \\'e9\\ ");
    EXPECT_EQ(ZQShared::escapeForRTF(S(u"\u4e2d\u0141")), "\\u20013?\\u321?");
    EXPECT_EQ(ZQShared::escapeForRTF(S(u"\U0001F600")), "\\u-10179?\\u-8704?");
}

TEST(ZQShared, PathComparisons)
{
    EXPECT_TRUE(ZQShared::isSameDirectory("/a/b", "file:///a/b"));
    EXPECT_FALSE(ZQShared::isSameDirectory("/a/b/", "/a/b"));
    EXPECT_TRUE(ZQShared::isSameDirectory("/a/b\\\\", "/a/b"));
    EXPECT_FALSE(ZQShared::isSameDirectory("/a", " "));
    EXPECT_FALSE(ZQShared::isSameDirectory("/a", QString()));

    // Same folder or an ancestor of it, never the other way round, and never
    // by a bare name prefix.
    EXPECT_TRUE(ZQShared::isParentPath("/a", "/a/b"));
    EXPECT_TRUE(ZQShared::isParentPath("/a/b", "/a/b"));
    EXPECT_TRUE(ZQShared::isParentPath("/a//b", "/a/b"));
    EXPECT_TRUE(ZQShared::isParentPath("s1ds", "s1ds/s42"));
    EXPECT_FALSE(ZQShared::isParentPath("/a/b/c", "/a"));
    EXPECT_FALSE(ZQShared::isParentPath("/home/u/.local/share/Trash", "/home/u"));
    EXPECT_FALSE(ZQShared::isParentPath("/a/b", "/a/bc"));
    EXPECT_FALSE(ZQShared::isParentPath("/a/x", "/a/b"));
    EXPECT_FALSE(ZQShared::isParentPath("", "/a"));

    EXPECT_EQ(ZQShared::subpath("/a/b/c", "/a"), "b/c");
    EXPECT_EQ(ZQShared::subpath("/a/b/c", "/a/b/c"), "");
    EXPECT_EQ(ZQShared::subpath("/a/b/c", "/"), "/a/b/c");
    EXPECT_EQ(ZQShared::subpath("/x/b", "/a"), "/x/b");
}

std::vector<Range> linesOf(const QString& text, Range range, bool reversed, int stopAfter = -1)
{
    std::vector<Range> lines;
    const ZQShared::LineBlock block = [&](Range line, bool* stop) {
        lines.push_back(line);
        if (int(lines.size()) == stopAfter)
            *stop = true;
    };
    if (reversed)
        ZQShared::enumerateLinesReversedRangeUsingBlock(text, block, range);
    else
        ZQShared::enumerateLinesRangeUsingBlock(text, block, range);
    return lines;
}

TEST(ZQShared, LineWalks)
{
    const QString text = "ab\r\ncd\u2028\nx"; // lines: "ab\r\n", "cd\u2028", "\n", "x"
    const std::vector<Range> all = {{0, 4}, {4, 3}, {7, 1}, {8, 1}};
    EXPECT_EQ(linesOf(text, Range(0, text.size()), false), all);
    EXPECT_EQ(linesOf(text, Range(0, text.size()), true), std::vector<Range>(all.rbegin(), all.rend()));
    EXPECT_EQ(linesOf(text, Range(4, 3), false), std::vector<Range>({{4, 3}}));
    EXPECT_EQ(linesOf(text, Range(0, 9), false, 2).size(), 2u);
    // A walk that starts inside a line steps by the whole line's length, so it
    // lands inside the next line and passes the end early.
    EXPECT_EQ(linesOf(text, Range(2, 7), false), std::vector<Range>({{0, 4}, {4, 3}}));
    EXPECT_TRUE(linesOf(text, Range(0, 0), false).empty());
    EXPECT_TRUE(linesOf(text, Range(0, 20), true).empty());
}

TEST(ZQShared, ShrinkSpacesAndLinkLabels)
{
    EXPECT_EQ(ZQShared::shrinkSpaces("  a \n\t b  "), "a b");
    EXPECT_EQ(ZQShared::shrinkSpaces("   "), "");
    EXPECT_EQ(ZQShared::asLinkLabel("  Foo   Bar "), "foo bar");
    EXPECT_EQ(ZQShared::asLinkLabel("   "), " ");
    EXPECT_EQ(ZQShared::asLinkLabel(S(u"\u0130STANBUL")), S(u"i\u0307stanbul")); // root locale
}

TEST(ZQShared, TabExpansion)
{
    QString text = "a\tb\n\tc";
    EXPECT_EQ(ZQShared::tabExpansionRanges(text, true), std::vector<Range>({{4, 4}, {1, 3}}));
    EXPECT_EQ(text, "a   b\n    c");

    text = "abc\t\t\r\nx\ty";
    EXPECT_EQ(ZQShared::tabExpansionRanges(text, true), std::vector<Range>({{8, 3}, {3, 1}, {4, 4}}));
    EXPECT_EQ(text, "abc     \r\nx   y");

    text = "a\u2028\tb";
    ZQShared::tabExpansion(text);
    EXPECT_EQ(text, S(u"a\u2028    b"));

    text = "no tabs";
    EXPECT_TRUE(ZQShared::tabExpansionRanges(text, true).empty());
    EXPECT_EQ(text, "no tabs");
}

TEST(ZQShared, HtmlEscaping)
{
    struct Case {
        void (*op)(QString&);
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {ZQShared::escapeHTMLEntity, "<a href=\"x\">'&'</a>", "&lt;a href=&quot;x&quot;&gt;'&amp;'&lt;/a&gt;"},
        {ZQShared::escapeHTMLKeyChar, "\"a\" & <b>", "\"a\" &amp; &lt;b&gt;"},
        {ZQShared::escapeHTMLEntityIgnoreEntityAmp, "a & b &amp; <c>", "a &amp; b &amp; &lt;c&gt;"},
        {ZQShared::escapeHTMLEntityIgnoreEntityAmp, "&quot;&lt;&gt;&am", "&quot;&lt;&gt;&amp;am"},
        {ZQShared::unescapeHTMLKeyChar, "&lt;&amp;amp;", "<&amp;"},
        {ZQShared::unescapeHTMLKeyChar, "&lamp; &gt &quot;", "&lamp; &gt &quot;"},
    };
    for (const Case& c : cases) {
        QString text = c.in;
        c.op(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
}

TEST(ZQShared, BackslashEscapes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\\*", "*"},
        {"\\<", "&lt;"},
        {"\\\\*", "\\*"},
        {"\\\\\\*", "\\*"},
        {"\\\\\\a", "\\\\a"},
        {"\\\\\\\\", "\\\\"},
        {"\\\\\\", "\\\\"},
        {"\\\\\\\"x", "\\&quot;x"},
        {"\\b", "\\b"},
        {"a\\", "a\\"},
        {"\\&\\> \\\\<", "&amp;&gt; \\<"},
    };
    for (const auto& [in, out] : cases) {
        QString text = in;
        ZQShared::deleteEscapseSlash(text);
        EXPECT_EQ(text, out) << in;
    }

    QString text = "x\\*y\\\\\\a\\";
    std::vector<Range> masked;
    ZQShared::escapeSlashToSafeString(text, &masked);
    EXPECT_EQ(text, "xvvyvv\\a\\");
    EXPECT_EQ(masked, std::vector<Range>({{1, 2}, {4, 2}}));
}

TEST(ZQShared, SmallMutations)
{
    QString text = "ab\r\n";
    ZQShared::appendStringBeforeLineEnd(text, "X");
    EXPECT_EQ(text, "ab\rX\n");
    text = "ab";
    ZQShared::appendStringBeforeLineEnd(text, "X");
    EXPECT_EQ(text, "abX");

    text = "[a bc]";
    ZQShared::replaceAllBy(text, "xy", CharacterSet::whitespace(), Range(1, 4));
    EXPECT_EQ(text, "[x xy]");
    ZQShared::replaceAllBy(text, "", CharacterSet::whitespace(), Range(1, 4));
    EXPECT_EQ(text, "[x xy]");
    EXPECT_THROW(ZQShared::replaceAllBy(text, "v", CharacterSet::whitespace(), Range(5, 5)), plat::RangeError);

    text = "ac";
    ZQShared::insertCharacter(text, u'b', 1);
    EXPECT_EQ(text, "abc");
    EXPECT_THROW(ZQShared::insertCharacter(text, u'b', 4), plat::RangeError);
    EXPECT_EQ(ZQShared::stringWithCharacter(u'-', 3), "---");
}

} // namespace
