// Render utilities over rich text: selection marks, code colours, unlinking,
// task markers, outlines and titles.

#include "kit/foundation/ZSTree.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/Uuid.h"
#include "platform/text/AttributedString.h"
#include "platform/text/Color.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"

#include "support/InstalledSettings.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

namespace {

plat::MutableAttributedString pieces(const QString& name, std::initializer_list<std::pair<QString, plat::Value>> parts)
{
    plat::MutableAttributedString s;
    for (const auto& [text, value] : parts) {
        plat::Attributes attributes;
        if (!value.isNull())
            attributes.set(name, value);
        s.append(plat::AttributedString(text, attributes));
    }
    return s;
}

plat::Value headingStyle(quint64 level = 1)
{
    return plat::Value(ZQHeadingStyle::initWithUuid(plat::newUuidString(), level));
}

} // namespace

TEST(ZQRenderUtilRich, SelectionMarksAreCutAtTheEndAndTakenBackWhole)
{
    plat::MutableAttributedString text(QStringLiteral("0123456789"));
    // The text starts at 100 in the page; the selection runs past its end.
    ZQRenderUtil::rememberSelectionRange(text, plat::Range(104, 20), plat::Range(100, 10));
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::PRreformatte, 9).toString(), "selRange");
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::PRreformatte, 3).isNull());

    // Re-rendering split the mark into runs; a handler's own mark is left alone.
    text.addAttribute(plat::ForegroundColorAttribute, plat::Value(plat::Color::rgba(1, 0, 0)), plat::Range(6, 1));
    text.addAttribute(ZQAttr::PRreformatte, QStringLiteral("pre"), plat::Range(0, 2));
    EXPECT_EQ(ZQRenderUtil::rangeOfRememberedSelection(text), plat::Range(4, 6));
    EXPECT_TRUE(text.attributeAtIndex(ZQAttr::PRreformatte, 5).isNull());
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::PRreformatte, 0).toString(), "pre");
    EXPECT_EQ(ZQRenderUtil::rangeOfRememberedSelection(text), plat::Range::notFound());

    // A selection before the text marks nothing.
    ZQRenderUtil::rememberSelectionRange(text, plat::Range(50, 2), plat::Range(100, 10));
    EXPECT_EQ(ZQRenderUtil::rangeOfRememberedSelection(text), plat::Range::notFound());
}

TEST(ZQRenderUtilRich, CodeColoursAreRestoredOnlyWhollyInsideABlock)
{
    const plat::Value red(plat::Color::rgba(1, 0, 0));
    const plat::Value blue(plat::Color::rgba(0, 0, 1));
    // "ab" plain, "cdefgh" fenced, "ij" indented.
    plat::MutableAttributedString text(QStringLiteral("abcdefghij"));
    text.addAttribute(ZQAttr::CodeBlockKeyword, red, plat::Range(3, 2));
    text.addAttribute(ZQAttr::CodeBlockKeyword, blue, plat::Range(0, 3)); // reaches out of the block
    text.addAttribute(ZQAttr::CodeBlockKeyword, red, plat::Range(8, 1));
    auto cache = ZQRenderUtil::cachingCodeBlockHighlighting(text, plat::Range(0, 10));
    ASSERT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.front().range, plat::Range(8, 1)); // last in the text first

    plat::MutableAttributedString restyled(QStringLiteral("abcdefghij"));
    restyled.addAttribute(ZQAttr::FilterCodeBlock, QStringLiteral("B"), plat::Range(2, 6));
    restyled.addAttribute(ZQAttr::IndentBlock, QStringLiteral("I"), plat::Range(8, 2));
    ZQRenderUtil::restoreCodeBlockHighlighting(restyled, cache, plat::Range(0, 10));
    EXPECT_EQ(restyled.attributeAtIndex(ZQAttr::CodeBlockKeyword, 4), red);
    EXPECT_EQ(restyled.attributeAtIndex(plat::ForegroundColorAttribute, 3), red);
    EXPECT_EQ(restyled.attributeAtIndex(plat::ForegroundColorAttribute, 8), red);
    EXPECT_TRUE(restyled.attributeAtIndex(ZQAttr::CodeBlockKeyword, 1).isNull());
    ASSERT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.front().range, plat::Range(0, 3));
}

