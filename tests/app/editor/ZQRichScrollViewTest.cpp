// The editor's text column: no wider than the line width, centred, narrowed
// with the window and announced once per change; and the characters-per-line
// field that sets the line width.

#include "EditorFixtures.h"

#include "app/editor/ZQRichScrollView.h"
#include "app/shell/ZQMaxLineFldDelegate.h"
#include "platform/foundation/NotificationCenter.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace scrollview {

TEST(RichScrollView, ColumnWidthFollowsTheWindowUpToTheLineWidth)
{
    struct Case {
        double document, line, scroll, expected;
    };
    const Case cases[] = {
        {0, 600, 1000, 600},   // room to spare: the line width
        {600, 600, 500, 436},  // the window narrower than the column: all but the margin
        {436, 600, 1000, 600}, // wide again: the line width again
        {0, 0, 800, 736},      // no line width measured: all the room
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZQRichScrollView::columnWidth(c.document, c.line, c.scroll), c.expected)
            << c.document << " " << c.line << " " << c.scroll;
}

TEST(RichScrollView, TheColumnIsCentredAndEachChangeIsAnnouncedOnce)
{
    editortest::EditorStage stage(ZQEditorType::Rich, QSize(1000, 400));
    const double oldWidth = stage.settings->editorRichLineWidth();
    stage.settings->setEditorRichLineWidth(600);
    const auto view = std::make_shared<ZQRichScrollView>(stage.editor.get(), false);
    std::vector<double> announced;
    const auto token = plat::NotificationCenter::defaultCenter().addObserver(
        ZQRichScrollView::widthChangedNotification(), view.get(),
        [&announced](const plat::Notification& note) { announced.push_back(note.userInfo.at(QStringLiteral("width")).toDouble()); });
    stage.editor->show();
    QApplication::processEvents();
    auto columnEdges = [&] {
        const double left = stage.editor->textContainerInset().width();
        return std::pair(left, stage.editor->viewport()->width() - left);
    };

    EXPECT_EQ(view->documentWidth(), 600);
    auto [left, right] = columnEdges();
    EXPECT_DOUBLE_EQ(right - left, 600);
    EXPECT_DOUBLE_EQ(left, stage.editor->viewport()->width() - right) << "centred";

    stage.editor->resize(500, 400);
    QApplication::processEvents();
    EXPECT_EQ(view->documentWidth(), 436);
    stage.editor->resize(500, 300); // the height alone changes no column
    QApplication::processEvents();
    stage.editor->resize(1000, 300);
    QApplication::processEvents();
    EXPECT_EQ(view->documentWidth(), 600);
    EXPECT_EQ(announced, (std::vector<double>{600, 436, 600}));

    plat::NotificationCenter::defaultCenter().removeObserver(token);
    stage.settings->setEditorRichLineWidth(oldWidth);
}

TEST(MaxLineField, OnlyAWholeNumberFrom41To999SetsTheLineLength)
{
    const auto settings = installedSettings();
    const quint64 before = settings->lineMaxCharacters();
    settings->setLineMaxCharacters(80);
    ZQMaxLineFldDelegate field;
    // Typing "120" digit by digit: only the complete number counts.
    EXPECT_FALSE(field.controlTextDidChange(QStringLiteral("1")));
    EXPECT_FALSE(field.controlTextDidChange(QStringLiteral("12")));
    EXPECT_EQ(settings->lineMaxCharacters(), 80u);
    const double narrow = settings->editorRichLineWidth();
    EXPECT_TRUE(field.controlTextDidChange(QStringLiteral("120")));
    EXPECT_EQ(settings->lineMaxCharacters(), 120u);
    EXPECT_EQ(plat::UserDefaults::standardUserDefaults()->integerForKey(QStringLiteral("lineMaxCharacters")), 120);
    EXPECT_GT(settings->editorRichLineWidth(), narrow);
    for (const char* refused : {"40", "1000", "", "abc", "-50"})
        EXPECT_FALSE(field.controlTextDidChange(QString::fromLatin1(refused))) << refused;
    EXPECT_EQ(settings->lineMaxCharacters(), 120u);
    settings->setLineMaxCharacters(before);
    settings->resetLineWidth();
}

} // namespace scrollview
