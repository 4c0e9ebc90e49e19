// Paragraphs rendered to rich text: the constructs' attributes and the payloads
// they leave in the render context.

#include "InlineRendering.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/Font.h"

#include <gtest/gtest.h>

using namespace InlineRendering;

namespace {

const QString kLink = QStringLiteral("ZQFilterLink");
const QString kImage = QStringLiteral("ZQMacroImage");
const QString kFootnote = QStringLiteral("ZQMacroFootnote");

// The runs of one attribute, as (text, value) in text order; runs without it left out.
std::vector<std::pair<QString, plat::Value>> runsOf(const plat::AttributedString& text, const QString& name)
{
    std::vector<std::pair<QString, plat::Value>> runs;
    text.enumerateAttribute(name, plat::wholeRange(text.string()), 0, [&](const plat::Value& v, plat::Range r, bool*) {
        if (!v.isNull())
            runs.emplace_back(text.string().mid(r.location, r.length), v);
    });
    return runs;
}

plat::FontPtr fontAt(const plat::AttributedString& text, qsizetype index)
{
    return text.attributeAtIndex(plat::FontAttribute, index).toObject<plat::Font>();
}

qsizetype at(const plat::AttributedString& text, const char* what)
{
    return text.string().indexOf(QString::fromUtf8(what));
}

} // namespace

TEST(ParagraphParserRich, EveryLinkGetsItsOwnPayloadWithExactlyTheLinkAttributes)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "r", "/ref", "Ref");
    auto ctx = context(ZQRenderContext::TargetRich, Markdown, refs);
    const auto text = rich(QStringLiteral("[*one*](/u \"T\") and [two][r] then [one](/u \"T\")"), *ctx);

    EXPECT_EQ(text.string(), QStringLiteral("one and two then one"));
    const auto runs = runsOf(text, kLink);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(ctx->attachedStorageCountFor(kLink), 3);
    const QStringList expected = {"one", "two", "one"};
    for (size_t k = 0; k < runs.size(); ++k) {
        EXPECT_EQ(runs[k].first, expected[qsizetype(k)]);
        const QString uuid = runs[k].second.toObject<ZQLinkStyle>()->uuid();
        const qsizetype start = at(text, "two") * (k == 1) + at(text, "then one") * (k == 2) + 5 * (k == 2);
        plat::Attributes link = ZQHighlighter::sharedHighlighter().linkRich(uuid);
        // The link text's own emphasis stays, under the link's marks.
        if (k == 0) {
            const plat::Attributes emphasis = ZQHighlighter::sharedHighlighter().baseRich(ZQHighlighter::Emphasis);
            link.set(plat::FontAttribute, emphasis.value(plat::FontAttribute));
            link.set(ZQAttr::FilterItalic, emphasis.value(ZQAttr::FilterItalic));
        }
        EXPECT_EQ(text.attributesAtIndex(start), link);
        ASSERT_TRUE(ctx->getAttachedStorage(uuid, kLink));
    }
    const auto inlineLink = ctx->getAttachedStorage(runs[0].second.toObject<ZQLinkStyle>()->uuid(), kLink)->attachedLink();
    EXPECT_EQ(inlineLink->linkUrl(), "/u");
    EXPECT_EQ(inlineLink->linkTitle(), "T");
    EXPECT_EQ(inlineLink->linkType(), 1u);
    const auto reference = ctx->getAttachedStorage(runs[1].second.toObject<ZQLinkStyle>()->uuid(), kLink)->attachedLink();
    EXPECT_EQ(reference->linkUrl(), "/ref");
    EXPECT_EQ(reference->linkType(), 2u);
    EXPECT_EQ(reference->linkRefLabel(), "r");
    EXPECT_TRUE(refs->value("r")->isUsed());
}

TEST(ParagraphParserRich, LinkBracketsFollowTheSetting)
{
    const auto settings = ZSSettings::sharedSettings();
    settings->setRenderLinkWithBracketInRich(true);
    auto ctx = context(ZQRenderContext::TargetRich, Markdown);
    const auto text = rich(QStringLiteral("x [a](u) y"), *ctx);
    settings->setRenderLinkWithBracketInRich(false);
    EXPECT_EQ(text.string(), QStringLiteral("x [a] y"));
    const auto runs = runsOf(text, kLink);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, QStringLiteral("[a]"));
}

TEST(ParagraphParserRich, EveryFootnoteReferenceGetsItsOwnPayload)
{
    auto refs = std::make_shared<ZQLinkRefMap>();
    define(*refs, "^1", "note");
    auto body = std::make_shared<plat::MutableAttributedString>(QStringLiteral("the note"));
    refs->value("^1")->setRenderContent(body);
    auto ctx = context(ZQRenderContext::TargetRich, Markdown, refs);
    const auto text = rich(QStringLiteral("x[^1] y[^1]"), *ctx);

    EXPECT_EQ(text.string(), QStringLiteral("x[0] y[1]"));
    const auto runs = runsOf(text, kFootnote);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(ctx->attachedStorageCountFor(kFootnote), 2);
    QStringList uuids;
    for (const auto& run : runs) {
        const auto style = run.second.toObject<ZQFootnoteStyle>();
        uuids << style->uuid();
        const auto storage = ctx->getAttachedStorage(style->uuid(), kFootnote);
        ASSERT_TRUE(storage);
        EXPECT_EQ(storage->attachedText()->getAttributedString().string(), QStringLiteral("the note"));
    }
    EXPECT_NE(uuids[0], uuids[1]);
}

