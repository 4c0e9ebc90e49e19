// Exporting a page of mixed constructs to HTML (1 MB and 4 MB: the time should
// grow linearly), beside the reference renderer cmark on the same text.

#include "BenchPages.h"
#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>

namespace {

// Milliseconds cmark takes for the same text; -1 without cmark.
double cmarkMilliseconds(const QString& page)
{
    const QString cmark = QStandardPaths::findExecutable(QStringLiteral("cmark"));
    if (cmark.isEmpty())
        return -1;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(cmark, {QStringLiteral("--unsafe")});
    process.write(page.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(60000);
    process.readAllStandardOutput();
    return double(timer.nsecsElapsed()) / 1e6;
}

void exportPage(benchmark::State& state)
{
    BenchPages::setUpApplication();
    const QString page = BenchPages::samplePage(state.range(0) * 1024 * 1024);
    const plat::AttributedString markup(page);
    ZQRender render;
    for (auto _ : state) {
        QString html = render.renderMarkupToHTML(markup, QString(), nullptr);
        benchmark::DoNotOptimize(html);
    }
    state.SetBytesProcessed(state.iterations() * page.toUtf8().size());
    state.counters["cmark_ms"] = cmarkMilliseconds(page);
}

} // namespace

BENCHMARK(exportPage)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
