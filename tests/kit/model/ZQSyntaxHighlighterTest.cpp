#include "kit/model/ZQSyntaxHighlighter.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQSyntaxWebViewHighlighter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Resources.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Attributes.h"
#include "support/EventLoop.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using plat::Range;
using testsupport::runEventsUntil;

namespace {

const QString Sheet = QStringLiteral(
    "/* cssname: Test */\n"
    ".hljs { color: #101010; background: #fff }\n"
    ".hljs-keyword { color: #202020 }\n"
    ".hljs-string { color: #303030 }\n"
    ".hljs-comment { color: #404040 }\n");

plat::ColorPtr hex(int v)
{
    return plat::Color::rgba(v / 255.0, v / 255.0, v / 255.0);
}
const plat::ColorPtr Body = hex(0x10);
const plat::ColorPtr Keyword = hex(0x20);
const plat::ColorPtr String = hex(0x30);
const plat::ColorPtr Comment = hex(0x40);
const plat::ColorPtr Before = plat::Color::rgba(1, 0, 0);

QString name(const plat::Value& colour)
{
    const auto c = colour.toObject<plat::Color>();
    return c ? c->toQColor().name() : QStringLiteral("none");
}

// Every message the program logs from before the first test on, so that the
// one-time report of the first colouring is seen whichever test colours first.
class LoggedLines : public ::testing::Environment {
public:
    void SetUp() override { previous = qInstallMessageHandler(&LoggedLines::record); }
    void TearDown() override { qInstallMessageHandler(previous); }

    static QStringList matching(const QRegularExpression& pattern)
    {
        const std::lock_guard lock(mutex);
        return lines.filter(pattern);
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        {
            const std::lock_guard lock(mutex);
            lines << message;
        }
        if (previous)
            previous(type, context, message);
    }

    static inline QtMessageHandler previous = nullptr;
    static inline std::mutex mutex;
    static inline QStringList lines;
};

[[maybe_unused]] ::testing::Environment* const loggedLines = ::testing::AddGlobalTestEnvironment(new LoggedLines);

struct Result {
    bool done = false;
    bool onMainThread = false;
    std::optional<ZQErrorValue> error;
    QStringList ranges;
};

// Highlighters of the test sheet and a page template (ours unless given). One
// with our template serves the whole suite, so that most runs reuse its page.
class SyntaxHighlighterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        ASSERT_TRUE(folder->isValid());
        const QString templ = plat::Resources::pathForResource(QStringLiteral("templ"), QStringLiteral("html"),
                                                               QStringLiteral("js/highlight"));
        ASSERT_FALSE(templ.isEmpty()) << "resources not found: run the tests through ctest";
        highlighter = make(templ).release();
    }

    static void TearDownTestSuite()
    {
        delete highlighter;
        delete folder;
    }

    static QString write(const QString& file, const QString& text)
    {
        QFile out(folder->filePath(file));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
        return out.fileName();
    }

    static std::unique_ptr<ZQSyntaxHighlighter> make(const QString& templ)
    {
        return std::make_unique<ZQSyntaxHighlighter>(QStringList{write(QStringLiteral("test.css"), Sheet)}, templ);
    }

    static std::shared_ptr<plat::MutableAttributedString> text(const QString& string)
    {
        return std::make_shared<plat::MutableAttributedString>(
            string, plat::Attributes{{plat::ForegroundColorAttribute, Before}});
    }

    // A completion that records its call in result.
    static ZQSyntaxHighlighter::Completion into(const std::shared_ptr<Result>& result)
    {
        return [result](const std::optional<ZQErrorValue>& error, const QStringList& ranges) {
            result->done = true;
            result->onMainThread = plat::isMainThread();
            result->error = error;
            result->ranges = ranges;
        };
    }

    // Starts a run; the result fills in when the completion comes.
    static std::shared_ptr<Result> start(ZQSyntaxHighlighter& hl, std::shared_ptr<plat::MutableAttributedString> text,
                                         const ZQSyntaxHighlighter::CodeBlocks& blocks,
                                         const QString& css = QStringLiteral("test"))
    {
        auto result = std::make_shared<Result>();
        hl.highlight(std::move(text), blocks, css, into(result));
        EXPECT_FALSE(result->done) << "the completion never runs inside the request";
        return result;
    }

    static Result run(ZQSyntaxHighlighter& hl, std::shared_ptr<plat::MutableAttributedString> text,
                      const ZQSyntaxHighlighter::CodeBlocks& blocks, const QString& css = QStringLiteral("test"))
    {
        const auto result = start(hl, std::move(text), blocks, css);
        EXPECT_TRUE(runEventsUntil([&] { return result->done; }));
        EXPECT_TRUE(result->onMainThread);
        return *result;
    }

    // Checks each character of range: its colour, and the keyword mark only
    // where a class rule coloured it.
    static void expectColours(const plat::AttributedString& text, Range range,
                              const std::function<std::pair<plat::ColorPtr, bool>(qsizetype)>& expected)
    {
        for (qsizetype i = range.location; i < range.end(); ++i) {
            const auto [colour, keyword] = expected(i);
            const plat::Value fg = text.attributeAtIndex(plat::ForegroundColorAttribute, i);
            const plat::Value mark = text.attributeAtIndex(ZQAttr::CodeBlockKeyword, i);
            EXPECT_EQ(name(fg), name(colour)) << "at " << i << " '" << QString(text.string()[i]).toStdString() << "'";
            EXPECT_EQ(name(mark), keyword ? name(colour) : QStringLiteral("none")) << "keyword mark at " << i;
        }
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline ZQSyntaxHighlighter* highlighter = nullptr;
};

