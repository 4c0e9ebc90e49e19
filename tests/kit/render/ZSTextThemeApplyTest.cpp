#include "kit/render/ZSTextThemeApply.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"
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
        {"plain", "plain", settings->defaultTypingAttribute(ZQEditorType::Rich), t.richTextColor()},
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
        text.append(AttributedString(QStringLiteral("\n"), settings->defaultTypingAttribute(ZQEditorType::Rich)));
    }
    const qsizetype body = text.length();
    const Attributes bodyAttributes = styles().codeblockRich("B", "paired-k");
    text.append(AttributedString(QStringLiteral("let x = 1\n"), bodyAttributes));

    ZSTextThemeApply::applyThemeForRichContent(text, *dark);

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
    plat::MutableAttributedString note(QStringLiteral("note "), settings->defaultTypingAttribute(ZQEditorType::Rich));
    note.append(AttributedString(QStringLiteral("bold"), styles().baseRich(ZQHighlighter::Strong)));
    footnote->attachedText()->setAttributedString(note);

    plat::TextView view;
    view.setEditorType(storedValue(ZQEditorType::Rich));
    view.textStorage()->append(
        AttributedString(QStringLiteral("page "), settings->defaultTypingAttribute(ZQEditorType::Rich)));
    view.textStorage()->append(AttributedString(QStringLiteral("bold"), styles().baseRich(ZQHighlighter::Strong)));
    view.setSelectedRange(Range(7, 0));

    ZSTextThemeApply::applyThemeForRichEditor(*dark, view, render);

    EXPECT_TRUE(same(colourAt(*view.textStorage(), 0), dark->richTextColor()));
    EXPECT_TRUE(same(colourAt(*view.textStorage(), 6), dark->richBoldColor()));
    EXPECT_EQ(view.selectedRange(), Range(7, 0));
    EXPECT_TRUE(same(view.typingAttributes().value(plat::ForegroundColorAttribute).toObject<plat::Color>(),
                     dark->richBoldColor()));
    const AttributedString body = footnote->attachedText()->getAttributedString();
    EXPECT_TRUE(same(colourAt(body, 0), dark->richTextColor()));
    EXPECT_TRUE(same(colourAt(body, 6), dark->richBoldColor()));
}

// A character of a markup page and the theme colour its construct gives it.
struct MarkupSample {
    const char* text;   // first occurrence in the page
    qsizetype offset;   // the character within it
    ColorPtr (ZSTextTheme::*colour)() const;
};

void expectMarkupColours(const plat::AttributedString& text, const std::vector<MarkupSample>& samples,
                         const ZSTextTheme& theme)
{
    for (const MarkupSample& sample : samples) {
        const qsizetype at = text.string().indexOf(QString::fromUtf8(sample.text));
        ASSERT_GE(at, 0) << sample.text;
        const ColorPtr expected = (theme.*sample.colour)();
        const ColorPtr found = text.attributeAtIndex(plat::ForegroundColorAttribute, at + sample.offset)
                                   .toObject<plat::Color>();
        EXPECT_TRUE(expected && found && found->isEqual(*expected))
            << sample.text << " at " << sample.offset << ": " << (found ? found->toQColor().name().toStdString() : "none")
            << " instead of " << (expected ? expected->toQColor().name().toStdString() : "none");
    }
}

