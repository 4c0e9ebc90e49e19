// The hostile shapes (HostileShapes.h) at four sizes from 64 KB to 1 MB through
// each conversion, beside the reference renderer cmark (in-process) on the same
// page: seconds per MB at each size and the growth of the time from the
// smallest size to the largest (16 is linear) and over the last fourfold step
// (4 is linear; above 5 is reported as superlinear).
//
// A plain program rather than a Google Benchmark: a quadratic shape cannot be
// stopped once started, so each next size runs only while the time it predicts
// stays within the budget.
//
// Usage: pathological_bench [--filter TEXT] [--conversions html,rich,markup,styling]
//                           [--sizes 64,128,256,1024] [--budget SECONDS] [--shard I/N]

#include "BenchPages.h"
#include "HostileShapes.h"

#include <QElapsedTimer>
#include <cmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using namespace HostileShapes;

struct Options {
    QString filter;
    unsigned conversions = AllConversions;
    std::vector<qsizetype> sizesKB = {64, 128, 256, 1024};
    double budget = 20;
    int shard = 0;
    int shards = 1;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == QLatin1String("--filter")) {
            options.filter = value;
        } else if (name == QLatin1String("--shard")) {
            options.shard = value.section(QLatin1Char('/'), 0, 0).toInt();
            options.shards = std::max(1, value.section(QLatin1Char('/'), 1, 1).toInt());
        } else if (name == QLatin1String("--budget")) {
            options.budget = value.toDouble();
        } else if (name == QLatin1String("--sizes")) {
            options.sizesKB.clear();
            for (const QString& size : value.split(QLatin1Char(',')))
                options.sizesKB.push_back(size.toLongLong());
        } else if (name == QLatin1String("--conversions")) {
            options.conversions = 0;
            for (const QString& wanted : value.split(QLatin1Char(','))) {
                for (Conversion conversion : HostileShapes::conversions()) {
                    if (wanted == QLatin1String(conversionName(conversion)))
                        options.conversions |= conversion;
                }
            }
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            std::exit(2);
        }
    }
    return options;
}

// Seconds of the fastest of a few runs (one run when it is slow).
template <typename Run>
double seconds(Run run)
{
    double best = 1e300;
    double total = 0;
    for (int i = 0; i < 5 && total < 0.3; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        const double elapsed = double(timer.nsecsElapsed()) / 1e9;
        best = std::min(best, elapsed);
        total += elapsed;
    }
    return best;
}

double cmarkSeconds(const QByteArray& utf8)
{
    return seconds([&] {
        char* html = cmark_markdown_to_html(utf8.constData(), std::size_t(utf8.size()), CMARK_OPT_UNSAFE);
        std::free(html);
    });
}

struct Row {
    std::vector<double> secondsPerMB; // < 0: not run (over the budget)
};

