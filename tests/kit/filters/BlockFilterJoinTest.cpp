// Code blocks and headings through the block filters' joins: markup to rich
// text, rich-built trees back to markup in both dialects, markup-editor
// styling and the attribute fixers.

#include "BlockTrees.h"
#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/filters/ZQHTMLBlockFilter.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/foundation/Exs.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/Font.h"

#include <gtest/gtest.h>

namespace {

using enum ZQMarkupType;

constexpr qint64 RichTreeOption = 12;
constexpr qint64 RichParagraphOptions = 12;

using BlockTrees::firstOfType;
using BlockTrees::nodeOf;

// The markup-to-rich passes as the render engine runs them, without container
// indentation: leaf first the paragraphs and the pre-joins, then root first
// the joins, the node's own rich text when every filter declines.
class RichDriver {
public:
    RichDriver()
        : m_filters{std::make_shared<ZQCodeBlockFilter>(), std::make_shared<ZQHeadingFilter>(),
                    std::make_shared<ZQSeparatorFilter>(), std::make_shared<ZQHTMLBlockFilter>()}
    {
        m_context.setRenderTargetType(ZQRenderContext::TargetRich);
    }

    plat::MutableAttributedString render(const QString& markup, bool quorvel = false)
    {
        const ZSTree tree =
            BlockTrees::parse(markup, RichTreeOption | (quorvel ? ZQDocTreeParser::QuorvelMarkup : 0));
        const plat::Attributes base = ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich);
        tree.enumerateTreeLeafFirst([&](const ZSTree& treeNode, bool*) {
            const auto node = nodeOf(treeNode);
            if (treeNode.isRoot())
                return;
            const quint64 type = node->nodeType();
            if (type == ZQNodeType::Paragraph || type == ZQNodeType::SetextHeading || type == ZQNodeType::BlankLine) {
                node->setRenderContent(std::make_shared<plat::MutableAttributedString>(node->content(), base));
                if (type != ZQNodeType::BlankLine && !(node->nodeStatus() & ZQTextNode::StatusLiteral))
                    m_paragraphs.parseParagraph(*node->renderContent(), nullptr, RichParagraphOptions, m_context);
            }
            if (type >= ZQNodeType::Quote && type <= ZQNodeType::Task) {
                ZQFilterDispatch::first<ZQMarkupPreJoiner>(
                    m_filters, [&](ZQMarkupPreJoiner& f) { return f.preJoinMarkupToRich(treeNode, m_context); },
                    "preJoin");
            }
        });
        plat::MutableAttributedString rich;
        tree.enumerateTreeRootFirst([&](const ZSTree& treeNode, bool*) {
            if (treeNode.isRoot())
                return;
            const auto node = nodeOf(treeNode);
            const quint64 type = node->nodeType();
            if (type >= ZQNodeType::Quote && type <= ZQNodeType::Task
                && ZQFilterDispatch::first<ZQCommonMarkBlockFilter>(
                    m_filters, [&](ZQCommonMarkBlockFilter& f) { return f.joinRichNode(treeNode, rich, m_context); },
                    "joinRich"))
                return;
            if (node->renderContent())
                rich.append(*node->renderContent());
        });
        return rich;
    }

private:
    std::vector<plat::ObjectPtr> m_filters;
    ZQRenderContext m_context;
    ZQParagraphParser m_paragraphs;
};

QString partAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(ZQAttr::FilterCodeBlock, index).toString();
}

std::shared_ptr<ZQHeadingStyle> headingAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(ZQAttr::FilterHeading, index).toObject<ZQHeadingStyle>();
}

