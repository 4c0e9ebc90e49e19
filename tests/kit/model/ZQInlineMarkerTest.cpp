#include "kit/model/ZQInlineMarker.h"
#include "kit/model/ZQLinkRef.h"
#include "platform/foundation/KeyedArchive.h"

#include <gtest/gtest.h>

using plat::Range;

TEST(ZQInlineMarker, BaseMarkerAndCopies)
{
    auto start = ZQInlineMarkerTag::tagWithRange(Range(4, 2), true, u'*');
    auto end = ZQInlineMarkerTag::tagWithRange(Range(10, 2), false, u'*', true);
    start->setCloseTag(end);
    auto marker = ZQInlineMarker::initBaseInlineMarkerWithStartTag(start, end);
    EXPECT_EQ(marker->markerRange(), Range(4, 8));
    EXPECT_EQ(marker->bodyRange(), Range(6, 4));
    EXPECT_EQ(marker->nodeType(), 28u);
    EXPECT_EQ(marker->delimiter(), u'*');

    marker->setLinkRef(ZQLinkRef::initWithLink("/u", QString()));
    marker->addMarkerAbsoluteRange(Range(100, 2));
    marker->setAttachedUuid("uuid");
    const auto copy = plat::objectCast<ZQInlineMarker>(marker->copy());
    EXPECT_EQ(copy->bodyRange(), Range(6, 4));
    EXPECT_EQ(copy->nodeType(), 28u);
    EXPECT_EQ(copy->markerRange(), Range());
    EXPECT_FALSE(copy->linkRef());
    EXPECT_TRUE(copy->markerAbsoluteRanges().empty());
    EXPECT_TRUE(copy->attachedUuid().isEmpty());
    // Tags are copied, without their pairing.
    ASSERT_TRUE(copy->startTag() && copy->startTag() != start);
    EXPECT_EQ(copy->startTag()->markerRange(), Range(4, 2));
    EXPECT_FALSE(copy->startTag()->closeTag());
    EXPECT_TRUE(copy->endTag()->isForImageAlt());
}

TEST(ZQInlineMarker, BorderOrder)
{
    const auto border = [](qint64 pos1, qint64 pos2, bool open, qint64 key) {
        return ZQInlineMarkerBorder::initBorderWithMarker(nullptr, pos1, pos2, open, key);
    };
    const struct {
        std::shared_ptr<ZQInlineMarkerBorder> a, b;
        int order; // a.compare(b)
    } cases[] = {
        {border(9, 0, true, 1), border(5, 0, true, 2), -1},   // larger position first
        {border(5, 2, false, 1), border(5, 9, true, 1), -1},  // same marker: closing first
        {border(5, 2, false, 1), border(5, 9, true, 2), 1},   // other markers: opening first
        {border(5, 9, true, 1), border(5, 2, false, 2), -1},
        {border(5, 3, true, 1), border(5, 7, true, 2), -1},   // smaller pos2 first
        {border(5, 7, true, 1), border(5, 7, true, 2), 1},    // opening: larger key first
        {border(5, 7, false, 1), border(5, 7, false, 2), -1}, // closing: smaller key first
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a->compare(*c.b), c.order);
        EXPECT_EQ(c.b->compare(*c.a), -c.order);
    }
}

TEST(ZQLinkRef, ValidityCopyAndArchive)
{
    auto ref = ZQLinkRef::initWithLink("/url", "Title");
    EXPECT_FALSE(ref->isValidLinkRef());
    ref->setLabel("foo");
    EXPECT_TRUE(ref->isValidLinkRef());
    ref->setRefLabel("Foo");
    ref->setLinkType(3);
    ref->setIsFootnote(true);
    ref->setFootnoteIndex(4);
    ref->setContentRange(Range(1, 2));

    const auto copy = plat::objectCast<ZQLinkRef>(ref->copy());
    EXPECT_EQ(copy->link(), "/url");
    EXPECT_EQ(copy->refLabel(), "Foo");
    EXPECT_EQ(copy->linkType(), 3u);
    EXPECT_FALSE(copy->isFootnote());
    EXPECT_EQ(copy->footnoteIndex(), 0);
    EXPECT_EQ(copy->contentRange(), Range());

    QString error;
    const auto decoded = plat::objectCast<ZQLinkRef>(
        plat::KeyedUnarchiver::unarchiveObject(plat::KeyedArchiver::archivedData(ref), &error));
    ASSERT_TRUE(decoded) << error.toStdString();
    EXPECT_EQ(decoded->link(), "/url");
    EXPECT_EQ(decoded->title(), "Title");
    EXPECT_EQ(decoded->label(), "foo");
    EXPECT_EQ(decoded->refLabel(), "Foo");
    EXPECT_EQ(decoded->linkType(), 3u);
    EXPECT_EQ(decoded->footnoteIndex(), 0);
    EXPECT_FALSE(decoded->isFootnote());

    // An absent label stays absent through the archive.
    const auto bare = plat::objectCast<ZQLinkRef>(plat::KeyedUnarchiver::unarchiveObject(
        plat::KeyedArchiver::archivedData(ZQLinkRef::initWithLink("/u", QString()))));
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->isValidLinkRef());
}