QString cell(double secondsPerMB)
{
    return secondsPerMB < 0 ? QStringLiteral("skipped") : QString::number(secondsPerMB, 'f', 3);
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    BenchPages::setUpApplication();
    ZQRender render;

    std::printf("Seconds per MB at each size; growth: time at the largest size over the smallest "
                "(linear %.0f), x4: over the last fourfold step (linear 4, failing above 5).\n",
                double(options.sizesKB.back()) / double(options.sizesKB.front()));
    std::printf("%-40s %-8s", "shape", "step");
    for (qsizetype kb : options.sizesKB)
        std::printf(" %9lldK", static_cast<long long>(kb));
    std::printf(" %8s %6s  %s\n", "growth", "x4", "verdict");

    QStringList superlinear;
    for (std::size_t index = 0; index < shapes().size(); ++index) {
        const Shape& shape = shapes()[index];
        if (!options.filter.isEmpty() && !QString::fromLatin1(shape.name).contains(options.filter))
            continue;
        if (int(index % std::size_t(options.shards)) != options.shard)
            continue;
        std::vector<QString> pages;
        for (qsizetype kb : options.sizesKB)
            pages.push_back(shape.page(kb * 1024));

        std::vector<Row> rows(conversions().size() + 1);
        // The rich text of each size, for writing it back; none where markup to rich was over the budget.
        std::vector<plat::MutableAttributedString> richBySize(pages.size());
        std::vector<bool> richOverBudget(pages.size(), false);
        for (std::size_t c = 0; c <= conversions().size(); ++c) {
            const bool isCmark = c == conversions().size();
            const Conversion conversion = isCmark ? Conversion(0) : conversions()[c];
            if (!isCmark && !(options.conversions & conversion))
                continue;
            double lastSeconds = 0;
            double exponent = 1;
            for (std::size_t s = 0; s < pages.size(); ++s) {
                const QByteArray utf8 = pages[s].toUtf8();
                const double megabytes = double(utf8.size()) / (1024.0 * 1024.0);
                bool skip = conversion == RichToMarkup && richOverBudget[s];
                if (s > 0) {
                    // Stop before a run that would take longer than the budget at the growth seen so far.
                    const double ratio = double(pages[s].size()) / double(pages[s - 1].size());
                    skip = skip || rows[c].secondsPerMB[s - 1] < 0
                        || lastSeconds * std::pow(ratio, exponent) > options.budget;
                }
                if (skip) {
                    rows[c].secondsPerMB.push_back(-1);
                    if (conversion == ToRich)
                        richOverBudget[s] = true;
                    continue;
                }
                double elapsed = 0;
                if (isCmark) {
                    elapsed = cmarkSeconds(utf8);
                } else if (conversion == RichToMarkup) {
                    if (!(options.conversions & ToRich))
                        runConversion(render, ToRich, pages[s], richBySize[s]);
                    elapsed = seconds([&] {
                        plat::MutableAttributedString rich = richBySize[s]; // written back in place
                        runConversion(render, RichToMarkup, pages[s], rich);
                    });
                } else {
                    elapsed = seconds([&] { runConversion(render, conversion, pages[s], richBySize[s]); });
                }
                if (s > 0 && lastSeconds > 0.01)
                    exponent = std::max(1.0, std::log(elapsed / lastSeconds)
                                                 / std::log(double(pages[s].size()) / double(pages[s - 1].size())));
                lastSeconds = elapsed;
                rows[c].secondsPerMB.push_back(elapsed / megabytes);
            }
            if (conversion == RichToMarkup)
                richBySize.assign(pages.size(), plat::MutableAttributedString());

            const std::vector<double>& perMB = rows[c].secondsPerMB;
            std::printf("%-40s %-8s", shape.name, isCmark ? "cmark" : conversionName(conversion));
            for (double value : perMB)
                std::printf(" %10s", qPrintable(cell(value)));
            const std::size_t last = pages.size() - 1;
            QString verdict;
            double growth = -1;
            double fourfold = -1;
            if (perMB[last] >= 0) {
                growth = perMB[last] / std::max(perMB[0], 1e-9) * double(options.sizesKB[last]) / double(options.sizesKB[0]);
                std::size_t quarter = last;
                while (quarter > 0 && options.sizesKB[quarter] * 4 > options.sizesKB[last])
                    --quarter;
                if (options.sizesKB[quarter] * 4 == options.sizesKB[last] && perMB[quarter] >= 0)
                    fourfold = perMB[last] / std::max(perMB[quarter], 1e-9) * 4;
                verdict = fourfold > 5 ? QStringLiteral("SUPERLINEAR")
                                       : perMB[last] > 0.5 && !isCmark ? QStringLiteral("slow (over 0.5 s/MB)")
                                                                       : QStringLiteral("ok");
            } else {
                // The growth the measured sizes point to, had the largest run.
                std::size_t measured = 0;
                while (measured + 1 < perMB.size() && perMB[measured + 1] >= 0)
                    ++measured;
                if (measured > 0 && perMB[0] >= 0) {
                    const double sizeRatio = double(options.sizesKB[measured]) / double(options.sizesKB[0]);
                    const double slope = std::log(perMB[measured] / std::max(perMB[0], 1e-9) * sizeRatio) / std::log(sizeRatio);
                    growth = std::pow(double(options.sizesKB[last]) / double(options.sizesKB[0]), slope);
                }
                verdict = growth > 0 ? QStringLiteral("OVER BUDGET (%1 s) at the largest size; growth extrapolated").arg(options.budget)
                                     : QStringLiteral("OVER BUDGET (%1 s) after the smallest size").arg(options.budget);
            }
            if (!isCmark && (verdict.startsWith(QLatin1String("SUPERLINEAR")) || verdict.startsWith(QLatin1String("OVER"))))
                superlinear << QStringLiteral("%1/%2").arg(QLatin1String(shape.name), QLatin1String(conversionName(conversion)));
            std::printf(" %8s %6s  %s\n", growth < 0 ? "-" : qPrintable(QString::number(growth, 'f', 1)),
                        fourfold < 0 ? "-" : qPrintable(QString::number(fourfold, 'f', 1)), qPrintable(verdict));
            std::fflush(stdout);
        }
    }
    std::printf("\nSuperlinear or over the budget (%lld): %s\n", static_cast<long long>(superlinear.size()),
                qPrintable(superlinear.join(QLatin1Char(' '))));
    return 0;
}