// A heading as the rich parser builds it from a rich line: the heading node
// (type from the style's heading type) with the line's text as a paragraph child.
ZSTree richHeadingTree(const plat::AttributedString& rich)
{
    const auto style = headingAt(rich, 0);
    auto heading = std::make_shared<ZQTextNode>();
    heading->setNodeType(style->headingType() == 0 ? ZQNodeType::Heading : ZQNodeType::SetextHeading);
    heading->setLineRange(plat::wholeRange(rich.string()));
    auto info = std::make_shared<ZQTextNodeHeading>();
    info->setHeadingLevel(qint64(style->level()));
    heading->setNodeInfo(info);
    auto text = std::make_shared<ZQTextNode>();
    text->setLineRange(heading->lineRange());
    text->setContentRange(heading->lineRange());
    text->setRenderContent(std::make_shared<plat::MutableAttributedString>(rich));
    ZSTree tree = ZSTree::treeWithObject(heading);
    tree.appendChildObject(text);
    return tree;
}

// The heading's marker, then its text (plain: no inline styles in these cases).
QString writeHeading(const ZSTree& tree, ZQMarkupType markupType)
{
    ZQRenderContext context;
    context.setRenderTargetType(ZQRenderContext::TargetMarkup);
    context.setRunningMarkupType(markupType);
    QString out;
    EXPECT_TRUE(ZQHeadingFilter().joinMarkdownNode(tree, out, context));
    EXPECT_TRUE(out.isEmpty()); // the driver writes the content
    return nodeOf(tree)->content() + nodeOf(tree.lastChild())->renderContent()->string();
}

} // namespace

TEST(BlockFilterJoin, FencedCodeBecomesRichPartsUnderOneKey)
{
    struct Case {
        const char* markup;
        std::vector<std::pair<qsizetype, const char*>> parts; // position, part code ("" for none)
    };
    const Case cases[] = {
        {"```swift\nlet x\n```\n", {{0, "S"}, {2, "S"}, {3, "T"}, {7, "T"}, {8, ""}, {9, "B"}, {14, "B"}, {15, "E"}, {18, ""}}},
        {"  ~~~ \ncode\n~~~", {{0, ""}, {2, "S"}, {5, ""}, {7, "B"}, {12, "E"}, {14, "E"}}},
        // Unclosed: every line after the fence is body.
        {"```\na\n```c\n", {{0, "S"}, {4, "B"}, {6, "B"}, {9, "B"}}},
    };
    for (const Case& c : cases) {
        const QString markup = QString::fromLatin1(c.markup);
        const plat::MutableAttributedString rich = RichDriver().render(markup);
        ASSERT_EQ(rich.string(), markup) << c.markup;
        QString key;
        for (const auto& [position, part] : c.parts) {
            EXPECT_EQ(partAt(rich, position), QString::fromLatin1(part)) << c.markup << " at " << position;
            const QString raw = rich.attributeAtIndex(ZQAttr::Raw, position).toString();
            if (*part == '\0') {
                EXPECT_TRUE(raw.isEmpty()) << c.markup << " at " << position;
                continue;
            }
            EXPECT_TRUE(raw.startsWith(QLatin1String("paired-"))) << c.markup << " at " << position;
            if (key.isEmpty())
                key = raw;
            EXPECT_EQ(raw, key) << c.markup << " at " << position;
            // Fences are read-only; body and info string are not.
            const bool fence = QLatin1String(part) == QLatin1String("S") || QLatin1String(part) == QLatin1String("E");
            EXPECT_EQ(rich.attributeAtIndex(ZQAttr::Readonly, position).isNull(), !fence) << c.markup << " at " << position;
        }
    }
}

