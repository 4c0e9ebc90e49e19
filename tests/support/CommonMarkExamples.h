#pragma once
// The examples of the CommonMark spec (npm package commonmark-spec) and the
// reference renderer (cmark), for the differential tests, with the reviewed
// lists of intended differences ("number: reason" per line, '#' comments).

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTextStream>
#include <vector>

namespace CommonMarkSpec {

struct Example {
    int number = 0;
    QString section;
    QString markdown;
};

inline QString specPath()
{
    return qEnvironmentVariable("QUORVEL_NODE_MODULES") + "/commonmark-spec/spec.txt";
}

inline QString cmarkPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("cmark"));
}

// The examples as the package's own reader finds them: a heading outside an
// example names the section; "→" in an example stands for a tab.
inline std::vector<Example> readExamples(const QString& path = specPath())
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

inline QMap<int, QString> readDifferences(const QString& fileName)
{
    QMap<int, QString> differences;
    QFile file(qEnvironmentVariable("QUORVEL_TEST_DATA") + QLatin1Char('/') + fileName);
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

// The reference renderer's output for markdown in the given format.
inline QByteArray runCmark(const QString& markdown, const QStringList& arguments)
{
    QProcess process;
    process.start(cmarkPath(), arguments);
    process.write(markdown.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

} // namespace CommonMarkSpec
