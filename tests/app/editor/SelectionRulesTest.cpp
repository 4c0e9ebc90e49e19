// The editor's selection rules driven through the view: carets leave
// read-only runs, selections carry their direction, broken proposals fall
// back to the text's start, and the style popover follows the selection.

#include "EditorFixtures.h"

#include "app/editor/ZQEditorWindowLink.h"
#include "app/editor/ZQStyleContextPopover.h"
#include "app/shell/ZQTintButton.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZSSettings.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/ui/LayoutManager.h"

#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

namespace selectionrules {

using plat::Range;

struct PopoverLink final : ZQEditorWindowLink {
    bool isEditorWindow() const override { return false; }
    void recordSelection(Range range) override { recorded.push_back(range); }
    ZQStyleContextPopover* stylePopoverController() override { return &popover; }
    std::vector<Range> recorded;
    ZQStyleContextPopover popover;
};

struct Stage : editortest::EditorStage {
    PopoverLink link;

    explicit Stage(ZQEditorType type = ZQEditorType::Rich) : EditorStage(type)
    {
        editor->setWindowLink(&link);
        editor->show();
    }
    ~Stage()
    {
        link.popover.close();
        editor->setWindowLink(nullptr);
    }
    // Plain text with a read-only run over the first occurrence of run.
    void setPlainWithReadonly(const QString& text, const QString& run)
    {
        plat::MutableAttributedString content{plat::AttributedString(
            text, settings->defaultTypingAttribute(editorTypeFromStored(editor->editorType())))};
        content.addAttribute(ZQAttr::Readonly, QStringLiteral("tag"), Range(text.indexOf(run), run.size()));
        editor->textStorage()->setAttributedString(content);
        editor->setSelectedRange(Range(0, 0));
    }
    // The viewport point of the caret position index, a little inside its line.
    QPoint pointAt(qsizetype index) const
    {
        const QRectF caret = manager->insertionRectForCharacterIndex(index);
        const QPointF origin = editor->textContainerOrigin();
        return QPointF(caret.x() + origin.x() + 1, caret.center().y() + origin.y()).toPoint();
    }
    bool pressed(qint64 tag) const
    {
        QAbstractButton* button = nullptr;
        for (QWidget* panel : {link.popover.basicMenu(), link.popover.advanceMenu(), link.popover.headingMenu()})
            if (panel->isVisible() && !button)
                button = ZQStyleContextPopover::buttonWithTag(panel, tag);
        auto* tinted = dynamic_cast<ZQTintButton*>(button);
        return tinted && tinted->buttonState() == 1;
    }
    std::vector<qint64> pressedTags() const
    {
        std::vector<qint64> tags;
        for (qint64 tag : {1, 2, 11, 12, 21, 22, 23, 24, 25, 26, 32, 33, 34, 35, 40, 41, 42, 43, 50, 51, 100})
            if (pressed(tag))
                tags.push_back(tag);
        return tags;
    }
};

} // namespace selectionrules

using namespace selectionrules;
using plat::Range;

TEST(SelectionRules, AClickInsideAReadonlyRunPutsTheCaretAtItsEnd)
{
    Stage stage;
    stage.setPlainWithReadonly("abc {macro} def", "{macro}");
    const qsizetype start = stage.indexOf("{macro}");
    const qsizetype end = start + 7;

    QTest::mouseClick(stage.editor->viewport(), Qt::LeftButton, {}, stage.pointAt(start + 3));
    EXPECT_EQ(stage.editor->selectedRange(), Range(end, 0));
    QTest::mouseClick(stage.editor->viewport(), Qt::LeftButton, {}, stage.pointAt(start));
    EXPECT_EQ(stage.editor->selectedRange(), Range(start, 0));

    // Every caret the view proposes is screened the same way.
    struct Case {
        qsizetype proposed;
        qsizetype applied;
    };
    for (const Case c : {Case{start + 1, end}, Case{end - 1, end}, Case{end, end}, Case{start - 1, start - 1},
                         Case{stage.text().size(), stage.text().size()}}) {
        stage.editor->changeSelection(Range(c.proposed, 0));
        EXPECT_EQ(stage.editor->selectedRange(), Range(c.applied, 0)) << c.proposed;
    }
}

