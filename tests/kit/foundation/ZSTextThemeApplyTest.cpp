#include "kit/foundation/ZSTextTheme.h"
#include "kit/markup/ZQAttachedObjects.h"
#include "kit/markup/ZQAttributeNames.h"
#include "kit/markup/ZQHighlighter.h"
#include "kit/markup/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/render/ZQRenderContext.h"
#include "platform/text/TextView.h"

#include "support/InstalledSettings.h"

#include <gtest/gtest.h>

using plat::AttributedString;
using plat::Attributes;
using plat::ColorPtr;
using plat::Range;
using plat::Value;

namespace {

class ThemeApplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = installedSettings();
        ASSERT_TRUE(ZSTextTheme::loadTheme(QStringLiteral("light"), true));
        dark = ZSTextTheme::loadTheme(QStringLiteral("dark"), false);
        ASSERT_TRUE(dark);
    }
    void TearDown() override { ZSTextTheme::loadTheme(QStringLiteral("light-twins"), true); }

    static ZQHighlighter& styles() { return ZQHighlighter::sharedHighlighter(); }
    static ColorPtr colourAt(const plat::AttributedString& text, qsizetype index)
    {
        return text.attributeAtIndex(plat::ForegroundColorAttribute, index).toObject<plat::Color>();
    }
    static bool same(const ColorPtr& a, const ColorPtr& b) { return a && b && a->isEqual(*b); }

    std::shared_ptr<ZSSettings> settings;
    ZSTextThemePtr dark;
};

// One construct as the style factory writes it in light colours, and the
// colours it must have once the dark theme is applied.
struct Construct {
    const char* name;
    QString text;
    Attributes attributes;
    ColorPtr colour;
    ColorPtr background = nullptr;
    ColorPtr border = nullptr;
};

TEST_F(ThemeApplyTest, RichTextTakesTheThemeColoursOfEveryConstruct)
{
    const auto list = ZQListStyle::initWithMarkerFormat(QStringLiteral("{disc}"), 1);
    const auto task = ZQListStyle::initWithMarkerFormat(QStringLiteral("{task}"), 1);
    const ZSTextTheme& t = *dark;
    const std::vector<Construct> constructs{
        {"plain", "plain", settings->defaultTypingAttribute(1), t.richTextColor()},
        {"bold", "bold", styles().baseRich(ZQHighlighter::Strong), t.richBoldColor()},
        {"italic", "italic", styles().baseRich(ZQHighlighter::Emphasis), t.richItalicColor()},
        {"strike", "strike", styles().baseRich(ZQHighlighter::StrikeThrough), t.richCrossColor()},
        {"code", "code", styles().baseRich(ZQHighlighter::CodeSpan), t.richCodeColor()},
        {"underline", "under", styles().baseRich(ZQHighlighter::Underline), t.richTextColor()},
        {"heading", "Title", styles().headingRich(1, "H", 0), t.richHeadingColor()},
        {"list", "\t\u2022\t", styles().listRich(list), t.richListColor()},
        {"open task", "\t[ ]\t", styles().taskRich(task, " "), t.richTaskColor(), nullptr, t.richTaskColor()},
        {"ongoing task", "\t[-]\t", styles().taskRich(task, "-"), t.richTaskOngoingColor(), nullptr,
         t.richTaskOngoingColor()},
        {"done task", "\t[x]\t", styles().taskRich(task, "x"), t.richTaskCompletedColor(), nullptr,
         t.richTaskCompletedColor()},
        {"done task X", "\t[X]\t", styles().taskRich(task, "X"), t.richTaskCompletedColor(), nullptr,
         t.richTaskCompletedColor()},
        {"link", "link", styles().linkRich("L"), t.richLinkColor(), t.richLinkBackgroundColor(),
         t.richLinkBorderColor()},
        {"tag", "tag", styles().baseRich(ZQHighlighter::Tag), t.richTagColor(), t.richTagBackgroundColor(),
         t.richTagBorderColor()},
        {"image", "{IMG}", styles().imageRich("I", "#IMGI", true), t.richImageColor(), t.richImageBackgroundColor(),
         t.richImageBorderColor()},
        {"footnote", "[1]", styles().footnodeRich("F", 1), t.richFootnoteColor()},
        {"fence", "```", styles().codeblockRich("S", "paired-k"), t.richCodeBlockTagColor()},
        {"entity", "&", styles().entityRich("&amp;"), t.richEntityColor()},
        {"autolink", "a@b.c", styles().autolinkRich(), t.richAutolinkColor()},
        {"html tag", "<b>", styles().htmlTagRich(), t.richHtmlTagColor()},
        {"link reference", "[a]: b", styles().linkRefRich(), t.richLinkRefBodyColor()},
        {"escape", "*", styles().escapeRich(), t.richEscapeColor()},
    };
    plat::MutableAttributedString text;
    std::vector<qsizetype> starts;
    for (const Construct& c : constructs) {
        starts.push_back(text.length());
        text.append(AttributedString(c.text, c.attributes));
        text.append(AttributedString(QStringLiteral("\n"), settings->defaultTypingAttribute(1)));
    }
    const qsizetype body = text.length();
    const Attributes bodyAttributes = styles().codeblockRich("B", "paired-k");
    text.append(AttributedString(QStringLiteral("let x = 1\n"), bodyAttributes));

    ZSTextTheme::applyThemeForRichContent(text, *dark);

    for (std::size_t i = 0; i < constructs.size(); ++i) {
        const Construct& c = constructs[i];
        ASSERT_TRUE(c.colour) << c.name;
        EXPECT_TRUE(same(colourAt(text, starts[i]), c.colour)) << c.name;
        if (!c.background && !c.border)
            continue;
        const auto block = text.attributeAtIndex(ZQAttr::TextBlock, starts[i]).toObject<ZQTextBlockStyle>();
        ASSERT_TRUE(block) << c.name;
        if (c.background) {
            EXPECT_TRUE(same(block->bkColor(), c.background)) << c.name;
        }
        EXPECT_TRUE(same(block->borderColor(), c.border)) << c.name;
    }
    EXPECT_EQ(text.attributesAtIndex(body), bodyAttributes) << "code bodies keep the highlighter's colours";
}

