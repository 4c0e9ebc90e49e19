// Markup read into rich text and written back: one pass reaches a fixed point,
// the page exports to the same HTML, and the two dialects convert into each other.

#include "kit/render/ZQRender.h"
#include "platform/text/AttributedString.h"
#include "HTMLExport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using HTMLExport::Markdown;
using HTMLExport::QuorvelMarkup;

// Markup -> rich -> markup on a render object of its own (a fresh page context).
QString pass(const QString& markup, quint64 from, quint64 to)
{
    HTMLExport::Settings settings(from);
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup), false, from);
    return render.renderRichToMarkdown(&rich, false, to).string();
}

QString html(const QString& markup, quint64 dialect)
{
    return HTMLExport::body(markup, dialect);
}

struct Page {
    QString name;
    QString text;
    quint64 dialect;
};

std::vector<Page> corpus()
{
    std::vector<Page> pages;
    const QDir folder(qEnvironmentVariable("QUORVEL_TEST_DATA") + QStringLiteral("/roundtrip"));
    for (const QString& name : folder.entryList({QStringLiteral("*.md"), QStringLiteral("*.qm")}, QDir::Files)) {
        const QString text = HTMLExport::readData(QStringLiteral("roundtrip/") + name);
        const quint64 dialect = name.endsWith(QLatin1String(".qm")) ? QuorvelMarkup : Markdown;
        pages.push_back({name, text, dialect});
        // The same page as a Windows editor saves it.
        pages.push_back({name + QStringLiteral(" (CRLF)"),
                         QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")), dialect});
    }
    return pages;
}

} // namespace

TEST(MarkupRoundTrip, OnePassReachesAFixedPointAndKeepsTheExportedPage)
{
    const std::vector<Page> pages = corpus();
    ASSERT_GE(pages.size(), 30u) << "round-trip pages not found";
    for (const Page& page : pages) {
        SCOPED_TRACE(page.name.toStdString());
        const QString once = pass(page.text, page.dialect, page.dialect);
        const QString twice = pass(once, page.dialect, page.dialect);
        EXPECT_EQ(twice.toStdString(), once.toStdString());
        EXPECT_EQ(html(once, page.dialect).toStdString(), html(page.text, page.dialect).toStdString());
    }
}

TEST(MarkupRoundTrip, DialectsConvertIntoEachOther)
{
    const QString markdown = QStringLiteral("## Title\n\nSome **strong** and *slanted* and ~~gone~~ text.\n\n"
                                            "1. first\n2. second\n\n* bullet");
    const QString quorvel = pass(markdown, Markdown, QuorvelMarkup);
    EXPECT_EQ(quorvel.toStdString(), "h2. Title\n\nSome *strong* and ~slanted~ and -gone- text.\n\n"
                                     "# first\n# second\n\n* bullet");
    EXPECT_EQ(pass(quorvel, QuorvelMarkup, Markdown).toStdString(), markdown.toStdString());
    // Both dialects describe the same page.
    EXPECT_EQ(html(quorvel, QuorvelMarkup).toStdString(), html(markdown, Markdown).toStdString());
}

TEST(MarkupRoundTrip, ListsAndQuotesComeBackAsWritten)
{
    struct Case {
        const char* markup;
        quint64 dialect;
    };
    const Case cases[] = {
        {"1. a\n\n2. b\n\n3. c", Markdown},             // loose: numbers go on across blank lines
        {"- x\n\n  1. n\n\n  2. m", Markdown},           // the second nested item stays nested
        {"* a\n  > quoted in a\n  > two\n\n* b", Markdown}, // a quote inside an item
        {"> a\r\n> b\r\n\r\nc", Markdown},              // CR LF quote lines
        {"7. seven\n\n8. eight", QuorvelMarkup},          // "#" would number from one
        {"# one\n\n# two", QuorvelMarkup},
    };
    for (const Case& c : cases) {
        const QString markup = QString::fromUtf8(c.markup);
        EXPECT_EQ(pass(markup, c.dialect, c.dialect).toStdString(), c.markup);
    }
}

TEST(MarkupRoundTrip, TextTheRichEditorShowsComesBackAsItWas)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
    };
    const Case cases[] = {
        // A code span's delimiters fit its body, blanks and backticks included.
        {"a `` ` `` b ` c`", nullptr},
        // A blank label defines nothing: the line stays text.
        {"[]: /uri", nullptr},
        // An item holding only a definition keeps its line.
        {"- a\n- [1]: /x\n- c", "- a\n-\n- c\n\n[1]:/x"},
        // Indented code inside a quote stays code.
        {">     code", nullptr},
        // Lines of blanks at the end are no content.
        {"a\n\n\t ", "a"},
        // Characters shown as themselves are written escaped where they would pair.
        {"2\\*3\\*4", nullptr},
        {"+ a\n=", "+ a\n  \\="},
        // A footnote's label passes over the labels the text shows as plain text.
        {"[^1] a[^2]\n\n[^2]: one", nullptr},
        // A link's own text may end in a bracket.
        {"[->-](u)", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        const QString markup = QString::fromUtf8(c.markup);
        const QString once = pass(markup, Markdown, Markdown);
        EXPECT_EQ(once.toStdString(), c.once ? c.once : c.markup);
        EXPECT_EQ(pass(once, Markdown, Markdown).toStdString(), once.toStdString());
    }
}