TEST(BlockFilterJoin, TwoBlocksGetTwoKeysAndIndentedCodeStaysBodyText)
{
    const QString markup = QStringLiteral("```\na\n```\n\n```\nb\n```\n\n    c\n");
    const plat::MutableAttributedString rich = RichDriver().render(markup);
    ASSERT_EQ(rich.string(), markup);
    EXPECT_NE(rich.attributeAtIndex(ZQAttr::Raw, 4).toString(), rich.attributeAtIndex(ZQAttr::Raw, 15).toString());
    const qsizetype code = markup.indexOf(QLatin1Char('c'));
    EXPECT_EQ(rich.attributesAtIndex(code), ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
}

TEST(BlockFilterJoin, HeadingsBecomeRichTextWithTheirLevelAndType)
{
    struct Case {
        const char* markup;
        bool quorvel;
        const char* rich;
        quint64 level;
        quint64 headingType;
    };
    const Case cases[] = {
        {"## Title\n", false, "Title\n", 2, 0},
        {"# A #\nbody\n", false, "A\nbody\n", 1, 0},
        {"Title\n===\n", false, "Title\n", 1, 1},
        {"Title\n---\n", false, "Title\n", 2, 1},
        {"h3. Title\n", true, "Title\n", 3, 0},
    };
    for (const Case& c : cases) {
        const plat::MutableAttributedString rich = RichDriver().render(QString::fromLatin1(c.markup), c.quorvel);
        ASSERT_EQ(rich.string(), QString::fromLatin1(c.rich)) << c.markup;
        const auto style = headingAt(rich, 0);
        ASSERT_TRUE(style) << c.markup;
        EXPECT_EQ(style->level(), c.level) << c.markup;
        EXPECT_EQ(style->headingType(), c.headingType) << c.markup;
        EXPECT_FALSE(style->uuid().isEmpty()) << c.markup;
    }
    // The text after a heading is not part of it; two headings are two headings.
    const plat::MutableAttributedString two = RichDriver().render(QStringLiteral("# A\n\n# B\nc\n"));
    ASSERT_EQ(two.string(), QStringLiteral("A\n\nB\nc\n"));
    EXPECT_FALSE(headingAt(two, 2));
    EXPECT_FALSE(headingAt(two, 5));
    EXPECT_FALSE(headingAt(two, 0)->isEqual(*headingAt(two, 3)));
}

TEST(BlockFilterJoin, InlineStylesInsideAHeadingKeepTheirFace)
{
    const plat::MutableAttributedString rich = RichDriver().render(QStringLiteral("## a **b**\n"));
    ASSERT_EQ(rich.string(), QStringLiteral("a b\n"));
    const auto plainFont = rich.attributeAtIndex(plat::FontAttribute, 0).toObject<plat::Font>();
    const auto boldFont = rich.attributeAtIndex(plat::FontAttribute, 2).toObject<plat::Font>();
    ASSERT_TRUE(plainFont && boldFont);
    EXPECT_TRUE(Exs::isBold(*boldFont));
    EXPECT_EQ(boldFont->pointSize(), plainFont->pointSize()); // both at the heading's size
    EXPECT_TRUE(headingAt(rich, 2));
}

TEST(BlockFilterJoin, HeadingsAreWrittenBackInEitherDialect)
{
    struct Case {
        quint64 type;
        qint64 level;
        const char* text;
        ZQMarkupType markupType;
        const char* markup;
    };
    const Case cases[] = {
        {ZQNodeType::Heading, 2, "Title\n", Markdown, "## Title\n"},
        {ZQNodeType::Heading, 2, "Title\n", QuorvelMarkup, "h2. Title\n"},
        {ZQNodeType::SetextHeading, 1, "Title\n", Markdown, "Title\n===\n"},
        {ZQNodeType::SetextHeading, 2, "Title", Markdown, "Title\n---\n"}, // last line of the page
        {ZQNodeType::SetextHeading, 1, "Title\n", QuorvelMarkup, "h1. Title\n"},
        {ZQNodeType::SetextHeading, 3, "Title\n", Markdown, "### Title\n"},
        {ZQNodeType::Heading, 6, "T\n", Markdown, "###### T\n"},
    };
    for (const Case& c : cases) {
        auto heading = std::make_shared<ZQTextNode>();
        heading->setNodeType(c.type);
        auto info = std::make_shared<ZQTextNodeHeading>();
        info->setHeadingLevel(c.level);
        heading->setNodeInfo(info);
        const QString text = QString::fromLatin1(c.text);
        auto paragraph = std::make_shared<ZQTextNode>();
        paragraph->setLineRange(plat::wholeRange(text));
        paragraph->setRenderContent(std::make_shared<plat::MutableAttributedString>(text));
        ZSTree tree = ZSTree::treeWithObject(heading);
        tree.appendChildObject(paragraph);
        EXPECT_EQ(writeHeading(tree, c.markupType), QString::fromLatin1(c.markup))
            << c.markup << " type " << storedValue(c.markupType);
        EXPECT_TRUE(heading->nodeStatus() & ZQTextNode::StatusConverted);
    }

    // A node marked not to be written again keeps its content; other nodes are declined.
    auto done = std::make_shared<ZQTextNode>();
    done->setNodeType(ZQNodeType::Heading);
    done->setNodeStatus(ZQTextNode::StatusStyled);
    done->setContent(QStringLiteral("kept"));
    ZQRenderContext context;
    QString out;
    EXPECT_TRUE(ZQHeadingFilter().joinMarkdownNode(ZSTree::treeWithObject(done), out, context));
    EXPECT_EQ(done->content(), QStringLiteral("kept"));
    auto paragraph = std::make_shared<ZQTextNode>();
    EXPECT_FALSE(ZQHeadingFilter().joinMarkdownNode(ZSTree::treeWithObject(paragraph), out, context));
    EXPECT_FALSE(ZQHeadingFilter().joinRichNode(ZSTree::treeWithObject(paragraph), *std::make_shared<plat::MutableAttributedString>(), context));
}

TEST(BlockFilterJoin, HeadingsRoundTripThroughRichText)
{
    struct Case {
        const char* markup;
        ZQMarkupType markupType;
    };
    const Case cases[] = {{"## Title\n", Markdown},
                          {"Title\n===\n", Markdown},
                          {"Title\n---\n", Markdown},
                          {"h4. Title\n", QuorvelMarkup}};
    for (const Case& c : cases) {
        const QString markup = QString::fromLatin1(c.markup);
        const plat::MutableAttributedString rich = RichDriver().render(markup, c.markupType == QuorvelMarkup);
        ASSERT_TRUE(headingAt(rich, 0)) << c.markup;
        EXPECT_EQ(writeHeading(richHeadingTree(rich), c.markupType), markup);
    }
    // Across dialects the level is kept.
    const plat::MutableAttributedString rich = RichDriver().render(QStringLiteral("## Title\n"));
    EXPECT_EQ(writeHeading(richHeadingTree(rich), QuorvelMarkup), QStringLiteral("h2. Title\n"));
}

TEST(BlockFilterJoin, CodeBlockStylesTheMarkupEditor)
{
    const QString page = QStringLiteral("```js\nx\n```\n");
    const ZSTree tree = BlockTrees::parse(page);
    const ZSTree block = firstOfType(tree, ZQNodeType::FencedCode);
    ASSERT_TRUE(block);
    plat::MutableAttributedString markup(page);
    ZQRenderContext context;
    ZQCodeBlockFilter filter;
    ASSERT_TRUE(filter.highlightMarkdown(markup, block, context));
    EXPECT_EQ(partAt(markup, 0), QStringLiteral("S"));
    EXPECT_EQ(partAt(markup, 3), QStringLiteral("T"));
    EXPECT_EQ(partAt(markup, 6), QStringLiteral("B"));
    EXPECT_EQ(partAt(markup, 8), QStringLiteral("E"));
    const auto open = markup.attributeAtIndex(ZQAttr::Paired, 0).toObject<ZQPairedAttribute>();
    const auto close = markup.attributeAtIndex(ZQAttr::Paired, 8).toObject<ZQPairedAttribute>();
    ASSERT_TRUE(open && close);
    EXPECT_TRUE(open->isPairWith(*close));
    EXPECT_TRUE(markup.attributeAtIndex(ZQAttr::Paired, 3).isNull());
    for (qsizetype position : {0, 3, 6, 8})
        EXPECT_EQ(markup.attributeAtIndex(ZQAttr::Raw, position).toString(), open->uuid()) << position;
    // The lines were styled with their block: the styling pass skips them.
    const auto body = nodeOf(block.childAtIndex(0));
    const auto closing = nodeOf(block.childAtIndex(1));
    EXPECT_EQ(body->nodeStatus() & 48, 48);
    EXPECT_EQ(closing->nodeStatus() & 48, 32);

    // An indented run, its blank lines included, shares one value.
    const QString indented = QStringLiteral("    a\n\n    b\n\nc\n");
    const ZSTree second = BlockTrees::parse(indented);
    plat::MutableAttributedString text(indented);
    ASSERT_TRUE(filter.highlightMarkdown(text, firstOfType(second, ZQNodeType::IndentedCode), context));
    const plat::Value first = text.attributeAtIndex(ZQAttr::IndentBlock, 4);
    EXPECT_FALSE(first.isNull());
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::IndentBlock, 6), first);
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::IndentBlock, 11), first);
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::IndentBlock, 14).isNull());
    EXPECT_FALSE(filter.highlightMarkdown(text, firstOfType(second, ZQNodeType::Paragraph), context));
}

