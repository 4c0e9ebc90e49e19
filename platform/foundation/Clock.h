#pragma once
// The one source of time for every delay, period and timeout. The process reads
// Clock::current(); tests install a ManualClock and move time forward by hand,
// so that a 40 s wait is one call and needs no sleeping.

#include <QtGlobal>
#include <chrono>
#include <functional>
#include <memory>

namespace plat {

class DispatchQueue;
using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;
using Task = std::function<void()>;
using ClockTimerId = quint64;

class Clock {
public:
    virtual ~Clock() = default;

    // Steady time in seconds; only differences mean anything.
    virtual double now() const = 0;

    // Runs task once the clock reaches deadline: on target when one is given,
    // else on whatever thread notices the deadline. Returns an id for cancel().
    virtual ClockTimerId schedule(double deadline, DispatchQueuePtr target, Task task) = 0;
    // Forgets a scheduled task; a task already handed to its target still runs.
    virtual void cancel(ClockTimerId id) = 0;

    // The process-wide clock; the real one unless a test installed another.
    static std::shared_ptr<Clock> current();
    // Installs a clock; nullptr puts the real clock back.
    static void setCurrent(std::shared_ptr<Clock> clock);
};

// Wall time through std::chrono::steady_clock. Due tasks are handed to their
// targets asynchronously by one timer thread.
std::shared_ptr<Clock> realClock();

// Time that moves only when told. Due tasks fire synchronously inside advance(),
// in deadline order (ties in scheduling order); a task with a target runs as a
// synchronous call on that target.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0.0);
    ~ManualClock() override;

    double now() const override;
    ClockTimerId schedule(double deadline, DispatchQueuePtr target, Task task) override;
    void cancel(ClockTimerId id) override;

    // Moves time forward, firing every task due on the way, including tasks
    // that fired tasks schedule within the span.
    void advance(double seconds);

    std::size_t pendingCount() const;
    // Blocks until at least count tasks are scheduled, so a test can be sure a
    // worker thread has started its timed wait before it advances. Gives up
    // after realTimeout of wall time and returns false.
    bool waitForPending(std::size_t count,
                        std::chrono::milliseconds realTimeout = std::chrono::seconds(10)) const;

private:
    struct State;
    std::unique_ptr<State> d;
};

// Installs a ManualClock for the lifetime of the scope, then restores the
// clock that was current before.
class ManualClockScope {
public:
    explicit ManualClockScope(double start = 0.0);
    ~ManualClockScope();
    ManualClockScope(const ManualClockScope&) = delete;
    ManualClockScope& operator=(const ManualClockScope&) = delete;

    ManualClock& clock() { return *m_clock; }
    ManualClock* operator->() { return m_clock.get(); }

private:
    std::shared_ptr<ManualClock> m_clock;
    std::shared_ptr<Clock> m_previous;
};

} // namespace plat
