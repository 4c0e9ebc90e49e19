// Tab, Shift-Tab and Return in lists, tasks, quotes and code, in the rich and
// markup editors and both dialects: the text each key leaves and its one undo step.

#include "kit/filters/EditorView.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQListStyle.h"
#include "kit/render/ZQRender.h"
#include "platform/text/KeyEvent.h"

#include "support/InstalledSettings.h"
#include "support/QStringPrinting.h"

#include <gtest/gtest.h>

using plat::AttributedString;
using plat::Range;

namespace {

using enum ZQEditorType;
using enum ZQMarkupType;
constexpr quint64 Shift = plat::ModifierFlag::Shift;
constexpr quint64 Control = plat::ModifierFlag::Control;

const QString Indent = QStringLiteral("Indent");

// The marker levels of the list or task style at index.
qsizetype levelsAt(const plat::AttributedString& text, const QString& key, qsizetype index)
{
    const auto style = text.attributeAtIndex(key, index).toObject<ZQListStyle>();
    return style ? qsizetype(style->textLists().size()) : 0;
}

} // namespace

class ZQRenderIndentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = installedSettings();
        dialect = settings->markupType();
        render = std::make_unique<ZQRender>();
    }
    void TearDown() override { settings->setMarkupType(dialect); }

    // The editor's text for a page of markup in the dialect.
    plat::AttributedString editorText(const QString& markup, ZQEditorType editorType, ZQMarkupType markupType)
    {
        settings->setMarkupType(markupType);
        if (editorType == Markup) {
            plat::MutableAttributedString text(AttributedString(markup, settings->defaultTypingAttribute(Markup)));
            render->highlightMarkdown(text);
            return text;
        }
        return render->renderMarkupToRich(AttributedString(markup), false, markupType);
    }

    // An editor on that text with the caret after the first occurrence of caretAfter
    // (at the end when empty).
    std::unique_ptr<EditorView> editor(const QString& markup, ZQEditorType editorType, ZQMarkupType markupType,
                                       const QString& caretAfter = {})
    {
        const plat::AttributedString text = editorText(markup, editorType, markupType);
        const qsizetype caret = caretAfter.isEmpty() ? text.length()
                                                     : text.string().indexOf(caretAfter) + caretAfter.size();
        return std::make_unique<EditorView>(text, editorType, Range(caret, 0));
    }

    bool enter(EditorView& e, quint64 flag = 0) { return render->handleEnter(e.view, flag); }
    bool tab(EditorView& e, quint64 flag = 0) { return render->handleTab(e.view, flag); }
    bool shiftTab(EditorView& e) { return render->defaultShiftTab(e.view); }

    // The key made one undo step "Indent": undo brings back the text, its
    // attributes and the caret, redo the edited text.
    static void expectOneStep(EditorView& e, const EditorView::State& before)
    {
        const plat::AttributedString after = *e.view.textStorage();
        EXPECT_EQ(e.undo->undoActionName(), Indent);
        e.undo->undo();
        EXPECT_EQ(e.string(), before.text.string());
        EXPECT_TRUE(AttributedString(*e.view.textStorage()) == before.text) << "attributes differ after undo";
        EXPECT_EQ(e.view.selectedRange(), before.selection);
        EXPECT_FALSE(e.undo->canUndo());
        e.undo->redo();
        EXPECT_TRUE(AttributedString(*e.view.textStorage()) == after) << "redo differs";
    }

    std::shared_ptr<ZSSettings> settings;
    ZQMarkupType dialect = ZQMarkupType::Markdown;
    std::unique_ptr<ZQRender> render;
};

TEST_F(ZQRenderIndentTest, ReturnContinuesEndsOrStepsOutOfMarkupItems)
{
    struct Case {
        ZQMarkupType dialect;
        const char* markup;
        quint64 flag;
        const char* expected; // nullptr: the key is left to the text view
    };
    const Case cases[] = {
        {Markdown, "1. one", 0, "1. one\n2. "},
        {Markdown, "9. one\n10. two", 0, "9. one\n10. two\n11. "},
        {QuorvelMarkup, "# one", 0, "# one\n# "},
        {Markdown, "- one", 0, "- one\n- "},
        {Markdown, "1. one\n   - two\n   - ", 0, "1. one\n   - two\n2. "}, // empty nested item: one level out
        {Markdown, "- one\n- ", 0, "- one\n\n"},               // empty top-level item: the list ends
        {Markdown, "- one", Control, "- one\n   "},            // the item's text goes on
        {Markdown, "- [x] done", 0, "- [x] done\n- [ ] "},
        {QuorvelMarkup, "- [-] doing", 0, "- [-] doing\n- [ ] "},
        {Markdown, "> quoted", 0, "> quoted\n> "},
        {Markdown, "> quoted\n> ", 0, "> quoted\n\n"},
        {Markdown, "> - one", 0, "> - one\n> - "},
        {Markdown, "> ```\n>     code", 0, "> ```\n>     code\n>     "},
        {Markdown, "- ```\n      code", 0, "- ```\n      code\n      "}, // code goes on, not the list
        {Markdown, "plain text", 0, nullptr},
    };
    for (const Case& c : cases) {
        const auto e = editor(QString::fromLatin1(c.markup), Markup, c.dialect);
        const EditorView::State before = e->state();
        ASSERT_EQ(enter(*e, c.flag), c.expected != nullptr) << c.markup;
        if (!c.expected) {
            EXPECT_EQ(e->string(), before.text.string());
            continue;
        }
        EXPECT_EQ(e->string(), QString::fromLatin1(c.expected)) << c.markup;
        EXPECT_EQ(e->view.selectedRange(), Range(e->string().size(), 0)) << c.markup;
        expectOneStep(*e, before);
    }
}