TEST(BlockFilterJoin, HeadingStylesTheMarkupEditor)
{
    struct Case {
        const char* page;
        quint64 headingType;
        qsizetype text;   // a position in the heading's text
        qsizetype marker; // a position in the marker or underline
    };
    const Case cases[] = {{"## Title\n", 0, 4, 0}, {"Title\n---\n", 1, 2, 7}};
    for (const Case& c : cases) {
        const QString page = QString::fromLatin1(c.page);
        const ZSTree tree = BlockTrees::parse(page);
        const ZSTree heading = firstOfType(tree, c.headingType == 0 ? ZQNodeType::Heading : ZQNodeType::SetextHeading);
        ASSERT_TRUE(heading) << c.page;
        plat::MutableAttributedString markup(page);
        ZQRenderContext context;
        ASSERT_TRUE(ZQHeadingFilter().highlightMarkdown(markup, heading, context)) << c.page;
        const auto style = headingAt(markup, c.text);
        ASSERT_TRUE(style) << c.page;
        EXPECT_EQ(style->headingType(), c.headingType) << c.page;
        EXPECT_NE(markup.attributeAtIndex(plat::ForegroundColorAttribute, c.text),
                  markup.attributeAtIndex(plat::ForegroundColorAttribute, c.marker))
            << c.page;
    }
}

