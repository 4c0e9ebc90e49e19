#pragma once
// Units of work with dependencies, priorities and cancellation, run by
// operation queues. State changes are observable under "isReady",
// "isExecuting", "isFinished", "isCancelled" and "queuePriority".
//
// An operation whose work ends after start() returns overrides start(),
// isExecuting() and isFinished() and calls didChange("isFinished") once
// isFinished() holds; queues, waiters and the completion block go by that.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Observable.h"

#include <vector>

namespace plat {

class Operation;
using OperationPtr = std::shared_ptr<Operation>;

class Operation : public Object, public Observable {
public:
    enum Priority : int { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

    ~Operation() override;
    QString className() const override { return QStringLiteral("Operation"); }

    // Runs main() unless cancelled, then finishes. Only the first call counts.
    virtual void start();
    // The work; cancellable work checks isCancelled() as it goes.
    virtual void main() {}
    virtual void cancel();

    bool isCancelled() const;
    // Cancelled, or every dependency finished.
    virtual bool isReady() const;
    virtual bool isExecuting() const;
    virtual bool isFinished() const;

    // The operation becomes ready only once dep has finished.
    void addDependency(const OperationPtr& dep);
    void removeDependency(const OperationPtr& dep);
    std::vector<OperationPtr> dependencies() const;

    // Among ready operations a queue starts the highest priority first.
    int queuePriority() const;
    void setQueuePriority(int priority);

    // Runs once, on the thread that finished the operation, and is then dropped.
    Task completionBlock() const;
    void setCompletionBlock(Task block);

    void waitUntilFinished();

protected:
    Operation();

private:
    friend class OperationQueue;

    enum class State { Ready, Executing, Finished };
    void setState(State state);
    void finishedChanged();

    struct Dependency {
        OperationPtr operation;
        ObserverToken token;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_finishedCv;
    State m_state = State::Ready;
    bool m_started = false;
    bool m_cancelled = false;
    bool m_finishReported = false;
    bool m_enqueued = false;
    int m_priority = Normal;
    Task m_completion;
    std::vector<Dependency> m_dependencies;
};

// An operation that runs one block.
class BlockOperation final : public Operation {
    struct Passkey {};

public:
    static std::shared_ptr<BlockOperation> blockOperationWithBlock(Task block);
    BlockOperation(Passkey, Task block) : m_block(std::move(block)) {}

    QString className() const override { return QStringLiteral("BlockOperation"); }
    void main() override;

private:
    Task m_block;
};

// Starts its operations as they become ready, each on a thread of its own,
// at most maxConcurrentOperationCount at a time. A queue that still holds
// operations lives on until they have finished.
class OperationQueue final : public Object {
public:
    // Without a limit, this many run at once.
    static constexpr int DefaultLimit = 64;

    OperationQueue();
    ~OperationQueue() override;
    QString className() const override { return QStringLiteral("OperationQueue"); }

    QString name() const;
    void setName(const QString& name);
    // -1: no limit of its own; 1 makes the queue serial.
    int maxConcurrentOperationCount() const;
    void setMaxConcurrentOperationCount(int count);

    // An operation that is finished or already queued is refused with a warning.
    void addOperation(const OperationPtr& operation);
    void addOperationWithBlock(Task block);
    void addOperations(const std::vector<OperationPtr>& operations, bool waitUntilFinished);

    // Queued and running operations, in the order added.
    std::vector<OperationPtr> operations() const;
    std::size_t operationCount() const;

    void cancelAllOperations();
    void waitUntilAllOperationsAreFinished();

private:
    struct State;
    std::shared_ptr<State> d;
};

} // namespace plat
