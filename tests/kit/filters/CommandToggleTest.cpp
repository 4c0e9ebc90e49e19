// The formatting commands given twice, as a user presses a shortcut again: in
// both editors the second press takes back what the first made, each press is
// one undo step that undo takes back exactly and redo makes again. And the
// clean-style cleaners on a page holding every construct.

#include "support/PlainText.h"
#include "EditorView.h"

#include "kit/filters/ZQBaseFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/filters/ZQFootNoteHandler.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQListFilter.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/filters/ZQTagHandler.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"

#include <gtest/gtest.h>

namespace {

using enum ZQEditorType;
using enum ZQMarkupType;

// The filter the engine sends the action tag to.
std::shared_ptr<ZQRangeFormatter> owner(quint64 tag)
{
    if (tag <= 12)
        return std::make_shared<ZQBaseFilter>();
    if (tag >= 21 && tag <= 26)
        return std::make_shared<ZQHeadingFilter>();
    switch (tag) {
    case 32: return std::make_shared<ZQQuoteFilter>();
    case 33: return std::make_shared<ZQCodeBlockFilter>();
    case 34: return std::make_shared<ZQSeparatorFilter>();
    case 35: return std::make_shared<ZQTaskFilter>();
    case 40: return std::make_shared<ZQLinkFilter>();
    case 41: return std::make_shared<ZQImageHandler>();
    case 42: return std::make_shared<ZQFootNoteHandler>();
    case 43: return std::make_shared<ZQTagHandler>();
    default: return std::make_shared<ZQListFilter>();
    }
}

// Rich markers written as "{1.}", "{*}" and "{ }" in the tables.
QString expand(const char* text)
{
    return QString::fromUtf8(text)
        .replace(QStringLiteral("{1.}"), ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("1."), {}).string())
        .replace(QStringLiteral("{*}"), ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("*"), {}).string())
        .replace(QStringLiteral("{ }"), QStringLiteral("\t[ ]\t"));
}

struct Press {
    quint64 tag;
    ZQEditorType editor;
    ZQMarkupType markupType;
    const char* text;
    plat::Range selection;
    const char* once;  // after the first press
    const char* twice; // after the second, on the selection the first left
    const char* action;
};

// One press of the command in a view holding state: the text it leaves, and
// one undo step named action that undo and redo move across exactly.
EditorView::State press(const Press& p, const EditorView::State& state, const char* expected)
{
    EditorView editor(state.text, p.editor, state.selection);
    editor.context.setRunningMarkupType(p.markupType);
    const auto settings = ZSSettings::sharedSettings();
    const ZQMarkupType markupType = settings->markupType();
    settings->setMarkupType(p.markupType);
    if (p.editor == Markup) {
        // The markup editor colours its text after every edit.
        ZQRender render;
        render.highlightMarkdown(*editor.view.textStorage());
    }
    const EditorView::State before = editor.state();
    owner(p.tag)->filterRangeOnFly(before.selection, p.tag, editor.view, editor.context);
    EXPECT_EQ(editor.string().toStdString(), expand(expected).toStdString());
    editor.expectOneUndoStep(before, QString::fromUtf8(p.action));
    settings->setMarkupType(markupType);
    return editor.state();
}

} // namespace

