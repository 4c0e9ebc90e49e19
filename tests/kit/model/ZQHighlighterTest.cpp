#include "kit/model/ZQHighlighter.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQLinkRef.h"
#include "platform/foundation/Url.h"

#include "support/ScopedDefaults.h"

#include <gtest/gtest.h>

namespace {

using plat::Attributes;
using plat::Value;

class ZQHighlighterTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        defaults = new ScopedDefaults;
        (*defaults)->setObject(Value("dark"), "themeID");
        settings = ZSSettings::create();
        theme = ZSTextTheme::sharedTheme();
        factory = new ZQHighlighter(settings, theme);
    }
    static void TearDownTestSuite()
    {
        delete factory;
        delete defaults;
    }

    // The builder's dictionary is the base plus exactly these entries.
    static void expectBasePlus(const Attributes& actual, Attributes base, const Attributes& added)
    {
        base.add(added);
        EXPECT_EQ(actual, base);
    }
    static Value colour(const plat::ColorPtr& c) { return Value(c); }
    static Value url(const QString& s) { return Value(plat::Url::fromString(s)); }

    static inline ScopedDefaults* defaults = nullptr;
    static inline ZSSettingsPtr settings;
    static inline ZSTextThemePtr theme;
    static inline ZQHighlighter* factory = nullptr;
};

TEST_F(ZQHighlighterTest, MarkupBuildersAddTheirColoursAndMarks)
{
    const Attributes base = settings->defaultTypingAttribute(ZQEditorType::Markup);
    const Attributes code = settings->defaultCodeBlockTypingAttribute(ZQEditorType::Markup);
    const auto list = ZQListStyle::initWithMarkerFormat("{disc}", 1);
    const auto paired = ZQPairedAttribute::initWithMarker("```");
    ASSERT_TRUE(theme->mkListColor());

    expectBasePlus(factory->listMarkdown(list), base, {{plat::ForegroundColorAttribute, colour(theme->mkListColor())},
                                                      {ZQAttr::FilterList, Value(list)}});
    expectBasePlus(factory->dividerMarkdown(), base, {{plat::ForegroundColorAttribute, colour(theme->mkDividerColor())}});
    expectBasePlus(factory->linkRefLabelMarkdown(), base,
                   {{plat::ForegroundColorAttribute, colour(theme->mkLinkRefLabelColor())}});
    expectBasePlus(factory->headingMarkdown(2, "H", 1), base,
                   {{plat::ForegroundColorAttribute, colour(theme->mkHeadingColor())},
                    {ZQAttr::FilterHeading, Value(ZQHeadingStyle::initWithUuid("H", 2))}});
    EXPECT_EQ(factory->headingMarkdown(2, "H", 1).value(ZQAttr::FilterHeading).toObject<ZQHeadingStyle>()->headingType(), 1u);
    expectBasePlus(factory->imageMarkdown("U"), base,
                   {{plat::ForegroundColorAttribute, colour(theme->mkImageColor())},
                    {plat::UnderlineAttribute, qint64(1)},
                    {plat::LinkAttribute, url("#IMGU")},
                    {ZQAttr::MacroImage, Value(ZQImageStyle::initWithUuid("U"))}});
    expectBasePlus(factory->indentCodeblockMarkdown(Value("v")), code, {{ZQAttr::IndentBlock, Value("v")}});
    expectBasePlus(factory->codeblockMarkdown("B", nullptr, "k"), code,
                   {{ZQAttr::FilterCodeBlock, Value("B")}, {ZQAttr::Raw, Value("k")}});
    expectBasePlus(factory->codeblockMarkdown("S", paired, "k"), base,
                   {{ZQAttr::FilterCodeBlock, Value("S")}, {ZQAttr::Raw, Value("k")},
                    {ZQAttr::Paired, Value(paired)},
                    {plat::ForegroundColorAttribute, colour(theme->mkCodeBlockTagColor())}});
    expectBasePlus(factory->baseMarkdown(24, paired), base,
                   {{plat::ForegroundColorAttribute, colour(theme->mkCrossMarkerColor())}, {ZQAttr::Paired, Value(paired)}});
    expectBasePlus(factory->baseMarkdown(99, nullptr), base, {{plat::ForegroundColorAttribute, colour(theme->mkTextColor())}});
    EXPECT_EQ(factory->baseBodyMarkdown(99), base);
    const Attributes strong = factory->baseBodyMarkdown(22);
    EXPECT_TRUE(strong.value(plat::FontAttribute).toObject<plat::Font>()->isBold());
    EXPECT_EQ(strong.value(plat::ForegroundColorAttribute), colour(theme->mkBoldColor()));
    EXPECT_EQ(factory->baseBodyMarkdown(27).value(ZQAttr::MacroTag).toString().size(), 36);
    EXPECT_EQ(factory->quoteMarkdown().value(ZQAttr::FilterQuote).toString().size(), 36);
}

