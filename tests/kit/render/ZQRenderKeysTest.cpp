// Keys and formatting actions through the render engine, on the headless
// editor view: each action tag reaches the filter that owns its construct in
// both editors as one undo step, the text is repaired after every edit, a
// marker typed over a selection wraps it, keys not handled fall through to the
// editor, and clean style strips formatting but keeps images and footnotes.

#include "kit/filters/EditorView.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/RichText.h"

#include "kit/filters/ZQListFilter.h"
#include "kit/filters/ZQTaskFilter.h"
#include "kit/foundation/Exs.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQListStyle.h"
#include "kit/model/ZQStyles.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZSAbstractTextView.h"
#include "platform/text/Font.h"
#include "platform/text/KeyEvent.h"

#include "support/EventLoop.h"
#include "support/InstalledSettings.h"

#include <gtest/gtest.h>
#include <stdexcept>

using plat::Range;

// Named, not anonymous: the fixture is the base of the test classes below.
namespace render_keys {

using enum ZQEditorType;
using enum ZQMarkupType;

// A page editor: it records the page titles it is asked to update, and moving
// its caret fails once the test arms it.
class PageView : public ZSAbstractTextView {
public:
    template <typename... Args>
    explicit PageView(Args&&... args) : ZSAbstractTextView(std::forward<Args>(args)...)
    {
        setPageTitleHandler([this](Range range) { titles.push_back(range); });
    }

    void setSelectedRange(Range range, plat::SelectionAffinity affinity = plat::SelectionAffinity::Downstream) override
    {
        if (failSelection)
            throw std::runtime_error("selection refused");
        ZSAbstractTextView::setSelectedRange(range, affinity);
    }

    std::vector<Range> titles;
    bool failSelection = false;
};

using Editor = BasicEditorView<PageView>;

plat::Attributes plain(ZQEditorType editorType)
{
    return ZSSettings::sharedSettings()->defaultTypingAttribute(editorType);
}

bool fontAt(const plat::AttributedString& text, qsizetype index, bool (*trait)(const plat::Font&))
{
    const auto font = text.attributeAtIndex(plat::FontAttribute, index).toObject<plat::Font>();
    return font && trait(*font);
}

bool has(const plat::AttributedString& text, const QString& name, qsizetype index)
{
    return !text.attributeAtIndex(name, index).isNull();
}

class RenderKeysTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings = installedSettings();
        markupType = settings->markupType();
        render = std::make_shared<ZQRender>();
    }
    void TearDown() override { settings->setMarkupType(markupType); }

    // Text as the editor keeps it: markup coloured, rich text in the page
    // editor's attributes; no undo step yet.
    std::unique_ptr<Editor> open(const QString& text, ZQEditorType editorType, Range selection = {})
    {
        auto editor = std::make_unique<Editor>(plat::AttributedString(text, plain(editorType)), editorType, selection);
        editor->view.setPasteRender(std::make_shared<ZQRender>());
        if (editorType == Markup)
            render->fixMarkupAttributes(*editor->view.textStorage());
        return editor;
    }

    bool keyDown(Editor& editor, quint16 keyCode, const QString& characters, quint64 flags = 0)
    {
        return render->processKeyDown(keyCode, flags, characters, editor.view);
    }

    // The last edit was one undo step named actionName, and undo brings back
    // the text and the selection.
    static void expectOneStep(Editor& editor, const QString& text, Range selection, const QString& actionName)
    {
        EXPECT_EQ(editor.undo->undoActionName().toStdString(), actionName.toStdString());
        editor.undo->undo();
        EXPECT_EQ(editor.string().toStdString(), text.toStdString());
        EXPECT_EQ(editor.view.selectedRange(), selection);
        EXPECT_FALSE(editor.undo->canUndo());
    }

    std::shared_ptr<ZSSettings> settings;
    ZQMarkupType markupType = ZQMarkupType::Markdown;
    std::shared_ptr<ZQRender> render;
};

} // namespace render_keys

using namespace render_keys;

