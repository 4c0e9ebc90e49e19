// Differential test of the paragraph parser against the CommonMark reference
// renderer (cmark, raw HTML allowed): every example of the inline sections of
// the CommonMark spec whose blocks are paragraphs must give the same HTML, or
// be listed with its reason in tests/data/commonmark-inline-differences.txt.
// Line breaks are no inline construct of the parser and are compared as plain
// line ends.

#include "InlineRendering.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQTextNode.h"
#include "platform/foundation/Regex.h"

#include "support/CommonMarkExamples.h"

#include <gtest/gtest.h>

namespace {

const QStringList& inlineSections()
{
    static const QStringList sections = {"Backslash escapes", "Entity and numeric character references", "Code spans",
                                         "Emphasis and strong emphasis", "Links", "Images", "Autolinks", "Raw HTML"};
    return sections;
}

QString withPlainLineEnds(QString html, bool reference)
{
    static const auto spaces = plat::Regex::create(QStringLiteral("(?: +|\\\\)\\n"));
    if (reference)
        return html.replace(QStringLiteral("<br />\n"), QStringLiteral("\n"));
    return spaces->stringByReplacingMatches(html, plat::wholeRange(html), QStringLiteral("\n"));
}

// The page's paragraphs as HTML, the way the render engine writes them; a null
// string when the page holds other blocks.
QString paragraphsAsHTML(const QString& markdown)
{
    ZQDocTreeParser parser;
    auto refs = std::make_shared<ZQLinkRefMap>();
    const ZSTree tree = parser.processDocTree(markdown, plat::wholeRange(markdown), refs.get(), nullptr, nullptr, 70);
    QString html;
    for (qsizetype i = 0; i < tree.numberOfChildren(); ++i) {
        const auto node = plat::objectCast<ZQTextNode>(tree.childAtIndex(i).object());
        if (node->nodeType() == ZQNodeType::BlankLine)
            continue;
        if (node->nodeType() != ZQNodeType::Paragraph)
            return QString();
        QString content = node->content();
        while (!content.isEmpty() && (content.back() == u'\n' || content.back() == u' ' || content.back() == u'\t'))
            content.chop(1);
        if (!content.isEmpty())
            html += QStringLiteral("<p>") + InlineRendering::html(content, InlineRendering::Markdown, refs)
                + QStringLiteral("</p>\n");
    }
    return html;
}

} // namespace

TEST(CommonMarkInline, HTMLMatchesReferenceRenderer)
{
    const std::vector<CommonMarkSpec::Example> examples = CommonMarkSpec::readExamples();
    ASSERT_FALSE(examples.empty()) << "CommonMark examples not found at " << CommonMarkSpec::specPath().toStdString()
                                   << " (scripts/setup installs them)";
    ASSERT_FALSE(CommonMarkSpec::cmarkPath().isEmpty()) << "cmark is not on PATH (scripts/setup installs it)";
    const QMap<int, QString> differences = CommonMarkSpec::readDifferences("commonmark-inline-differences.txt");

    QStringList unexplained, stale;
    int compared = 0;
    for (const auto& example : examples) {
        if (!inlineSections().contains(example.section))
            continue;
        const QString ours = paragraphsAsHTML(example.markdown);
        if (ours.isNull())
            continue;
        ++compared;
        const QString reference = withPlainLineEnds(
            QString::fromUtf8(CommonMarkSpec::runCmark(example.markdown, {QStringLiteral("--unsafe")})), true);
        const bool same = withPlainLineEnds(ours, false) == reference;
        const bool listed = differences.contains(example.number);
        if (!same && !listed) {
            unexplained << QStringLiteral("Example %1 (%2)\n--- markdown\n%3--- ours\n%4--- cmark\n%5")
                               .arg(example.number)
                               .arg(example.section, example.markdown, ours, reference);
        } else if (same && listed) {
            stale << QString::number(example.number);
        }
    }
    EXPECT_GT(compared, 300);
    EXPECT_TRUE(unexplained.isEmpty()) << unexplained.size() << " unexplained differences:\n"
                                       << unexplained.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(stale.isEmpty()) << "listed as different but now equal: " << stale.join(", ").toStdString();
}
