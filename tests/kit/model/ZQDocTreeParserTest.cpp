#include "TreeOutline.h"
#include "kit/parsers/ZQDocTreeCheck.h"
#include "kit/parsers/ZQDocTreeParser.h"

#include <gtest/gtest.h>

namespace {

struct Parsed {
    ZSTree tree;
    ZQLinkRefMap map;
    std::vector<std::shared_ptr<ZQLinkRef>> duplicates;
    std::vector<plat::Range> escapes;
};

Parsed parse(const QString& text, qint64 option = 0)
{
    static ZQDocTreeParser parser;
    Parsed parsed;
    parsed.tree = parser.processDocTree(text, plat::wholeRange(text), &parsed.map, &parsed.duplicates,
                                        &parsed.escapes, option);
    EXPECT_EQ(ZQDocTreeCheck::firstBrokenInvariant(parsed.tree, text, plat::wholeRange(text)).toStdString(), "")
        << text.toStdString();
    return parsed;
}

std::shared_ptr<ZQTextNode> nodeAt(const ZSTree& tree, std::initializer_list<qsizetype> path)
{
    ZSTree node = tree;
    for (qsizetype index : path)
        node = node.childAtIndex(index);
    return plat::objectCast<ZQTextNode>(node.object());
}

} // namespace

// The tree of each construct, as the outline shows it (kind, then content).
TEST(ZQDocTreeParser, BlockStructures)
{
    const struct {
        const char* name;
        const char* markup;
        qint64 option;
        const char* outline;
    } cases[] = {
        {"quote with lazy line and nested quote", "> a\nb\n> > c\n", 0,
         "quote > \n  para a\\nb\\n\n  quote > \n    para c\\n\n"},
        {"loose list with nested item", "- a\n\n- b\n  - c\n", 0,
         "item - \n  para a\\n\n  blank \\n\nitem - \n  para b\\n\n  item - \n    para c\\n\n"},
        {"task states", "- [x] done\n* [X] big\n- [] empty\n- [-] dash\n- [y] not a task\n", 0,
         "task - \n  para done\\n\ntask * \n  para big\\n\ntask - \n  para empty\\n\ntask - \n  para dash\\n\n"
         "item - \n  para [y] not a task\\n\n"},
        {"task items take no lazy lines, list items do", "- [ ] task\nlazy\n- a\nlazy\n", 0,
         "task - \n  para task\\n\npara lazy\\n\nitem - \n  para a\\nlazy\\n\n"},
        {"fences: longer closer, other closers, closer with info, unclosed",
         "```\nx\n`````\n````\ny\n```\n~~~~\n````\n```js\n``` js\nz", 0,
         "fence ```\\n\n  para x\\n\n  para-end `````\\n\nfence ````\\n\n  para y\\n\n  para ```\\n\n  para ~~~~\\n\n"
         "  para-end ````\\n\nfence ```js\\n\n  para ``` js\\n\n  para z\n"},
        {"indented code and a paragraph after it", "    a\n\n    b\npara\n", 0,
         "code     a\\n\nblank \\n\ncode     b\\n\npara para\\n\n"},
        {"five spaces after a marker: item, then code", "-     code\n", 0, "item -     \n  code     code\\n\n"},
        {"HTML blocks end at a blank line; span and indented div start none",
         "<div>\n*a*\n\n<span>\nx\n\n    <div>\n\n<!-- c -->\n", 0,
         "html <div>\\n*a*\\n\nblank \\n\npara <span>\\nx\\n\nblank \\n\ncode     <div>\\n\nblank \\n\n"
         "html <!-- c -->\\n\n"},
        {"HTML block starts at the top level from inside a list item", "- item\n  <div>\n  x\n", 0,
         "item - \n  para item\\n\nhtml   <div>\\n  x\\n\n"},
        {"headings of Markdown", "a\n===\nb\n---\n## a ##\n####### x\n# #\n", 0,
         "setext1 a\\n\nsetext2 b\\n\nh2 \n  para a\\n\npara ####### x\\n\nh1 \n  para \\n\n"},
        {"two-line paragraph before an underline", "a\nb\n---\n", 0, "para a\\nb\\n\nhr ---\\n\n"},
        {"headings of Quorvel Markup", "h2. Title\n## not\nh7. x\nH2. x\nh2.x\n", ZQDocTreeParser::QuorvelMarkup,
         "h2 \n  para Title\\n\npara ## not\\nh7. x\\nH2. x\\nh2.x\\n\n"},
        {"divider is no list; lists split by delimiter", "* * *\n- a\n1. b\n2) c\n", 0,
         "hr * * *\\n\nitem - \n  para a\\n\nitem 1. \n  para b\\n\nitem 2) \n  para c\\n\n"},
        {"escaped markers start no block", "\\# no\n\\> no\n\\- no\n\\```\n", 0,
         "para \\# no\\n\\> no\\n\\- no\\n\\```\\n\n"},
        {"blank lines leave the last item only", "- a\n\n- b\n\n\npara\n", 0,
         "item - \n  para a\\n\n  blank \\n\nitem - \n  para b\\n\nblank \\n\nblank \\n\npara para\\n\n"},
        {"CR and CRLF line ends", "# h\r- a\r\n> q\r", 0,
         "h1 \n  para h\\n\nitem - \n  para a\\r\\n\nquote > \n  para q\\r\n"},
        // Quorvel Markup's "#" items.
        {"# items, a blank line between them keeps one list", "# a\n\n# b\n", ZQDocTreeParser::QuorvelMarkup,
         "item # \n  para a\\n\n  blank \\n\nitem # \n  para b\\n\n"},
        {"# without a blank after it, two signs, an escaped sign: text", "#a\n## b\n\\# c\n",
         ZQDocTreeParser::QuorvelMarkup, "para #a\\n## b\\n\\# c\\n\n"},
        {"# item empty at the line end", "#\n# x\n", ZQDocTreeParser::QuorvelMarkup,
         "item #\n  blank \\n\nitem # \n  para x\\n\n"},
        {"# item under a bullet, a bullet under it", "- a\n  # b\n    * c\n", ZQDocTreeParser::QuorvelMarkup,
         "item - \n  para a\\n\n  item # \n    para b\\n\n    item * \n      para c\\n\n"},
        {"# item in a quote, with a lazy line", "> # a\nb\n", ZQDocTreeParser::QuorvelMarkup,
         "quote > \n  item # \n    para a\\nb\\n\n"},
        {"# and five blanks: item, then code", "#     x\n", ZQDocTreeParser::QuorvelMarkup,
         "item #     \n  code     x\\n\n"},
        {"# item with task brackets", "# [x] done\n", ZQDocTreeParser::QuorvelMarkup, "task # \n  para done\\n\n"},
    };
    for (const auto& c : cases) {
        const Parsed parsed = parse(QString::fromUtf8(c.markup), c.option);
        EXPECT_EQ(treeOutline(parsed.tree), QString::fromUtf8(c.outline)) << c.name;
    }
}

