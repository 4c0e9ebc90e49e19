// The full-text index with 10,000 pages of 2 KB: indexing them all through the
// queue (pages per second), and a two-word search over them (per-call median),
// beside the same FTS5 query run on the index file by the sqlite3 tool.

#include "app/library/ZQIndexService.h"
#include "app/library/ZQIndexText.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <random>

namespace {

constexpr int pageCount = 10000;
constexpr int pageBytes = 2048;
constexpr int vocabularySize = 20000;
// Ranks whose words lie in about one page in ten each, and together in about one in a hundred.
constexpr int firstWordRank = 200;
constexpr int secondWordRank = 300;

QString word(int rank)
{
    static const char* const syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "te", "vo", "zu", "pe", "di", "ga"};
    QString w;
    for (int n = rank + 12; n > 0; n /= 12)
        w += QLatin1String(syllables[n % 12]);
    return w;
}

// Words drawn with Zipf frequencies, as prose has them, until the page holds 2 KB.
std::vector<QString> makePages()
{
    std::mt19937 random(20151113);
    std::vector<double> weights(vocabularySize);
    for (int i = 0; i < vocabularySize; ++i)
        weights[i] = 1.0 / (i + 1);
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    std::vector<QString> vocabulary(vocabularySize);
    for (int i = 0; i < vocabularySize; ++i)
        vocabulary[i] = word(i);
    std::vector<QString> pages;
    pages.reserve(pageCount);
    for (int p = 0; p < pageCount; ++p) {
        QString text;
        text.reserve(pageBytes + 32);
        int inLine = 0;
        while (text.size() < pageBytes) {
            text += vocabulary[pick(random)];
            text += (++inLine % 12 == 0) ? QLatin1Char('\n') : QLatin1Char(' ');
        }
        pages.push_back(text);
    }
    return pages;
}

const std::vector<QString>& pages()
{
    static const std::vector<QString> instance = makePages();
    return instance;
}

QUrl pageUrl(int p)
{
    return QUrl::fromLocalFile(QStringLiteral("/library/bench/p-%1.mkqrv/main.md").arg(p));
}

void indexAll(ZQIndexService& index)
{
    const auto& texts = pages();
    for (int p = 0; p < pageCount; ++p)
        index.addFile(pageUrl(p), QString(), texts[std::size_t(p)]);
    index.waitUntilAllWritesAreDone();
}

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// One full index, kept for the searches.
ZQIndexService& fullIndex()
{
    static std::unique_ptr<ZQIndexService> index = [] {
        auto made = std::make_unique<ZQIndexService>(folder().filePath(QStringLiteral("search.index")));
        indexAll(*made);
        return made;
    }();
    return *index;
}

QString twoWords()
{
    return word(firstWordRank) + QLatin1Char(' ') + word(secondWordRank);
}

void BM_IndexPages(benchmark::State& state)
{
    pages();
    int run = 0;
    for (auto _ : state) {
        ZQIndexService index(folder().filePath(QStringLiteral("pages-%1.index").arg(++run)));
        indexAll(index);
        if (index.documentCount() != pageCount)
            state.SkipWithError("pages missing from the index");
    }
    state.counters["pages_per_second"] =
        benchmark::Counter(double(pageCount) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_IndexPages)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_SearchTwoWords(benchmark::State& state)
{
    auto& index = fullIndex();
    const QString query = twoWords();
    std::vector<double> millis;
    qsizetype hits = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        hits = index.search(query).size();
        millis.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["hits"] = double(hits);
    state.counters["median_ms"] = median(millis);
}
BENCHMARK(BM_SearchTwoWords)->Unit(benchmark::kMillisecond);

// The same query on the same file, timed by the sqlite3 tool itself, 21 runs
// in one process. Its wall clock counts whole milliseconds, so the user plus
// system time (microseconds) is given beside it.
void BM_SqliteToolSameQuery(benchmark::State& state)
{
    auto& index = fullIndex();
    const QString expression = ZQIndexText::matchExpression(twoWords());
    QString script = QStringLiteral(".timer on\n");
    const QString sql = QStringLiteral("SELECT documents.url FROM pages JOIN documents ON documents.id = pages.rowid"
                                       " WHERE pages MATCH '%1';\n")
                            .arg(QString(expression).replace(QLatin1Char('\''), QStringLiteral("''")));
    constexpr int runs = 21;
    for (int i = 0; i < runs; ++i)
        script += sql;
    std::vector<double> millis;
    std::vector<double> cpuMillis;
    qsizetype hits = 0;
    for (auto _ : state) {
        QProcess tool;
        tool.start(QStringLiteral("sqlite3"), {index.indexPath()});
        tool.write(script.toUtf8());
        tool.closeWriteChannel();
        if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
            state.SkipWithError("the sqlite3 tool failed (is it installed?)");
            return;
        }
        hits = 0;
        for (const QByteArray& line : tool.readAllStandardOutput().split('\n')) {
            if (line.startsWith("Run Time: real ")) {
                // "Run Time: real 0.001 user 0.000512 sys 0.000010"
                const QList<QByteArray> fields = line.split(' ');
                millis.push_back(fields.value(3).toDouble() * 1000.0);
                cpuMillis.push_back((fields.value(5).toDouble() + fields.value(7).toDouble()) * 1000.0);
            }
            else if (line.startsWith("file:"))
                ++hits;
        }
        hits /= runs;
    }
    state.counters["hits"] = double(hits);
    state.counters["median_ms"] = median(millis);
    state.counters["median_cpu_ms"] = median(cpuMillis);
    state.SetLabel(QStringLiteral("sqlite3 '%1' \"%2\"").arg(index.indexPath(), sql.trimmed()).toStdString());
}
BENCHMARK(BM_SqliteToolSameQuery)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
