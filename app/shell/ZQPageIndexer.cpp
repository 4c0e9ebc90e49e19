#include "app/shell/ZQPageIndexer.h"

#include <mutex>

namespace {

class NoIndexer final : public ZQPageIndexer {
public:
    void updatePage(const QUrl&, const QString&, const QString&) override {}
    void removePage(const QUrl&) override {}
};

std::mutex indexerMutex;
std::shared_ptr<ZQPageIndexer> installedIndexer;

} // namespace

std::shared_ptr<ZQPageIndexer> ZQPageIndexer::shared()
{
    std::lock_guard lock(indexerMutex);
    if (!installedIndexer)
        installedIndexer = std::make_shared<NoIndexer>();
    return installedIndexer;
}

void ZQPageIndexer::setShared(std::shared_ptr<ZQPageIndexer> indexer)
{
    std::lock_guard lock(indexerMutex);
    installedIndexer = std::move(indexer);
}
