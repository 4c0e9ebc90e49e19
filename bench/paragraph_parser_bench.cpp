// Inline parsing: a paragraph-heavy page of about 1 MB for each render target,
// and inputs that would defeat a backtracking or quadratic parser, at growing
// sizes so that the reported complexity shows the growth.

#include "kit/filters/ZQParagraphParser.h"
#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQLinkRef.h"
#include "kit/model/ZQRenderContext.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedString.h"

#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// The filters read the shared settings, which the application installs first.
void installSettings()
{
    static const bool installed = [] {
        static QTemporaryDir dir;
        auto defaults = std::make_shared<plat::UserDefaults>(dir.filePath(QStringLiteral("defaults.ini")));
        ZSRegisteredDefaults::registerTable(defaults.get());
        plat::UserDefaults::setStandardUserDefaults(defaults);
        ZSSettings::hookPlatformSettings(ZSSettings::create());
        return true;
    }();
    (void)installed;
}

// Paragraphs that mix every inline construct, repeated to about 1 MB.
QStringList sampleParagraphs()
{
    const QStringList chunk = {
        QStringLiteral("A paragraph with *emphasis*, **strong**, ***both***, `code spans` and ~~struck~~ text,\n"
                       "a [link](https://example.com/path?a=1&b=2 \"Title\") and a [reference][ref] link."),
        QStringLiteral("Entities &amp; &auml; &#128512; and plain < > \" & characters, \\*escapes\\* and\n"
                       "<b>raw HTML</b>, an autolink <https://example.com> and <me@example.com>."),
        QStringLiteral("An image ![alt *text*](images/picture.png \"Picture\") and a footnote[^n], then\n"
                       "nested **strong with *emphasis* and `code`** and [a *styled* link](u)."),
    };
    QStringList paragraphs;
    qsizetype size = 0;
    while (size < 1024 * 1024) {
        paragraphs += chunk;
        for (const QString& p : chunk)
            size += p.size();
    }
    return paragraphs;
}

std::shared_ptr<ZQRenderContext> contextFor(quint64 target)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    for (const char* label : {"ref", "^n"}) {
        auto ref = ZQLinkRef::initWithLink(QStringLiteral("https://example.com/ref"), QString());
        ref->setLabel(QString::fromLatin1(label));
        ref->setIsFootnote(label[0] == '^');
        refs->insert(ref->label(), ref);
    }
    auto context = std::make_shared<ZQRenderContext>();
    context->setRenderTargetType(target);
    context->setLinkRefMap(refs);
    return context;
}

qint64 optionsFor(quint64 target)
{
    return target == ZQRenderContext::TargetHTML ? 70 : target == ZQRenderContext::TargetRich ? 12 : 16;
}

void parseParagraphHeavyPage(benchmark::State& state)
{
    installSettings();
    const QStringList paragraphs = sampleParagraphs();
    const quint64 target = quint64(state.range(0));
    ZQParagraphParser parser;
    qint64 bytes = 0;
    for (auto _ : state) {
        auto context = contextFor(target);
        for (const QString& text : paragraphs) {
            plat::MutableAttributedString paragraph(text);
            ZQParagraphParser::Markers records;
            parser.parseParagraph(paragraph, &records, optionsFor(target), *context);
            benchmark::DoNotOptimize(paragraph);
            bytes += text.size() * 2;
        }
    }
    state.SetBytesProcessed(bytes);
}

// One paragraph of n characters made of a repeated attack pattern.
QString attack(int kind, qsizetype n)
{
    switch (kind) {
    case 0:
        return QString(n, QLatin1Char('*'));
    case 1:
        return QString(n, QLatin1Char('['));
    case 2:
        return QString(n / 2, QLatin1Char('[')) + QString(n - n / 2, QLatin1Char(']'));
    case 3:
        return QStringLiteral("<a ").repeated(n / 3);
    case 4:
        return QStringLiteral("![*a* `b` ").repeated(n / 10);
    default:
        return QStringLiteral("a* _b ").repeated(n / 6);
    }
}

void parseAttack(benchmark::State& state, int kind)
{
    installSettings();
    const QString text = attack(kind, state.range(0));
    ZQParagraphParser parser;
    for (auto _ : state) {
        auto context = contextFor(ZQRenderContext::TargetHTML);
        plat::MutableAttributedString paragraph(text);
        parser.parseParagraph(paragraph, nullptr, 70, *context);
        benchmark::DoNotOptimize(paragraph);
    }
    state.SetComplexityN(state.range(0));
}

} // namespace

// HTML (1), markup styling (2), rich text (3).
BENCHMARK(parseParagraphHeavyPage)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// Each attack from 64 K to 1 M characters.
#define ATTACK(name, kind)                                                                                    \
    BENCHMARK_CAPTURE(parseAttack, name, kind)                                                                \
        ->RangeMultiplier(4)                                                                                  \
        ->Range(1 << 16, 1 << 20)                                                                             \
        ->Unit(benchmark::kMillisecond)                                                                       \
        ->Complexity(benchmark::oN)
ATTACK(stars, 0);
ATTACK(openBrackets, 1);
ATTACK(nestedBrackets, 2);
ATTACK(unclosedTags, 3);
ATTACK(unclosedImagesHoldingSpans, 4);
ATTACK(unmatchedDelimiters, 5);
