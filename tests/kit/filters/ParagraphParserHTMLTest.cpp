// Paragraphs of both dialects rendered to HTML by the paragraph parser and its
// inline filters.

#include "InlineRendering.h"

#include <gtest/gtest.h>

using namespace InlineRendering;

namespace {

struct Case {
    const char* markup;
    const char* html;
};

std::shared_ptr<ZQLinkRefMap> pageReferences()
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "a", "/a-url");
    define(*refs, "b", "/b-url", "B title");
    define(*refs, "t", "/t-url");
    define(*refs, "x", "/x.png");
    define(*refs, "^1", "note");
    return refs;
}

void expectTable(const std::vector<Case>& cases, ZQMarkupType markupType)
{
    const auto refs = pageReferences();
    for (const Case& c : cases) {
        EXPECT_EQ(html(QString::fromUtf8(c.markup), markupType, refs), QString::fromUtf8(c.html))
            << "markup: " << c.markup;
    }
}

} // namespace

TEST(ParagraphParserHTML, EmphasisAndCodeSpans)
{
    expectTable({
                    {"*a* _b_ **c** __d__", "<em>a</em> <em>b</em> <strong>c</strong> <strong>d</strong>"},
                    {"***foo***", "<strong><em>foo</em></strong>"},
                    {"****a****", "<strong><strong>a</strong></strong>"},
                    {"**foo*", "*<em>foo</em>"},
                    {"*foo**", "<em>foo</em>*"},
                    {"*foo _bar* baz_", "<em>foo _bar</em> baz_"},       // crossed: the passed-over "_" is dropped
                    {"*a **b** c*", "<em>a <strong>b</strong> c</em>"}, // nested
                    {"foo_bar_", "foo_bar_"},
                    {"~x~ ~~y~~", "~x~ <del>y</del>"},
                    {"+a,b+", "<mark>a,b</mark>"},
                    {"snake_case_name 1+2+3", "snake_case_name 1+2+3"},
                    {"!*x*", "!<em>x</em>"},
                    {"\\*not emphasis\\*", "*not emphasis*"},
                    {"`` a ` b ``", "<code>a ` b</code>"},
                    {"``foo", "``foo"},
                    {"` a  b `", "<code>a b</code>"},
                    {"`<a> & *b*`", "<code>&lt;a&gt; &amp; *b*</code>"},
                    {"`a\\*b`", "<code>a\\*b</code>"},
                    {"*a `*` b*", "<em>a <code>*</code> b</em>"},
                },
                Markdown);
}

TEST(ParagraphParserHTML, QuorvelMarkupSpansKeepTheirElements)
{
    expectTable({
                    {"*s* ~e~ -d- _u_ +a,b+ `c`",
                     "<strong>s</strong> <em>e</em> <del>d</del> <u>u</u> <mark>a,b</mark> <code>c</code>"},
                    {"**s**", "<strong>s</strong>"},
                    {"*a ~b~ c*", "<strong>a <em>b</em> c</strong>"},
                    {"a - b, well-known-ish, 2024-01-02", "a - b, well-known-ish, 2024-01-02"},
                },
                QuorvelMarkup);
}

TEST(ParagraphParserHTML, EntitiesEscapesAndPlainText)
{
    expectTable({
                    {"&auml; &amp; &lt;", "ä &amp; &lt;"},
                    {"&#128512; &#x1F600;", "\xF0\x9F\x98\x80 \xF0\x9F\x98\x80"},
                    {"&#0; &#xD800; &#1114112;", "\xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD"},
                    {"&nosuchname; & x", "&amp;nosuchname; &amp; x"},
                    {"a < b > \"c\"", "a &lt; b &gt; &quot;c&quot;"},
                    {"\\<b\\> \\& \\\"", "&lt;b&gt; &amp; &quot;"},
                    {"\\a and a\\", "\\a and a\\"},
                    {"\\\\*a*", "\\<em>a</em>"},
                    {"<", "&lt;"},
                    {"<!", "&lt;!"},
                },
                Markdown);
}

