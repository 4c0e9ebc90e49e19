#include "platform/foundation/Condition.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Timer.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace plat;

TEST(ManualClock, FiresDueTasksInDeadlineOrder)
{
    ManualClock clock(100.0);
    std::vector<QString> fired;
    auto at = [&](double deadline, const char* name) {
        return clock.schedule(deadline, nullptr, [&, name, deadline] {
            fired.push_back(QString::fromLatin1(name));
            EXPECT_EQ(clock.now(), deadline);
        });
    };
    at(103, "c");
    at(101, "a");
    at(103, "d"); // same deadline: scheduling order
    const ClockTimerId cancelled = at(102, "cancelled");
    clock.schedule(101.5, nullptr, [&] { at(102.5, "scheduled while firing"); });
    at(110, "later");
    clock.cancel(cancelled);

    clock.advance(3);
    EXPECT_EQ(fired, (std::vector<QString>{"a", "scheduled while firing", "c", "d"}));
    EXPECT_EQ(clock.now(), 103.0);
    EXPECT_EQ(clock.pendingCount(), 1u);
}

TEST(Dispatch, SerialQueueRunsOneBlockAtATimeInOrder)
{
    auto queue = SerialQueue::create(QStringLiteral("test.serial"));
    std::vector<int> order;
    std::atomic<int> inside{0};
    bool overlapped = false;
    for (int i = 0; i < 200; ++i) {
        queue->async([&, i] {
            overlapped |= ++inside > 1;
            order.push_back(i);
            --inside;
        });
    }
    bool onQueue = false;
    queue->sync([&] {
        // A sync call from the queue itself runs at once instead of deadlocking.
        queue->sync([&] { onQueue = queue->isCurrent(); });
    });
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 200u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_TRUE(onQueue);
    EXPECT_FALSE(queue->isCurrent());
    EXPECT_THROW(queue->sync([] { throw std::runtime_error("fails on the queue"); }), std::runtime_error);
}

TEST(Dispatch, MainQueueAsyncRunsFromTheEventLoopInOrder)
{
    std::vector<int> order;
    for (int i = 0; i < 5; ++i)
        dispatchMainAsync([&order, i] { order.push_back(i); });
    EXPECT_TRUE(order.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));

    bool direct = false;
    dispatchMainSync([&] { direct = true; });
    EXPECT_TRUE(direct);
}

TEST(Dispatch, BlockedMainThreadStillServesSyncCalls)
{
    auto queue = SerialQueue::create(QStringLiteral("test.hop"));
    QThread* ranOn = nullptr;
    // The main thread waits for the queue, whose block waits for the main thread.
    queue->sync([&] { dispatchMainSync([&] { ranOn = QThread::currentThread(); }); });
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());

    DispatchGroup group;
    int hops = 0;
    for (int i = 0; i < 3; ++i)
        group.async(DispatchQueue::global(), [&] { dispatchMainSync([&] { ++hops; }); });
    group.wait();
    EXPECT_EQ(hops, 3);
}

TEST(Dispatch, DelaysReadTheInstalledClock)
{
    ManualClockScope clock;
    auto queue = SerialQueue::create(QStringLiteral("test.after"));
    std::vector<QString> fired;
    queue->asyncAfter(2.0, [&] { fired.push_back("queue"); });
    DispatchQueue::main()->asyncAfter(1.0, [&] { fired.push_back("main"); });

    clock->advance(0.99);
    EXPECT_TRUE(fired.empty());
    clock->advance(0.01);
    EXPECT_EQ(fired, (std::vector<QString>{"main"}));
    clock->advance(1.0); // fires synchronously on the queue's thread
    EXPECT_EQ(fired, (std::vector<QString>{"main", "queue"}));
}

TEST(Dispatch, GroupWaitsNotifiesAndTimesOut)
{
    ManualClockScope clock;
    DispatchGroup group;
    std::atomic<int> done{0};
    for (int i = 0; i < 8; ++i)
        group.async(DispatchQueue::global(), [&] { ++done; });
    bool notified = false;
    group.notify(DispatchQueue::main(), [&] { notified = done.load() == 8; });
    group.wait();
    EXPECT_EQ(done.load(), 8);
    QCoreApplication::processEvents();
    EXPECT_TRUE(notified);

    group.enter();
    std::thread advancer([&] {
        ASSERT_TRUE(clock->waitForPending(1));
        clock->advance(5.0);
    });
    EXPECT_FALSE(group.waitFor(5.0));
    advancer.join();
    group.leave();
    EXPECT_TRUE(group.waitFor(5.0));
    EXPECT_EQ(clock->pendingCount(), 0u);
}

TEST(Condition, SignalReachesOnlyAThreadAlreadyWaiting)
{
    ManualClockScope clock;
    Condition condition;
    condition.lock();
    condition.signal(); // nobody waits: lost
    condition.unlock();

    std::atomic<int> results{-1};
    std::thread worker([&] {
        condition.lock();
        const bool first = condition.waitFor(10.0);
        const bool second = condition.waitFor(10.0);
        condition.unlock();
        results = (first ? 1 : 0) + (second ? 2 : 0);
    });
    ASSERT_TRUE(clock->waitForPending(1));
    clock->advance(10.0); // the first wait times out
    ASSERT_TRUE(clock->waitForPending(1));
    condition.lock();
    condition.signal(); // the second wait is woken
    condition.unlock();
    worker.join();
    EXPECT_EQ(results.load(), 2);
    EXPECT_EQ(clock->pendingCount(), 0u);
}

TEST(Timer, RepeatsRestartsAndInvalidates)
{
    ManualClockScope clock;
    int ticks = 0;
    auto repeating = Timer::scheduledTimer(2.0, true, [&](Timer&) { ++ticks; });
    clock->advance(10.0);
    EXPECT_EQ(ticks, 5);
    repeating->invalidate();
    clock->advance(10.0);
    EXPECT_EQ(ticks, 5);
    EXPECT_FALSE(repeating->isValid());

    // A debounce: every change restarts the wait, one firing after the last change.
    int saves = 0;
    auto debounce = Timer::scheduledTimer(2.0, false, [&](Timer&) { ++saves; });
    clock->advance(1.0);
    debounce->restart();
    clock->advance(1.5);
    EXPECT_EQ(saves, 0);
    clock->advance(0.5);
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(debounce->isValid());
    clock->advance(5.0);
    EXPECT_EQ(saves, 1);

    auto queue = SerialQueue::create(QStringLiteral("test.timer"));
    bool onQueue = false;
    Timer::scheduledTimer(0.5, false, [&](Timer&) { onQueue = queue->isCurrent(); }, queue);
    clock->advance(0.5);
    EXPECT_TRUE(onQueue);
}
