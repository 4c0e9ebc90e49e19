#include "kit/filters/RichText.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQAttachedStorage.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/render/ZQRender.h"
#include "platform/foundation/Url.h"
#include "platform/text/Color.h"
#include "platform/text/RtfWriter.h"
#include "support/RtfReaders.h"
#include "HTMLExport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace RichText;

namespace {

using enum ZQMarkupType;

const QString externalPage = QStringLiteral(
    "Some **bold** and *slanted* and ~~struck~~ words, a [link](http://example.test/a?b=\"c\") and notes[^2] "
    "and[^1].\n"
    "\n"
    "```\n"
    "int main() { return 0; }\n"
    "```\n"
    "\n"
    "- outer one\n"
    "    - inner\n"
    "- outer two\n"
    "\n"
    "[^1]: first note\n"
    "[^2]: second note\n");

// The page as the save step prepares it: markup to rich, then for other programs.
plat::MutableAttributedString externalRich(ZQRender& render, const QString& markup)
{
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(markup));
    return render.renderExternalRTFFromRich(rich);
}

// Text of HTML with the tags gone and white space folded, for comparing what
// two readers saw.
QString externalVisibleText(QString html)
{
    html.remove(QRegularExpression(QStringLiteral("<head>.*</head>"), QRegularExpression::DotMatchesEverythingOption));
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    html.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return html.simplified();
}

} // namespace

// The text with each run's foreground colour, for finding a word's colour.
plat::ColorPtr externalColourOf(const plat::AttributedString& text, const QString& word)
{
    const qsizetype at = text.string().indexOf(word);
    return at < 0 ? nullptr : text.attributeAtIndex(plat::ForegroundColorAttribute, at).toObject<plat::Color>();
}

TEST(ExternalRichText, LinksBecomeRealWithoutBracketsInTheLightThemeWithNumberedFootnotes)
{
    HTMLExport::Settings settings(Markdown);
    const QString before = ZSTextTheme::sharedTheme()->themeID();
    ZSTextTheme::loadTheme(QStringLiteral("dark"), true);
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(plat::AttributedString(
        QStringLiteral("A [real](http://a.test/x) and [bare](http://b.test) link, notes[^2] and[^1].\n\n"
                       "[^1]: one\n[^2]: two\n")));
    // The second link's storage lost its address.
    const auto bare = rich.string().indexOf(QStringLiteral("bare"));
    const auto style = rich.attributeAtIndex(ZQAttr::FilterLink, bare).toObject<ZQLinkStyle>();
    ASSERT_TRUE(style);
    render.renderContext()->getAttachedStorage(style->uuid(), ZQAttr::FilterLink)->attachedLink()->setLinkUrl(QString());

    plat::MutableAttributedString& out = render.renderExternalRTFFromRich(rich);
    EXPECT_EQ(&out, &rich);
    const QString text = rich.string();
    EXPECT_TRUE(text.startsWith(QStringLiteral("A real and bare link, notes"))) << text.toStdString();
    // Numbered in the order the text refers to them; each body keeps its own leading space.
    EXPECT_TRUE(text.endsWith(QStringLiteral(".\n\n[^1]:  two\n[^2]:  one"))) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("\n\n[^1]")), 1) << "a text ending in a newline gets no extra blank line";

    const auto real = text.indexOf(QStringLiteral("real"));
    plat::Range linkRange;
    const auto url = rich.attributeAtIndex(plat::LinkAttribute, real, &linkRange).toObject<plat::Url>();
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), QStringLiteral("http://a.test/x"));
    EXPECT_EQ(rich.attributeAtIndex(plat::UnderlineAttribute, real).toInteger(), 1);
    EXPECT_TRUE(rich.attributeAtIndex(plat::LinkAttribute, text.indexOf(QStringLiteral("bare"))).isNull());
    EXPECT_EQ(rich.attributeAtIndex(plat::UnderlineAttribute, text.indexOf(QStringLiteral("bare"))).toInteger(), 0);
    // The platform links the editor uses for its own constructs are gone.
    rich.enumerateAttribute(plat::LinkAttribute, plat::wholeRange(text), 0, [&](const plat::Value& v, plat::Range r, bool*) {
        if (!v.isNull()) {
            EXPECT_EQ(r.location, real) << "only the real link: " << v.toObject<plat::Url>()->absoluteString().toStdString();
        }
    });

    // The user sees the dark theme; other programs get the light one.
    const auto light = ZSTextTheme::loadTheme(QStringLiteral("light"), false);
    const auto dark = ZSTextTheme::sharedTheme();
    ASSERT_TRUE(light && dark && !light->richTextColor()->isEqual(*dark->richTextColor()));
    for (const QString& word : {QStringLiteral("A real"), QStringLiteral("[^2]")}) {
        const auto colour = externalColourOf(rich, word);
        ASSERT_TRUE(colour) << word.toStdString();
        EXPECT_TRUE(colour->isEqual(*light->richTextColor())) << word.toStdString();
    }
    ZSTextTheme::loadTheme(before, true);
}