TEST(MarkupRoundTrip, BlanksAndTabsAfterMarkersSettleInOnePass)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
        const char* onceInQuorvel;
    };
    const Case cases[] = {
        // A tab after a quote's marker counts by columns, less the marker's own blank.
        {"> \tb", ">   b", ">   b"},
        {">>\ta", "> > a", "> > a"},
        {"> + \ta", "> +     a", "> +     a"},
        // A nested quote's own blanks are not written: its container's marker keeps its blank.
        {">\t>", "> >", "> >"},
        // A code span's first blank is written after its backticks, not in place of the marker's.
        {"- `` a``", "- ` a`", "- ` a`"},
        // Five or more columns after a list marker begin indented code; "#" is narrower than "1.".
        {"1.\t\ta", "1.      a", "#      a"},
        {"*   \ta", "*       a", "*       a"},
        {"-     a", nullptr, nullptr},
        {"1.     a\na", nullptr, "#     a\na"},
        // An item whose first line is blank takes its content column from the marker.
        {"*\n   a", nullptr, nullptr},
        {"12.  \n    a", "12.\n    a", "12.\n    a"},
        {"*\n  *", nullptr, nullptr},
        {"+\n\t a", "+\n     a", "+\n     a"},
        {"- [ ] \n   a", "- [ ]\n   a", "- [ ]\n   a"},
        // A paragraph after a list stays out of it when the marker is written narrower.
        {"-   a\n\n  b", "- a\n\nb", "- a\n\nb"},
        {"1.\n  a", "1.\na", "#\na"},
        // Inside an item, the item's indentation is no part of a block's lines.
        {"* ```\n\n  a", "* ```\n  \n  a", "* ```\n  \n  a"},
        {"- a\n\n\t\tcode", "- a\n\n        code", "- a\n\n        code"},
        {"-     a\n\n      b\n      c", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.markup);
        const QString markup = QString::fromUtf8(c.markup);
        for (const quint64 dialect : {Markdown, QuorvelMarkup}) {
            const char* expected = dialect == Markdown ? c.once : c.onceInQuorvel;
            const QString once = pass(markup, dialect, dialect);
            EXPECT_EQ(once.toStdString(), expected ? expected : c.markup) << "dialect " << dialect;
            EXPECT_EQ(pass(once, dialect, dialect).toStdString(), once.toStdString()) << "dialect " << dialect;
            EXPECT_EQ(html(once, dialect).toStdString(), html(markup, dialect).toStdString()) << "dialect " << dialect;
        }
    }
}
