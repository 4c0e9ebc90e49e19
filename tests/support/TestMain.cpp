// Entry point of every test binary: a GUI application object (offscreen; a
// widget application for the binaries that test widgets) so that
// fonts, images and the main-thread queue work as they do in the program, and
// private data and settings folders so that tests never touch the user's files.
// The web engine needs shared GL contexts requested before the application
// object exists, no GPU headless, and no sandbox as root.
#ifdef QUORVEL_TEST_WIDGETS
#include <QApplication>
#else
#include <QGuiApplication>
#endif
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

void setDefaultEnv(const char* name, const QByteArray& value)
{
    if (qEnvironmentVariableIsEmpty(name))
        qputenv(name, value);
}

} // namespace

int main(int argc, char** argv)
{
    setDefaultEnv("QT_QPA_PLATFORM", "offscreen");
    setDefaultEnv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (geteuid() == 0)
        setDefaultEnv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir home;
    qputenv("QUORVEL_DATA_DIR", home.filePath("data").toUtf8());
    qputenv("QUORVEL_CONFIG_DIR", home.filePath("config").toUtf8());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifdef QUORVEL_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
