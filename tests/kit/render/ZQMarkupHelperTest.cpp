#include "kit/foundation/Exs.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQMarkupHelper.h"
#include "platform/foundation/Uuid.h"
#include "platform/text/Attributes.h"

#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

namespace {

plat::Range titleRun(const plat::AttributedString& outline)
{
    plat::Range run(0, 0);
    if (outline.length() > 0 && !outline.attributeAtIndex(ZQAttr::OutlineTitle, 0).isNull())
        outline.attributeAtIndexLongestEffectiveRange(ZQAttr::OutlineTitle, 0, &run, plat::Range(0, outline.length()));
    return run;
}

plat::Attributes headingAttributes(quint64 level)
{
    return {{ZQAttr::FilterHeading, plat::Value(ZQHeadingStyle::initWithUuid(plat::newUuidString(), level))}};
}

} // namespace

TEST(ZQMarkupHelper, OutlineTitleIsMadeOnlyForEditsInsideTheTitleWindow)
{
    installedSettings();
    ZQMarkupHelper helper;
    const plat::AttributedString plain(QString(300, QLatin1Char('x')));
    EXPECT_TRUE(helper.getOutlineTitle(plain, ZQEditorType::Rich, plat::Range(249, 0)));
    EXPECT_FALSE(helper.getOutlineTitle(plain, ZQEditorType::Rich, plat::Range(250, 3)));

    const plat::AttributedString withFrontMatter(QStringLiteral("---\ntitle: T\n---\n") + QString(300, QLatin1Char('x')));
    EXPECT_TRUE(helper.getOutlineTitle(withFrontMatter, ZQEditorType::Markup, plat::Range(17 + 249, 0)));
    EXPECT_FALSE(helper.getOutlineTitle(withFrontMatter, ZQEditorType::Markup, plat::Range(17 + 250, 0)));

    const auto outline = helper.getOutlineTitle(plain, ZQEditorType::Rich, plat::Range(0, 0));
    EXPECT_EQ(outline->string(), QString(250, QLatin1Char('x')));
    EXPECT_EQ(outline->attributesAtIndex(0), installedSettings()->outlineBodyAttribute());
    EXPECT_EQ(plain.string().size(), 300); // the argument is left alone
}

