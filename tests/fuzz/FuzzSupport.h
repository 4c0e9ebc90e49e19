#pragma once
// What the fuzz targets share: the application they run in, how they read the
// input, and how they report a broken property. Under libFuzzer a finding
// aborts, so the input is saved as a crash; the replay driver (FuzzReplay.cpp)
// counts it instead and goes on.

#include "../../bench/BenchPages.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace FuzzSupport {

// The seeds a target starts from.
enum class Seeds { Markup, Archives, Themes };

// Each target names itself and its seeds.
struct Target {
    const char* name;
    Seeds seeds;
};

// Larger inputs only slow the search: the hostile shapes cover size.
constexpr std::size_t MaxInput = 16 * 1024;

// A GUI application (offscreen), defaults and private data and settings folders.
inline void setUp()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    static QTemporaryDir home;
    qputenv("QUORVEL_DATA_DIR", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("QUORVEL_CONFIG_DIR", home.filePath(QStringLiteral("config")).toUtf8());
    BenchPages::setUpApplication();
}

inline QString text(const uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Receives a broken property's description and the input that broke it.
using FindingHandler = std::function<void(const QString& what, const QByteArray& input)>;

inline FindingHandler& findingHandler()
{
    static FindingHandler handler = [](const QString& what, const QByteArray&) {
        std::fprintf(stderr, "FINDING: %s\n", qPrintable(what));
        std::abort();
    };
    return handler;
}

inline void finding(const QString& what, const QByteArray& input)
{
    findingHandler()(what, input);
}

// A short, printable quotation of text for a finding's description.
inline QString quoted(const QString& text)
{
    QString out;
    for (QChar c : text.left(400)) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return QLatin1Char('"') + out + (text.size() > 400 ? QStringLiteral("...\"") : QStringLiteral("\""));
}

} // namespace FuzzSupport

// Defined by each target beside LLVMFuzzerTestOneInput.
extern const FuzzSupport::Target fuzzTarget;
