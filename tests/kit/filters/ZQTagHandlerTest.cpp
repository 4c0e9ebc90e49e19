// Tags: made from the macro menu and from a selection in both editors, chips
// edited with the comma and Return keys, and chip brackets stripped before
// rich text is written as markup.

#include "support/PlainText.h"
#include "EditorView.h"

#include "kit/filters/ZQTagHandler.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQHelpTip.h"
#include "platform/foundation/Clock.h"
#include "platform/text/KeyEvent.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;

plat::AttributedString chip(const char* text)
{
    return plat::AttributedString(QString::fromUtf8(text),
                                  ZQHighlighter::sharedHighlighter().baseRich(ZQHighlighter::Tag));
}

plat::MutableAttributedString join(std::initializer_list<plat::AttributedString> pieces)
{
    plat::MutableAttributedString text;
    for (const auto& piece : pieces)
        text.append(piece);
    return text;
}

QString tagAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(ZQAttr::MacroTag, index).toString();
}

std::shared_ptr<ZQPairedAttribute> pairedAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(ZQAttr::Paired, index).toObject<ZQPairedAttribute>();
}

} // namespace

TEST(ZQTagHandler, MatchesTheBeginningsOfTag)
{
    ZQTagHandler handler;
    EXPECT_EQ(handler.macroTitle(), QStringLiteral("Tag"));
    EXPECT_EQ(handler.attributeName(), QStringLiteral("ZQMacroTag"));
    for (const char* typed : {"t", "ta", "tag"})
        EXPECT_TRUE(handler.matchingTypeText(QString::fromUtf8(typed))) << typed;
    for (const char* typed : {"", "tags", "a", "T"})
        EXPECT_FALSE(handler.matchingTypeText(QString::fromUtf8(typed))) << typed;
}

TEST(ZQTagHandler, MacroMakesAnEmptyTagWithTheCaretInside)
{
    ZQTagHandler handler;
    // A clock far past any earlier tip, so that the chip's tip shows at once.
    plat::ManualClockScope clock(2e9);
    EditorView rich(plain("x tag"), Rich, plat::Range(5, 0));
    const EditorView::State richBefore = rich.state();
    EXPECT_EQ(handler.handleRichOnFly(rich.view, plat::Range(2, 3), rich.context), plat::Range(2, 3));
    EXPECT_EQ(ZQHelpTip::sharedTip()->tid(), 7);
    EXPECT_EQ(rich.string().toStdString(), "x <>");
    EXPECT_FALSE(tagAt(*rich.view.textStorage(), 2).isEmpty());
    EXPECT_EQ(tagAt(*rich.view.textStorage(), 2), tagAt(*rich.view.textStorage(), 3));
    EXPECT_EQ(rich.view.selectedRange(), plat::Range(3, 0));
    rich.expectOneUndoStep(richBefore, QStringLiteral("Tag"));

    EditorView markup(plain("x tag", Markup), Markup, plat::Range(5, 0));
    const EditorView::State markupBefore = markup.state();
    handler.handleMarkupOnFly(markup.view, 5, plat::Range(2, 3), markup.context);
    EXPECT_EQ(markup.string().toStdString(), "x ++");
    const auto opening = pairedAt(*markup.view.textStorage(), 2);
    const auto closing = pairedAt(*markup.view.textStorage(), 3);
    ASSERT_TRUE(opening && closing);
    EXPECT_FALSE(opening->isClose());
    EXPECT_TRUE(closing->isClose());
    EXPECT_EQ(opening->marker(), QStringLiteral("+"));
    EXPECT_TRUE(opening->isPairWith(*closing));
    EXPECT_EQ(markup.view.selectedRange(), plat::Range(3, 0));
    markup.expectOneUndoStep(markupBefore, QStringLiteral("Tag"));
}

