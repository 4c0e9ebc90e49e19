#include "kit/model/ZQDocumentOutline.h"

#include "support/ArchiveRoundTrip.h"

#include <gtest/gtest.h>

TEST(ZQDocumentOutline, HeadingsAndTagsSurviveArchivingWithoutTheirPage)
{
    auto heading
        = ZQDocumentHeading::initWithIndex(4, 2, QStringLiteral("Intro"), plat::Range(10, 8), ZQEditorType::Markup);
    heading->setPageUuid(QStringLiteral("P1"));
    const auto h = archiveRoundTrip(heading);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->index(), 4);
    EXPECT_EQ(h->level(), 2);
    EXPECT_EQ(h->heading(), QStringLiteral("Intro"));
    EXPECT_EQ(h->range(), plat::Range(10, 8));
    EXPECT_EQ(h->editorType(), ZQEditorType::Markup);
    EXPECT_TRUE(h->pageUuid().isEmpty());

    auto tag = ZQDocumentTag::initWithIndex(1, QStringLiteral("work"), plat::Range(3, 6), ZQEditorType::Rich);
    tag->setPageUuid(QStringLiteral("P1"));
    const QByteArray data = plat::KeyedArchiver::archivedData(tag);
    EXPECT_TRUE(data.contains("tag"));
    EXPECT_FALSE(data.contains("tagText"));
    const auto t = archiveRoundTrip(tag);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->index(), 1);
    EXPECT_EQ(t->tagText(), QStringLiteral("work"));
    EXPECT_EQ(t->range(), plat::Range(3, 6));
    EXPECT_EQ(t->editorType(), ZQEditorType::Rich);
    EXPECT_TRUE(t->pageUuid().isEmpty());

    const auto outline = ZQDocumentOutline::initWithPageUuid(QStringLiteral("P2"));
    EXPECT_EQ(outline->pageUuid(), QStringLiteral("P2"));
    EXPECT_FALSE(outline->isExternalFile());
    EXPECT_EQ(outline->wordCount() + outline->charCount(), 0u);
    EXPECT_TRUE(outline->headings().empty() && outline->tags().empty());
}
