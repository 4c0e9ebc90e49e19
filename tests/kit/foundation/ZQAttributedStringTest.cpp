#include "support/Utf16.h"
#include "kit/model/ZQAttributedString.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/Font.h"
#include "platform/text/TextStorage.h"

#include <gtest/gtest.h>

namespace ZA = ZQAttributedString;
namespace ZM = ZQMutableAttributedString;
using plat::Attributes;
using plat::AttributedString;
using plat::CharacterSet;
using plat::MutableAttributedString;
using plat::Range;
using plat::Value;

namespace {

const QString kMark = QStringLiteral("mark");

// Text whose characters at the given positions carry "mark" = their position,
// so every character is a run of its own and can be traced after edits.
MutableAttributedString traced(const QString& text)
{
    MutableAttributedString s(text);
    for (qsizetype i = 0; i < text.size(); ++i)
        s.addAttribute(kMark, Value(qint64(i)), Range(i, 1));
    return s;
}

// The "mark" values per character, -1 where absent.
std::vector<qint64> marks(const AttributedString& s)
{
    std::vector<qint64> out;
    for (qsizetype i = 0; i < s.length(); ++i) {
        const Value v = s.attributeAtIndex(kMark, i);
        out.push_back(v.isNull() ? -1 : v.toInteger());
    }
    return out;
}

TEST(ZQAttributedString, LineRangeEndsAtEveryNewlineCharacter)
{
    struct Case {
        const char16_t* text;
        Range range;
        Range line;
        Range withoutNewline;
    };
    const Case cases[] = {
        {u"ab\ncd", Range(4, 0), Range(3, 2), Range(3, 2)},
        {u"\na", Range(0, 0), Range(0, 1), Range(0, 0)},
        {u"ab\r\ncd", Range(1, 0), Range(0, 3), Range(0, 2)}, // CR LF is two lines
        {u"ab\r\ncd", Range(3, 0), Range(3, 1), Range(3, 0)},
        {u"a\vb", Range(2, 0), Range(2, 1), Range(2, 1)},       // VT ends a line here
        {u"ab\n", Range(3, 0), Range(3, 0), Range(3, 0)},       // the empty last line
        {u"ab\ncd\nef", Range(1, 3), Range(0, 6), Range(0, 5)}, // up to the line of the last position
        {u"ab\ncd", Range(0, 3), Range(0, 3), Range(0, 2)},     // a range ending with the newline
        {u"", Range(0, 0), Range(0, 0), Range(0, 0)},
    };
    for (const Case& c : cases) {
        const AttributedString s(S(c.text));
        SCOPED_TRACE(s.string().toStdString() + " @" + plat::toString(c.range).toStdString());
        EXPECT_EQ(ZA::lineRange(s, c.range), c.line);
        EXPECT_EQ(ZA::lineRange(s, c.range, true), c.withoutNewline);
    }
    EXPECT_THROW(ZA::lineRange(AttributedString("ab"), Range(3, 0)), plat::RangeError);
}

TEST(ZQAttributedString, LineWalksVisitEveryLineOnce)
{
    struct Case {
        const char16_t* text;
        std::vector<QString> lines;
    };
    const Case cases[] = {
        {u"ab\n\ncd", {"ab\n", "\n", "cd"}},
        {u"ab\nc", {"ab\n", "c"}},
        {u"a\r\n", {"a\r", "\n"}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(S(c.text).toStdString());
        std::vector<QString> lines;
        ZA::enumerateLinesUsingBlock(AttributedString(S(c.text)),
                                     [&](const AttributedString& line, bool*) { lines.push_back(line.string()); });
        EXPECT_EQ(lines, c.lines);
    }

    const AttributedString text("ab\ncd\nef\ngh");
    struct RangeCase {
        Range range;
        std::vector<Range> lines;
    };
    const RangeCase ranges[] = {
        {Range(1, 4), {Range(0, 3), Range(3, 3)}},
        {Range(4, 0), {Range(3, 3)}},                   // an empty range still visits its line
        {Range(3, 3), {Range(3, 3)}},                   // the next line begins at the end: not visited
        {Range(7, 100), {Range(6, 3), Range(9, 2)}},    // cut to the text
        {Range(11, 0), {Range(9, 2)}},
    };
    for (const RangeCase& c : ranges) {
        SCOPED_TRACE(plat::toString(c.range).toStdString());
        std::vector<Range> lines;
        ZA::enumerateLinesRangeUsingBlock(text, [&](Range line, bool*) { lines.push_back(line); }, c.range);
        EXPECT_EQ(lines, c.lines);
    }
    int visited = 0;
    ZA::enumerateLinesRangeUsingBlock(text, [&](Range, bool* stop) { *stop = ++visited == 2; }, Range(0, 11));
    EXPECT_EQ(visited, 2);
}

TEST(ZQAttributedString, TrimmingKeepsTheAttributesOfWhatStays)
{
    const MutableAttributedString s = traced(S(u" \t a b\n\u2029"));
    EXPECT_EQ(ZA::trim(s).string(), "a b");
    EXPECT_EQ(marks(ZA::trim(s)), (std::vector<qint64>{3, 4, 5}));
    EXPECT_EQ(ZA::trim(AttributedString(" \n ")).length(), 0);
    EXPECT_EQ(ZA::attributedTrimLeadingSpaces(s).string(), S(u"a b\n\u2029"));
    EXPECT_EQ(ZA::attributedStringByTrimmingTrailingCharactersInSet(s, CharacterSet::newline()).string(),
              " \t a b");
    EXPECT_EQ(ZA::attributedSubstringFromIndex(s, 5).string(), S(u"b\n\u2029"));
    EXPECT_EQ(ZA::attributedSubstringFromIndex(s, 8).length(), 0);
    EXPECT_EQ(ZA::attributedSubstringFromIndex(s, 20).length(), 0);

    MutableAttributedString m = s;
    ZM::trimMutableAttributedString(m);
    EXPECT_EQ(m.string(), "a b");
    EXPECT_EQ(marks(m), (std::vector<qint64>{3, 4, 5}));
    MutableAttributedString blank(" \t ");
    ZM::trimInCharacterSet(blank, CharacterSet::whitespace());
    EXPECT_EQ(blank.length(), 0);
    MutableAttributedString dots("..a..");
    ZM::trimTrailingCharactersSet(dots, CharacterSet::fromString("."));
    EXPECT_EQ(dots.string(), "..a");
}

TEST(ZQAttributedString, DeepCopyGivesTheCopyItsOwnListsSharedAsBefore)
{
    const auto list = ZQListStyle::initWithMarkerFormat("{decimal}.", 1);
    MutableAttributedString s("one\ntwo\nthree");
    s.addAttribute(ZQAttr::FilterList, Value(list), Range(0, 4));
    s.addAttribute(ZQAttr::FilterList, Value(list), Range(8, 5));
    s.addAttribute(kMark, Value(1), Range(8, 5)); // the third line is another run

    const MutableAttributedString copy = ZA::deepCopy(s);
    const auto first = copy.attributeAtIndex(ZQAttr::FilterList, 0).toObject();
    const auto third = copy.attributeAtIndex(ZQAttr::FilterList, 8).toObject();
    EXPECT_NE(first, list);
    EXPECT_EQ(first, third);
    EXPECT_TRUE(copy.attributeAtIndex(ZQAttr::FilterList, 4).isNull());
    EXPECT_EQ(s.attributeAtIndex(ZQAttr::FilterList, 0).toObject(), list);
    EXPECT_EQ(copy.string(), s.string());
}

TEST(ZQAttributedString, FindAttributeInEitherDirection)
{
    MutableAttributedString s("aaBBccDDee");
    s.addAttribute(kMark, Value("x"), Range(2, 2));
    s.addAttribute(kMark, Value("y"), Range(6, 2));
    EXPECT_EQ(ZA::findAttribute(s, kMark, Range(0, 10), 0), Range(2, 2));
    EXPECT_EQ(ZA::findAttribute(s, kMark, Range(0, 10), plat::EnumerationReverse), Range(6, 2));
    EXPECT_EQ(ZA::findAttribute(s, kMark, Range(3, 5), 0), Range(3, 1)); // clipped to the range
    EXPECT_TRUE(ZA::findAttribute(s, kMark, Range(4, 2), 0).isNotFound());

    Range effect(99, 99);
    EXPECT_EQ(ZA::findAttributeValue(s, kMark, Range(0, 10), plat::EnumerationReverse, &effect), Value("y"));
    EXPECT_EQ(effect, Range(6, 2));
    effect = Range(99, 99);
    EXPECT_TRUE(ZA::findAttributeValue(s, kMark, Range(0, 2), 0, &effect).isNull());
    EXPECT_EQ(effect, Range(99, 99));
}

TEST(ZQAttributedString, AppendingAndInsertingWithoutAttributesAddsNone)
{
    MutableAttributedString s("ab\n", {{kMark, Value(1)}});
    ZM::appendStringBeforeLineEnd(s, "X");
    ZM::insertString(s, "Y", 1);
    EXPECT_EQ(s.string(), "aYbX\n");
    EXPECT_TRUE(s.attributesAtIndex(1).isEmpty());
    EXPECT_TRUE(s.attributesAtIndex(3).isEmpty());
    ZM::appendString(s, "Z");
    EXPECT_TRUE(s.attributesAtIndex(5).isEmpty());
    ZM::appendString(s, "W", {{kMark, Value(2)}});
    EXPECT_EQ(s.attributeAtIndex(kMark, 6), Value(2));

    MutableAttributedString noNewline("ab");
    ZM::appendStringBeforeLineEnd(noNewline, "X");
    EXPECT_EQ(noNewline.string(), "abX");
}

TEST(ZQAttributedString, ReplacementsTakeTheAttributesOfTheReplacedCharacter)
{
    MutableAttributedString html = traced("a<b&\"");
    ZM::escapeHTMLEntity(html);
    EXPECT_EQ(html.string(), "a&lt;b&amp;&quot;");
    EXPECT_EQ(marks(html), (std::vector<qint64>{0, 1, 1, 1, 1, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 4}));

    MutableAttributedString spaced = traced(S(u"a  b \t c"));
    EXPECT_EQ(ZM::replaceOccurrencesOfString(spaced, "\\s+", " ", Range(0, 8)), 2);
    EXPECT_EQ(spaced.string(), "a b c");
    EXPECT_EQ(marks(spaced), (std::vector<qint64>{0, 1, 3, 4, 7}));

    MutableAttributedString within("a  b  c");
    EXPECT_EQ(ZM::replaceOccurrencesOfString(within, "\\s+", " ", Range(0, 4)), 1);
    EXPECT_EQ(within.string(), "a b  c");
    EXPECT_EQ(ZM::replaceOccurrencesOfString(within, "(", " ", Range(0, 6)), 0);
    EXPECT_EQ(within.string(), "a b  c");

    const AttributedString shrunk = ZA::shrinkSpaces(traced(S(u" \ta \n\n b  ")));
    EXPECT_EQ(shrunk.string(), "a b");
    EXPECT_EQ(marks(shrunk), (std::vector<qint64>{2, 3, 7}));
    EXPECT_EQ(ZA::shrinkSpaces(AttributedString(" \n\t")).length(), 0);
}

TEST(ZQAttributedString, RawMaskCoversOnlyTheLineAndNeverANewline)
{
    MutableAttributedString s("a*b\n*c*\r\nd*");
    s.addAttribute(ZQAttr::Raw, Value("raw"), Range(0, 7));
    s.addAttribute(ZQAttr::Escaped, Value("esacped"), Range(9, 1));
    struct Case {
        qsizetype index;
        QString masked;
    };
    const Case cases[] = {
        {1, "vvv\n*c*\r\nd*"},  // the raw newline stays
        {0, "vvv\n*c*\r\nd*"},
        {5, "a*b\nvvv\r\nd*"},
        {8, "a*b\n*c*\r\nd*"},  // the LF after CR is a line of its own
        {11, "a*b\n*c*\r\nv*"}, // the end counts as the last character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(ZA::escapeRawStringForParagraph(s, c.index), c.masked);
    }
    EXPECT_EQ(ZA::escapeRawStringForParagraph(AttributedString(), 0), "");
}

class TypingAttributes : public ::testing::Test {
protected:
    const plat::FontPtr plain = plat::Font::create("Menlo", 14);
    const plat::FontPtr bold = plat::Font::create("Menlo", 14, true);
    const plat::FontPtr italic = plat::Font::create("Menlo", 14, false, true);
    const plat::FontPtr defaultFont = plat::Font::create("Helvetica", 12);
    const Attributes defaults{{plat::FontAttribute, Value(defaultFont)}, {"default", Value(1)}};

    Attributes typing(const AttributedString& s, Range range) const
    {
        return ZA::typingAttributeInRange(s, range, defaults);
    }
    static plat::FontPtr fontOf(const Attributes& attributes)
    {
        return attributes.value(plat::FontAttribute).toObject<plat::Font>();
    }
};

TEST_F(TypingAttributes, AtACaretTakeTheNeighbouringCharacter)
{
    const MutableAttributedString s = traced("ab\ncd\n");
    struct Case {
        qsizetype caret;
        qint64 mark;
    };
    const Case cases[] = {{0, 0}, {2, 1}, {3, 3}, {4, 3}, {6, 5}}; // 3: start of the next line; 6: the end after a newline
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caret);
        EXPECT_EQ(typing(s, Range(c.caret, 0)).value(kMark), Value(c.mark));
    }
    EXPECT_EQ(typing(AttributedString(), Range(0, 0)), defaults);
    EXPECT_THROW(typing(s, Range(7, 0)), plat::RangeError);
}