TEST_F(ThemeApplyTest, RichEditorRecoloursFootnoteBodiesAndKeepsTheSelection)
{
    ZQRender render;
    const auto footnote = render.renderContext()->createAttachedStroage(QStringLiteral("ZQMacroFootnote"), "F");
    plat::MutableAttributedString note(QStringLiteral("note "), settings->defaultTypingAttribute(1));
    note.append(AttributedString(QStringLiteral("bold"), styles().baseRich(ZQHighlighter::Strong)));
    footnote->attachedText()->setAttributedString(note);

    plat::TextView view;
    view.setEditorType(1);
    view.textStorage()->append(AttributedString(QStringLiteral("page "), settings->defaultTypingAttribute(1)));
    view.textStorage()->append(AttributedString(QStringLiteral("bold"), styles().baseRich(ZQHighlighter::Strong)));
    view.setSelectedRange(Range(7, 0));

    ZSTextTheme::applyThemeForRichEditor(*dark, view, render);

    EXPECT_TRUE(same(colourAt(*view.textStorage(), 0), dark->richTextColor()));
    EXPECT_TRUE(same(colourAt(*view.textStorage(), 6), dark->richBoldColor()));
    EXPECT_EQ(view.selectedRange(), Range(7, 0));
    EXPECT_TRUE(same(view.typingAttributes().value(plat::ForegroundColorAttribute).toObject<plat::Color>(),
                     dark->richBoldColor()));
    const AttributedString body = footnote->attachedText()->getAttributedString();
    EXPECT_TRUE(same(colourAt(body, 0), dark->richTextColor()));
    EXPECT_TRUE(same(colourAt(body, 6), dark->richBoldColor()));
}

TEST_F(ThemeApplyTest, MarkupEditorIsStyledAgainInTheSharedTheme)
{
    ZQRender render;
    plat::TextView view;
    view.setEditorType(3);
    view.textStorage()->append(AttributedString(QStringLiteral("plain **bold**\n\n[^1]: a *note*\n")));
    render.highlightMarkdown(*view.textStorage());

    const auto shared = ZSTextTheme::loadTheme(QStringLiteral("dark"), true);
    ZSTextTheme::applyThemeForMarkupEditor(*shared, view, render);

    const plat::TextStorage& text = *view.textStorage();
    EXPECT_TRUE(same(colourAt(text, 0), shared->mkTextColor()));
    EXPECT_TRUE(same(colourAt(text, text.string().indexOf("bold")), shared->mkBoldColor()));
    EXPECT_TRUE(same(colourAt(text, text.string().indexOf("note")), shared->mkItalicColor()))
        << "footnote bodies too";
}

} // namespace