TEST(ZQMarkupHelper, TitlesFromHeadingsFrontMatterAndFirstLines)
{
    installedSettings();
    ZQMarkupHelper helper;

    plat::MutableAttributedString rich(plat::AttributedString(QStringLiteral("\n\n\n")));
    rich.append(plat::AttributedString(QStringLiteral("Title"), headingAttributes(1)));
    rich.append(plat::AttributedString(QStringLiteral("\nsecond\n  line")));

    struct Case {
        const char* name;
        plat::AttributedString content;
        ZQEditorType editorType;
        QString outline;
        plat::Range title;
        QString canonical;
    };
    const Case cases[] = {
        {"rich heading after blank lines", rich, ZQEditorType::Rich, "Title\nsecond   line", {0, 5}, "Title"},
        {"markup heading",
         plat::AttributedString("# Hello, World!\nbody\ntext"),
         ZQEditorType::Markup,
         "Hello, World!\nbody text",
         {0, 13},
         "Hello World"},
        {"front matter title, heading left unmarked",
         plat::AttributedString("---\ntitle: Page T\n---\n# Head\nbody"),
         ZQEditorType::Markup,
         "Page T\nHead body",
         {0, 6},
         "Quorvel"},
        {"plain text",
         plat::AttributedString("The quick brown fox jumps over the lazy dog again"),
         ZQEditorType::Rich,
         "The quick brown fox jumps over the lazy dog again",
         {0, 0},
         "The quick brown fox jumps over the"},
        {"nothing but punctuation",
         plat::AttributedString("  !?,.\nrest"),
         ZQEditorType::Rich,
         "!?,. rest",
         {0, 0},
         "Quorvel"},
        {"empty", plat::AttributedString(), ZQEditorType::Markup, "", {0, 0}, "Quorvel"},
        {"characters beyond the basic plane",
         plat::AttributedString(QString::fromUtf8("\U0001F600 Smile!")),
         ZQEditorType::Rich,
         QString::fromUtf8("\U0001F600 Smile!"),
         {0, 0},
         QString::fromUtf8("\U0001F600 Smile")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto outline = helper.getOutlineTitle(c.content, c.editorType, plat::Range(0, 0));
        ASSERT_TRUE(outline);
        EXPECT_EQ(outline->string(), c.outline);
        EXPECT_EQ(titleRun(*outline), c.title);
        if (c.title.length > 0) {
            EXPECT_EQ(outline->attributesAtIndex(0), installedSettings()->outlineTitleAttribute());
        }
        EXPECT_EQ(helper.getCanonicalTitle(c.content, c.editorType), c.canonical);
    }
}

TEST(ZQMarkupHelper, FontChecksAndFontsAppliedToRichContent)
{
    const auto settings = installedSettings();
    ZQMarkupHelper helper;
    const plat::FontPtr body = settings->defaultFont(ZQEditorType::Rich);
    const plat::FontPtr other = plat::Font::create(QStringLiteral("Other"), 9);
    const plat::FontPtr small = plat::Font::create(QStringLiteral("Other"), 5);
    const auto with = [](const plat::FontPtr& font, plat::Attributes attributes = {}) {
        attributes.set(plat::FontAttribute, plat::Value(font));
        return attributes;
    };

    plat::MutableAttributedString content;
    content.append(plat::AttributedString(QStringLiteral("Head\n"), with(other, headingAttributes(2))));
    content.append(plat::AttributedString(QStringLiteral("fn"),
                                          with(small, {{ZQAttr::MacroFootnote, plat::Value(QStringLiteral("F"))}})));
    content.append(plat::AttributedString(QStringLiteral("indent\n"),
                                          with(other, {{ZQAttr::IndentBlock, plat::Value(QStringLiteral("I"))}})));
    content.append(plat::AttributedString(QStringLiteral("text "), with(body)));
    content.append(plat::AttributedString(QStringLiteral("plain\n")));
    content.append(plat::AttributedString(QStringLiteral("code\n"),
                                          with(body, {{ZQAttr::FilterCodeBlock, plat::Value(QStringLiteral("B"))}})));

    // The body run decides past headings, footnotes and code; fenced code
    // decides before indented code.
    EXPECT_TRUE(helper.isUsingFont(*body, content));
    EXPECT_FALSE(helper.isUsingFont(*other, content));
    EXPECT_TRUE(helper.isCodeBlockUsingFont(*body, content));
    EXPECT_FALSE(helper.isCodeBlockUsingFont(*other, content));
    EXPECT_TRUE(helper.isUsingFont(*other, plat::AttributedString(QStringLiteral("no fonts"))));
    EXPECT_TRUE(helper.isCodeBlockUsingFont(*other, plat::AttributedString(QStringLiteral("no code"))));

    plat::MutableAttributedString applied(content);
    helper.applyFontToContent(applied, ZQEditorType::Rich);
    const auto fontAt = [&](qsizetype i) { return applied.attributeAtIndex(plat::FontAttribute, i).toObject<plat::Font>(); };
    EXPECT_TRUE(fontAt(0)->isEqual(*Exs::toSize(*body, settings->headingFontSize(ZQEditorType::Rich)[1])));
    EXPECT_TRUE(fontAt(5)->isEqual(*settings->defaultSuperScribeFont(ZQEditorType::Rich)));
    EXPECT_TRUE(fontAt(7)->isEqual(*other));  // code keeps its font
    EXPECT_TRUE(fontAt(14)->isEqual(*body));
    EXPECT_FALSE(fontAt(19));                 // no font stays no font

    helper.applyFontToCodeBlock(applied, ZQEditorType::Rich);
    EXPECT_TRUE(fontAt(7)->isEqual(*settings->defaultCodeBlockFont(ZQEditorType::Rich)));
    EXPECT_TRUE(fontAt(content.length() - 1)->isEqual(*settings->defaultCodeBlockFont(ZQEditorType::Rich)));
    EXPECT_TRUE(fontAt(14)->isEqual(*body));
}
