// Editing roles of code blocks, headings and dividers: what typing styles,
// what the formatting commands do to text, attributes and caret in both
// editors, the keys they watch, and that each command is one undo step.

#include "support/PlainText.h"
#include "EditorView.h"

#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/KeyEvent.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;
using enum ZQMarkupType;

plat::Attributes defaults(ZQEditorType editorType)
{
    return ZSSettings::sharedSettings()->defaultTypingAttribute(editorType);
}

QString partAt(const EditorView& editor, qsizetype index)
{
    return editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterCodeBlock, index).toString();
}

qint64 levelAt(const EditorView& editor, qsizetype index)
{
    const auto style =
        editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterHeading, index).toObject<ZQHeadingStyle>();
    return style ? qint64(style->level()) : 0;
}

bool dividerAt(const EditorView& editor, qsizetype index)
{
    return !editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterDivider, index).isNull();
}

plat::Attributes codePart(const char* part)
{
    return ZQHighlighter::sharedHighlighter().codeblockRich(QString::fromLatin1(part), QStringLiteral("paired-k"));
}

// A rich code block with its four parts under one key.
plat::MutableAttributedString richBlock(const QString& info, const QString& body)
{
    plat::MutableAttributedString block;
    block.append(plat::AttributedString(QStringLiteral("```"), codePart("S")));
    if (!info.isEmpty())
        block.append(plat::AttributedString(info, codePart("T")));
    block.append(plat::AttributedString(QStringLiteral("\n") + body, codePart("B")));
    block.append(plat::AttributedString(QStringLiteral("```"), codePart("E")));
    return block;
}

// A formatting command on a selection: its text and caret, then whatever
// check says about the result, then one undo step named actionName.
struct CommandCase {
    ZQEditorType editor;
    const char* text;
    plat::Range selection;
    const char* expected;
    qsizetype caret;
    qsizetype marker = -1; // where the command's marker lands, -1 when none does
};

template <typename Check>
void expectCommand(ZQRangeFormatter& filter, quint64 tag, const CommandCase& c, const QString& actionName,
                   const Check& check)
{
    SCOPED_TRACE(c.text);
    EditorView editor(plain(QString::fromUtf8(c.text), c.editor), c.editor, c.selection);
    const EditorView::State before = editor.state();
    ASSERT_TRUE(filter.filterRangeOnFly(c.selection, tag, editor.view, editor.context));
    EXPECT_EQ(editor.string().toStdString(), c.expected);
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(c.caret, 0));
    check(editor);
    editor.expectOneUndoStep(before, actionName);
}

} // namespace

// ---- code block ------------------------------------------------------------

TEST(ZQCodeBlockEditing, ReturnAfterATypedFenceMakesABlockWithTheCaretInItsBody)
{
    ZQCodeBlockFilter filter;
    EditorView rich(plain(QStringLiteral("x\n```swift\n")), Rich, plat::Range(11, 0));
    const EditorView::State before = rich.state();
    EXPECT_FALSE(filter.filterRichOnFly(QStringLiteral("a"), 11, rich.view, rich.context));
    ASSERT_TRUE(filter.filterRichOnFly(QStringLiteral("\n"), 11, rich.view, rich.context));
    EXPECT_EQ(rich.string().toStdString(), "x\n```swift\n\n```");
    const std::vector<std::pair<qsizetype, const char*>> parts{{0, ""}, {2, "S"}, {5, "T"}, {11, "B"}, {12, "E"}};
    for (const auto& [index, part] : parts)
        EXPECT_EQ(partAt(rich, index).toStdString(), part) << index;
    const plat::TextStorage& text = *rich.view.textStorage();
    const QString key = text.attributeAtIndex(ZQAttr::Raw, 2).toString();
    EXPECT_TRUE(key.startsWith(QStringLiteral("paired-")));
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::Raw, 14).toString(), key);
    EXPECT_EQ(rich.view.selectedRange(), plat::Range(11, 0));
    rich.expectOneUndoStep(before, QStringLiteral("Code Block"));
}

