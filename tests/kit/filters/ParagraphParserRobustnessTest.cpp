// Inputs that defeat backtracking or quadratic inline parsers come out right,
// for every render target. (Their running times are measured by
// bench/paragraph_parser_bench.)

#include "InlineRendering.h"

#include <gtest/gtest.h>

using namespace InlineRendering;

namespace {

struct Attack {
    const char* name;
    QString text;
    QString html; // the expected HTML
};

std::vector<Attack> attacks()
{
    const QString link = QStringLiteral("<a href=\"/a\">a</a>");
    return {
        {"stars", QString(10000, QLatin1Char('*')), QString(10000, QLatin1Char('*'))},
        {"open brackets", QString(10000, QLatin1Char('[')), QString(10000, QLatin1Char('['))},
        {"close brackets", QString(10000, QLatin1Char(']')), QString(10000, QLatin1Char(']'))},
        // Only the innermost brackets make a link: links do not contain links.
        {"nested brackets", QString(5000, QLatin1Char('[')) + "a" + QString(5000, QLatin1Char(']')),
         QString(4999, QLatin1Char('[')) + link + QString(4999, QLatin1Char(']'))},
        {"nested images", QStringLiteral("![").repeated(3000) + "x" + QStringLiteral("](u)").repeated(3000),
         QStringLiteral("<img src=\"u\" alt=\"x\" />")},
        {"unclosed tags", QStringLiteral("<a ").repeated(50000), QStringLiteral("&lt;a ").repeated(50000)},
        {"unclosed instructions", QStringLiteral("<?<!--<![CDATA[<!A").repeated(5000),
         QStringLiteral("&lt;?&lt;!--&lt;![CDATA[&lt;!A").repeated(5000)},
        {"unclosed destinations", QStringLiteral("[a](b ").repeated(5000), (link + "(b ").repeated(5000)},
        {"unclosed images holding spans", QStringLiteral("![*a* `b` ").repeated(5000),
         QStringLiteral("![<em>a</em> <code>b</code> ").repeated(5000)},
        {"backtick runs", QStringLiteral("` `` ``` ").repeated(5000), QString()},
        {"unmatched delimiters", QStringLiteral("a* _b ").repeated(5000), QStringLiteral("a* _b ").repeated(5000)},
    };
}

} // namespace

TEST(ParagraphParserRobustness, AttackInputsComeOutRight)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "a", "/a");
    for (const Attack& attack : attacks()) {
        const QString out = html(attack.text, Markdown, refs);
        if (!attack.html.isNull()) {
            EXPECT_EQ(out, attack.html) << attack.name;
        }

        auto ctx = context(ZQRenderContext::TargetRich, Markdown, refs);
        const auto text = rich(attack.text, *ctx);
        EXPECT_LE(text.length(), attack.text.length()) << attack.name;

        const auto found = records(attack.text, Markdown, refs);
        for (const auto& record : found)
            EXPECT_LE(record->markerRange().end(), attack.text.size()) << attack.name;
    }
}

// Every pairing of runs in one paragraph renders them once, in one place each.
TEST(ParagraphParserRobustness, ManySpansAndRewritesKeepTheirPlaces)
{
    const QString unit = QStringLiteral("*a* &amp; [x](u) `c` < ");
    const QString expected = QStringLiteral("<em>a</em> &amp; <a href=\"u\">x</a> <code>c</code> &lt; ");
    EXPECT_EQ(html(unit.repeated(5000)), expected.repeated(5000));
    EXPECT_EQ(html(QStringLiteral("[") + unit.repeated(100) + QStringLiteral("]")),
              QStringLiteral("[") + expected.repeated(100) + QStringLiteral("]"));
}
