// The development program's page: a markup file opened in the markup editor,
// typed into, switched to the rich view and back, and saved as UTF-8; a file
// that is not UTF-8 is refused and left alone.

#include "EditorFixtures.h"

#include "app/editor/ZQEditorPage.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void typeInto(QWidget* target, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST(ZQEditorPage, TypedTextIsSavedAsUtf8)
{
    installedSettings();
    QTemporaryDir dir;
    const QString path = dir.filePath("page.md");
    ASSERT_TRUE(writeAll(path, QString("# Titel\n\nSchön *hier*.\n").toUtf8()));
    ZQEditorPage page;
    QString error;
    ASSERT_TRUE(page.openFile(path, &error)) << error.toStdString();
    ZQAbstractEditor& editor = page.markupEditor();
    editor.setSelectedRange(plat::Range(editor.textStorage()->length(), 0));
    typeInto(&editor, "Ende ü");
    EXPECT_TRUE(editor.textStorage()->string().endsWith("Ende ü"));

    // Through the rich view and back, nothing is lost.
    page.toggleRichView();
    EXPECT_TRUE(page.isRichViewVisible());
    EXPECT_FALSE(page.richEditor().textStorage()->string().contains("*hier*"));
    page.toggleRichView();
    ASSERT_TRUE(page.saveFile(&error)) << error.toStdString();
    const QString saved = QString::fromUtf8(readAll(path));
    EXPECT_TRUE(saved.startsWith("# Titel\n\nSchön *hier*.")) << saved.toStdString();
    EXPECT_TRUE(saved.trimmed().endsWith("Ende ü")) << saved.toStdString();
}

TEST(ZQEditorPage, FileThatIsNotUtf8IsRefusedAndLeftAlone)
{
    installedSettings();
    QTemporaryDir dir;
    const QString path = dir.filePath("latin1.md");
    const QByteArray latin1("Sch\xf6n\n", 6);
    ASSERT_TRUE(writeAll(path, latin1));
    ZQEditorPage page;
    QString error;
    EXPECT_FALSE(page.openFile(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(page.filePath().isEmpty());
    EXPECT_FALSE(page.saveFile(&error));
    EXPECT_EQ(readAll(path), latin1);
}
