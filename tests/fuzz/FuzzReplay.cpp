// The fuzz targets in the sanitizer build, without libFuzzer: every seed once,
// then simple random mutations of the seeds (bytes flipped, inserted from the
// markup's own characters, deleted, repeated, spliced) for a few seconds, from
// a fixed random seed. A broken property or a sanitizer report fails the run
// (see below for targets whose property has known failures).
//
// Usage: fuzz_replay_TARGET [--seconds S] [--write-seeds FOLDER]
//   --write-seeds writes the seeds (without the known failing ones) as files
//   for libFuzzer's corpus and runs nothing.

#include "FuzzSupport.h"
#include "KnownFailures.h"

#include "kit/render/ZQRender.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Resources.h"
#include "platform/text/AttributedText.h"
#include "support/CommonMarkExamples.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

namespace {

struct Seed {
    QString name;
    QByteArray bytes;
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::vector<Seed> markupSeeds()
{
    std::vector<Seed> seeds;
    for (const CommonMarkSpec::Example& example : CommonMarkSpec::readExamples())
        seeds.push_back({QStringLiteral("example-%1").arg(example.number, 3, 10, QLatin1Char('0')), example.markdown.toUtf8()});
    const QString data = qEnvironmentVariable("QUORVEL_TEST_DATA");
    QDirIterator files(data, {QStringLiteral("*.md"), QStringLiteral("*.qm")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList paths;
    while (files.hasNext())
        paths << files.next();
    paths.sort();
    for (const QString& path : paths)
        seeds.push_back({QStringLiteral("data/") + QDir(data).relativeFilePath(path), fileBytes(path)});
    return seeds;
}

// Archives of the rich text of CommonMark examples: fonts, paragraph styles,
// lists and colours in runs, as the editors archive them.
std::vector<Seed> archiveSeeds()
{
    std::vector<Seed> seeds;
    ZQRender render;
    for (const CommonMarkSpec::Example& example : CommonMarkSpec::readExamples()) {
        if (example.number % 5 != 0)
            continue;
        const plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(example.markdown), false, ZQMarkupType::Markdown);
        const QByteArray archive = plat::KeyedArchiver::archivedData(plat::AttributedText::create(rich));
        if (!archive.isEmpty())
            seeds.push_back({QStringLiteral("archive-example-%1").arg(example.number, 3, 10, QLatin1Char('0')), archive});
    }
    return seeds;
}

std::vector<Seed> themeSeeds()
{
    std::vector<Seed> seeds;
    for (const QString& path : plat::Resources::pathsForResources(QStringLiteral("json"), QStringLiteral("themes")))
        seeds.push_back({QStringLiteral("theme-") + QFileInfo(path).fileName(), fileBytes(path)});
    return seeds;
}

std::vector<Seed> seedsOf(FuzzSupport::Seeds kind)
{
    switch (kind) {
    case FuzzSupport::Seeds::Markup:
        return markupSeeds();
    case FuzzSupport::Seeds::Archives:
        return archiveSeeds();
    case FuzzSupport::Seeds::Themes:
        return themeSeeds();
    }
    return {};
}

// One to four edits of the input.
QByteArray mutate(QByteArray input, const std::vector<Seed>& seeds, std::mt19937& random)
{
    static const QByteArray alphabet = "*_[]()!`<>#-+=~|\\&;:/\"' \t\n\r0123456789abcxyz\x00\xc3\xa9";
    const auto pick = [&](qsizetype bound) { return qsizetype(random() % std::uint32_t(std::max<qsizetype>(bound, 1))); };
    const int edits = 1 + int(random() % 4);
    for (int edit = 0; edit < edits; ++edit) {
        switch (random() % 6) {
        case 0: // flip a byte
            if (!input.isEmpty())
                input[pick(input.size())] = char(random());
            break;
        case 1: // insert a character of the markup
            input.insert(pick(input.size() + 1), alphabet[pick(alphabet.size())]);
            break;
        case 2: { // delete a short range
            const qsizetype at = pick(input.size());
            input.remove(at, 1 + pick(8));
            break;
        }
        case 3: { // repeat a short range
            const qsizetype at = pick(input.size());
            const QByteArray part = input.mid(at, 1 + pick(6));
            for (int i = pick(8); i >= 0; --i)
                input.insert(at, part);
            break;
        }
        case 4: { // splice in part of another seed
            const QByteArray& other = seeds[std::size_t(pick(qsizetype(seeds.size())))].bytes;
            const qsizetype from = pick(other.size());
            input.insert(pick(input.size() + 1), other.mid(from, 1 + pick(64)));
            break;
        }
        default: // cut off the end
            input.truncate(pick(input.size() + 1));
            break;
        }
    }
    return input.left(qsizetype(FuzzSupport::MaxInput));
}

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3;
    QString writeSeeds;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (qstrcmp(argv[i], "--seconds") == 0)
            seconds = QString::fromLocal8Bit(argv[i + 1]).toDouble();
        else if (qstrcmp(argv[i], "--write-seeds") == 0)
            writeSeeds = QString::fromLocal8Bit(argv[i + 1]);
    }
    FuzzSupport::setUp();
    const std::vector<Seed> seeds = seedsOf(fuzzTarget.seeds);
    if (seeds.empty()) {
        std::printf("%s: no seeds found (QUORVEL_NODE_MODULES, QUORVEL_TEST_DATA, QUORVEL_RESOURCES)\n", fuzzTarget.name);
        return 1;
    }