TEST(BlockFilterJoin, CodeBlockFixerStylesTextTypedAfterTheFenceAsInfoString)
{
    const QString key = QStringLiteral("paired-k");
    const plat::Attributes start = ZQHighlighter::sharedHighlighter().codeblockRich(QStringLiteral("S"), key);
    // "py" was typed with the fence's attributes.
    plat::MutableAttributedString rich(QStringLiteral("```py\n\n```"), start);
    ZQCodeBlockFilter filter;
    plat::Attributes typing;
    EXPECT_FALSE(filter.fixRichAttribute(rich, plat::Range::notFound(), typing));
    EXPECT_TRUE(filter.fixRichAttribute(rich, plat::Range(5, 0), typing));
    EXPECT_EQ(partAt(rich, 3), QStringLiteral("T"));
    EXPECT_EQ(rich.attributeAtIndex(ZQAttr::Raw, 3).toString(), key);
    EXPECT_EQ(partAt(rich, 2), QStringLiteral("S"));

    // No info string, no fence part, or no key: nothing to do.
    plat::MutableAttributedString bare(QStringLiteral("```\n"), start);
    EXPECT_FALSE(filter.fixRichAttribute(bare, plat::Range(1, 0), typing));
    plat::MutableAttributedString body(QStringLiteral("```py\n"),
                                       ZQHighlighter::sharedHighlighter().codeblockRich(QStringLiteral("B"), key));
    EXPECT_FALSE(filter.fixRichAttribute(body, plat::Range(1, 0), typing));
    plat::Attributes keyless = start;
    keyless.remove(ZQAttr::Raw);
    plat::MutableAttributedString unkeyed(QStringLiteral("```py\n"), keyless);
    EXPECT_FALSE(filter.fixRichAttribute(unkeyed, plat::Range(1, 0), typing));
}