TEST_F(RenderKeysTest, EveryActionTagReachesItsFilterInBothEditors)
{
    const QString numbered = ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("1."), {}).string();
    const QString bullet = ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("*"), {}).string();
    struct Case {
        quint64 tag;
        ZQEditorType editorType;
        ZQMarkupType markupType;
        QString text;
        Range selection;
        QString expected;
        QString actionName;
    };
    const Case cases[] = {
        {1, Rich, Markdown, "a word b", {2, 4}, "a word b", "Emphasis"},
        {2, Rich, Markdown, "a word b", {2, 4}, "a word b", "Strong"},
        {10, Rich, Markdown, "a word b", {2, 4}, "a word b", "Underlined"},
        {11, Rich, Markdown, "a word b", {2, 4}, "a word b", "Struck through"},
        {12, Rich, Markdown, "a word b", {2, 4}, "a word b", "Code"},
        {2, Markup, Markdown, "a word b", {2, 4}, "a **word** b", "Strong"},
        {2, Markup, QuorvelMarkup, "a word b", {2, 4}, "a *word* b", "Strong"},
        {11, Markup, Markdown, "a word b", {2, 4}, "a ~~word~~ b", "Struck through"},
        {12, Markup, Markdown, "a word b", {2, 4}, "a `word` b", "Code"},
        {22, Rich, Markdown, "Title\nbody", {0, 0}, "Title\nbody", "Heading 2"},
        {22, Markup, Markdown, "Title\nbody", {0, 0}, "## Title\nbody", "Heading 2"},
        {26, Markup, QuorvelMarkup, "Title", {0, 0}, "h6. Title", "Heading 6"},
        {32, Rich, Markdown, "ab\ncd", {0, 4}, "> ab\n> cd", "Quote"},
        {32, Markup, Markdown, "ab\ncd", {0, 4}, "> ab\n> cd", "Quote"},
        {33, Rich, Markdown, "a\nb\nc", {2, 1}, "a\n```\nb\n```\nc", "Code Block"},
        {33, Markup, Markdown, "a\nb\nc", {2, 1}, "a\n```\nb\n```\nc", "Code Block"},
        {34, Rich, Markdown, "a\n\nb", {2, 0}, "a\n---\nb", "Divider"},
        {34, Markup, Markdown, "text\n\nmore", {0, 2}, "text\n\n---\nmore", "Divider"},
        {35, Rich, Markdown, "ab", {0, 2}, "\t[ ]\tab", "Task"},
        {35, Markup, Markdown, "ab", {2, 0}, "- [ ] ab", "Task"},
        {40, Markup, Markdown, "x ab y", {2, 2}, "x [ab]() y", "Link"},
        {41, Rich, Markdown, "a cat b", {2, 3}, "a {IMG} b", "Image"},
        {41, Markup, Markdown, "a cat b", {2, 3}, "a ![cat]() b", "Image"},
        {42, Rich, Markdown, "one two", {4, 3}, "one [1]", "Footnote"},
        {42, Markup, Markdown, "end word", {4, 4}, "end [^1]\n\n[^1]:word\n\n", "Footnote"},
        {43, Rich, Markdown, "say ab", {4, 2}, "say <ab>", "Tag"},
        {43, Markup, Markdown, "say ab", {4, 2}, "say +ab+", "Tag"},
        {50, Rich, Markdown, "ab", {0, 2}, numbered + "ab", "List"},
        {51, Rich, Markdown, "ab", {0, 2}, bullet + "ab", "List"},
        {50, Markup, Markdown, "a\nb", {0, 3}, "1. a\n1. b", "List"},
        {50, Markup, QuorvelMarkup, "a\nb", {0, 3}, "# a\n# b", "List"},
        {51, Markup, Markdown, "a\nb", {0, 3}, "* a\n* b", "List"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("tag %1 editor %2: %3")
                         .arg(c.tag)
                         .arg(storedValue(c.editorType))
                         .arg(c.expected)
                         .toStdString());
        settings->setMarkupType(c.markupType);
        const auto editor = open(c.text, c.editorType, c.selection);
        ASSERT_TRUE(render->renderShortcutAction(c.tag, editor->view, c.selection));
        EXPECT_EQ(editor->string().toStdString(), c.expected.toStdString());
        expectOneStep(*editor, c.text, c.selection, c.actionName);
    }
}