TEST_F(TypingAttributes, SelectionKeepsWhatCoversAllOfIt)
{
    MutableAttributedString s("abcdef");
    s.addAttribute(plat::FontAttribute, Value(bold), Range(0, 6));
    s.addAttribute(kMark, Value(1), Range(0, 3));
    s.addAttribute(kMark, Value(2), Range(3, 3)); // same name, other value: still covers
    s.addAttribute("partial", Value(1), Range(0, 2));

    const Attributes all = typing(s, Range(0, 6));
    EXPECT_TRUE(fontOf(all)->isBold());
    EXPECT_EQ(all.value(kMark), Value(1)); // the value of the first run
    EXPECT_FALSE(all.contains("partial"));
    EXPECT_EQ(all.value("default"), Value(1));

    s.addAttribute(plat::FontAttribute, Value(plain), Range(4, 1));
    EXPECT_EQ(fontOf(typing(s, Range(0, 6))), defaultFont); // bold in part only

    // Bold throughout by font, italic by font and by a "*" marker: the first
    // run's font made italic.
    MutableAttributedString both("abc");
    both.addAttribute(plat::FontAttribute, Value(bold), Range(0, 1));
    both.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("*")), Range(0, 1));
    both.addAttribute(plat::FontAttribute, Value(plat::Font::create("Menlo", 16, true, true)), Range(1, 2));
    const Attributes boldItalic = typing(both, Range(0, 3));
    EXPECT_TRUE(fontOf(boldItalic)->isEqual(*plat::Font::create("Menlo", 14, true, true)));
    EXPECT_EQ(boldItalic.value(ZQAttr::FilterItalic), Value("Italic"));
}