TEST(BlockFilterJoin, HeadingFixerKeepsTheStyleOffLineEnds)
{
    const plat::Attributes style = ZQHighlighter::sharedHighlighter().headingRich(2, QStringLiteral("u"), 0);
    plat::MutableAttributedString rich(QStringLiteral("Title\r\nnext"), style);
    rich.setAttributes(ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich), plat::Range(7, 4));
    ZQHeadingFilter filter;
    plat::Attributes typing;
    EXPECT_TRUE(filter.fixRichAttribute(rich, plat::Range(0, 0), typing));
    EXPECT_TRUE(headingAt(rich, 4));
    EXPECT_FALSE(headingAt(rich, 5));
    EXPECT_FALSE(headingAt(rich, 6));
    EXPECT_EQ(rich.attributesAtIndex(5), ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Rich));
    // Once repaired there is nothing more to report.
    EXPECT_FALSE(filter.fixRichAttribute(rich, plat::Range(0, 0), typing));
}

TEST(BlockFilterJoin, DividersAndHTMLBlocksKeepTheirTextInRichText)
{
    struct Case {
        const char* markup;
        qsizetype styled;
        const QString& name;
    };
    const Case cases[] = {
        {"a\n\n---\nb\n", 3, ZQAttr::FilterDivider},
        {"a\n\n* * *\n", 5, ZQAttr::FilterDivider},
        {"<div>\nx\n</div>\n\nb\n", 7, ZQAttr::HtmlTag},
    };
    for (const Case& c : cases) {
        const QString markup = QString::fromLatin1(c.markup);
        const plat::MutableAttributedString rich = RichDriver().render(markup);
        EXPECT_EQ(rich.string(), markup);
        EXPECT_FALSE(rich.attributeAtIndex(c.name, c.styled).isNull()) << c.markup;
        EXPECT_TRUE(rich.attributeAtIndex(c.name, 0).isNull() || c.name == ZQAttr::HtmlTag) << c.markup;
    }
}

TEST(BlockFilterJoin, DividerFixerHoldsTheStyleToDividerLines)
{
    const plat::Attributes divider = ZQHighlighter::sharedHighlighter().dividerRich();
    ZQSeparatorFilter filter;

    // Text typed on the line after a divider took its style.
    plat::MutableAttributedString spilled(QStringLiteral("---\nabc"), divider);
    plat::Attributes typing = divider;
    EXPECT_TRUE(filter.fixRichAttribute(spilled, plat::Range(7, 0), typing));
    EXPECT_FALSE(spilled.attributeAtIndex(ZQAttr::FilterDivider, 1).isNull());
    EXPECT_TRUE(spilled.attributeAtIndex(ZQAttr::FilterDivider, 5).isNull());
    EXPECT_FALSE(typing.contains(ZQAttr::FilterDivider));

    // A divider only partly styled is styled whole, once.
    plat::MutableAttributedString partly(QStringLiteral("x\n---"));
    partly.setAttributes(divider, plat::Range(2, 2));
    plat::Attributes none;
    EXPECT_TRUE(filter.fixRichAttribute(partly, plat::Range::notFound(), none));
    EXPECT_FALSE(partly.attributeAtIndex(ZQAttr::FilterDivider, 4).isNull());
    EXPECT_TRUE(partly.attributeAtIndex(ZQAttr::FilterDivider, 0).isNull());
    EXPECT_FALSE(filter.fixRichAttribute(partly, plat::Range::notFound(), none));

    // Neighbouring dividers in order report nothing.
    plat::MutableAttributedString two(QStringLiteral("---\n***\n"), divider);
    EXPECT_FALSE(filter.fixRichAttribute(two, plat::Range(0, 0), none));
}
