// Markup read into rich text and written back: one pass reaches a fixed point,
// the page exports to the same HTML, and the two dialects convert into each other.

#include "kit/render/ZQRender.h"
#include "kit/model/ZQEditorTypes.h"
#include "platform/text/AttributedString.h"
#include "HTMLExport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

using HTMLExport::Markdown;
using HTMLExport::QuorvelMarkup;

// Markup -> rich -> markup on a render object of its own (a fresh page context).
QString pass(const QString& markup, ZQMarkupType from, ZQMarkupType to)
{
    HTMLExport::Settings settings(from);
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup), false, from);
    return render.renderRichToMarkdown(&rich, false, to).string();
}

QString html(const QString& markup, ZQMarkupType dialect)
{
    return HTMLExport::body(markup, dialect);
}

struct Page {
    QString name;
    QString text;
    ZQMarkupType dialect;
};

std::vector<Page> corpus()
{
    std::vector<Page> pages;
    const QDir folder(qEnvironmentVariable("QUORVEL_TEST_DATA") + QStringLiteral("/roundtrip"));
    for (const QString& name : folder.entryList({QStringLiteral("*.md"), QStringLiteral("*.qm")}, QDir::Files)) {
        const QString text = HTMLExport::readData(QStringLiteral("roundtrip/") + name);
        const ZQMarkupType dialect = name.endsWith(QLatin1String(".qm")) ? QuorvelMarkup : Markdown;
        pages.push_back({name, text, dialect});
        // The same page as a Windows editor saves it.
        pages.push_back({name + QStringLiteral(" (CRLF)"),
                         QString(text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")), dialect});
    }
    return pages;
}

// A page in one dialect and what one pass writes of it.
struct ShapeCase {
    ZQMarkupType dialect;
    const char* markup;
    const char* once; // nullptr: unchanged
    bool sane = true; // once exports as the page did
};

// One pass writes the page as expected (nullptr: as it was written) and a
// second pass changes nothing; a page that means the same exports the same HTML.
void expectSettles(const char* markup, ZQMarkupType dialect, const char* once, bool sameHtml)
{
    SCOPED_TRACE(std::string(markup) + (dialect == QuorvelMarkup ? " (Quorvel Markup)" : " (Markdown)"));
    const QString page = QString::fromUtf8(markup);
    const QString written = pass(page, dialect, dialect);
    EXPECT_EQ(written.toStdString(), once ? once : markup);
    EXPECT_EQ(pass(written, dialect, dialect).toStdString(), written.toStdString());
    if (sameHtml) {
        EXPECT_EQ(html(written, dialect).toStdString(), html(page, dialect).toStdString());
    }
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
        ZQMarkupType dialect;
    };
    const Case cases[] = {
        {"1. a\n\n2. b\n\n3. c", Markdown},             // loose: numbers go on across blank lines
        {"- x\n\n  1. n\n\n  2. m", Markdown},           // the second nested item stays nested
        {"* a\n  > quoted in a\n  > two\n\n* b", Markdown}, // a quote inside an item
        {"> a\r\n> b\r\n\r\nc", Markdown},              // CR LF quote lines
        {"7. seven\n\n8. eight", QuorvelMarkup},          // "#" would number from one
        {"# one\n\n# two", QuorvelMarkup},
        // Two numbered lists in a row stay two: the second keeps another delimiter.
        {"1. a\n\n1) b\n2) c\n\n1. d", Markdown},
        {"# a\n# b\n\n1) c", QuorvelMarkup},
        // Quorvel Markup underlines no heading: the lines stay text and a divider.
        {"a\n===\nb", QuorvelMarkup},
        {"a\n\n---\n\nb", QuorvelMarkup},
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
        // Nor are a quote's empty last lines: they read back as blank lines after it.
        {"> a\n>\n>\nb", "> a\n\n\nb"},
        {"> a\n>\n> b\n>\n>", "> a\n>\n> b"},
        // Characters shown as themselves are written escaped where they would pair.
        {"2\\*3\\*4", nullptr},
        {"+ a\n=", "+ a\n  \\="},
        // A footnote's label passes over the labels the text shows as plain text.
        {"[^1] a[^2]\n\n[^2]: one", nullptr},
        // A link's own text may end in a bracket.
        {"[->-](u)", nullptr},
    };
    for (const Case& c : cases)
        expectSettles(c.markup, Markdown, c.once, false);
}

TEST(MarkupRoundTrip, InlineMarkersMeetingCodeSpansSettleInOnePass)
{
    const ShapeCase cases[] = {
        // Blanks at a code span's edge are its text: the markers around it stay outside.
        {Markdown, "*`` a``a*", "*` a`a*"},
        {Markdown, "~~a``a ``~~", "~~a`a `~~"},
        {QuorvelMarkup, "*a``a ``*", "*a`a `*"},
        {QuorvelMarkup, "-` a`a-", nullptr},
        // A list marker keeps its blank before a code span that begins with one.
        {Markdown, "* `` a``", "* ` a`"},
        {Markdown, "2. a\n1. `` a``", "2. a\n3. ` a`"},
        {QuorvelMarkup, "- `` a``", "- ` a`"},
        // A code span of blanks alone is a paragraph, at the end of the page too.
        {Markdown, "` `\na", nullptr},
        {Markdown, "a\n\n` `", nullptr},
        // Strike-through and underline do not open between letters: the
        // neighbours they split keep their own markers.
        {QuorvelMarkup, "*a*-*a*-", nullptr},
        {QuorvelMarkup, "~~a~_a_~", "~a~_~a~_"},
        // Text that would begin a block on a further line is escaped.
        {Markdown, "****a\n-** a**", "**a\n\\- a**", false},
        {QuorvelMarkup, "--a\n*- a-", "-a\n\\* a-"},
        {QuorvelMarkup, "*a\n*>**", "*a\n\\>*"},
    };
    for (const ShapeCase& c : cases)
        expectSettles(c.markup, c.dialect, c.once, c.dialect == Markdown && c.sane);
}

TEST(MarkupRoundTrip, LinksImagesAndTagsSettleInOnePass)
{
    struct Case {
        const char* markup;
        const char* once;              // nullptr: unchanged
        const char* quorvel = nullptr; // once in Quorvel Markup where it differs
        bool sameHtml = true;          // false: the HTML writes one address in two spellings
    };
    const Case cases[] = {
        // Emphasis around a link stays around it.
        {"*[a](u)*", nullptr},
        // A link or image with nothing to show stays as written, and so does
        // the text around it.
        {"[]()>a", nullptr},
        {"-[]() ", nullptr, "\\-[]() "},
        {"a\n- []()", nullptr},
        {"\n![]()", nullptr},
        {"*![]()*", nullptr},
        {"[][a]\n\n[a]: x", "[][a]\n\n[a]:x"},
        // An image without a file keeps its alternative text.
        {"![alt]()", nullptr},
        // A footnote is referred to by its own label only.
        {"[^1]:\n* [][][^1]", "* [][][^1]\n\n[^1]:"},
        // Link text in brackets of its own, links side by side.
        {"[[a]](u)", nullptr},
        {"[a](u)[b](v)", nullptr},
        // A destination reads back as written; an entity of the link text too.
        {"[a](+>())", "[a](<+\\>()>)", nullptr, false},
        {"[&amp;ap;](u)", nullptr},
        // A tag never spans a line break.
        {"- +a\na\na+", "- \\+a\n  a\n  a\\+"},
    };
    for (const ZQMarkupType dialect : {Markdown, QuorvelMarkup}) {
        for (const Case& c : cases)
            expectSettles(c.markup, dialect, dialect == QuorvelMarkup && c.quorvel ? c.quorvel : c.once, c.sameHtml);
    }
}

TEST(MarkupRoundTrip, ContinuationLinesStayParagraphText)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
        std::vector<ZQMarkupType> dialects;
    };
    const std::vector<ZQMarkupType> both = {Markdown, QuorvelMarkup};
    const Case cases[] = {
        // A lazy line keeps its text, not its blanks, and stays text in the quote.
        {">a\n\t1.", "> a\n> 1\\.", both},
        {">a\n\t-", "> a\n> \\-", both},
        {">a\n\t>", "> a\n> \\>", both},
        {">>a\n\ta", "> > a\n> > a", both},
        {">a\n\t#", "> a\n> \\#", {QuorvelMarkup}},
        // Neither an underline nor a heading of the text above it.
        {">a\n=-", "> a\n> \\=-", {Markdown}},
        {"a\n\\~~~", "a\n\\~\\~\\~", both},
        {"a\nh1\\. b", nullptr, {QuorvelMarkup}},
        {"a\n   b", "a\nb", both},
        // What is left after a definition starts a line of its own.
        {"[a]:a\n\t>a", "\\>a\n\n[a]:a", both},
        {"[a]:a\n#", "\\#\n\n[a]:a", {Markdown}},
        // An item emptied by its definition stays an item, not an underline.
        {"a\n- [a]:a", "a\n\n-\n\n[a]:a", {Markdown}},
        {"> a\n> - [a]:a", "> a\n>\n> -\n\n[a]:a", {Markdown}},
        {"a\n- [a]:a", "a\n-\n\n[a]:a", {QuorvelMarkup}},
    };
    for (const Case& c : cases) {
        for (const ZQMarkupType dialect : c.dialects)
            expectSettles(c.markup, dialect, c.once, true);
    }
}