TEST(ZQCodeBlockEditing, ReturnAfterAStyledFenceConvertsNothing)
{
    ZQCodeBlockFilter filter;
    // After an opening fence: already a block.
    plat::MutableAttributedString opened(plat::AttributedString(QStringLiteral("```"), codePart("S")));
    opened.append(plain(QStringLiteral("\n")));
    EditorView open(opened, Rich, plat::Range(4, 0));
    const plat::AttributedString openText = open.state().text;
    EXPECT_FALSE(filter.filterRichOnFly(QStringLiteral("\n"), 4, open.view, open.context));
    EXPECT_TRUE(open.state().text == openText);

    // After a closing fence: what follows is ordinary text.
    plat::MutableAttributedString closed = richBlock(QString(), QStringLiteral("code\n"));
    closed.append(plain(QStringLiteral("\n")));
    EditorView close(closed, Rich, plat::Range(closed.length(), 0));
    close.view.setTypingAttributes(codePart("E"));
    EXPECT_FALSE(filter.filterRichOnFly(QStringLiteral("\n"), closed.length(), close.view, close.context));
    EXPECT_EQ(close.view.typingAttributes(), defaults(Rich));
    EXPECT_EQ(close.string(), closed.string());
}

TEST(ZQCodeBlockEditing, CommandWrapsTheSelectedLines)
{
    const CommandCase cases[] = {
        {Rich, "a\nb\nc", {2, 1}, "a\n```\nb\n```\nc", 8},
        {Rich, "a\nb", {2, 1}, "a\n```\nb\n```", 7},
        {Rich, "a\nb\n\nc", {2, 0}, "a\n```\nb\n```\nc", 8},
        {Markup, "a\nb\nc", {0, 3}, "```\na\nb\n```\nc", 8},
    };
    ZQCodeBlockFilter filter;
    for (const CommandCase& c : cases) {
        expectCommand(filter, 33, c, QStringLiteral("Code Block"), [&](const EditorView& editor) {
            const qsizetype open = editor.string().indexOf(QStringLiteral("```"));
            const qsizetype close = editor.string().lastIndexOf(QStringLiteral("```"));
            EXPECT_EQ(partAt(editor, open), QStringLiteral("S"));
            EXPECT_EQ(partAt(editor, open + 4), QStringLiteral("B"));
            EXPECT_EQ(partAt(editor, close), QStringLiteral("E"));
            const plat::TextStorage& text = *editor.view.textStorage();
            EXPECT_EQ(text.attributeAtIndex(ZQAttr::Raw, open), text.attributeAtIndex(ZQAttr::Raw, close));
            if (c.editor != Markup)
                return;
            const auto opening = text.attributeAtIndex(ZQAttr::Paired, open).toObject<ZQPairedAttribute>();
            ASSERT_TRUE(opening);
            EXPECT_EQ(text.attributeAtIndex(ZQAttr::Paired, close).toObject<ZQPairedAttribute>(), opening);
            EXPECT_EQ(text.attributeAtIndex(ZQAttr::Raw, open).toString(), opening->uuid());
            EXPECT_TRUE(text.attributeAtIndex(ZQAttr::Paired, open + 4).isNull());
        });
    }
}

