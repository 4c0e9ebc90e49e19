// The editor base: key flags, zoom limits and the stored factor, the caret's
// rectangle per editor type, page links, the spelling options, the markup
// type change and the page-title hand-off.

#include "EditorFixtures.h"

#include "app/editor/ZQEditorWindowLink.h"
#include "app/shell/ZQPageLink.h"
#include "kit/render/ZQMarkupHelper.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/KeyEvent.h"

#include "kit/model/ZQAttributeNames.h"

#include <QAction>
#include <QScrollBar>
#include <QPushButton>
#include <QUrl>
#include <gtest/gtest.h>

using editortest::EditorStage;

namespace {

struct RecordingWindowLink : ZQEditorWindowLink {
    bool editorWindow = false;
    QStringList opened;
    QStringList titles;
    bool isEditorWindow() const override { return editorWindow; }
    void updateCurrentPageTitle(const plat::AttributedString& title) override { titles << title.string(); }
    void openPage(const QString& uuid, const QString& folder) override { opened << uuid + "|" + folder; }
};

// A subclass: not "exactly a menu item".
class CheckableAction final : public QAction {
public:
    using QAction::QAction;
};

} // namespace

TEST(ZQAbstractEditor, KeyFlagsFollowTheKeyBeingHandled)
{
    EditorStage stage(ZQEditorType::Rich);
    ZQAbstractEditor& editor = *stage.editor;
    struct Case {
        plat::KeyPress press;
        std::array<bool, 7> flags; // up down left right del backspace shift
    };
    const Case cases[] = {
        {plat::KeyPress::fromQt(Qt::Key_Up, Qt::NoModifier, {}), {true, false, false, false, false, false, false}},
        {plat::KeyPress::fromQt(Qt::Key_Down, Qt::NoModifier, {}), {false, true, false, false, false, false, false}},
        {plat::KeyPress::fromQt(Qt::Key_Left, Qt::ShiftModifier, {}), {false, false, true, false, false, false, true}},
        {plat::KeyPress::fromQt(Qt::Key_Right, Qt::NoModifier, {}), {false, false, false, true, false, false, false}},
        {plat::KeyPress::fromQt(Qt::Key_Delete, Qt::NoModifier, {}), {false, false, false, false, true, false, false}},
        {plat::KeyPress::fromQt(Qt::Key_Backspace, Qt::NoModifier, {}),
         {false, false, false, false, false, true, false}},
        {plat::KeyPress::fromQt(Qt::Key_A, Qt::NoModifier, "a"), {false, false, false, false, false, false, false}},
        // Two characters: no key flag, but the shift still counts.
        {plat::KeyPress::fromQt(Qt::Key_A, Qt::ShiftModifier, "AB"), {false, false, false, false, false, false, true}},
    };
    for (const Case& c : cases) {
        // Flags left over from the last key must not survive.
        editor.up = editor.down = editor.left = editor.right = editor.del = editor.backspace = true;
        editor.keyDownModifierCheck(c.press);
        const std::array<bool, 7> got{editor.up, editor.down, editor.left, editor.right,
                                      editor.del, editor.backspace, editor.shiftMask};
        EXPECT_EQ(got, c.flags) << "key code " << c.press.keyCode << " " << c.press.characters.toStdString();
    }
}

TEST(ZQAbstractEditor, ZoomStaysWithinItsLimitsAndIsStored)
{
    EditorStage stage(ZQEditorType::Rich);
    ZQAbstractEditor& editor = *stage.editor;
    auto defaults = plat::UserDefaults::standardUserDefaults();
    defaults->setFloat(1.0f, "scaleFactor");

    for (const auto& [requested, old] : {std::pair{4.7, 1.0}, {0.5, 1.0}, {1.0, 1.0}, {1.2, 1.2}}) {
        editor.setScaleFactor(requested, old);
        EXPECT_DOUBLE_EQ(editor.scaleFactor(), 1.0) << requested;
        EXPECT_DOUBLE_EQ(stage.settings->scaleFactor(), 1.0) << requested;
        EXPECT_FLOAT_EQ(defaults->floatForKey("scaleFactor"), 1.0f) << requested;
    }
    editor.setScaleFactor(4.6, 1.0);
    EXPECT_NEAR(editor.scaleFactor(), 4.6, 1e-9);
    EXPECT_DOUBLE_EQ(stage.settings->scaleFactor(), 4.6);
    EXPECT_FLOAT_EQ(defaults->floatForKey("scaleFactor"), 4.6f);
    // Relative to the current zoom: from 4.6 to 0.6.
    editor.setScaleFactor(0.6, 4.6);
    EXPECT_NEAR(editor.scaleFactor(), 0.6, 1e-9);
    EXPECT_FLOAT_EQ(defaults->floatForKey("scaleFactor"), 0.6f);
    stage.settings->setScaleFactor(1.0);
}

