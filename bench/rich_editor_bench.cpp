// The editors with the engine on a 1 MB page, offscreen: opening the page in
// the rich view (conversion, first layout, first paint with the decorations),
// a keystroke in the middle of the rich view and of the markup view, in a
// paragraph, inside emphasis and inside a list item (the engine's key handling
// and live styling or restyling, relayout, repaint of the viewport), and scrolling the rich view by one viewport. Each figure is
// the median of the timed steps (s_median) with the 90th percentile beside it.

#include "BenchPages.h"
#include "EditorBench.h"
#include "app/editor/ZQAbstractEditor.h"
#include "app/editor/ZQEditorPage.h"
#include "kit/render/ZQRender.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

constexpr qsizetype PageSize = 1024 * 1024;
const QSize Viewport(900, 700);

const QString& pageFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("page.md"));
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(BenchPages::samplePage(PageSize).toUtf8());
        return file;
    }();
    return path;
}

struct Page {
    explicit Page(bool rich)
    {
        page.resize(Viewport);
        if (rich)
            page.toggleRichView();
        QString error;
        if (!page.openFile(pageFile(), &error))
            qFatal("%s", qPrintable(error));
        page.show();
    }
    ZQAbstractEditor& editor() { return page.visibleEditor(); }
    void paint() { EditorBench::paint(editor(), canvas); }

    ZQEditorPage page;
    QImage canvas;
};

using EditorBench::reportSteps;
using EditorBench::seconds;

void BM_RichOpenToFirstPaint(benchmark::State& state)
{
    pageFile();
    std::vector<double> steps;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Page page(true);
        page.paint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
        state.PauseTiming();
        state.counters["cached_layouts"] = double(page.editor().layoutManager()->cachedLayoutCount());
        state.counters["paragraphs"] = double(page.editor().layoutManager()->paragraphCount());
        state.ResumeTiming();
    }
    reportSteps(state, steps);
}
BENCHMARK(BM_RichOpenToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The engine's share of opening: the conversion of the page and the theme.
void BM_RichConversionOnly(benchmark::State& state)
{
    QFile file(pageFile());
    file.open(QIODevice::ReadOnly);
    const QString markup = QString::fromUtf8(file.readAll());
    ZQRender render;
    for (auto _ : state) {
        plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup));
        benchmark::DoNotOptimize(rich.length());
    }
}
BENCHMARK(BM_RichConversionOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

// A letter typed in the middle of the page, then taken back with Backspace:
// in a paragraph, inside emphasis (a heading's) or inside a list item.
void keystrokes(benchmark::State& state, bool rich, const QString& where, qsizetype into)
{
    Page page(rich);
    ZQAbstractEditor& editor = page.editor();
    const QString& text = editor.textStorage()->string();
    const qsizetype found = text.indexOf(where, text.size() / 2);
    if (found < 0) {
        state.SkipWithError("no such text in the middle of the page");
        return;
    }
    const qsizetype length = text.size();
    bool insert = true;
    reportSteps(state, EditorBench::typeAndTakeBack(state, editor, found + into, Qt::Key_X, QStringLiteral("x"), insert));
    state.counters["cached_layouts"] = double(editor.layoutManager()->cachedLayoutCount());
    if (editor.textStorage()->length() != length + (insert ? 0 : 1))
        state.SkipWithError("the page changed beyond the typed letter");
}

const QString InParagraph = QStringLiteral("runs over");
const QString InEmphasis = QStringLiteral("emphasis");
const QString InListItem = QStringLiteral("second item");

void BM_RichKeystrokeInMiddle(benchmark::State& state)
{
    keystrokes(state, true, InParagraph, 0);
}
BENCHMARK(BM_RichKeystrokeInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RichKeystrokeInEmphasis(benchmark::State& state)
{
    keystrokes(state, true, InEmphasis, 4);
}
BENCHMARK(BM_RichKeystrokeInEmphasis)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RichKeystrokeInListItem(benchmark::State& state)
{
    keystrokes(state, true, InListItem, 7);
}
BENCHMARK(BM_RichKeystrokeInListItem)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_MarkupKeystrokeInMiddle(benchmark::State& state)
{
    keystrokes(state, false, InParagraph, 0);
}
BENCHMARK(BM_MarkupKeystrokeInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_MarkupKeystrokeInEmphasis(benchmark::State& state)
{
    keystrokes(state, false, InEmphasis, 4);
}
BENCHMARK(BM_MarkupKeystrokeInEmphasis)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_MarkupKeystrokeInListItem(benchmark::State& state)
{
    keystrokes(state, false, InListItem, 7);
}
BENCHMARK(BM_MarkupKeystrokeInListItem)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_RichScrollByViewport(benchmark::State& state)
{
    Page page(true);
    page.paint();
    reportSteps(state, EditorBench::scrollByViewports(state, *page.editor().verticalScrollBar(), [&] { page.paint(); }));
}
BENCHMARK(BM_RichScrollByViewport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char name[] = "rich_editor_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    QTemporaryDir home;
    qputenv("QUORVEL_DATA_DIR", home.filePath("data").toUtf8());
    qputenv("QUORVEL_CONFIG_DIR", home.filePath("config").toUtf8());
    ZQEditorPage::installServices(QString());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