TEST_F(ZQRenderIndentTest, ReturnAtALineStartOrOnAnEmptyLineIsLeftToTheView)
{
    for (const ZQEditorType editorType : {Rich, Markup}) {
        auto atStart = editor(QStringLiteral("- one\n- two"), editorType, Markdown);
        atStart->view.setSelectedRange(Range(atStart->string().indexOf(QStringLiteral("\n")) + 1, 0));
        EXPECT_FALSE(enter(*atStart));
        auto onEmptyLine = editor(QStringLiteral("- one"), editorType, Markdown);
        onEmptyLine->view.textStorage()->append(AttributedString(QStringLiteral("\n")));
        onEmptyLine->view.setSelectedRange(Range(onEmptyLine->string().size(), 0));
        EXPECT_FALSE(enter(*onEmptyLine));
        EXPECT_FALSE(atStart->undo->canUndo());
    }
}

TEST_F(ZQRenderIndentTest, ReturnInCodeKeepsTheLeadingWhitespace)
{
    for (const ZQEditorType editorType : {Rich, Markup}) {
        const auto e = editor(QStringLiteral("```\n    code\n```"), editorType, Markdown, QStringLiteral("code"));
        const EditorView::State before = e->state();
        ASSERT_TRUE(enter(*e));
        EXPECT_EQ(e->string(), QStringLiteral("```\n    code\n    \n```"));
        EXPECT_EQ(e->view.selectedRange(), Range(17, 0));
        expectOneStep(*e, before);

        const auto flush = editor(QStringLiteral("```\ncode\n```"), editorType, Markdown, QStringLiteral("code"));
        EXPECT_FALSE(enter(*flush));
    }
}

TEST_F(ZQRenderIndentTest, ReturnInRichListsNumbersNestsAndSteps)
{
    for (const ZQMarkupType markupType : {Markdown, QuorvelMarkup}) {
        const auto e = editor(QString::fromLatin1(markupType == Markdown ? "1. one" : "# one"), Rich, markupType);
        const EditorView::State before = e->state();
        ASSERT_TRUE(enter(*e));
        EXPECT_EQ(e->string(), QStringLiteral("\t1.\tone\n\t2.\t"));
        const plat::TextStorage& text = *e->view.textStorage();
        const auto first = text.attributeAtIndex(ZQAttr::FilterList, 0).toObject<ZQListStyle>();
        const auto next = text.attributeAtIndex(ZQAttr::FilterList, 9).toObject<ZQListStyle>();
        ASSERT_TRUE(first && next);
        EXPECT_NE(first, next); // the new item has a style of its own
        EXPECT_EQ(first->textLists().back()->listIndex(), 1u);
        EXPECT_EQ(next->textLists().back()->listIndex(), 2u);
        EXPECT_EQ(e->view.typingAttributes(), settings->defaultTypingAttribute(Rich));
        expectOneStep(*e, before);
    }

    // A nested item continues at its level; Return on the empty new item steps out.
    const auto e = editor(QStringLiteral("1. one\n   - two"), Rich, Markdown);
    ASSERT_TRUE(enter(*e));
    const QString nested = QStringLiteral("\t1.\tone\n\t\u2043\ttwo\n\t\u2043\t");
    EXPECT_EQ(e->string(), nested);
    EXPECT_EQ(levelsAt(*e->view.textStorage(), ZQAttr::FilterList, nested.size() - 1), 2);
    const EditorView::State before = e->state();
    e->undo->removeAllActions();
    ASSERT_TRUE(enter(*e));
    EXPECT_EQ(e->string(), QStringLiteral("\t1.\tone\n\t\u2043\ttwo\n\t2.\t"));
    EXPECT_EQ(levelsAt(*e->view.textStorage(), ZQAttr::FilterList, e->string().size() - 1), 1);
    EXPECT_EQ(e->view.selectedRange(), Range(e->string().size(), 0));
    expectOneStep(*e, before);

    // Return on an empty top-level item takes the marker away.
    const auto top = editor(QStringLiteral("- one"), Rich, Markdown);
    ASSERT_TRUE(enter(*top));
    ASSERT_TRUE(enter(*top));
    EXPECT_EQ(top->string(), QStringLiteral("\t\u2043\tone\n\n"));
    EXPECT_TRUE(top->view.textStorage()->attributeAtIndex(ZQAttr::FilterList, 7).isNull());
}

