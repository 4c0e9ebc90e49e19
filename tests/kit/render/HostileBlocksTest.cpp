// Block structure on hostile pages: HTML blocks that run to their end marker and
// never leave a comment open in the page, tilde fences, the bound on what link
// references may add to an export, and nesting too deep for recursion.

#include "HTMLExport.h"

#include <gtest/gtest.h>

namespace {

QString repeated(const QString& part, qsizetype times)
{
    QString out;
    out.reserve(part.size() * times);
    for (qsizetype i = 0; i < times; ++i)
        out += part;
    return out;
}

} // namespace

TEST(HostileBlocks, HTMLBlocksRunToTheirEndAndNeverStayOpen)
{
    struct Case {
        const char* markup;
        const char* html;
    };
    const Case cases[] = {
        // A comment, a processing instruction, a declaration and CDATA run over
        // blank lines to their end marker; the block ends on that line.
        {"<!-- a\n\nb -->\nc", "<!-- a\n\nb -->\n<p>c</p>"},
        {"<!-- a -->\n\nb", "<!-- a -->\n<p>b</p>"},
        {"<?php\n\nx ?>\nc", "<?php\n\nx ?>\n<p>c</p>"},
        {"<![CDATA[\n\nx\n]]>\nc", "<![CDATA[\n\nx\n]]>\n<p>c</p>"},
        {"<!DOCTYPE\n\nhtml>\nc", "<!DOCTYPE\n\nhtml>\n<p>c</p>"},
        // Run to the end of the page, each is closed there.
        {"<!-- a\n\nb", "<!-- a\n\nb-->"},
        {"<!-- a\n", "<!-- a\n-->"},
        {"<![CDATA[ x\n\ny\n", "<![CDATA[ x\n\ny\n]]>"},
        {"<?x\n", "<?x\n?>"},
        // Script, style, pre and textarea take no paragraphs: they run to their closing tag.
        {"<script>\nvar a;\n\nvar b;\n</script>\nc", "<script>\nvar a;\n\nvar b;\n</script>\n<p>c</p>"},
        {"<STYLE type=\"text/css\">\n\np { }\n</style>\nc", "<STYLE type=\"text/css\">\n\np { }\n</style>\n<p>c</p>"},
        {"<textarea>\n\n*a*\n</textarea>", "<textarea>\n\n*a*\n</textarea>"},
        {"<script>\nx\n\ny", "<script>\nx\n\ny</script>"},
        // Other blocks still end at a blank line.
        {"<div>\n*a*\n\n*b*", "<div>\n*a*\n<p><em>b</em></p>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HTMLExport::body(QString::fromUtf8(c.markup)).toStdString(), c.html) << c.markup;
}

TEST(HostileBlocks, OnlyBacktickFencesForbidBackticksInTheirInfoString)
{
    struct Case {
        const char* markup;
        const char* html;
    };
    const Case cases[] = {
        {"~~~ a`b\nx\n~~~\ny", "<pre><code class=\"language-a`b\">x\n</code></pre>\n<p>y</p>"},
        {"~~~~ ~x\n~~~\n~~~~\ny", "<pre><code class=\"language-~x\">~~~\n</code></pre>\n<p>y</p>"},
        {"``` a`b\nx", "<p>``` a`b\nx</p>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HTMLExport::body(QString::fromUtf8(c.markup)).toStdString(), c.html) << c.markup;
}

TEST(HostileBlocks, ReferenceExpansionIsBoundedByThePageSize)
{
    // One 1000-character destination used 5000 times: about 5 MB expanded.
    const QString destination = QStringLiteral("/") + repeated(QStringLiteral("x"), 1000);
    const QString page = QStringLiteral("[a]: ") + destination + QStringLiteral("\n\n") + repeated(QStringLiteral("[a], "), 5000);
    const QString html = HTMLExport::body(page);
    // What references add stays within max(page, 100 KB), plus the tags and the page itself.
    EXPECT_LT(html.size(), 2 * page.size() + 100 * 1024 + 5000 * 32);
    const qsizetype links = html.count(QStringLiteral("<a href="));
    EXPECT_GT(links, 90);
    EXPECT_LT(links, 110);
    // The rest stay as they were written.
    EXPECT_TRUE(html.contains(QStringLiteral("</a>, [a], [a],")));
    EXPECT_TRUE(html.endsWith(QStringLiteral("[a],</p>")));

    // An ordinary page keeps every link.
    const QString small = QStringLiteral("[a]: /u\n\n") + repeated(QStringLiteral("[a], "), 2000);
    EXPECT_EQ(HTMLExport::body(small).count(QStringLiteral("<a href=\"/u\">a</a>")), 2000);
}

TEST(HostileBlocks, DeepNestingExportsWithoutRecursion)
{
    // Fifty thousand levels: the export may not recurse, nor walk the levels again for each.
    const qsizetype depth = 50000;
    const QString pages[] = {
        repeated(QStringLiteral("> "), depth) + QStringLiteral("a\n"),
        repeated(QStringLiteral("* "), depth) + QStringLiteral("a\n"),
        repeated(QStringLiteral("> - "), depth / 2) + QStringLiteral("a\n"),
    };
    for (const QString& page : pages) {
        const QString html = HTMLExport::body(page);
        EXPECT_TRUE(html.contains(QStringLiteral("a"))) << page.left(8).toStdString();
        EXPECT_EQ(html.count(QStringLiteral("<blockquote>")), html.count(QStringLiteral("</blockquote>")));
        EXPECT_EQ(html.count(QStringLiteral("<li>")), html.count(QStringLiteral("</li>")));
        EXPECT_EQ(html.count(QStringLiteral("<blockquote>")) + html.count(QStringLiteral("<li>")), depth)
            << page.left(8).toStdString();
    }
}
