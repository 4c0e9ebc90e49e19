// Lists, tasks and quotes while editing: markers typed in rich text, the
// formatting commands in both editors (toggling, one undo step each), the
// task click and the clean-style marker removal.

#include "support/PlainText.h"
#include "EditorView.h"

#include "kit/filters/ZQListFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;
using enum ZQMarkupType;

// As a text storage holds them: each paragraph in the style of its first character.
plat::AttributedString join(std::initializer_list<plat::AttributedString> pieces)
{
    plat::MutableAttributedString text;
    for (const auto& piece : pieces)
        text.append(piece);
    text.fixAttributes(plat::Range(0, text.length()));
    return text;
}

QString richMarker(const char* markup)
{
    return ZQListFilter::richMarkerFromMarkupMarker(QString::fromLatin1(markup), {}).string();
}

QStringList formatsAt(const plat::AttributedString& text, const QString& attribute, qsizetype index)
{
    QStringList formats;
    if (const auto style = text.attributeAtIndex(attribute, index).toObject<ZQListStyle>()) {
        for (const auto& level : style->textLists())
            formats << level->richMarkerFormat();
    }
    return formats;
}

// The rich bullet of an item inner inside a list outer.
plat::AttributedString nestedMarker(const char* outer, const char* inner)
{
    const auto style = ZQListStyle::initWithTextLists({ZQTextList::initWithMarkerFormat(QString::fromLatin1(outer), 1),
                                                       ZQTextList::initWithMarkerFormat(QString::fromLatin1(inner), 0)});
    return plat::AttributedString(richMarker("*"), ZQHighlighter::sharedHighlighter().listRich(style));
}

// Types the last character of text (already in the view) with the caret after it.
template <typename F>
bool typeLast(F& filter, EditorView& editor)
{
    const QString& s = editor.string();
    return filter.filterRichOnFly(s.right(1), s.size(), editor.view, editor.context);
}

} // namespace

TEST(QuoteEditing, TypedMarksBecomeQuoteMarksOnlyAtTheLineContentStart)
{
    ZQQuoteFilter quote;
    struct Case {
        const char* text;
        bool styled;
    };
    for (const Case& c : {Case{"x\n>", true}, Case{"> >", true}, Case{"ab>", false}}) {
        EditorView editor(plain(QString::fromLatin1(c.text)), Rich, plat::Range(qsizetype(strlen(c.text)), 0));
        const EditorView::State before = editor.state();
        ASSERT_EQ(typeLast(quote, editor), c.styled) << c.text;
        EXPECT_EQ(editor.string(), before.text.string());
        if (!c.styled)
            continue;
        EXPECT_FALSE(editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterQuote, editor.string().size() - 1).isNull());
        EXPECT_TRUE(editor.view.typingAttributes().value(ZQAttr::FilterQuote).isNull());
        editor.expectOneUndoStep(before, QStringLiteral("Quote"));
    }
}

TEST(QuoteEditing, CommandPrefixesEveryLineInOneStep)
{
    ZQQuoteFilter quote;
    EditorView empty(plain(QString()), Rich);
    EXPECT_TRUE(quote.filterRangeOnFly(plat::Range(0, 0), 32, empty.view, empty.context));
    EXPECT_EQ(empty.string(), QStringLiteral("> "));
    EXPECT_EQ(empty.view.selectedRange(), plat::Range(2, 0));

    for (const ZQEditorType editorType : {Rich, Markup}) {
        EditorView editor(plain(QStringLiteral("ab\ncd\nef\ngh"), editorType), editorType, plat::Range(1, 6));
        const EditorView::State before = editor.state();
        quote.filterRangeOnFly(plat::Range(1, 6), 32, editor.view, editor.context);
        EXPECT_EQ(editor.string(), QStringLiteral("> ab\n> cd\n> ef\ngh"));
        EXPECT_EQ(editor.view.selectedRange(), plat::Range(3, 10)); // still "b" to "e"
        EXPECT_FALSE(editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterQuote, 5).isNull());
        EXPECT_TRUE(editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterQuote, 7).isNull());
        editor.expectOneUndoStep(before, QStringLiteral("Quote"));
    }
}