TEST_F(TypingAttributes, PairedMarkersCountAsTheirStyle)
{
    // "**b**" in markup: markers carry the paired object, all of it a bold font.
    MutableAttributedString s("**b**");
    s.addAttribute(plat::FontAttribute, Value(bold), Range(0, 5));
    s.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("**")), Range(0, 2));
    s.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("**")), Range(3, 2));
    EXPECT_TRUE(fontOf(typing(s, Range(0, 5)))->isBold());

    // "*b*" with plain font everywhere: the markers make the middle italic.
    MutableAttributedString em("*b*");
    em.addAttribute(plat::FontAttribute, Value(plain), Range(0, 3));
    em.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("*")), Range(0, 1));
    em.addAttribute(plat::FontAttribute, Value(italic), Range(1, 1));
    em.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("*")), Range(2, 1));
    const Attributes emphasis = typing(em, Range(0, 3));
    EXPECT_TRUE(fontOf(emphasis)->isItalic());
    EXPECT_FALSE(fontOf(emphasis)->isBold());

    // "`c`" marks code; without any font bold and italic add nothing.
    MutableAttributedString code("`c`");
    const auto tick = ZQPairedAttribute::initWithMarker("`");
    code.addAttribute(ZQAttr::Paired, Value(tick), Range(0, 1));
    code.addAttribute(ZQAttr::FilterCode, Value("Code"), Range(1, 1));
    code.addAttribute(ZQAttr::Paired, Value(ZQPairedAttribute::initWithMarker("`")), Range(2, 1));
    const Attributes coded = typing(code, Range(0, 3));
    EXPECT_EQ(coded.value(ZQAttr::FilterCode).toObject(), tick);
    EXPECT_EQ(fontOf(coded), defaultFont);
}

