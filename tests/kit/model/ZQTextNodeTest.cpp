#include "support/QStringPrinting.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQTextNode.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<ZQTextNode> line(qsizetype location, const QString& text, qsizetype contentOffset = 0)
{
    auto node = std::make_shared<ZQTextNode>();
    node->setLineRange({location, text.size()});
    node->setContentRange({location + contentOffset, text.size() - contentOffset});
    node->setContent(text.mid(contentOffset));
    return node;
}

std::shared_ptr<plat::MutableAttributedString> rich(const QString& text, const char* mark)
{
    return std::make_shared<plat::MutableAttributedString>(text, plat::Attributes{{QStringLiteral("mark"), mark}});
}

std::vector<plat::Range> ranges(std::initializer_list<plat::Range> list)
{
    return list;
}

} // namespace

TEST(TextNode, FreshNodeIsEmpty)
{
    const ZQTextNode node;
    EXPECT_EQ(node.nodeType(), 0u);
    EXPECT_EQ(node.nodeStatus(), 0);
    EXPECT_EQ(node.indentLength(), 0);
    EXPECT_TRUE(node.content().isNull());
    EXPECT_EQ(node.lineRange(), plat::Range());
    EXPECT_TRUE(node.mergedContentRanges().empty());
    EXPECT_FALSE(node.renderContent());
    EXPECT_FALSE(node.nodeInfo());
    EXPECT_TRUE(node.level2LastChild().expired());
}

TEST(TextNode, MergeParagraphJoinsOnlyTheLineThatFollows)
{
    auto first = line(0, QStringLiteral("> one\n"), 2);
    const auto second = line(6, QStringLiteral("two\n"));
    const auto third = line(10, QStringLiteral("three"));

    // A line that does not start where this one ends is refused, nothing changes.
    for (qsizetype location : {5, 7}) {
        const auto apart = line(location, QStringLiteral("x\n"));
        EXPECT_FALSE(first->mergeParagraph(*apart));
        EXPECT_FALSE(first->mergeRichParagraph(*apart));
        EXPECT_FALSE(first->mergeRichIndentCode(*apart));
        EXPECT_EQ(first->lineRange(), plat::Range(0, 6));
        EXPECT_EQ(first->content(), "one\n");
        EXPECT_TRUE(first->mergedContentRanges().empty());
        EXPECT_FALSE(first->isMergedParagraph());
        EXPECT_EQ(apart->lineRange(), plat::Range(location, 2));
    }

    ASSERT_TRUE(first->mergeParagraph(*second));
    EXPECT_EQ(first->mergedContentRanges(), ranges({{2, 4}, {6, 4}}));
    ASSERT_TRUE(first->mergeParagraph(*third));
    EXPECT_EQ(first->mergedContentRanges(), ranges({{2, 4}, {6, 4}, {10, 5}}));
    EXPECT_EQ(first->lineRange(), plat::Range(0, 15));
    EXPECT_EQ(first->contentRange(), plat::Range(2, 4));
    EXPECT_EQ(first->content(), "one\ntwo\nthree");
    EXPECT_TRUE(first->isMergedParagraph());
}

TEST(TextNode, RichMergesJoinRenderContent)
{
    auto first = line(0, QStringLiteral("one\n"));
    auto second = line(4, QStringLiteral("two\n"));
    first->setRenderContent(rich(QStringLiteral("ONE\n"), "a"));
    second->setRenderContent(rich(QStringLiteral("TWO\n"), "b"));

    // A paragraph keeps its own content unless it is a literal line.
    auto paragraph = std::make_shared<ZQTextNode>(*first);
    paragraph->setRenderContent(rich(QStringLiteral("ONE\n"), "a"));
    ASSERT_TRUE(paragraph->mergeRichParagraph(*second));
    EXPECT_EQ(paragraph->renderContent()->string(), "ONE\nTWO\n");
    EXPECT_EQ(paragraph->renderContent()->attributeAtIndex(QStringLiteral("mark"), 5).toString(), "b");
    EXPECT_EQ(paragraph->content(), "one\n");
    EXPECT_EQ(paragraph->mergedContentRanges(), ranges({{0, 4}, {4, 4}}));
    EXPECT_EQ(paragraph->lineRange(), plat::Range(0, 8));
    EXPECT_TRUE(paragraph->isMergedParagraph());

    auto literal = std::make_shared<ZQTextNode>(*first);
    literal->setRenderContent(rich(QStringLiteral("ONE\n"), "a"));
    literal->setNodeStatus(ZQTextNode::StatusLiteral);
    ASSERT_TRUE(literal->mergeRichParagraph(*second));
    EXPECT_EQ(literal->content(), "ONE\nTWO\n");

    // Indented code grows its content range and records no merged ranges.
    ASSERT_TRUE(first->mergeRichIndentCode(*second));
    EXPECT_EQ(first->lineRange(), plat::Range(0, 8));
    EXPECT_EQ(first->contentRange(), plat::Range(0, 8));
    EXPECT_EQ(first->content(), "ONE\nTWO\n");
    EXPECT_TRUE(first->mergedContentRanges().empty());
    EXPECT_FALSE(first->isMergedParagraph());
    EXPECT_EQ(second->renderContent()->string(), "TWO\n");

    // A node without render content takes the other's instead of dropping it.
    auto bare = line(0, QStringLiteral("one\n"));
    ASSERT_TRUE(bare->mergeRichIndentCode(*second));
    EXPECT_EQ(bare->content(), "TWO\n");
    EXPECT_NE(bare->renderContent(), second->renderContent());
}

