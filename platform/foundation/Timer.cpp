#include "platform/foundation/Timer.h"

#include <algorithm>
#include <cmath>

namespace plat {

namespace {
// A repeating timer of no length would spin; the platform uses a tenth of a millisecond.
constexpr double MinimumInterval = 0.0001;
} // namespace

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, bool repeats, Action action, DispatchQueuePtr queue)
{
    auto timer = std::make_shared<Timer>(Passkey{}, interval, repeats, std::move(action), std::move(queue));
    timer->restart();
    return timer;
}

Timer::Timer(Passkey, double interval, bool repeats, Action action, DispatchQueuePtr queue)
    : m_interval(std::max(interval, repeats ? MinimumInterval : 0.0)),
      m_repeats(repeats),
      m_action(std::move(action)),
      m_queue(queue ? std::move(queue) : DispatchQueue::main())
{
}

bool Timer::isValid() const
{
    std::lock_guard lock(m_mutex);
    return m_valid;
}

void Timer::invalidate()
{
    std::lock_guard lock(m_mutex);
    m_valid = false;
    ++m_generation;
    if (m_clock)
        m_clock->cancel(m_clockId);
    m_clock = nullptr;
}

void Timer::restart()
{
    std::lock_guard lock(m_mutex);
    if (m_clock)
        m_clock->cancel(m_clockId);
    m_clock = Clock::current();
    m_valid = true;
    ++m_generation;
    scheduleLocked(m_clock->now() + m_interval);
}

void Timer::scheduleLocked(double deadline)
{
    auto self = std::static_pointer_cast<Timer>(shared_from_this());
    const quint64 generation = m_generation;
    m_clockId = m_clock->schedule(deadline, m_queue, [self, generation, deadline] { self->fire(generation, deadline); });
}

void Timer::fire(quint64 generation, double deadline)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_valid || generation != m_generation)
            return;
        if (m_repeats) {
            const double now = m_clock->now();
            double next = deadline + m_interval;
            if (next <= now)
                next += std::ceil((now - next) / m_interval + 1e-9) * m_interval;
            scheduleLocked(next);
        } else {
            m_valid = false;
            m_clock = nullptr;
        }
    }
    m_action(*this);
}

} // namespace plat