TEST_F(ZQHighlighterTest, TaskStatesColourAlikeInBothEditors)
{
    const auto list = ZQListStyle::initWithMarkerFormat("{task}", 1);
    const std::pair<QString, std::pair<plat::ColorPtr, plat::ColorPtr>> cases[] = {
        {"", {theme->mkTaskColor(), theme->richTaskColor()}},
        {" ", {theme->mkTaskColor(), theme->richTaskColor()}},
        {"-", {theme->mkTaskOngoingColor(), theme->richTaskOngoingColor()}},
        {"x", {theme->mkTaskCompletedColor(), theme->richTaskCompletedColor()}},
        {"X", {theme->mkTaskCompletedColor(), theme->richTaskCompletedColor()}},
        {"?", {theme->mkTaskCompletedColor(), theme->richTaskCompletedColor()}},
    };
    for (const auto& [state, colours] : cases) {
        SCOPED_TRACE(state.toStdString());
        const Attributes markup = factory->taskMarkdown(list, state);
        EXPECT_EQ(markup.value(plat::ForegroundColorAttribute), colour(colours.first));
        EXPECT_EQ(markup.value(plat::LinkAttribute), url("#TASK"));
        const Attributes rich = factory->taskRich(list, state);
        EXPECT_EQ(rich.value(plat::ForegroundColorAttribute), colour(colours.second));
        const auto box = rich.value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>();
        EXPECT_EQ(box->name(), ZQAttr::FilterTask);
        EXPECT_FALSE(box->bkColor());
        EXPECT_TRUE(box->borderColor()->isEqual(*colours.second));
        EXPECT_EQ(rich.value(ZQAttr::Readonly), Value(ZQAttr::FilterTask));
        EXPECT_EQ(rich.value(ZQAttr::FilterTask), Value(list));
    }
}

