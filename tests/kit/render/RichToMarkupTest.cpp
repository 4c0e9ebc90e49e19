#include "kit/filters/RichText.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQAttachedStorage.h"
#include "HTMLExport.h"

#include <gtest/gtest.h>

using namespace RichText;

namespace {

using enum ZQMarkupType;

std::string markup(ZQRender& render, plat::MutableAttributedString rich, ZQMarkupType type, bool blockEditor = false)
{
    return render.renderRichToMarkdown(&rich, blockEditor, type).string().toStdString();
}

// A footnote body stored under the page's context.
void addFootnote(ZQRenderContext& context, const QString& uuid, const QString& body)
{
    auto storage = context.createAttachedStroage(ZQAttr::MacroFootnote, uuid);
    storage->attachedText()->setAttributedString(plat::AttributedString(body, RichText::body()));
}

} // namespace

TEST(RichToMarkup, NothingGivenIsEmptyMarkupInTheMarkupEditorsAttributes)
{
    HTMLExport::Settings settings(Markdown);
    ZQRender render;
    const plat::MutableAttributedString result = render.renderRichToMarkdown(nullptr, false, Markdown);
    EXPECT_EQ(result.length(), 0);
    plat::MutableAttributedString probe = render.renderRichToMarkdown(nullptr, false, Markdown);
    probe.append(plat::AttributedString(QStringLiteral("x"),
                                        ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup)));
    EXPECT_EQ(probe.attributesAtIndex(0), ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup));
}

TEST(RichToMarkup, BlocksAndTheirContainersInBothDialects)
{
    HTMLExport::Settings settings(Markdown);
    const auto bullets = listOf({"{disc}"});
    const auto nested = listOf({"{disc}", "{decimal}."});
    const auto build = [&] {
        Builder rich;
        rich.add("Title", styles().headingRich(2, "h1", 0))
            .add("\nSome ")
            .add("bold", font(true, false))
            .add(" and ")
            .add("slanted", font(false, true))
            .add(" words\nand a second line\n\n")
            .add("> ", styles().quoteRich())
            .add("quoted\n")
            .add("> ", styles().quoteRich())
            .add("still quoted\n\n")
            .add("\t\u2022\t", styles().listRich(bullets))
            .add("one\n")
            .add("\t1.\t", styles().listRich(nested))
            .add("inner\n")
            .add("\t\u2022\t", styles().listRich(bullets))
            .add("two\n")
            .add("\t", styles().listIndentTabRich(bullets, false))
            .add("more of two\n\n")
            .add("\t[x]\t", styles().taskRich(bullets, "x"))
            .add("done\n")
            .add("\t[ ]\t", styles().taskRich(bullets, " "))
            .add("open\n\n")
            .add("```", styles().codeblockRich("S", "k"))
            .add("c", styles().codeblockRich("T", "k"))
            .add("\n")
            .add("int a = *p;\n", styles().codeblockRich("B", "k"))
            .add("```", styles().codeblockRich("E", "k"))
            .add("\n")
            .add("***", styles().dividerRich())
            .add("\nend");
        return rich.text();
    };
    // The dialects differ in the heading, emphasis and numbered-list markers only.
    const auto expected = [](const char* heading, const char* strong, const char* slanted, const char* number) {
        return QStringLiteral("%1 Title\n"
                              "Some %2bold%2 and %3slanted%3 words\n"
                              "and a second line\n"
                              "\n"
                              "> quoted\n"
                              "> still quoted\n"
                              "\n"
                              "* one\n"
                              "  %4 inner\n"
                              "* two\n"
                              "  more of two\n"
                              "\n"
                              "- [x] done\n"
                              "- [ ] open\n"
                              "\n"
                              "```c\n"
                              "int a = *p;\n"
                              "```\n"
                              "***\n"
                              "end")
            .arg(QLatin1String(heading), QLatin1String(strong), QLatin1String(slanted), QLatin1String(number))
            .toStdString();
    };
    ZQRender render;
    EXPECT_EQ(markup(render, build(), Markdown), expected("##", "**", "*", "1."));
    EXPECT_EQ(markup(render, build(), QuorvelMarkup), expected("h2.", "*", "~", "#"));
}

TEST(RichToMarkup, FootnoteBodiesBecomeOneDefinitionEachInThePagesDialect)
{
    HTMLExport::Settings settings(QuorvelMarkup);
    ZQRender render;
    ZQRenderContext& context = *render.renderContext();
    addFootnote(context, "F1", QStringLiteral("first body"));
    addFootnote(context, "F2", QStringLiteral("second\n\nparagraph"));
    // Both carry the same stale number: each keeps its own definition.
    const auto page = [&] {
        Builder rich;
        rich.add("See")
            .add("1", styles().footnodeRich("F1", 1))
            .add(" and ")
            .add("1", styles().footnodeRich("F2", 1))
            .add(" again")
            .add("1", styles().footnodeRich("F1", 1))
            .add(".");
        return rich.text();
    };
    EXPECT_EQ(markup(render, page(), Markdown), "See[^1] and [^2] again[^1].\n"
                                                "\n"
                                                "[^1]:first body\n"
                                                "[^2]:second\n"
                                                "paragraph");
    // Block-editor content writes no endings and leaves the page's context alone.
    const ZQMarkupType running = context.runningMarkupType();
    EXPECT_EQ(markup(render, page(), running == QuorvelMarkup ? Markdown : QuorvelMarkup, true),
              "See[^1] and [^2] again[^1].");
    EXPECT_EQ(context.runningMarkupType(), running);
}

TEST(RichToMarkup, HiddenBracketsGoExceptATasksAndReferenceLinksKeepTheirDestination)
{
    HTMLExport::Settings settings(Markdown);
    ZQRender render;
    ZQRenderContext& context = *render.renderContext();
    const auto addLink = [&](const QString& uuid, quint64 type, const QString& url) {
        auto link = context.createAttachedStroage(ZQAttr::FilterLink, uuid)->attachedLink();
        link->setLinkType(type);
        link->setLinkUrl(url);
    };
    addLink("L1", 1, "https://a.example/");
    addLink("L2", 3, "https://b.example/");
    addLink("L3", 3, "https://c.example/");
    Builder rich;
    rich.add("\t[ ]\t", styles().taskRich(listOf({"{disc}"}), " "))
        .add("go to ")
        .add("[A]", styles().linkRich("L1"))
        .add(", ")
        .add("[", styles().linkRich("L2"))
        .add("same", with(plat::FontAttribute, plat::Value(plat::Font::create("Menlo", 14, true)), styles().linkRich("L2")))
        .add(" text]", styles().linkRich("L2"))
        .add(" and ")
        .add("[same text]", styles().linkRich("L3"))
        .add("\n");
    // Two reference links of one text but different destinations: one label
    // cannot name both, so they are written inline.
    EXPECT_EQ(markup(render, rich.text(), Markdown),
              "- [ ] go to [A](https://a.example/), [**same** text](https://b.example/) and [same "
              "text](https://c.example/)\n");
}
