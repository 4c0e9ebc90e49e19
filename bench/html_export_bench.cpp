// Exporting a page of mixed constructs to HTML (1 MB and 4 MB: the time should
// grow linearly), beside the reference renderer cmark on the same text.

#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/foundation/ZSSettings.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedString.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The application's setup: a GUI application (fonts of the theme) and settings.
void setUpApplication()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "html_export_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir dir;
    static auto defaults = std::make_shared<plat::UserDefaults>(dir.filePath(QStringLiteral("defaults.ini")));
    ZSRegisteredDefaults::registerTable(defaults.get());
    plat::UserDefaults::setStandardUserDefaults(defaults);
    ZSSettings::hookPlatformSettings(ZSSettings::create());
}

QString samplePage(qsizetype size)
{
    const QString chunk = QStringLiteral(
        "# Heading with *emphasis*\n\n"
        "A paragraph of text that runs over  \n"
        "two lines with [a link][ref], `code`, **strong** and a footnote[^n].\n\n"
        "> A quote with\n> - a list item inside\n> > nested quote\n\n"
        "0. first item\n1. second item\n\n"
        "- loose item\n\n- [x] done task\n- [ ] open task\n\n"
        "```cpp\nint main() { return 0 < 1; }\n```\n\n"
        "    indented code\n\n"
        "<div>\nhtml block\n</div>\n\n"
        "Setext heading\n--------------\n\n"
        "* * *\n\n"
        "[ref]: https://example.com \"Title\"\n"
        "[^n]: The footnote body.\n\n");
    QString page;
    page.reserve(size + chunk.size());
    while (page.size() < size)
        page += chunk;
    return page;
}

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
    setUpApplication();
    const QString page = samplePage(state.range(0) * 1024 * 1024);
    const plat::AttributedString markup(page);
    const qint64 bytes = page.toUtf8().size();
    ZQRender render;
    // The first export of each size also pays for growing the heap (page faults,
    // costly on virtual machines); it is reported on its own, and the timed runs
    // measure the export itself.
    static QHash<qint64, double> firstMilliseconds;
    if (!firstMilliseconds.contains(state.range(0))) {
        QElapsedTimer first;
        first.start();
        benchmark::DoNotOptimize(render.renderMarkupToHTML(markup, QString(), nullptr));
        firstMilliseconds.insert(state.range(0), double(first.nsecsElapsed()) / 1e6);
    }
    for (auto _ : state) {
        QString html = render.renderMarkupToHTML(markup, QString(), nullptr);
        benchmark::DoNotOptimize(html);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB_per_s"] = benchmark::Counter(double(state.iterations() * bytes) / 1e6,
                                                    benchmark::Counter::kIsRate);
    state.counters["first_export_ms"] = firstMilliseconds.value(state.range(0));
    const double cmark = cmarkMilliseconds(page);
    state.counters["cmark_ms"] = cmark;
    state.counters["cmark_MB_per_s"] = cmark > 0 ? double(bytes) / 1e3 / cmark : -1;
}

} // namespace

BENCHMARK(exportPage)->Arg(1)->Arg(4)->MinTime(2)->Unit(benchmark::kMillisecond);
