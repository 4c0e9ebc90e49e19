#include "kit/model/ZSUtils.h"

#include <QDir>
#include <QFile>
#include "platform/foundation/Regex.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Points TMPDIR somewhere else for the life of the object.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const QString& path) : m_saved(qgetenv("TMPDIR")), m_had(qEnvironmentVariableIsSet("TMPDIR"))
    {
        qputenv("TMPDIR", path.toUtf8());
    }
    ~TemporaryFolderOverride()
    {
        if (m_had)
            qputenv("TMPDIR", m_saved);
        else
            qunsetenv("TMPDIR");
    }

private:
    QByteArray m_saved;
    bool m_had;
};

TEST(ZSUtilsPaths, PlacesLieInTheDataFolder)
{
    const QString data = qEnvironmentVariable("QUORVEL_DATA_DIR");
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(ZSUtils::appDirectory(), QUrl::fromLocalFile(data));
    EXPECT_TRUE(QDir(data).exists());

    EXPECT_EQ(ZSUtils::spaceUrl("Space 1").toLocalFile(), data + "/Space 1");
    EXPECT_EQ(ZSUtils::pageSandboxUrl("p.zqpage", "s").toLocalFile(), data + "/s/p.zqpage");
    EXPECT_FALSE(QDir(data + "/Space 1").exists()); // nothing is created

    EXPECT_EQ(ZSUtils::databaseUrl("db.sqlite", QString()).toLocalFile(), data + "/db.sqlite");
    EXPECT_EQ(ZSUtils::databaseUrl("db.sqlite", "withdb").toLocalFile(), data + "/withdb/db.sqlite");
    EXPECT_TRUE(QDir(data + "/withdb").exists());
    EXPECT_EQ(ZSUtils::ensureSandboxPath(QString()), ZSUtils::appDirectory());
}

TEST(ZSUtilsPaths, FolderCreationFailureGivesNoUrlAndAnError)
{
    QTemporaryDir root;
    QFile blocker(root.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    std::optional<ZQErrorValue> error;
    EXPECT_TRUE(ZSUtils::ensurePath(QUrl::fromLocalFile(root.filePath("file/sub")), &error).isEmpty());
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->domain(), ZQErrorValue::cocoaErrorDomain());
    EXPECT_EQ(error->code(), 512);

    error.reset();
    const QUrl nested = QUrl::fromLocalFile(root.filePath("a/b"));
    EXPECT_EQ(ZSUtils::ensurePath(nested, &error), nested);
    EXPECT_FALSE(error.has_value());
    EXPECT_TRUE(QDir(root.filePath("a/b")).exists());
}

TEST(ZSUtilsPaths, TempDirWorksInFoldersWithSpacesAndPercent)
{
    QTemporaryDir root;
    const QString odd = root.filePath("with space%20and%");
    ASSERT_TRUE(QDir().mkpath(odd));
    const TemporaryFolderOverride temp(odd);

    const QUrl first = ZSUtils::tempDir();
    const QUrl second = ZSUtils::tempDir();
    EXPECT_NE(first, second);
    EXPECT_TRUE(first.isLocalFile());
    EXPECT_EQ(QFileInfo(first.toLocalFile()).absolutePath(), odd);
    EXPECT_TRUE(QDir(first.toLocalFile()).exists());
}

TEST(ZSUtilsPaths, ListingSkipsHiddenEntries)
{
    QTemporaryDir root;
    for (const char* name : {"a.md", ".hidden", "sub"})
        QDir(root.path()).mkdir(name);
    QList<QUrl> listed = ZSUtils::listFilesUnderDirectory(QUrl::fromLocalFile(root.path()));
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, QList<QUrl>({QUrl::fromLocalFile(root.filePath("a.md")), QUrl::fromLocalFile(root.filePath("sub"))}));
    EXPECT_TRUE(ZSUtils::listFilesUnderDirectory(QUrl::fromLocalFile(root.filePath("missing"))).isEmpty());
}

TEST(ZSUtilsPaths, SameFileUrlsAndUuids)
{
    const std::tuple<QString, QString, bool> cases[] = {
        {"file:///a/b/", "file:///a/b", true},
        {"file:///a/b", "file:///a/b", true},
        {"file:///a/b//", "file:///a/b", false}, // only one slash is dropped
        {"file:///a/b", "file:///a/c", false},
    };
    for (const auto& [a, b, same] : cases)
        EXPECT_EQ(ZSUtils::isSameFileURL(QUrl(a), QUrl(b)), same) << a.toStdString() << " " << b.toStdString();

    const QString id = ZSUtils::uuid();
    static const auto format = plat::Regex::create("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    EXPECT_EQ(format->numberOfMatches(id, plat::wholeRange(id)), 1) << id.toStdString();
    EXPECT_NE(id, ZSUtils::uuid());
}

} // namespace
