// Lists, tasks and quotes turned into rich text and back into markup markers.

#include "BlockTrees.h"
#include "kit/filters/ZQListFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

#include <gtest/gtest.h>

namespace {

using enum ZQMarkupType;

bool isBlock(const ZSTree& tree)
{
    const auto node = nodeOf(tree);
    return node && !tree.isRoot() && node->nodeType() >= ZQNodeType::Quote && node->nodeType() <= ZQNodeType::Task;
}

// The three filters in the pipe's order, driven the way the conversions drive them.
struct Filters {
    std::vector<std::shared_ptr<ZQCommonMarkBlockFilter>> blocks{
        std::make_shared<ZQTaskFilter>(), std::make_shared<ZQListFilter>(), std::make_shared<ZQQuoteFilter>()};
    ZQListFilter& list() { return static_cast<ZQListFilter&>(*blocks[1]); }
};

ZSTree parse(const QString& page, qint64 option)
{
    ZQDocTreeParser parser;
    ZQLinkRefMap refs;
    return parser.processDocTree(page, plat::wholeRange(page), &refs, nullptr, nullptr, option);
}

// Markup to rich text without container indentation: prepared leaves first,
// then every node in text order; paragraphs keep their text unstyled.
plat::MutableAttributedString toRich(Filters& filters, const ZSTree& tree, ZQRenderContext& context)
{
    tree.enumerateTreeLeafFirst([&](const ZSTree& node, bool*) {
        if (isBlock(node))
            filters.list().preJoinMarkupToRich(node, context);
    });
    plat::MutableAttributedString rich;
    tree.enumerateTreeRootFirst([&](const ZSTree& node, bool*) {
        if (node.isRoot())
            return;
        bool joined = false;
        for (const auto& filter : filters.blocks) {
            if (isBlock(node) && (joined = filter->joinRichNode(node, rich, context)))
                break;
        }
        if (!joined && !isBlock(node))
            rich.append(plat::AttributedString(nodeOf(node)->content()));
    });
    return rich;
}

ZQListStylePtr styleAt(const plat::AttributedString& rich, const QString& name, qsizetype index)
{
    return rich.attributeAtIndex(name, index).toObject<ZQListStyle>();
}

QStringList formatsOf(const ZQListStylePtr& style)
{
    QStringList formats;
    for (const ZQTextListPtr& level : style->textLists())
        formats << level->richMarkerFormat();
    return formats;
}

// The markers written back for every block node, in text order.
QStringList markersOf(Filters& filters, const ZSTree& tree, ZQMarkupType markupType)
{
    ZQRenderContext context;
    context.setRunningMarkupType(markupType);
    QStringList markers;
    tree.enumerateTreeRootFirst([&](const ZSTree& node, bool*) {
        if (!isBlock(node))
            return;
        for (const auto& filter : filters.blocks) {
            QString output;
            if (filter->joinMarkdownNode(node, output, context)) {
                EXPECT_TRUE(output.isEmpty());
                break;
            }
        }
        markers << nodeOf(node)->content();
    });
    return markers;
}

} // namespace

TEST(ListTaskQuoteJoin, RichMarkersAndTheirStyles)
{
    struct Case {
        const char* markup;
        const char16_t* rich;
        qsizetype marker;           // a position inside the last block's marker
        const char* attribute;      // the attribute carrying the style there
        QStringList formats;        // its levels, outermost first
    };
    const Case cases[] = {
        {"- a\n- b\n", u"\t\u2043\ta\n\t\u2043\tb\n", 5, "ZQFilterList", {"{hyphen}"}},
        {"* a\n", u"\t\u2022\ta\n", 1, "ZQFilterList", {"{disc}"}},
        {"+ a\n", u"\t\u2713\ta\n", 1, "ZQFilterList", {"{check}"}},
        // Numbers are taken as written; the list keeps its start.
        {"3. a\n4) b\n", u"\t3.\ta\n\t4.\tb\n", 7, "ZQFilterList", {"{decimal}."}},
        {"0. a\n", u"\t0.\ta\n", 1, "ZQFilterList", {"{decimal}."}},
        {"* a\n  1. b\n", u"\t\u2022\ta\n\t1.\tb\n", 6, "ZQFilterList", {"{disc}", "{decimal}."}},
        {"- [ ] a\n- [-] b\n- [x] c\n- [X] d\n- [] e\n",
         u"\t[ ]\ta\n\t[-]\tb\n\t[x]\tc\n\t[X]\td\n\t[ ]\te\n", 30, "ZQFILTER_TASK", {"{task}"}},
        {"- [ ] a\n  - [x] b\n", u"\t[ ]\ta\n\t[x]\tb\n", 8, "ZQFILTER_TASK", {"{task}", "{task}"}},
        {"> - a\n", u"> \t\u2043\ta\n", 3, "ZQFilterList", {"{hyphen}"}},
    };
    for (const Case& c : cases) {
        Filters filters;
        ZQRenderContext context;
        const plat::MutableAttributedString rich =
            toRich(filters, parse(QString::fromLatin1(c.markup), 12), context);
        EXPECT_EQ(rich.string(), QString::fromUtf16(c.rich)) << c.markup;
        const auto style = styleAt(rich, QString::fromLatin1(c.attribute), c.marker);
        ASSERT_TRUE(style) << c.markup;
        EXPECT_EQ(formatsOf(style), c.formats) << c.markup;
        // The marker is read-only list text; the item's text is not.
        EXPECT_FALSE(rich.attributeAtIndex(ZQAttr::Readonly, c.marker).isNull()) << c.markup;
        EXPECT_TRUE(rich.attributeAtIndex(ZQAttr::Readonly, rich.length() - 2).isNull()) << c.markup;
    }
}

