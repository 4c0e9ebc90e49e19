// Parsing a page of about 1 MB into its block tree, in each dialect's options.

#include "kit/parsers/ZQDocTreeParser.h"

#include <benchmark/benchmark.h>

namespace {

// A page that mixes every block construct, repeated to about 1 MB.
QString samplePage()
{
    const QString chunk = QStringLiteral(
        "# Heading with *emphasis*\n"
        "\n"
        "A paragraph of text that runs over\n"
        "two lines with [a link][ref] and a footnote[^n].\n"
        "\n"
        "> A quote with\n"
        "> - a list item inside\n"
        "lazy continuation\n"
        "\n"
        "- first item\n"
        "- [x] done task\n"
        "  1. nested ordered\n"
        "  2. second\n"
        "\n"
        "      indented code in the item\n"
        "\n"
        "```cpp\n"
        "int main() { return 0; }\n"
        "```\n"
        "\n"
        "    indented code\n"
        "\tafter a tab\n"
        "\n"
        "<div>\n"
        "html block\n"
        "</div>\n"
        "\n"
        "Setext heading\n"
        "--------------\n"
        "\n"
        "* * *\n"
        "\n"
        "[ref]: https://example.com \"Title\"\n"
        "[^n]: The footnote body.\n"
        "\n");
    QString page;
    page.reserve(1024 * 1024 + chunk.size());
    while (page.size() < 1024 * 1024)
        page += chunk;
    return page;
}

void parsePage(benchmark::State& state)
{
    const QString page = samplePage();
    ZQDocTreeParser parser;
    for (auto _ : state) {
        ZQLinkRefMap map;
        std::vector<std::shared_ptr<ZQLinkRef>> duplicates;
        ZSTree tree = parser.processDocTree(page, plat::wholeRange(page), &map, &duplicates, nullptr, state.range(0));
        benchmark::DoNotOptimize(tree);
    }
    state.SetBytesProcessed(state.iterations() * page.size() * 2);
}

} // namespace

// Rich text (12), markup styling (16), HTML (70).
BENCHMARK(parsePage)->Arg(12)->Arg(16)->Arg(70)->Unit(benchmark::kMillisecond);