TEST(ParagraphParserRich, EqualImagesShareOnePayload)
{
    auto ctx = context(ZQRenderContext::TargetRich, Markdown);
    const auto text = rich(QStringLiteral("![a](p.png) ![a](p.png) ![b](https://x.org/q.png)"), *ctx);

    // No image is loaded yet: placeholders, each tied to its payload.
    EXPECT_EQ(text.string(), QStringLiteral("{IMG} {IMG} {IMG}"));
    EXPECT_EQ(ctx->attachedStorageCountFor(kImage), 2);
    const auto runs = runsOf(text, kImage);
    ASSERT_EQ(runs.size(), 3u);
    const QString first = runs[0].second.toObject<ZQImageStyle>()->uuid();
    EXPECT_EQ(runs[1].second.toObject<ZQImageStyle>()->uuid(), first);
    const auto shared = ctx->getAttachedStorage(first, kImage)->attachedObject();
    EXPECT_EQ(shared->imageLabel(), "a");
    EXPECT_EQ(shared->imageFileName(), "p.png");
    const auto external = ctx->getAttachedStorage(runs[2].second.toObject<ZQImageStyle>()->uuid(), kImage);
    EXPECT_EQ(external->attachedObject()->url(), "https://x.org/q.png");
    EXPECT_TRUE(external->attachedObject()->imageFileName().isEmpty());
}

TEST(ParagraphParserRich, EmphasisFamilyInBothDialects)
{
    auto markdown = context(ZQRenderContext::TargetRich, Markdown);
    const auto text = rich(QStringLiteral("***a*** _b_ `c` ~~d~~ +t,u+ &amp; *e*"), *markdown);
    EXPECT_EQ(text.string(), QStringLiteral("a b c d <t><u> & e"));
    EXPECT_TRUE(fontAt(text, 0)->isBold());
    EXPECT_TRUE(fontAt(text, 0)->isItalic());
    EXPECT_FALSE(fontAt(text, at(text, "b"))->isBold());
    EXPECT_TRUE(fontAt(text, at(text, "b"))->isItalic());
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::FilterCode, at(text, "c")).toString(), "Code");
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::Raw, at(text, "c")).toString(), "codeSpanTag");
    EXPECT_TRUE(text.attributeAtIndex(plat::StrikethroughAttribute, at(text, "d")).toInteger());
    const auto tags = runsOf(text, ZQAttr::MacroTag);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].first, "<t>");
    EXPECT_EQ(tags[1].first, "<u>");
    EXPECT_NE(tags[0].second, tags[1].second);
    EXPECT_TRUE(fontAt(text, at(text, "e"))->isItalic()); // placed right after a decoded entity

    auto quorvel = context(ZQRenderContext::TargetRich, QuorvelMarkup);
    const auto own = rich(QStringLiteral("*s* ~e~ -d- _u_"), *quorvel);
    EXPECT_EQ(own.string(), QStringLiteral("s e d u"));
    EXPECT_TRUE(fontAt(own, 0)->isBold());
    EXPECT_TRUE(fontAt(own, 2)->isItalic());
    EXPECT_TRUE(own.attributeAtIndex(plat::StrikethroughAttribute, 4).toInteger());
    EXPECT_TRUE(own.attributeAtIndex(plat::UnderlineAttribute, 6).toInteger());
}

TEST(ParagraphParserRich, EscapesEntitiesAndRawText)
{
    struct EscapeCase {
        const char* markup;
        const char* text;
        std::vector<bool> escaped; // per character of the text
    };
    const std::vector<EscapeCase> cases = {
        {"a\\*b", "a*b", {false, true, false}},
        {"a\\\\*b", "a\\*b", {false, true, false, false}},
        {"a\\\\\\*b", "a\\*b", {false, true, true, false}},
        {"\\a`\\*`", "\\a\\*", {false, false, false, false}},
    };
    for (const EscapeCase& c : cases) {
        auto ctx = context(ZQRenderContext::TargetRich, Markdown);
        const auto text = rich(QString::fromUtf8(c.markup), *ctx);
        ASSERT_EQ(text.string(), QString::fromUtf8(c.text)) << c.markup;
        for (qsizetype k = 0; k < text.length(); ++k)
            EXPECT_EQ(!text.attributeAtIndex(ZQAttr::Escaped, k).isNull(), c.escaped[size_t(k)]) << c.markup << " " << k;
    }

    auto ctx = context(ZQRenderContext::TargetRich, Markdown);
    const auto text = rich(QStringLiteral("&auml; <b>\\*</b> <http://x.org/\\_>"), *ctx);
    EXPECT_EQ(text.string(), QStringLiteral("ä <b>*</b> <http://x.org/\\_>"));
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::Entity, 0).toString(), "&auml;");
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::HtmlTag, at(text, "<b>")).toString(), "HTMLTag");
    EXPECT_EQ(text.attributeAtIndex(ZQAttr::Autolink, at(text, "<http")).toString(), "Autolink");
}