TEST(ZQTagHandler, SelectionBecomesATagWithoutMarkerCharacters)
{
    ZQTagHandler handler;
    struct Case {
        ZQEditorType editorType;
        const char* expected;
    } cases[] = {
        // Blanks around the selection and its further lines stay.
        {Rich, "say  <ab>\n now"},
        {Markup, "say  +ab+\n now"},
    };
    for (const Case& c : cases) {
        EditorView editor(plain("say  a+b\n now", c.editorType), c.editorType, plat::Range(3, 7));
        const EditorView::State before = editor.state();
        EXPECT_TRUE(handler.filterRangeOnFly(plat::Range(3, 7), 43, editor.view, editor.context));
        EXPECT_EQ(editor.string().toStdString(), c.expected);
        // Before the tag's last character.
        EXPECT_EQ(editor.view.selectedRange(), plat::Range(8, 0));
        const plat::AttributedString& text = *editor.view.textStorage();
        if (c.editorType == Rich) {
            EXPECT_FALSE(tagAt(text, 5).isEmpty());
            EXPECT_EQ(tagAt(text, 5), tagAt(text, 8));
        } else {
            EXPECT_TRUE(pairedAt(text, 5) && pairedAt(text, 8) && pairedAt(text, 5)->isPairWith(*pairedAt(text, 8)));
            EXPECT_TRUE(text.attributedSubstring(plat::Range(6, 2)) == plain("ab", Markup));
        }
        editor.expectOneUndoStep(before, QStringLiteral("Tag"));
    }
}

TEST(ZQTagHandler, CommaInAChipOpensTheNextOne)
{
    ZQTagHandler handler;
    EditorView editor(join({plain("x "), chip("<a>"), plain(" y")}), Rich, plat::Range(4, 0));
    const EditorView::State before = editor.state();
    EXPECT_TRUE(handler.processKeyDownEvent(plat::KeyCode::Comma, 0, editor.view, editor.context));
    EXPECT_EQ(editor.string().toStdString(), "x <a><> y");
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(6, 0));
    const plat::AttributedString& text = *editor.view.textStorage();
    EXPECT_FALSE(tagAt(text, 5).isEmpty());
    EXPECT_NE(tagAt(text, 5), tagAt(text, 2));
    editor.expectOneUndoStep(before, QStringLiteral("Tag"));
}

TEST(ZQTagHandler, ReturnLeavesTheChipAndDropsItWhenEmpty)
{
    ZQTagHandler handler;
    EditorView empty(join({plain("x "), chip("< >"), plain(" y\nz")}), Rich, plat::Range(3, 0));
    const EditorView::State before = empty.state();
    EXPECT_TRUE(handler.processKeyDownEvent(plat::KeyCode::Return, 0, empty.view, empty.context));
    EXPECT_EQ(empty.string().toStdString(), "x  y\nz");
    // The end of the chip's line range, its line break included.
    EXPECT_EQ(empty.view.selectedRange(), plat::Range(5, 0));
    empty.expectOneUndoStep(before, QStringLiteral("Typing"));

    EditorView named(join({plain("x "), chip("<a>"), plain(" y\nz")}), Rich, plat::Range(3, 0));
    EXPECT_TRUE(handler.processKeyDownEvent(plat::KeyCode::Return, 0, named.view, named.context));
    EXPECT_EQ(named.string().toStdString(), "x <a> y\nz");
    EXPECT_EQ(named.view.selectedRange(), plat::Range(8, 0));
    EXPECT_FALSE(named.undo->canUndo());
}

TEST(ZQTagHandler, KeysOutsideAChipOrInMarkupPassThrough)
{
    ZQTagHandler handler;
    struct Case {
        const char* what;
        ZQEditorType editorType;
        quint16 key;
        plat::Range caret;
    } cases[] = {
        {"plain text", Rich, plat::KeyCode::Comma, {0, 0}},
        {"end of the text", Rich, plat::KeyCode::Comma, {5, 0}},
        {"another key", Rich, plat::KeyCode::Tab, {3, 0}},
        {"markup editor", Markup, plat::KeyCode::Comma, {3, 0}},
    };
    for (const Case& c : cases) {
        EditorView editor(join({plain("x "), chip("<a>")}), c.editorType, c.caret);
        EXPECT_FALSE(handler.processKeyDownEvent(c.key, 0, editor.view, editor.context)) << c.what;
        EXPECT_EQ(editor.string().toStdString(), "x <a>") << c.what;
        EXPECT_EQ(editor.view.selectedRange(), c.caret) << c.what;
    }
}

TEST(ZQTagHandler, CleanerStripsChipBrackets)
{
    ZQTagHandler handler;
    plat::MutableAttributedString text =
        join({chip("<a>"), chip("[b]"), plain(" "), chip("{c}"), plain(" "), chip("<d"), plain(" <e>")});
    handler.handleMarkerFromRich(text);
    EXPECT_EQ(text.string().toStdString(), "ab c <d <e>");
    EXPECT_FALSE(tagAt(text, 0).isEmpty());
}
