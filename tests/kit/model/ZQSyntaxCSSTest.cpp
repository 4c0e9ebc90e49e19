#include "kit/model/ZQSyntaxCSS.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

namespace {

plat::ColorPtr rgb(int r, int g, int b, double a = 1.0)
{
    return plat::Color::rgba(r / 255.0, g / 255.0, b / 255.0, a);
}

bool same(const plat::ColorPtr& a, const plat::ColorPtr& b)
{
    return a && b && a->isEqual(*b);
}

QStringList names(const ZSSyntaxCSSChainPtr& chain)
{
    return chain->names();
}

TEST(ZQSyntaxCSS, ReadsSelectorsColoursAndTheSheetName)
{
    ZQSyntaxCSS css;
    css.loadCSSContent(QStringLiteral(
        "/* cssname : My Sheet */\n"
        "pre code.hljs { display: block; }\n"
        ".hljs { color: #abcdef; background: #000 }\n"
        ".hljs-string, .hljs-title { color: #a1b; }\n"
        ".hljs-class .hljs-title.class_ { background-color: #fff; color: #102030 }\n"
        "code.hljs-keyword { color: #111111 }\n"
        ".hljs-link { color: red }\n"
        ".hljs-meta { color: #11223380 }\n"
        ".hljs-tag { color: #1238 }\n"));
    EXPECT_TRUE(css.isValid());
    EXPECT_EQ(css.name(), QStringLiteral("My Sheet"));
    EXPECT_TRUE(same(css.bodyColor(), rgb(0xAB, 0xCD, 0xEF)));

    const auto& chains = css.chains();
    ASSERT_EQ(chains.size(), 6u);
    EXPECT_EQ(names(chains[1]), QStringList{"hljs-string"});
    EXPECT_EQ(names(chains[2]), QStringList{"hljs-title"});
    EXPECT_TRUE(same(chains[1]->fontColor(), rgb(0xAA, 0x11, 0xBB)));
    EXPECT_EQ(names(chains[3]), (QStringList{"hljs-class", "hljs-title.class_"}));
    EXPECT_TRUE(same(chains[3]->fontColor(), rgb(0x10, 0x20, 0x30)));
    // Colours with alpha are read as CSS means them: the last digits are alpha over 255.
    EXPECT_TRUE(same(chains[4]->fontColor(), rgb(0x11, 0x22, 0x33, 0x80 / 255.0)));
    EXPECT_TRUE(same(chains[5]->fontColor(), rgb(0x11, 0x22, 0x33, 0x88 / 255.0)));
}

TEST(ZQSyntaxCSS, SheetWithoutBodyColourIsInvalid)
{
    ZQSyntaxCSS css;
    css.loadCSSContent(QStringLiteral(".hljs { background: #fff }\n.hljs-string { color: #00f }"));
    EXPECT_FALSE(css.isValid());
    EXPECT_EQ(css.chains().size(), 1u);
}

TEST(ZQSyntaxCSS, EmptyCommentOrRuleStopsReading)
{
    ZQSyntaxCSS emptyRule;
    emptyRule.loadCSSContent(QStringLiteral(".hljs { color: #fff }\n.a {}\n.b { color: #000 }"));
    EXPECT_EQ(emptyRule.chains().size(), 1u);

    ZQSyntaxCSS emptyComment;
    emptyComment.loadCSSContent(QStringLiteral(".hljs { color: #fff }/**/.b { color: #000 }"));
    EXPECT_EQ(emptyComment.chains().size(), 1u);

    ZQSyntaxCSS openEnd;
    openEnd.loadCSSContent(QStringLiteral(".hljs { color: #fff } .b {"));
    EXPECT_EQ(openEnd.chains().size(), 1u);
}

TEST(ZQSyntaxCSS, LookupPicksTheChainTheInnermostClassDecides)
{
    ZQSyntaxCSS css;
    css.loadCSSContent(QStringLiteral(
        ".hljs { color: #000 }\n"
        ".hljs-string { color: #010101 }\n"
        ".hljs-title { color: #020202 }\n"
        ".hljs-class .hljs-title { color: #030303 }\n"));
    EXPECT_TRUE(same(css.findColorForCssChain({"python", "hljs-string"}), rgb(1, 1, 1)));
    EXPECT_TRUE(same(css.findColorForCssChain({"hljs-class", "hljs-title"}), rgb(3, 3, 3)));
    EXPECT_TRUE(same(css.findColorForCssChain({"hljs-title"}), rgb(2, 2, 2)));
    EXPECT_FALSE(css.findColorForCssChain({"hljs-number"}));
    // Both "hljs" chains match a stack with "hljs" twice removed; nothing decides.
    ZQSyntaxCSS twice;
    twice.loadCSSContent(QStringLiteral(".hljs { color: #000; color: #111 }"));
    EXPECT_FALSE(twice.findColorForCssChain({"hljs"}));
}

// Every sheet the npm package ships is read without a crash, and each is
// either valid or rejected for having no colour for "hljs" or no chains.
TEST(ZQSyntaxCSS, EveryShippedSheetIsReadOrRejected)
{
    const QString root = qEnvironmentVariable("QUORVEL_NODE_MODULES") + QStringLiteral("/highlight.js/styles");
    ASSERT_TRUE(QDir(root).exists()) << root.toStdString();
    int valid = 0;
    int total = 0;
    QDirIterator it(root, {QStringLiteral("*.css")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        ZQSyntaxCSS css;
        css.loadCSSContent(QString::fromUtf8(file.readAll()));
        ++total;
        if (css.isValid())
            ++valid;
        else
            EXPECT_TRUE(css.chains().empty() || !css.bodyColor()) << it.filePath().toStdString();
    }
    EXPECT_GT(total, 400);
    EXPECT_GT(valid, total / 2);
}

} // namespace

#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZQSyntaxHighlighter.h"

#include <QTemporaryDir>

namespace {

TEST(ZQSyntaxHighlighterSheets, IndexesFollowNamesAndSheetsAreFoundByFileName)
{
    QTemporaryDir dir;
    auto write = [&](const char* file, const char* css) {
        QFile f(dir.filePath(file));
        f.open(QIODevice::WriteOnly);
        f.write(css);
        return dir.filePath(file);
    };
    const QStringList paths = {
        write("a.css", "/* cssname: Zeta */ .hljs { color: #010101 }"),
        write("b.css", "/* cssname: Alpha */ .hljs { color: #020202 }"),
        write("c.css", ".hljs { color: #030303 }"),
        write("d.css", ".hljs { background: #fff }"), // no body colour: left out
    };
    const ZQSyntaxHighlighter sheets(paths);
    const auto list = sheets.availableCSSList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->filename(), QStringLiteral("b"));
    EXPECT_EQ(list[1]->name(), QStringLiteral("Zeta"));
    EXPECT_EQ(list[2]->name(), QStringLiteral("c"));
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i]->index(), qint64(i));

    const auto theme = ZSTextTheme::create();
    sheets.fillInThemeCodeBlockColor(*theme, QStringLiteral("a"), ZQEditorType::Markup);
    EXPECT_TRUE(theme->codeBlockMdForeColor()->isEqual(*plat::Color::rgba(1 / 255.0, 1 / 255.0, 1 / 255.0)));
    EXPECT_EQ(theme->codeBlockMdIndex(), 1);
    EXPECT_FALSE(theme->codeBlockEditorForeColor());
    sheets.fillInThemeCodeBlockColor(*theme, QStringLiteral("Zeta"), ZQEditorType::Rich); // names do not find sheets
    EXPECT_FALSE(theme->codeBlockEditorForeColor());

    const ZSCSSItem item = sheets.fillInThemeCodeBlockColor(*theme, qint64(2), ZQEditorType::Rich);
    EXPECT_EQ(item.filename, QStringLiteral("c"));
    EXPECT_EQ(theme->codeBlockEditorIndex(), 2);
    EXPECT_TRUE(sheets.fillInThemeCodeBlockColor(*theme, qint64(9), ZQEditorType::Rich).filename.isEmpty());
}

} // namespace
