#pragma once
// A timer on a queue (the main queue unless told otherwise), driven by
// Clock::current(). A scheduled timer keeps itself alive until it has fired
// for the last time or is invalidated, so it can be started and forgotten.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Object.h"

#include <mutex>

namespace plat {

class Timer final : public Object {
    struct Passkey {};

public:
    using Action = std::function<void(Timer&)>;

    // Fires after interval seconds; a repeating timer then every interval
    // seconds after that, skipping periods the queue was too busy to catch.
    static std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, Action action,
                                                 DispatchQueuePtr queue = DispatchQueue::main());
    Timer(Passkey, double interval, bool repeats, Action action, DispatchQueuePtr queue);

    QString className() const override { return QStringLiteral("Timer"); }

    double timeInterval() const { return m_interval; }
    bool repeats() const { return m_repeats; }
    bool isValid() const;

    // Stops the timer for good (until restart); a firing already handed to
    // the queue is dropped.
    void invalidate();
    // Waits a whole interval again from now, valid again if it was not.
    // A debounce restarts its timer on every change.
    void restart();

private:
    void scheduleLocked(double deadline);
    void fire(quint64 generation, double deadline);

    const double m_interval;
    const bool m_repeats;
    const Action m_action;
    const DispatchQueuePtr m_queue;

    mutable std::mutex m_mutex;
    bool m_valid = false;
    quint64 m_generation = 0;
    std::shared_ptr<Clock> m_clock;
    ClockTimerId m_clockId = 0;
};

} // namespace plat
