// Every example of the CommonMark spec read into rich text and written back as
// Markdown: the page written exports to the same HTML as the example did.
// Examples whose export changes are listed with their reason in
// tests/data/commonmark-roundtrip-differences.txt; even those keep their text,
// their images, their link targets and their footnotes, but for the few listed
// as losing them (faults still open).

#include "HTMLExport.h"

#include "platform/foundation/Regex.h"
#include "support/CommonMarkExamples.h"

#include <gtest/gtest.h>

namespace {

QString pass(const QString& markup)
{
    HTMLExport::Settings settings(HTMLExport::Markdown);
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup), false, ZQMarkupType::Markdown);
    return render.renderRichToMarkdown(&rich, false, ZQMarkupType::Markdown).string();
}

// What a reader must never lose: the words, the addresses of links and images,
// and the footnotes, whatever the blocks around them became.
QString substance(const QString& html)
{
    static const auto tag = plat::Regex::create(QStringLiteral("<[^>]*>"), 0);
    static const auto target = plat::Regex::create(QStringLiteral("(?:href|src)=\"[^\"]*\""), 0);
    QStringList parts;
    for (const auto& match : target->matches(html, plat::wholeRange(html)))
        parts << html.mid(match.range().location, match.range().length);
    QString text = tag->stringByReplacingMatches(html, plat::wholeRange(html), QStringLiteral(" "));
    parts << text.simplified().remove(QLatin1Char(' '));
    return parts.join(QLatin1Char('\n'));
}

} // namespace

TEST(CommonMarkRoundTrip, EveryExampleExportsAsBeforeOrIsListed)
{
    const std::vector<CommonMarkSpec::Example> examples = CommonMarkSpec::readExamples();
    ASSERT_FALSE(examples.empty()) << "CommonMark examples not found at " << CommonMarkSpec::specPath().toStdString();
    const QMap<int, QString> differences = CommonMarkSpec::readDifferences("commonmark-roundtrip-differences.txt");

    int agreeing = 0;
    QStringList unexplained, stale, lossy;
    for (const auto& example : examples) {
        const QString written = pass(example.markdown);
        const QString before = HTMLExport::normalised(HTMLExport::body(example.markdown));
        const QString after = HTMLExport::normalised(HTMLExport::body(written));
        const QString report = QStringLiteral("Example %1 (%2)\n--- markdown\n%3\n--- written\n%4\n--- before\n%5\n--- after\n%6\n")
                                   .arg(example.number)
                                   .arg(example.section, example.markdown, written, before, after);
        if (before == after) {
            ++agreeing;
            if (differences.contains(example.number))
                stale << QString::number(example.number);
            continue;
        }
        if (!differences.contains(example.number))
            unexplained << report;
        if (substance(before) != substance(after) && !differences.value(example.number).startsWith(QLatin1String("loses:")))
            lossy << report;
    }
    std::printf("%d of %zu examples export as before after a pass through rich text; %lld listed\n", agreeing,
                examples.size(), static_cast<long long>(differences.size()));

    EXPECT_TRUE(unexplained.isEmpty()) << unexplained.size() << " unexplained differences:\n"
                                       << unexplained.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lossy.isEmpty()) << lossy.size() << " examples lose text, a link target or an image:\n"
                                 << lossy.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(stale.isEmpty()) << "listed but exporting as before: " << stale.join(", ").toStdString();
}
