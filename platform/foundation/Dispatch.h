#pragma once
// Queues of work: the main queue (the application's thread), serial queues with
// a thread each, the global concurrent pool, and groups that wait for several
// pieces of work.
//
// Blocking never deadlocks the main thread against its own queue: whenever the
// main thread blocks in one of these primitives (a sync call to another queue,
// a group wait, a condition wait, an operation wait) it keeps running the work
// that other threads hand it with dispatchMainSync. That work then runs nested
// inside the blocked call; asynchronous main-queue work still waits for the
// event loop.

#include "platform/foundation/Clock.h"

#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace plat {

using Task = std::function<void()>;

// True on the thread of the application object.
bool isMainThread();

// Runs task, logging an exception that escapes it instead of ending the process:
// work on a queue has no caller to report to.
void runTask(const Task& task);

enum class QueuePriority { High, Default, Low, Background };

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    virtual ~DispatchQueue() = default;

    virtual void async(Task task) = 0;
    // Runs task on the queue and returns when it has run; an exception it
    // throws reaches the caller. Called on the queue itself, it runs task directly.
    virtual void sync(Task task) = 0;
    virtual bool isCurrent() const = 0;
    virtual QString label() const = 0;

    // Runs task on the queue once delay seconds of Clock::current() have passed.
    void asyncAfter(double delay, Task task);

    // The application's thread. Work runs from its event loop, in order. Without
    // an application object, sync work runs on the calling thread.
    static DispatchQueuePtr main();
    // A concurrent pool (QThreadPool); sync work runs on the calling thread.
    static DispatchQueuePtr global(QueuePriority priority = QueuePriority::Default);

protected:
    DispatchQueue() = default;
};

// One block at a time, in the order queued, on a thread of its own. The last
// reference lets queued work finish before the thread ends.
class SerialQueue final : public DispatchQueue {
    struct Passkey {};

public:
    static std::shared_ptr<SerialQueue> create(const QString& label);
    SerialQueue(Passkey, const QString& label);
    ~SerialQueue() override;

    void async(Task task) override;
    void sync(Task task) override;
    bool isCurrent() const override;
    QString label() const override;

private:
    struct State;
    std::shared_ptr<State> d;
};

inline void dispatchMainAsync(Task task) { DispatchQueue::main()->async(std::move(task)); }
// Runs task directly when already on the main thread.
inline void dispatchMainSync(Task task) { DispatchQueue::main()->sync(std::move(task)); }

// Counts outstanding work; waiters and notify blocks run when it drops to zero.
// Copies share one group.
class DispatchGroup {
public:
    DispatchGroup();

    void enter();
    // A leave without an enter is logged and ignored.
    void leave();
    // Runs task on queue inside the group.
    void async(const DispatchQueuePtr& queue, Task task);
    // Queues task on queue once the group is empty (at once when it is now).
    void notify(const DispatchQueuePtr& queue, Task task);

    void wait();
    // Waits at most seconds of Clock::current(); true when the group emptied.
    bool waitFor(double seconds);

private:
    struct State;
    std::shared_ptr<State> d;
};

// Building blocks of every blocking wait here, for primitives built elsewhere.
// lock is held on entry and on return. Whoever changes what pred reads must do
// so under the same mutex and then call wakeWaiters(cv) (not cv.notify_all()),
// which also wakes a waiting main thread.
void blockingWait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                  const std::function<bool()>& pred);
// Waits until pred holds or Clock::current() reaches deadline; returns pred().
bool blockingWaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, double deadline,
                       const std::function<bool()>& pred);
void wakeWaiters(std::condition_variable& cv);

} // namespace plat
