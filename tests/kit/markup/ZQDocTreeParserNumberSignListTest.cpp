// "#" list items of Quorvel Markup: numbered items of the own dialect only.

#include "TreeOutline.h"
#include "kit/markup/ZQDocTreeParser.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 Quorvel = ZQDocTreeParser::QuorvelMarkup;

ZSTree parse(const QString& text, qint64 option)
{
    static ZQDocTreeParser parser;
    ZQLinkRefMap map;
    return parser.processDocTree(text, plat::wholeRange(text), &map, nullptr, nullptr, option);
}

std::shared_ptr<ZQTextNodeListItem> itemInfo(const ZSTree& tree, std::initializer_list<qsizetype> path)
{
    ZSTree node = tree;
    for (qsizetype index : path)
        node = node.childAtIndex(index);
    const auto textNode = plat::objectCast<ZQTextNode>(node.object());
    return textNode ? std::dynamic_pointer_cast<ZQTextNodeListItem>(textNode->nodeInfo()) : nullptr;
}

} // namespace

TEST(ZQDocTreeParserNumberSign, ItemsOfTheOwnDialectOnly)
{
    const struct {
        const char* name;
        const char* markup;
        qint64 option;
        const char* outline;
    } cases[] = {
        {"items, a blank line between them keeps one list", "# a\n\n# b\n", Quorvel,
         "item # \n  para a\\n\n  blank \\n\nitem # \n  para b\\n\n"},
        {"Markdown reads a heading", "# a\n", 0, "h1 \n  para a\\n\n"},
        {"no blank after the sign, two signs, escaped sign: text", "#a\n## b\n\\# c\n", Quorvel,
         "para #a\\n## b\\n\\# c\\n\n"},
        {"empty item at the line end", "#\n# x\n", Quorvel, "item #\n  blank \\n\nitem # \n  para x\\n\n"},
        {"nested under a bullet, and a bullet nested in it", "- a\n  # b\n    * c\n", Quorvel,
         "item - \n  para a\\n\n  item # \n    para b\\n\n    item * \n      para c\\n\n"},
        {"inside a quote, with a lazy line", "> # a\nb\n", Quorvel, "quote > \n  item # \n    para a\\nb\\n\n"},
        {"five blanks after the sign: item, then code", "#     x\n", Quorvel, "item #     \n  code     x\\n\n"},
        {"task brackets after the sign", "# [x] done\n", Quorvel, "task # \n  para done\\n\n"},
        {"heading and divider still win", "h1. t\n* * *\n", Quorvel, "h1 \n  para t\\n\nhr * * *\\n\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(treeOutline(parse(QString::fromUtf8(c.markup), c.option)), QString::fromUtf8(c.outline)) << c.name;
}

TEST(ZQDocTreeParserNumberSign, ItemsAreNumberedFromOneWithinTheirList)
{
    const ZSTree tree = parse(QStringLiteral("# a\n# b\n  # x\n  # y\n\n# c\n\npara\n\n# d\n1. e\n# f\n"), Quorvel);
    const struct {
        std::initializer_list<qsizetype> path;
        qint64 index;
    } items[] = {
        {{0}, 1}, {{1}, 2}, {{1, 1}, 1}, {{1, 2}, 2}, {{2}, 3}, // the nested list counts on its own
        {{6}, 1},                                               // a paragraph ended the list
        {{8}, 1},                                               // after a list of another kind
    };
    for (const auto& item : items) {
        const auto info = itemInfo(tree, item.path);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->marker(), QStringLiteral("#"));
        EXPECT_TRUE(info->isOrdered());
        EXPECT_EQ(info->markerOrderIndex(), item.index) << treeOutline(tree).toStdString();
    }
    // The sign and a numbered marker never share a list.
    EXPECT_FALSE(itemInfo(tree, {6})->isSameList(itemInfo(tree, {7}).get()));
    EXPECT_TRUE(itemInfo(tree, {0})->isSameList(itemInfo(tree, {1}).get()));
}