TEST(ExternalRichText, PrintPutsFootnotesBelowADividerAndAddsOnlyTheMissingNewline)
{
    HTMLExport::Settings settings(Markdown);
    ZQRender render;
    plat::MutableAttributedString rich = render.renderMarkupToRich(
        plat::AttributedString(QStringLiteral("B[^2] a[^1] [l](http://l.test)\n\n[^1]: one\n[^2]: two")));
    while (rich.string().endsWith(u'\n'))
        rich.deleteCharacters(plat::Range(rich.length() - 1, 1));
    render.renderPrintContent(rich, ZQEditorType::Rich);
    const QString text = rich.string();
    EXPECT_TRUE(text.endsWith(QStringLiteral("l\n---\n[1]:  two\n[2]:  one"))) << text.toStdString();
    const auto divider = text.indexOf(QStringLiteral("---"));
    // The divider's own attributes; the theme may recolour it.
    const plat::Attributes dividerAttributes = rich.attributesAtIndex(divider);
    ASSERT_FALSE(render.highlighter()->dividerRich().isEmpty());
    for (const auto& [name, value] : render.highlighter()->dividerRich()) {
        if (name != plat::ForegroundColorAttribute) {
            EXPECT_EQ(dividerAttributes.value(name), value) << name.toStdString();
        }
    }
    EXPECT_TRUE(rich.attributeAtIndex(ZQAttr::TextBlock, text.indexOf(u'l')).isNull());
    EXPECT_TRUE(rich.attributeAtIndex(plat::LinkAttribute, text.indexOf(u'l')).toObject<plat::Url>());

    // Without footnotes nothing is appended.
    plat::MutableAttributedString plain = render.renderMarkupToRich(plat::AttributedString(QStringLiteral("just text")));
    const QString before = plain.string();
    EXPECT_EQ(render.renderPrintContent(plain, ZQEditorType::Rich).string(), before);
    EXPECT_EQ(render.renderExternalRTFFromRich(plain).string(), before);
}

TEST(ExternalRichText, PrintFromTheMarkupEditorOnlyBlackensColouredRuns)
{
    HTMLExport::Settings settings(Markdown);
    ZQRender render;
    const auto black = plat::Color::rgba(0, 0, 0, 1);
    plat::MutableAttributedString markup(QStringLiteral("plain **bold** [l](http://x.test)[^1]\n\n[^1]: n"));
    render.highlightMarkdown(markup);
    markup.removeAttribute(plat::ForegroundColorAttribute, plat::Range(0, 5)); // an uncoloured run
    const plat::MutableAttributedString before = markup;

    render.renderPrintContent(markup, ZQEditorType::Markup);
    ASSERT_EQ(markup.string(), before.string());
    for (qsizetype i = 0; i < markup.length(); ++i) {
        plat::Attributes was = before.attributesAtIndex(i);
        plat::Attributes now = markup.attributesAtIndex(i);
        if (was.contains(plat::ForegroundColorAttribute)) {
            EXPECT_TRUE(now.value(plat::ForegroundColorAttribute).toObject<plat::Color>()->isEqual(*black)) << i;
            was.remove(plat::ForegroundColorAttribute);
            now.remove(plat::ForegroundColorAttribute);
        }
        EXPECT_EQ(was, now) << "position " << i;
    }
}

