#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"

#include "platform/foundation/KeyedArchive.h"

#include "support/ArchiveRoundTrip.h"

#include <gtest/gtest.h>

#include <utility>

namespace {


TEST(ZQStyles, UuidStylesAreEqualByUuidAndClassOnly)
{
    EXPECT_TRUE(ZQImageStyle::initWithUuid("A")->isEqual(*ZQImageStyle::initWithUuid("A")));
    EXPECT_FALSE(ZQImageStyle::initWithUuid("A")->isEqual(*ZQImageStyle::initWithUuid("B")));
    EXPECT_FALSE(ZQImageStyle::initWithUuid("A")->isEqual(*ZQLinkStyle::initWithUuid("A")));
    EXPECT_FALSE(ZQImageStyle::initWithUuid(QString())->isEqual(*ZQImageStyle::initWithUuid(QString())));
    EXPECT_TRUE(ZQFootnoteStyle::initWithUuid("F", 1)->isEqual(*ZQFootnoteStyle::initWithUuid("F", 7)));
    auto heading = ZQHeadingStyle::initWithUuid("H", 2);
    auto other = ZQHeadingStyle::initWithUuid("H", 5);
    other->setHeadingType(1);
    EXPECT_TRUE(heading->isEqual(*other));
    EXPECT_EQ(heading->hash(), other->hash());
    auto quote = ZQQuoteStyle::create();
    EXPECT_FALSE(quote->isEqual(*quote->copy()));
    EXPECT_TRUE(quote->isEqual(*quote));
}

TEST(ZQStyles, StylesArchiveUnderTheirKeys)
{
    auto footnote = archiveRoundTrip(ZQFootnoteStyle::initWithUuid("F1", 3));
    ASSERT_TRUE(footnote);
    EXPECT_EQ(footnote->uuid(), QStringLiteral("F1"));
    EXPECT_EQ(footnote->fnIndex(), 3);

    auto block = archiveRoundTrip(ZQTextBlockStyle::initWithUuid("T1", "ZQFilterLink", nullptr, plat::Color::rgba(0.5, 0.25, 1, 0.3)));
    ASSERT_TRUE(block);
    EXPECT_EQ(block->name(), QStringLiteral("ZQFilterLink"));
    EXPECT_FALSE(block->bkColor());
    EXPECT_TRUE(block->borderColor()->isEqual(*plat::Color::rgba(0.5, 0.25, 1, 0.3)));

    auto headingSource = ZQHeadingStyle::initWithUuid("H1", 4);
    headingSource->setHeadingType(1);
    auto heading = archiveRoundTrip(headingSource);
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->level(), 4u);
    EXPECT_EQ(heading->headingType(), 1u);

    auto invalidQuote = ZQQuoteStyle::create();
    invalidQuote->setIsInvalid(true);
    EXPECT_TRUE(archiveRoundTrip(invalidQuote)->isInvalid());
    EXPECT_TRUE(plat::objectCast<ZQQuoteStyle>(invalidQuote->copy())->isInvalid());

    auto closing = plat::objectCast<ZQPairedAttribute>(ZQPairedAttribute::initWithMarker("**")->copy());
    auto paired = archiveRoundTrip(closing);
    ASSERT_TRUE(paired);
    EXPECT_TRUE(paired->isClose());
    EXPECT_EQ(paired->marker(), QStringLiteral("**"));
    EXPECT_EQ(paired->uuid(), closing->uuid());
}

TEST(ZQStyles, MissingKeysDecodeAsZero)
{
    // A heading archived by an older version had no heading type.
    class OldHeading : public plat::Object {
    public:
        QString className() const override { return QStringLiteral("ZQHeadingStyle"); }
        bool supportsCoding() const override { return true; }
        void encodeWithCoder(plat::KeyedArchiver& c) const override
        {
            c.encodeString("uuid", "H");
            c.encodeInteger("level", 2);
        }
    };
    auto heading = plat::objectCast<ZQHeadingStyle>(
        plat::KeyedUnarchiver::unarchiveObject(plat::KeyedArchiver::archivedData(std::make_shared<OldHeading>())));
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->headingType(), 0u);
    EXPECT_EQ(heading->level(), 2u);
}

TEST(ZQStyles, CopiedPairedMarkerIsTheClosingHalf)
{
    auto open = ZQPairedAttribute::initWithMarker("~~");
    EXPECT_FALSE(open->isClose());
    EXPECT_EQ(open->uuid().size(), 36);
    auto close = plat::objectCast<ZQPairedAttribute>(open->copy());
    EXPECT_TRUE(close->isClose());
    EXPECT_TRUE(open->isPairWith(*close));
    EXPECT_TRUE(close->isPairWith(*open));
    EXPECT_TRUE(plat::objectCast<ZQPairedAttribute>(close->copy())->isClose());
    EXPECT_FALSE(open->isEqual(*close));
    EXPECT_EQ(close->description(), QStringLiteral("C - ~~"));
}

