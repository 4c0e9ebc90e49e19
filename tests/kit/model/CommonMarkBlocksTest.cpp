// Differential test of the block-tree parser against the CommonMark reference
// renderer (cmark): every example of the block sections of the CommonMark spec
// (npm package commonmark-spec) must give the same block structure, or be listed
// with its reason in tests/data/commonmark-block-differences.txt.

#include "BlockStructure.h"
#include "kit/parsers/ZQDocTreeCheck.h"
#include "kit/parsers/ZQDocTreeParser.h"

#include "support/CommonMarkExamples.h"

#include <gtest/gtest.h>

namespace {

using CommonMarkSpec::Example;

const QStringList& blockSections()
{
    static const QStringList sections = {
        "Tabs",          "Precedence",           "Thematic breaks",          "ATX headings",
        "Setext headings", "Indented code blocks", "Fenced code blocks",     "HTML blocks",
        "Link reference definitions", "Paragraphs", "Blank lines",          "Block quotes",
        "List items",    "Lists"};
    return sections;
}

QString referenceStructure(const QString& markdown)
{
    return BlockStructure::ofReferenceXml(CommonMarkSpec::runCmark(markdown, {QStringLiteral("-t"), QStringLiteral("xml")}));
}

} // namespace

TEST(CommonMarkBlocks, StructureMatchesReferenceRenderer)
{
    const std::vector<Example> examples = CommonMarkSpec::readExamples();
    ASSERT_FALSE(examples.empty()) << "CommonMark examples not found at " << CommonMarkSpec::specPath().toStdString()
                                   << " (scripts/setup installs them)";
    ASSERT_FALSE(CommonMarkSpec::cmarkPath().isEmpty()) << "cmark is not on PATH (scripts/setup installs it)";
    const QMap<int, QString> differences = CommonMarkSpec::readDifferences("commonmark-block-differences.txt");

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
        EXPECT_EQ(ZQDocTreeCheck::firstBrokenInvariant(tree, example.markdown, plat::wholeRange(example.markdown))
                      .toStdString(),
                  "")
            << "Example " << example.number;
        const QString ours = BlockStructure::ofTree(tree);
        const QString reference = referenceStructure(example.markdown);
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
