// The outline popover: its counts, indented headings and wrapping tag buttons,
// the entries it hands to the library window, and renaming a linked file from
// it (bad names refused, the page record told of the new name).

#include "ShellFixtures.h"
#include "support/EventLoop.h"

#include "app/library/ZQLibraryRecords.h"
#include "app/shell/ZQOutlinePopover.h"
#include "app/shell/ZQOutlinePopoverViews.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace shell;

namespace {

struct OutlineRecordingTarget : ZQOutlineHighlightTarget {
    QStringList calls;
    void showHighlightHeading(const ZQDocumentHeadingPtr& heading) override
    {
        calls << QStringLiteral("heading %1 %2").arg(heading->heading(), heading->pageUuid());
    }
    void showHighlightTag(const ZQDocumentTagPtr& tag) override
    {
        calls << QStringLiteral("tag %1 %2").arg(tag->tagText(), tag->pageUuid());
    }
};

ZQDocumentTagPtr outlineTag(qint64 index, const QString& text)
{
    return ZQDocumentTag::initWithIndex(index, text, plat::Range(0, text.size()), ZQEditorType::Markup);
}

ZQDocumentHeadingPtr outlineHeading(qint64 index, qint64 level, const QString& text)
{
    return ZQDocumentHeading::initWithIndex(index, level, text, plat::Range(0, text.size()), ZQEditorType::Markup);
}

struct OutlineAnchor {
    QWidget window;
    OutlineAnchor()
    {
        window.setGeometry(100, 100, 500, 400);
        window.show();
    }
};

} // namespace

TEST(OutlinePopoverTags, ButtonsFlowAndWrapBefore329Points)
{
    ZQTagsView view;
    std::vector<QPushButton*> buttons;
    // Short and long texts, and one wider than a whole row.
    QStringList texts;
    for (int i = 0; i < 14; ++i)
        texts << QStringLiteral("tag%1").arg(i) << QStringLiteral("a rather longer tag %1").arg(i);
    texts << QString(80, QLatin1Char('w')) << QStringLiteral("end");
    for (int i = 0; i < texts.size(); ++i)
        buttons.push_back(view.addTag(outlineTag(i, texts[i])));

    const double h = QFontMetricsF(view.defaultAttr()).height();
    int rows = 1;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const QRect frame = buttons[i]->geometry();
        const double w = QFontMetricsF(view.defaultAttr()).size(Qt::TextSingleLine, texts[int(i)]).width();
        EXPECT_NEAR(frame.width(), w + 10, 1) << i;
        EXPECT_NEAR(frame.height(), h + 5, 1) << i;
        if (i == 0) {
            EXPECT_EQ(frame.topLeft(), QPoint(0, 0));
            continue;
        }
        const QRect before = buttons[i - 1]->geometry();
        if (frame.y() == before.y()) {
            // Same row: 5 points after the previous button, ending inside the row.
            EXPECT_NEAR(frame.x(), before.right() + 1 + 5, 1) << i;
            EXPECT_LE(frame.right() + 1 + 5, ZQTagsView::wrapWidth() + 1) << i;
        } else {
            // A new row starts at the left, h + 10 lower, only when the button did not fit.
            ++rows;
            EXPECT_EQ(frame.x(), 0) << i;
            EXPECT_NEAR(frame.y() - before.y(), h + 10, 1) << i;
            EXPECT_GT(before.right() + 1 + 5 + (w + 10) + 5, ZQTagsView::wrapWidth() - 1) << i;
        }
    }
    EXPECT_GE(rows, 4);
    EXPECT_NEAR(view.tagsViewHeight(), (h + 5) + (rows - 1) * (h + 10), 0.01);

    view.clearTagViews();
    EXPECT_EQ(view.tagsViewHeight(), 0);
    EXPECT_TRUE(view.findChildren<QPushButton*>().isEmpty());
    EXPECT_EQ(view.addTag(outlineTag(0, QStringLiteral("again")))->pos(), QPoint(0, 0));
}

