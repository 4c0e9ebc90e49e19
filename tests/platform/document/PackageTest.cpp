// Package folders in memory and their saving in one step.

#include "platform/document/AtomicPackage.h"
#include "platform/document/DirectoryWrapper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray packageMember(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

plat::DirectoryWrapperPtr packageOf(const QByteArray& tag)
{
    auto package = plat::DirectoryWrapper::create();
    package->addRegularFile(QStringLiteral("main.md"), "text " + tag);
    package->addRegularFile(QStringLiteral("main.json"), "{\"v\":\"" + tag + "\"}");
    return package;
}

// Every entry of the folder, hidden ones too.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct FaultScope {
    explicit FaultScope(plat::PackageWriteFaultHook hook) { plat::setPackageWriteFaultHook(std::move(hook)); }
    ~FaultScope() { plat::setPackageWriteFaultHook(nullptr); }
};

struct ExchangeOff {
    explicit ExchangeOff(bool off) { plat::setPackageExchangeDisabled(off); }
    ~ExchangeOff() { plat::setPackageExchangeDisabled(false); }
};

} // namespace

TEST(DirectoryWrapper, RefusesNamesThatLeaveTheFolder)
{
    const QString hostile[] = {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
                               QStringLiteral("a/b"), QStringLiteral("/etc/passwd"), QStringLiteral("a\\b"),
                               QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QString(256, QLatin1Char('n'))};
    for (const QString& name : hostile) {
        auto package = plat::DirectoryWrapper::create();
        EXPECT_FALSE(package->addRegularFile(name, "x")) << name.toStdString();
        EXPECT_TRUE(package->memberNames().isEmpty());
        EXPECT_EQ(package->member(name), nullptr);
    }
    auto package = plat::DirectoryWrapper::create();
    EXPECT_TRUE(package->addRegularFile(QStringLiteral("img_1..png"), "a"));
    EXPECT_TRUE(package->addRegularFile(QStringLiteral("main.md"), "b"));
    EXPECT_TRUE(package->addRegularFile(QStringLiteral("img_1..png"), "c"));
    EXPECT_EQ(package->memberNames(), (QStringList{QStringLiteral("img_1..png"), QStringLiteral("main.md")}));
    EXPECT_EQ(package->member(QStringLiteral("img_1..png"))->regularFileContents(), QByteArray("c"));
}

TEST(DirectoryWrapper, ReadsTheRegularFilesOfAFolder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("1")));
    QDir(path).mkdir(QStringLiteral("sub"));
    const auto read = plat::DirectoryWrapper::readFromPath(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->memberNames(), (QStringList{QStringLiteral("main.json"), QStringLiteral("main.md")}));
    EXPECT_EQ(read->member(QStringLiteral("main.md"))->regularFileContents(), QByteArray("text 1"));
    QString error;
    EXPECT_EQ(plat::DirectoryWrapper::readFromPath(dir.filePath(QStringLiteral("none")), &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST(AtomicPackage, ReplacesThePackageWholeWithOrWithoutTheSwap)
{
    for (const bool exchangeOff : {false, true}) {
        const ExchangeOff scope(exchangeOff);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
        ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("1")));
        auto second = packageOf("2");
        second->addRegularFile(QStringLiteral("img_x.png"), "png");
        ASSERT_TRUE(plat::writePackageAtomically(path, *second));
        EXPECT_EQ(packageMember(path + QStringLiteral("/main.md")), QByteArray("text 2"));
        EXPECT_EQ(packageMember(path + QStringLiteral("/img_x.png")), QByteArray("png"));
        // A member the new package lacks is gone; nothing is left beside it.
        ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("3")));
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("/img_x.png")));
        EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("p.mkqrv")});
    }
}

TEST(AtomicPackage, AFailureAtAnyStepLeavesTheOldPackage)
{
    const char* steps[] = {"member:main.md", "member:main.json", "flush", "swap"};
    for (const bool exchangeOff : {false, true}) {
        for (const char* step : steps) {
            const ExchangeOff scope(exchangeOff);
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
            ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("old")));
            QString error;
            {
                const FaultScope fault([&](const QString& at) { return at == QLatin1String(step); });
                EXPECT_FALSE(plat::writePackageAtomically(path, *packageOf("new"), &error)) << step;
            }
            EXPECT_FALSE(error.isEmpty());
            EXPECT_EQ(packageMember(path + QStringLiteral("/main.md")), QByteArray("text old")) << step;
            EXPECT_EQ(packageMember(path + QStringLiteral("/main.json")), QByteArray("{\"v\":\"old\"}"));
            EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("p.mkqrv")}) << step;
        }
    }
}

TEST(AtomicPackage, AnInterruptedRenameSequenceIsUndoneOnTheNextRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.mkqrv"));
    ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("old")));
    // As a crash between the two renames leaves it.
    ASSERT_TRUE(QDir().rename(path, dir.filePath(QStringLiteral(".p.mkqrv.old-0000000000000001"))));
    EXPECT_TRUE(plat::recoverInterruptedPackageSave(path));
    EXPECT_EQ(packageMember(path + QStringLiteral("/main.md")), QByteArray("text old"));
    EXPECT_FALSE(plat::recoverInterruptedPackageSave(path));
    // A cleanup that never happened is finished by the next save.
    {
        const FaultScope fault([](const QString& at) { return at == QLatin1String("cleanup"); });
        ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("new")));
    }
    EXPECT_EQ(entries(dir.path()).size(), 2);
    ASSERT_TRUE(plat::writePackageAtomically(path, *packageOf("newer")));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("p.mkqrv")});
    EXPECT_EQ(packageMember(path + QStringLiteral("/main.md")), QByteArray("text newer"));
}