TEST(ListTaskQuoteJoin, TaskMarkersTakeTheStatesColour)
{
    Filters filters;
    ZQRenderContext context;
    const plat::MutableAttributedString rich =
        toRich(filters, parse(QStringLiteral("- [ ] a\n- [-] b\n- [x] c\n"), 12), context);
    const auto colour = [&](qsizetype at) { return rich.attributeAtIndex(plat::ForegroundColorAttribute, at); };
    EXPECT_NE(colour(1), colour(8));
    EXPECT_NE(colour(8), colour(15));
    EXPECT_NE(colour(1), colour(15));
    EXPECT_FALSE(rich.attributeAtIndex(plat::LinkAttribute, 15).isNull()); // clickable
}

TEST(ListTaskQuoteJoin, CountedItemsNumberFromOne)
{
    // The own dialect's "#" items carry no number: a run counts 1, 2, 3.
    ZSTree root = ZSTree::treeForRoot();
    for (int i = 0; i < 3; ++i) {
        auto node = std::make_shared<ZQTextNode>();
        node->setNodeType(ZQNodeType::ListItem);
        node->setContent(QStringLiteral("# "));
        auto info = std::make_shared<ZQTextNodeListItem>();
        info->setMarker(QStringLiteral("#"));
        node->setNodeInfo(info);
        root.appendChildObject(node);
    }
    Filters filters;
    ZQRenderContext context;
    context.setRunningMarkupType(QuorvelMarkup);
    const plat::MutableAttributedString rich = toRich(filters, root, context);
    EXPECT_EQ(rich.string(), QStringLiteral("\t1.\t\t2.\t\t3.\t"));
    const auto info = plat::objectCast<ZQTextNodeListItem>(nodeOf(root.childAtIndex(2))->nodeInfo());
    EXPECT_EQ(info->markerOrderStartIndex(), 1);
    EXPECT_EQ(info->currentTextlist()->listIndex(), 3u);
}

TEST(ListTaskQuoteJoin, MarkersWrittenBackInEitherDialect)
{
    struct Case {
        const char* markup;
        QStringList markdown;
        QStringList quorvel;
    };
    const Case cases[] = {
        {"1. a\n2. b\n", {"1. ", "2. "}, {"# ", "# "}},
        // "#" would restart the list at one.
        {"3) a\n4) b\n", {"3. ", "4. "}, {"3. ", "4. "}},
        {"0. a\n", {"0. "}, {"0. "}},
        {"- a\n+ b\n* c\n", {"- ", "+ ", "* "}, {"- ", "+ ", "* "}},
        {"- [ ] a\n- [-] b\n- [x] c\n", {"- [ ] ", "- [-] ", "- [x] "}, {"- [ ] ", "- [-] ", "- [x] "}},
        {"> a\n", {"> "}, {"> "}},
        {"> 1. a\n>    - b\n", {"> ", "1. ", "- "}, {"> ", "# ", "- "}},
        // An item whose text is on a later line ends its first line at the marker.
        {"-\n  a\n", {"-"}, {"-"}},
    };
    for (const Case& c : cases) {
        for (const ZQMarkupType type : {Markdown, QuorvelMarkup}) {
            Filters filters;
            ZQRenderContext context;
            const ZSTree tree = parse(QString::fromLatin1(c.markup), 12);
            toRich(filters, tree, context); // gives the items their rich formats
            EXPECT_EQ(markersOf(filters, tree, type), type == Markdown ? c.markdown : c.quorvel)
                << c.markup << storedValue(type);
        }
    }
}

TEST(ListTaskQuoteJoin, NoSecondBlankWhenTheTextBringsOne)
{
    Filters filters;
    const ZSTree tree = parse(QStringLiteral("> a\n"), 12);
    const ZSTree quote = tree.firstChild();
    const auto paragraph = nodeOf(quote.firstChild());
    paragraph->setRenderContent(std::make_shared<plat::MutableAttributedString>(QStringLiteral(" a")));
    EXPECT_EQ(markersOf(filters, tree, Markdown).first(), QStringLiteral(">"));
}