TEST_F(SyntaxHighlighterTest, ColoursExactlyTheRightCharactersThroughEntitiesTabsLineEndsAndNoBreakSpaces)
{
    const QString code = QStringLiteral("if (a < b && s == \"x\ty\") {\r\n\treturn '\u00a0'; // 1 & <2>\r\n}\rx");
    const QString prefix = QStringLiteral("Text before <b>&amp;\r\n");
    auto storage = text(prefix + code + QStringLiteral("\r\nafter"));
    const Range block(prefix.size(), code.size());
    // A mark left from an earlier colouring goes where the code is plain now.
    storage->addAttribute(ZQAttr::CodeBlockKeyword, Keyword, Range(block.location + 3, 2));

    const Result result = run(*highlighter, storage, {{plat::toString(block), QStringLiteral("c")}});
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.ranges, QStringList{plat::toString(block)});

    struct Token {
        QString text;
        plat::ColorPtr colour;
    };
    const std::vector<Token> tokens = {{"if", Keyword}, {"\"x\ty\"", String}, {"return", Keyword},
                                       {QStringLiteral("'\u00a0'"), String}, {"// 1 & <2>", Comment}};
    std::vector<plat::ColorPtr> expected(code.size(), nullptr);
    for (const Token& token : tokens) {
        const qsizetype at = code.indexOf(token.text);
        ASSERT_GE(at, 0);
        std::fill(expected.begin() + at, expected.begin() + at + token.text.size(), token.colour);
    }
    expectColours(*storage, block, [&](qsizetype i) {
        const plat::ColorPtr colour = expected[i - block.location];
        return std::make_pair(colour ? colour : Body, colour != nullptr);
    });
    // Text outside the block keeps what it had.
    const auto untouched = [](qsizetype) { return std::make_pair(Before, false); };
    expectColours(*storage, Range(0, block.location), untouched);
    expectColours(*storage, Range(block.end(), storage->length() - block.end()), untouched);
}

