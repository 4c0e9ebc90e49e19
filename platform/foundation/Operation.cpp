#include "platform/foundation/Operation.h"

#include <QDebug>
#include <algorithm>
#include <deque>
#include <list>
#include <map>
#include <thread>
#include <unordered_map>

namespace plat {

namespace {
const QString IsReady = QStringLiteral("isReady");
const QString IsExecuting = QStringLiteral("isExecuting");
const QString IsFinished = QStringLiteral("isFinished");
const QString IsCancelled = QStringLiteral("isCancelled");
const QString QueuePriorityKey = QStringLiteral("queuePriority");
} // namespace

// Operation

Operation::Operation()
{
    // Covers operations that drive their own state as well as this class.
    addObserver(IsFinished, [this](const QString&) { finishedChanged(); });
}

Operation::~Operation()
{
    for (const Dependency& dep : m_dependencies)
        dep.operation->removeObserver(dep.token);
}

void Operation::start()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_started)
            return;
        m_started = true;
    }
    if (!isCancelled()) {
        setState(State::Executing);
        runTask([this] { main(); });
    }
    setState(State::Finished);
}

void Operation::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled || m_state == State::Finished)
            return;
        m_cancelled = true;
    }
    didChange(IsCancelled);
    didChange(IsReady);
}

bool Operation::isCancelled() const
{
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

bool Operation::isReady() const
{
    std::vector<OperationPtr> deps;
    {
        std::lock_guard lock(m_mutex);
        if (m_cancelled)
            return true;
        for (const Dependency& dep : m_dependencies)
            deps.push_back(dep.operation);
    }
    return std::all_of(deps.begin(), deps.end(), [](const OperationPtr& op) { return op->isFinished(); });
}

bool Operation::isExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Executing;
}

bool Operation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Finished;
}

void Operation::addDependency(const OperationPtr& dep)
{
    if (!dep || dep.get() == this)
        return;
    const ObserverToken token = dep->addObserver(IsFinished, [weak = weak_from_this()](const QString&) {
        if (const ObjectPtr self = weak.lock())
            std::static_pointer_cast<Operation>(self)->didChange(IsReady);
    });
    {
        std::lock_guard lock(m_mutex);
        m_dependencies.push_back({dep, token});
    }
    didChange(IsReady);
}

void Operation::removeDependency(const OperationPtr& dep)
{
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_dependencies.begin(), m_dependencies.end(),
                               [&](const Dependency& d) { return d.operation == dep; });
        if (it == m_dependencies.end())
            return;
        dep->removeObserver(it->token);
        m_dependencies.erase(it);
    }
    didChange(IsReady);
}

std::vector<OperationPtr> Operation::dependencies() const
{
    std::lock_guard lock(m_mutex);
    std::vector<OperationPtr> result;
    for (const Dependency& dep : m_dependencies)
        result.push_back(dep.operation);
    return result;
}

int Operation::queuePriority() const
{
    std::lock_guard lock(m_mutex);
    return m_priority;
}

void Operation::setQueuePriority(int priority)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_priority == priority)
            return;
        m_priority = priority;
    }
    didChange(QueuePriorityKey);
}

Task Operation::completionBlock() const
{
    std::lock_guard lock(m_mutex);
    return m_completion;
}

void Operation::setCompletionBlock(Task block)
{
    std::lock_guard lock(m_mutex);
    m_completion = std::move(block);
}

void Operation::waitUntilFinished()
{
    std::unique_lock lock(m_mutex);
    blockingWait(lock, m_finishedCv, [this] { return m_finishReported; });
}

void Operation::setState(State state)
{
    bool wasExecuting;
    {
        std::lock_guard lock(m_mutex);
        wasExecuting = m_state == State::Executing;
        m_state = state;
    }
    if (wasExecuting != (state == State::Executing))
        didChange(IsExecuting);
    if (state == State::Finished)
        didChange(IsFinished);
}

void Operation::finishedChanged()
{
    if (!isFinished())
        return;
    Task completion;
    {
        std::lock_guard lock(m_mutex);
        if (m_finishReported)
            return;
        m_finishReported = true;
        completion = std::move(m_completion);
        m_completion = nullptr;
    }
    wakeWaiters(m_finishedCv);
    if (completion)
        runTask(completion);
}

// BlockOperation

std::shared_ptr<BlockOperation> BlockOperation::blockOperationWithBlock(Task block)
{
    return std::make_shared<BlockOperation>(Passkey{}, std::move(block));
}

void BlockOperation::main()
{
    if (m_block)
        m_block();
}

// OperationQueue

struct OperationQueue::State : std::enable_shared_from_this<State> {
    struct Entry {
        OperationPtr operation;
        std::vector<ObserverToken> tokens;
        int bucket = 0; // the priority it waits under
        bool started = false;
    };

    mutable std::mutex mutex;
    std::condition_variable cv;
    QString name;
    int maxCount = -1;
    int running = 0;
    std::list<Entry> entries; // in the order added
    std::unordered_map<const Operation*, std::list<Entry>::iterator> index;
    std::map<int, std::deque<const Operation*>, std::greater<int>> waiting; // by priority, then age
    std::shared_ptr<State> keepAlive; // held while operations remain

