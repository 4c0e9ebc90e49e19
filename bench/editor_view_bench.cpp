// The on-screen text view on a 1 MB Markdown page held as plain storage,
// offscreen: a keystroke in the middle (insert, relayout of its paragraph,
// repaint of the viewport), Return in the middle, opening the page to its
// first painted viewport, and scrolling by one viewport. Each figure is the median of the timed
// steps (s_median) with the 90th percentile beside it; the layout counters
// show that layouts are kept for the visible paragraphs, not for the page.

#include "BenchPages.h"
#include "EditorBench.h"
#include "platform/foundation/UndoManager.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"
#include "platform/ui/TextViewWidget.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

constexpr qsizetype PageSize = 1024 * 1024;
const QSize Viewport(900, 700);

const QString& page()
{
    static const QString text = BenchPages::samplePage(PageSize);
    return text;
}

struct Editor {
    Editor()
    {
        model.textStorage()->replaceCharacters(plat::Range(0, 0), page());
        model.setUndoManager(std::make_shared<plat::UndoManager>());
        widget = std::make_unique<plat::TextViewWidget>(model);
        widget->resize(Viewport);
        widget->show();
    }
    void paint() { EditorBench::paint(*widget, canvas); }

    plat::TextView model;
    std::unique_ptr<plat::TextViewWidget> widget;
    QImage canvas;
};

using EditorBench::reportSteps;
using EditorBench::seconds;

void reportLayout(benchmark::State& state, Editor& editor)
{
    plat::LayoutManager& layout = *editor.widget->layoutManager();
    const QRectF shown(QPointF(0, editor.widget->verticalScrollBar()->value() / editor.widget->scaleFactor()),
                       QSizeF(Viewport));
    const plat::Range visible = layout.glyphRangeForBoundingRect(shown);
    const qsizetype first = layout.paragraphRangeForIndex(visible.location).location;
    qsizetype paragraphs = 0;
    for (qsizetype at = first; at < visible.end(); at = layout.paragraphRangeForIndex(at).end(), ++paragraphs) {
        if (layout.paragraphRangeForIndex(at).length == 0)
            break;
    }
    state.counters["paragraphs"] = double(layout.paragraphCount());
    state.counters["visible_paragraphs"] = double(paragraphs);
    state.counters["cached_layouts"] = double(layout.cachedLayoutCount());
}

void BM_OpenToFirstPaint(benchmark::State& state)
{
    std::vector<double> steps;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Editor editor;
        editor.paint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
        state.PauseTiming();
        if (steps.size() == 1)
            reportLayout(state, editor);
        state.ResumeTiming();
    }
    reportSteps(state, steps);
}
BENCHMARK(BM_OpenToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// A key typed in a paragraph in the middle of the page, then taken back.
std::vector<double> typeAndTakeBack(benchmark::State& state, Editor& editor, Qt::Key key, const QString& text,
                                    bool& insert)
{
    const qsizetype caret = page().indexOf(QStringLiteral("runs over"), page().size() / 2);
    return EditorBench::typeAndTakeBack(state, *editor.widget, caret, key, text, insert);
}

void BM_KeystrokeInMiddle(benchmark::State& state)
{
    Editor editor;
    bool insert = true;
    reportSteps(state, typeAndTakeBack(state, editor, Qt::Key_X, QStringLiteral("x"), insert));
    reportLayout(state, editor);
    if (editor.model.string().size() != page().size() + (insert ? 0 : 1))
        state.SkipWithError("the page changed beyond the typed letter");
}
BENCHMARK(BM_KeystrokeInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);

// Return in the middle, then Backspace: the paragraph count changes each time.
void BM_ReturnInMiddle(benchmark::State& state)
{
    Editor editor;
    bool insert = true;
    reportSteps(state, typeAndTakeBack(state, editor, Qt::Key_Return, QStringLiteral("\r"), insert));
}
BENCHMARK(BM_ReturnInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// Scrolling down the page one viewport at a time, each step painted.
void BM_ScrollByViewport(benchmark::State& state)
{
    Editor editor;
    editor.paint();
    reportSteps(state, EditorBench::scrollByViewports(state, *editor.widget->verticalScrollBar(), [&] { editor.paint(); }));
    reportLayout(state, editor);
}
BENCHMARK(BM_ScrollByViewport)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    char name[] = "editor_view_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
