#pragma once
// A lock with a wake-up signal, used as lock, wait or signal, unlock. A signal
// reaches only threads already waiting: one sent while nobody waits is lost,
// which is why sleepers wait with a timeout.

#include <condition_variable>
#include <mutex>

namespace plat {

class Condition {
public:
    Condition() = default;
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }

    // With the lock held: releases it while asleep and holds it again on return.
    void wait();
    // Waits at most seconds of Clock::current(); true when a signal woke it.
    bool waitFor(double seconds);
    // Waits until Clock::current() reaches deadline; true when a signal woke it.
    bool waitUntil(double deadline);

    // With the lock held: wakes one waiting thread / every waiting thread.
    void signal();
    void broadcast();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_waiting = 0;
    int m_wakeups = 0;
};

} // namespace plat
