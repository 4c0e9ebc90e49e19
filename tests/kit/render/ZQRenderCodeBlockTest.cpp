#include "kit/render/ZSTextThemeApply.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQSyntaxCSS.h"
#include "kit/model/ZQSyntaxHighlighter.h"
#include "kit/render/ZQRender.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

#include "support/EventLoop.h"
#include "support/ScopedDefaults.h"

#include <gtest/gtest.h>

using plat::Range;
using testsupport::runEventsUntil;

namespace {

const QString RichSheet = QStringLiteral("atom-one-light");
const QString MarkupSheet = QStringLiteral("atom-one-dark");

bool same(const plat::Value& value, const plat::ColorPtr& colour)
{
    const auto found = value.toObject<plat::Color>();
    return found && colour && found->isEqual(*colour);
}

// The outcome of one highlighCodeBlock call.
struct Outcome {
    bool done = false;
    bool atOnce = false;
    std::optional<ZQErrorValue> error;
    std::optional<QStringList> ranges;
};

class RenderCodeBlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZSSettings::hookPlatformSettings(ZSSettings::create());
        render = std::make_unique<ZQRender>();
        theme = ZSTextTheme::loadTheme(QStringLiteral("light-twins"), true);
        ASSERT_TRUE(theme);
        theme->setEditorCodeBlockCSS(RichSheet);
        theme->setMdCodeBlockCSS(MarkupSheet);
        ZQRender::codeHighligherCaching().clear();
    }

    void TearDown() override
    {
        ZQRender::codeHighligherCaching().clear();
        render.reset();
        ZSSettings::hookPlatformSettings(nullptr);
    }

    static plat::Attributes part(const QString& code, const QString& key)
    {
        plat::Attributes attributes{{ZQAttr::FilterCodeBlock, code}};
        if (code != u"E")
            attributes.set(ZQAttr::Raw, key);
        return attributes;
    }

    // A fenced block marked as the code-block filter marks it; the body's range.
    static Range appendFenced(plat::TextStorage& text, const QString& key, const QString& info, const QString& code)
    {
        text.append(plat::AttributedString(QStringLiteral("```"), part("S", key)));
        text.append(plat::AttributedString(info + QStringLiteral("\n"), part("T", key)));
        const Range body(text.length(), code.size());
        if (!code.isEmpty())
            text.append(plat::AttributedString(code, part("B", key)));
        text.append(plat::AttributedString(QStringLiteral("\n```\n"), part("E", key)));
        return body;
    }

    static Range appendIndented(plat::TextStorage& text, const QString& key, const QString& code)
    {
        const Range body(text.length(), code.size());
        text.append(plat::AttributedString(code, plat::Attributes{{ZQAttr::IndentBlock, key}}));
        text.append(plat::AttributedString(QStringLiteral("\n")));
        return body;
    }

    Outcome highlight(const std::shared_ptr<plat::TextStorage>& text, ZQEditorType editorType)
    {
        auto outcome = std::make_shared<Outcome>();
        bool returned = false;
        render->highlighCodeBlock(text, editorType,
                                  [outcome, &returned](const std::optional<ZQErrorValue>& error,
                                                       const std::optional<QStringList>& ranges) {
            outcome->done = true;
            outcome->atOnce = !returned;
            outcome->error = error;
            outcome->ranges = ranges;
        });
        returned = true;
        EXPECT_TRUE(runEventsUntil([&] { return outcome->done; }));
        return *outcome;
    }

    static QStringList rangeTexts(std::initializer_list<Range> ranges)
    {
        QStringList list;
        for (Range r : ranges)
            list << plat::toString(r);
        list.sort();
        return list;
    }

    static QStringList sorted(const std::optional<QStringList>& ranges)
    {
        QStringList list = ranges.value_or(QStringList());
        list.sort();
        return list;
    }

    ScopedDefaults defaults;
    std::unique_ptr<ZQRender> render;
    std::shared_ptr<ZSTextTheme> theme;
};

