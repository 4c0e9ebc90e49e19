// Pages of markup turned into the rich editor's text.

#include "kit/model/ZSSettings.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Font.h"

#include "support/InstalledSettings.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

namespace {

using enum ZQMarkupType;

plat::MutableAttributedString toRich(ZQRender& render, const QString& markup, ZQMarkupType dialect = Markdown)
{
    return render.renderMarkupToRich(plat::AttributedString(markup), false, dialect);
}

plat::Attributes richBase()
{
    return installedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
}

bool has(const plat::AttributedString& text, const QString& name, qsizetype index)
{
    return !text.attributeAtIndex(name, index).isNull();
}

plat::FontPtr fontAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(plat::FontAttribute, index).toObject<plat::Font>();
}

} // namespace

TEST(ZQRenderRich, ParagraphsKeepTheBaseAttributesAndLoseTrailingBreaks)
{
    installedSettings();
    ZQRender render;
    const auto one = toRich(render, QStringLiteral("hello"));
    EXPECT_EQ(one.string(), QStringLiteral("hello"));
    plat::Range run;
    EXPECT_EQ(one.attributesAtIndex(0, &run), richBase());
    EXPECT_EQ(run, plat::Range(0, 5));

    EXPECT_EQ(toRich(render, QStringLiteral("a\n\nb\n\n\n")).string(), QStringLiteral("a\n\nb"));
    EXPECT_EQ(toRich(render, QStringLiteral("a\nb")).string(), QStringLiteral("a\nb"));
    EXPECT_EQ(toRich(render, QString()).length(), 0);
    EXPECT_EQ(toRich(render, QStringLiteral("\n\n")).length(), 0);
}

TEST(ZQRenderRich, InlineConstructsOfBothDialects)
{
    installedSettings();
    ZQRender render;
    const auto md = toRich(render, QStringLiteral("**b** *i* `c` [l](http://u) a &amp; \\*"));
    EXPECT_EQ(md.string(), QStringLiteral("b i c l a & *"));
    EXPECT_TRUE(fontAt(md, 0)->isBold());
    EXPECT_TRUE(fontAt(md, 2)->isItalic());
    EXPECT_TRUE(has(md, ZQAttr::FilterCode, 4));
    EXPECT_TRUE(has(md, ZQAttr::FilterLink, 6));
    EXPECT_TRUE(render.renderContext()->attachedStorageCountFor(ZQAttr::FilterLink) >= 1);

    const auto own = toRich(render, QStringLiteral("*s* ~e~ -d-\n\nnext"), QuorvelMarkup);
    EXPECT_EQ(own.string(), QStringLiteral("s e d\n\nnext"));
    EXPECT_TRUE(fontAt(own, 0)->isBold());
    EXPECT_TRUE(fontAt(own, 2)->isItalic());
    EXPECT_TRUE(own.attributeAtIndex(plat::StrikethroughAttribute, 4).toInteger());
    EXPECT_EQ(render.renderContext()->runningMarkupType(), QuorvelMarkup);
    EXPECT_EQ(render.renderContext()->renderTargetType(), ZQRenderContext::TargetRich);
}

TEST(ZQRenderRich, NulBecomesTheReplacementCharacter)
{
    installedSettings();
    ZQRender render;
    const QString nul(QChar(0));
    EXPECT_EQ(toRich(render, QStringLiteral("a%1b `%1` **%1**\n\n    %1").arg(nul)).string(),
              QStringLiteral("a\uFFFDb \uFFFD \uFFFD\n\n    \uFFFD"));
}

TEST(ZQRenderRich, BlockConstructsAreJoinedByTheirFilters)
{
    installedSettings();
    ZQRender render;
    const auto text = toRich(render, QStringLiteral("> quoted\n\n***\n\n<div>\nx\n</div>\n\nend"));
    const QString& s = text.string();
    const qsizetype quoted = s.indexOf(QStringLiteral("quoted"));
    ASSERT_GE(quoted, 0);
    // The quote's own rich content stands before its paragraph.
    EXPECT_TRUE(has(text, ZQAttr::FilterQuote, 0));
    EXPECT_FALSE(has(text, ZQAttr::FilterQuote, quoted));
    EXPECT_TRUE(has(text, ZQAttr::FilterDivider, s.indexOf(QStringLiteral("***"))));
    EXPECT_TRUE(has(text, ZQAttr::HtmlTag, s.indexOf(QStringLiteral("<div>"))));
    EXPECT_TRUE(s.endsWith(QStringLiteral("\nend")));
    EXPECT_EQ(text.attributesAtIndex(s.size() - 1), richBase());
}