TEST(ParagraphParserHTML, AutolinksAndRawHTML)
{
    expectTable({
                    {"<http://a.b/{x}>", "<a href=\"http://a.b/%7Bx%7D\">http://a.b/{x}</a>"},
                    {"<http://a.b/?x&y>", "<a href=\"http://a.b/?x&amp;y\">http://a.b/?x&amp;y</a>"},
                    {"<me@x.org>", "<a href=\"mailto:me@x.org\">me@x.org</a>"},
                    {"<foo:bar> <http://a b>", "&lt;foo:bar&gt; &lt;http://a b&gt;"},
                    {"<a href=\"x\" title='y'>", "<a href=\"x\" title='y'>"},
                    {"<br/> <br /> </a >", "<br/> <br /> </a >"},
                    {"<a href=x yy>", "<a href=x yy>"},
                    {"<a b> <a href=x y> <a =x>", "<a b> <a href=x y> &lt;a =x&gt;"},
                    {"<!----> <!-- c -->", "<!----> <!-- c -->"},
                    {"<!--> <!--a--->", "&lt;!--&gt; &lt;!--a---&gt;"},
                    {"<![CDATA[x]]> <?php x ?> <!DOCTYPE html>", "<![CDATA[x]]> <?php x ?> <!DOCTYPE html>"},
                    {"<![x]", "&lt;<img src=\"/x.png\" alt=\"x\" />"},
                    {"<b>*x*</b>", "<b><em>x</em></b>"},
                    {"<a title=\"\\*\">", "<a title=\"\\*\">"},
                },
                Markdown);
}

// What is raw HTML follows the tag grammar exactly; anything else is text, so
// that no stray "<" can open an element or hide the rest of the page.
TEST(ParagraphParserHTML, RawHTMLFollowsTheTagGrammar)
{
    expectTable({
                    // A backslash starts no tag name, nor an escape inside a tag.
                    {"<\\_>", "&lt;_&gt;"},
                    {"a <\\_ onclick=x> b", "a &lt;_ onclick=x&gt; b"},
                    {"</\\_> <\\/a>", "&lt;/_&gt; &lt;/a&gt;"},
                    {"<a href=\"\\*\" x=\\_>", "<a href=\"\\*\" x=\\_>"},
                    // Names: a letter, then letters, digits and "-".
                    {"<a-b c-d=1> </a-b > <1a>", "<a-b c-d=1> </a-b > &lt;1a&gt;"},
                    {"<a _x :y=z x.y-z>", "<a _x :y=z x.y-z>"},
                    // Attributes need white space before them; values may not hold '"', "'", "=", "<", ">" or "`".
                    {"<a x='1'y>", "&lt;a x='1'y&gt;"},
                    {"<a x=y`z> <a x=\"<b>\">", "&lt;a x=y`z&gt; <a x=\"<b>\">"},
                    {"<a\nx =\n'y'>", "<a\nx =\n'y'>"},
                    {"<a x='y>", "&lt;a x='y&gt;"},
                    // Declarations: capitals, white space, then up to ">".
                    {"<!ELEMENT br EMPTY> <!A> <!doctype html>", "<!ELEMENT br EMPTY> &lt;!A&gt; &lt;!doctype html&gt;"},
                    // What is never closed is text.
                    {"a <!-- b", "a &lt;!-- b"},
                    {"a <![CDATA[ b", "a &lt;![CDATA[ b"},
                    {"a <? b", "a &lt;? b"},
                },
                Markdown);
}