TEST_F(RenderCodeBlockTest, ColoursFencedBlocksWithTheSheetOfEachEditorType)
{
    const QString code = QStringLiteral("if (a < b && s == \"x\ty\") {\r\n\treturn '\u00a0'; // & <b>\r\n}");
    const QString keywords[] = {QStringLiteral("if"), QStringLiteral("return")};
    const auto& sheets = ZQSyntaxHighlighter::sharedSyntaxHighlighter().cssMap();
    ASSERT_TRUE(sheets.count(RichSheet) && sheets.count(MarkupSheet));

    plat::ColorPtr keywordColours[2];
    int round = 0;
    for (const auto& [editorType, sheet] :
         {std::pair {ZQEditorType::Rich, RichSheet}, std::pair {ZQEditorType::Markup, MarkupSheet}}) {
        SCOPED_TRACE(storedValue(editorType));
        const ZQSyntaxCSSPtr css = sheets.at(sheet);
        const plat::ColorPtr keyword = css->findColorForCssChain({"c", "hljs-keyword"});
        ASSERT_TRUE(keyword);
        keywordColours[round++] = keyword;

        auto text = std::make_shared<plat::TextStorage>();
        text->append(plat::AttributedString(QStringLiteral("Intro\n")));
        const QString key = QStringLiteral("block-%1").arg(storedValue(editorType));
        const Range body = appendFenced(*text, key, QStringLiteral("c"), code);
        const Outcome outcome = highlight(text, editorType);
        ASSERT_FALSE(outcome.error);
        EXPECT_FALSE(outcome.atOnce);
        EXPECT_EQ(sorted(outcome.ranges), rangeTexts({body}));

        for (const QString& word : keywords) {
            const qsizetype at = body.location + code.indexOf(word);
            for (qsizetype i = at; i < at + word.size(); ++i) {
                EXPECT_TRUE(same(text->attributeAtIndex(plat::ForegroundColorAttribute, i), keyword)) << i;
                EXPECT_TRUE(same(text->attributeAtIndex(ZQAttr::CodeBlockKeyword, i), keyword)) << i;
            }
        }
        // Plain code between the tokens is in the body colour, unmarked.
        const qsizetype plain = body.location + code.indexOf(QStringLiteral("(a < b &&"));
        for (qsizetype i = plain; i < plain + 9; ++i) {
            EXPECT_TRUE(same(text->attributeAtIndex(plat::ForegroundColorAttribute, i), css->bodyColor())) << i;
            EXPECT_TRUE(text->attributeAtIndex(ZQAttr::CodeBlockKeyword, i).isNull());
        }

        const auto item = ZQRender::codeHighligherCaching().at(key);
        EXPECT_EQ(item->codeRange(), body);
        EXPECT_EQ(item->codeText(), code);
        EXPECT_EQ(item->codeLang(), QStringLiteral("c"));
        EXPECT_EQ(item->cssName(), sheet);
        EXPECT_EQ(item->firstKeywordRange(), Range(body.location, 2));
        EXPECT_GT(item->lastUsedTime(), 0);
    }
    EXPECT_FALSE(keywordColours[0]->isEqual(*keywordColours[1])) << "the two sheets must tell the editors apart";
}

TEST_F(RenderCodeBlockTest, ThemeSwitchRecoloursOpenCodeBlocksWithTheNewSheet)
{
    const auto& sheets = ZQSyntaxHighlighter::sharedSyntaxHighlighter().cssMap();
    ASSERT_TRUE(sheets.count(RichSheet) && sheets.count(MarkupSheet));
    plat::TextView view;
    view.setEditorType(storedValue(ZQEditorType::Rich));
    const Range body = appendFenced(*view.textStorage(), "themed", "c", "return 0;");
    const Range keyword(body.location, 6);
    ASSERT_FALSE(highlight(view.textStorage(), ZQEditorType::Rich).error);
    const plat::ColorPtr before = sheets.at(RichSheet)->findColorForCssChain({"c", "hljs-keyword"});
    const plat::ColorPtr after = sheets.at(MarkupSheet)->findColorForCssChain({"c", "hljs-keyword"});
    ASSERT_TRUE(before && after && !before->isEqual(*after));
    EXPECT_TRUE(same(view.textStorage()->attributeAtIndex(plat::ForegroundColorAttribute, keyword.location), before));

    // The new theme names another sheet; no one waits for the colouring.
    theme->setEditorCodeBlockCSS(MarkupSheet);
    ZSTextThemeApply::applyCodeBlockTheme(*theme, view, *render);
    EXPECT_TRUE(runEventsUntil([&] {
        return same(view.textStorage()->attributeAtIndex(plat::ForegroundColorAttribute, keyword.end() - 1), after);
    }));
    for (qsizetype i = keyword.location; i < keyword.end(); ++i)
        EXPECT_TRUE(same(view.textStorage()->attributeAtIndex(plat::ForegroundColorAttribute, i), after)) << i;
}

