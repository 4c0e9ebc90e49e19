#include "platform/foundation/Clock.h"

#include "platform/foundation/Dispatch.h"

#include <QDebug>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace plat {

// Named, not anonymous: the manual clock's state (a class with linkage) holds a timer table.
namespace clocks {

// Scheduled tasks ordered by deadline, then by scheduling order.
class TimerTable {
public:
    struct Entry {
        DispatchQueuePtr target;
        Task task;
    };
    using Key = std::pair<double, ClockTimerId>;

    ClockTimerId add(double deadline, DispatchQueuePtr target, Task task)
    {
        const ClockTimerId id = ++m_lastId;
        m_entries.emplace(Key(deadline, id), Entry{std::move(target), std::move(task)});
        m_deadlines.emplace(id, deadline);
        return id;
    }

    void remove(ClockTimerId id)
    {
        auto it = m_deadlines.find(id);
        if (it == m_deadlines.end())
            return;
        m_entries.erase(Key(it->second, id));
        m_deadlines.erase(it);
    }

    bool empty() const { return m_entries.empty(); }
    std::size_t size() const { return m_entries.size(); }
    double firstDeadline() const { return m_entries.begin()->first.first; }

    Entry takeFirst()
    {
        auto it = m_entries.begin();
        Entry e = std::move(it->second);
        m_deadlines.erase(it->first.second);
        m_entries.erase(it);
        return e;
    }

private:
    std::map<Key, Entry> m_entries;
    std::unordered_map<ClockTimerId, double> m_deadlines;
    ClockTimerId m_lastId = 0;
};

void runGuarded(const Task& task)
{
    try {
        task();
    } catch (const std::exception& e) {
        qWarning("Timer task failed: %s", e.what());
    }
}

class RealClock final : public Clock {
public:
    ~RealClock() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    double now() const override
    {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }

    ClockTimerId schedule(double deadline, DispatchQueuePtr target, Task task) override
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        const ClockTimerId id = m_table.add(deadline, std::move(target), std::move(task));
        m_wake.notify_all();
        return id;
    }

    void cancel(ClockTimerId id) override
    {
        std::lock_guard lock(m_mutex);
        m_table.remove(id);
    }

private:
    void run()
    {
        using namespace std::chrono;
        std::unique_lock lock(m_mutex);
        while (!m_stopping) {
            if (m_table.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const double deadline = m_table.firstDeadline();
            if (now() < deadline) {
                const auto wait = duration_cast<steady_clock::duration>(duration<double>(deadline));
                m_wake.wait_until(lock, steady_clock::time_point(wait));
                continue;
            }
            TimerTable::Entry e = m_table.takeFirst();
            lock.unlock();
            if (e.target)
                e.target->async(std::move(e.task));
            else
                runGuarded(e.task);
            lock.lock();
        }
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    TimerTable m_table;
    bool m_stopping = false;
    std::thread m_thread;
};

std::mutex& currentMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<Clock>& installedClock()
{
    static std::shared_ptr<Clock> clock;
    return clock;
}

} // namespace clocks

using namespace clocks;

std::shared_ptr<Clock> realClock()
{
    static const std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
    return clock;
}

std::shared_ptr<Clock> Clock::current()
{
    {
        std::lock_guard lock(currentMutex());
        if (installedClock())
            return installedClock();
    }
    return realClock();
}

void Clock::setCurrent(std::shared_ptr<Clock> clock)
{
    std::lock_guard lock(currentMutex());
    installedClock() = std::move(clock);
}

// ManualClock

struct ManualClock::State {
    mutable std::mutex mutex;
    mutable std::condition_variable scheduled;
    double now = 0.0;
    TimerTable table;
};

ManualClock::ManualClock(double start) : d(std::make_unique<State>())
{
    d->now = start;
}

ManualClock::~ManualClock() = default;

double ManualClock::now() const
{
    std::lock_guard lock(d->mutex);
    return d->now;
}

ClockTimerId ManualClock::schedule(double deadline, DispatchQueuePtr target, Task task)
{
    ClockTimerId id;
    {
        std::lock_guard lock(d->mutex);
        id = d->table.add(deadline, std::move(target), std::move(task));
    }
    d->scheduled.notify_all();
    return id;
}

void ManualClock::cancel(ClockTimerId id)
{
    std::lock_guard lock(d->mutex);
    d->table.remove(id);
}

void ManualClock::advance(double seconds)
{
    std::unique_lock lock(d->mutex);
    const double end = d->now + std::max(0.0, seconds);
    while (!d->table.empty() && d->table.firstDeadline() <= end) {
        d->now = std::max(d->now, d->table.firstDeadline());
        TimerTable::Entry e = d->table.takeFirst();
        lock.unlock();
        if (e.target)
            e.target->sync(std::move(e.task));
        else
            runGuarded(e.task);
        lock.lock();
    }
    d->now = end;
}

std::size_t ManualClock::pendingCount() const
{
    std::lock_guard lock(d->mutex);
    return d->table.size();
}

bool ManualClock::waitForPending(std::size_t count, std::chrono::milliseconds realTimeout) const
{
    std::unique_lock lock(d->mutex);
    return d->scheduled.wait_for(lock, realTimeout, [&] { return d->table.size() >= count; });
}

ManualClockScope::ManualClockScope(double start)
    : m_clock(std::make_shared<ManualClock>(start)), m_previous(Clock::current())
{
    Clock::setCurrent(m_clock);
}

ManualClockScope::~ManualClockScope()
{
    Clock::setCurrent(m_previous == realClock() ? nullptr : m_previous);
}

} // namespace plat
