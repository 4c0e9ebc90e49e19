// Counting the words of a 1 MB page, as the editor's count and the outline
// operation do it (target: under 20 ms).

#include "platform/foundation/StringWords.h"

#include <benchmark/benchmark.h>

namespace {

QString megabytePage()
{
    const QString paragraph = QStringLiteral(
        "## A heading of the page\n\nSome *emphasised* words, a [link](https://example.com) and "
        "numbers like 3.14 or 2024; can't, won't and e-mail. Ein paar Wörter auf Deutsch.\n\n");
    QString page;
    while (page.size() < 1024 * 1024)
        page += paragraph;
    return page;
}

void BM_CountWordsOf1MBPage(benchmark::State& state)
{
    const QString page = megabytePage();
    qint64 words = 0;
    for (auto _ : state) {
        words = plat::countWords(page);
        benchmark::DoNotOptimize(words);
    }
    state.counters["words"] = double(words);
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}
BENCHMARK(BM_CountWordsOf1MBPage)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