TEST(SelectionRules, ShiftArrowsRecordWhichEndMovesAndWhetherTheSelectionGrows)
{
    struct Case {
        Qt::Key keys[3];
        quint64 directions[3];
    };
    for (const Case& c : {Case{{Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}, {2, 2, 1}},
                          Case{{Qt::Key_Left, Qt::Key_Left, Qt::Key_Right}, {3, 3, 4}}}) {
        Stage stage;
        stage.showRich("abcdefghijklmnopqrstuvwxyz");
        stage.editor->setSelectedRange(Range(10, 0));
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(stage.editor.get(), c.keys[i], Qt::ShiftModifier);
            EXPECT_EQ(stage.editor->selectionDirection, c.directions[i]) << "step " << i;
        }
        // The fixed end stayed at the caret the selection began from.
        EXPECT_EQ(stage.editor->lastAnchorPoint, Range(10, 0));
        const Range selection = stage.editor->selectedRange();
        EXPECT_TRUE(selection.location == 10 || selection.end() == 10);
        EXPECT_EQ(selection.length, 1);
    }
}

TEST(SelectionRules, AFailingRuleLeavesTheSelectionAtTheStartWithoutACrash)
{
    Stage stage;
    stage.showRich("some text here");
    stage.editor->setSelectedRange(Range(4, 0));
    // A range the rules cannot read (beyond the text) and a negative length.
    for (const Range proposed : {Range(40, 3), Range(5, -2)}) {
        stage.editor->setSelectedRange(Range(4, 0));
        stage.editor->changeSelection(proposed);
        EXPECT_EQ(stage.editor->selectedRange(), Range(0, 0)) << plat::toString(proposed).toStdString();
    }
    const std::vector<Range> answer = stage.editor->textViewWillChangeSelection({Range(0, 0)}, {Range(40, 3)});
    EXPECT_EQ(answer, std::vector<Range>{Range(0, 0)});
}

TEST(SelectionRules, TheDocumentRecordsEverySelection)
{
    Stage stage;
    stage.showRich("some text here");
    stage.link.recorded.clear();
    stage.editor->changeSelection(Range(2, 3));
    stage.editor->changeSelection(Range(7, 0));
    EXPECT_EQ(stage.link.recorded, (std::vector<Range>{Range(2, 3), Range(7, 0)}));
}

TEST(StylePopover, ASelectionShowsThePopoverWithItsStylesPressed)
{
    Stage stage;
    stage.showRich("***both*** plain\n\n## Head two\n");
    const qsizetype both = stage.indexOf("both");
    stage.editor->setSelectedRange(Range(both + 1, 0));
    stage.editor->changeSelection(Range(both + 1, 2));
    ASSERT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.link.popover.selectedMenuID(), ZQStyleContextPopover::BasicMenu);
    EXPECT_EQ(stage.pressedTags(), (std::vector<qint64>{1, 2}));
    // Growing from the start: the popover sits below the selection's end.
    EXPECT_EQ(stage.link.popover.arrowDirection(), quint64(plat::Popover::MaxYEdge));

    const qsizetype head = stage.indexOf("Head");
    stage.editor->changeSelection(Range(head, 4));
    EXPECT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.pressedTags(), std::vector<qint64>{});
    stage.link.popover.switchMenuTo(ZQStyleContextPopover::HeadingMenu);
    EXPECT_EQ(stage.pressedTags(), std::vector<qint64>{22});
    // The heading panel stays while the selection moves on.
    stage.editor->changeSelection(Range(head + 1, 2));
    EXPECT_EQ(stage.link.popover.selectedMenuID(), ZQStyleContextPopover::HeadingMenu);

    // A caret leaves the popover open until the next key.
    stage.editor->changeSelection(Range(head, 0));
    EXPECT_TRUE(stage.link.popover.isShown());
    QTest::keyClick(stage.editor.get(), Qt::Key_Shift);
    EXPECT_FALSE(stage.link.popover.isShown());
}