TEST(ZQListStyle, LevelsCompareByKindNumbersAndIndex)
{
    auto a = ZQTextList::initWithMarkerFormat("{decimal}.", 1);
    EXPECT_TRUE(a->isEqual(*ZQTextList::initWithMarkerFormat("{decimal})", 1)));
    EXPECT_FALSE(a->isEqual(*ZQTextList::initWithMarkerFormat("{disc}", 1)));
    EXPECT_FALSE(a->isEqual(*ZQTextList::initWithMarkerFormat("{decimal}.", 2)));
    EXPECT_TRUE(a->isOrderList());
    EXPECT_EQ(a->markerForItemNumber(3), QStringLiteral("3."));
    EXPECT_EQ(a->listIndex(), 3u);

    auto one = ZQListStyle::initWithMarkerFormat("{decimal}.", 1);
    auto two = ZQListStyle::initWithMarkerFormat("{decimal})", 1);
    EXPECT_TRUE(one->isEqual(*two));
    two->setMarkerRange(plat::Range(0, 3));
    EXPECT_FALSE(one->isEqual(*two));
    EXPECT_TRUE(ZQListStyle::initWithTextLists({})->isEqual(*ZQListStyle::initWithTextLists({})));
}

TEST(ZQListStyle, LevelOperations)
{
    auto c = ZQTextList::initWithMarkerFormat("{disc}", 1);
    auto style = ZQListStyle::initWithTextLists({c});
    EXPECT_EQ(style->textLists()[0], c); // the level object itself is held
    EXPECT_EQ(style->level(), 0);
    EXPECT_TRUE(style->markerRange().isNotFound());
    EXPECT_FALSE(style->decreaseLevel());
    EXPECT_EQ(style->textLists().size(), 1u);

    style->increaseLevel();
    ASSERT_EQ(style->textLists().size(), 2u);
    EXPECT_EQ(style->textLists()[1]->richMarkerFormat(), QStringLiteral("{disc}"));
    EXPECT_EQ(style->textLists()[1]->startingItemNumber(), 1u);
    EXPECT_EQ(style->textLists()[1]->listIndex(), 0u);
    c->setListIndex(5);
    EXPECT_TRUE(style->decreaseLevel());
    EXPECT_EQ(c->listIndex(), 0u);

    auto a = ZQTextList::initWithMarkerFormat("{decimal}.", 1);
    auto b = ZQTextList::initWithMarkerFormat("{hyphen}", 1);
    style->parentLists({a, b});
    ASSERT_EQ(style->textLists().size(), 3u);
    EXPECT_EQ(style->textLists()[0], a);
    EXPECT_EQ(style->textLists()[2], c);
    style->resetParentLists();
    ASSERT_EQ(style->textLists().size(), 1u);
    EXPECT_EQ(style->textLists()[0], c);

    auto empty = ZQListStyle::initWithTextLists({});
    empty->increaseLevel();
    EXPECT_TRUE(empty->textLists().empty());
}

TEST(ZQListStyle, CopyAndArchiveKeepStructure)
{
    auto style = ZQListStyle::initWithMarkerFormat("{decimal}.", 4);
    style->increaseLevel();
    style->setIsInvalid(true);
    style->setMarkerRange(plat::Range(2, 3));
    style->setLevel(7);

    auto copy = plat::objectCast<ZQListStyle>(style->copy());
    EXPECT_TRUE(copy->markerRange().isNotFound());
    EXPECT_TRUE(copy->isInvalid());
    EXPECT_EQ(copy->level(), 7);
    EXPECT_NE(copy->textLists()[0], style->textLists()[0]);
    EXPECT_TRUE(copy->textLists()[0]->isEqual(*style->textLists()[0]));

    auto decoded = archiveRoundTrip(style);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->level(), 2); // the number of levels
    EXPECT_TRUE(decoded->isInvalid());
    EXPECT_TRUE(decoded->markerRange().isNotFound());
    EXPECT_EQ(decoded->textLists()[0]->startingItemNumber(), 4u);
    EXPECT_EQ(decoded->textLists()[0]->richMarkerFormat(), QStringLiteral("{decimal}."));
}