TEST(OutlinePopover, ShowsCountsIndentedHeadingsAndSizesToContent)
{
    ShellEnvironment env;
    OutlineAnchor anchor;
    OutlineRecordingTarget target;
    ZQOutlinePopover popover;
    popover.setZqWindowController(&target);
    auto outline = ZQDocumentOutline::initWithPageUuid(QStringLiteral("p1"));
    outline->setWordCount(1234);
    outline->setCharCount(5678);
    outline->setHeadings({outlineHeading(0, 2, "Two"), outlineHeading(1, 3, "Three"), outlineHeading(2, 2, "Again")});
    popover.setOutlineData(outline);
    popover.showPopover(&anchor.window, QStringLiteral("p1"), QRectF(10, 10, 100, 20));

    const ZQOutlinePopoverView& view = popover.view();
    EXPECT_EQ(view.wordsLabel->text(), "1234");
    EXPECT_EQ(view.charsLabel->text(), "5678");
    // An internal page: no file-name row, the extension ".md".
    EXPECT_EQ(view.filenameViewHeight(), 0);
    EXPECT_EQ(view.filenameExtLabel->text(), ".md");
    EXPECT_EQ(popover.startLevel(), 2);
    EXPECT_EQ(popover.headingRowText(0), "Two");
    EXPECT_EQ(popover.headingRowText(1), "    Three");
    EXPECT_EQ(view.headingTable->count(), 3);
    EXPECT_EQ(view.headingTable->item(1)->text(), "    Three");
    // No tags: a tags area of 10 points.
    EXPECT_EQ(view.tagsViewHeight(), 10);
    EXPECT_EQ(popover.popover()->contentSize(), QSizeF(ZQOutlinePopoverView::viewWidth(), 54 + 10 + 3 * 22));

    EXPECT_TRUE(popover.tableViewShouldSelectRow(1));
    EXPECT_FALSE(popover.tableViewShouldSelectRow(3));
    EXPECT_EQ(target.calls, QStringList({"heading Three p1"}));

    // Reshown for another page: tags, and no headings.
    popover.popover()->forceClosePopover(false);
    auto other = ZQDocumentOutline::initWithPageUuid(QStringLiteral("p2"));
    other->setTags({outlineTag(4, "red"), outlineTag(9, "blue")});
    popover.setOutlineData(other);
    popover.showPopover(&anchor.window, QStringLiteral("p2"), QRectF(10, 10, 100, 20));
    const double tagsHeight = view.tagsView->tagsViewHeight();
    EXPECT_GT(tagsHeight, 10);
    EXPECT_EQ(view.tagsView->findChildren<QPushButton*>().size(), 2);
    EXPECT_EQ(popover.startLevel(), 99);
    EXPECT_EQ(view.headingTable->count(), 0);
    EXPECT_EQ(popover.popover()->contentSize().height(), 54 + int(tagsHeight));

    // A tag button reports its tag's entry, given the page; an unknown tag does nothing.
    target.calls.clear();
    view.tagsView->findChildren<QPushButton*>().at(1)->click();
    popover.tagClick(7);
    EXPECT_EQ(target.calls, QStringList({"tag blue p2"}));
    popover.popover()->forceClosePopover(false);
    EXPECT_TRUE(env.panels->presentedErrors().isEmpty()); // closing an internal page renames nothing
}