TEST(ZQDocTreeParser, TidyPrintShowsRangesAndIndents)
{
    const Parsed parsed = parse(QStringLiteral("> a\n- b\n\tc\n"));
    EXPECT_EQ(parsed.tree.printTidyTree(), QStringLiteral(" T,{0, 0},{0, 0},0\n"
                                                          "  ->  2,{0, 2},{0, 1},0\n"
                                                          "    ->  T,{2, 2},{0, 0},0\n"
                                                          "  ->  3,{4, 2},{4, 2},2\n"
                                                          "    ->  T,{6, 2},{0, 0},0\n"));
    // The tab-indented line continues the item's paragraph (merged, not a node).
    EXPECT_EQ(nodeAt(parsed.tree, {1, 0})->content(), QStringLiteral("b\n\tc\n"));
}

TEST(ZQDocTreeParser, DefinitionsLeaveTheTextForTheLinkMap)
{
    const Parsed parsed = parse(QStringLiteral("[A]: /one\n[a]: /two \"t\"\n[^x]: first\n[^y]: second\n"
                                               "more\n\nText [a].\n\n[^z]: third\n[^x]: again\n"),
                                ZQDocTreeParser::RecordMarkerRanges);
    ASSERT_EQ(parsed.map.size(), 4);
    EXPECT_EQ(parsed.map.value("a")->link(), QStringLiteral("/one"));
    ASSERT_EQ(parsed.duplicates.size(), 2u);
    EXPECT_EQ(parsed.duplicates[0]->title(), QStringLiteral("t"));
    EXPECT_EQ(parsed.duplicates[1]->link(), QStringLiteral(" again"));
    // Footnotes numbered in text order, each body up to the next definition line.
    EXPECT_EQ(parsed.map.value("^x")->footnoteIndex(), 1);
    EXPECT_EQ(parsed.map.value("^y")->footnoteIndex(), 2);
    EXPECT_EQ(parsed.map.value("^z")->footnoteIndex(), 3);
    EXPECT_EQ(parsed.map.value("^x")->link(), QStringLiteral(" first"));
    EXPECT_EQ(parsed.map.value("^y")->link(), QStringLiteral(" second\nmore"));
    EXPECT_TRUE(parsed.map.value("^y")->isFootnote());
    // With ranges recorded: the second definition's text and its label within the
    // paragraph's remaining content.
    EXPECT_EQ(parsed.duplicates[0]->contentRange(), plat::Range(10, 14));
    EXPECT_EQ(parsed.duplicates[0]->labelRange(), plat::Range(0, 4));
    // Paragraphs made only of definitions are gone.
    EXPECT_EQ(treeOutline(parsed.tree), QStringLiteral("blank \\n\npara Text [a].\\n\nblank \\n\n"));
}

