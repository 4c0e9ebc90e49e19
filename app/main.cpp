// The program quorvel: `quorvel [FILE.md ...]` opens each file in its own
// editor window; without files, the library window. A second start hands its
// files to the running program.

#include "app/library/ZQIndexService.h"
#include "app/shell/ZQAppDelegate.h"
#include "app/shell/ZQAppInstance.h"
#include "app/shell/ZQDocumentController.h"
#include "app/shell/ZQDocumentWindowController.h"
#include "app/shell/ZQDocumentWindowFactory.h"
#include "app/shell/ZQModalWindows.h"
#include "app/shell/ZQPageIndexer.h"
#include "app/shell/ZQSetting.h"
#include "app/shell/ZQWidgetPanels.h"
#include "kit/model/ZSTextTheme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIcon>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Settings before anything else asks for them; after the application
    // object, whose event loop their network watch and resource look-ups need.
    ZQSettingManager& manager = ZQSettingManager::initialiseSettings();
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setDesktopFileName(QStringLiteral("quorvel"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quorvel")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quorvel, a writing application for Markdown."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Markdown files to open."), QStringLiteral("[FILE.md ...]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();

    if (ZQAppInstance::sendToRunning(files))
        return 0;

    plat::Panels::setCurrent(std::make_shared<ZQWidgetPanels>());
    ZQDocumentController::installPanelErrorPresentation();
    ZQPageIndexer::setShared(ZQIndexService::sharedIndexService());
    ZSTextTheme::loadTheme(manager.settings()->themeID(), true);

    auto delegate = std::make_shared<ZQAppDelegate>();
    if (delegate->applicationWillFinishLaunching(files.isEmpty()) == ZQAppDelegate::Launch::Incompatible)
        return app.exec();

    int opened = 0;
    for (const QString& file : files)
        opened += delegate->openFile(file) ? 1 : 0;
    if (!files.isEmpty() && opened == 0)
        return 1;

    // Later starts are taken once the first window is on screen.
    ZQAppInstance instance;
    const auto listen = [&instance, delegate] {
        instance.listen([delegate](const QStringList& handed) { delegate->openFiles(handed); });
    };
    const auto library = ZQDocumentWindowFactory::sharedFactory().mainWindowController();
    if (library)
        library->setQuitHandler([delegate] { delegate->applicationShouldTerminate(); });
    if (library && files.isEmpty())
        library->setFirstPaintHandler(listen);
    else
        listen();

    // A killed program and an ended session save their pages too.
    ZQAppInstance::installTerminationHandler([delegate] { delegate->applicationShouldTerminate(false); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [delegate](QSessionManager&) {
        delegate->saveAllUnsaved();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [delegate] { delegate->saveAllUnsaved(); });

    const int result = app.exec();
    ZQDocumentWindowFactory::sharedFactory().setMainWindowController(nullptr);
    return result;
}