TEST_F(ZQHighlighterTest, RichBuildersCarryStyleObjectsAndMarks)
{
    const Attributes base = settings->defaultTypingAttribute(ZQEditorType::Rich);
    const Attributes code = settings->defaultCodeBlockTypingAttribute(ZQEditorType::Rich);

    expectBasePlus(factory->linkRich("L"), base,
                   {{ZQAttr::FilterLink, Value(ZQLinkStyle::initWithUuid("L"))},
                    {ZQAttr::TextBlock, Value(ZQTextBlockStyle::initWithUuid("L", "", nullptr, nullptr))},
                    {plat::ForegroundColorAttribute, colour(theme->richLinkColor())},
                    {plat::LinkAttribute, url("#LINKL")}});
    const auto linkBox = factory->linkRich("L").value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>();
    EXPECT_EQ(linkBox->name(), ZQAttr::FilterLink);
    EXPECT_TRUE(linkBox->bkColor()->isEqual(*theme->richLinkBackgroundColor()));
    EXPECT_TRUE(linkBox->borderColor()->isEqual(*theme->richLinkBorderColor()));

    expectBasePlus(factory->imageRich("I", "http://x/y.png", false), base,
                   {{ZQAttr::MacroImage, Value(ZQImageStyle::initWithUuid("I"))},
                    {plat::LinkAttribute, url("http://x/y.png")},
                    {ZQAttr::Readonly, Value(ZQAttr::MacroImage)}});
    EXPECT_EQ(factory->imageRich("I", "u", true).value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>()->name(),
              ZQAttr::MacroImage);

    Attributes footnoteAdds{{ZQAttr::MacroFootnote, Value(ZQFootnoteStyle::initWithUuid("F", 2))},
                            {plat::LinkAttribute, url("#FNF")},
                            {plat::ForegroundColorAttribute, colour(theme->richFootnoteColor())},
                            {plat::SuperscriptAttribute, double(1.2f)},
                            {plat::FontAttribute, Value(settings->defaultSuperScribeFont(ZQEditorType::Rich))},
                            {ZQAttr::Readonly, Value("F")}};
    expectBasePlus(factory->footnodeRich("F", 2), base, footnoteAdds);
    EXPECT_EQ(factory->footnodeRich("F", 2).value(ZQAttr::MacroFootnote).toObject<ZQFootnoteStyle>()->fnIndex(), 2);

    // Start and end fences are read-only, the info string is not; the body has the code font.
    expectBasePlus(factory->codeblockRich("B", "k"), code, {{ZQAttr::FilterCodeBlock, Value("B")}, {ZQAttr::Raw, Value("k")}});
    for (const char* part : {"S", "T", "E"}) {
        const Attributes fence = factory->codeblockRich(part, "k");
        EXPECT_EQ(fence.value(plat::ForegroundColorAttribute), colour(theme->richCodeBlockTagColor()));
        EXPECT_EQ(fence.contains(ZQAttr::Readonly), QString(part) != "T") << part;
        EXPECT_EQ(fence.value(plat::FontAttribute), base.value(plat::FontAttribute));
    }

    const Attributes indent = factory->indentCodeblockRich();
    EXPECT_EQ(indent.value(ZQAttr::IndentBlock), indent.value(ZQAttr::Raw));
    EXPECT_EQ(indent.value(plat::FontAttribute), code.value(plat::FontAttribute));
    expectBasePlus(factory->entityRich("&amp;"), settings->defaultTypingAttribute(ZQEditorType::Markup),
                   {{plat::ForegroundColorAttribute, colour(theme->richEntityColor())}, {ZQAttr::Entity, Value("&amp;")}});
    expectBasePlus(factory->escapeRich(), base,
                   {{ZQAttr::Escaped, Value("ESC")}, {plat::ForegroundColorAttribute, colour(theme->richEscapeColor())}});
    expectBasePlus(factory->dividerRich(), base, {{ZQAttr::FilterDivider, Value("Divider")}});
    EXPECT_EQ(factory->quoteRich().value(ZQAttr::Readonly), Value(ZQAttr::FilterQuote));
    EXPECT_EQ(factory->baseRich(99), base);

    const Attributes tag = factory->baseRich(27);
    const QString tagUuid = tag.value(ZQAttr::MacroTag).toString();
    EXPECT_EQ(tag.value(ZQAttr::Raw).toString(), tagUuid);
    EXPECT_EQ(tag.value(ZQAttr::TextBlock).toObject<ZQTextBlockStyle>()->uuid(), tagUuid);
    EXPECT_EQ(tag.value(plat::ForegroundColorAttribute), colour(theme->richTagColor()));

    const Attributes heading = factory->headingRich(3, "H", 0);
    EXPECT_EQ(heading.size(), 4u);
    EXPECT_EQ(heading.value(plat::FontAttribute).toObject<plat::Font>()->pointSize(),
              settings->headingFontSize(ZQEditorType::Rich)[2]);
    EXPECT_EQ(heading.value(plat::ForegroundColorAttribute), colour(theme->richHeadingColor()));
    EXPECT_EQ(heading.value(plat::ParagraphStyleAttribute), Value(settings->defaultParagraphStyle(ZQEditorType::Rich)));
}

