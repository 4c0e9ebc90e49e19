// Rich text written back as markup: the borders of inline spans, the link
// reference definitions at the end of the page, and the image files of an export.

#include "InlineRendering.h"
#include "kit/filters/ZQBaseFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/model/ZQAttachedObjects.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQAttachmentFile.h"
#include "kit/model/ZQAttachedStorage.h"
#include "platform/graphics/Image.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace InlineRendering;

namespace {

std::shared_ptr<ZQInlineMarker> markerOf(quint64 nodeType, plat::Range body = {}, const QString& uuid = QString())
{
    auto marker = std::make_shared<ZQInlineMarker>();
    marker->setNodeType(nodeType);
    marker->setBodyRange(body);
    marker->setAttachedUuid(uuid);
    return marker;
}

// Writes the link's text between its two borders, as the rich-text parser does.
QString writeLink(ZQLinkFilter& filter, ZQRenderContext& context, const QString& uuid, const QString& text)
{
    const auto marker = markerOf(ZQNodeType::Link, plat::Range(0, text.size()), uuid);
    QString markup = text;
    EXPECT_TRUE(filter.renderRichToMarkdown(markup, *ZQInlineMarkerBorder::initBorderWithMarker(
                                                        marker, text.size(), 0, false, 1),
                                            context));
    EXPECT_TRUE(filter.renderRichToMarkdown(
        markup, *ZQInlineMarkerBorder::initBorderWithMarker(marker, 0, text.size(), true, 1), context));
    return markup;
}

QString addLink(ZQRenderContext& context, quint64 type, const QString& url, const QString& title,
                const QString& refLabel, const QString& label)
{
    static int counter = 0;
    const QString uuid = QStringLiteral("LINK-%1").arg(++counter);
    const auto link = context.createAttachedStroage(QStringLiteral("ZQFilterLink"), uuid)->attachedLink();
    link->setLinkType(type);
    link->setLinkUrl(url);
    link->setLinkTitle(title);
    link->setLinkRefLabel(refLabel);
    link->setLinkLabel(label);
    return uuid;
}

} // namespace

TEST(InlineMarkupWriting, EmphasisEscapesAndEntitiesWriteTheirMarkers)
{
    ZQBaseFilter emphasis;
    struct Case {
        quint64 nodeType;
        ZQMarkupType markupType;
        const char* written; // null: nothing written
    };
    for (const Case& c : std::vector<Case>{{22, Markdown, "**x"}, {23, Markdown, "*x"}, {24, Markdown, "~~x"},
                                           {25, Markdown, "`x"}, {26, Markdown, nullptr}, {27, Markdown, "+x"},
                                           {22, QuorvelMarkup, "*x"}, {23, QuorvelMarkup, "~x"},
                                           {24, QuorvelMarkup, "-x"}, {26, QuorvelMarkup, "_x"}}) {
        auto ctx = context(ZQRenderContext::TargetMarkup, c.markupType);
        QString markup = QStringLiteral("x");
        const bool wrote = emphasis.renderRichToMarkdown(
            markup, *ZQInlineMarkerBorder::initBorderWithMarker(markerOf(c.nodeType), 0, 1, true, 1), *ctx);
        EXPECT_EQ(wrote, c.written != nullptr) << c.nodeType;
        EXPECT_EQ(markup, QString::fromUtf8(c.written ? c.written : "x")) << c.nodeType;
    }

    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    ZQEscapeFilter escapes;
    QString markup = QStringLiteral("a*_b");
    EXPECT_TRUE(escapes.renderRichToMarkdown(
        markup,
        *ZQInlineMarkerBorder::initBorderWithMarker(markerOf(ZQNodeType::BackslashEscape, {1, 2}), 1, 3, true, 1),
        *ctx));
    EXPECT_EQ(markup, QStringLiteral("a\\*\\_b"));
    EXPECT_FALSE(escapes.renderRichToMarkdown(
        markup, *ZQInlineMarkerBorder::initBorderWithMarker(markerOf(ZQNodeType::BackslashEscape, {0, 1}), 0, 1, true, 1),
        *ctx));

    ZQTagEntityFilter entities;
    auto entity = markerOf(ZQNodeType::Entity, {2, 1});
    entity->setEntityString(QStringLiteral("&auml;"));
    markup = QStringLiteral("a ä b");
    EXPECT_TRUE(entities.renderRichToMarkdown(markup, *ZQInlineMarkerBorder::initBorderWithMarker(entity, 2, 3, true, 1),
                                              *ctx));
    EXPECT_EQ(markup, QStringLiteral("a &auml; b"));
}