TEST(ZQDocTreeParser, DefinitionEdgeCases)
{
    const auto definitions = [](const QString& text) { return parse(text).map.size(); };
    EXPECT_EQ(definitions("[" + QString(998, 'x') + "]: /u\n"), 1);
    EXPECT_EQ(definitions("[" + QString(999, 'x') + "]: /u\n"), 0);
    EXPECT_EQ(definitions("[a]: /u trailing words\n"), 0);
    EXPECT_EQ(definitions("\\[a]: /u\n"), 0);
    EXPECT_EQ(definitions("# [a]: /u\n"), 0);    // heading text stays heading text
    EXPECT_EQ(definitions("    [a]: /u\n"), 0);  // code
    EXPECT_EQ(definitions("> [a]: /u\n"), 1);
    EXPECT_EQ(definitions("[^n]:\n"), 1);        // a footnote with an empty body
    // Without a map nothing is taken out.
    ZQDocTreeParser parser;
    const QString text = QStringLiteral("[a]: /u\n");
    EXPECT_EQ(parser.processDocTree(text, plat::wholeRange(text), nullptr, nullptr, nullptr, 0).numberOfChildren(), 1);
}

// A container keeps the line a definition left, lazy lines of the definition
// included: moved out after the list it would start on the item's marker.
TEST(ZQDocTreeParser, DefinitionInAContainerLeavesItsLineThere)
{
    struct Case {
        const char* text;
        const char* outline;
    };
    const Case cases[] = {
        {"- [a]: /u\n\nafter\n", "item - \n  blank \\n\nblank \\n\npara after\\n\n"},
        {"1. [^n]: note\nmore\n\nafter\n", "item 1. \n  blank \\n\nblank \\n\npara after\\n\n"},
        {"12) [a]: /u\n\"t\"\n- b\n", "item 12) \n  blank \\n\nitem - \n  para b\\n\n"},
        {"> [a]: /u\n\"t\"\n\nafter\n", "quote > \n  blank \\n\nblank \\n\npara after\\n\n"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const Parsed parsed = parse(text); // checks the tree's ranges
        EXPECT_EQ(parsed.map.size(), 1) << c.text;
        EXPECT_EQ(treeOutline(parsed.tree).toStdString(), c.outline) << c.text;
    }
}

// Every line of the page belongs to some node, the last one too.
TEST(ZQDocTreeParser, LastLineWithOnlyAQuoteMarkerStaysInTheQuote)
{
    for (const char* text : {"> quoted\n> ", "> quoted\n>"}) {
        const Parsed parsed = parse(QString::fromUtf8(text), ZQDocTreeParser::RecordMarkerRanges);
        EXPECT_EQ(treeOutline(parsed.tree).toStdString(), "quote > \n  para quoted\\n\n  blank \n") << text;
        const auto blank = nodeAt(parsed.tree, {0, 1});
        ASSERT_TRUE(blank);
        EXPECT_EQ(blank->lineRange(), plat::Range(9, qsizetype(strlen(text)) - 9)) << text;
    }
}

TEST(ZQDocTreeParser, EscapesAreReportedAndKept)
{
    const Parsed parsed = parse(QStringLiteral("\\# a \\\\ b\n"));
    EXPECT_EQ(parsed.escapes, (std::vector<plat::Range>{plat::Range(0, 2), plat::Range(5, 2)}));
    EXPECT_EQ(nodeAt(parsed.tree, {0})->content(), QStringLiteral("\\# a \\\\ b\n"));
}

TEST(ZQDocTreeParser, OptionBits)
{
    // 2: a lazy line loses its leading blanks.
    EXPECT_EQ(nodeAt(parse(QStringLiteral("> a\n   b\n"), 2).tree, {0, 0})->content(), QStringLiteral("a\nb\n"));
    EXPECT_EQ(nodeAt(parse(QStringLiteral("> a\n   b\n"), 0).tree, {0, 0})->content(), QStringLiteral("a\n   b\n"));
    // 8: the item's indentation is left out of a continuation line's content range.
    EXPECT_EQ(nodeAt(parse(QStringLiteral("- a\n\n  b\n"), 8).tree, {0, 2})->contentRange(), plat::Range(7, 2));
    EXPECT_EQ(nodeAt(parse(QStringLiteral("- a\n\n  b\n"), 0).tree, {0, 2})->contentRange(), plat::Range(5, 4));
    // 16: every line's quote marker is recorded.
    EXPECT_EQ(nodeAt(parse(QStringLiteral("> a\n> b\n>c\n"), 16).tree, {0})->mergedMarkerRanges(),
              (std::vector<plat::Range>{plat::Range(0, 1), plat::Range(4, 1), plat::Range(8, 1)}));
    EXPECT_TRUE(nodeAt(parse(QStringLiteral("> a\n> b\n"), 0).tree, {0})->mergedMarkerRanges().empty());
}

TEST(ZQDocTreeParser, NodeDetails)
{
    const Parsed parsed = parse(QStringLiteral("1. [X] done\n   ~~~ info  \n   x\n3) y\n"));
    const auto task = nodeAt(parsed.tree, {0});
    const auto info = std::dynamic_pointer_cast<ZQTextNodeListItem>(task->nodeInfo());
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->isCompletedTask());
    EXPECT_EQ(task->markerRange(), plat::Range(0, 7));
    EXPECT_EQ(task->indentLength(), 3);
    const auto fence = nodeAt(parsed.tree, {0, 1});
    const auto fenced = std::dynamic_pointer_cast<ZQTextNodeFencedBlock>(fence->nodeInfo());
    ASSERT_TRUE(fenced);
    EXPECT_EQ(fenced->fencedMarker(), QStringLiteral("~~~"));
    EXPECT_EQ(fenced->fencedBlockInfoTag(), QStringLiteral("info"));
    EXPECT_EQ(fenced->fencedTagRange(), plat::Range(19, 4));
    const auto ordered = std::dynamic_pointer_cast<ZQTextNodeListItem>(nodeAt(parsed.tree, {1})->nodeInfo());
    // An empty heading's text stays on its own line.
    EXPECT_EQ(nodeAt(parse(QStringLiteral("#\nx\n")).tree, {0, 0})->contentRange(), plat::Range(1, 0));
    EXPECT_EQ(nodeAt(parse(QStringLiteral("## ##\n")).tree, {0, 0})->contentRange(), plat::Range(3, 0));
    EXPECT_TRUE(ordered->isOrdered());
    EXPECT_EQ(ordered->marker(), QStringLiteral("3)"));
    EXPECT_EQ(ordered->markerOrderIndex(), 3);
}

