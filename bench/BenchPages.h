#pragma once
// What the render benchmarks share: the application's setup and a page of
// mixed constructs of a given size.

#include "kit/foundation/ZSRegisteredDefaults.h"
#include "kit/model/ZSSettings.h"
#include "platform/foundation/UserDefaults.h"

#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

namespace BenchPages {

// A GUI application (fonts of the theme) and settings of their own.
inline void setUpApplication()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir dir;
    static auto defaults = std::make_shared<plat::UserDefaults>(dir.filePath(QStringLiteral("defaults.ini")));
    ZSRegisteredDefaults::registerTable(defaults.get());
    plat::UserDefaults::setStandardUserDefaults(defaults);
    ZSSettings::hookPlatformSettings(ZSSettings::create());
}

// One chunk of every construct.
inline const QString& sampleChunk()
{
    static const QString chunk = QStringLiteral(
        "# Heading with *emphasis*\n\n"
        "A paragraph of text that runs over  \n"
        "two lines with [a link][ref], `code`, **strong** and a footnote[^n].\n\n"
        "> A quote with\n> - a list item inside\n> > nested quote\n\n"
        "0. first item\n1. second item\n\n"
        "- loose item\n\n- [x] done task\n- [ ] open task\n\n"
        "```cpp\nint main() { return 0 < 1; }\n```\n\n"
        "    indented code\n\n"
        "<div>\nhtml block\n</div>\n\n"
        "Setext heading\n--------------\n\n"
        "* * *\n\n"
        "[ref]: https://example.com \"Title\"\n"
        "[^n]: The footnote body.\n\n");
    return chunk;
}

inline QString samplePage(qsizetype size)
{
    QString page;
    page.reserve(size + sampleChunk().size());
    while (page.size() < size)
        page += sampleChunk();
    return page;
}

// The same chunks with labels of their own, so that no definition is left
// over to pile up at the page's end, as on a page someone wrote.
inline QString samplePageOfOwnLabels(qsizetype size)
{
    QString page;
    page.reserve(size + sampleChunk().size());
    for (int chunk = 0; page.size() < size; ++chunk) {
        const QString suffix = QString::number(chunk);
        page += QString(sampleChunk())
                    .replace(QStringLiteral("[ref]"), QStringLiteral("[ref") + suffix + QStringLiteral("]"))
                    .replace(QStringLiteral("[^n]"), QStringLiteral("[^n") + suffix + QStringLiteral("]"));
    }
    return page;
}

} // namespace BenchPages
