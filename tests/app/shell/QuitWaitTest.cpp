// The two quit-now windows: a quit held back while the cloud outbox still
// uploads, and a library of a newer program that shows nothing else.

#include "ShellFixtures.h"

#include "app/library/ZQCloudEngine.h"
#include "app/shell/ZQAppDelegate.h"
#include "app/shell/ZQModalWindows.h"

#include "support/EventLoop.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace quitwait {

class OutboxEngine final : public ZQCloudEngine {
public:
    void doPageAction(qint64, const QString&, const QString&, const QString&, bool) override {}
    void doPageAction(qint64, const QString&, const QString&, const QString&, const QString&, bool) override {}
    void doSpaceAction(qint64, const QString&, const QString&, const QString&, bool) override {}
    bool hasPendingActions() override { return pending; }
    void pushActionsNow() override { ++pushes; }
    bool pending = true;
    int pushes = 0;
};

class QuitWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZQCloudEngine::setSharedCloudKit(engine);
        settings = ZSSettings::sharedSettings();
        settings->setNetworkStatus(1);
        delegate.setQuitAction([this] { ++quits; });
        other.show();
    }
    void TearDown() override
    {
        ZQCloudEngine::setSharedCloudKit(nullptr);
        settings->setNetworkStatus(0);
    }

    shell::ShellEnvironment env;
    std::shared_ptr<OutboxEngine> engine = std::make_shared<OutboxEngine>();
    ZSSettingsPtr settings;
    ZQAppDelegate delegate;
    QWidget other;
    int quits = 0;
};

TEST_F(QuitWaitTest, PendingUploadsHoldTheQuitUntilTheOutboxDrains)
{
    EXPECT_FALSE(delegate.applicationShouldTerminate());
    EXPECT_EQ(quits, 0);
    EXPECT_EQ(engine->pushes, 1);
    EXPECT_TRUE(delegate.isTerminating());
    EXPECT_FALSE(other.isVisible()) << "every window closes before the waiting window shows";
    ASSERT_TRUE(delegate.terminateWindow());
    EXPECT_TRUE(delegate.terminateWindow()->isVisible());

    // A batch uploaded with more to go changes nothing; the last one quits.
    delegate.iCloudLocalActionSyncDone();
    QApplication::processEvents();
    EXPECT_EQ(quits, 0);
    engine->pending = false;
    delegate.iCloudLocalActionSyncDone();
    ASSERT_TRUE(testsupport::runEventsUntil([this] { return quits > 0; }, 5));
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(delegate.terminateWindow()->isVisible());
}

TEST_F(QuitWaitTest, TheWaitingWindowsButtonAndASecondRequestQuitAtOnce)
{
    EXPECT_FALSE(delegate.applicationShouldTerminate());
    QTest::mouseClick(delegate.terminateWindow()->quitButton(), Qt::LeftButton);
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(delegate.applicationShouldTerminate());
    EXPECT_EQ(quits, 2);
    EXPECT_EQ(engine->pushes, 1);
}

TEST_F(QuitWaitTest, NothingToWaitForQuitsAtOnce)
{
    struct Case {
        const char* name;
        qint64 network;
        bool pending;
        bool mayRefuse;
    };
    const Case cases[] = {
        {"network unreachable", 0, true, true},
        {"outbox empty (sync off)", 1, false, true},
        {"SIGTERM or session end", 1, true, false},
    };
    for (const Case& c : cases) {
        ZQAppDelegate fresh;
        int quitsHere = 0;
        fresh.setQuitAction([&quitsHere] { ++quitsHere; });
        settings->setNetworkStatus(c.network);
        engine->pending = c.pending;
        EXPECT_TRUE(fresh.applicationShouldTerminate(c.mayRefuse)) << c.name;
        EXPECT_EQ(quitsHere, 1) << c.name;
        EXPECT_FALSE(fresh.terminateWindow()) << c.name;
    }
    EXPECT_TRUE(other.isVisible());
    EXPECT_EQ(engine->pushes, 0);
}

TEST(IncompatibleLibrary, OnlyItsWindowShowsAndQuitNowQuits)
{
    shell::ShellEnvironment env;
    const auto defaults = plat::UserDefaults::standardUserDefaults();
    const qint64 old = defaults->integerForKey(ZQAppDelegate::libraryVersionKey());
    defaults->setInteger(ZQAppDelegate::Version + 1, ZQAppDelegate::libraryVersionKey());
    ZQAppDelegate delegate;
    int quits = 0;
    delegate.setQuitAction([&quits] { ++quits; });
    EXPECT_EQ(delegate.applicationWillFinishLaunching(true), ZQAppDelegate::Launch::Incompatible);
    defaults->setInteger(old, ZQAppDelegate::libraryVersionKey());
    ASSERT_TRUE(delegate.incompatibleWindow());
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            shown << window->metaObject()->className();
    }
    EXPECT_EQ(shown, QStringList{QStringLiteral("ZQIncompatibleLibraryWindowController")});
    EXPECT_FALSE(delegate.managedObjectContext()) << "no store is opened";
    QTest::mouseClick(delegate.incompatibleWindow()->quitButton(), Qt::LeftButton);
    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(delegate.incompatibleWindow()->isVisible());
}

} // namespace quitwait