TEST_F(RenderKeysTest, LinkActionInRichTextOpensTheLinkPanel)
{
    const auto editor = open(QStringLiteral("x ab y"), Rich, Range(2, 2));
    ASSERT_TRUE(render->renderShortcutAction(40, editor->view, Range(2, 2)));
    EXPECT_TRUE(has(*editor->view.textStorage(), ZQAttr::FilterLink, 3));
    ASSERT_EQ(editor->requests.size(), 1u);
    EXPECT_EQ(editor->requests[0].macro.toStdString(), "ZQFilterLink");
    expectOneStep(*editor, QStringLiteral("x ab y"), Range(2, 2), QStringLiteral("Link"));
}

TEST_F(RenderKeysTest, OtherTagsAreNoAction)
{
    for (const quint64 tag : {0, 3, 20, 27, 31, 36, 37, 38, 39, 44, 52, 99, 101}) {
        const auto editor = open(QStringLiteral("a word"), Rich, Range(2, 4));
        EXPECT_FALSE(render->renderShortcutAction(tag, editor->view, Range(2, 4))) << tag;
        EXPECT_EQ(editor->string(), QStringLiteral("a word"));
        EXPECT_FALSE(editor->undo->canUndo());
        EXPECT_TRUE(editor->view.titles.empty());
    }
}

TEST_F(RenderKeysTest, SameHeadingOrListTwiceTakesItAwayAndHeadingsUpdateTheTitle)
{
    const auto levelAt = [](const Editor& editor, qsizetype index) {
        const auto style =
            editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterHeading, index).toObject<ZQHeadingStyle>();
        return style ? qint64(style->level()) : 0;
    };
    const auto rich = open(QStringLiteral("Title\nbody"), Rich, Range(1, 0));
    ASSERT_TRUE(render->renderShortcutAction(23, rich->view, Range(1, 0)));
    EXPECT_EQ(levelAt(*rich, 0), 3);
    ASSERT_TRUE(render->renderShortcutAction(23, rich->view, Range(1, 0)));
    EXPECT_EQ(levelAt(*rich, 0), 0);
    EXPECT_EQ(rich->view.titles, (std::vector<Range>{Range(1, 0), Range(1, 0)}));

    settings->setMarkupType(ZQMarkupType::Markdown);
    const auto markup = open(QStringLiteral("Title"), Markup, Range(2, 0));
    ASSERT_TRUE(render->renderShortcutAction(21, markup->view, Range(2, 0)));
    EXPECT_EQ(markup->string(), QStringLiteral("# Title"));
    ASSERT_TRUE(render->renderShortcutAction(21, markup->view, markup->view.selectedRange()));
    EXPECT_EQ(markup->string(), QStringLiteral("Title"));
    EXPECT_EQ(markup->view.titles.size(), 2u);

    for (const ZQEditorType editorType : {Rich, Markup}) {
        const auto editor = open(QStringLiteral("ab\ncd"), editorType, Range(0, 5));
        ASSERT_TRUE(render->renderShortcutAction(51, editor->view, Range(0, 5)));
        EXPECT_NE(editor->string(), QStringLiteral("ab\ncd"));
        ASSERT_TRUE(render->renderShortcutAction(51, editor->view, Range(0, editor->string().size())));
        EXPECT_EQ(editor->string(), QStringLiteral("ab\ncd")) << storedValue(editorType);
        EXPECT_TRUE(editor->view.titles.empty());
    }
}