TEST(ListEditing, TypedMarkersMakeRichListItems)
{
    ZQListFilter list;
    struct Case {
        ZQMarkupType markupType;
        const char* text;
        const char* kept;   // the text before the marker that stays; nullptr: not taken
        const char* marker; // the markup marker whose rich marker replaces the typed one
        const char* format;
    };
    const Case cases[] = {
        {Markdown, "- ", "", "-", "{hyphen}"},
        {Markdown, "+ ", "", "+", "{check}"},
        {Markdown, "12. ", "", "12.", "{decimal}."},
        {Markdown, "x\n  * ", "x\n  ", "*", "{disc}"},
        {Markdown, "ab - ", nullptr, "", ""},
        {Markdown, "-", nullptr, "", ""},
        {QuorvelMarkup, "# ", "", "1.", "{decimal}."},
        {QuorvelMarkup, " # ", nullptr, "", ""},
        {QuorvelMarkup, "a. ", nullptr, "", ""}, // names no list kind
    };
    for (const Case& c : cases) {
        EditorView editor(plain(QString::fromLatin1(c.text)), Rich, plat::Range(qsizetype(strlen(c.text)), 0));
        editor.context.setRunningMarkupType(c.markupType);
        const EditorView::State before = editor.state();
        ASSERT_EQ(typeLast(list, editor), c.kept != nullptr) << c.text;
        if (!c.kept)
            continue;
        const QString expected = QString::fromLatin1(c.kept) + richMarker(c.marker);
        EXPECT_EQ(editor.string(), expected) << c.text;
        EXPECT_EQ(formatsAt(*editor.view.textStorage(), ZQAttr::FilterList, expected.size() - 1),
                  QStringList{QString::fromLatin1(c.format)});
        EXPECT_EQ(editor.view.selectedRange(), plat::Range(expected.size(), 0));
        EXPECT_TRUE(editor.view.typingAttributes().value(ZQAttr::FilterList).isNull());
        editor.expectOneUndoStep(before, QStringLiteral("List"));
    }
}

TEST(ListEditing, MarkerTypedAfterARichMarkerChangesTheItemKindAtItsLevel)
{
    ZQListFilter list;
    EditorView editor(join({nestedMarker("{decimal}.", "{disc}"), plain(QStringLiteral("3. "))}), Rich,
                      plat::Range(6, 0));
    ASSERT_TRUE(typeLast(list, editor));
    EXPECT_EQ(editor.string(), QStringLiteral("\t3.\t"));
    EXPECT_EQ(formatsAt(*editor.view.textStorage(), ZQAttr::FilterList, 0),
              (QStringList{"{decimal}.", "{decimal}."}));
}

TEST(ListEditing, CommandTogglesMarkersLineByLine)
{
    ZQListFilter list;
    const QString numbered = richMarker("1.");
    const QString bullet = richMarker("*");
    EditorView editor(plain(QStringLiteral("ab\ncd\nef")), Rich, plat::Range(1, 0));
    const EditorView::State plainState = editor.state();

    list.filterRangeOnFly(plat::Range(1, 3), 50, editor.view, editor.context);
    EXPECT_EQ(editor.string(), QStringLiteral("%1ab\n%1cd\nef").arg(numbered));
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(1 + numbered.size(), 0)); // the caret stays after "a"
    editor.expectOneUndoStep(plainState, QStringLiteral("List"));

    // The same kind again takes the markers away: the text is as before.
    list.filterRangeOnFly(plat::Range(0, editor.string().size()), 50, editor.view, editor.context);
    EXPECT_EQ(editor.string(), QStringLiteral("ab\ncd\n%1ef").arg(numbered));
    editor.undo->undo();

    // Another kind goes before the old marker.
    list.filterRangeOnFly(plat::Range(0, 0), 51, editor.view, editor.context);
    EXPECT_EQ(editor.string(), QStringLiteral("%2%1ab\n%1cd\nef").arg(numbered, bullet));

    EditorView emptyLine(plain(QStringLiteral("a\n\nb")), Rich, plat::Range(2, 0));
    list.filterRangeOnFly(plat::Range(2, 0), 51, emptyLine.view, emptyLine.context);
    EXPECT_EQ(emptyLine.string(), QStringLiteral("a\n%1\nb").arg(bullet));
}