TEST(ListTaskQuoteJoin, MarkupEditorStylesEveryMarkerWithItsLevels)
{
    const QString page = QStringLiteral("- a\n  - b\n- [x] c\n");
    const ZSTree tree = parse(page, ZQDocTreeParser::RecordMarkerRanges);
    plat::MutableAttributedString markup(page);
    Filters filters;
    ZQRenderContext context;
    tree.enumerateTreeRootFirst([&](const ZSTree& node, bool*) {
        if (!isBlock(node))
            return;
        for (const auto& filter : filters.blocks) {
            if (filter->highlightMarkdown(markup, node, context))
                break;
        }
    });
    EXPECT_EQ(formatsOf(styleAt(markup, ZQAttr::FilterList, 0)), QStringList{"{hyphen}"});
    EXPECT_EQ(formatsOf(styleAt(markup, ZQAttr::FilterList, 6)), (QStringList{"{hyphen}", "{hyphen}"}));
    EXPECT_EQ(formatsOf(styleAt(markup, ZQAttr::FilterTask, 12)), QStringList{"{task}"});
    EXPECT_TRUE(markup.attributeAtIndex(ZQAttr::FilterList, 2).isNull()); // the item's text
}

TEST(ListTaskQuoteJoin, ClicksCycleARichTaskAndCrossOutItsTextWhenDone)
{
    Filters filters;
    ZQRenderContext context;
    auto view = std::make_shared<plat::TextView>();
    view->setEditorType(storedValue(ZQEditorType::Rich));
    view->textStorage()->setAttributedString(toRich(filters, parse(QStringLiteral("- [ ] buy milk\n"), 12), context));
    auto& task = static_cast<ZQTaskFilter&>(*filters.blocks[0]);
    const plat::Range marker(0, 5);
    const auto struck = [&] { return !view->textStorage()->attributeAtIndex(plat::StrikethroughAttribute, 8).isNull(); };

    task.taskStateChange(*view, marker);
    EXPECT_EQ(view->string(), QStringLiteral("\t[-]\tbuy milk\n"));
    EXPECT_FALSE(struck());
    task.taskStateChange(*view, marker);
    EXPECT_EQ(view->string(), QStringLiteral("\t[X]\tbuy milk\n"));
    EXPECT_TRUE(struck());
    EXPECT_FALSE(view->textStorage()->attributeAtIndex(plat::StrikethroughAttribute, 5).isNull());
    EXPECT_TRUE(view->textStorage()->attributeAtIndex(plat::StrikethroughAttribute, 13).isNull()); // line break
    // The marker keeps the task's list style, now in the done colour.
    EXPECT_TRUE(styleAt(*view->textStorage(), ZQAttr::FilterTask, 2));
    task.taskStateChange(*view, marker);
    EXPECT_EQ(view->string(), QStringLiteral("\t[ ]\tbuy milk\n"));
    EXPECT_FALSE(struck());
    // Not a task marker: nothing happens.
    task.taskStateChange(*view, plat::Range(6, 3));
    EXPECT_EQ(view->string(), QStringLiteral("\t[ ]\tbuy milk\n"));
}

TEST(ListTaskQuoteJoin, ClicksCycleAMarkupTaskAndWrapItsTextWhenDone)
{
    ZQTaskFilter task;
    const auto settings = ZSSettings::sharedSettings();
    const ZQMarkupType dialect = settings->markupType();
    struct Case {
        ZQMarkupType markupType;
        const char* start;
        std::vector<const char*> clicks;
    };
    const Case cases[] = {
        {Markdown, "- [] a b\n", {"- [-] a b\n", "- [X] ~~a b~~\n", "- [ ] a b\n"}},
        {QuorvelMarkup, "* [x] a\n", {"* [ ] a\n", "* [-] a\n", "* [X] -a-\n", "* [ ] a\n"}},
        {Markdown, "- [-] ~~a~~\n", {"- [X] ~~a~~\n"}}, // already wrapped: not twice
        {Markdown, "- [-]\n", {"- [X]\n"}},              // no text: nothing to wrap
    };
    for (const Case& c : cases) {
        settings->setMarkupType(c.markupType);
        plat::TextView view;
        view.setEditorType(storedValue(ZQEditorType::Markup));
        view.textStorage()->replaceCharacters(plat::Range(0, 0), QString::fromLatin1(c.start));
        for (const char* expected : c.clicks) {
            task.taskStateChange(view, plat::Range(0, 5));
            EXPECT_EQ(view.string(), QString::fromLatin1(expected)) << c.start;
        }
    }
    settings->setMarkupType(dialect);
}