    if (!writeSeeds.isEmpty()) {
        QDir().mkpath(writeSeeds);
        int written = 0;
        for (const Seed& seed : seeds) {
            if (FuzzSupport::knownFailure(fuzzTarget.name, seed.name))
                continue;
            QFile file(QDir(writeSeeds).filePath(QString(seed.name).replace(QLatin1Char('/'), QLatin1Char('_'))));
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(seed.bytes) == seed.bytes.size())
                ++written;
        }
        std::printf("%s: %d seeds written to %s\n", fuzzTarget.name, written, qPrintable(writeSeeds));
        return 0;
    }

    QString current;
    int findings = 0;
    bool failed = false;
    FuzzSupport::findingHandler() = [&](const QString& what, const QByteArray& input) {
        failed = true;
        ++findings;
        std::printf("FINDING in %s: %s\n  input: %s\n", qPrintable(current), qPrintable(what),
                    qPrintable(FuzzSupport::quoted(QString::fromUtf8(input))));
    };
    const auto run = [&](const QByteArray& input) {
        failed = false;
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()), std::size_t(input.size()));
        return !failed;
    };

    int skipped = 0;
    std::vector<const Seed*> passing;
    for (const Seed& seed : seeds) {
        current = seed.name;
        if (const FuzzSupport::KnownFailure* known = FuzzSupport::knownFailure(fuzzTarget.name, seed.name)) {
            ++skipped;
            // Tried all the same, quietly: a fixed fault should leave the list.
            auto handler = FuzzSupport::findingHandler();
            FuzzSupport::findingHandler() = [&](const QString&, const QByteArray&) { failed = true; };
            if (run(seed.bytes))
                std::printf("known failing seed %s passes now: remove it from KnownFailures.h (%s)\n",
                            qPrintable(seed.name), known->fault);
            FuzzSupport::findingHandler() = handler;
            continue;
        }
        if (run(seed.bytes))
            passing.push_back(&seed);
    }

    // Where the property fails on seeds today, mutations find the same faults
    // in new shapes: they are printed, and fail the run only once the target's
    // list of known failures is empty. Sanitizer reports always fail it.
    const int seedFindings = findings;
    const bool propertyBrokenToday = skipped > 0;
    std::mt19937 random(20261211);
    QElapsedTimer timer;
    timer.start();
    int mutations = 0;
    while (!passing.empty() && double(timer.elapsed()) / 1000 < seconds) {
        const Seed& seed = *passing[random() % passing.size()];
        current = QStringLiteral("mutation %1 of %2").arg(++mutations).arg(seed.name);
        run(mutate(seed.bytes, seeds, random));
    }
    std::printf("%s: %zu seeds (%d known failing skipped), %d mutations in %.1f s, %d findings\n", fuzzTarget.name,
                seeds.size(), skipped, mutations, double(timer.elapsed()) / 1000, findings);
    if (propertyBrokenToday && findings > seedFindings)
        std::printf("%d mutation findings not failing the run: the property has known failures\n", findings - seedFindings);
    return (propertyBrokenToday ? seedFindings : findings) ? 1 : 0;
}
