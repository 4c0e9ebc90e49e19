// Whole pages to HTML: golden pages of both dialects (read and checked by hand),
// the page wrapper, and the footnote section.

#include "HTMLExport.h"

#include "kit/filters/ZQFootNoteHandler.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQRenderContext.h"
#include "kit/model/ZQAttachedStorage.h"
#include "kit/model/ZQAttachmentFile.h"
#include "platform/graphics/Image.h"
#include "support/FootnotePayloads.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

// Python's HTML parser, checking that every element opened is closed in order.
QString structureProblems(const QString& page)
{
    static const char* script = R"(
import sys
from html.parser import HTMLParser
VOID = {'br', 'hr', 'img', 'input', 'meta', 'link'}
class P(HTMLParser):
    def __init__(self):
        super().__init__(); self.stack = []; self.problems = []
    def handle_starttag(self, tag, attrs):
        if tag not in VOID: self.stack.append(tag)
    def handle_endtag(self, tag):
        if tag in VOID: return
        if not self.stack or self.stack[-1] != tag:
            self.problems.append('unexpected </%s> in %s' % (tag, self.stack))
        else: self.stack.pop()
p = P(); p.feed(sys.stdin.read()); p.close()
if p.stack: p.problems.append('unclosed %s' % p.stack)
print('\n'.join(p.problems))
)";
    QProcess python;
    python.start(QStandardPaths::findExecutable(QStringLiteral("python3")), {QStringLiteral("-c"), QString::fromLatin1(script)});
    python.write(page.toUtf8());
    python.closeWriteChannel();
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed() + QString::fromUtf8(python.readAllStandardError());
}

} // namespace

TEST(HTMLExport, GoldenPagesOfBothDialects)
{
    struct Page {
        const char* source;
        ZQMarkupType markupType;
    };
    for (const Page& page : {Page{"markdown-page.md", HTMLExport::Markdown}, Page{"quorvel-page.qm", HTMLExport::QuorvelMarkup}}) {
        const QString source = HTMLExport::readData(QStringLiteral("html-export/") + page.source);
        ASSERT_FALSE(source.isEmpty()) << page.source;
        QString golden = QString::fromLatin1(page.source);
        golden = QStringLiteral("html-export/") + golden.left(golden.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".html");
        QString body = HTMLExport::body(source, page.markupType);
        EXPECT_EQ(body.toStdString(), HTMLExport::readData(golden).toStdString()) << page.source;
        ZQRender::wrapHTMLbody(body, QStringLiteral("Sample"), 2);
        EXPECT_TRUE(body.contains(QStringLiteral("<style type=\"text/css\">body {"))) << page.source;
        EXPECT_EQ(structureProblems(body).toStdString(), "") << page.source;
    }
}

TEST(HTMLExport, PageWrappers)
{
    QString plain = QStringLiteral("<p>a</p>");
    ZQRender::wrapHTMLbody(plain, QStringLiteral("A </title><script>x</script> & B"), 1);
    EXPECT_EQ(plain.toStdString(),
              "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"/>\n"
              "<title>A &lt;/title&gt;&lt;script&gt;x&lt;/script&gt; &amp; B</title>\n</head><body><p>a</p></body></html>");

    QString styled = QStringLiteral("<p>a</p>");
    ZQRender::wrapHTMLbody(styled, QStringLiteral("T"), 0);
    EXPECT_TRUE(styled.contains(QStringLiteral("<style type=\"text/css\">body {"))) << styled.left(300).toStdString();
    EXPECT_TRUE(styled.contains(QStringLiteral("ul.task-list")));
    EXPECT_TRUE(styled.endsWith(QStringLiteral("</style>\n</head>\n<body><p>a</p></body></html>")));
    EXPECT_EQ(structureProblems(styled).toStdString(), "");
}