TEST(ZQCodeBlockEditing, ReturnKeyUpAfterTheClosingFenceLeavesTheBlockInTheRichEditorOnly)
{
    ZQCodeBlockFilter filter;
    const plat::Attributes closing = codePart("E");
    const plat::Attributes body = codePart("B");
    struct Case {
        ZQEditorType editor;
        quint16 key;
        plat::Attributes typing;
        plat::Attributes expected;
    };
    const Case cases[] = {
        {Rich, plat::KeyCode::Return, closing, defaults(Rich)},
        {Rich, plat::KeyCode::Return, body, body},
        {Rich, plat::KeyCode::Tab, closing, closing},
        {Markup, plat::KeyCode::Return, closing, closing},
    };
    for (const Case& c : cases) {
        EditorView editor(plain(QStringLiteral("x")), c.editor, plat::Range(1, 0));
        editor.view.setTypingAttributes(c.typing);
        EXPECT_FALSE(filter.processKeyUpEvent(c.key, 0, editor.view, editor.context));
        EXPECT_FALSE(filter.processKeyDownEvent(c.key, 0, editor.view, editor.context));
        EXPECT_EQ(editor.view.typingAttributes(), c.expected);
    }
}

TEST(ZQCodeBlockEditing, CleaningStylesDeletesFencesAndKeepsTheInfoString)
{
    ZQCodeBlockFilter filter;
    struct Case {
        const char* info;
        const char* expected;
    };
    for (const Case& c : {Case{"swift", "a\nswift\nx = 1\n\nb"}, Case{"", "a\n\nx = 1\n\nb"}}) {
        plat::MutableAttributedString text = plain(QStringLiteral("a\n"));
        text.append(richBlock(QString::fromUtf8(c.info), QStringLiteral("x = 1\n")));
        text.append(plain(QStringLiteral("\nb")));
        filter.handleMarkerFromRich(text);
        EXPECT_EQ(text.string().toStdString(), c.expected);
    }
}

// ---- heading ---------------------------------------------------------------

TEST(ZQHeadingEditing, TypedMarkerMakesTheLineAHeading)
{
    struct Case {
        ZQMarkupType markupType;
        const char* text;
        qsizetype position; // after the typed blank
        const char* expected; // empty: declined
        qint64 level;
    };
    const Case cases[] = {
        {Markdown, "## Title\nnext", 3, "Title\nnext", 2},
        {Markdown, "   # Title", 5, "Title", 1},
        {Markdown, "###### ", 7, "", 6},
        {QuorvelMarkup, "h2. Title", 4, "Title", 2},
        {Markdown, "h2. Title", 4, nullptr, 0},
        {QuorvelMarkup, "## Title", 3, nullptr, 0},
        {Markdown, "ab ## x", 6, nullptr, 0},
        {Markdown, "####### x", 8, nullptr, 0},
        {QuorvelMarkup, "h7. x", 4, nullptr, 0},
        {QuorvelMarkup, "H2. x", 4, nullptr, 0},
    };
    ZQHeadingFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EditorView editor(plain(QString::fromUtf8(c.text)), Rich, plat::Range(c.position, 0));
        editor.context.setRunningMarkupType(c.markupType);
        const EditorView::State before = editor.state();
        const bool styled = filter.filterRichOnFly(QStringLiteral(" "), c.position, editor.view, editor.context);
        if (!c.expected) {
            EXPECT_FALSE(styled);
            EXPECT_TRUE(editor.state().text == before.text);
            continue;
        }
        ASSERT_TRUE(styled);
        EXPECT_EQ(editor.string().toStdString(), c.expected);
        EXPECT_EQ(editor.view.selectedRange(), plat::Range(0, 0));
        if (!editor.string().isEmpty()) {
            EXPECT_EQ(levelAt(editor, 0), c.level);
        }
        const qsizetype lineBreak = editor.string().indexOf(QLatin1Char('\n'));
        if (lineBreak >= 0) {
            EXPECT_EQ(levelAt(editor, lineBreak), 0);
        }
        const auto typing = editor.view.typingAttributes().value(ZQAttr::FilterHeading).toObject<ZQHeadingStyle>();
        ASSERT_TRUE(typing);
        EXPECT_EQ(qint64(typing->level()), c.level);
        editor.expectOneUndoStep(before, QStringLiteral("Heading"));
    }
    ZQHeadingFilter other;
    EditorView editor(plain(QStringLiteral("## ")), Rich, plat::Range(3, 0));
    EXPECT_FALSE(other.filterRichOnFly(QStringLiteral("x"), 3, editor.view, editor.context));
}

