// The library with 200 spaces and 20,000 pages: switching the page list to a
// space of 2,000 pages and producing its sorted rows (title rows rebuilt, as
// the space list's selection does), and moving a page of the shown space to
// another space (package, records, index and the shown list's rows).

#include "app/library/ZQIndexService.h"
#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQSpaceListDocument.h"
#include "app/shell/ZQPageIndexer.h"
#include "kit/model/ZSUtils.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Date.h"
#include "platform/text/AttributedText.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int spaceCount = 200;
constexpr int totalPages = 20000;
constexpr int bigSpacePages = 2000;

struct Library {
    QTemporaryDir dir;
    std::unique_ptr<ZQSpaceListDocument> controller;
    std::vector<QString> spaces;

    Library()
    {
        qputenv("QUORVEL_DATA_DIR", dir.filePath("data").toUtf8());
        auto coreData = ZSCoreData::sharedCoredData();
        ZQLibraryRecords::seedSystemSpaces(QStringLiteral("bench"));
        const auto main = coreData->spaceObjectContext();
        spaces.push_back(QStringLiteral("benchds"));
        for (int s = 1; s < spaceCount; ++s) {
            const QString folder = QStringLiteral("bench%1s").arg(s);
            auto space = ZSCoreDataUtil::createSpaceRecord(folder, nullptr, QStringLiteral("Space %1").arg(s), ZQSpaceType::Library, false, main);
            space->setValue(plat::Value(qint64(s)), "sortIndex");
            spaces.push_back(folder);
        }
        Exs::persistAndWait(main);
        const int perSmall = (totalPages - bigSpacePages) / (spaceCount - 1) + 1;
        int made = 0;
        for (int s = 0; s < spaceCount && made < totalPages; ++s) {
            const int count = std::min(s == 0 ? bigSpacePages : perSmall, totalPages - made);
            auto context = coreData->pageObjectContext(spaces[size_t(s)]);
            for (int p = 0; p < count; ++p, ++made) {
                const QString uuid = QStringLiteral("p%1-%2.mkqrv").arg(s).arg(p + 1);
                auto page = context->insertNewObject("Node");
                page->setValue(plat::Value(uuid), "uuid");
                page->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(QStringLiteral("Page %1").arg(p)))), "title");
                page->setValue(plat::Value(qint64(1)), "type");
                page->setValue(plat::Value(qint64(p % 13)), "sortIndex");
                page->setValue(plat::Value(plat::Date::fromSeconds(1.7e9 + p)), "modifiedDate");
                page->setValue(plat::Value(spaces[size_t(s)]), "spaceFolder");
                if (s == 0) {
                    const QDir package(ZSUtils::pageUrl(uuid, spaces[0]).toLocalFile());
                    QDir().mkpath(package.path());
                    QFile text(package.filePath("main.md"));
                    if (text.open(QIODevice::WriteOnly))
                        text.write(QStringLiteral("# Page %1\n\nsome words to index\n").arg(p).toUtf8());
                }
            }
            Exs::persistAndWait(context);
            coreData->removePageContext(spaces[size_t(s)]);
        }
        auto index = std::make_shared<ZQIndexService>(dir.filePath("pages.index"));
        ZQPageIndexer::setShared(index);
        controller = std::make_unique<ZQSpaceListDocument>();
        controller->setIndexService(index);
    }

    void show(const QString& folder)
    {
        auto list = controller->getPageListDocument(folder, true);
        controller->setCurrentSpace(list);
        list->reloadData();
    }
};

Library& library()
{
    static Library instance;
    return instance;
}

void BM_SwitchToSpaceOf2000Pages(benchmark::State& state)
{
    auto& lib = library();
    size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        lib.show(lib.spaces[5]);
        state.ResumeTiming();
        lib.show(lib.spaces[0]);
        rows = lib.controller->currentSpace()->pageTreeController().arrangedNodes().size();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_SwitchToSpaceOf2000Pages)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rows alone, the space already shown: fetching and sorting its records.
void BM_SortedRowsOfTheShownSpace(benchmark::State& state)
{
    auto& lib = library();
    lib.show(lib.spaces[0]);
    for (auto _ : state)
        lib.controller->currentSpace()->reloadData();
}
BENCHMARK(BM_SortedRowsOfTheShownSpace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MovePageOutOfTheShownSpace(benchmark::State& state)
{
    auto& lib = library();
    lib.show(lib.spaces[0]);
    int n = 0;
    bool back = false;
    for (auto _ : state) {
        const QString uuid = QStringLiteral("p0-%1.mkqrv").arg(n % bigSpacePages + 1);
        const QString from = back ? lib.spaces[7] : lib.spaces[0];
        const QString to = back ? lib.spaces[0] : lib.spaces[7];
        lib.controller->movePage(uuid, from, to);
        if (back)
            ++n;
        back = !back;
    }
    lib.controller->indexService()->waitUntilAllWritesAreDone();
}
BENCHMARK(BM_MovePageOutOfTheShownSpace)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