TEST(InlineMarkupWriting, LinksAreWrittenSoThatTheyReadBackAlike)
{
    ZQLinkFilter filter;
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    struct Case {
        quint64 type;
        const char* url;
        const char* title;
        const char* refLabel;
        const char* label;
        const char* written;
    };
    const std::vector<Case> cases = {
        {1, " /plain ", "", "", "", "[t](/plain)"},
        {1, "a b(c)", "T", "", "", "[t](<a b(c)> \"T\")"},
        {1, "/u", "say \"hi\"", "", "", "[t](/u 'say \"hi\"')"},
        {1, "/u", "it's \"so\"", "", "", "[t](/u (it's \"so\"))"},
        {2, "/r", "", "ref", "", "[t][ref]"},
        {4, "/s", "", "", "t", "[t]"},
        // No label, or a label another destination uses: inline, never a shared definition.
        {4, "/blank", "", "", " ", "[t](/blank)"},
        {2, "/one", "", "dup", "", "[t](/one)"},
        {2, "/two", "", "Dup", "", "[t](/two)"},
    };
    QStringList uuids;
    for (const Case& c : cases)
        uuids << addLink(*ctx, c.type, c.url, c.title, c.refLabel, c.label);
    for (size_t k = 0; k < cases.size(); ++k)
        EXPECT_EQ(writeLink(filter, *ctx, uuids[qsizetype(k)], QStringLiteral("t")), QString::fromUtf8(cases[k].written));
    EXPECT_EQ(writeLink(filter, *ctx, QStringLiteral("missing"), QStringLiteral("t")), QStringLiteral("[t]"));

    // The titles come back as written.
    for (const QString& title : {QStringLiteral("say \"hi\""), QStringLiteral("it's \"so\""), QStringLiteral("a (b)")}) {
        const auto ref = ZQParagraphParser::parseLinkAndTitle(QStringLiteral("/u") + ZQLinkFilter::markupTitle(title),
                                                              nullptr, true, 0);
        ASSERT_TRUE(ref) << title.toStdString();
        EXPECT_EQ(ref->title(), title);
    }

    QString page = QStringLiteral("text");
    EXPECT_TRUE(filter.exportEnding(ZQRenderContext::TargetMarkup, page, {}, QString(), ctx.get()).empty());
    EXPECT_EQ(page, QStringLiteral("text\n\n[ref]:/r\n[t]:/s"));

    QString html = QStringLiteral("text");
    filter.exportEnding(ZQRenderContext::TargetHTML, html, {}, QString(), ctx.get());
    EXPECT_EQ(html, QStringLiteral("text"));
}

TEST(InlineMarkupWriting, ReferenceDefinitionsAreWrittenOncePerLabelAndDestination)
{
    ZQLinkFilter filter;
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    addLink(*ctx, 3, "/b", "B \"q\"", "", "beta");
    addLink(*ctx, 4, "/a", "", "", "alpha");
    addLink(*ctx, 4, "/a", "", "", "alpha");
    addLink(*ctx, 1, "/inline", "", "", "alpha");
    QString page = QStringLiteral("text\n");
    filter.exportEnding(ZQRenderContext::TargetMarkup, page, {}, QString(), ctx.get());
    EXPECT_EQ(page, QStringLiteral("text\n\n[alpha]:/a\n[beta]:/b 'B \"q\"'"));
}