TEST(ParagraphParserHTML, LinksAndImages)
{
    expectTable({
                    {"[t](a(b)c)", "<a href=\"a(b)c\">t</a>"},
                    {"[t](a((b)))", "<a href=\"/t-url\">t</a>(a((b)))"},
                    {"[a](b c)", "<a href=\"/a-url\">a</a>(b c)"},
                    {"[l](<x y> \"T\")", "<a href=\"x%20y\" title=\"T\">l</a>"},
                    {"[l](u 'it''s')", "[l](u 'it''s')"},
                    {"[l]()", "<a href=\"\">l</a>"},
                    {"[a] [b]", "<a href=\"/b-url\" title=\"B title\">a</a>"},
                    {"[a][] [A]", "<a href=\"/a-url\">a</a> <a href=\"/a-url\">A</a>"},
                    {"[none]", "[none]"},
                    {"x[^1]", "x<sup><a href=\"#FN1\">[1]</a></sup>"},
                    {"[x [y](u) z](v)", "[x <a href=\"u\">y</a> z](v)"},
                    {"[*a* `b`](u)", "<a href=\"u\"><em>a</em> <code>b</code></a>"},
                    {"![a [b](u)](v)", "<img src=\"v\" alt=\"a b\" />"},
                    {"![a *b* `c<d`](x.png \"t\")", "<img src=\"x.png\" alt=\"a b c&lt;d\" title=\"t\" />"},
                    {"![![in](i.png) out](o.png)", "<img src=\"o.png\" alt=\"in out\" />"},
                    {"![a [b](u) c", "![a <a href=\"u\">b</a> c"},
                    {"[&amp;\\*](/p?a=1&amp;b=\\*)", "<a href=\"/p?a=1&amp;b=*\">&amp;*</a>"},
                    {"[l](/a%20b) ![i](/a%20b.png)", "<a href=\"/a%20b\">l</a> <img src=\"/a%20b.png\" alt=\"i\" />"},
                },
                Markdown);
}

// Text of a page can never leave the attribute it is written into.
TEST(ParagraphParserHTML, AttributeValuesAreEscaped)
{
    expectTable({
                    {"[l](u \"x&quot; onclick=&quot;y\")", "<a href=\"u\" title=\"x&quot; onclick=&quot;y\">l</a>"},
                    {"[l](u 'x\" onclick=\"y')", "<a href=\"u\" title=\"x&quot; onclick=&quot;y\">l</a>"},
                    {"[l](<u\"onclick=\"y>)", "<a href=\"u%22onclick=%22y\">l</a>"},
                    {"![x\" onerror=\"y](u)", "<img src=\"u\" alt=\"x&quot; onerror=&quot;y\" />"},
                    {"![<b title=\"x\">](u)", "<img src=\"u\" alt=\"&lt;b title=&quot;x&quot;&gt;\" />"},
                    {"![a](u 'x\" onerror=\"y')", "<img src=\"u\" alt=\"a\" title=\"x&quot; onerror=&quot;y\" />"},
                    {"![a](<u\" onerror=\"y>)", "<img src=\"u%22%20onerror=%22y\" alt=\"a\" />"},
                },
                Markdown);
}

TEST(ParagraphParserHTML, CheckTagClassifiesATypedTag)
{
    ZQParagraphParser parser;
    const struct {
        const char* text;
        int kind;
    } cases[] = {{"<b>", 1}, {"</b>", 1}, {"<a href=\"x\">", 1}, {"<br/>", 1}, {"<http://x.org>", 2},
                 {"<me@x.org>", 2}, {"<x y>", 1}, {"<x =y>", 0}, {"<\\_>", 0}, {"<foo:bar>", 0}, {"plain", 0}};
    for (const auto& c : cases) {
        const plat::AttributedString text(QStringLiteral("typed ") + QString::fromUtf8(c.text));
        EXPECT_EQ(parser.checkTag(text, plat::Range(6, text.length() - 6)), c.kind) << c.text;
    }
}

TEST(ParagraphParserHTML, ImageScanCollectsTheImagesOnly)
{
    ZQParagraphParser parser;
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    plat::MutableAttributedString paragraph(QStringLiteral("*a* [l](u) ![one](1.png) and ![two](2.png)"));
    ZQParagraphParser::Markers images;
    parser.parseParagraph(paragraph, &images, 32, *ctx);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0]->linkRef()->link(), "1.png");
    EXPECT_EQ(images[1]->linkRef()->link(), "2.png");
    EXPECT_EQ(images[1]->linkRef()->label(), "two");
}