    void add(const OperationPtr& op)
    {
        const std::weak_ptr<State> weak = weak_from_this();
        const Operation* key = op.get();
        {
            std::lock_guard lock(mutex);
            Entry entry;
            entry.operation = op;
            entry.bucket = op->queuePriority();
            index[key] = entries.insert(entries.end(), std::move(entry));
            waiting[index[key]->bucket].push_back(key);
            keepAlive = shared_from_this();
        }
        std::vector<ObserverToken> tokens{
            op->addObserver(IsReady, [weak](const QString&) {
                if (auto s = weak.lock())
                    s->startReady();
            }),
            op->addObserver(QueuePriorityKey, [weak, key](const QString&) {
                if (auto s = weak.lock())
                    s->reprioritise(key);
            }),
            op->addObserver(IsFinished, [weak, key](const QString&) {
                if (auto s = weak.lock())
                    s->finished(key);
            }),
        };
        {
            std::lock_guard lock(mutex);
            auto it = index.find(key);
            if (it != index.end())
                it->second->tokens = tokens;
        }
        startReady();
    }

    void startReady()
    {
        std::vector<OperationPtr> launch;
        {
            std::lock_guard lock(mutex);
            const int limit = maxCount < 0 ? DefaultLimit : maxCount;
            while (running < limit) {
                const Operation* next = takeReadyLocked();
                if (!next)
                    break;
                Entry& entry = *index.at(next);
                entry.started = true;
                ++running;
                launch.push_back(entry.operation);
            }
        }
        for (const OperationPtr& op : launch)
            std::thread([self = shared_from_this(), op] { op->start(); }).detach();
    }

    const Operation* takeReadyLocked()
    {
        for (auto& [priority, queue] : waiting) {
            for (auto it = queue.begin(); it != queue.end(); ++it) {
                const Operation* op = *it;
                if (op->isReady()) {
                    queue.erase(it);
                    if (queue.empty())
                        waiting.erase(priority);
                    return op;
                }
            }
        }
        return nullptr;
    }

    void removeWaitingLocked(const Operation* key, int bucket)
    {
        auto queue = waiting.find(bucket);
        if (queue == waiting.end())
            return;
        std::erase(queue->second, key);
        if (queue->second.empty())
            waiting.erase(queue);
    }

    void reprioritise(const Operation* key)
    {
        {
            std::lock_guard lock(mutex);
            auto it = index.find(key);
            if (it == index.end() || it->second->started)
                return;
            Entry& entry = *it->second;
            removeWaitingLocked(key, entry.bucket);
            entry.bucket = entry.operation->queuePriority();
            waiting[entry.bucket].push_back(key);
        }
        startReady();
    }

    void finished(const Operation* key)
    {
        OperationPtr op;
        std::vector<ObserverToken> tokens;
        std::shared_ptr<State> self;
        {
            std::lock_guard lock(mutex);
            auto it = index.find(key);
            if (it == index.end())
                return;
            Entry& entry = *it->second;
            if (entry.started)
                --running;
            else
                removeWaitingLocked(key, entry.bucket);
            op = entry.operation;
            tokens = entry.tokens;
            entries.erase(it->second);
            index.erase(it);
            if (entries.empty())
                self = std::move(keepAlive);
        }
        for (ObserverToken token : tokens)
            op->removeObserver(token);
        wakeWaiters(cv);
        startReady();
    }
};

OperationQueue::OperationQueue() : d(std::make_shared<State>()) {}

OperationQueue::~OperationQueue() = default;

QString OperationQueue::name() const
{
    std::lock_guard lock(d->mutex);
    return d->name;
}

void OperationQueue::setName(const QString& name)
{
    std::lock_guard lock(d->mutex);
    d->name = name;
}

int OperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(d->mutex);
    return d->maxCount;
}

void OperationQueue::setMaxConcurrentOperationCount(int count)
{
    {
        std::lock_guard lock(d->mutex);
        d->maxCount = count < 0 ? -1 : count;
    }
    d->startReady();
}

void OperationQueue::addOperation(const OperationPtr& operation)
{
    if (!operation)
        return;
    {
        std::lock_guard lock(operation->m_mutex);
        if (operation->m_enqueued || operation->m_started) {
            qWarning("OperationQueue: an operation already queued or started was refused");
            return;
        }
        operation->m_enqueued = true;
    }
    d->add(operation);
}

void OperationQueue::addOperationWithBlock(Task block)
{
    addOperation(BlockOperation::blockOperationWithBlock(std::move(block)));
}

void OperationQueue::addOperations(const std::vector<OperationPtr>& operations, bool waitUntilFinished)
{
    for (const OperationPtr& op : operations)
        addOperation(op);
    if (!waitUntilFinished)
        return;
    for (const OperationPtr& op : operations)
        op->waitUntilFinished();
}

std::vector<OperationPtr> OperationQueue::operations() const
{
    std::lock_guard lock(d->mutex);
    std::vector<OperationPtr> result;
    for (const State::Entry& entry : d->entries)
        result.push_back(entry.operation);
    return result;
}

std::size_t OperationQueue::operationCount() const
{
    std::lock_guard lock(d->mutex);
    return d->entries.size();
}

void OperationQueue::cancelAllOperations()
{
    for (const OperationPtr& op : operations())
        op->cancel();
}

void OperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(d->mutex);
    blockingWait(lock, d->cv, [this] { return d->entries.empty(); });
}

} // namespace plat
