// Entry point of every test binary: a GUI application object (offscreen) so that
// fonts, images and the main-thread queue work as they do in the program, and
// private data and settings folders so that tests never touch the user's files.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir home;
    qputenv("QUORVEL_DATA_DIR", home.filePath("data").toUtf8());
    qputenv("QUORVEL_CONFIG_DIR", home.filePath("config").toUtf8());
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