TEST_F(RenderKeysTest, EditsAreFollowedByTheAttributeRepair)
{
    // A new rich list item after an item numbered 1 is renumbered 2.
    plat::MutableAttributedString list(ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("1."), {}));
    list.append(plat::AttributedString(QStringLiteral("ab\ncd"), plain(Rich)));
    list.fixAttributes(Range(0, list.length()));
    Editor rich(list, Rich, Range(list.length(), 0));
    ASSERT_TRUE(render->renderShortcutAction(50, rich.view, Range(list.length(), 0)));
    EXPECT_EQ(rich.string(), list.string().left(list.length() - 2)
                                 + ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("2."), {}).string()
                                 + QStringLiteral("cd"));

    // Markup is coloured again: the new markers are a pair.
    settings->setMarkupType(ZQMarkupType::Markdown);
    const auto markup = open(QStringLiteral("a word"), Markup, Range(2, 4));
    ASSERT_TRUE(render->renderShortcutAction(2, markup->view, Range(2, 4)));
    ASSERT_EQ(markup->string(), QStringLiteral("a **word**"));
    const auto opening = markup->view.textStorage()->attributeAtIndex(ZQAttr::Paired, 2).toObject<ZQPairedAttribute>();
    const auto closing = markup->view.textStorage()->attributeAtIndex(ZQAttr::Paired, 8).toObject<ZQPairedAttribute>();
    ASSERT_TRUE(opening && closing);
    EXPECT_TRUE(opening->isPairWith(*closing));

    // A new code block is sent for colouring.
    ZQRender::codeHighligherCaching().clear();
    const auto code = open(QStringLiteral("a\nlet x = 1\nb"), Rich, Range(2, 9));
    ASSERT_TRUE(render->renderShortcutAction(33, code->view, Range(2, 9)));
    EXPECT_TRUE(testsupport::runEventsUntil([] { return !ZQRender::codeHighligherCaching().empty(); }));
    ZQRender::codeHighligherCaching().clear();
}

TEST_F(RenderKeysTest, MarkerTypedOverASelectionWrapsIt)
{
    struct Case {
        const char* typed;
        const char* actionName;
    };
    for (const Case& c : {Case{"+", "Tag"}, Case{"[", "Link"}, Case{"`", "Code"}, Case{"~", "Struck through"}}) {
        const auto editor = open(QStringLiteral("a word b"), Rich, Range(2, 4));
        EXPECT_TRUE(keyDown(*editor, plat::KeyCode::Unknown, QString::fromLatin1(c.typed))) << c.typed;
        EXPECT_EQ(editor->undo->undoActionName().toStdString(), c.actionName);
    }

    // "*": plain text becomes italic, italic text strong, strong text plain.
    const auto editor = open(QStringLiteral("a word b"), Rich, Range(2, 4));
    const plat::TextStorage& text = *editor->view.textStorage();
    ASSERT_TRUE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("*")));
    EXPECT_TRUE(fontAt(text, 3, Exs::isItalic));
    EXPECT_FALSE(fontAt(text, 3, Exs::isBold));
    editor->view.setSelectedRange(Range(2, 4));
    ASSERT_TRUE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("*")));
    EXPECT_FALSE(fontAt(text, 3, Exs::isItalic));
    EXPECT_TRUE(fontAt(text, 3, Exs::isBold));
    editor->view.setSelectedRange(Range(2, 4));
    ASSERT_TRUE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("*")));
    EXPECT_FALSE(fontAt(text, 3, Exs::isItalic) || fontAt(text, 3, Exs::isBold));
    EXPECT_EQ(editor->string(), QStringLiteral("a word b"));

    // In markup the markers are written.
    settings->setMarkupType(ZQMarkupType::Markdown);
    const auto markup = open(QStringLiteral("a word b"), Markup, Range(2, 4));
    ASSERT_TRUE(keyDown(*markup, plat::KeyCode::Unknown, QStringLiteral("~")));
    EXPECT_EQ(markup->string(), QStringLiteral("a ~~word~~ b"));
}

