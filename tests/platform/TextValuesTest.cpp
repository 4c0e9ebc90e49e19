#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextList.h"

#include <gtest/gtest.h>

using namespace plat;

TEST(TextList, MarkersKeepTheTextAroundThePlaceholder)
{
    struct Case {
        const char16_t* format;
        qint64 item;
        const char16_t* marker;
    } cases[] = {
        {u"{disc}", 1, u"\u2022"},
        {u"{circle}", 2, u"\u25E6"},
        {u"{square}", 3, u"\u25AA"},
        {u"{hyphen}", 1, u"\u2043"},
        {u"{check}", 7, u"\u2713"},
        {u"{decimal}.", 12, u"12."},
        {u"({decimal})", 3, u"(3)"},
        {u"{lower-alpha})", 1, u"a)"},
        {u"{lower-alpha}.", 27, u"aa."},
        {u"{upper-alpha}", 28, u"AB"},
        {u"{lower-roman}.", 4, u"iv."},
        {u"{upper-roman}", 1994, u"MCMXCIV"},
        {u"{lower-roman}", 0, u"0"},
        {u"{cjk-heavenly-stem}", 2, u"\u4e59"},
        {u"{unknown}-", 5, u"{unknown}-"},
        {u"item {decimal", 5, u"item {decimal"},
    };
    for (const Case& c : cases) {
        const auto list = TextList::create(QString::fromUtf16(c.format));
        EXPECT_EQ(list->markerForItemNumber(c.item), QString::fromUtf16(c.marker)) << list->markerFormat().toStdString();
    }
}

TEST(TextList, EqualityIsByKindOfMarker)
{
    const auto dot = TextList::create(QStringLiteral("{decimal}."));
    EXPECT_TRUE(dot->isEqual(*TextList::create(QStringLiteral("{decimal})"))));
    EXPECT_EQ(dot->hash(), TextList::create(QStringLiteral("{decimal})"))->hash());
    EXPECT_FALSE(dot->isEqual(*TextList::create(QStringLiteral("{disc}"))));
    EXPECT_FALSE(dot->isEqual(*TextList::create(QStringLiteral("{decimal}."), 0, 3)));
    EXPECT_FALSE(TextList::create(QStringLiteral("-"))->isEqual(*TextList::create(QStringLiteral("+"))));
}

TEST(TextValues, ValueEqualityAndCopies)
{
    EXPECT_TRUE(Color::rgba(0.2, 0.4, 0.6, 1)->isEqual(*Color::rgba(0.2, 0.4, 0.6, 1)));
    EXPECT_FALSE(Color::rgba(0.2, 0.4, 0.6, 1)->isEqual(*Color::rgba(0.2, 0.4, 0.6, 0.5)));
    EXPECT_FALSE(Color::rgba(0, 0, 0, 1)->isEqual(*Font::create(QStringLiteral("Menlo"), 12)));

    const auto menlo = Font::create(QStringLiteral("Menlo"), 14);
    const auto bold = menlo->withBold(true);
    EXPECT_EQ(bold->familyName(), QStringLiteral("Menlo"));
    EXPECT_EQ(bold->pointSize(), 14);
    EXPECT_TRUE(bold->isBold());
    EXPECT_FALSE(bold->isEqual(*menlo));
    EXPECT_TRUE(bold->withBold(false)->isEqual(*menlo));
    EXPECT_TRUE(menlo->copy()->isEqual(*menlo));

    const auto style = ParagraphStyle::create();
    style->addTabStop(TextTab::create(TextAlignment::Left, 72));
    style->addTabStop(TextTab::create(TextAlignment::Left, 36));
    style->setTextLists({TextList::create(QStringLiteral("{disc}"))});
    const auto copy = style->mutableCopy();
    EXPECT_TRUE(copy->isEqual(*style));
    EXPECT_EQ(copy->tabStops().front()->location(), 36);
    copy->setHeadIndent(80);
    EXPECT_EQ(style->headIndent(), 0);
    EXPECT_FALSE(copy->isEqual(*style));
    copy->setHeadIndent(0);
    copy->setTabStops({});
    EXPECT_FALSE(copy->isEqual(*style));
}

TEST(TextValues, FontMeasuresThroughTheNearestInstalledFamily)
{
    const auto font = Font::create(QStringLiteral("Menlo"), 14);
    EXPECT_EQ(font->toQFont().family(), QStringLiteral("Menlo"));
    EXPECT_GT(font->ascender(), 0);
    EXPECT_LT(font->descender(), 0);
    EXPECT_GE(font->lineHeight(), font->ascender() - font->descender());
    // Metrics are in points: they scale with the size, whatever the screen's dpi.
    EXPECT_NEAR(font->withSize(28)->lineHeight(), 2 * font->lineHeight(), 2.0);
    EXPECT_LT(font->lineHeight(), 14 * 1.6);
    EXPECT_GT(font->boundingRectSize().width(), 0);
}