TEST(ZQAttributedString, TabExpansionRoundTrips)
{
    const QString text = S(u"a\tb\t\tc\n\td");
    MutableAttributedString s = traced(text);
    ZM::tabExpansion(s);
    EXPECT_EQ(s.string(), S(u"a   b       c\n    d"));
    // Expanded from the last line, left to right within a line.
    EXPECT_EQ(s.attributeAtIndex(ZQAttr::TabExpansion, 14), Value("4-1"));
    EXPECT_EQ(s.attributeAtIndex(ZQAttr::TabExpansion, 1), Value("3-2"));
    EXPECT_EQ(s.attributeAtIndex(ZQAttr::TabExpansion, 5), Value("3-3"));
    EXPECT_EQ(s.attributeAtIndex(ZQAttr::TabExpansion, 8), Value("4-4"));
    EXPECT_TRUE(s.attributeAtIndex(kMark, 1).isNull()); // the TAB's own attributes are not kept
    EXPECT_EQ(s.attributeAtIndex(kMark, 12), Value(5));

    ZM::restoreTabExpansion(s);
    EXPECT_EQ(s.string(), text);
    EXPECT_TRUE(ZA::findAttribute(s, ZQAttr::TabExpansion, Range(0, s.length()), 0).isNotFound());

    MutableAttributedString edited(S(u"\tx\ty"));
    ZM::tabExpansion(edited);
    edited.replaceCharacters(Range(1, 1), "-"); // inside the first expansion
    ZM::restoreTabExpansion(edited);
    EXPECT_EQ(edited.string(), S(u" -  x\ty"));
    EXPECT_TRUE(ZA::findAttribute(edited, ZQAttr::TabExpansion, Range(0, edited.length()), 0).isNotFound());
}

