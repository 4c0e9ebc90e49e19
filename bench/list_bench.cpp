// The page list of a space of 2,000 pages, shown in its view: one page
// added, renamed or dragged to another place changes its row alone (each
// under 5 ms), and one scroll step paints a frame (under 16 ms for full
// frame rate).

#include "app/library/ZQLibraryRecords.h"
#include "app/library/ZQSpaceListDocument.h"
#include "app/shell/ZQPageListView.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/store/Date.h"
#include "platform/store/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int pageCount = 2000;

struct ShownList {
    QTemporaryDir dir;
    std::unique_ptr<ZQSpaceListDocument> controller;
    ZQPageListDocumentPtr list;
    std::unique_ptr<ZQPageListView> view;
    plat::ManagedObjectContextPtr context;
    int made = 0;

    ShownList()
    {
        qputenv("QUORVEL_DATA_DIR", dir.filePath("data").toUtf8());
        ZQLibraryRecords::seedSystemSpaces(QStringLiteral("lists"));
        const QString folder = QStringLiteral("listsds");
        context = ZSCoreData::sharedCoredData()->pageObjectContext(folder);
        for (int p = 0; p < pageCount; ++p)
            newPage(p);
        Exs::persistAndWait(context);
        controller = std::make_unique<ZQSpaceListDocument>();
        list = controller->getPageListDocument(folder, true);
        controller->setCurrentSpace(list);
        list->reloadData();
        context = list->managedObjectContext();
        view = std::make_unique<ZQPageListView>();
        view->resize(320, 900);
        view->setPageListDocument(list);
        view->show();
        QApplication::processEvents();
    }

    plat::ManagedObjectPtr newPage(int p)
    {
        auto page = context->insertNewObject("Node");
        page->setValue(plat::Value(QStringLiteral("b%1.mkqrv").arg(made++)), "uuid");
        page->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(QStringLiteral("Page %1").arg(p)))), "title");
        page->setValue(plat::Value(QStringLiteral("listsds")), "spaceFolder");
        page->setValue(plat::Value(qint64(1)), "type");
        page->setValue(plat::Value(qint64(p % 13)), "sortIndex");
        page->setValue(plat::Value(plat::Date::fromSeconds(1.7e9 + p)), "modifiedDate");
        return page;
    }
};

ShownList& shown()
{
    static ShownList list;
    return list;
}

void BM_AddOnePage(benchmark::State& state)
{
    auto& s = shown();
    for (auto _ : state) {
        const auto page = s.newPage(7);
        s.list->insertRow(page);
        QApplication::processEvents();
        state.PauseTiming();
        s.list->removeRow(page);
        s.context->deleteObject(page);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(s.view->pageModel()->rowCount());
}
BENCHMARK(BM_AddOnePage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenameOnePage(benchmark::State& state)
{
    auto& s = shown();
    int n = 0;
    for (auto _ : state) {
        const auto page = s.view->pageModel()->record(500);
        page->setValue(plat::Value(plat::AttributedText::create(plat::AttributedString(QStringLiteral("Renamed %1").arg(n++)))),
                       "title");
        s.list->updateRow(page);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_RenameOnePage)->Unit(benchmark::kMillisecond)->UseRealTime();

// A drag of the last page above the first, with the renumbering the drop does.
void BM_DragOnePageToTheTop(benchmark::State& state)
{
    auto& s = shown();
    for (auto _ : state) {
        s.view->keepDraggedRows({s.view->pageModel()->rowCount() - 1});
        if (!s.view->dropPages(1, false))
            state.SkipWithError("drop refused");
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DragOnePageToTheTop)->Unit(benchmark::kMillisecond)->UseRealTime();

// The usual drag: one page one place down, among the 2,000.
void BM_DragOnePageOnePlace(benchmark::State& state)
{
    auto& s = shown();
    for (auto _ : state) {
        s.view->keepDraggedRows({1000});
        if (!s.view->dropPages(1002, false))
            state.SkipWithError("drop refused");
        QApplication::processEvents();
    }
}
BENCHMARK(BM_DragOnePageOnePlace)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollOneStepAndPaint(benchmark::State& state)
{
    auto& s = shown();
    QScrollBar* bar = s.view->verticalScrollBar();
    QPixmap frame(s.view->viewport()->size());
    for (auto _ : state) {
        bar->setValue(bar->value() + 120 > bar->maximum() ? 0 : bar->value() + 120);
        s.view->viewport()->render(&frame);
    }
}
BENCHMARK(BM_ScrollOneStepAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
