// Rebuilding the tags space over a library of 200 spaces and 20,000 pages,
// each page carrying three of 500 tags (target: under 1 s).

#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQTagsService.h"
#include "kit/model/ZQDocumentOutline.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/text/AttributedText.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// GCC reports a QString inside a copied record value as maybe uninitialized
// once the fixture's loops are inlined; it is always set.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace {

constexpr int spaceCount = 200;
constexpr int pagesPerSpace = 100;
constexpr int tagCount = 500;

struct TaggedLibrary {
    QTemporaryDir dir;

    TaggedLibrary()
    {
        qputenv("QUORVEL_DATA_DIR", dir.filePath("data").toUtf8());
        auto coreData = ZSCoreData::sharedCoredData();
        ZQLibraryRecords::seedSystemSpaces(QStringLiteral("bench"));
        const auto main = coreData->spaceObjectContext();
        std::vector<QString> spaces{QStringLiteral("benchds")};
        for (int s = 1; s < spaceCount; ++s) {
            const QString folder = QStringLiteral("bench%1s").arg(s);
            ZSCoreDataUtil::createSpaceRecord(folder, nullptr, QStringLiteral("Space %1").arg(s), ZQSpaceType::Library, false, main);
            spaces.push_back(folder);
        }
        Exs::persistAndWait(main);
        int made = 0;
        for (const QString& folder : spaces) {
            auto context = coreData->pageObjectContext(folder);
            for (int p = 0; p < pagesPerSpace; ++p, ++made) {
                auto page = context->insertNewObject("Node");
                page->setValue(plat::Value(QStringLiteral("p%1.mkqrv").arg(made)), "uuid");
                page->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(QStringLiteral("Page %1").arg(made)))), "title");
                page->setValue(plat::Value(qint64(1)), "type");
                page->setValue(plat::Value(folder), "spaceFolder");
                plat::ValueList tags;
                for (int t = 0; t < 3; ++t) {
                    const QString text = QStringLiteral("topic %1").arg((made * 7 + t * 131) % tagCount);
                    tags.push_back(plat::Value(plat::ObjectPtr(
                        ZQDocumentTag::initWithIndex(t, text, plat::Range(t * 20, text.size()), ZQEditorType::Markup))));
                }
                page->setValue(plat::Value(plat::KeyedArchiver::archivedData(plat::Value(tags))), "tags");
            }
            Exs::persistAndWait(context);
        }
    }
};

void BM_RebuildTagsOf20000Pages(benchmark::State& state)
{
    static TaggedLibrary library;
    ZQTagsService service;
    qsizetype length = 0;
    for (auto _ : state) {
        length = service.rebuildTagTree().length();
        benchmark::DoNotOptimize(length);
    }
    state.counters["tags"] = double(service.container()->tags().size());
    state.counters["pageChars"] = double(length);
}
BENCHMARK(BM_RebuildTagsOf20000Pages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
