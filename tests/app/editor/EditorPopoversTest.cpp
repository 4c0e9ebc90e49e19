// The help pane's tips menu and the entry field themed for its editor.

#include "app/editor/ZQHelpPopover.h"
#include "app/editor/ZQTextField.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/Color.h"

#include "support/InstalledSettings.h"

#include <QTest>
#include <tuple>
#include <gtest/gtest.h>

TEST(HelpPopover, TheRowSwitchesTipsAndKeepsTheChoice)
{
    const auto settings = installedSettings();
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    settings->setHideHelpTips(true);
    QWidget pane;
    pane.resize(200, 100);
    pane.show();
    ZQHelpPopover help;
    EXPECT_EQ(help.popMenu()->rowCount(), 1);
    EXPECT_EQ(help.popMenu()->rowHeight(0), ZQHelpPopMenu::RowHeight);
    help.showPopover(QRectF(10, 10, 20, 20), &pane);
    ASSERT_TRUE(help.popover()->isShown());
    EXPECT_EQ(help.popMenu()->item(0, 0)->text(), "Show Tips");

    const QRect row = help.popMenu()->visualItemRect(help.popMenu()->item(0, 0));
    QTest::mouseClick(help.popMenu()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_FALSE(help.popover()->isShown());
    EXPECT_FALSE(settings->hideHelpTips());
    EXPECT_FALSE(defaults->boolForKey(QStringLiteral("hideHelpTips")));
    EXPECT_EQ(help.popMenu()->item(0, 0)->text(), "Hide Tips");

    help.menuItemSelected(0);
    EXPECT_TRUE(settings->hideHelpTips());
    EXPECT_TRUE(defaults->boolForKey(QStringLiteral("hideHelpTips")));
    EXPECT_EQ(help.popMenu()->item(0, 0)->text(), "Show Tips");
    settings->setHideHelpTips(false);
}

TEST(HelpPopover, AClickElsewhereClosesItAndChangesNothing)
{
    const auto settings = installedSettings();
    settings->setHideHelpTips(false);
    QWidget pane;
    pane.resize(200, 100);
    pane.show();
    ZQHelpPopover help;
    help.showPopover(QRectF(10, 10, 20, 20), &pane);
    ASSERT_TRUE(help.popover()->isShown());
    // Below the anchor.
    EXPECT_GE(help.popover()->panelGeometry().top(), pane.mapToGlobal(QPoint(0, 30)).y());
    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(150, 80));
    EXPECT_FALSE(help.popover()->isShown());
    EXPECT_FALSE(settings->hideHelpTips());
}

TEST(TextField, TakesTheColoursOfItsEditorWhenFocused)
{
    installedSettings();
    const auto theme = ZSTextTheme::sharedTheme();
    const auto savedMd = std::make_tuple(theme->mdEditorBackgroundColor(), theme->mdSelectionColor(), theme->mdCaretColor());
    const auto savedRich = std::make_tuple(theme->editorEditorBackgroundColor(), theme->editorSelectionColor(),
                                           theme->editorCaretColor());
    const QColor mdBack(20, 20, 30), mdSelection(200, 40, 40), mdCaret(10, 200, 10);
    const QColor richBack(250, 250, 240), richSelection(40, 40, 200), richCaret(120, 0, 120);
    theme->setMdEditorBackgroundColor(plat::Color::fromQColor(mdBack));
    theme->setMdSelectionColor(plat::Color::fromQColor(mdSelection));
    theme->setMdCaretColor(plat::Color::fromQColor(mdCaret));
    theme->setEditorEditorBackgroundColor(plat::Color::fromQColor(richBack));
    theme->setEditorSelectionColor(plat::Color::fromQColor(richSelection));
    theme->setEditorCaretColor(plat::Color::fromQColor(richCaret));

    QWidget window;
    ZQTextField field(&window);
    QLineEdit other(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(field.editorType(), ZQEditorType::Rich);

    field.setEditorType(ZQEditorType::Markup);
    EXPECT_EQ(field.palette().color(QPalette::Base), mdBack);
    EXPECT_TRUE(field.becomeFirstResponder());
    EXPECT_EQ(field.palette().color(QPalette::Highlight), mdSelection);
    EXPECT_EQ(field.insertionPointColor(), mdCaret);

    // Back to the rich editor: the background at once, the rest at the next focus.
    other.setFocus();
    field.setEditorType(ZQEditorType::Rich);
    EXPECT_EQ(field.palette().color(QPalette::Base), richBack);
    EXPECT_EQ(field.insertionPointColor(), mdCaret);
    EXPECT_TRUE(field.becomeFirstResponder());
    EXPECT_EQ(field.palette().color(QPalette::Highlight), richSelection);
    EXPECT_EQ(field.insertionPointColor(), richCaret);

    field.setEnabled(false);
    EXPECT_FALSE(field.becomeFirstResponder());
    theme->setMdEditorBackgroundColor(std::get<0>(savedMd));
    theme->setMdSelectionColor(std::get<1>(savedMd));
    theme->setMdCaretColor(std::get<2>(savedMd));
    theme->setEditorEditorBackgroundColor(std::get<0>(savedRich));
    theme->setEditorSelectionColor(std::get<1>(savedRich));
    theme->setEditorCaretColor(std::get<2>(savedRich));
}
