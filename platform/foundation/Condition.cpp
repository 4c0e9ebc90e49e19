#include "platform/foundation/Condition.h"

#include "platform/foundation/Dispatch.h"

namespace plat {

void Condition::wait()
{
    std::unique_lock lock(m_mutex, std::adopt_lock);
    ++m_waiting;
    blockingWait(lock, m_cv, [this] { return m_wakeups > 0; });
    --m_wakeups;
    --m_waiting;
    lock.release();
}

bool Condition::waitFor(double seconds)
{
    return waitUntil(Clock::current()->now() + seconds);
}

bool Condition::waitUntil(double deadline)
{
    std::unique_lock lock(m_mutex, std::adopt_lock);
    ++m_waiting;
    const bool woken = blockingWaitUntil(lock, m_cv, deadline, [this] { return m_wakeups > 0; });
    if (woken)
        --m_wakeups;
    --m_waiting;
    lock.release();
    return woken;
}

void Condition::signal()
{
    if (m_wakeups < m_waiting) {
        ++m_wakeups;
        wakeWaiters(m_cv);
    }
}

void Condition::broadcast()
{
    if (m_wakeups < m_waiting) {
        m_wakeups = m_waiting;
        wakeWaiters(m_cv);
    }
}

} // namespace plat