TEST_F(ZQHighlighterTest, ListTabStops)
{
    auto locations = [](const Attributes& a) {
        std::vector<double> out;
        for (const auto& tab : a.value(plat::ParagraphStyleAttribute).toObject<plat::ParagraphStyle>()->tabStops())
            out.push_back(tab->location());
        return out;
    };
    auto twoLevels = ZQListStyle::initWithMarkerFormat("{decimal}.", 1);
    twoLevels->increaseLevel();
    const std::vector<double> list = locations(factory->listRich(twoLevels));
    ASSERT_EQ(list.size(), 14u);
    EXPECT_EQ(list[0], 47);
    EXPECT_EQ(list[1], 80);
    EXPECT_EQ(list[2], 116);
    EXPECT_EQ(list[13], 512);
    EXPECT_EQ(factory->listRich(twoLevels).value(plat::ParagraphStyleAttribute).toObject<plat::ParagraphStyle>()->headIndent(), 80);

    auto oneLevel = ZQListStyle::initWithMarkerFormat("{task}", 1);
    const std::vector<double> task = locations(factory->taskRich(oneLevel, " "));
    ASSERT_EQ(task.size(), 14u);
    EXPECT_EQ(task[0], 2);
    EXPECT_EQ(task[1], 35);
    EXPECT_EQ(task[2], 71);
    EXPECT_EQ(task[13], 467);

    const Attributes tab = factory->listIndentTabRich(twoLevels, false);
    const std::vector<double> tabStops = locations(tab);
    ASSERT_EQ(tabStops.size(), 13u);
    EXPECT_EQ(tabStops[0], 80);
    EXPECT_EQ(tab.value(ZQAttr::InListIndent), Value(twoLevels));
    EXPECT_FALSE(tab.contains(ZQAttr::FilterList));

    const auto style = tab.value(plat::ParagraphStyleAttribute).toObject<plat::ParagraphStyle>();
    EXPECT_TRUE(factory->tabStopsVerify(*style, 2, 0, true, false));
    EXPECT_FALSE(factory->tabStopsVerify(*style, 2, 0, false, false));
    EXPECT_FALSE(factory->tabStopsVerify(*plat::ParagraphStyle::create(), 1, 0, false, false));
}

TEST_F(ZQHighlighterTest, MergingAdjustsFontsAndKeepsHeadingColour)
{
    const auto menlo = plat::Font::create("Menlo", 14);
    const auto red = plat::Color::rgba(1, 0, 0);
    plat::MutableAttributedString text(QStringLiteral("ab cd ef"), Attributes{{plat::FontAttribute, Value(menlo)},
                                                                             {plat::ForegroundColorAttribute, Value(red)}});
    text.addAttribute(plat::FontAttribute, Value(menlo->withItalic(true)), plat::Range(3, 2));
    text.addAttribute(plat::FontAttribute, Value(menlo->withBold(true)), plat::Range(6, 2));

    // A bold dictionary: italic text becomes bold italic, bold text stays bold, the size stays.
    factory->applyAttributes(factory->baseRich(22), text, plat::Range(0, 8));
    auto fontAt = [&](qsizetype i) { return text.attributeAtIndex(plat::FontAttribute, i).toObject<plat::Font>(); };
    EXPECT_TRUE(fontAt(0)->isBold());
    EXPECT_TRUE(fontAt(3)->isBold() && fontAt(3)->isItalic());
    EXPECT_EQ(fontAt(0)->pointSize(), 14);
    EXPECT_EQ(text.attributeAtIndex(plat::ForegroundColorAttribute, 0), colour(theme->richBoldColor()));

    // A plain dictionary never takes bold away.
    factory->applyAttributes(factory->baseRich(26), text, plat::Range(6, 2));
    EXPECT_TRUE(fontAt(6)->isBold());
    EXPECT_EQ(text.attributeAtIndex(plat::UnderlineAttribute, 6), Value(qint64(1)));

    // Inside a heading the colour stays but fonts are resized.
    text.addAttribute(ZQAttr::FilterHeading, Value(ZQHeadingStyle::initWithUuid("H", 1)), plat::Range(0, 8));
    text.addAttribute(plat::ForegroundColorAttribute, Value(red), plat::Range(0, 8));
    factory->applyAttributes(factory->headingRich(1, "H2", 0), text, plat::Range(0, 8));
    EXPECT_EQ(text.attributeAtIndex(plat::ForegroundColorAttribute, 0), Value(red));
    EXPECT_EQ(fontAt(0)->pointSize(), settings->headingFontSize(ZQEditorType::Rich)[0]);
    EXPECT_TRUE(fontAt(3)->isItalic());
}