// "#" items count from one within their list; a nested list counts on its own.
TEST(ZQDocTreeParser, NumberSignItemsAreNumberedWithinTheirList)
{
    const Parsed parsed = parse(QStringLiteral("# a\n# b\n  # x\n  # y\n\n# c\n\npara\n\n# d\n1. e\n# f\n"),
                                ZQDocTreeParser::QuorvelMarkup);
    const auto info = [&](std::initializer_list<qsizetype> path) {
        return std::dynamic_pointer_cast<ZQTextNodeListItem>(nodeAt(parsed.tree, path)->nodeInfo());
    };
    const struct {
        std::initializer_list<qsizetype> path;
        qint64 index;
    } items[] = {
        {{0}, 1}, {{1}, 2}, {{1, 1}, 1}, {{1, 2}, 2}, {{2}, 3},
        {{6}, 1}, // a paragraph ended the list
        {{8}, 1}, // after a list of another kind
    };
    for (const auto& item : items) {
        ASSERT_TRUE(info(item.path));
        EXPECT_EQ(info(item.path)->marker(), QStringLiteral("#"));
        EXPECT_TRUE(info(item.path)->isOrdered());
        EXPECT_EQ(info(item.path)->markerOrderIndex(), item.index) << treeOutline(parsed.tree).toStdString();
    }
    EXPECT_TRUE(info({0})->isSameList(info({1}).get()));
    EXPECT_FALSE(info({6})->isSameList(info({7}).get()));
}
