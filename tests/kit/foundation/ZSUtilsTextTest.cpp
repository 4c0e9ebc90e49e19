#include "support/Utf16.h"
#include "kit/model/ZSUtils.h"

#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/Regex.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"

#include <gtest/gtest.h>

using plat::Attributes;
using plat::AttributedString;
using plat::MutableAttributedString;
using plat::Range;
using plat::Value;

namespace {

using Ranges = std::vector<Range>;

TEST(ZSUtilsText, RangeSubtractionLeavesTheUncoveredPieces)
{
    struct Case {
        Range range;
        Ranges listed;
        Ranges pieces;
    };
    const Case cases[] = {
        {Range(0, 10), {Range(2, 3), Range(4, 4)}, {Range(0, 2), Range(8, 2)}},
        {Range(5, 5), {Range(0, 20)}, {}},
        {Range(0, 10), {Range(12, 3)}, {Range(0, 10)}},
        {Range(3, 0), {Range(0, 3)}, {Range(3, 0)}},
        {Range(3, 0), {Range(0, 4)}, {}},
        {Range(0, 10), {}, {Range(0, 10)}},
        {Range(0, 10), {Range(4, 0)}, {Range(0, 4), Range(4, 6)}}, // an empty range splits
        {Range(0, 10), {Range(6, 2), Range(0, 2)}, {Range(2, 4), Range(8, 2)}}, // unsorted input
        {Range(0, 10), {Range(0, 10)}, {}},
        {Range(2, 6), {Range(0, 3), Range(7, 5)}, {Range(3, 4)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(plat::toString(c.range).toStdString());
        EXPECT_EQ(ZSUtils::rangeSubstrcts(c.range, c.listed), c.pieces);
    }
}

TEST(ZSUtilsText, RangePredicatesAndSorting)
{
    struct IntersectCase {
        Range range, typing;
        bool intersects;
    };
    const IntersectCase intersects[] = {
        {Range(0, 5), Range(5, 2), true},  // touching at the typing range's start
        {Range(0, 5), Range(6, 0), false},
        {Range(0, 5), Range(5, 0), true},
        {Range(0, 5), Range(0, 0), true},
        {Range(0, 5), Range::notFound(), false},
        {Range(5, 2), Range(3, 2), false}, // touching at the range's start does not count
        {Range(0, 5), Range(4, 3), true},
        {Range(0, 5), Range(6, 2), false},
    };
    for (const IntersectCase& c : intersects) {
        SCOPED_TRACE(plat::toString(c.range).toStdString() + plat::toString(c.typing).toStdString());
        EXPECT_EQ(ZSUtils::intersect(c.range, c.typing), c.intersects);
    }

    EXPECT_TRUE(ZSUtils::isRangeBorder(Range(2, 3), 2));
    EXPECT_TRUE(ZSUtils::isRangeBorder(Range(2, 3), 4));
    EXPECT_FALSE(ZSUtils::isRangeBorder(Range(2, 3), 3));
    EXPECT_FALSE(ZSUtils::isRangeBorder(Range(2, 0), 1));
    EXPECT_TRUE(ZSUtils::rangeContain(Range(0, 5), Range(1, 4)));
    EXPECT_FALSE(ZSUtils::rangeContain(Range(0, 5), Range(1, 5)));
    EXPECT_TRUE(ZSUtils::rangeContain(Range(2, 2), Range(4, 0)));

    const Ranges ranges = {Range(5, 1), Range(1, 2), Range(5, 0), Range(3, 1)};
    EXPECT_EQ(ZSUtils::sortRanges(ranges, false), (Ranges{Range(1, 2), Range(3, 1), Range(5, 1), Range(5, 0)}));
    EXPECT_EQ(ZSUtils::sortRanges(ranges, true), (Ranges{Range(5, 1), Range(5, 0), Range(3, 1), Range(1, 2)}));
}

TEST(ZSUtilsText, TabAndIndentArithmetic)
{
    struct TabCase {
        const char16_t* text;
        qsizetype location, expanded;
    };
    const TabCase tabs[] = {
        {u"a\tb", 2, 4},
        {u"\t\t", 2, 8},
        {u"ab\n\tc", 5, 8},        // a newline restarts the columns
        {u"a\u2028\tb", 3, 6},
        {u"abc\tx", 4, 4},         // a TAB at column 3 widens by nothing
        {u"\t", 0, 0},
        {u"\t", -1, -1},
    };
    for (const TabCase& c : tabs) {
        SCOPED_TRACE(S(c.text).toStdString());
        EXPECT_EQ(ZSUtils::locationAfterTabExpansion(S(c.text), c.location), c.expanded);
    }

    struct IndentCase {
        const char16_t* text;
        qsizetype position, width;
    };
    const IndentCase indents[] = {
        {u"  \tx", 3, 6},
        {u"ab\n \t x", 5, 6}, // a TAB counts a flat 4
        {u"x\r\n  y", 4, 2},
        {u"  x", 3, 0},       // at the end
        {u"  x", -1, 0},
    };
    for (const IndentCase& c : indents) {
        SCOPED_TRACE(S(c.text).toStdString());
        EXPECT_EQ(ZSUtils::getLineIndentAt(c.position, S(c.text)), c.width);
    }

    struct StepCase {
        const char16_t* line;
        bool increase;
        const char16_t* indent;
    };
    const StepCase steps[] = {
        {u"\t    x", false, u"\t"}, {u"\t    x", true, u"\t        "},
        {u"x", true, u"\t"},      {u"x", false, u""},
        {u"\t\tx", false, u"\t"}, {u"\tx", true, u"\t\t"},
        {u"  x", false, u""},     {u"      x", false, u"  "},
    };
    const Attributes attributes{{"k", Value(1)}};
    for (const StepCase& c : steps) {
        SCOPED_TRACE(S(c.line).toStdString() + (c.increase ? " +" : " -"));
        const AttributedString indent = ZSUtils::getIndentForLine(S(c.line), attributes, c.increase);
        EXPECT_EQ(indent.string(), S(c.indent));
        if (indent.length() > 0) {
            EXPECT_EQ(indent.attributesAtIndex(indent.length() - 1), attributes);
        }
    }
}

TEST(ZSUtilsText, FormattingMask)
{
    const auto heading = [](quint64 level) { return Value(ZQHeadingStyle::initWithUuid("H", level)); };
    struct Case {
        Attributes attributes;
        qint64 mask;
    };
    const Case cases[] = {
        {{{plat::FontAttribute, Value(plat::Font::create("Menlo", 14, true, true))}, {ZQAttr::FilterHeading, heading(3)}},
         0x312},
        {{{ZQAttr::FilterHeading, heading(1)}}, 0x6},
        {{{ZQAttr::FilterHeading, heading(6)}}, 0x82},
        {{{ZQAttr::FilterHeading, heading(0)}}, 0x2},
        {{{ZQAttr::FilterHeading, heading(7)}}, 0x2},
        {{{plat::FontAttribute, Value(plat::Font::create("Menlo", 14, false, true))}, {ZQAttr::FilterItalic, "Italic"}},
         0x200},
        {{{plat::StrikethroughAttribute, Value(1)}, {ZQAttr::FilterCode, "Code"}}, 0xC00},
        {{{ZQAttr::FilterLink, "l"}, {ZQAttr::MacroFootnote, "f"}, {ZQAttr::MacroImage, "i"}, {ZQAttr::MacroTag, "t"}},
         0xB08000},
        {{{plat::UnderlineAttribute, Value(1)}, {ZQAttr::Entity, "&amp;"}, {ZQAttr::Escaped, "esacped"}, {"other", 1}},
         0},
        {{{plat::FontAttribute, Value(plat::Font::create("Menlo", 14))}}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZSUtils::textAttributesTokeycode(c.attributes), c.mask) << std::hex << c.mask;
}

TEST(ZSUtilsText, ContainerPrefixesOfRichLines)
{
    // "\t1.\tone\n" list, "> two\n" quote, "\t\t-\tx\n" indented list, "plain".
    MutableAttributedString s(S(u"\t1.\tone\n> two\n\t\t-\tx\nplain"));
    s.addAttribute(ZQAttr::FilterList, Value("list"), Range(0, 4));
    s.addAttribute(ZQAttr::FilterQuote, Value("quote"), Range(8, 2));
    s.addAttribute(ZQAttr::InListIndent, Value("indent"), Range(14, 1));
    s.addAttribute(ZQAttr::FilterList, Value("list"), Range(15, 3));

    struct Case {
        qsizetype position;
        Range content;
    };
    const Case cases[] = {
        {5, Range(4, 4)},
        {4, Range(4, 4)},
        {2, Range(0, 8)},   // inside the prefix: a run ending after the position does not count
        {10, Range(10, 4)},
        {18, Range(18, 2)}, // the largest end of the three
        {16, Range(15, 5)},
        {22, Range(20, 5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(ZSUtils::containerLineRangeForRich(s, c.position), c.content);
    }
    EXPECT_EQ(ZSUtils::lineRangesOfContainerBlock(s, Range(0, s.length())),
              (Ranges{Range(4, 4), Range(10, 4), Range(18, 2), Range(20, 5)}));
    EXPECT_EQ(ZSUtils::lineRanges(s, Range(5, 10)), (Ranges{Range(0, 8), Range(8, 6), Range(14, 6)}));
}

TEST(ZSUtilsText, AttributesAtInsertionPointPreferTheHeadingLine)
{
    if (!ZSSettings::sharedSettings())
        ZSSettings::hookPlatformSettings(ZSSettings::create());
    const Attributes heading{{ZQAttr::FilterHeading, Value(ZQHeadingStyle::initWithUuid("H", 1))},
                             {plat::FontAttribute, Value(plat::Font::create("Menlo", 20, true))}};
    MutableAttributedString s("Title\nbody", heading);
    s.addAttribute("caret", Value(1), Range(3, 2));
    s.setAttributes({{"body", Value(1)}}, Range(6, 4));
    const Attributes body{{"body", Value(1)}};
    const Attributes defaults = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
    ASSERT_FALSE(defaults.isEmpty());

    struct Case {
        const AttributedString* text;
        qsizetype position;
        Attributes expected;
    };
    const AttributedString empty;
    const AttributedString headingOnly("Title\n", heading);
    const Case cases[] = {
        {&s, 4, heading}, // the caret's own attributes differ
        {&s, 8, body},
        {&s, 10, body},
        {&headingOnly, 6, heading}, // the empty last line has no start: the newline's attributes
        {&empty, 0, defaults},
        {&s, 50, defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(ZSUtils::attributesAtInsertionPoint(c.position, *c.text, ZQEditorType::Rich), c.expected);
    }
}

TEST(ZSUtilsText, ProtectedRunsAndTheSelectionForAMacro)
{
    MutableAttributedString s("RAW  hello\nworld");
    s.addAttribute(ZQAttr::Raw, Value("raw"), Range(0, 3));
    s.addAttribute(ZQAttr::Raw, Value("raw"), Range(15, 1));
    s.addAttribute(ZQAttr::Readonly, Value("ro"), Range(12, 2));

    EXPECT_FALSE(ZSUtils::canBeMarkerChar(s, 1));
    EXPECT_TRUE(ZSUtils::canBeMarkerChar(s, 3));
    EXPECT_FALSE(ZSUtils::canBeMarkerChar(s, 12));
    EXPECT_FALSE(ZSUtils::canBeMarkerChar(s, 16)); // the end looks at the last character
    EXPECT_THROW(ZSUtils::canBeMarkerChar(AttributedString(), 0), plat::RangeError);

    EXPECT_EQ(ZSUtils::getRichRawRanges(s, Range(0, 16)), (Ranges{Range(15, 1), Range(0, 3), Range(12, 2)}));
    EXPECT_EQ(ZSUtils::getRichRawRanges(s, Range(1, 12)), (Ranges{Range(1, 2), Range(12, 1)}));

    EXPECT_EQ(ZSUtils::getFirstValidSelectRange(s, Range(0, 16), ZQEditorType::Rich, ZQMarkupType::Markdown),
              Range(5, 5));
    EXPECT_TRUE(
        ZSUtils::getFirstValidSelectRange(s, Range(0, 3), ZQEditorType::Rich, ZQMarkupType::Markdown).isNotFound());
    const AttributedString plain(" \n  a b \nc");
    EXPECT_EQ(ZSUtils::getFirstValidSelectRange(plain, Range(0, 10), ZQEditorType::Rich, ZQMarkupType::Markdown),
              Range(4, 3));
}

TEST(ZSUtilsText, EscapeMarkersTakeTheThemeColour)
{
    const ZSTextThemePtr theme = ZSTextTheme::sharedTheme();
    const plat::ColorPtr rich = plat::Color::rgba(1, 0, 0);
    const plat::ColorPtr markup = plat::Color::rgba(0, 0, 1);
    theme->setRichEscapeColor(rich);
    theme->setMkEscapeColor(markup);

    const auto pair = plat::Regex::create("\\*\\*(.+?)\\*\\*");
    const auto optional = plat::Regex::create("x(y)?z");
    MutableAttributedString s("a**b**c xz");
    ZSUtils::escapeAttributedString(s, *pair->firstMatch(s.string(), Range(0, 10)), ZQEditorType::Rich);
    ZSUtils::escapeAttributedString(s, *optional->firstMatch(s.string(), Range(0, 10)), ZQEditorType::Markup);

    const QString escaped = QStringLiteral("esacped");
    struct Expect {
        qsizetype index;
        plat::ColorPtr color;
    };
    const Expect expected[] = {{0, nullptr}, {1, rich}, {2, rich}, {3, nullptr}, {4, rich},
                               {5, rich},    {6, nullptr}, {8, markup}, {9, markup}};
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(s.attributeAtIndex(plat::ForegroundColorAttribute, e.index), Value(e.color));
        EXPECT_EQ(s.attributeAtIndex(ZQAttr::Escaped, e.index), e.color ? Value(escaped) : Value());
    }
    ZSUtils::escapeAttributedString(s, Range(6, 1), ZQEditorType::Markup);
    EXPECT_EQ(s.attributeAtIndex(plat::ForegroundColorAttribute, 6), Value(markup));
}

} // namespace
