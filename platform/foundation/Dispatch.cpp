#include "platform/foundation/Dispatch.h"

#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <QThreadPool>
#include <atomic>
#include <deque>
#include <pthread.h>
#include <thread>
#include <vector>

namespace plat {

namespace {

// The queue whose work the current thread is running, for isCurrent().
thread_local const void* tl_currentQueue = nullptr;

class CurrentQueueScope {
public:
    explicit CurrentQueueScope(const void* queue) : m_previous(tl_currentQueue) { tl_currentQueue = queue; }
    ~CurrentQueueScope() { tl_currentQueue = m_previous; }

private:
    const void* m_previous;
};

// Hands task to submit wrapped so that the caller can wait for it and receive
// its exception.
void runAndWait(const std::function<void(Task)>& submit, Task task)
{
    struct Call {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
        std::exception_ptr error;
    };
    auto call = std::make_shared<Call>();
    submit([call, task = std::move(task)] {
        try {
            task();
        } catch (...) {
            call->error = std::current_exception();
        }
        {
            std::lock_guard lock(call->mutex);
            call->done = true;
        }
        wakeWaiters(call->cv);
    });
    std::unique_lock lock(call->mutex);
    blockingWait(lock, call->cv, [&] { return call->done; });
    if (call->error)
        std::rethrow_exception(call->error);
}

class MainQueue final : public DispatchQueue {
public:
    void async(Task task) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back({std::move(task), false});
        }
        post();
    }

    void sync(Task task) override
    {
        if (isMainThread() || !QCoreApplication::instance()) {
            task();
            return;
        }
        runAndWait(
            [this](Task wrapped) {
                {
                    std::lock_guard lock(m_mutex);
                    m_tasks.push_back({std::move(wrapped), true});
                    ++m_seq;
                }
                m_mainWake.notify_all();
                post();
            },
            std::move(task));
    }

    bool isCurrent() const override { return isMainThread(); }
    QString label() const override { return QStringLiteral("main"); }

    // The main thread's blocking wait: sleeps on the main queue's own signal so
    // that sync work from other threads can wake it and run.
    void pumpWhileWaiting(std::unique_lock<std::mutex>& lock, const std::function<bool()>& done)
    {
        ++m_waiting;
        while (!done()) {
            const quint64 seen = m_seq.load();
            lock.unlock();
            Task syncTask;
            {
                std::unique_lock queueLock(m_mutex);
                syncTask = takeSyncTask();
                if (!syncTask && m_seq.load() == seen)
                    m_mainWake.wait(queueLock);
            }
            if (syncTask)
                syncTask();
            syncTask = nullptr;
            lock.lock();
        }
        --m_waiting;
    }

    void wakeMainWaiter()
    {
        if (m_waiting.load() == 0)
            return;
        {
            std::lock_guard lock(m_mutex);
            ++m_seq;
        }
        m_mainWake.notify_all();
    }

private:
    struct Entry {
        Task task;
        bool sync;
    };

    void post()
    {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [this] { drain(); }, Qt::QueuedConnection);
    }

    // Runs what was queued when the drain began, so work that queues more
    // work lets the event loop breathe in between.
    void drain()
    {
        std::size_t count;
        {
            std::lock_guard lock(m_mutex);
            count = m_tasks.size();
        }
        for (; count > 0; --count) {
            Task task;
            {
                std::lock_guard lock(m_mutex);
                if (m_tasks.empty())
                    return;
                task = std::move(m_tasks.front().task);
                m_tasks.pop_front();
            }
            runTask(task);
        }
    }

    Task takeSyncTask()
    {
        for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it) {
            if (it->sync) {
                Task task = std::move(it->task);
                m_tasks.erase(it);
                return task;
            }
        }
        return {};
    }

    std::mutex m_mutex;
    std::condition_variable m_mainWake;
    std::deque<Entry> m_tasks;
    std::atomic<quint64> m_seq{0};
    std::atomic<int> m_waiting{0};
};

// Never destroyed: late static destructors may still wake waiters.
const std::shared_ptr<MainQueue>& mainQueuePtr()
{
    static auto* queue = new std::shared_ptr<MainQueue>(std::make_shared<MainQueue>());
    return *queue;
}

MainQueue& mainQueue()
{
    return *mainQueuePtr();
}

class GlobalQueue final : public DispatchQueue {
public:
    explicit GlobalQueue(int priority) : m_priority(priority) {}

    void async(Task task) override
    {
        QThreadPool::globalInstance()->start(
            [this, task = std::move(task)] {
                CurrentQueueScope scope(this);
                runTask(task);
            },
            m_priority);
    }

    void sync(Task task) override
    {
        CurrentQueueScope scope(this);
        task();
    }

    bool isCurrent() const override { return tl_currentQueue == this; }
    QString label() const override { return QStringLiteral("global"); }

private:
    int m_priority;
};

} // namespace

bool isMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void runTask(const Task& task)
{
    try {
        task();
    } catch (const std::exception& e) {
        qWarning("Queued work failed: %s", e.what());
    } catch (...) {
        qWarning("Queued work failed");
    }
}

void blockingWait(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                  const std::function<bool()>& pred)
{
    if (isMainThread())
        mainQueue().pumpWhileWaiting(lock, pred);
    else
        cv.wait(lock, pred);
}