// Written together, paints end as written one after the other: the last one
// over a position wins, fonts gain every bold and italic, a heading keeps its
// colour.
TEST_F(ZQHighlighterTest, PaintsWrittenTogetherEndAsWrittenInTurn)
{
    using Paints = std::vector<ZQHighlighter::Paint>;
    const auto marker = [&](int type, qsizetype at, qsizetype length) {
        return ZQHighlighter::Paint{factory->baseMarkdown(type, ZQPairedAttribute::initWithMarker("**")),
                                    plat::Range(at, length)};
    };
    const auto body = [&](int type, qsizetype at, qsizetype length) {
        return ZQHighlighter::Paint{factory->baseBodyMarkdown(type), plat::Range(at, length)};
    };
    using H = ZQHighlighter;
    const std::vector<std::pair<const char*, Paints>> cases = {
        // Innermost first, as the paragraph scan pairs them: each body covers
        // the markers of the span inside it.
        {"nested strong",
         {body(H::Strong, 6, 2), marker(H::Strong, 4, 2), marker(H::Strong, 8, 2), body(H::Strong, 2, 10),
          marker(H::Strong, 0, 2), marker(H::Strong, 12, 2), body(H::Strong, 14, 0)}},
        {"strong and emphasis crossing a heading",
         {body(H::Emphasis, 1, 12), body(H::Strong, 5, 14), marker(H::Emphasis, 0, 1), marker(H::Strong, 19, 2),
          body(H::StrikeThrough, 3, 4), marker(H::Emphasis, 4, 1), body(H::Emphasis, 18, 6)}},
        {"a resizing paint among them",
         {body(H::Strong, 2, 10), H::Paint{factory->headingMarkdown(2, "H", 1), plat::Range(0, 6)},
          body(H::Emphasis, 4, 12), marker(H::Strong, 0, 2)}},
    };
    const Attributes base = settings->defaultTypingAttribute(ZQEditorType::Markup);
    const plat::FontPtr font = base.value(plat::FontAttribute).toObject<plat::Font>();
    ASSERT_TRUE(font);
    plat::MutableAttributedString page(QStringLiteral("**a **b** c** _d_ ~~e~~ f"), base);
    page.addAttribute(plat::FontAttribute, Value(font->withItalic(true)), plat::Range(3, 6));
    page.addAttribute(plat::FontAttribute, Value(font->withBold(true)), plat::Range(10, 3));
    page.addAttribute(ZQAttr::FilterHeading, Value(ZQHeadingStyle::initWithUuid("H", 1)), plat::Range(15, 10));
    for (const auto& [name, paints] : cases) {
        SCOPED_TRACE(name);
        plat::MutableAttributedString inTurn(page);
        for (const ZQHighlighter::Paint& paint : paints)
            factory->applyAttributes(paint.attributes, inTurn, paint.range);
        plat::MutableAttributedString together(page);
        factory->applyAttributesInOrder(paints, together);
        EXPECT_EQ(together, inTurn);
    }
}