TEST(ListEditing, MarkupCommandWritesTheDialectsMarker)
{
    ZQListFilter list;
    struct Case {
        ZQMarkupType markupType;
        quint64 tag;
        const char* expected;
    };
    for (const Case& c :
         {Case{Markdown, 50, "1. a\n1. b"}, Case{QuorvelMarkup, 50, "# a\n# b"}, Case{Markdown, 51, "* a\n* b"}}) {
        EditorView editor(plain(QStringLiteral("a\nb"), Markup), Markup, plat::Range(0, 3));
        editor.context.setRunningMarkupType(c.markupType);
        list.filterRangeOnFly(plat::Range(0, 3), c.tag, editor.view, editor.context);
        EXPECT_EQ(editor.string(), QString::fromLatin1(c.expected));
    }
    // A coloured marker of the kind asked for goes away.
    const auto style = ZQListStyle::initWithMarkerFormat(QStringLiteral("{decimal}."), 1);
    const plat::AttributedString item = join(
        {plat::AttributedString(QStringLiteral("1. "), ZQHighlighter::sharedHighlighter().listMarkdown(style)),
         plain(QStringLiteral("a"), Markup)});
    EditorView editor(item, Markup, plat::Range(4, 0));
    const EditorView::State before = editor.state();
    list.filterRangeOnFly(plat::Range(4, 0), 50, editor.view, editor.context);
    EXPECT_EQ(editor.string(), QStringLiteral("a"));
    EXPECT_EQ(editor.view.selectedRange(), plat::Range(1, 0));
    editor.expectOneUndoStep(before, QStringLiteral("List"));
}

TEST(TaskEditing, TypedBracketPairBecomesARichTask)
{
    ZQTaskFilter task;
    struct Case {
        const char* text;
        const char* expected; // nullptr: not taken
    };
    for (const Case& c : {Case{"[ ]", "\t[ ]\t"}, Case{"x\n[x]", "x\n\t[x]\t"}, Case{"[]", "\t[ ]\t"},
                          Case{"a [ ]", nullptr}, Case{"[ab]", nullptr}}) {
        EditorView editor(plain(QString::fromLatin1(c.text)), Rich, plat::Range(qsizetype(strlen(c.text)), 0));
        const EditorView::State before = editor.state();
        ASSERT_EQ(typeLast(task, editor), c.expected != nullptr) << c.text;
        if (!c.expected)
            continue;
        EXPECT_EQ(editor.string(), QString::fromLatin1(c.expected));
        EXPECT_EQ(formatsAt(*editor.view.textStorage(), ZQAttr::FilterTask, editor.string().size() - 2),
                  QStringList{"{task}"});
        EXPECT_TRUE(editor.view.typingAttributes().value(ZQAttr::FilterTask).isNull());
        editor.expectOneUndoStep(before, QStringLiteral("Task"));
    }

    // After a nested bullet's marker the item becomes a task at its level.
    EditorView editor(join({nestedMarker("{disc}", "{hyphen}"), plain(QStringLiteral("[-]"))}), Rich,
                      plat::Range(6, 0));
    ASSERT_TRUE(typeLast(task, editor));
    EXPECT_EQ(editor.string(), QStringLiteral("\t[-]\t"));
    EXPECT_EQ(formatsAt(*editor.view.textStorage(), ZQAttr::FilterTask, 2), (QStringList{"{disc}", "{task}"}));
}

