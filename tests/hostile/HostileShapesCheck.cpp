// A hang detector, not a timing test: every hostile shape at 1 MB through each
// conversion not listed as known quadratic, in one shard of the shapes. A
// conversion that takes longer than the generous budget (default 300 s, or
// QUORVEL_HOSTILE_BUDGET seconds) fails the run; one that never ends is stopped
// by CTest's timeout, after the line naming it has been printed.
//
// Usage: hostile_shapes_check SHARD SHARDS

#include "../../bench/BenchPages.h"
#include "../../bench/HostileShapes.h"

#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    using namespace HostileShapes;
    const int shard = argc > 2 ? std::atoi(argv[1]) : 0;
    const int shards = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const double budget = qEnvironmentVariableIsSet("QUORVEL_HOSTILE_BUDGET")
        ? qEnvironmentVariable("QUORVEL_HOSTILE_BUDGET").toDouble()
        : 300;
    constexpr qsizetype Size = 1024 * 1024;

    BenchPages::setUpApplication();
    ZQRender render;
    int failures = 0;
    for (std::size_t i = 0; i < shapes().size(); ++i) {
        if (int(i % std::size_t(shards)) != shard)
            continue;
        const Shape& shape = shapes()[i];
        const QString page = shape.page(Size);
        plat::MutableAttributedString rich;
        for (Conversion conversion : conversions()) {
            const bool needsRich = conversion == RichToMarkup;
            if ((shape.knownQuadratic & conversion) || (needsRich && (shape.knownQuadratic & ToRich))) {
                std::printf("%-40s %-8s skipped: known quadratic\n", shape.name, conversionName(conversion));
                continue;
            }
            std::printf("%-40s %-8s ", shape.name, conversionName(conversion));
            std::fflush(stdout);
            QElapsedTimer timer;
            timer.start();
            runConversion(render, conversion, page, rich);
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            const bool over = seconds > budget;
            failures += over;
            std::printf("%.2f s%s\n", seconds, over ? "  OVER THE BUDGET: superlinear?" : "");
            std::fflush(stdout);
        }
    }
    if (failures)
        std::printf("%d conversions over the %.0f s budget\n", failures, budget);
    return failures ? 1 : 0;
}