TEST(HTMLExport, BodiesOfSmallPages)
{
    struct Case {
        const char* markup;
        const char* html;
    };
    const Case cases[] = {
        {"a", "<p>a</p>"},
        {"a\n\nb", "<p>a</p>\n<p>b</p>"},
        {"x  \ny", "<p>x<br />\ny</p>"},
        {"x\\\ny", "<p>x<br />\ny</p>"},
        {"- a\n- b", "<ul>\n<li>a</li><li>\nb</li>\n</ul>"},
        {"0. a\n1. b", "<ol start=\"0\">\n<li>a</li><li>\nb</li>\n</ol>"},
        {"5) a", "<ol start=\"5\">\n<li>a</li>\n</ol>"},
        {"1. a\n\n   b", "<ol>\n<li><p>a</p>\n<p>b</p></li>\n</ol>"},
        {"> a\n> > b", "<blockquote><p>a</p><blockquote>\n<p>b</p></blockquote></blockquote>"},
        {"```\n<\n```\n", "<pre><code>&lt;\n</code></pre>\n"},
        {"```c\"onclick=\"x<y>\nz\n```\n", "<pre><code class=\"language-c&quot;onclick=&quot;x&lt;y&gt;\">z\n</code></pre>\n"},
        {"```a&amp;b&c\nz\n```\n", "<pre><code class=\"language-a&amp;b&amp;c\">z\n</code></pre>\n"},
        {"  ```\n    two\n  ```\n", "<pre><code>  two\n</code></pre>\n"},
        {"<table>\n<tr><td>x</td></tr>\n</table>\n", "<table>\n<tr><td>x</td></tr>\n</table>\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HTMLExport::body(QString::fromUtf8(c.markup)).toStdString(), c.html) << c.markup;
}

TEST(HTMLExport, NulBecomesTheReplacementCharacter)
{
    const QString nul(QChar(0));
    const QString html = HTMLExport::body(QStringLiteral("a%1b `c%1` *%1*\n\n```\n%1\n```\n\n<div>%1</div>\n").arg(nul));
    EXPECT_FALSE(html.contains(QChar(0)));
    EXPECT_EQ(html.count(QChar(0xFFFD)), 5) << html.toStdString();
    EXPECT_TRUE(html.startsWith(QStringLiteral("<p>a\uFFFDb <code>c\uFFFD</code> <em>\uFFFD</em></p>"))) << html.toStdString();
}

TEST(HTMLExport, FootnoteSectionListsReferencedBodiesOnce)
{
    ZQFootNoteHandler handler;
    // Footnote 3 is not referenced; the later body for 1 is a stale copy.
    QString html = QStringLiteral("<p>x<a href=\"#FN2\">[2]</a><a href=\"#FN1\">[1]</a></p>");
    const std::vector<ZQAttachedStoragePtr> storages = {footnotePayload(2, "two"), footnotePayload(1, "one"),
                                                        footnotePayload(3, "three"), footnotePayload(1, "stale")};
    handler.exportEnding(ZQRenderContext::TargetHTML, html, storages, QString(), nullptr);
    EXPECT_EQ(html.toStdString(),
              "<p>x<a href=\"#FN2\">[2]</a><a href=\"#FN1\">[1]</a></p><hr/>\n<div class=\"footnotes\">"
              "<div class=\"footnote\"><div class=\"footnote-index\"><a id=\"FN1\" href=\"#\"></a>1.</div> "
              "<div class=\"footnote-body\">one</div></div>"
              "<div class=\"footnote\"><div class=\"footnote-index\"><a id=\"FN2\" href=\"#\"></a>2.</div> "
              "<div class=\"footnote-body\">two</div></div>\n</div>");

    QString markup = QStringLiteral("text[^2][^1]");
    handler.exportEnding(ZQRenderContext::TargetMarkup, markup, {footnotePayload(2, "b"), footnotePayload(1, "a")},
                         QString(), nullptr);
    EXPECT_EQ(markup.toStdString(), "text[^2][^1]\n\n[^1]:a\n[^2]:b");

    QString none = QStringLiteral("<p>no references</p>");
    handler.exportEnding(ZQRenderContext::TargetHTML, none, storages, QString(), nullptr);
    EXPECT_EQ(none.toStdString(), "<p>no references</p>");
}

TEST(HTMLExport, LeavesThePagesContextAlone)
{
    HTMLExport::Settings settings(HTMLExport::Markdown);
    ZQRender render;
    const auto context = render.renderContext();
    const auto refs = std::make_shared<ZQLinkRefMap>();
    context->setLinkRefMap(refs);
    context->setRenderTargetType(ZQRenderContext::TargetRich);
    std::vector<plat::ObjectPtr> files;
    const QString html =
        render.renderMarkupToHTML(plat::AttributedString(QStringLiteral("[a]\n\n[a]: /x\n")), QString(), &files);
    EXPECT_EQ(html.toStdString(), "<p><a href=\"/x\">a</a></p>");
    EXPECT_EQ(context->linkRefMap(), refs);
    EXPECT_TRUE(refs->isEmpty());
    EXPECT_EQ(context->renderTargetType(), ZQRenderContext::TargetRich);
    EXPECT_TRUE(files.empty());
}

TEST(HTMLExport, ImagesOfThePageAreWrittenToTheFolderAndListedWhenAsked)
{
    HTMLExport::Settings settings(HTMLExport::Markdown);
    QTemporaryDir folder;
    QImage pixels(2, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::blue);
    ZQRender render;
    const auto image = render.renderContext()->createAttachedStroage(QStringLiteral("ZQMacroImage"), "I")->attachedObject();
    image->setImageFileName(QStringLiteral("img/pic.png"));
    image->setOriginalImage(plat::Image::fromQImage(pixels));
    const plat::AttributedString page(QStringLiteral("![pic](img/pic.png)\n"));

    std::vector<plat::ObjectPtr> files;
    EXPECT_EQ(render.renderMarkupToHTML(page, folder.path(), &files).toStdString(),
              "<p><img src=\"img/pic.png\" alt=\"pic\" /></p>");
    ASSERT_EQ(files.size(), 1u);
    const auto file = std::dynamic_pointer_cast<ZQAttachmentFile>(files.front());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->fileUrl(), folder.filePath(QStringLiteral("img/pic.png")));
    EXPECT_TRUE(QFileInfo::exists(file->fileUrl()));

    // Without a list the files are still written; nothing is collected.
    QTemporaryDir other;
    render.renderMarkupToHTML(page, other.path(), nullptr);
    EXPECT_TRUE(QFileInfo::exists(other.filePath(QStringLiteral("img/pic.png"))));
}
