// Every example of the CommonMark spec through the whole-page HTML export,
// compared with the reference renderer (cmark, raw HTML allowed) after both
// are normalised. Examples that agree are pinned in
// tests/data/commonmark-export-agreeing.txt; every other example is listed
// with its reason in tests/data/commonmark-export-differences.txt.

#include "HTMLExport.h"

#include "platform/foundation/Regex.h"
#include "support/CommonMarkExamples.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

QSet<int> readNumbers(const QString& fileName)
{
    QSet<int> numbers;
    const QMap<int, QString> listed = CommonMarkSpec::readDifferences(fileName);
    for (auto it = listed.cbegin(); it != listed.cend(); ++it)
        numbers.insert(it.key());
    return numbers;
}

} // namespace

TEST(CommonMarkExport, WholeSpecAgainstReferenceRenderer)
{
    const std::vector<CommonMarkSpec::Example> examples = CommonMarkSpec::readExamples();
    ASSERT_FALSE(examples.empty()) << "CommonMark examples not found at " << CommonMarkSpec::specPath().toStdString();
    ASSERT_FALSE(CommonMarkSpec::cmarkPath().isEmpty()) << "cmark is not on PATH";
    const QSet<int> pinned = readNumbers(QStringLiteral("commonmark-export-agreeing.txt"));
    const QMap<int, QString> differences = CommonMarkSpec::readDifferences("commonmark-export-differences.txt");

    QMap<QString, QPair<int, int>> perSection; // agreeing, total
    QStringList broken, unexplained, agreeingUnpinned;
    for (const auto& example : examples) {
        const QString ours = HTMLExport::normalised(HTMLExport::body(example.markdown));
        const QString reference =
            HTMLExport::normalised(QString::fromUtf8(CommonMarkSpec::runCmark(example.markdown, {QStringLiteral("--unsafe")})));
        const bool same = ours == reference;
        auto& counts = perSection[example.section];
        counts.first += same;
        ++counts.second;
        const QString report = QStringLiteral("Example %1 (%2)\n--- markdown\n%3--- ours\n%4\n--- cmark\n%5\n")
                                   .arg(example.number)
                                   .arg(example.section, example.markdown, ours, reference);
        if (same && !pinned.contains(example.number))
            agreeingUnpinned << QString::number(example.number);
        if (!same && pinned.contains(example.number))
            broken << report;
        if (!same && !differences.contains(example.number))
            unexplained << report;
    }
    QString summary;
    for (auto it = perSection.cbegin(); it != perSection.cend(); ++it)
        summary += QStringLiteral("%1: %2 of %3\n").arg(it.key()).arg(it.value().first).arg(it.value().second);
    RecordProperty("sections", summary.toStdString());
    std::printf("Agreeing with cmark, per section:\n%s", qPrintable(summary));

    EXPECT_TRUE(broken.isEmpty()) << broken.size() << " pinned examples no longer agree:\n"
                                  << broken.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(unexplained.isEmpty()) << unexplained.size() << " unexplained differences:\n"
                                       << unexplained.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(agreeingUnpinned.isEmpty()) << "agreeing but not pinned: " << agreeingUnpinned.join(", ").toStdString();
}
