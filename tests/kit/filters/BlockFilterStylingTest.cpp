#include "BlockTrees.h"
#include "kit/filters/ZQHTMLBlockFilter.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"

#include <gtest/gtest.h>

using BlockTrees::firstOfType;

TEST(BlockFilterStyling, MarkupEditorColoursEveryLineOfTheConstruct)
{
    struct Case {
        std::shared_ptr<ZQCommonMarkBlockFilter> filter;
        const char* page;
        quint64 type;
        std::vector<qsizetype> styled; // positions that get the construct's style
        qsizetype plain;               // a position that keeps the base style
    };
    const Case cases[] = {
        {std::make_shared<ZQQuoteFilter>(), "> a\n> b\n> c\n", ZQNodeType::Quote, {0, 4, 8}, 2},
        {std::make_shared<ZQHTMLBlockFilter>(), "x\n\n<div>\na\n</div>\n", ZQNodeType::HtmlBlock, {3, 9, 11}, 0},
        {std::make_shared<ZQSeparatorFilter>(), "x\n\n***\n", ZQNodeType::Divider, {3, 5}, 0},
    };
    for (const Case& c : cases) {
        const QString page = QString::fromLatin1(c.page);
        const ZSTree tree = BlockTrees::parse(page);
        const ZSTree node = firstOfType(tree, c.type);
        ASSERT_TRUE(node) << c.page;
        plat::MutableAttributedString markup(page);
        ZQRenderContext context;
        ASSERT_TRUE(c.filter->highlightMarkdown(markup, node, context)) << c.page;
        const plat::Attributes plain = markup.attributesAtIndex(c.plain);
        for (qsizetype position : c.styled)
            EXPECT_NE(markup.attributesAtIndex(position), plain) << c.page << " at " << position;
        // Other nodes are declined.
        const ZSTree paragraph = firstOfType(tree, ZQNodeType::Paragraph);
        ASSERT_TRUE(paragraph) << c.page;
        EXPECT_FALSE(c.filter->highlightMarkdown(markup, paragraph, context)) << c.page;

        plat::MutableAttributedString rich;
        ASSERT_TRUE(c.filter->joinRichNode(node, rich, context));
        EXPECT_EQ(rich.string(), plat::objectCast<ZQTextNode>(node.object())->content()) << c.page;
    }
}