TEST_F(RenderKeysTest, KeysNotHandledAnswerNo)
{
    const auto editor = open(QStringLiteral("a word"), Rich, Range(2, 0));
    // Without a selection a marker is ordinary typing; other characters never wrap.
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("*")));
    editor->view.setSelectedRange(Range(2, 4));
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("x")));
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Unknown, QString()));
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Escape, QStringLiteral("\x1b")));
    // Tab and Return outside a list, a quote or a code block are the editor's.
    editor->view.setSelectedRange(Range(2, 0));
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Tab, QStringLiteral("\t")));
    EXPECT_FALSE(keyDown(*editor, plat::KeyCode::Return, QStringLiteral("\r")));
    EXPECT_FALSE(render->processKeyUp(plat::KeyCode::Return, 0, editor->view));
    EXPECT_EQ(editor->string(), QStringLiteral("a word"));
    EXPECT_FALSE(editor->undo->canUndo());
}

TEST_F(RenderKeysTest, KeyProcessorsComeFirstAndAFailingOneLeavesTheKeyToTheEditor)
{
    // Return in a rich tag chip moves the caret to the end of its line.
    plat::MutableAttributedString text(QStringLiteral("a "), plain(Rich));
    text.append(plat::AttributedString(QStringLiteral("<tag>"),
                                       ZQHighlighter::sharedHighlighter().baseRich(ZQHighlighter::Tag)));
    text.append(plat::AttributedString(QStringLiteral(" b\nnext"), plain(Rich)));
    Editor editor(text, Rich, Range(4, 0));
    EXPECT_TRUE(keyDown(editor, plat::KeyCode::Return, QStringLiteral("\r")));
    EXPECT_EQ(editor.view.selectedRange(), Range(10, 0));

    // A processor that fails answers NO at once.
    editor.view.setSelectedRange(Range(4, 0));
    editor.view.failSelection = true;
    EXPECT_FALSE(keyDown(editor, plat::KeyCode::Return, QStringLiteral("\r")));
    editor.view.failSelection = false;
    EXPECT_EQ(editor.view.selectedRange(), Range(4, 0));
    EXPECT_EQ(editor.string(), text.string());
}

TEST_F(RenderKeysTest, CleanStyleKeepsImagesAndFootnotesAndDropsEveryMarker)
{
    const ZQHighlighter& styles = ZQHighlighter::sharedHighlighter();
    ZQTaskFilter task;
    RichText::Builder builder;
    builder.add(QStringLiteral("x\n"));
    builder.text().append(ZQListFilter::richMarkerFromMarkupMarker(QStringLiteral("*"), {}));
    builder.add(QStringLiteral("item "))
        .add(QStringLiteral("bold"), RichText::font(true, false))
        .add(QStringLiteral("\n"));
    builder.text().append(task.taskRichMarkerForState(QStringLiteral("X"),
                                                      ZQListStyle::initWithMarkerFormat(QStringLiteral("{task}"), 0)));
    builder.add(QStringLiteral("done\n"))
        .add(QStringLiteral("> "), styles.quoteRich())
        .add(QStringLiteral("quoted "))
        .add(QStringLiteral("[ln]"), styles.linkRich("u1"))
        .add(QStringLiteral(" "))
        .add(QStringLiteral("<tg>"), styles.baseRich(ZQHighlighter::Tag))
        .add(QStringLiteral(" "))
        .add(QStringLiteral("{IMG}"), styles.imageRich("i1", "#IMGi1", true))
        .add(QStringLiteral(" "))
        .add(QStringLiteral("[1]"), styles.footnodeRich("f1", 1))
        .add(QStringLiteral("\n"));
    plat::MutableAttributedString& text = builder.text();
    text.fixAttributes(Range(0, text.length()));

    Editor editor(text, Rich, Range(2, text.length() - 2));
    const Range range(2, text.length() - 2);
    EXPECT_FALSE(render->renderShortcutAction(100, editor.view, Range(2, 0)));
    ASSERT_TRUE(render->renderShortcutAction(100, editor.view, range));
    const plat::TextStorage& cleaned = *editor.view.textStorage();
    ASSERT_EQ(cleaned.string().toStdString(), "x\nitem bold\ndone\nquoted ln tg {IMG} [1]\n");
    const qsizetype image = cleaned.string().indexOf(QStringLiteral("{IMG}"));
    const qsizetype footnote = cleaned.string().indexOf(QStringLiteral("[1]"));
    EXPECT_TRUE(has(cleaned, ZQAttr::MacroImage, image) && has(cleaned, ZQAttr::MacroImage, image + 4));
    EXPECT_TRUE(has(cleaned, ZQAttr::MacroFootnote, footnote));
    for (qsizetype index = 2; index < cleaned.length(); ++index) {
        if ((index >= image && index < image + 5) || (index >= footnote && index < footnote + 3))
            continue;
        EXPECT_TRUE(cleaned.attributesAtIndex(index) == plain(Rich)) << index;
    }
    for (qsizetype index = 0; index < cleaned.length(); ++index)
        EXPECT_FALSE(has(cleaned, ZQAttr::PRreformatte, index)) << index;
    expectOneStep(editor, text.string(), Range(2, text.length() - 2), QStringLiteral("Clean Style"));
}