TEST(ZQAbstractEditor, CaretIsWideAndAsTallAsTheEditorTypeSays)
{
    for (const ZQEditorType type : {ZQEditorType::Rich, ZQEditorType::Block, ZQEditorType::Markup}) {
        EditorStage stage(type);
        stage.settings->setCaretRichHeight(21.0);
        stage.settings->setCaretMarkdownHeight(17.0);
        const qreal expected = type == ZQEditorType::Rich ? 21.0 - 1 : 17.0 - 1;
        const QRectF empty = stage.editor->caretRectForProposedRect(QRectF(10, 20, 1, 30));
        EXPECT_DOUBLE_EQ(empty.width(), 2.5);
        EXPECT_DOUBLE_EQ(empty.height(), expected) << int(type);
        EXPECT_EQ(empty.topLeft(), QPointF(10, 20));
        EXPECT_DOUBLE_EQ(stage.editor->insertionPointRect().width(), 2.5);
    }
    EditorStage stage(ZQEditorType::Rich);
    stage.settings->setCaretRichHeight(5.0);
    stage.editor->textStorage()->setAttributedString(plat::AttributedString("two\nlines"));
    stage.editor->setSelectedRange(plat::Range(2, 0));
    // Inside the text: the proposed height less 1.
    EXPECT_DOUBLE_EQ(stage.editor->caretRectForProposedRect(QRectF(0, 0, 1, 30)).height(), 29.0);
    // At the end: at least the line's height.
    stage.editor->setSelectedRange(plat::Range(9, 0));
    const QRectF end = stage.editor->caretRectForProposedRect(QRectF(0, 0, 1, 30));
    EXPECT_GT(end.height(), 5.0 - 1);
    EXPECT_DOUBLE_EQ(end.width(), 2.5);
    stage.manager->calculateLayoutLineHeight();
}

TEST(ZQAbstractEditor, PageLinksOpenTheirPageAndNoLinkIsFollowedByTheView)
{
    EditorStage stage(ZQEditorType::Rich);
    RecordingWindowLink window;
    stage.editor->setWindowLink(&window);
    struct Case {
        QVariant link;
        QStringList opened;
    };
    const Case cases[] = {
        {QUrl("#TP_a_b_c"), {"a_b|c"}},
        {QUrl(ZQPageLink::addressForPage("p_1.mkqrv", "my_folder")), {"p_1.mkqrv|my_folder"}},
        {QUrl("#TP_abc"), {}},
        {QUrl("https://example.com/#TP_a_b"), {}},
        {QString("#TP_a_b"), {}}, // not a URL
    };
    for (const Case& c : cases) {
        window.opened.clear();
        EXPECT_TRUE(stage.editor->clickedOnLink(c.link, 0));
        EXPECT_EQ(window.opened, c.opened) << c.link.toString().toStdString();
    }
}

TEST(ZQAbstractEditor, OnlyAPlainMenuItemStoresTheSpellingOption)
{
    EditorStage stage(ZQEditorType::Markup);
    ZQAbstractEditor& editor = *stage.editor;
    auto defaults = plat::UserDefaults::standardUserDefaults();
    defaults->setBool(true, "CheckSpellingWhileTyping");
    defaults->setBool(true, "CheckGrammarWithSpelling");

    QAction checked;
    checked.setCheckable(true);
    checked.setChecked(true);
    const bool before = editor.isContinuousSpellCheckingEnabled();
    editor.toggleContinuousSpellChecking(&checked);
    EXPECT_FALSE(defaults->boolForKey("CheckSpellingWhileTyping"));
    EXPECT_NE(editor.isContinuousSpellCheckingEnabled(), before);

    QAction unchecked;
    unchecked.setCheckable(true);
    editor.toggleContinuousSpellChecking(&unchecked);
    EXPECT_TRUE(defaults->boolForKey("CheckSpellingWhileTyping"));

    // A button or an action subclass toggles but stores nothing.
    CheckableAction subclass;
    subclass.setCheckable(true);
    subclass.setChecked(true);
    QPushButton button;
    const bool grammar = editor.isGrammarCheckingEnabled();
    editor.toggleGrammarChecking(&subclass);
    editor.toggleGrammarChecking(&button);
    editor.toggleGrammarChecking(nullptr);
    EXPECT_TRUE(defaults->boolForKey("CheckGrammarWithSpelling"));
    EXPECT_NE(editor.isGrammarCheckingEnabled(), grammar);
}

