// A library of 200 spaces and 20,000 pages: opening a space's stack and
// listing its pages in page-list order, creating a page with persistAndWait,
// and finding a page by uuid across every store of the library.

#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSAbstractCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int spaces = 200;
constexpr int pagesPerSpace = 100;

QString spaceName(int i)
{
    return QStringLiteral("bench%1s").arg(i);
}

struct Library {
    Library()
    {
        qputenv("QUORVEL_DATA_DIR", dir.path().toUtf8());
        auto coreData = ZSCoreData::sharedCoredData();
        for (int s = 0; s < spaces; ++s) {
            auto context = coreData->pageObjectContext(spaceName(s));
            for (int p = 0; p < pagesPerSpace; ++p) {
                auto page = context->insertNewObject("Node");
                page->setValue(plat::Value(QStringLiteral("p%1-%2.mkqrv").arg(s).arg(p)), "uuid");
                page->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(QStringLiteral("Page %1").arg(p)))), "title");
                page->setValue(plat::Value(qint64(1)), "type");
                page->setValue(plat::Value(qint64(p % 7)), "sortIndex");
                page->setValue(plat::Value(plat::Date::fromSeconds(1.7e9 + p)), "modifiedDate");
                page->setValue(plat::Value(spaceName(s)), "spaceFolder");
            }
            Exs::persistAndWait(context);
            coreData->removePageContext(spaceName(s));
        }
    }
    QTemporaryDir dir;
};

Library& library()
{
    static Library instance;
    return instance;
}

void BM_OpenStackAndListPages(benchmark::State& state)
{
    library();
    auto coreData = ZSCoreData::sharedCoredData();
    const QString space = spaceName(123);
    for (auto _ : state) {
        auto context = coreData->pageObjectContext(space);
        plat::FetchRequest request("Node", plat::Predicate::withFormat("type==%ld", {plat::Value(1)}));
        request.sortDescriptors = {{"sortIndex", true}, {"modifiedDate", false}};
        const auto pages = context->executeFetchRequest(request);
        if (!pages || pages->size() != std::size_t(pagesPerSpace))
            state.SkipWithError("wrong page count");
        benchmark::DoNotOptimize(pages->front()->valueForKey("title"));
        state.PauseTiming();
        coreData->removePageContext(space);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenStackAndListPages)->Unit(benchmark::kMillisecond);

void BM_CreatePageAndPersistAndWait(benchmark::State& state)
{
    library();
    const QString space = spaceName(7);
    auto context = ZSCoreData::sharedCoredData()->pageObjectContext(space);
    qint64 n = 0;
    for (auto _ : state) {
        auto page = ZSCoreDataUtil::createPageRecord(QStringLiteral("new-%1").arg(n++), std::nullopt, space, QString(),
                                                     plat::Value(), context, nullptr, nullptr);
        benchmark::DoNotOptimize(page);
    }
}
BENCHMARK(BM_CreatePageAndPersistAndWait)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_FindPageByUuidAcrossStores(benchmark::State& state)
{
    library();
    ZSAbstractCoreData accessor;
    QList<QUrl> urls;
    for (int s = 0; s < spaces; ++s)
        urls << ZSUtils::databaseUrl("workspace.sql", spaceName(s));
    accessor.pageVisibleObjectContext("bench-library", urls);
    // The last store is the worst case: every store is asked.
    const QString uuid = QStringLiteral("p%1-%2.mkqrv").arg(state.range(0)).arg(50);
    for (auto _ : state) {
        auto page = accessor.getPageObjectByUUID(uuid);
        if (!page)
            state.SkipWithError("not found");
        benchmark::DoNotOptimize(page);
    }
}
BENCHMARK(BM_FindPageByUuidAcrossStores)->Arg(0)->Arg(spaces - 1)->Unit(benchmark::kMicrosecond);

} // namespace