TEST_F(RenderKeysTest, CleanStyleInMarkupWritesPlainMarkup)
{
    settings->setMarkupType(ZQMarkupType::Markdown);
    const QString markup = QStringLiteral("- **bold** and `code`\n> quoted\nnext");
    const Range range(0, markup.indexOf(QStringLiteral("next")));
    const auto editor = open(markup, Markup, range);
    ASSERT_TRUE(render->renderShortcutAction(100, editor->view, range));
    // The line break that ends the range stays: the next line keeps its own.
    EXPECT_EQ(editor->string().toStdString(), "bold and code\nquoted\nnext");
    expectOneStep(*editor, markup, range, QStringLiteral("Clean Style"));
}

TEST_F(RenderKeysTest, BlockEditorKeepsItsRichStylesAfterAnAction)
{
    const auto editor = open(QStringLiteral("a word b"), Block, Range(2, 4));
    ASSERT_TRUE(keyDown(*editor, plat::KeyCode::Unknown, QStringLiteral("*")));
    EXPECT_EQ(editor->string(), QStringLiteral("a word b"));
    EXPECT_TRUE(fontAt(*editor->view.textStorage(), 3, Exs::isItalic));
}

TEST_F(RenderKeysTest, TabAndReturnInListsGoToTheListHandling)
{
    constexpr quint64 Shift = plat::ModifierFlag::Shift;
    settings->setMarkupType(ZQMarkupType::Markdown);
    const auto levels = [](const Editor& editor) {
        const auto style =
            editor.view.textStorage()->attributeAtIndex(ZQAttr::FilterList, 0).toObject<ZQListStyle>();
        return style ? style->textLists().size() : 0;
    };
    Editor rich(
        render->renderMarkupToRich(plat::AttributedString(QStringLiteral("- one")), false, ZQMarkupType::Markdown),
        Rich, Range(3, 0));
    ASSERT_TRUE(keyDown(rich, plat::KeyCode::Tab, QStringLiteral("\t")));
    EXPECT_EQ(levels(rich), 2u);
    ASSERT_TRUE(keyDown(rich, plat::KeyCode::Tab, QStringLiteral("\t"), Shift));
    EXPECT_EQ(levels(rich), 1u);
    // Shift with another modifier is not Shift-Tab.
    ASSERT_TRUE(keyDown(rich, plat::KeyCode::Tab, QStringLiteral("\t"), Shift | plat::ModifierFlag::Option));
    EXPECT_EQ(levels(rich), 2u);

    // Return continues the list with the next number.
    const auto markup = open(QStringLiteral("1. one"), Markup, Range(6, 0));
    ASSERT_TRUE(keyDown(*markup, plat::KeyCode::Return, QStringLiteral("\r")));
    EXPECT_EQ(markup->string(), QStringLiteral("1. one\n2. "));
    EXPECT_EQ(markup->undo->undoActionName(), QStringLiteral("Indent"));

    // Shift-Tab outside a list takes one indentation step off the line.
    const auto indented = open(QStringLiteral("\tx"), Markup, Range(2, 0));
    ASSERT_TRUE(keyDown(*indented, plat::KeyCode::Tab, QStringLiteral("\t"), Shift));
    EXPECT_EQ(indented->string(), QStringLiteral("x"));
}