TEST(MarkupRoundTrip, TextInsideLinksAndTagsSettlesInOnePass)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
    };
    const Case cases[] = {
        // An image keeps its alternative text as written, code spans included.
        {"![`~a~`]()", nullptr},
        {"![``*a*``[]]()", nullptr},
        {"*![``a`a``]()*`", "*![``a`a``]()*\\`"},
        {"![![a](b)](c)", nullptr},
        // Brackets the link text shows are written so that they end nothing.
        {"[`[ a`]()", "[\\[ a]()"},
        {"[`a](b)`](u)", "[a\\](b)](u)"},
        {"[[a]](u)", nullptr},
        // The last blanks of a link's text stay in it.
        {"# [a ]()", nullptr},
        {"*[a ](u)*", nullptr},
    };
    for (const ZQMarkupType dialect : {Markdown, QuorvelMarkup}) {
        for (const Case& c : cases)
            expectSettles(c.markup, dialect, c.once, false);
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
        for (const ZQMarkupType dialect : {Markdown, QuorvelMarkup})
            expectSettles(c.markup, dialect, dialect == Markdown ? c.once : c.onceInQuorvel, true);
    }
}

TEST(MarkupRoundTrip, TagTextAndBracketLinksSettleInOnePass)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
    };
    const Case cases[] = {
        // A tag keeps its names as written: code spans, markers and escapes inside it stay.
        {"+`*a*`+", nullptr},
        {"+`[a]()`+", nullptr},
        {"+*a*+", nullptr},
        {"+``a`a``+`", "+``a`a``+\\`"},
        {"[+[a]()+]()", nullptr},
        // An escaped comma is part of a name; a plain one separates the names of one tag.
        {"+\\,+", nullptr},
        {"+a,b+", nullptr},
        {"+planning,q1+ and +a+ +b+", nullptr},
        // A link's text of brackets alone keeps them.
        {"[[]]()", "[\\[\\]]()"},
        {"[*[]*]()", "*[\\[\\]]()*"}, // emphasis over a link's whole text goes around it
        {"[\\[a\\]](u)", nullptr},
    };
    for (const ZQMarkupType dialect : {Markdown, QuorvelMarkup}) {
        for (const Case& c : cases)
            expectSettles(c.markup, dialect, c.once, false);
    }
}