TEST(ZQRenderUtilRich, UnlinkingDropsTheBracketsUndoably)
{
    installedSettings();
    const plat::Value link(ZQLinkStyle::initWithUuid(plat::newUuidString()));
    auto storage = std::make_shared<plat::TextStorage>(pieces(ZQAttr::FilterLink, {{"see ", {}}, {"[site]", link}}));
    plat::TextView view(storage);
    view.setUndoManager(std::make_shared<plat::UndoManager>());

    EXPECT_FALSE(ZQRenderUtil::removeRichLink(view, plat::Range(1, 0)));
    // At the end of the text the last character counts.
    EXPECT_TRUE(ZQRenderUtil::removeRichLink(view, plat::Range(storage->length(), 0)));
    EXPECT_EQ(storage->string(), QStringLiteral("see site"));
    EXPECT_TRUE(storage->attributeAtIndex(ZQAttr::FilterLink, 5).isNull());
    EXPECT_EQ(view.undoManager()->undoActionName(), QStringLiteral("Unlink"));
    view.undoManager()->undo();
    EXPECT_EQ(storage->string(), QStringLiteral("see [site]"));

    // A link written without brackets is left as it is.
    auto bare = std::make_shared<plat::TextStorage>(pieces(ZQAttr::FilterLink, {{"site", link}}));
    plat::TextView bareView(bare);
    EXPECT_FALSE(ZQRenderUtil::removeRichLink(bareView, plat::Range(0, 0)));
    EXPECT_EQ(bare->string(), QStringLiteral("site"));
}

