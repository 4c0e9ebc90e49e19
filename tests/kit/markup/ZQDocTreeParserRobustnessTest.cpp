// Malformed and extreme pages parse without crash: every line ends in some node.

#include "TreeOutline.h"
#include "kit/markup/ZQDocTreeParser.h"

#include <gtest/gtest.h>

namespace {

ZSTree parse(ZQDocTreeParser& parser, const QString& text, qint64 option = 0)
{
    ZQLinkRefMap map;
    std::vector<std::shared_ptr<ZQLinkRef>> duplicates;
    std::vector<plat::Range> escapes;
    return parser.processDocTree(text, plat::wholeRange(text), &map, &duplicates, &escapes, option);
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
        QStringLiteral("<div ") + QString(size, QLatin1Char('\t')),
    };
    for (const QString& text : lines) {
        const ZSTree tree = parse(parser, text);
        EXPECT_GE(tree.numberOfChildren(), 1);
    }
}