TEST_F(ZQRenderIndentTest, ControlReturnContinuesAnItemWithoutAMarker)
{
    // The block editor holds rich text too: its continuation is a list-indent tab.
    for (const ZQEditorType editorType : {Rich, Block}) {
        const auto e = editor(QStringLiteral("- one"), editorType, Markdown);
        const EditorView::State before = e->state();
        ASSERT_TRUE(enter(*e, Control));
        EXPECT_EQ(e->string(), QStringLiteral("\t\u2043\tone\n\t"));
        EXPECT_EQ(levelsAt(*e->view.textStorage(), ZQAttr::InListIndent, 7), 1);
        EXPECT_TRUE(e->view.textStorage()->attributeAtIndex(ZQAttr::FilterList, 7).isNull());
        expectOneStep(*e, before);
    }
}

TEST_F(ZQRenderIndentTest, ReturnInRichTasksAndQuotes)
{
    for (const ZQEditorType editorType : {Rich, Block}) {
        const auto e = editor(QStringLiteral("- [x] done"), editorType, Markdown);
        const EditorView::State before = e->state();
        ASSERT_TRUE(enter(*e));
        EXPECT_EQ(e->string(), QStringLiteral("\t[x]\tdone\n\t[ ]\t"));
        const plat::TextStorage& text = *e->view.textStorage();
        EXPECT_EQ(levelsAt(text, ZQAttr::FilterTask, 11), 1);
        // An open box looks open: not in the colour of the done task it came from.
        EXPECT_NE(text.attributeAtIndex(plat::ForegroundColorAttribute, 11),
                  text.attributeAtIndex(plat::ForegroundColorAttribute, 0));
        EXPECT_NE(text.attributeAtIndex(ZQAttr::TextBlock, 11), text.attributeAtIndex(ZQAttr::TextBlock, 0));
        expectOneStep(*e, before);
    }

    const auto quote = editor(QStringLiteral("> quoted"), Rich, Markdown);
    const EditorView::State before = quote->state();
    ASSERT_TRUE(enter(*quote));
    EXPECT_EQ(quote->string(), QStringLiteral("> quoted\n> "));
    EXPECT_FALSE(quote->view.textStorage()->attributeAtIndex(ZQAttr::FilterQuote, 10).isNull());
    expectOneStep(*quote, before);
    quote->view.setSelectedRange(Range(quote->string().size(), 0));
    ASSERT_TRUE(enter(*quote));
    EXPECT_EQ(quote->string(), QStringLiteral("> quoted\n\n"));
}

TEST_F(ZQRenderIndentTest, TabAndShiftTabChangeARichItemsLevel)
{
    struct Case {
        const char* markup;
        const QString& key;
    };
    for (const Case& c : {Case{"- one", ZQAttr::FilterList}, Case{"- [ ] todo", ZQAttr::FilterTask}}) {
        const auto e = editor(QString::fromLatin1(c.markup), Rich, Markdown);
        const qsizetype contentStart = c.key == ZQAttr::FilterList ? 3 : 5;
        e->view.setSelectedRange(Range(contentStart, 0));
        const QString text = e->string();
        plat::TextStorage& storage = *e->view.textStorage();

        ASSERT_TRUE(tab(*e));
        EXPECT_EQ(levelsAt(storage, c.key, 0), 2) << c.markup;
        EXPECT_EQ(e->undo->undoActionName(), Indent);
        e->undo->undo();
        EXPECT_EQ(levelsAt(storage, c.key, 0), 1);
        EXPECT_FALSE(e->undo->canUndo());
        e->undo->redo();
        EXPECT_EQ(levelsAt(storage, c.key, 0), 2);

        ASSERT_TRUE(tab(*e, Shift));
        EXPECT_EQ(levelsAt(storage, c.key, 0), 1);
        e->undo->removeAllActions();
        // The last level stays; the key is taken all the same.
        EXPECT_TRUE(tab(*e, Shift));
        EXPECT_EQ(levelsAt(storage, c.key, 0), 1);
        EXPECT_FALSE(e->undo->canUndo());
        EXPECT_EQ(e->string(), text);

        // Inside the item's text Tab is the view's.
        e->view.setSelectedRange(Range(contentStart + 1, 0));
        EXPECT_FALSE(tab(*e));
    }
}