TEST(CommandToggle, SecondPressTakesBackTheFirst)
{
    const Press presses[] = {
        {50, Rich, Markdown, "ab\ncd", {0, 5}, "{1.}ab\n{1.}cd", "ab\ncd", "List"},
        {51, Rich, Markdown, "ab\ncd", {1, 0}, "{*}ab\ncd", "ab\ncd", "List"},
        {50, Markup, Markdown, "ab\ncd", {0, 5}, "1. ab\n1. cd", "ab\ncd", "List"},
        {51, Markup, Markdown, "ab", {2, 0}, "* ab", "ab", "List"},
        {50, Markup, QuorvelMarkup, "ab\ncd", {0, 5}, "# ab\n# cd", "ab\ncd", "List"},
        {35, Rich, Markdown, "ab\ncd", {0, 5}, "{ }ab\n{ }cd", "ab\ncd", "Task"},
        {35, Markup, Markdown, "ab\ncd", {3, 2}, "ab\n- [ ] cd", "ab\ncd", "Task"},
        {34, Rich, Markdown, "", {0, 0}, "---", "", "Divider"},
        {34, Markup, Markdown, "a\n\nb", {2, 0}, "a\n---\nb", "a\nb", "Divider"},
        {1, Markup, Markdown, "a x", {2, 1}, "a *x*", "a x", "Emphasis"},
        {12, Markup, QuorvelMarkup, "x", {0, 0}, "``x", "x", "Code"},
        {22, Markup, Markdown, "a\nb", {0, 3}, "## a\n## b", "a\nb", "Heading 2"},
    };
    for (const Press& p : presses) {
        SCOPED_TRACE(testing::Message() << "tag " << p.tag << " editor " << storedValue(p.editor) << " on " << p.text);
        const EditorView::State start{plain(QString::fromUtf8(p.text), p.editor), p.selection};
        const EditorView::State once = press(p, start, p.once);
        press(p, once, p.twice);
    }
}

TEST(CommandToggle, EveryHeadingLevelInBothEditorsAndDialects)
{
    struct Editor {
        ZQEditorType type;
        ZQMarkupType markupType;
    };
    for (const Editor& e : {Editor{Rich, Markdown}, Editor{Markup, Markdown}, Editor{Markup, QuorvelMarkup}}) {
        for (qint64 level = 1; level <= 6; ++level) {
            const quint64 tag = quint64(20 + level);
            const QString marker = e.type == Rich ? QString()
                : e.markupType == Markdown        ? QString(level, u'#') + u' '
                                                  : QStringLiteral("h%1. ").arg(level);
            const std::string once = (marker + QStringLiteral("Title\nnext")).toStdString();
            const std::string action = "Heading " + std::to_string(level);
            const Press p{tag, e.type, e.markupType, "Title\nnext", {2, 0}, once.c_str(), "Title\nnext",
                          action.c_str()};
            SCOPED_TRACE(once);
            const EditorView::State start{plain(QStringLiteral("Title\nnext"), e.type), p.selection};
            const EditorView::State made = press(p, start, p.once);
            if (e.type == Rich) {
                const auto style = made.text.attributeAtIndex(ZQAttr::FilterHeading, 0).toObject<ZQHeadingStyle>();
                ASSERT_TRUE(style);
                EXPECT_EQ(qint64(style->level()), level);
                EXPECT_TRUE(made.text.attributeAtIndex(ZQAttr::FilterHeading, 6).isNull());
            }
            const EditorView::State removed = press(p, made, p.twice);
            if (e.type == Rich) {
                EXPECT_TRUE(removed.text == start.text) << "the plain line comes back exactly";
            }
        }
    }
}

TEST(CommandToggle, CleanStyleKeepsImagesAndFootnotesAndDropsEveryMarker)
{
    const QString page = QStringLiteral("- a\n"
                                        "- [ ] b\n"
                                        "\n"
                                        "> c\n"
                                        "\n"
                                        "```swift\n"
                                        "x\n"
                                        "```\n"
                                        "\n"
                                        "[l](http://u) +t+ ![i](p.png) n[^1]\n"
                                        "\n"
                                        "[^1]: f\n");
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(page), false, Markdown);
    std::vector<plat::ObjectPtr> cleaners = render.makerCleanerFilters();
    cleaners.push_back(std::make_shared<ZQImageHandler>());
    for (const plat::ObjectPtr& cleaner : cleaners)
        dynamic_cast<ZQRichMarkerCleaner&>(*cleaner).handleMarkerFromRich(rich);

    const QString text = rich.string();
    const QString expected = QStringLiteral("a\nb\n\nc\n\nswift\nx\n\n\nl t {IMG} n[1]");
    EXPECT_EQ(text.toStdString(), expected.toStdString());
    for (const char* kept : {"{IMG}", "[1]"}) {
        const plat::Range run(text.indexOf(QString::fromLatin1(kept)), qsizetype(strlen(kept)));
        for (qsizetype i = run.location; i < run.end(); ++i)
            EXPECT_EQ(rich.attributeAtIndex(ZQAttr::PRreformatte, i).toString().toStdString(), "pre") << kept;
    }
    EXPECT_TRUE(rich.attributeAtIndex(ZQAttr::PRreformatte, text.indexOf(u'l')).isNull());
}