TEST(ZQRenderUtilRich, TaskStatesOfBothEditors)
{
    using enum ZQEditorType;
    struct Case {
        const char* text;
        ZQEditorType editorType;
        const char* state; // null: no task
        plat::Range marker;
    };
    const Case cases[] = {
        {"- [ ] x", Markup, " ", {2, 3}},
        {"- [] x", Markup, " ", {2, 2}},
        {"- [X] x", Markup, "X", {2, 3}},
        {"   * [-] x", Markup, "-", {5, 3}},
        {"x - [x]", Markup, nullptr, {}},
        {"\t[x]\tgo", Rich, "x", {1, 3}},
        {"[ ]\tgo", Block, " ", {0, 3}},
        {"a\n- [x] b", Markup, "x", {4, 3}},
        {"- [y] x", Markup, nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        plat::Range marker(77, 7);
        plat::Range state(77, 7);
        const QString found =
            ZQRenderUtil::parseTaskStateFromMarker(text, c.editorType, plat::Range(0, text.size()), &marker, &state);
        if (!c.state) {
            EXPECT_TRUE(found.isNull());
            EXPECT_EQ(marker, plat::Range(77, 7));
            continue;
        }
        EXPECT_EQ(found, QString::fromUtf8(c.state));
        EXPECT_EQ(marker, c.marker);
    }
}

TEST(ZQRenderUtilRich, OutlinesFromAndBackToMarkup)
{
    const auto settings = installedSettings();
    const auto inLine = ZQRenderUtil::parseMarkdownToOutline(QStringLiteral("Intro # text"));
    EXPECT_EQ(inLine.string(), QStringLiteral("Intro # text"));
    EXPECT_EQ(inLine.attributesAtIndex(0), settings->outlineBodyAttribute());

    const auto outline = ZQRenderUtil::parseMarkdownToOutline(QStringLiteral("# Title\nbody\n# not a title"));
    EXPECT_EQ(outline.string(), QStringLiteral("Title\nbody\n# not a title"));
    plat::Range run;
    EXPECT_EQ(outline.attributesAtIndex(0, &run), settings->outlineTitleAttribute());
    EXPECT_EQ(run, plat::Range(0, 6));
    EXPECT_EQ(outline.attributesAtIndex(6), settings->outlineBodyAttribute());
    EXPECT_EQ(ZQRenderUtil::parseOutlineTitleToMarkdown(outline), QStringLiteral("# Title\nbody\n# not a title"));
    EXPECT_EQ(ZQRenderUtil::extractTitleFromOutlineTitle(outline), QStringLiteral("Title"));

    // A title run inside a line is put on a line of its own.
    plat::MutableAttributedString mixed(QStringLiteral("ab Title cd"), settings->outlineBodyAttribute());
    mixed.setAttributes(settings->outlineTitleAttribute(), plat::Range(3, 5));
    EXPECT_EQ(ZQRenderUtil::parseOutlineTitleToMarkdown(mixed), QStringLiteral("ab \n# Title\n cd"));

    const QString longLine(70, QLatin1Char('w'));
    EXPECT_EQ(ZQRenderUtil::extractTitleFromOutlineTitle(plat::AttributedString(longLine)),
              longLine.left(60) + QStringLiteral("..."));
    EXPECT_EQ(ZQRenderUtil::extractTitleFromOutlineTitle(plat::AttributedString(QStringLiteral(" two\nlines "))),
              QStringLiteral("two lines"));
    EXPECT_EQ(ZQRenderUtil::extractTitleFromOutlineTitle(plat::AttributedString()), QStringLiteral(""));
}

TEST(ZQRenderUtilRich, PageTitlesFromHeadingsOrFirstWords)
{
    struct Case {
        const char* name;
        plat::MutableAttributedString content;
        ZQEditorType editorType;
        QString title;
        QString afterRemoval;
    };
    Case cases[] = {
        {"full stop late enough", plat::MutableAttributedString(QStringLiteral("Hello world. More text")),
         ZQEditorType::Rich, "Hello world", "Hello world. More text"},
        {"early full stop ignored",
         plat::MutableAttributedString(QStringLiteral("Hi. A long sentence without any full stop in it at all")),
         ZQEditorType::Rich, "Hi. A long sentence without any full stop in it at", ""},
        {"blank", plat::MutableAttributedString(QStringLiteral(" \n ")), ZQEditorType::Rich, "", " \n "},
        {"rich heading", pieces(ZQAttr::FilterHeading, {{"\n", {}}, {"Head", headingStyle()}, {"\nbody", {}}}),
         ZQEditorType::Rich, "Head", "\nbody"},
        {"markup heading", pieces(ZQAttr::FilterHeading, {{"## Head ##", headingStyle(2)}, {"\nbody", {}}}),
         ZQEditorType::Markup, "Head", "\nbody"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::MutableAttributedString kept(c.content);
        EXPECT_EQ(ZQRenderUtil::extractTitle(kept, c.editorType, false), c.title);
        EXPECT_EQ(kept.string(), c.content.string());
        ZQRenderUtil::extractTitle(c.content, c.editorType, true);
        if (!c.afterRemoval.isEmpty()) {
            EXPECT_EQ(c.content.string(), c.afterRemoval);
        }
    }
}

TEST(ZQRenderUtilRich, HeadingsAndTagsAreFoundByTheirIndexFromTheEnd)
{
    const auto content = pieces(ZQAttr::FilterHeading, {{"A", headingStyle()}, {"\n", {}}, {"B", headingStyle()}, {"\n", {}},
                                                        {"C", headingStyle()}});
    const auto entry
        = ZQDocumentHeading::initWithIndex(0, 1, QStringLiteral("C"), plat::Range(0, 0), ZQEditorType::Rich);
    EXPECT_EQ(ZQRenderUtil::findHeadingRange(*entry, content), plat::Range(4, 1));
    entry->setIndex(2);
    EXPECT_EQ(ZQRenderUtil::findHeadingRange(*entry, content), plat::Range(0, 1));
    entry->setIndex(3);
    EXPECT_EQ(ZQRenderUtil::findHeadingRange(*entry, content), plat::Range(0, 0));

    const auto tags = pieces(ZQAttr::MacroTag, {{"<a>", QStringLiteral("u1")}, {" x ", {}}, {"<b>", QStringLiteral("u2")}});
    const auto tag = ZQDocumentTag::initWithIndex(1, QStringLiteral("a"), plat::Range(0, 0), ZQEditorType::Rich);
    EXPECT_EQ(ZQRenderUtil::findTagRange(*tag, tags), plat::Range(0, 3));
}

TEST(ZQRenderUtilRich, TrailingSpaceFollowsTheFirstChildOnTheSameLine)
{
    const auto node = [](quint64 type, plat::Range line, const QString& content) {
        auto n = std::make_shared<ZQTextNode>();
        n->setNodeType(type);
        n->setLineRange(line);
        n->setContent(content);
        return n;
    };
    ZSTree quote = ZSTree::treeWithObject(node(ZQNodeType::Quote, plat::Range(0, 6), QStringLiteral(">")));
    EXPECT_FALSE(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(quote)); // nothing follows the marker

    auto paragraph = node(ZQNodeType::Paragraph, plat::Range(0, 6), QStringLiteral(" text"));
    paragraph->setRenderContent(std::make_shared<plat::MutableAttributedString>(QStringLiteral(" text")));
    quote.appendChildObject(paragraph);
    EXPECT_FALSE(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(quote));
    paragraph->setRenderContent(std::make_shared<plat::MutableAttributedString>(QStringLiteral("text")));
    EXPECT_TRUE(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(quote));
    // A paragraph is judged by its rendered text, other nodes by their content.
    EXPECT_FALSE(ZQRenderUtil::richNodeHasSpacePrefix(*paragraph));
    EXPECT_TRUE(ZQRenderUtil::richNodeHasSpacePrefix(*node(ZQNodeType::Divider, {}, QStringLiteral("\t---"))));
    EXPECT_FALSE(ZQRenderUtil::richNodeHasSpacePrefix(*node(ZQNodeType::ListItem, {}, QStringLiteral(" x"))));

    ZSTree later = ZSTree::treeWithObject(node(ZQNodeType::Quote, plat::Range(0, 2), QStringLiteral(">")));
    later.appendChildObject(node(ZQNodeType::Paragraph, plat::Range(2, 5), QStringLiteral(" x")));
    EXPECT_FALSE(ZQRenderUtil::requireTrailingSpaceForRichTreeNode(later)) << "nothing follows on the marker's line";
}
