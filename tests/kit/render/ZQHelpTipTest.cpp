#include "kit/model/ZQHelpTip.h"

#include "platform/foundation/Clock.h"

#include <gtest/gtest.h>

namespace {

struct Shown {
    qint64 tid;
    QString title;
    QString msg;
};

// The shared tip outlives each test; a clock far past any earlier test's
// publications starts every test with the spacing already elapsed.
class HelpTipTest : public ::testing::Test {
protected:
    HelpTipTest() : clock(1e9 + 1e6 * ++generation)
    {
        token = tip->addObserver(QStringLiteral("tid"), [this](const QString&) {
            shown.push_back({tip->tid(), tip->title(), tip->msg()});
        });
    }
    ~HelpTipTest() override { tip->removeObserver(token); }

    static inline int generation = 0;
    plat::ManualClockScope clock;
    std::shared_ptr<ZQHelpTip> tip = ZQHelpTip::sharedTip();
    plat::ObserverToken token;
    std::vector<Shown> shown;
};

TEST_F(HelpTipTest, TipsAreSpacedSixSecondsApartAndTheTableIsPublished)
{
    tip->fire(2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tid, 2);
    EXPECT_EQ(shown[0].title, "ENTER");
    EXPECT_EQ(shown[0].msg, "One more Enter in an empty line to cancel the indentation.");

    clock->advance(2);
    tip->fire(4);
    EXPECT_EQ(tip->tid(), 2);
    clock->advance(3.9);
    EXPECT_EQ(tip->tid(), 2);
    clock->advance(0.1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].tid, 4);
    EXPECT_EQ(shown[1].title, "ESC");
    EXPECT_EQ(shown[1].msg, "To resume normal typing font");
    EXPECT_DOUBLE_EQ(tip->lastFireTime(), clock->now());

    clock->advance(7);
    tip->fire(5);
    EXPECT_EQ(tip->title(), QString(QChar(0x2318)) + "-Z");
}

TEST_F(HelpTipTest, TheTipOnShowIsNotFiredAgain)
{
    tip->fire(8);
    clock->advance(1);
    tip->fire(8);
    clock->advance(20);
    tip->fire(8);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(HelpTipTest, AnUnknownNumberShowsNothingButHoldsTheNextTipBack)
{
    tip->fire(42);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].tid, 42);
    EXPECT_TRUE(shown[0].title.isEmpty());
    EXPECT_TRUE(shown[0].msg.isEmpty());

    tip->fire(7);
    EXPECT_EQ(shown.size(), 1u);
    clock->advance(6);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].title, "ENTER or COMMA");
}

TEST_F(HelpTipTest, RequestsMadeWhileWaitingArePublishedOneAfterAnother)
{
    tip->fire(1);
    tip->fire(3);
    tip->fire(9);
    clock->advance(6);
    clock->advance(6);
    std::vector<qint64> order;
    for (const Shown& s : shown)
        order.push_back(s.tid);
    // Both waited six seconds; the first to run published and held the other back again.
    EXPECT_EQ(order, (std::vector<qint64>{1, 3, 9}));
}

} // namespace
