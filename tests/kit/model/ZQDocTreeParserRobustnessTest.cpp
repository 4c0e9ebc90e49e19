// Malformed and extreme pages parse without crash: every line ends in some node.

#include "TreeOutline.h"
#include "kit/parsers/ZQDocTreeCheck.h"
#include "kit/parsers/ZQDocTreeParser.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

ZSTree parse(ZQDocTreeParser& parser, const QString& text, qint64 option = 0)
{
    ZQLinkRefMap map;
    std::vector<std::shared_ptr<ZQLinkRef>> duplicates;
    std::vector<plat::Range> escapes;
    const ZSTree tree = parser.processDocTree(text, plat::wholeRange(text), &map, &duplicates, &escapes, option);
    EXPECT_EQ(ZQDocTreeCheck::firstBrokenInvariant(tree, text, plat::wholeRange(text)).toStdString(), "")
        << text.toStdString();
    return tree;
}

qsizetype depthOfFirstLeaf(const ZSTree& root)
{
    ZSTree node = root;
    qsizetype depth = 0;
    while (node.numberOfChildren() > 0) {
        node = node.childAtIndex(0);
        ++depth;
    }
    return depth;
}

// Every node's line, content and marker ranges are ranges of the text.
bool rangesLieInText(const ZSTree& tree, const QString& text)
{
    bool inside = true;
    const auto within = [&](plat::Range r) {
        return r.location >= 0 && r.length >= 0 && r.end() <= text.size();
    };
    tree.enumerateDescendantsWithOptions(ZSTree::DescendantsPreOrder, [&](const ZSTree& node, bool* stop) {
        const auto value = plat::objectCast<ZQTextNode>(node.object());
        if (!within(value->lineRange()) || !within(value->contentRange()) || !within(value->markerRange())) {
            inside = false;
            *stop = true;
        }
    });
    return inside;
}

} // namespace

TEST(ZQDocTreeParserRobustness, DeepNestingNeedsNoRecursion)
{
    ZQDocTreeParser parser;
    const int levels = 10000;
    {
        const QString quotes = QString(levels, QLatin1Char('>')) + QStringLiteral(" deep\nlazy\n");
        const ZSTree tree = parse(parser, quotes, 16);
        EXPECT_EQ(depthOfFirstLeaf(tree), levels + 1); // the quotes and the paragraph
    }
    {
        QString lists;
        for (int i = 0; i < levels; ++i)
            lists += QStringLiteral("+ ");
        lists += QStringLiteral("item\n\n");
        const ZSTree tree = parse(parser, lists, 12);
        EXPECT_EQ(depthOfFirstLeaf(tree), levels + 1);
    }
}

TEST(ZQDocTreeParserRobustness, MalformedInputParses)
{
    ZQDocTreeParser parser;
    const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b\n> ") + QChar(0) + QStringLiteral("\n");
    const QString cases[] = {
        QStringLiteral("```\nunclosed fence\n> > - [ ] <div>\n    ~~~"),
        QStringLiteral("[unclosed label\n[a]: <unclosed\n[b]: /u 'unclosed title\n[^fn]:"),
        QStringLiteral("- a\r\n  - b\r\n> c\r\n\r\n```\r\nx\r\n```\r\n"),
        QStringLiteral("# h\r- a\r\r    code\r> q\r"),
        nul,
        QStringLiteral("\t-\t>\t#\t\n\t\t```\t\n"),
        QString(),
        QStringLiteral("\n\n\n"),
        QStringLiteral("- a\n  - [ ]\n  - [x]"),
    };
    for (const QString& text : cases) {
        const ZSTree tree = parse(parser, text);
        EXPECT_EQ(tree.numberOfChildren() == 0, text.isEmpty()) << qPrintable(text);
    }
}

TEST(ZQDocTreeParserRobustness, HugeSingleLines)
{
    ZQDocTreeParser parser;
    const qsizetype size = 5 * 1024 * 1024;
    const QString lines[] = {
        QString(size, QLatin1Char('a')),
        QStringLiteral("```") + QString(size, QLatin1Char(' ')) + QLatin1Char('x'),
        QStringLiteral("[a]: ") + QString(size, QLatin1Char('(')),
        QString(size, QLatin1Char('-')) + QLatin1Char('x'),
        QStringLiteral("<div ") + QString(size / 10, QLatin1Char('\t')), // each tab becomes spaces
    };
    for (const QString& text : lines) {
        const ZSTree tree = parse(parser, text);
        EXPECT_GE(tree.numberOfChildren(), 1);
    }
}

// Random pages built from the markers of every construct, in every option.
TEST(ZQDocTreeParserRobustness, RandomMarkerSoup)
{
    const QStringList pieces = {"> ",   ">",     "- ",  "* ",   "+",    "1. ",  "12) ", "[ ] ", "[x]",  "```",
                                "~~~~", "    ",  "\t",  "# ",   "###",  "h2. ", "<div>", "<!--", "[a]: ", "/u",
                                "\"t\"", "[^n]:", "===", "---",  "* * *", "\\",  "\\#", "x",    " ",    "\n",
                                "\n",   "\r\n",  "\r",  QString(QChar(0))};
    const qint64 options[] = {0, 2, 8, 12, 16, 32, 70, 0x10000C};
    QRandomGenerator random(20240611);
    ZQDocTreeParser parser;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(random.bounded(1, 40));
        for (int i = 0; i < length; ++i)
            text += pieces.at(int(random.bounded(qsizetype(pieces.size()))));
        const ZSTree tree = parse(parser, text, options[round % std::size(options)]);
        EXPECT_TRUE(rangesLieInText(tree, text)) << qPrintable(text);
    }
}
