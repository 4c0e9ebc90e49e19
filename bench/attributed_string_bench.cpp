// Attributed text at page scale: 1 MB of text in 100,000 attribute runs.
#include "platform/text/AttributedString.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace plat;

namespace {

constexpr qsizetype TextLength = 1'000'000;
constexpr qsizetype RunCount = 100'000;
const QString Key = QStringLiteral("key");

MutableAttributedString& largeText()
{
    static MutableAttributedString text = [] {
        QString chars(TextLength, QChar(u'a'));
        for (qsizetype i = 79; i < TextLength; i += 80)
            chars[i] = QChar(u'\n');
        MutableAttributedString s(chars);
        const qsizetype runLength = TextLength / RunCount;
        for (qsizetype run = 0; run < RunCount; ++run)
            s.setAttributes(Attributes{{Key, qint64(run)}, {ForegroundColorAttribute, qint64(run / 4 % 5)}},
                            Range(run * runLength, runLength));
        return s;
    }();
    return text;
}

std::vector<qsizetype> randomPositions(qsizetype from, qsizetype to)
{
    std::mt19937 random(42);
    std::uniform_int_distribution<qsizetype> pick(from, to - 1);
    std::vector<qsizetype> positions(4096);
    for (qsizetype& p : positions)
        p = pick(random);
    return positions;
}

void AttributesAtRandomIndex(benchmark::State& state)
{
    const AttributedString& text = largeText();
    const auto positions = randomPositions(0, text.length());
    std::size_t i = 0;
    for (auto _ : state) {
        Range range;
        benchmark::DoNotOptimize(text.attributesAtIndex(positions[i++ % positions.size()], &range));
        benchmark::DoNotOptimize(range);
    }
}
BENCHMARK(AttributesAtRandomIndex);

void ReplaceCharacterInTheMiddle(benchmark::State& state)
{
    MutableAttributedString& text = largeText();
    const auto positions = randomPositions(TextLength * 45 / 100, TextLength * 55 / 100);
    std::size_t i = 0;
    for (auto _ : state)
        text.replaceCharacters(Range(positions[i++ % positions.size()], 1), QStringLiteral("b"));
}
BENCHMARK(ReplaceCharacterInTheMiddle);

// Changes the length, so the contiguous string moves half a megabyte each time.
void InsertAndDeleteCharacterInTheMiddle(benchmark::State& state)
{
    MutableAttributedString& text = largeText();
    const auto positions = randomPositions(TextLength * 45 / 100, TextLength * 55 / 100);
    std::size_t i = 0;
    for (auto _ : state) {
        const qsizetype at = positions[i++ % positions.size()];
        text.replaceCharacters(Range(at, 0), QStringLiteral("c"));
        text.deleteCharacters(Range(at, 1));
    }
}
BENCHMARK(InsertAndDeleteCharacterInTheMiddle);

void EnumerateAttributesOverOneKilobyte(benchmark::State& state)
{
    const AttributedString& text = largeText();
    const auto positions = randomPositions(0, text.length() - 1024);
    std::size_t i = 0;
    for (auto _ : state) {
        int runs = 0;
        text.enumerateAttributes(Range(positions[i++ % positions.size()], 1024), 0,
                                 [&](const Attributes&, Range, bool*) { ++runs; });
        benchmark::DoNotOptimize(runs);
    }
}
BENCHMARK(EnumerateAttributesOverOneKilobyte);

// One attribute, equal neighbours merged (runs come in fours of one colour), backwards.
void EnumerateOneAttributeOverOneKilobyte(benchmark::State& state)
{
    const AttributedString& text = largeText();
    const auto positions = randomPositions(0, text.length() - 1024);
    std::size_t i = 0;
    for (auto _ : state) {
        int runs = 0;
        text.enumerateAttribute(ForegroundColorAttribute, Range(positions[i++ % positions.size()], 1024),
                                EnumerationReverse, [&](const Value&, Range, bool*) { ++runs; });
        benchmark::DoNotOptimize(runs);
    }
}
BENCHMARK(EnumerateOneAttributeOverOneKilobyte);

void AddAttributeOverOneKilobyte(benchmark::State& state)
{
    MutableAttributedString& text = largeText();
    const auto positions = randomPositions(0, text.length() - 1024);
    std::size_t i = 0;
    for (auto _ : state) {
        const Range range(positions[i++ % positions.size()], 1024);
        text.addAttribute(UnderlineAttribute, 1, range);
        text.removeAttribute(UnderlineAttribute, range);
    }
}
BENCHMARK(AddAttributeOverOneKilobyte);

} // namespace
