#include "platform/foundation/Operation.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

using namespace plat;

namespace {

// Names in the order the operations ran, from any thread.
class RunLog {
public:
    void add(const QString& name)
    {
        std::lock_guard lock(m_mutex);
        m_names.push_back(name);
    }
    std::vector<QString> names() const
    {
        std::lock_guard lock(m_mutex);
        return m_names;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<QString> m_names;
};

OperationPtr logging(RunLog& log, const QString& name, int priority = Operation::Normal)
{
    auto op = BlockOperation::blockOperationWithBlock([&log, name] { log.add(name); });
    op->setQueuePriority(priority);
    return op;
}

// Holds a queue's only slot until opened.
struct Gate {
    DispatchGroup group;
    Gate() { group.enter(); }
    OperationPtr operation()
    {
        return BlockOperation::blockOperationWithBlock([g = group]() mutable { g.wait(); });
    }
    void open() { group.leave(); }
};

// Finishes after start() returned, on a queue of its own.
class DeferredOperation final : public Operation {
public:
    DeferredOperation(RunLog& log, std::shared_ptr<SerialQueue> worker) : m_log(log), m_worker(std::move(worker)) {}

    void start() override
    {
        m_log.add("deferred started");
        m_executing = true;
        didChange("isExecuting");
        m_worker->async([this] {
            m_log.add("deferred finished");
            m_executing = false;
            m_finished = true;
            didChange("isExecuting");
            didChange("isFinished");
        });
    }
    bool isExecuting() const override { return m_executing; }
    bool isFinished() const override { return m_finished; }

private:
    RunLog& m_log;
    std::shared_ptr<SerialQueue> m_worker;
    std::atomic<bool> m_executing{false};
    std::atomic<bool> m_finished{false};
};

} // namespace

TEST(OperationQueue, StartsReadyOperationsByPriorityThenAge)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    RunLog log;
    Gate gate;
    queue.addOperation(gate.operation());

    auto elsewhere = std::make_shared<OperationQueue>();
    auto prerequisite = logging(log, "prerequisite");
    auto dependent = logging(log, "dependent", Operation::VeryHigh);
    dependent->addDependency(prerequisite);

    std::vector<OperationPtr> independent{logging(log, "low", Operation::Low), logging(log, "normal 1"),
                                          logging(log, "high", Operation::High), logging(log, "raised later"),
                                          logging(log, "normal 2")};
    queue.addOperation(independent[0]);
    queue.addOperation(dependent); // not ready: passed over until its prerequisite finished
    for (std::size_t i = 1; i < independent.size(); ++i)
        queue.addOperation(independent[i]);
    independent[3]->setQueuePriority(Operation::VeryHigh);
    EXPECT_EQ(queue.operationCount(), 7u);

    gate.open();
    for (const OperationPtr& op : independent)
        op->waitUntilFinished();
    EXPECT_EQ(log.names(), (std::vector<QString>{"raised later", "high", "normal 1", "normal 2", "low"}));

    elsewhere->addOperation(prerequisite);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(log.names().back(), "dependent");
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, CancelledOperationsFinishWithoutRunning)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    queue.addOperation(gate.operation());
    RunLog log;
    auto first = logging(log, "first");
    auto second = logging(log, "second");
    std::atomic<int> completions{0};
    std::vector<QString> changes;
    first->setCompletionBlock([&] { ++completions; });
    first->addObserver("isFinished", [&](const QString& p) { changes.push_back(p); });
    queue.addOperation(first);
    queue.addOperation(second);

    first->cancel();
    EXPECT_TRUE(first->isCancelled());
    EXPECT_TRUE(first->isReady());
    queue.cancelAllOperations();
    gate.open();
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_TRUE(log.names().empty());
    EXPECT_TRUE(first->isFinished() && second->isFinished());
    EXPECT_EQ(completions.load(), 1);
    EXPECT_EQ(changes, (std::vector<QString>{"isFinished"}));

    queue.addOperation(first); // finished: refused
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, OperationFinishingLaterHoldsItsSlot)
{
    OperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    RunLog log;
    auto worker = SerialQueue::create("test.network");
    auto deferred = std::make_shared<DeferredOperation>(log, worker);
    bool completed = false;
    deferred->setCompletionBlock([&] { completed = true; });
    queue.addOperation(deferred);
    queue.addOperation(logging(log, "next"));
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(log.names(), (std::vector<QString>{"deferred started", "deferred finished", "next"}));
    EXPECT_TRUE(completed);
}

TEST(OperationQueue, MainThreadWaitingServesOperationsThatHopToIt)
{
    OperationQueue queue;
    int onMain = 0;
    for (int i = 0; i < 4; ++i) {
        queue.addOperationWithBlock([&] {
            dispatchMainSync([&] { onMain += QThread::currentThread() == QCoreApplication::instance()->thread(); });
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(onMain, 4);
}