TEST(CommandToggle, UndoBringsBackTheParagraphStyleOfTheWholeLine)
{
    // A footnote made before a list item's marker gives the line its own
    // paragraph style; undo brings back the item's, on every character.
    const auto style = ZQListStyle::initWithMarkerFormat(QStringLiteral("{hyphen}"), 0);
    plat::MutableAttributedString text(plain(QStringLiteral("a\n"), Rich));
    text.append(ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("-"), {}));
    text.append(plat::AttributedString(QStringLiteral("item"), ZQHighlighter::sharedHighlighter().listRich(style)));
    text.fixAttributes(plat::Range(0, text.length()));
    EditorView editor(text, Rich, plat::Range(2, 0));
    const EditorView::State before = editor.state();
    ZQFootNoteHandler().filterRangeOnFly(plat::Range(2, 0), 42, editor.view, editor.context);
    ASSERT_TRUE(editor.string().startsWith(QStringLiteral("a\n[1]")));
    editor.expectOneUndoStep(before, QStringLiteral("Footnote"));
}

TEST(CommandToggle, HeadingCommandKeepsTheLinksFootnotesImagesAndTagsOfTheLine)
{
    struct Case {
        ZQMarkupType markupType;
        const char* page;
        const char* heading; // the page written back once the first line is a heading
    };
    const Case cases[] = {
        {Markdown, "x [a](http://u) y", "# x [a](http://u) y"},
        {Markdown, "n[^1]\n\n[^1]: body", "# n[^1]\n\n[^1]: body"},
        {Markdown, "i ![moon](moon.jpg) j", "# i ![moon](moon.jpg) j"},
        {Markdown, "*x* [a *b*][r] `c`\n\n[r]:/u", "# *x* [a *b*][r] `c`\n\n[r]:/u"},
        {QuorvelMarkup, "t +tag+ [a](http://u) ![i](p.png)", "h1. t +tag+ [a](http://u) ![i](p.png)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const auto settings = ZSSettings::sharedSettings();
        const ZQMarkupType markupType = settings->markupType();
        settings->setMarkupType(c.markupType);
        ZQRender render;
        ZQRenderContext& context = *render.renderContext();
        context.setRunningMarkupType(c.markupType);
        const auto written = [&](const EditorView& editor) {
            plat::MutableAttributedString rich(*editor.view.textStorage());
            return render.renderRichToMarkdown(&rich, false, c.markupType).string().toStdString();
        };
        EditorView editor(render.renderMarkupToRich(plat::AttributedString(QString::fromUtf8(c.page)), false,
                                                    c.markupType),
                          Rich, plat::Range(1, 0));
        const std::string page = written(editor);
        ASSERT_EQ(page, c.page);

        const EditorView::State before = editor.state();
        ASSERT_TRUE(ZQHeadingFilter().filterRangeOnFly(plat::Range(1, 0), 21, editor.view, context));
        EXPECT_EQ(written(editor), c.heading);
        editor.expectOneUndoStep(before, QStringLiteral("Heading 1"));
        EXPECT_EQ(written(editor), c.heading) << "after redo";

        // Another level, then the same level again: the plain line comes back.
        ASSERT_TRUE(ZQHeadingFilter().filterRangeOnFly(plat::Range(1, 0), 23, editor.view, context));
        EXPECT_EQ(written(editor), std::string(c.heading).replace(0, c.markupType == Markdown ? 1 : 2,
                                                                  c.markupType == Markdown ? "###" : "h3"));
        const EditorView::State third = editor.state();
        ASSERT_TRUE(ZQHeadingFilter().filterRangeOnFly(plat::Range(1, 0), 23, editor.view, context));
        EXPECT_EQ(written(editor), page);
        EXPECT_TRUE(editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterHeading, 1).isNull());
        editor.undo->undo();
        EXPECT_TRUE(editor.state().text == third.text) << "undo brings back the heading";
        editor.undo->redo();
        EXPECT_EQ(written(editor), page);
        settings->setMarkupType(markupType);
    }
}
