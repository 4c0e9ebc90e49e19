// Differential test of the block-tree parser against the CommonMark reference
// renderer (cmark): every example of the block sections of the CommonMark spec
// (npm package commonmark-spec) must give the same block structure, or be listed
// with its reason in tests/data/commonmark-block-differences.txt.

#include "BlockStructure.h"
#include "kit/markup/ZQDocTreeParser.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

struct Example {
    int number = 0;
    QString section;
    QString markdown;
};

const QStringList& blockSections()
{
    static const QStringList sections = {
        "Tabs",          "Precedence",           "Thematic breaks",          "ATX headings",
        "Setext headings", "Indented code blocks", "Fenced code blocks",     "HTML blocks",
        "Link reference definitions", "Paragraphs", "Blank lines",          "Block quotes",
        "List items",    "Lists"};
    return sections;
}

// The examples as the package's own reader finds them: a heading outside an
// example names the section; "→" in an example stands for a tab.
std::vector<Example> readExamples(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString fence = QString(32, QLatin1Char('`'));
    std::vector<Example> examples;
    QString section;
    enum { Outside, Markdown, Html } state = Outside;
    Example current;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("<!-- END TESTS -->")))
            break;
        if (state == Outside) {
            if (line == fence + QLatin1String(" example")) {
                current = Example{int(examples.size()) + 1, section, QString()};
                state = Markdown;
            } else if (line.startsWith(QLatin1Char('#'))) {
                section = line.mid(line.indexOf(QLatin1Char(' ')) + 1).trimmed();
            }
        } else if (state == Markdown) {
            if (line == QLatin1String("."))
                state = Html;
            else
                current.markdown += line + QLatin1Char('\n');
        } else if (line == fence) {
            current.markdown.replace(QChar(0x2192), QLatin1Char('\t'));
            examples.push_back(current);
            state = Outside;
        }
    }
    return examples;
}

// "number: reason" per line; '#' starts a comment.
QMap<int, QString> readDifferences(const QString& path)
{
    QMap<int, QString> differences;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return differences;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (line.startsWith(QLatin1Char('#')) || colon < 0)
            continue;
        differences.insert(line.left(colon).trimmed().toInt(), line.mid(colon + 1).trimmed());
    }
    return differences;
}

QString referenceStructure(const QString& cmark, const QString& markdown)
{
    QProcess process;
    process.start(cmark, {QStringLiteral("-t"), QStringLiteral("xml")});
    process.write(markdown.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return BlockStructure::ofReferenceXml(process.readAllStandardOutput());
}

} // namespace

TEST(CommonMarkBlocks, StructureMatchesReferenceRenderer)
{
    const QString specPath = qEnvironmentVariable("QUORVEL_NODE_MODULES") + "/commonmark-spec/spec.txt";
    const std::vector<Example> examples = readExamples(specPath);
    ASSERT_FALSE(examples.empty()) << "CommonMark examples not found at " << specPath.toStdString()
                                   << " (scripts/setup installs them)";
    const QString cmark = QStandardPaths::findExecutable(QStringLiteral("cmark"));
    ASSERT_FALSE(cmark.isEmpty()) << "cmark is not on PATH (scripts/setup installs it)";
    const QMap<int, QString> differences =
        readDifferences(qEnvironmentVariable("QUORVEL_TEST_DATA") + "/commonmark-block-differences.txt");

    ZQDocTreeParser parser;
    QStringList unexplained, stale;
    int compared = 0;
    for (const Example& example : examples) {
        if (!blockSections().contains(example.section))
            continue;
        ++compared;
        ZQLinkRefMap map;
        const ZSTree tree = parser.processDocTree(example.markdown, plat::wholeRange(example.markdown), &map,
                                                  nullptr, nullptr, 0);
        const QString ours = BlockStructure::ofTree(tree);
        const QString reference = referenceStructure(cmark, example.markdown);
        const bool listed = differences.contains(example.number);
        if (ours != reference && !listed) {
            QString markdown = example.markdown;
            unexplained << QStringLiteral("Example ") + QString::number(example.number) + " (" + example.section
                    + ")\n--- markdown\n" + markdown.replace(QLatin1Char('\t'), QChar(0x2192)) + "--- ours\n" + ours
                    + "\n--- cmark\n" + reference + "\n";
        } else if (ours == reference && listed) {
            stale << QString::number(example.number);
        }
    }
    EXPECT_GT(compared, 250);
    EXPECT_TRUE(unexplained.isEmpty()) << unexplained.size() << " unexplained differences:\n"
                                       << unexplained.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(stale.isEmpty()) << "listed as different but now equal: " << stale.join(", ").toStdString();
}
