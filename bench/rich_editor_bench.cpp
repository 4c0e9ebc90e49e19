// The editors with the engine on a 1 MB page, offscreen: opening the page in
// the rich view (conversion, first layout, first paint with the decorations),
// a keystroke in the middle of the rich view and of the markup view (the
// engine's key handling and live styling or restyling, relayout, repaint of
// the viewport), and scrolling the rich view by one viewport. Each figure is
// the median of the timed steps (s_median) with the 90th percentile beside it.

#include "BenchPages.h"
#include "app/editor/ZQAbstractEditor.h"
#include "app/editor/ZQEditorPage.h"
#include "kit/render/ZQRender.h"
#include "platform/ui/LayoutManager.h"
#include "platform/ui/Painter.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
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
    void paint()
    {
        QWidget* viewport = editor().viewport();
        if (canvas.size() != viewport->size())
            canvas = QImage(viewport->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter qpainter(&canvas);
        plat::QtPainter painter(qpainter);
        editor().paintTo(painter, QRectF(QPointF(), canvas.size()));
    }
    void key(Qt::Key key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&editor(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&editor(), &release);
    }

    ZQEditorPage page;
    QImage canvas;
};

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

void reportSteps(benchmark::State& state, std::vector<double> steps)
{
    if (steps.empty())
        return;
    std::sort(steps.begin(), steps.end());
    state.counters["s_median"] = steps[steps.size() / 2];
    state.counters["s_p90"] = steps[steps.size() * 9 / 10];
}

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

// A letter typed in a paragraph in the middle, then taken back with Backspace;
// each key is timed with what the event loop does after it and the repaint.
void keystrokes(benchmark::State& state, bool rich)
{
    Page page(rich);
    ZQAbstractEditor& editor = page.editor();
    const QString& text = editor.textStorage()->string();
    const qsizetype caret = text.indexOf(QStringLiteral("runs over"), text.size() / 2);
    editor.setSelectedRange(plat::Range(caret, 0));
    editor.selectionDidChangeOutside();
    editor.scrollRangeToVisible(plat::Range(caret, 0));
    page.paint();
    const qsizetype length = text.size();
    std::vector<double> steps;
    bool insert = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (insert)
            page.key(Qt::Key_X, QStringLiteral("x"));
        else
            page.key(Qt::Key_Backspace, QString());
        QCoreApplication::processEvents();
        page.paint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
        insert = !insert;
    }
    reportSteps(state, steps);
    state.counters["cached_layouts"] = double(editor.layoutManager()->cachedLayoutCount());
    if (editor.textStorage()->length() != length + (insert ? 0 : 1))
        state.SkipWithError("the page changed beyond the typed letter");
}

void BM_RichKeystrokeInMiddle(benchmark::State& state)
{
    keystrokes(state, true);
}
BENCHMARK(BM_RichKeystrokeInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_MarkupKeystrokeInMiddle(benchmark::State& state)
{
    keystrokes(state, false);
}
BENCHMARK(BM_MarkupKeystrokeInMiddle)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_RichScrollByViewport(benchmark::State& state)
{
    Page page(true);
    page.paint();
    QScrollBar* bar = page.editor().verticalScrollBar();
    std::vector<double> steps;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bar->setValue(bar->value() + bar->pageStep() >= bar->maximum() ? 0 : bar->value() + bar->pageStep());
        page.paint();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(seconds(elapsed));
        steps.push_back(seconds(elapsed));
    }
    reportSteps(state, steps);
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
