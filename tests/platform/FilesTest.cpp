#include "platform/foundation/Files.h"
#include "platform/foundation/Md5.h"
#include "platform/foundation/Uuid.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

TEST(Files, AtomicWriteReplacesOrFailsCleanly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("theme.json"));
    QString error;
    ASSERT_TRUE(plat::writeFileAtomically(path, "first", &error)) << error.toStdString();
    ASSERT_TRUE(plat::writeFileAtomically(path, "second", &error));
    EXPECT_EQ(contents(path), QByteArray("second"));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("theme.json")}); // no leftovers

    const QString missing = dir.filePath(QStringLiteral("no/such/folder/file"));
    EXPECT_FALSE(plat::writeFileAtomically(missing, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}

TEST(Files, FoldersFollowEnvironmentOverrides)
{
    {
        ScopedEnv data("QUORVEL_DATA_DIR", "/tmp/quorvel-data/");
        ScopedEnv config("QUORVEL_CONFIG_DIR", "/tmp/quorvel-config");
        EXPECT_EQ(plat::applicationDataDirectory(), QStringLiteral("/tmp/quorvel-data"));
        EXPECT_EQ(plat::configDirectory(), QStringLiteral("/tmp/quorvel-config"));
    }
    ScopedEnv data("QUORVEL_DATA_DIR", "");
    ScopedEnv config("QUORVEL_CONFIG_DIR", "");
    EXPECT_TRUE(plat::applicationDataDirectory().endsWith(QStringLiteral("/Quorvel")));
    EXPECT_TRUE(plat::configDirectory().endsWith(QStringLiteral("/Quorvel")));
    EXPECT_NE(plat::applicationDataDirectory(), plat::configDirectory());
    EXPECT_TRUE(QDir(plat::temporaryDirectory()).exists());
}

TEST(Identifiers, UuidShapeAndMd5Digests)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    QSet<QString> seen;
    for (int i = 0; i < 100; ++i) {
        const QString uuid = plat::newUuidString();
        EXPECT_TRUE(shape.match(uuid).hasMatch()) << uuid.toStdString();
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100);

    EXPECT_EQ(plat::md5Hex(QByteArray()), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
    EXPECT_EQ(plat::md5Hex("abc"), QStringLiteral("900150983cd24fb0d6963f7d28e17f72"));
}
