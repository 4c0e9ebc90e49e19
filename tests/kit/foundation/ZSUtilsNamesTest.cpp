#include "kit/model/ZSSettings.h"
#include "kit/model/ZSUtils.h"

#include "support/ScopedDefaults.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class ZSUtilsNamesTest : public testing::Test {
protected:
    void SetUp() override
    {
        settings = ZSSettings::create();
        ZSSettings::hookPlatformSettings(settings);
    }
    void TearDown() override { ZSSettings::hookPlatformSettings(nullptr); }

    ScopedDefaults defaults;
    ZSSettingsPtr settings;
};

TEST(ZSUtilsNames, CounterSuccessors)
{
    const std::pair<QString, QString> cases[] = {
        {"0", "1"}, {"9", "a"}, {"x", "z"}, {"z", "00"}, {"0z", "10"}, {"az", "b0"},
        {"zz", "000"}, {"", "0"}, {"A", "1"}, {QString(), "0"}, {"ay", "b0"},
    };
    for (const auto& [salt, next] : cases)
        EXPECT_EQ(ZSUtils::nextSalt(salt), next) << salt.toStdString();
}

TEST_F(ZSUtilsNamesTest, PageNamesCountOnAndSkipExistingPackages)
{
    defaults->setInteger(41, "com.zolfarin.quorvel.lastCreatedPageIndex");
    EXPECT_EQ(ZSUtils::findAvailblePageUuid(QString()), QStringLiteral("p-42.mkqrv"));
    EXPECT_EQ(defaults->integerForKey("com.zolfarin.quorvel.lastCreatedPageIndex"), 42);

    settings->setICloudDeviceID("d7");
    QDir().mkpath(ZSUtils::pageUrl("pd7-43.mkqrv", "space1").toLocalFile());
    QDir().mkpath(ZSUtils::pageUrl("p-44.mkqrv", "space1").toLocalFile());
    EXPECT_EQ(ZSUtils::findAvailblePageUuid("space1"), QStringLiteral("pd7-45.mkqrv"));

    EXPECT_EQ(ZSUtils::ensureICloudPageName("p-12.mkqrv"), QStringLiteral("pd7-12.mkqrv"));
    EXPECT_TRUE(ZSUtils::ensureICloudPageName("pd7-12.mkqrv").isNull());
    settings->setICloudDeviceID(QString());
    EXPECT_TRUE(ZSUtils::ensureICloudPageName("p-12.mkqrv").isNull());
}

TEST_F(ZSUtilsNamesTest, SpaceFoldersAndSortIndexes)
{
    settings->setAppID("APP");
    EXPECT_EQ(ZSUtils::findAvailbleSpaceFolder(3), QStringLiteral("APP3s"));
    QDir().mkpath(ZSUtils::spaceUrl("APP3s").toLocalFile());
    const QString other = ZSUtils::findAvailbleSpaceFolder(3);
    EXPECT_EQ(other.size(), 38);
    EXPECT_TRUE(other.endsWith("xs"));

    const qint64 first = ZSUtils::getUniqueSortIndex();
    EXPECT_EQ(ZSUtils::getUniqueSortIndex(), first + 1);
    EXPECT_EQ(defaults->integerForKey("com.zolfarin.quorvel.lastCreatedSpaceIndex"), first + 1);
}

} // namespace