TEST_F(ThemeApplyTest, MarkupEditorRecoloursEveryConstructInTheNewTheme)
{
    using T = ZSTextTheme;
    struct Page {
        ZQMarkupType markupType;
        QString text;
        std::vector<MarkupSample> samples;
    };
    const std::vector<Page> pages{
        {ZQMarkupType::Markdown,
         QStringLiteral("# Heading\n\nSetext\n===\n\n"
                        "Plain **bold** *slanted* ~~gone~~ `code` [link](http://u) <https://a.example> &copy; \\* "
                        "![img](p.png) <span>x</span> note[^1].\n\n"
                        "> quoted\n\n- item\n\n- [ ] open\n- [-] ongoing\n- [x] done\n- [X] done too\n\n***\n\n"
                        "```c\nint x;\n```\n\n    indented\n\n<div>\nblock\n</div>\n\n"
                        "[^1]: foot *body*\n[r]: http://r \"T\"\n"),
         {{"# Heading", 0, &T::mkHeadingMarkerColor},
          {"# Heading", 2, &T::mkHeadingColor},
          {"Setext", 0, &T::mkHeadingColor},
          {"===", 0, &T::mkHeadingMarkerColor},
          {"Plain", 0, &T::mkTextColor},
          {"**bold**", 0, &T::mkBoldMarkerColor},
          {"**bold**", 2, &T::mkBoldColor},
          {"*slanted*", 0, &T::mkItalicMarkerColor},
          {"*slanted*", 1, &T::mkItalicColor},
          {"~~gone~~", 0, &T::mkCrossMarkerColor},
          {"~~gone~~", 2, &T::mkCrossColor},
          {"`code`", 0, &T::mkCodeMarkerColor},
          {"`code`", 1, &T::mkCodeColor},
          {"[link]", 0, &T::mkLinkColor},
          {"<https://a.example>", 1, &T::mkAutolinkColor},
          {"&copy;", 0, &T::mkEntityColor},
          {"\\*", 0, &T::mkEscapeColor},
          {"![img]", 0, &T::mkImageColor},
          {"<span>", 0, &T::mkHtmlTagColor},
          {"[^1].", 0, &T::mkFootnoteColor},
          {"> quoted", 0, &T::mkQuoteColor},
          {"- item", 0, &T::mkListColor},
          {"[ ] open", 0, &T::mkTaskColor},
          {"[-] ongoing", 0, &T::mkTaskOngoingColor},
          {"[x] done", 0, &T::mkTaskCompletedColor},
          {"[X] done", 0, &T::mkTaskCompletedColor},
          {"***", 0, &T::mkDividerColor},
          {"```c", 0, &T::mkCodeBlockTagColor},
          {"```c", 3, &T::mkCodeBlockTagColor},
          {"block", 0, &T::mkHtmlTagColor},
          {"</div>", 0, &T::mkHtmlTagColor},
          {"*body*", 1, &T::mkItalicColor},
          {"[r]:", 1, &T::mkLinkRefLabelColor},
          {"http://r", 0, &T::mkLinkRefBodyColor}}},
        {ZQMarkupType::QuorvelMarkup,
         QStringLiteral("h2. Title\n\nPlain *bold* ~slanted~ -gone- +tag+.\n\n# first\n# second\n"),
         {{"h2.", 0, &T::mkHeadingMarkerColor},
          {"Title", 0, &T::mkHeadingColor},
          {"*bold*", 0, &T::mkBoldMarkerColor},
          {"*bold*", 1, &T::mkBoldColor},
          {"~slanted~", 1, &T::mkItalicColor},
          {"-gone-", 1, &T::mkCrossColor},
          {"+tag+", 1, &T::mkTagColor},
          {"# first", 0, &T::mkListColor}}},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(storedValue(page.markupType));
        settings->setMarkupType(page.markupType);
        ZSTextTheme::loadTheme(QStringLiteral("light"), true);
        ZQRender render;
        plat::TextView view;
        view.setEditorType(storedValue(ZQEditorType::Markup));
        view.textStorage()->append(AttributedString(page.text));
        render.highlightMarkdown(*view.textStorage());
        expectMarkupColours(*view.textStorage(), page.samples, *ZSTextTheme::sharedTheme());

        const auto shared = ZSTextTheme::loadTheme(QStringLiteral("dark"), true);
        ZSTextThemeApply::applyThemeForMarkupEditor(*shared, view, render);
        EXPECT_EQ(view.textStorage()->string(), page.text);
        expectMarkupColours(*view.textStorage(), page.samples, *shared);
    }
    settings->setMarkupType(ZQMarkupType::Markdown);
}

} // namespace