TEST(ZQAbstractEditor, MarkupTypeChangeConvertsOnlyTheVisibleMarkupEditor)
{
    EditorStage markup(ZQEditorType::Markup);
    EditorStage rich(ZQEditorType::Rich);
    EditorStage hidden(ZQEditorType::Markup);
    auto undo = std::make_shared<plat::UndoManager>();
    markup.editor->setUndoManager(undo);
    markup.editor->setMarkupRender(std::make_shared<ZQRender>());
    markup.editor->setIsMarkdownEditorVisible(true);
    rich.editor->setIsMarkdownEditorVisible(true);
    const QString page = "Some *emphasis* here.";
    markup.showMarkup(page);
    hidden.showMarkup(page);
    rich.showRich(page);
    const QString richText = rich.text();
    undo->registerUndo([] {});
    ASSERT_TRUE(undo->canUndo());

    const ZQMarkupType before = markup.settings->markupType();
    const ZQMarkupType other =
        before == ZQMarkupType::Markdown ? ZQMarkupType::QuorvelMarkup : ZQMarkupType::Markdown;
    markup.settings->setMarkupType(other);

    EXPECT_NE(markup.text(), page);
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(hidden.text(), page);
    EXPECT_EQ(rich.text(), richText);
    // And back again gives the page as it was.
    markup.settings->setMarkupType(before);
    EXPECT_EQ(markup.text(), page);
}

TEST(ZQAbstractEditor, PageTitleGoesToTheLibraryWindowOnlyForEditsNearTheStart)
{
    EditorStage stage(ZQEditorType::Markup);
    RecordingWindowLink window;
    stage.editor->setWindowLink(&window);
    stage.showMarkup("# Title\n\n" + QString(300, u'x'));
    stage.editor->updatePageTitle(plat::Range(2, 1));
    ASSERT_EQ(window.titles.size(), 1);
    EXPECT_TRUE(window.titles.first().contains("Title"));
    stage.editor->updatePageTitle(plat::Range(280, 1));
    EXPECT_EQ(window.titles.size(), 1);

    // A stand-alone editor window shows an external file: no title at all.
    window.editorWindow = true;
    stage.editor->updatePageTitle(plat::Range(2, 1));
    EXPECT_EQ(window.titles.size(), 1);
}

TEST(ZQAbstractEditor, ScrollsTheLineOfARangeIntoView)
{
    EditorStage stage(ZQEditorType::Markup, QSize(400, 200));
    QString page;
    for (int line = 0; line < 200; ++line)
        page += QString("line %1\n").arg(line);
    stage.showMarkup(page);
    stage.editor->show();
    const qsizetype target = stage.indexOf("line 150");
    stage.editor->scrollCharacterRangeToVisible(plat::Range(target, 4));
    const QRectF line = stage.manager->lineFragmentUsedRectForGlyphAtIndex(target).translated(
        stage.editor->textContainerOrigin());
    const int top = stage.editor->verticalScrollBar()->value();
    EXPECT_GT(top, 0);
    EXPECT_GE(line.top(), top);
    EXPECT_LE(line.bottom(), top + stage.editor->viewport()->height());

    // Raw typing attributes skip live styling on key-up.
    EXPECT_FALSE(stage.editor->isKeyUpInRawText(plat::Range(0, 0)));
    plat::Attributes raw = stage.editor->typingAttributes();
    raw.set(ZQAttr::Raw, plat::Value(true));
    stage.editor->setTypingAttributes(raw);
    EXPECT_TRUE(stage.editor->isKeyUpInRawText(plat::Range(0, 0)));
}
