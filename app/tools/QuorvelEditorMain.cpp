// quorvel-editor FILE.md: one window with one editor on a markup file, for
// trying the editor until the program opens files itself. Ctrl+S saves the
// file back (UTF-8, atomically), Ctrl+E switches between the markup and the
// rich view, Ctrl+Plus / Ctrl+Minus / Ctrl+0 zoom. With --snapshot it writes
// a picture of the window and quits (scripts/snapshots).

#include "app/editor/ZQEditorPage.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>
#include <QMessageBox>
#include <QShortcut>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel-editor"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Opens one editor on a markup file."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("theme"), QStringLiteral("Theme to use (light, dark, ...)."),
                      QStringLiteral("theme"), QString()});
    parser.addOption({QStringLiteral("rich"), QStringLiteral("Start in the rich view.")});
    parser.addOption({QStringLiteral("snapshot"),
                      QStringLiteral("Write a picture of the window to this PNG file and quit."),
                      QStringLiteral("png"), QString()});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The markup file to edit."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    ZQEditorPage::installServices(parser.value(QStringLiteral("theme")));
    QMainWindow window;
    auto page = new ZQEditorPage(&window);
    if (parser.isSet(QStringLiteral("rich")))
        page->toggleRichView();
    QString error;
    if (!page->openFile(parser.positionalArguments().constFirst(), &error)) {
        QMessageBox::critical(nullptr, QStringLiteral("quorvel-editor"), error);
        return 1;
    }
    window.setCentralWidget(page);
    window.resize(900, 700);
    window.setWindowTitle(page->filePath());

    auto save = new QShortcut(QKeySequence::Save, &window);
    QObject::connect(save, &QShortcut::activated, page, [page] {
        QString saveError;
        if (!page->saveFile(&saveError))
            QMessageBox::warning(page, QStringLiteral("quorvel-editor"), saveError);
    });
    auto toggle = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), &window);
    QObject::connect(toggle, &QShortcut::activated, page, [page] { page->toggleRichView(); });
    auto zoomIn = new QShortcut(QKeySequence::ZoomIn, &window);
    QObject::connect(zoomIn, &QShortcut::activated, page, [page] { page->zoomBy(0.2); });
    auto zoomOut = new QShortcut(QKeySequence::ZoomOut, &window);
    QObject::connect(zoomOut, &QShortcut::activated, page, [page] { page->zoomBy(-0.2); });
    auto actualSize = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_0), &window);
    QObject::connect(actualSize, &QShortcut::activated, page, [page] { page->zoomTo(1.0); });

    window.show();
    page->focusEditor();
    if (parser.isSet(QStringLiteral("snapshot"))) {
        QApplication::processEvents();
        const QString out = parser.value(QStringLiteral("snapshot"));
        if (!window.grab().save(out, "PNG")) {
            qCritical("Cannot write %s", qPrintable(out));
            return 1;
        }
        return 0;
    }
    return app.exec();
}
