#include "app/library/ZQCloudEngine.h"

#include <mutex>

namespace {

class SyncOff final : public ZQCloudEngine {
public:
    void doPageAction(qint64, const QString&, const QString&, const QString&, bool) override {}
    void doPageAction(qint64, const QString&, const QString&, const QString&, const QString&, bool) override {}
    void doSpaceAction(qint64, const QString&, const QString&, const QString&, bool) override {}
};

std::mutex engineMutex;

std::shared_ptr<ZQCloudEngine>& installedEngine()
{
    static std::shared_ptr<ZQCloudEngine> engine = std::make_shared<SyncOff>();
    return engine;
}

} // namespace

std::shared_ptr<ZQCloudEngine> ZQCloudEngine::sharedCloudKit()
{
    std::lock_guard lock(engineMutex);
    return installedEngine();
}

void ZQCloudEngine::setSharedCloudKit(std::shared_ptr<ZQCloudEngine> engine)
{
    std::lock_guard lock(engineMutex);
    installedEngine() = engine ? std::move(engine) : std::make_shared<SyncOff>();
}