TEST(MarkupRoundTrip, TouchingEmphasisMarkersSettleInOnePass)
{
    const ShapeCase cases[] = {
        // An emphasis closing where a strong span opens is written with "_".
        {Markdown, "_&_**a**", nullptr},
        {Markdown, "*a****a*a***", "*a**a***__a__\\*", false},
        // A strike-through or underline edge between letters goes outside the
        // style it splits, that style's markers between it and the letters.
        {QuorvelMarkup, "**a*-a-\\a*", "*a*-*a*-*\\a*"},
        {QuorvelMarkup, "*[-a-*a**", "*[*-*a*-*a*"},
        {QuorvelMarkup, "**a*-a-[*", "*a*-*a*-*[*"},
        {QuorvelMarkup, "-_a_-a--", "_-a-_-a-"},
    };
    for (const ShapeCase& c : cases)
        expectSettles(c.markup, c.dialect, c.once, c.dialect == Markdown && c.sane);
}

TEST(MarkupRoundTrip, LinksKeepTheirTargetsTextAndDefinitions)
{
    struct Case {
        const char* markup;
        const char* once; // nullptr: unchanged
    };
    const Case cases[] = {
        // An image inside a link's text stays an image, inline or by reference.
        {"[![moon](moon.jpg)](/uri)", nullptr},
        {"[![moon](moon.jpg)][ref]\n\n[ref]:/uri", nullptr},
        {"a [b ![c](d.png) e](/u) f", nullptr},
        // Emphasis inside a link's text stays.
        {"[a *b* **c**](/u)", nullptr},
        // The first definition of a label is the one the link takes: it stays first.
        {"[foo]\n\n[foo]: /url1\n[foo]: /url2", "[foo]\n\n[foo]:/url1\n[foo]:/url2"},
        // A label that writing the text back would spell otherwise keeps its own spelling.
        {"[bar\\\\]\n\n[bar\\\\]: /uri", "[bar\\\\][bar\\\\]\n\n[bar\\\\]:/uri"},
        {"[a*b]\n\n[a*b]: /u", "[a\\*b][a*b]\n\n[a*b]:/u"},
        // Labels that match as labels name one definition, written once.
        {"[Foo] and [foo]\n\n[foo]: /url", "[Foo] and [foo]\n\n[Foo]:/url"},
    };
    for (const Case& c : cases)
        expectSettles(c.markup, Markdown, c.once, true);
}

TEST(MarkupRoundTrip, ReferencesToLineBreaksStayReferences)
{
    struct Case {
        const char* markup;
        const char* quorvel; // once in Quorvel Markup; nullptr: unchanged
    };
    // Written as the character, the line breaks would end the paragraph.
    const Case cases[] = {
        {"foo&#10;&#10;bar", nullptr},
        {"a&#xA;- b", "a&#xA;\\- b"}, // an escape more, the same text
        {"x&#13;&#10;\n\ny", nullptr},
    };
    for (const Case& c : cases) {
        expectSettles(c.markup, Markdown, nullptr, true);
        expectSettles(c.markup, QuorvelMarkup, c.quorvel, true);
    }
}