// An item's style shares the levels of the style around it: the levels read
// back outermost first, a change to one style leaves the others as they were,
// and either form compares and archives like a style built from a list.
TEST(ZQListStyle, NestedStylesShareTheirOuterLevels)
{
    auto outer = ZQListStyle::initWithMarkerFormat("{disc}", 1);
    const ZQTextListPtr outerLevel = outer->textLists()[0];
    const auto middleLevel = ZQTextList::initWithMarkerFormat("{decimal}.", 3);
    auto middle = ZQListStyle::initWithOuterStyle(outer, middleLevel);
    auto inner = ZQListStyle::initWithOuterStyle(middle, ZQTextList::initWithMarkerFormat("{hyphen}", 1));

    EXPECT_EQ(inner->depth(), 3);
    EXPECT_EQ(inner->innermost()->richMarkerFormat(), QStringLiteral("{hyphen}"));
    const auto& levels = std::as_const(*inner).textLists();
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_EQ(levels[0], outerLevel);
    EXPECT_EQ(levels[1], middleLevel);

    const auto listed = ZQListStyle::initWithTextLists(levels);
    EXPECT_TRUE(inner->isEqual(*listed));
    EXPECT_TRUE(listed->isEqual(*inner));
    EXPECT_EQ(inner->hash(), listed->hash());
    EXPECT_FALSE(inner->isEqual(*middle));
    auto decoded = archiveRoundTrip(inner);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->level(), 3);
    EXPECT_EQ(decoded->textLists()[1]->startingItemNumber(), 3u);
    EXPECT_EQ(decoded->innermost()->richMarkerFormat(), QStringLiteral("{hyphen}"));

    // A new innermost level, or levels edited in place, stay with their style.
    middle->setInnermost(ZQTextList::initWithMarkerFormat("{decimal}.", 9));
    EXPECT_EQ(inner->textLists()[1], middleLevel);
    EXPECT_EQ(middle->innermost()->startingItemNumber(), 9u);
    middle->increaseLevel();
    EXPECT_EQ(middle->depth(), 3);
    EXPECT_EQ(inner->depth(), 3);
    EXPECT_EQ(inner->innermost()->richMarkerFormat(), QStringLiteral("{hyphen}"));
    auto sibling = ZQListStyle::initWithOuterStyle(middle, ZQTextList::initWithMarkerFormat("{disc}", 1));
    EXPECT_EQ(sibling->depth(), 4);
    EXPECT_EQ(sibling->textLists()[1]->startingItemNumber(), 9u);
    EXPECT_EQ(ZQListStyle::initWithOuterStyle(nullptr, middleLevel)->depth(), 1);
}

// Nested hundreds of thousands deep (a page of list markers), a style is
// built, read and freed in time and stack proportional to the depth.
TEST(ZQListStyle, DeepNestingIsFreedWithoutRecursion)
{
    std::shared_ptr<ZQListStyle> style;
    const auto level = ZQTextList::initWithMarkerFormat("{disc}", 1);
    for (int i = 0; i < 500000; ++i)
        style = ZQListStyle::initWithOuterStyle(style, level);
    EXPECT_EQ(style->depth(), 500000);
    EXPECT_EQ(std::as_const(*style).textLists().size(), 500000u);
    style.reset();
}

TEST(ZQListStyle, MarkerPatternsAndIndexes)
{
    struct Case {
        const char* format;
        const char* line;
        qsizetype length; // of the match, -1 for none
    };
    const Case cases[] = {
        {"{decimal}.", "  12) item", 6},
        {"{disc}", "\t\u2022\titem", 3},
        {"{check}", "\u2713 done", 2},
        {"{lower-roman}.", "iv. four", 4},
        {"{lower-alpha}.", "b. bee", 3},
        {"{upper-alpha}.", "C) sea", 3},
        {"{decimal}.", "item 1.", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        auto regex = ZQListStyle::richListMakerRegex(QString::fromUtf8(c.format));
        ASSERT_TRUE(regex);
        const QString line = QString::fromUtf8(c.line);
        const plat::Range found = regex->rangeOfFirstMatch(line, plat::wholeRange(line));
        EXPECT_EQ(found.isNotFound() ? -1 : found.length, c.length);
    }
    EXPECT_FALSE(ZQListStyle::richListMakerRegex("{box}"));
    EXPECT_EQ(ZQListStyle::parseListIndex("  12. word", plat::Range(0, 10)), 12);
    EXPECT_EQ(ZQListStyle::parseListIndex("  - word", plat::Range(0, 8)), 0);
    EXPECT_EQ(ZQListStyle::parseListIndex("123", plat::Range(1, 1)), 2);
}

} // namespace
