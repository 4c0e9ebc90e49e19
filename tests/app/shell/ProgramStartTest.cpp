// The program itself, started in empty homes of its own: what the first and
// the second start leave behind, a library from a newer program, and a second
// start that hands its file to the running program.

#include "app/shell/ZQAppInstance.h"
#include "platform/foundation/UserDefaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class ProgramHome {
public:
    ProgramHome() { QDir().mkpath(configDir()); }
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }
    QString configDir() const { return m_dir.filePath(QStringLiteral("config")); }
    QString defaultsPath() const { return QDir(configDir()).filePath(QStringLiteral("Quorvel.ini")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEL_DATA_DIR"), dataDir());
        env.insert(QStringLiteral("QUORVEL_CONFIG_DIR"), configDir());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("QUORVEL_PING_HOST"));
        return env;
    }

    void start(QProcess& program, const QStringList& arguments = {}) const
    {
        program.setProcessEnvironment(environment());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(QUORVEL_PROGRAM), arguments);
        ASSERT_TRUE(program.waitForStarted(10000));
    }

    // The running program listens once its window is up.
    bool waitUntilListening(QProcess& program, int timeoutMs = 30000) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs && program.state() == QProcess::Running) {
            QLocalSocket socket;
            socket.connectToServer(ZQAppInstance::serverName(dataDir()));
            if (socket.waitForConnected(200))
                return true;
            program.waitForFinished(100);
        }
        return false;
    }

    // Asks the program to end as the desktop does, and waits for it.
    static int terminate(QProcess& program)
    {
        program.terminate();
        EXPECT_TRUE(program.waitForFinished(20000)) << program.readAll().toStdString();
        return program.exitCode();
    }

    // Values a program has written, read as the program reads them.
    std::shared_ptr<plat::UserDefaults> defaults() const { return std::make_shared<plat::UserDefaults>(defaultsPath()); }

    std::vector<std::pair<QString, qint64>> spaces() const
    {
        std::vector<std::pair<QString, qint64>> rows;
        sqlite3* db = nullptr;
        const QByteArray path = QDir(dataDir()).filePath(QStringLiteral("quorvel.sql")).toUtf8();
        if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT folder, spaceType FROM Space ORDER BY Z_PK", -1, &statement, nullptr) == SQLITE_OK) {
                while (sqlite3_step(statement) == SQLITE_ROW)
                    rows.emplace_back(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))),
                                      sqlite3_column_int64(statement, 1));
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return rows;
    }

    // The Markdown of every page package in the space folder, by package name.
    std::map<QString, QString> pages(const QString& spaceFolder) const
    {
        std::map<QString, QString> result;
        const QDir space(QDir(dataDir()).filePath(spaceFolder));
        for (const QString& package : space.entryList({QStringLiteral("*.mkqrv")}, QDir::Dirs)) {
            QFile file(space.filePath(package + QStringLiteral("/main.md")));
            if (file.open(QIODevice::ReadOnly))
                result[package] = QString::fromUtf8(file.readAll());
        }
        return result;
    }

private:
    QTemporaryDir m_dir;
};

TEST(ProgramStart, FirstStartSeedsTheLibraryAndTheSecondDoesNotImportAgain)
{
    ProgramHome home;
    {
        QProcess program;
        home.start(program);
        ASSERT_TRUE(home.waitUntilListening(program)) << program.readAll().toStdString();
        EXPECT_EQ(ProgramHome::terminate(program), 0);
    }
    const auto defaults = home.defaults();
    const QString appId = defaults->stringForKey(QStringLiteral("com.zolfarin.quorvel.AppID"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-Fa-f]{32}$")).match(appId).hasMatch()) << appId.toStdString();
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("com.zolfarin.quorvel.AppVersion")), 2015111301);
    EXPECT_TRUE(defaults->objectForKey(QStringLiteral("com.zolfarin.quorvel.LibraryVersion")).isNull());
    EXPECT_EQ(defaults->integerForKey(QStringLiteral("com.zolfarin.quorvel.AppWelcomeVersion")), 1);

    // The store numbers the records of one save in no particular order, so
    // the rows are compared as a set.
    std::vector<std::pair<QString, qint64>> expected = {
        {QStringLiteral("__spacetitle_s"), -99}, {appId + QStringLiteral("ds"), 1}, {QStringLiteral("__divider_s"), 3},
        {QStringLiteral("__tags_s"), -3},        {QStringLiteral("sys__filters"), -4}, {QStringLiteral("sys__trash"), -2}};
    std::vector<std::pair<QString, qint64>> spaces = home.spaces();
    std::sort(spaces.begin(), spaces.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(spaces, expected);

    const auto firstPages = home.pages(appId + QStringLiteral("ds"));
    ASSERT_EQ(firstPages.size(), 2u);
    QStringList headings;
    for (const auto& [name, markdown] : firstPages)
        headings << markdown.section(u'\n', 0, 0);
    headings.sort();
    EXPECT_EQ(headings, QStringList({QStringLiteral("# A Demo Page"), QStringLiteral("# Welcome to Quorvel")}));

    {
        QProcess program;
        home.start(program);
        ASSERT_TRUE(home.waitUntilListening(program)) << program.readAll().toStdString();
        EXPECT_EQ(ProgramHome::terminate(program), 0);
    }
    EXPECT_EQ(home.pages(appId + QStringLiteral("ds")), firstPages);
    EXPECT_EQ(home.spaces().size(), 6u);
    EXPECT_EQ(home.defaults()->stringForKey(QStringLiteral("com.zolfarin.quorvel.AppID")), appId);
}

TEST(ProgramStart, ALibraryOfANewerProgramShowsOnlyTheIncompatibleWindow)
{
    ProgramHome home;
    home.defaults()->setInteger(2015111302, QStringLiteral("com.zolfarin.quorvel.LibraryVersion"));
    QProcess program;
    home.start(program);
    // The program stays up with its one window and never listens for files.
    EXPECT_FALSE(home.waitUntilListening(program, 4000));
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
    EXPECT_FALSE(QFile::exists(QDir(home.dataDir()).filePath(QStringLiteral("quorvel.sql"))));
    EXPECT_TRUE(home.spaces().empty());
    EXPECT_TRUE(home.defaults()->objectForKey(QStringLiteral("com.zolfarin.quorvel.AppID")).isNull());
}

TEST(ProgramStart, ASecondStartHandsItsFileToTheRunningProgram)
{
    ProgramHome home;
    QProcess first;
    home.start(first);
    ASSERT_TRUE(home.waitUntilListening(first)) << first.readAll().toStdString();

    QTemporaryDir files;
    const QString notes = files.filePath(QStringLiteral("notes.md"));
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Notes\n\nhanded over\n");
    file.close();

    QProcess second;
    home.start(second, {notes});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(ProgramHome::terminate(first), 0);
    // Opening is no change: the file is as it was.
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("# Notes\n\nhanded over\n"));
}

} // namespace