TEST(ZQHeadingEditing, RichCommandSetsReplacesAndTogglesLevelsLineByLine)
{
    ZQHeadingFilter filter;
    EditorView editor(plain(QStringLiteral("one\ntwo\nthree")), Rich, plat::Range(1, 5));
    const plat::Range selection(1, 5);

    const EditorView::State before = editor.state();
    ASSERT_TRUE(filter.filterRangeOnFly(selection, 22, editor.view, editor.context));
    EXPECT_EQ(editor.string().toStdString(), "one\ntwo\nthree");
    EXPECT_EQ(levelAt(editor, 0), 2);
    EXPECT_EQ(levelAt(editor, 4), 2);
    EXPECT_EQ(levelAt(editor, 3), 0) << "the line end stays plain";
    EXPECT_EQ(levelAt(editor, 8), 0) << "lines outside the selection stay";
    EXPECT_EQ(editor.view.selectedRange(), selection);
    editor.expectOneUndoStep(before, QStringLiteral("Heading 2"));

    // Another level replaces; the same level again removes.
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(0, 0), 23, editor.view, editor.context));
    EXPECT_EQ(levelAt(editor, 0), 3);
    ASSERT_TRUE(filter.filterRangeOnFly(selection, 23, editor.view, editor.context));
    EXPECT_EQ(levelAt(editor, 0), 0);
    EXPECT_EQ(levelAt(editor, 4), 3);
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(4, 0), 23, editor.view, editor.context));
    EXPECT_EQ(levelAt(editor, 4), 0);
    EXPECT_TRUE(editor.state().text == before.text);
}

TEST(ZQHeadingEditing, MarkupCommandWritesOrRemovesTheMarkerAndKeepsTheSelectionOnTheText)
{
    struct Case {
        ZQMarkupType markupType;
        const char* text;
        plat::Range selection;
        quint64 tag;
        const char* expected;
        plat::Range selectionAfter;
    };
    const Case cases[] = {
        {Markdown, "Title", {2, 0}, 22, "## Title", {5, 0}},
        {Markdown, "## Title", {5, 0}, 22, "Title", {2, 0}},
        {Markdown, "## Title", {1, 0}, 22, "Title", {0, 0}},
        {Markdown, "# Title", {2, 5}, 23, "### Title", {4, 5}},
        {Markdown, "## a\nb\n", {0, 6}, 22, "a\n## b\n", {0, 6}},
        {QuorvelMarkup, "Title", {0, 5}, 21, "h1. Title", {4, 5}},
        {QuorvelMarkup, "h1. Title", {4, 0}, 22, "h2. Title", {4, 0}},
        {QuorvelMarkup, "x\nh3. Title\ny", {6, 1}, 23, "x\nTitle\ny", {2, 1}},
    };
    ZQHeadingFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EditorView editor(plain(QString::fromUtf8(c.text), Markup), Markup, c.selection);
        editor.context.setRunningMarkupType(c.markupType);
        const EditorView::State before = editor.state();
        ASSERT_TRUE(filter.filterRangeOnFly(c.selection, c.tag, editor.view, editor.context));
        EXPECT_EQ(editor.string().toStdString(), c.expected);
        EXPECT_EQ(editor.view.selectedRange(), c.selectionAfter);
        editor.expectOneUndoStep(before, QStringLiteral("Heading %1").arg(c.tag - 20));
    }
    EditorView editor(plain(QStringLiteral("Title"), Markup), Markup);
    ASSERT_TRUE(filter.filterRangeOnFly(plat::Range(0, 0), 21, editor.view, editor.context));
    EXPECT_EQ(editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterHeading, 0).toObject<ZQHeadingStyle>()->level(),
              1u);
}