TEST(ZQRenderRich, NestedParagraphsAreIndentedByQuotesAndListItems)
{
    installedSettings();
    ZQRender render;
    // The indentation tabs before a paragraph's line.
    const auto tabsBefore = [](const plat::AttributedString& text, const QString& word) {
        const QString& s = text.string();
        const qsizetype at = s.indexOf(word);
        qsizetype tabs = 0;
        for (qsizetype i = s.lastIndexOf(u'\n', at) + 1; i < at; ++i)
            tabs += has(text, ZQAttr::InListIndent, i) && s.at(i) == u'\t' ? 1 : 0;
        return tabs;
    };

    // A paragraph line in a list item in a quote: the quote's content, then one list tab.
    const auto quoted = toRich(render, QStringLiteral("> - item\n>   more\n"));
    const QString& s = quoted.string();
    const qsizetype more = s.indexOf(QStringLiteral("more"));
    ASSERT_GT(more, 0);
    const qsizetype line = s.lastIndexOf(u'\n', more) + 1;
    EXPECT_TRUE(has(quoted, ZQAttr::FilterQuote, line));
    EXPECT_EQ(s.at(more - 1), u'\t');
    EXPECT_EQ(tabsBefore(quoted, QStringLiteral("more")), 1);
    // Its first line follows its own markers, with no indentation of its own.
    EXPECT_EQ(tabsBefore(quoted, QStringLiteral("item")), 0);

    // A list item directly inside another gets no tab from it.
    EXPECT_EQ(tabsBefore(toRich(render, QStringLiteral("- a\n  - b\n    c\n")), QStringLiteral("c")), 1);
}

TEST(ZQRenderRich, DefinitionsNoLinkUsesAreAppendedAsPlainLines)
{
    installedSettings();
    ZQRender render;
    struct Case {
        const char* markup;
        const char* text;
    };
    const Case cases[] = {
        {"a\n\n[x]: http://u", "a\n\n[x]:http://u"},
        {"[t][x]\n\n[x]: /u", "t"},
        {"[t][x]\n\n[x]: /a\n[x]: /b", "t\n\n[x]:/b"},
        {"a\n\n[x]: </u v> \"T\"\n[y]: /w 'S'\n[z]: /z (P)", "a\n\n[x]:</u v> \"T\"\n[y]:/w 'S'\n[z]:/z (P)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        const auto text = toRich(render, QString::fromUtf8(c.markup));
        EXPECT_EQ(text.string(), QString::fromUtf8(c.text));
        const qsizetype first = text.string().indexOf(u'[');
        if (first >= 0) {
            EXPECT_EQ(text.attributesAtIndex(first), ZQHighlighter::sharedHighlighter().linkRefRich());
            EXPECT_EQ(text.attributesAtIndex(first - 1), richBase());
        }
    }
}

TEST(ZQRenderRich, FootnoteBodiesAreRenderedOnACopyOfTheContext)
{
    installedSettings();
    ZQRender render;
    const auto text = toRich(render, QStringLiteral("Text[^n].\n\n[^n]: a *body*"));
    EXPECT_TRUE(text.string().startsWith(QStringLiteral("Text[")));
    const auto refs = render.renderContext()->linkRefMap();
    ASSERT_TRUE(refs);
    std::shared_ptr<ZQLinkRef> footnote;
    for (const auto& ref : *refs) {
        if (ref->isFootnote())
            footnote = ref;
    }
    ASSERT_TRUE(footnote);
    ASSERT_TRUE(footnote->renderContent());
    const qsizetype body = footnote->renderContent()->string().indexOf(QStringLiteral("a body"));
    ASSERT_GE(body, 0);
    EXPECT_TRUE(fontAt(*footnote->renderContent(), body + 2)->isItalic());
    EXPECT_TRUE(has(text, ZQAttr::MacroFootnote, 4));

    // A block-editor conversion leaves the page's context as it was.
    const auto before = render.renderContext()->linkRefMap();
    render.renderContext()->setRenderTargetType(ZQRenderContext::TargetHTML);
    render.renderMarkupToRich(plat::AttributedString(QStringLiteral("[x]: /y\n\nz")), true, Markdown);
    EXPECT_EQ(render.renderContext()->linkRefMap(), before);
    EXPECT_EQ(render.renderContext()->renderTargetType(), ZQRenderContext::TargetHTML);
}
