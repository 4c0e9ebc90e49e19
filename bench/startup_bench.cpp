// Cold start of the program to its library window on screen, with a library
// of 1,000 pages: the whole process, from its start until it takes hand-overs
// (which it does once the window's first paint is flushed). Each repetition
// starts the program once; the median of 10 is the figure.
//
// Set-up: a first start seeds a home (spaces, welcome pages); then 1,000 copies
// of a page package and their records are added in-process.

#include "app/shell/ZQAppInstance.h"
#include "kit/storage/ExsContext.h"
#include "kit/storage/ZSCoreData.h"
#include "kit/storage/ZSCoreDataUtil.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedString.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int PageCount = 1000;

// A temporary home, or QUORVEL_BENCH_HOME (kept, for profiling the program in it).
QString homeDir()
{
    static QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("QUORVEL_BENCH_HOME");
    return kept.isEmpty() ? dir.path() : kept;
}

QString dataDir() { return QDir(homeDir()).filePath(QStringLiteral("data")); }
QString configDir() { return QDir(homeDir()).filePath(QStringLiteral("config")); }

QProcessEnvironment programEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVEL_DATA_DIR"), dataDir());
    env.insert(QStringLiteral("QUORVEL_CONFIG_DIR"), configDir());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    return env;
}

// Starts the program; the milliseconds until it listens, or -1.
double startAndWaitForWindow(QProcess& program)
{
    program.setProcessEnvironment(programEnvironment());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(QUORVEL_PROGRAM), {});
    if (!program.waitForStarted(10000))
        return -1;
    const QString name = ZQAppInstance::serverName(dataDir());
    while (timer.elapsed() < 60000 && program.state() == QProcess::Running) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(50))
            return timer.nsecsElapsed() / 1e6;
        program.waitForFinished(1);
    }
    return -1;
}

void stop(QProcess& program)
{
    program.terminate();
    program.waitForFinished(30000);
}

bool prepareLibrary()
{
    QDir().mkpath(configDir());
    QProcess first;
    if (startAndWaitForWindow(first) < 0)
        return false;
    stop(first);

    qputenv("QUORVEL_DATA_DIR", dataDir().toUtf8());
    qputenv("QUORVEL_CONFIG_DIR", configDir().toUtf8());
    plat::UserDefaults defaults(QDir(configDir()).filePath(QStringLiteral("Quorvel.ini")));
    const QString space = defaults.stringForKey(QStringLiteral("com.zolfarin.quorvel.AppID")) + QStringLiteral("ds");
    const QDir spaceDir(QDir(dataDir()).filePath(space));
    const QStringList packages = spaceDir.entryList({QStringLiteral("*.mkqrv")}, QDir::Dirs, QDir::Name);
    if (packages.isEmpty())
        return false;
    const QDir source(spaceDir.filePath(packages.first()));
    const auto context = ZSCoreData::sharedCoredData()->pageObjectContext(space);
    for (int n = 0; n < PageCount; ++n) {
        const QString name = QStringLiteral("p-%1.mkqrv").arg(1000 + n);
        QDir().mkpath(spaceDir.filePath(name));
        for (const QString& file : source.entryList(QDir::Files))
            QFile::copy(source.filePath(file), spaceDir.filePath(name + QLatin1Char('/') + file));
        ZSCoreDataUtil::createPageRecord(name, plat::AttributedString(QStringLiteral("Page %1").arg(n)), space,
                                         QString(), plat::Value());
    }
    return Exs::persistAndWait(context);
}

void BM_ColdStartToLibraryWindow(benchmark::State& state)
{
    static const bool prepared = prepareLibrary();
    if (!prepared) {
        state.SkipWithError("the library could not be prepared");
        return;
    }
    for (auto _ : state) {
        QProcess program;
        const double ms = startAndWaitForWindow(program);
        stop(program);
        if (ms < 0) {
            state.SkipWithError("the program did not show its window");
            return;
        }
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["pages"] = PageCount;
}
BENCHMARK(BM_ColdStartToLibraryWindow)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(10)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