TEST_F(SyntaxHighlighterTest, InfoStringsNameTheLanguageAndUnknownOnesFallBackToTheBodyColour)
{
    struct Case {
        QString lang;
        QString code;
        plat::ColorPtr firstWord;  // the colour of the code's first word
        bool keyword;
    };
    const std::vector<Case> cases = {
        {"OBJECTIVE   c", "@interface Foo\n@end", Keyword, true},
        {"Obj-C", "@interface Foo\n@end", Keyword, true},
        {"C#", "public class A {}", Keyword, true},
        {"c++", "return 0;", Keyword, true},
        {"nosuchlanguage", "return 0;", Body, false},
        // No language: plain, in the rule of the class highlight.js gives every block.
        {"", "return 0;", Body, true},
    };
    QString string;
    ZQSyntaxHighlighter::CodeBlocks blocks;
    std::vector<Range> ranges;
    for (const Case& c : cases) {
        string += QStringLiteral("\n");
        ranges.push_back(Range(string.size(), c.code.size()));
        blocks[plat::toString(ranges.back())] = c.lang;
        string += c.code;
    }
    auto storage = text(string);
    const Result result = run(*highlighter, storage, blocks);
    ASSERT_FALSE(result.error);
    EXPECT_EQ(result.ranges.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].lang.toStdString());
        const qsizetype firstWord = cases[i].code.indexOf(u' ');
        expectColours(*storage, Range(ranges[i].location, firstWord),
                      [&](qsizetype) { return std::make_pair(cases[i].firstWord, cases[i].keyword); });
    }
}

TEST_F(SyntaxHighlighterTest, BlocksEditedWhileThePageWorkedAreLeftAlone)
{
    const QString code = QStringLiteral("return 1;");
    auto storage = text(QStringLiteral("a\n%1\nb\n%1\nc\n%1").arg(code));
    const Range edited(2, code.size()), kept(edited.end() + 3, code.size()), cut(kept.end() + 3, code.size());
    const auto result = start(*highlighter, storage,
                              {{plat::toString(edited), "c"}, {plat::toString(kept), "c"}, {plat::toString(cut), "c"}});
    // The user types into the first block and deletes the end of the text.
    storage->replaceCharacters(Range(edited.location, 1), QStringLiteral("R"));
    storage->deleteCharacters(Range(cut.location + 2, storage->length() - cut.location - 2));

    ASSERT_TRUE(runEventsUntil([&] { return result->done; }));
    ASSERT_FALSE(result->error);
    EXPECT_EQ(result->ranges, QStringList{plat::toString(kept)});
    const auto before = [](qsizetype) { return std::make_pair(Before, false); };
    expectColours(*storage, edited, before);
    expectColours(*storage, Range(cut.location, 2), before);
    expectColours(*storage, Range(kept.location, 6), [](qsizetype) { return std::make_pair(Keyword, true); });
}

TEST_F(SyntaxHighlighterTest, ReadBackThatDiffersFromTheCodeColoursNothing)
{
    // A page that keeps the first block's text and adds to the second's.
    const QString templ = write(QStringLiteral("odd.html"), QStringLiteral(
        "<!DOCTYPE html><html><body>{{codebody}}<script>"
        "var codes = document.querySelectorAll('code');"
        "codes[0].innerHTML = '<span class=\"hljs-string\"><i>' + codes[0].innerHTML + '</i></span>';"
        "codes[1].innerHTML = '<span class=\"hljs-string\">' + codes[1].innerHTML + 'x</span>';"
        "</script></body></html>"));
    auto odd = make(templ);
    const Range first(0, 8), second(9, 5);
    // Twice: a loaded page that cannot take new blocks itself is loaded again.
    for (int round = 0; round < 2; ++round) {
        auto storage = text(QStringLiteral("a &lt; b\nc < d"));
        const Result result = run(*odd, storage, {{plat::toString(first), ""}, {plat::toString(second), ""}});
        ASSERT_FALSE(result.error);
        EXPECT_EQ(result.ranges, QStringList{plat::toString(first)});
        expectColours(*storage, first, [](qsizetype) { return std::make_pair(String, true); });
        expectColours(*storage, second, [](qsizetype) { return std::make_pair(Before, false); });
    }
}