TEST_F(ZQRenderIndentTest, UndoOfALevelChangeRestoresTheNestedLevels)
{
    const auto e = editor(QStringLiteral("1. one\n   - two"), Rich, Markdown);
    plat::TextStorage& storage = *e->view.textStorage();
    const qsizetype inner = e->string().indexOf(QStringLiteral("two")) - 1;
    e->view.setSelectedRange(Range(inner + 1, 0));
    const auto style = storage.attributeAtIndex(ZQAttr::FilterList, inner).toObject<ZQListStyle>();
    const QStringList formats{style->textLists()[0]->richMarkerFormat(), style->textLists()[1]->richMarkerFormat()};
    const quint64 outerIndex = style->textLists()[0]->listIndex();

    ASSERT_TRUE(tab(*e, Shift));
    ASSERT_EQ(style->textLists().size(), 1u);
    e->undo->undo();
    ASSERT_EQ(style->textLists().size(), 2u);
    EXPECT_EQ(style->textLists()[1]->richMarkerFormat(), formats[1]);
    EXPECT_EQ(style->textLists()[0]->richMarkerFormat(), formats[0]);
    EXPECT_EQ(style->textLists()[0]->listIndex(), outerIndex);
}

TEST_F(ZQRenderIndentTest, TabInMarkupIndentsTheItemAtItsMarker)
{
    struct Case {
        const char* markup;
        const char* caretAfter;
        quint64 flag;
        const char* expected; // nullptr: left to the view
    };
    const Case cases[] = {
        {"- one", "- ", 0, "\t- one"},
        {"- [ ] todo", "[ ] ", 0, "\t- [ ] todo"},
        {"1. one\n   - two", "- ", 0, "1. one\n   \t- two"},
        {"- one", "on", 0, nullptr},
        {"  - one", "- ", Shift, "- one"},
        {"1. one\n      - two", "- ", Shift, "1. one\n  - two"},
        {"- one", "- ", Shift, nullptr}, // nothing to take away
        {"plain", "pl", 0, nullptr},
    };
    for (const Case& c : cases) {
        const auto e = editor(QString::fromLatin1(c.markup), Markup, Markdown, QString::fromLatin1(c.caretAfter));
        const EditorView::State before = e->state();
        ASSERT_EQ(tab(*e, c.flag), c.expected != nullptr) << c.markup;
        if (!c.expected) {
            EXPECT_EQ(e->string(), before.text.string());
            continue;
        }
        EXPECT_EQ(e->string(), QString::fromLatin1(c.expected)) << c.markup;
        expectOneStep(*e, before);
    }
}

TEST_F(ZQRenderIndentTest, ShiftTabOutsideListsTakesOneIndentationStep)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"    text", "text"},  {"      text", "  text"}, {"  \ttext", "  text"},
        {"\t\ttext", "\ttext"}, {"a\n  b", "a\nb"},       {"text", "text"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EditorView e(AttributedString(text, settings->defaultTypingAttribute(Markup)), Markup,
                     Range(text.size(), 0));
        const EditorView::State before = e.state();
        EXPECT_TRUE(shiftTab(e)) << c.text;
        EXPECT_EQ(e.string(), QString::fromLatin1(c.expected)) << c.text;
        if (e.string() == before.text.string())
            EXPECT_FALSE(e.undo->canUndo());
        else
            expectOneStep(e, before);
    }
}

TEST_F(ZQRenderIndentTest, ReadOnlyCharactersInTheGapStay)
{
    const plat::Attributes plain = settings->defaultTypingAttribute(Markup);
    plat::Attributes locked = plain;
    locked.set(ZQAttr::Readonly, ZQAttr::FilterList);
    plat::MutableAttributedString text(AttributedString(QStringLiteral("  "), plain));
    text.append(AttributedString(QStringLiteral(" "), locked));
    text.append(AttributedString(QStringLiteral("   x"), plain));
    EditorView e(text, Markup, Range(text.length(), 0));
    const EditorView::State before = e.state();

    ASSERT_TRUE(shiftTab(e));
    // Four spaces go; the read-only one is neither counted nor removed.
    EXPECT_EQ(e.string(), QStringLiteral("  x"));
    EXPECT_FALSE(e.view.textStorage()->attributeAtIndex(ZQAttr::Readonly, 0).isNull());
    EXPECT_TRUE(e.view.textStorage()->attributeAtIndex(ZQAttr::Readonly, 1).isNull());
    expectOneStep(e, before);
}