TEST(TextNode, CloseTagsInsertedLastComeFirst)
{
    ZQTextNode node;
    node.insertCloseTags(QStringLiteral("</ul>"));
    node.insertCloseTags(QStringLiteral("</li>"));
    EXPECT_EQ(node.closeTags(), "</li></ul>");
}

TEST(TextNode, RenderHtmlExpandsTabsAndEscapes)
{
    ZQTextNode node;
    node.setContent(QStringLiteral("a\t<b> & \"c\" 'd'\n\tx"));
    EXPECT_EQ(node.convertContentToRenderHTML(), "a   &lt;b&gt; &amp; &quot;c&quot; 'd'\n    x");
    EXPECT_EQ(node.content(), "a\t<b> & \"c\" 'd'\n\tx");
}

TEST(TextNode, DescriptionsNameTheTypeAndKeepOneLine)
{
    struct Case {
        quint64 type;
        const char* full;
        const char* tidy;
    };
    const Case cases[] = {
        {ZQNodeType::Paragraph, "Text; Indent:3; ContentRange={2, 4}; Content=ab\\n; RenderContent=R\\n; Line:{0, 6}; Merged:Y;",
         "T,{2, 4},{0, 2},3"},
        {ZQNodeType::BlankLine, "Blank Line; Indent:3; ContentRange={2, 4}; Content=ab\\n; RenderContent=R\\n; Line:{0, 6}; Merged:Y;",
         "B,{2, 4},{0, 2},3"},
        {ZQNodeType::Heading, "Type 7; Indent:3; ContentRange={2, 4}; Content=ab\\n; RenderContent=R\\n; Line:{0, 6}; Merged:Y;",
         "7,{2, 4},{0, 2},3"},
    };
    for (const Case& c : cases) {
        ZQTextNode node;
        node.setNodeType(c.type);
        node.setIndentLength(3);
        node.setContentRange({2, 4});
        node.setMarkerRange({0, 2});
        node.setLineRange({0, 6});
        node.setContent(QStringLiteral("ab\n"));
        node.setRenderContent(rich(QStringLiteral("R\n"), "x"));
        node.setIsMergedParagraph(true);
        EXPECT_EQ(node.description(), QString::fromUtf8(c.full));
        EXPECT_EQ(node.tidyDescription(), QString::fromUtf8(c.tidy));
    }
    EXPECT_EQ(ZQTextNode().description(),
              "Text; Indent:0; ContentRange={0, 0}; Content=(null); RenderContent=(null); Line:{0, 0}; Merged:N;");
}

TEST(TextNodeListItem, TaskStateMarkerDecidesCompletion)
{
    const std::pair<const char*, bool> cases[] = {{"X", true}, {"x", true}, {"-", false}, {" ", false}, {"", false}};
    for (const auto& [marker, completed] : cases) {
        const auto item = ZQTextNodeListItem::initForTaskWithStateMarker(QString::fromUtf8(marker));
        EXPECT_EQ(item->isCompletedTask(), completed) << marker;
        EXPECT_EQ(item->taskStateMarker(), QString::fromUtf8(marker));
    }
}

TEST(TextNodeListItem, SameListByMarker)
{
    struct Case {
        const char* first;
        const char* second;
        bool same;
    };
    const Case cases[] = {
        {"3.", "10.", true}, {"3.", "4)", false}, {"1)", "2)", true}, {"-", "-", true},
        {"-", "*", false},   {"1.", "-", false},  {"", "", false},    {"-", "", false},
    };
    auto item = [](const char* marker) {
        ZQTextNodeListItem info;
        info.setMarker(QString::fromUtf8(marker));
        info.setIsOrdered(!info.marker().isEmpty() && info.marker()[0].isDigit());
        return info;
    };
    for (const Case& c : cases) {
        const ZQTextNodeListItem first = item(c.first), second = item(c.second);
        EXPECT_EQ(first.isSameList(&second), c.same) << c.first << " " << c.second;
    }
    EXPECT_FALSE(item("-").isSameList(nullptr));
}

TEST(TextNodeListIndentTabs, TabLevelIsTheStylesDepth)
{
    ZQTextNodeListIndentTabs tabs;
    EXPECT_EQ(tabs.level(), 0);
    EXPECT_EQ(tabs.addTab({0, 1}, nullptr), 1);
    auto style = std::make_shared<ZQListStyle>(QStringLiteral("{disc}"), 1);
    style->textLists().push_back(std::make_shared<ZQTextList>(QStringLiteral("{decimal}."), 3));
    EXPECT_EQ(tabs.addTab({4, 1}, style), 2);
    ASSERT_EQ(tabs.tabs().size(), 2u);
    EXPECT_EQ(tabs.tabs()[1]->listStyle(), style);
    EXPECT_EQ(tabs.tabs()[1]->markerRange(), plat::Range(4, 1));

    tabs.setLineRange({0, 9});
    EXPECT_EQ(tabs.description(), "Tabs (ZQTextNodeTab, ZQTextNodeTab); LineRange {0, 9}");
}