TEST(TaskEditing, CommandTogglesTaskMarkersInBothEditors)
{
    ZQTaskFilter task;
    EditorView rich(plain(QStringLiteral("ab\ncd\nef")), Rich, plat::Range(0, 8));
    const EditorView::State before = rich.state();
    task.filterRangeOnFly(plat::Range(0, 8), 35, rich.view, rich.context);
    EXPECT_EQ(rich.string(), QStringLiteral("\t[ ]\tab\n\t[ ]\tcd\n\t[ ]\tef"));
    EXPECT_EQ(rich.view.selectedRange(), plat::Range(5, 18));
    rich.expectOneUndoStep(before, QStringLiteral("Task"));
    task.filterRangeOnFly(plat::Range(0, rich.string().size()), 35, rich.view, rich.context);
    EXPECT_EQ(rich.string(), before.text.string());

    EditorView markup(plain(QStringLiteral("ab"), Markup), Markup, plat::Range(2, 0));
    task.filterRangeOnFly(plat::Range(2, 0), 35, markup.view, markup.context);
    EXPECT_EQ(markup.string(), QStringLiteral("- [ ] ab"));
    EXPECT_EQ(markup.view.selectedRange(), plat::Range(8, 0));
    task.filterRangeOnFly(plat::Range(8, 0), 35, markup.view, markup.context);
    EXPECT_EQ(markup.string(), QStringLiteral("ab"));
}

TEST(TaskEditing, ClickIsOneUndoStep)
{
    ZQTaskFilter task;
    const auto style = ZQListStyle::initWithMarkerFormat(QStringLiteral("{task}"), 0);
    EditorView rich(join({task.taskRichMarkerForState(QStringLiteral("-"), style), plain(QStringLiteral("milk\nx"))}),
                    Rich, plat::Range(11, 0));
    const EditorView::State before = rich.state();
    task.taskStateChange(rich.view, plat::Range(0, 5));
    EXPECT_EQ(rich.string(), QStringLiteral("\t[X]\tmilk\nx"));
    EXPECT_FALSE(rich.view.textStorage()->attributeAtIndex(plat::StrikethroughAttribute, 6).isNull());
    EXPECT_EQ(rich.view.selectedRange(), plat::Range(11, 0));
    rich.expectOneUndoStep(before, QStringLiteral("Task"));

    EditorView markup(plain(QStringLiteral("- [-] milk"), Markup), Markup, plat::Range(10, 0));
    const EditorView::State markupBefore = markup.state();
    task.taskStateChange(markup.view, plat::Range(0, 5));
    EXPECT_EQ(markup.string(), QStringLiteral("- [X] ~~milk~~"));
    markup.expectOneUndoStep(markupBefore, QStringLiteral("Task"));
}

TEST(ListTaskQuoteEditing, CleanStyleRemovesTheRichMarkers)
{
    ZQListFilter list;
    ZQTaskFilter task;
    ZQQuoteFilter quote;
    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    plat::MutableAttributedString text(join(
        {ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("*"), {}), plain(QStringLiteral("a\n")),
         ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("2."), {}), plain(QStringLiteral("b\n")),
         task.taskRichMarkerForState(QStringLiteral("X"), ZQListStyle::initWithMarkerFormat(QStringLiteral("{task}"), 0)),
         plain(QStringLiteral("c\n")), plat::AttributedString(QStringLiteral("> "), styles.quoteRich()),
         plain(QStringLiteral("d"))}));
    list.handleMarkerFromRich(text);
    task.handleMarkerFromRich(text);
    quote.handleMarkerFromRich(text);
    EXPECT_EQ(text.string(), QStringLiteral("a\nb\nc\nd"));
}