namespace {

// A linked folder holding "note.md" (and "taken.md"), with a page record for the note.
struct LinkedNote {
    QTemporaryDir folder;
    QString space;
    LinkedNote(const QString& spaceFolder) : space(spaceFolder)
    {
        const auto main = ZSCoreData::sharedCoredData()->spaceObjectContext();
        const auto record = ZSCoreDataUtil::createSpaceRecord(space, nullptr, "Linked", ZQSpaceType::LinkedFolder, false, main);
        record->setValue(plat::Value(folder.path()), "dropboxPath");
        Exs::persistAndWait(main);
        write("note.md", "# Note\n");
        write("taken.md", "other\n");
        ZSCoreDataUtil::createPageRecord("note-uuid", std::nullopt, space, "note.md", plat::Value());
    }
    void write(const QString& name, const QByteArray& text)
    {
        QFile file(folder.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
    QStringList files() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }
    QString recordPath() const
    {
        return ZSCoreDataUtil::getPageObjectByUUID("note-uuid", space)->valueForKey("dropboxPath").toString();
    }
    std::shared_ptr<ZQDocumentOutline> outline() const
    {
        auto outline = ZQDocumentOutline::initWithPageUuid("note-uuid");
        outline->setIsExternalFile(true);
        outline->setFilename("note.md");
        outline->setFileDirPath(folder.path());
        return outline;
    }
};

} // namespace

TEST(OutlinePopoverRename, RefusesBadNamesAndKeepsFileAndRecord)
{
    struct Case {
        QString typed;
        bool refused;
    };
    const Case cases[] = {
        {"", true}, {"   ", true}, {"a/b", true}, {"../note", true}, {".hidden", true},
        {"taken", true}, // another file's name
        {"note", false}, // unchanged: nothing to do
    };
    int n = 0;
    for (const Case& c : cases) {
        ShellEnvironment env;
        LinkedNote linked(QStringLiteral("linkbad%1s").arg(n++));
        OutlineAnchor anchor;
        ZQOutlinePopover popover;
        popover.setSpaceFolder(linked.space);
        popover.setOutlineData(linked.outline());
        popover.showPopover(&anchor.window, "note-uuid", QRectF(0, 0, 50, 20));
        EXPECT_EQ(popover.view().filenameInput->text(), "note");
        EXPECT_EQ(popover.view().filenameExtLabel->text(), ".md");
        popover.view().filenameInput->setText(c.typed);
        popover.popoverDidClose(*popover.popover());

        EXPECT_EQ(linked.files(), QStringList({"note.md", "taken.md"})) << c.typed.toStdString();
        EXPECT_EQ(linked.recordPath(), "note.md") << c.typed.toStdString();
        EXPECT_EQ(env.panels->presentedErrors().size(), c.refused ? 1 : 0) << c.typed.toStdString();
        if (c.refused) {
            EXPECT_EQ(popover.view().filenameInput->text(), "note") << c.typed.toStdString();
        }
        popover.popover()->forceClosePopover(false);
    }
}

TEST(OutlinePopoverRename, ReturnInTheNameFieldRenamesTheFileAndTellsItsRecord)
{
    ShellEnvironment env;
    LinkedNote linked(QStringLiteral("linkoks"));
    OutlineAnchor anchor;
    ZQOutlinePopover popover;
    popover.setSpaceFolder(linked.space);
    popover.setOutlineData(linked.outline());
    popover.showPopover(&anchor.window, "note-uuid", QRectF(0, 0, 50, 20));
    ASSERT_TRUE(testsupport::runEventsUntil([&] { return popover.popover()->popoverIsVisible(); }));
    EXPECT_EQ(popover.view().filenameViewHeight(), 30);
    EXPECT_EQ(popover.popover()->contentSize().height(), 84 + 10);

    popover.view().filenameInput->setText("Trip notes");
    emit popover.view().filenameInput->returnPressed();
    ASSERT_TRUE(testsupport::runEventsUntil([&] { return !popover.popover()->popoverIsVisible(); }));
    ASSERT_TRUE(testsupport::runEventsUntil([&] { return linked.files().contains("Trip notes.md"); }));

    EXPECT_EQ(linked.files(), QStringList({"Trip notes.md", "taken.md"}));
    EXPECT_EQ(linked.recordPath(), "Trip notes.md");
    EXPECT_EQ(popover.outlineData()->filename(), "Trip notes.md");
    EXPECT_TRUE(env.panels->presentedErrors().isEmpty());
    QFile renamed(linked.folder.filePath("Trip notes.md"));
    ASSERT_TRUE(renamed.open(QIODevice::ReadOnly));
    EXPECT_EQ(renamed.readAll(), "# Note\n");
}