TEST(StylePopover, RawOrReadonlyTextShowsNoPopoverAndClosesAnOpenOne)
{
    Stage stage;
    stage.showRich("plain words\n\n```\ncode here\n```\n");
    stage.editor->changeSelection(Range(0, 5));
    ASSERT_TRUE(stage.link.popover.isShown());
    stage.editor->changeSelection(Range(stage.indexOf("code here") + 1, 3));
    EXPECT_FALSE(stage.link.popover.isShown());

    Stage readonly;
    readonly.setPlainWithReadonly("abc {macro} def", "{macro}");
    readonly.editor->changeSelection(Range(readonly.indexOf("{macro}"), 7));
    EXPECT_FALSE(readonly.link.popover.isShown());
}

TEST(StylePopover, FormattingKeepsThePopoverInPlaceAndUpdatesItsButtons)
{
    Stage stage;
    stage.showRich("hello world");
    stage.editor->setMarkupRender(std::make_shared<ZQRender>());
    stage.editor->changeSelection(Range(0, 5));
    ASSERT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.pressedTags(), std::vector<qint64>{});
    const QRectF anchor = stage.link.popover.relativeToRect();

    stage.editor->menuShortcutForAction(2);
    EXPECT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.link.popover.relativeToRect(), anchor);
    EXPECT_EQ(stage.pressedTags(), std::vector<qint64>{2});
    EXPECT_FALSE(stage.editor->remainStylePopoverPosition);
}

TEST(StylePopover, AButtonPostsItsTagAndPanelsResizeThePopover)
{
    std::vector<qint64> tags;
    auto& centre = plat::NotificationCenter::defaultCenter();
    const plat::ObserverToken token = centre.addObserver(
        ZQStyleContextPopover::clickedNotification(), nullptr,
        [&tags](const plat::Notification& note) { tags.push_back(note.userInfo.at(QStringLiteral("tag")).toInteger()); });
    Stage stage;
    stage.showRich("hello world");
    stage.editor->changeSelection(Range(0, 5));
    ZQStyleContextPopover& popover = stage.link.popover;
    ASSERT_TRUE(popover.isShown());
    QTest::mouseClick(ZQStyleContextPopover::buttonWithTag(popover.basicMenu(), 12), Qt::LeftButton);
    QTest::mouseClick(ZQStyleContextPopover::buttonWithTag(popover.basicMenu(), ZQStyleContextPopover::AdvanceMenu),
                      Qt::LeftButton);
    EXPECT_EQ(popover.selectedMenuID(), ZQStyleContextPopover::AdvanceMenu);
    EXPECT_EQ(popover.popover()->contentSize(), QSizeF(popover.advanceMenu()->size()));
    EXPECT_NE(popover.advanceMenu()->size(), popover.basicMenu()->size());
    QTest::mouseClick(ZQStyleContextPopover::buttonWithTag(popover.advanceMenu(), 32), Qt::LeftButton);
    centre.removeObserver(token);
    // The clicks format nothing themselves.
    EXPECT_EQ(tags, (std::vector<qint64>{12, 32}));
    EXPECT_EQ(stage.text(), "hello world");
}

TEST(StylePopover, AThemeChangeRebuildsThePopoverWithTheNewStyle)
{
    const auto theme = ZSTextTheme::sharedTheme();
    const qint64 before = theme->editorPopoverStyle();
    Stage stage;
    stage.showRich("hello world");
    theme->setEditorPopoverStyle(0);
    stage.editor->changeSelection(Range(0, 5));
    ASSERT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.link.popover.popover()->appearance(), plat::Popover::Appearance::Light);
    theme->setEditorPopoverStyle(1);
    stage.link.popover.popoverStyleUpdatedRequired();
    EXPECT_EQ(stage.link.popover.popover(), nullptr);
    stage.editor->changeSelection(Range(0, 4));
    ASSERT_TRUE(stage.link.popover.isShown());
    EXPECT_EQ(stage.link.popover.popover()->appearance(), plat::Popover::Appearance::Dark);
    theme->setEditorPopoverStyle(before);
}
