#include "kit/filters/ZQListFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"

#include <gtest/gtest.h>

namespace {

using enum ZQMarkupType;

ZSTree item(const QString& marker, bool ordered, qint64 index)
{
    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(ZQNodeType::ListItem);
    auto info = std::make_shared<ZQTextNodeListItem>();
    info->setMarker(marker);
    info->setIsOrdered(ordered);
    info->setMarkerOrderIndex(index);
    node->setNodeInfo(info);
    return ZSTree::treeWithObject(node);
}

void appendChild(const ZSTree& parent, quint64 type)
{
    auto node = std::make_shared<ZQTextNode>();
    node->setNodeType(type);
    parent.appendChildObject(node);
}

} // namespace

TEST(ZQListFilter, OpeningTagKeepsTheListsStart)
{
    struct Case {
        const char* marker;
        bool ordered;
        qint64 index;
        ZQMarkupType markupType;
        const char* html;
    };
    const Case cases[] = {
        {"-", false, 0, Markdown, "<ul>\n<li>"},
        {"1.", true, 1, Markdown, "<ol>\n<li>"},
        {"0.", true, 0, Markdown, "<ol start=\"0\">\n<li>"},
        {"7)", true, 7, Markdown, "<ol start=\"7\">\n<li>"},
        // The own dialect's "#" items are numbered from one.
        {"#", false, 0, QuorvelMarkup, "<ol>\n<li>"},
        {"#", true, 0, QuorvelMarkup, "<ol>\n<li>"},
        {"#", false, 0, Markdown, "<ul>\n<li>"},
    };
    ZQListFilter filter;
    for (const Case& c : cases) {
        ZSTree root = ZSTree::treeForRoot();
        const ZSTree first = item(QString::fromLatin1(c.marker), c.ordered, c.index);
        root.appendChild(first);
        appendChild(first, ZQNodeType::Paragraph);
        ZQRenderContext context;
        context.setRunningMarkupType(c.markupType);
        QString html;
        EXPECT_TRUE(filter.joinHTMLNode(first, html, context));
        EXPECT_EQ(html.toStdString(), c.html) << c.marker;
        const char* closing = QString::fromLatin1(c.html).startsWith(QLatin1String("<ol")) ? "</li>\n</ol>" : "</li>\n</ul>";
        EXPECT_EQ(plat::objectCast<ZQTextNode>(first.object())->subtreeCloseTags().toStdString(), closing);
    }
}

TEST(ZQListFilter, LooseWhenABlankLineSeparatesBlocksOfAnItem)
{
    const auto run = [](std::vector<std::vector<quint64>> children) {
        std::vector<ZSTree> items;
        for (const auto& types : children) {
            items.push_back(item(QStringLiteral("-"), false, 0));
            for (quint64 type : types)
                appendChild(items.back(), type);
        }
        return ZQListFilter::isLooseList(items);
    };
    using namespace ZQNodeType;
    EXPECT_FALSE(run({{Paragraph}, {Paragraph}}));
    EXPECT_TRUE(run({{Paragraph, BlankLine}, {Paragraph}}));         // blank line between items
    EXPECT_FALSE(run({{Paragraph}, {Paragraph, BlankLine}}));        // after the last item's last block
    EXPECT_TRUE(run({{Paragraph, BlankLine, Paragraph}}));           // between blocks of one item
    EXPECT_FALSE(run({{IndentedCode, BlankLine, IndentedCode}}));    // inside a run of code
}