TEST(ZQHeadingEditing, ReturnDropsTheHeadingTypingAttributesWithoutConsumingTheKey)
{
    ZQHeadingFilter filter;
    const plat::Attributes heading = ZQHighlighter::sharedHighlighter().headingRich(2, QStringLiteral("u"), 0);
    for (const ZQEditorType editorType : {Rich, Markup}) {
        EditorView editor(plain(QStringLiteral("x"), editorType), editorType, plat::Range(1, 0));
        editor.view.setTypingAttributes(heading);
        EXPECT_FALSE(filter.processKeyDownEvent(plat::KeyCode::Tab, 0, editor.view, editor.context));
        EXPECT_EQ(editor.view.typingAttributes(), heading);
        EXPECT_FALSE(filter.processKeyDownEvent(plat::KeyCode::Return, 0, editor.view, editor.context));
        EXPECT_EQ(editor.view.typingAttributes(), defaults(editorType));
    }
}

// ---- divider ---------------------------------------------------------------

TEST(ZQDividerEditing, TypedHyphenCompletesADivider)
{
    struct Case {
        const char* text;
        qsizetype position; // after the typed "-"
        plat::Range styled; // notFound: declined
    };
    const Case cases[] = {
        {"---", 3, {0, 3}},
        {"x\n---\ny", 5, {2, 3}},
        {"---", 1, {0, 3}},
        {"- - -", 5, {0, 5}},
        {"--", 2, plat::Range::notFound()},
        {"ab---", 5, plat::Range::notFound()},
        {"    ---", 7, plat::Range::notFound()},
    };
    ZQSeparatorFilter filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EditorView editor(plain(QString::fromUtf8(c.text)), Rich, plat::Range(c.position, 0));
        const EditorView::State before = editor.state();
        const bool styled = filter.filterRichOnFly(QStringLiteral("-"), c.position, editor.view, editor.context);
        if (c.styled.isNotFound()) {
            EXPECT_FALSE(styled);
            EXPECT_TRUE(editor.state().text == before.text);
            continue;
        }
        ASSERT_TRUE(styled);
        EXPECT_EQ(editor.string().toStdString(), c.text);
        for (qsizetype i = 0; i < editor.string().size(); ++i)
            EXPECT_EQ(dividerAt(editor, i), i >= c.styled.location && i < c.styled.end()) << i;
        EXPECT_EQ(editor.view.selectedRange(), plat::Range(c.position, 0));
        editor.expectOneUndoStep(before, QStringLiteral("Divider"));
    }
    EditorView editor(plain(QStringLiteral("***")), Rich, plat::Range(3, 0));
    EXPECT_FALSE(filter.filterRichOnFly(QStringLiteral("*"), 3, editor.view, editor.context));
}

TEST(ZQDividerEditing, ActionRemovesFillsOrAppendsADivider)
{
    const CommandCase cases[] = {
        {Rich, "a\n---\nb", {3, 0}, "a\nb", 2},
        {Markup, "* * *", {0, 5}, "", 0},
        {Rich, "a\n\nb", {2, 0}, "a\n---\nb", 5, 2},
        {Rich, "", {0, 0}, "---", 3, 0},
        {Rich, "text\nmore", {1, 0}, "text\n\n---\nmore", 9, 6},
        {Rich, "text", {4, 0}, "text\n\n---", 9, 6},
        {Markup, "text\n\nmore", {0, 2}, "text\n\n---\nmore", 9, 6},
    };
    ZQSeparatorFilter filter;
    const ZQHighlighter& highlighter = ZQHighlighter::sharedHighlighter();
    for (const CommandCase& c : cases) {
        expectCommand(filter, 34, c, QStringLiteral("Divider"), [&](const EditorView& editor) {
            if (c.marker < 0)
                return;
            EXPECT_EQ(editor.view.textStorage()->attributesAtIndex(c.marker),
                      c.editor == Markup ? highlighter.dividerMarkdown() : highlighter.dividerRich());
        });
    }
}