TEST(ZQAttributedString, BackslashEscapesBecomeAttributesAndBack)
{
    struct Case {
        const char16_t* text;
        const char16_t* result;
        std::vector<bool> escaped;
    };
    const Case cases[] = {
        {u"\\\\*", u"\\*", {true, false}},
        {u"\\\\\\*", u"\\*", {true, true}}, // escapes pair from the left
        {u"\\a", u"\\a", {false, false}},
        {u"\\*\\_", u"*_", {true, true}},
        {u"x\\", u"x\\", {false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(S(c.text).toStdString());
        MutableAttributedString s(S(c.text));
        ZM::escapeEscapeSlashToAttribute(s);
        EXPECT_EQ(s.string(), S(c.result));
        std::vector<bool> escaped;
        for (qsizetype i = 0; i < s.length(); ++i)
            escaped.push_back(!s.attributeAtIndex(ZQAttr::Escaped, i).isNull());
        EXPECT_EQ(escaped, c.escaped);
    }

    // Adjacent escapes stay separate runs; raw ones get their backslash back, once.
    MutableAttributedString s("a\\*\\_b\\#");
    ZM::escapeEscapeSlashToAttribute(s);
    EXPECT_EQ(ZA::findAttribute(s, ZQAttr::Escaped, Range(0, s.length()), 0), Range(1, 1));
    s.addAttribute(ZQAttr::Raw, Value("raw"), Range(0, 4));
    ZM::unescapeSlashFromRawAttribute(s);
    EXPECT_EQ(s.string(), "a\\*\\_b#");
    EXPECT_TRUE(s.attributesAtIndex(1).isEmpty());
    EXPECT_TRUE(s.attributeAtIndex(ZQAttr::Escaped, 2).isNull());
    EXPECT_FALSE(s.attributeAtIndex(ZQAttr::Escaped, 6).isNull()); // not raw
    ZM::unescapeSlashFromRawAttribute(s);
    EXPECT_EQ(s.string(), "a\\*\\_b#");
}

TEST(ZQAttributedString, AttributeRunsAroundALocation)
{
    MutableAttributedString s("aabbccdd");
    s.addAttribute(kMark, Value(1), Range(2, 2));
    s.addAttribute(kMark, Value(2), Range(4, 2));
    EXPECT_EQ(ZM::longestRangeForAttribute(s, kMark, 3), Range(2, 2));
    EXPECT_TRUE(ZM::longestRangeForAttribute(s, kMark, 6).isNotFound());
    EXPECT_TRUE(ZM::longestRangeForAttribute(s, kMark, 8).isNotFound());

    struct Case {
        qsizetype location;
        Range removed;
    };
    const Case cases[] = {{4, Range(2, 4)}, {2, Range(2, 4)}, {6, Range(2, 4)}, {1, Range(1, 0)}, {8, Range(8, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        MutableAttributedString copy = s;
        EXPECT_EQ(ZM::removeSurroundingAttribute(copy, kMark, c.location), c.removed);
        EXPECT_EQ(ZA::findAttribute(copy, kMark, Range(0, 8), 0).isNotFound(), c.removed.length > 0);
    }
}

TEST(ZQAttributedString, UndoableReplacementAlternatesTheFlag)
{
    plat::TextStorage storage(AttributedString("hello world", {{kMark, Value(1)}}));
    const auto undo = std::make_shared<plat::UndoManager>();
    std::vector<std::tuple<bool, qsizetype, qsizetype>> calls;
    const auto block = [&](bool flag, qsizetype location, qsizetype length) {
        EXPECT_TRUE(storage.isEditing());
        calls.emplace_back(flag, location, length);
    };
    ZM::replaceCharactersInRange(storage, Range(6, 5), AttributedString("there"), undo, "Edit", true, block);
    EXPECT_EQ(storage.string(), "hello there");
    EXPECT_EQ(undo->undoActionName(), "Edit");

    undo->undo();
    EXPECT_EQ(storage.string(), "hello world");
    EXPECT_EQ(storage.attributeAtIndex(kMark, 8), Value(1));
    undo->redo();
    EXPECT_EQ(storage.string(), "hello there");
    undo->undo();
    EXPECT_EQ(storage.string(), "hello world");
    using Call = std::tuple<bool, qsizetype, qsizetype>;
    EXPECT_EQ(calls, (std::vector<Call>{{true, 6, 5}, {false, 6, 5}, {true, 6, 5}, {false, 6, 5}}));

    // No replacement deletes; an empty range restores to nothing.
    ZM::replaceCharactersInRange(storage, Range(5, 6), std::nullopt, undo, "Delete");
    EXPECT_EQ(storage.string(), "hello");
    undo->undo();
    EXPECT_EQ(storage.string(), "hello world");
    ZM::replaceCharactersInRange(storage, Range(0, 0), AttributedString(">"), undo, "Insert");
    undo->undo();
    EXPECT_EQ(storage.string(), "hello world");
    undo->removeAllActionsWithTarget(&storage);
}

} // namespace