TEST(ExternalRichText, ConvertingBetweenDialectsAndBackRendersTheSameRichText)
{
    HTMLExport::Settings settings(QuorvelMarkup);
    const QString quorvel = QStringLiteral("h2. Title\n\nSome *bold* text[^1] and a [link][r].\n\n"
                                           "# one\n# two\n\n[^1]: the note\n[r]: http://r.test\n");
    ZQRender render;
    const plat::MutableAttributedString markdown = render.convertMarkup(QuorvelMarkup, Markdown, plat::AttributedString(quorvel));
    EXPECT_TRUE(markdown.string().contains(QStringLiteral("## Title"))) << markdown.string().toStdString();
    EXPECT_TRUE(markdown.string().contains(QStringLiteral("[^1]:"))) << "the endings are written again";
    EXPECT_FALSE(markdown.attributeAtIndex(plat::ForegroundColorAttribute, 0).isNull()) << "styled for the editor";
    const plat::MutableAttributedString back = render.convertMarkup(Markdown, QuorvelMarkup, markdown);

    ZQRender a;
    ZQRender b;
    EXPECT_EQ(a.renderMarkupToRich(plat::AttributedString(quorvel), false, QuorvelMarkup).string().toStdString(),
              b.renderMarkupToRich(back, false, QuorvelMarkup).string().toStdString())
        << back.string().toStdString();
}

// The page, read by LibreOffice and by pandoc.
TEST(ExternalRichText, LibreOfficeAndPandocReadTheSameStyledTextLinkAndFootnotes)
{
    if (rtfreaders::soffice().isEmpty() || rtfreaders::pandoc().isEmpty())
        GTEST_SKIP() << "soffice or pandoc is not installed (scripts/setup installs them)";
    HTMLExport::Settings settings(Markdown);
    ZQRender render;
    const plat::MutableAttributedString rich = externalRich(render, externalPage);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.rtf"));
    ASSERT_TRUE(plat::RtfWriter::writeRtf(rich, path));
    const QString failure = rtfreaders::convertWithLibreOffice({path}, QStringLiteral("html"), dir.path());
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    const QString office = QString::fromUtf8(rtfreaders::readAll(dir.filePath(QStringLiteral("page.html"))));
    QString error;
    const QString pandoc = rtfreaders::pandocHtml(path, &error);
    ASSERT_FALSE(pandoc.isEmpty()) << error.toStdString();

    const QString seen = externalVisibleText(office);
    EXPECT_EQ(seen.toStdString(), externalVisibleText(pandoc).toStdString());
    for (const char* part : {"Some bold and slanted and struck words, a link and notes[1] and[2].",
                             "int main() { return 0; }", "\u2043 outer one \u2043 inner \u2043 outer two",
                             "[^1]: second note [^2]: first note"})
        EXPECT_TRUE(seen.contains(QString::fromUtf8(part))) << part << "\n" << seen.toStdString();

    const QString href = QStringLiteral("href=\"http://example.test/a?b=%22c%22\"");
    EXPECT_TRUE(office.contains(href));
    EXPECT_TRUE(pandoc.contains(href + QStringLiteral(">link</a>"))) << pandoc.toStdString();
    EXPECT_TRUE(office.contains(QStringLiteral("<b>bold</b>")));
    EXPECT_TRUE(office.contains(QStringLiteral("<i>slanted</i>")));
    EXPECT_TRUE(office.contains(QStringLiteral("<strike>")));
    for (const char* tag : {"<strong>bold</strong>", "<em>slanted</em>", "<del>struck</del>"})
        EXPECT_TRUE(pandoc.contains(QString::fromLatin1(tag))) << tag;
    // The page's list items carry their markers as text, not list levels: the
    // inner item stands further in than the outer ones.
    const QRegularExpression margin(QStringLiteral("margin-left: ([0-9.]+)in[^>]*>\\s*<font[^>]*><font[^>]*><font[^>]*>\\s*\u2043"));
    QList<double> margins;
    for (auto it = margin.globalMatch(office); it.hasNext();)
        margins << it.next().captured(1).toDouble();
    ASSERT_EQ(margins.size(), 3) << office.toStdString();
    EXPECT_GT(margins[1], margins[0]);
    EXPECT_EQ(margins[2], margins[0]);
}