bool blockingWaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, double deadline,
                       const std::function<bool()>& pred)
{
    if (pred())
        return true;
    const std::shared_ptr<Clock> clock = Clock::current();
    if (clock->now() >= deadline)
        return false;

    // The clock's task may run after this wait returned; it touches the
    // caller's mutex and signal only while the wait is still registered.
    struct Expiry {
        std::mutex guard;
        bool registered = true;
        std::atomic<bool> fired{false};
        std::mutex* mutex;
        std::condition_variable* cv;
    };
    auto expiry = std::make_shared<Expiry>();
    expiry->mutex = lock.mutex();
    expiry->cv = &cv;
    const ClockTimerId id = clock->schedule(deadline, nullptr, [expiry] {
        std::lock_guard guard(expiry->guard);
        if (!expiry->registered)
            return;
        expiry->fired = true;
        { std::lock_guard touch(*expiry->mutex); }
        wakeWaiters(*expiry->cv);
    });

    blockingWait(lock, cv, [&] { return pred() || expiry->fired.load(); });

    lock.unlock();
    {
        std::lock_guard guard(expiry->guard);
        expiry->registered = false;
    }
    lock.lock();
    clock->cancel(id);
    return pred();
}

void wakeWaiters(std::condition_variable& cv)
{
    cv.notify_all();
    mainQueue().wakeMainWaiter();
}

// DispatchQueue

void DispatchQueue::asyncAfter(double delay, Task task)
{
    const std::shared_ptr<Clock> clock = Clock::current();
    clock->schedule(clock->now() + delay, shared_from_this(), std::move(task));
}

DispatchQueuePtr DispatchQueue::main()
{
    return mainQueuePtr();
}

DispatchQueuePtr DispatchQueue::global(QueuePriority priority)
{
    static const DispatchQueuePtr queues[] = {
        std::make_shared<GlobalQueue>(2),
        std::make_shared<GlobalQueue>(0),
        std::make_shared<GlobalQueue>(-1),
        std::make_shared<GlobalQueue>(-2),
    };
    return queues[int(priority)];
}

// SerialQueue

struct SerialQueue::State {
    QString label;
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<Task> tasks;
    bool closing = false;
    bool finished = false;
    std::thread thread;

    static void run(const std::shared_ptr<State>& s)
    {
        pthread_setname_np(pthread_self(), s->label.left(15).toUtf8().constData());
        CurrentQueueScope scope(s.get());
        std::unique_lock lock(s->mutex);
        for (;;) {
            s->cv.wait(lock, [&] { return !s->tasks.empty() || s->closing; });
            if (s->tasks.empty())
                break;
            Task task = std::move(s->tasks.front());
            s->tasks.pop_front();
            lock.unlock();
            runTask(task);
            // What the task holds goes now, without the lock: it may be the
            // last reference to this very queue.
            task = nullptr;
            lock.lock();
        }
        s->finished = true;
        lock.unlock();
        wakeWaiters(s->cv);
    }
};

std::shared_ptr<SerialQueue> SerialQueue::create(const QString& label)
{
    return std::make_shared<SerialQueue>(Passkey{}, label);
}

SerialQueue::SerialQueue(Passkey, const QString& label) : d(std::make_shared<State>())
{
    d->label = label;
    d->thread = std::thread([s = d] { State::run(s); });
}

SerialQueue::~SerialQueue()
{
    std::unique_lock lock(d->mutex);
    d->closing = true;
    d->cv.notify_all();
    if (isCurrent()) {
        d->thread.detach();
        return;
    }
    blockingWait(lock, d->cv, [&] { return d->finished; });
    lock.unlock();
    d->thread.join();
}

void SerialQueue::async(Task task)
{
    {
        std::lock_guard lock(d->mutex);
        d->tasks.push_back(std::move(task));
    }
    d->cv.notify_all();
}

void SerialQueue::sync(Task task)
{
    if (isCurrent()) {
        task();
        return;
    }
    runAndWait([this](Task wrapped) { async(std::move(wrapped)); }, std::move(task));
}

bool SerialQueue::isCurrent() const
{
    return tl_currentQueue == d.get();
}

QString SerialQueue::label() const
{
    return d->label;
}

// DispatchGroup

struct DispatchGroup::State {
    std::mutex mutex;
    std::condition_variable cv;
    int count = 0;
    std::vector<std::pair<DispatchQueuePtr, Task>> notifications;
};

DispatchGroup::DispatchGroup() : d(std::make_shared<State>()) {}

void DispatchGroup::enter()
{
    std::lock_guard lock(d->mutex);
    ++d->count;
}

void DispatchGroup::leave()
{
    {
        std::lock_guard lock(d->mutex);
        if (d->count == 0) {
            qWarning("DispatchGroup: leave without enter ignored");
            return;
        }
        if (--d->count > 0)
            return;
        // Queued before the group reads as empty, so a waiter finds them queued.
        for (auto& [queue, task] : d->notifications)
            queue->async(std::move(task));
        d->notifications.clear();
    }
    wakeWaiters(d->cv);
}

void DispatchGroup::async(const DispatchQueuePtr& queue, Task task)
{
    enter();
    queue->async([group = *this, task = std::move(task)]() mutable {
        runTask(task);
        group.leave();
    });
}

void DispatchGroup::notify(const DispatchQueuePtr& queue, Task task)
{
    {
        std::lock_guard lock(d->mutex);
        if (d->count > 0) {
            d->notifications.emplace_back(queue, std::move(task));
            return;
        }
    }
    queue->async(std::move(task));
}

void DispatchGroup::wait()
{
    std::unique_lock lock(d->mutex);
    blockingWait(lock, d->cv, [&] { return d->count == 0; });
}

bool DispatchGroup::waitFor(double seconds)
{
    std::unique_lock lock(d->mutex);
    return blockingWaitUntil(lock, d->cv, Clock::current()->now() + seconds, [&] { return d->count == 0; });
}

} // namespace plat
