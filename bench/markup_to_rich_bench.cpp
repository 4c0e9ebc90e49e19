// Markup to rich text of a 200 KB and a 2 MB page (the time should grow
// linearly), and the markup editor's restyling: a whole 200 KB page after an
// edit in one paragraph, beside restyling that paragraph as a text of its own.

#include "BenchPages.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/text/AttributedString.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype KB = 1024;

void markupToRich(benchmark::State& state)
{
    BenchPages::setUpApplication();
    const plat::AttributedString markup(BenchPages::samplePage(state.range(0) * KB));
    ZQRender render;
    for (auto _ : state) {
        plat::MutableAttributedString rich = render.renderMarkupToRich(markup, false, ZQMarkupType::Markdown);
        benchmark::DoNotOptimize(rich);
    }
    state.SetBytesProcessed(state.iterations() * markup.length() * 2);
}

// The page styled once, then one paragraph edited before each restyling.
void restylePage(benchmark::State& state)
{
    BenchPages::setUpApplication();
    ZQRender render;
    plat::MutableAttributedString page{plat::AttributedString(BenchPages::samplePage(200 * KB))};
    render.highlightMarkdown(page);
    const qsizetype word = page.string().indexOf(QStringLiteral("runs over"), page.length() / 2);
    bool strong = false;
    for (auto _ : state) {
        strong = !strong;
        page.replaceCharacters(plat::Range(word, 1), strong ? QStringLiteral("*") : QStringLiteral("r"));
        render.highlightMarkdown(page);
    }
    state.SetBytesProcessed(state.iterations() * page.length() * 2);
}

void restyleParagraph(benchmark::State& state)
{
    BenchPages::setUpApplication();
    ZQRender render;
    const QString& chunk = BenchPages::sampleChunk();
    const qsizetype start = chunk.indexOf(QStringLiteral("A paragraph"));
    const qsizetype end = chunk.indexOf(QStringLiteral("\n\n"), start) + 1;
    plat::MutableAttributedString paragraph{plat::AttributedString(chunk.mid(start, end - start))};
    render.highlightMarkdown(paragraph);
    bool strong = false;
    for (auto _ : state) {
        strong = !strong;
        paragraph.replaceCharacters(plat::Range(2, 1), strong ? QStringLiteral("*") : QStringLiteral("p"));
        render.highlightMarkdown(paragraph);
    }
    state.SetBytesProcessed(state.iterations() * paragraph.length() * 2);
    state.counters["paragraph_chars"] = double(paragraph.length());
}

} // namespace

BENCHMARK(markupToRich)->Arg(200)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(restylePage)->Unit(benchmark::kMillisecond);
BENCHMARK(restyleParagraph)->Unit(benchmark::kMicrosecond);