TEST(InlineMarkupWriting, ImagesWriteTheirMarkupFromThePayload)
{
    ZQImageFilter filter;
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    const auto image = ctx->createAttachedStroage(QStringLiteral("ZQMacroImage"), QStringLiteral("IMG-1"))->attachedObject();
    image->setUrl(QStringLiteral("img"));
    image->setImageFileName(QStringLiteral("a b.png"));
    image->setImageLabel(QStringLiteral("alt"));
    image->setImageTitle(QStringLiteral("say \"x\""));
    EXPECT_EQ(ZQImageFilter::getMarker(*image), QStringLiteral("![alt](<img/a b.png> 'say \"x\"')"));

    QString markup = QStringLiteral("x {IMG} y");
    const auto marker = markerOf(ZQNodeType::Image, {2, 5}, QStringLiteral("IMG-1"));
    EXPECT_TRUE(filter.renderRichToMarkdown(markup, *ZQInlineMarkerBorder::initBorderWithMarker(marker, 2, 7, true, 1), *ctx));
    EXPECT_EQ(markup, QStringLiteral("x ![alt](<img/a b.png> 'say \"x\"') y"));

    // An image without a path writes nothing at all.
    ctx->createAttachedStroage(QStringLiteral("ZQMacroImage"), QStringLiteral("IMG-2"));
    markup = QStringLiteral("x {IMG} y");
    filter.renderRichToMarkdown(markup,
                                *ZQInlineMarkerBorder::initBorderWithMarker(
                                    markerOf(ZQNodeType::Image, {2, 5}, QStringLiteral("IMG-2")), 2, 7, true, 1),
                                *ctx);
    EXPECT_EQ(markup, QStringLiteral("x  y"));
}

TEST(InlineMarkupWriting, ExportWritesImagesOnlyInsideTheExportFolder)
{
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("export"));
    QDir().mkpath(folder);
    QImage pixels(2, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::red);

    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    std::vector<std::shared_ptr<ZQAttachedStorage>> storages;
    const auto add = [&](const QString& uuid, const QString& path, bool withImage) {
        auto storage = ctx->createAttachedStroage(QStringLiteral("ZQMacroImage"), uuid);
        const auto image = storage->attachedObject();
        image->setImageFileName(path);
        image->setOriginalFileName(QFileInfo(path).fileName());
        image->setImageLabel(QStringLiteral("label ") + uuid);
        if (withImage)
            image->setOriginalImage(plat::Image::fromQImage(pixels));
        storages.push_back(storage);
    };
    add(QStringLiteral("inside"), QStringLiteral("img/a.png"), true);
    add(QStringLiteral("up"), QStringLiteral("../escaped.png"), true);
    add(QStringLiteral("hidden-up"), QStringLiteral("img/../../escaped2.png"), true);
    add(QStringLiteral("absolute"), root.filePath(QStringLiteral("absolute.png")), true);
    add(QStringLiteral("web"), QString(), false);
    storages.back()->attachedObject()->setUrl(QStringLiteral("https://x.org/w.png"));

    ZQImageHandler handler;
    EXPECT_EQ(handler.checkExportFileNames(storages, folder), QStringList{folder + QStringLiteral("/img/a.png")});

    QString text;
    const auto written = handler.exportEnding(ZQRenderContext::TargetMarkup, text, storages, folder, ctx.get());
    ASSERT_EQ(written.size(), 1u);
    const auto file = std::dynamic_pointer_cast<ZQAttachmentFile>(written[0]);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->uuid(), "inside");
    EXPECT_EQ(file->fileUrl(), folder + QStringLiteral("/img/a.png"));
    EXPECT_EQ(file->fileName(), "a.png");
    EXPECT_EQ(file->label(), "label inside");
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/img/a.png")));
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files), QStringList());
}
