// One keystroke in the rich editor on pages of 50 KB, 200 KB and 800 KB, at
// the page's end and inside a paragraph in its middle: the character goes in
// through the view as the editor inserts it, the rich editor repairs the
// attributes on the text change, then live styling runs on key-up. A plain
// letter styles nothing; the closing "*" of "*ab*" styles, and live styling
// repairs once more. The time per keystroke should not grow with the page.

#include "BenchPages.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZSAbstractTextView.h"

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype KB = 1024;

enum Where { AtEnd = 0, InMiddle = 1 };

struct Page {
    explicit Page(qsizetype size, Where where)
    {
        const plat::MutableAttributedString rich = render.renderMarkupToRich(
            plat::AttributedString(BenchPages::samplePageOfOwnLabels(size)), false, ZQMarkupType::Markdown);
        view.textStorage()->replaceCharacters(plat::Range(0, 0), rich);
        view.setEditorType(1);
        view.addTextDidChangeObserver([this](plat::TextView& changed) { render.fixRichAttributes(changed); });
        // The editor repairs the page once when it shows it.
        render.fixRichAttributes(view);
        caret = where == AtEnd ? view.string().size()
                               : view.string().indexOf(QStringLiteral("runs over"), view.string().size() / 2);
    }

    // The keys typed at the caret, each followed by what the editor runs.
    void type(const QString& keys)
    {
        view.setSelectedRange(plat::Range(caret, 0));
        for (const QChar key : keys) {
            view.insertText(QString(key));
            render.renderOnFly(QString(key), view);
        }
    }

    // Puts the page back as it was before typing.
    void restore(qsizetype before)
    {
        const qsizetype added = view.string().size() - before;
        view.textStorage()->replaceCharacters(plat::Range(caret, added), QString());
    }

    ZQRender render;
    ZSAbstractTextView view;
    qsizetype caret = 0;
};

void report(benchmark::State& state, const Page& page, qsizetype keys)
{
    state.counters["s_per_key"] =
        benchmark::Counter(double(keys), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["page_chars"] = double(page.view.string().size());
}

void typeLetter(benchmark::State& state)
{
    BenchPages::setUpApplication();
    Page page(state.range(0) * KB, Where(state.range(1)));
    const qsizetype before = page.view.string().size();
    for (auto _ : state) {
        page.type(QStringLiteral("x"));
        state.PauseTiming();
        page.restore(before);
        state.ResumeTiming();
    }
    report(state, page, 1);
}

void typeEmphasis(benchmark::State& state)
{
    BenchPages::setUpApplication();
    Page page(state.range(0) * KB, Where(state.range(1)));
    const qsizetype before = page.view.string().size();
    for (auto _ : state) {
        page.type(QStringLiteral("*ab*"));
        state.PauseTiming();
        page.restore(before);
        state.ResumeTiming();
    }
    report(state, page, 4);
}

void sizes(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"KB", "middle"});
    for (const int where : {AtEnd, InMiddle})
        for (const int size : {50, 200, 800})
            bench->Args({size, where});
    bench->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(typeLetter)->Apply(sizes);
BENCHMARK(typeEmphasis)->Apply(sizes);