TEST_F(ZQHighlighterTest, TogglingInlineStylesInTypingAttributes)
{
    const Attributes base = settings->defaultTypingAttribute(ZQEditorType::Rich);
    auto fontOf = [](const Attributes& a) { return a.value(plat::FontAttribute).toObject<plat::Font>(); };

    Attributes bold = factory->toggleTypingAttribute(22, base);
    EXPECT_TRUE(fontOf(bold)->isBold());
    EXPECT_EQ(bold.value(plat::ForegroundColorAttribute), colour(theme->richBoldColor()));
    bold.set(ZQAttr::FilterLink, Value(ZQLinkStyle::initWithUuid("L")));
    const Attributes unbold = factory->toggleTypingAttribute(22, bold);
    EXPECT_FALSE(fontOf(unbold)->isBold());
    EXPECT_EQ(unbold.value(plat::ForegroundColorAttribute), colour(theme->richLinkColor()));

    Attributes marked = base;
    marked.set(ZQAttr::FilterItalic, QStringLiteral("Italic"));
    marked.set(plat::ObliquenessAttribute, 0.2);
    const Attributes plain = factory->toggleTypingAttribute(23, marked);
    EXPECT_FALSE(plain.contains(ZQAttr::FilterItalic));
    EXPECT_FALSE(plain.contains(plat::ObliquenessAttribute));
    EXPECT_EQ(plain.value(plat::ForegroundColorAttribute), colour(theme->richTextColor()));

    const Attributes struck = factory->toggleTypingAttribute(24, base);
    EXPECT_EQ(struck.value(plat::StrikethroughAttribute), Value(qint64(1)));
    EXPECT_FALSE(factory->toggleTypingAttribute(24, struck).contains(plat::StrikethroughAttribute));

    const Attributes tagged = factory->toggleTypingAttribute(27, base);
    EXPECT_TRUE(tagged.contains(ZQAttr::TextBlock));
    const Attributes untagged = factory->toggleTypingAttribute(27, tagged);
    for (const QString& name : {ZQAttr::MacroTag, ZQAttr::TextBlock, ZQAttr::Raw})
        EXPECT_FALSE(untagged.contains(name));
    EXPECT_EQ(factory->toggleTypingAttribute(99, base), base);
}

TEST_F(ZQHighlighterTest, OperationsOnText)
{
    plat::MutableAttributedString text(QStringLiteral("[a]: /url\n[^n]: note"));
    auto ref = ZQLinkRef::initWithLink("/url", QString());
    ref->setContentRange(plat::Range(0, 9));
    ref->setLabelRange(plat::Range(1, 3));
    auto footnote = ZQLinkRef::initWithLink("note", QString());
    footnote->setIsFootnote(true);
    footnote->setContentRange(plat::Range(10, 10));
    footnote->setLabelRange(plat::Range(11, 5));
    factory->highlightLinkRefMarkdown(text, {ref, footnote});
    EXPECT_EQ(text.attributesAtIndex(0), factory->linkRefLabelMarkdown());
    EXPECT_EQ(text.attributesAtIndex(5), factory->linkRefMarkdown());
    EXPECT_EQ(text.attributesAtIndex(14), factory->linkRefLabelMarkdown());
    EXPECT_TRUE(text.attributesAtIndex(17).isEmpty());

    plat::MutableAttributedString block(QStringLiteral("code"), factory->codeblockRich("S", "k"));
    block.addAttribute(ZQAttr::CodeBlockKeyword, Value(theme->richTextColor()), plat::Range(0, 2));
    factory->removeCodeblockRich(block, plat::Range(0, 4));
    for (const QString& name : {ZQAttr::FilterCodeBlock, ZQAttr::Raw, ZQAttr::Readonly, ZQAttr::CodeBlockKeyword})
        EXPECT_TRUE(block.attributeAtIndex(name, 0).isNull());
    EXPECT_EQ(block.attributeAtIndex(plat::ForegroundColorAttribute, 0), colour(theme->richTextColor()));
}

} // namespace