TEST_F(SyntaxHighlighterTest, UnknownOrInvalidStyleSheetStillCompletesWithAnError)
{
    // A sheet that gives no colours is not loaded, so it is as unknown as a missing one.
    ZQSyntaxHighlighter withInvalid(
        {write(QStringLiteral("test.css"), Sheet),
         write(QStringLiteral("invalid.css"), QStringLiteral("/* cssname: Invalid */\n.hljs-keyword { font-weight: bold }\n"))},
        plat::Resources::pathForResource(QStringLiteral("templ"), QStringLiteral("html"), QStringLiteral("js/highlight")));
    for (const QString& sheet : {QStringLiteral("nosuchsheet"), QStringLiteral("invalid")}) {
        SCOPED_TRACE(sheet.toStdString());
        auto storage = text(QStringLiteral("return 0;"));
        const Result result = run(withInvalid, storage, {{plat::toString(Range(0, 9)), "c"}}, sheet);
        ASSERT_TRUE(result.error);
        EXPECT_TRUE(result.error->localizedDescription().contains(sheet));
        EXPECT_TRUE(result.ranges.isEmpty());
        expectColours(*storage, Range(0, 9), [](qsizetype) { return std::make_pair(Before, false); });
    }
}

TEST_F(SyntaxHighlighterTest, OnlyTheFirstColouringOfTheProgramIsReportedWithItsTime)
{
    for (int i = 0; i < 2; ++i) {
        const Result result = run(*highlighter, text(QStringLiteral("return 0;")), {{plat::toString(Range(0, 9)), "c"}});
        ASSERT_FALSE(result.error);
    }
    const QStringList reports = LoggedLines::matching(QRegularExpression(QStringLiteral("first colouring")));
    ASSERT_EQ(reports.size(), 1) << reports.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(reports.front().contains(QRegularExpression(QStringLiteral("took \\d+ ms")))) << reports.front().toStdString();
}

TEST_F(SyntaxHighlighterTest, OverlappingRunsUseTwoWorkersAndLaterRunsReuseTheIdleOne)
{
    const ZQSyntaxHighlighter::CodeBlocks blocks = {{plat::toString(Range(0, 9)), "c"}};
    const qint64 key = highlighter->highligherRetainKey();
    const auto first = start(*highlighter, text(QStringLiteral("return 0;")), blocks);
    const auto second = start(*highlighter, text(QStringLiteral("return 0;")), blocks);
    ASSERT_EQ(highlighter->highligherRetain().size(), 2u);
    EXPECT_NE(highlighter->highligherRetain().at(key + 1), highlighter->highligherRetain().at(key + 2));
    EXPECT_EQ(highlighter->cachedHighlighter(), nullptr);

    ASSERT_TRUE(runEventsUntil([&] { return first->done && second->done; }));
    EXPECT_TRUE(highlighter->highligherRetain().empty());
    const auto idle = highlighter->cachedHighlighter();
    ASSERT_NE(idle, nullptr);

    // A request from another thread waits for the main thread, runs in the
    // idle worker's loaded page and completes on the main thread.
    const auto third = std::make_shared<Result>();
    auto storage = text(QStringLiteral("return 0;"));
    std::thread caller([&] { highlighter->highlight(storage, blocks, "test", into(third)); });
    ASSERT_TRUE(runEventsUntil([&] { return third->done; }));
    caller.join();
    EXPECT_TRUE(third->onMainThread);
    EXPECT_EQ(third->ranges, QStringList{plat::toString(Range(0, 9))});
    expectColours(*storage, Range(0, 6), [](qsizetype) { return std::make_pair(Keyword, true); });
    EXPECT_EQ(highlighter->cachedHighlighter(), idle);
    EXPECT_EQ(highlighter->highligherRetainKey(), key + 3);
}

} // namespace