TEST_F(RenderCodeBlockTest, SendsOnlyBlocksWhoseColouringNoLongerHolds)
{
    auto text = std::make_shared<plat::TextStorage>();
    text->append(plat::AttributedString(QStringLiteral("Top\n")));
    Range first = appendFenced(*text, "first", "c ", "int a = 1;");
    const Range infoOfFirst(first.location - 3, 2);
    Range second = appendFenced(*text, "second", "", "x = 2");
    appendFenced(*text, "empty", "c", "");
    Range indented = appendIndented(*text, "indented", "    y = 3");

    const auto shift = [](Range& r, qsizetype by) { r.location += by; };
    struct Step {
        const char* what;
        std::function<void()> edit;
        std::function<QStringList()> expected; // empty: nothing is sent
    };
    const std::vector<Step> steps = {
        {"first time", [] {}, [&] { return rangeTexts({first, second, indented}); }},
        {"unchanged", [] {}, [] { return QStringList(); }},
        {"blank space moved around the language",
         [&] { text->replaceCharacters(infoOfFirst, QStringLiteral(" c")); }, [] { return QStringList(); }},
        {"typing inside a block",
         [&] { text->replaceCharacters(Range(second.location, 1), QStringLiteral("z")); },
         [&] { return rangeTexts({second}); }},
        {"another language", [&] { text->replaceCharacters(infoOfFirst, QStringLiteral("js")); },
         [&] { return rangeTexts({first}); }},
        {"text above the blocks",
         [&] {
             text->replaceCharacters(Range(0, 0), QStringLiteral("New line\n"));
             for (Range* r : {&first, &second, &indented})
                 shift(*r, 9);
         },
         [&] { return rangeTexts({first, second, indented}); }},
        {"another sheet", [&] { theme->setEditorCodeBlockCSS(MarkupSheet); },
         [&] { return rangeTexts({first, second, indented}); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.edit();
        const QStringList expected = step.expected();
        const Outcome outcome = highlight(text, ZQEditorType::Rich);
        EXPECT_FALSE(outcome.error);
        if (expected.isEmpty()) {
            EXPECT_TRUE(outcome.atOnce);
            EXPECT_FALSE(outcome.ranges.has_value());
        } else {
            EXPECT_FALSE(outcome.atOnce);
            EXPECT_EQ(sorted(outcome.ranges), expected);
        }
    }
    EXPECT_EQ(ZQRender::codeHighligherCaching().size(), 3u);
    EXPECT_EQ(ZQRender::codeHighligherCaching().at("indented")->codeLang(), QString());

    // A sheet that is not there: the caller hears of it, nothing is cached.
    theme->setEditorCodeBlockCSS(QStringLiteral("nosuchsheet"));
    const double before = ZQRender::codeHighligherCaching().at("first")->lastUsedTime();
    const Outcome outcome = highlight(text, ZQEditorType::Rich);
    EXPECT_TRUE(outcome.error);
    EXPECT_FALSE(outcome.atOnce);
    EXPECT_EQ(ZQRender::codeHighligherCaching().at("first")->lastUsedTime(), before);
}

TEST_F(RenderCodeBlockTest, BeyondFiftyEntriesTheThirtyStoredLastStay)
{
    // A block whose cached colouring holds, so that checking it sends nothing.
    auto text = std::make_shared<plat::TextStorage>();
    const Range body = appendFenced(*text, "kept", "c", "x");

    for (const int entries : {50, 51, 80}) {
        SCOPED_TRACE(entries);
        auto& cache = ZQRender::codeHighligherCaching();
        cache.clear();
        auto kept = std::make_shared<ZQHighlighterBlockCacheItem>("kept", body, "c", RichSheet);
        kept->setCodeText("x");
        kept->setFirstKeywordRange(Range::notFound());
        kept->setLastUsedTime(1000);
        cache["kept"] = kept;
        for (int i = 1; i < entries; ++i) {
            const QString key = QStringLiteral("old-%1").arg(i);
            cache[key] = std::make_shared<ZQHighlighterBlockCacheItem>(key, Range(0, 1), "c", RichSheet);
            cache[key]->setLastUsedTime(i);
        }

        const Outcome outcome = highlight(text, ZQEditorType::Rich);
        EXPECT_TRUE(outcome.atOnce);
        if (entries <= 50) {
            EXPECT_EQ(cache.size(), std::size_t(entries));
            continue;
        }
        ASSERT_EQ(cache.size(), 30u);
        EXPECT_TRUE(cache.count("kept"));
        for (int i = entries - 29; i < entries; ++i)
            EXPECT_TRUE(cache.count(QStringLiteral("old-%1").arg(i))) << i;
    }
}

} // namespace
