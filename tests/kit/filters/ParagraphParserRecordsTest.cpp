// The records the markup editor styles: found in a page's paragraphs, moved to
// whole-page positions as the render engine does, and styled by the filters.

#include "InlineRendering.h"
#include "kit/filters/ZQBaseFilter.h"
#include "kit/model/ZQEditorTypes.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZQTextNode.h"
#include "kit/model/ZQRenderUtil.h"
#include "platform/text/Font.h"

#include <gtest/gtest.h>

using namespace InlineRendering;

namespace {

struct Found {
    quint64 nodeType;
    QString text;      // the page's text at the record's ranges, joined
    int pieces;        // number of ranges
    QString openTag;   // the page's text at the opening tag (spans)
};

void collectParagraphs(const ZSTree& tree, std::vector<std::shared_ptr<ZQTextNode>>& out)
{
    for (qsizetype i = 0; i < tree.numberOfChildren(); ++i) {
        const ZSTree child = tree.childAtIndex(i);
        const auto node = plat::objectCast<ZQTextNode>(child.object());
        if (node->nodeType() == ZQNodeType::Paragraph)
            out.push_back(node);
        collectParagraphs(child, out);
    }
}

// The records of every paragraph of the page, at page positions.
ZQParagraphParser::Markers pageRecords(const QString& page, ZQMarkupType markupType, ZQRenderContext& context)
{
    ZQDocTreeParser blocks;
    auto refs = std::make_shared<ZQLinkRefMap>();
    const qint64 option = 16 | (markupType == QuorvelMarkup ? ZQDocTreeParser::QuorvelMarkup : 0);
    const ZSTree tree = blocks.processDocTree(page, plat::wholeRange(page), refs.get(), nullptr, nullptr, option);
    context.setLinkRefMap(refs);
    std::vector<std::shared_ptr<ZQTextNode>> paragraphs;
    collectParagraphs(tree, paragraphs);

    ZQParagraphParser parser;
    ZQParagraphParser::Markers all;
    for (const auto& node : paragraphs) {
        plat::MutableAttributedString content(node->content());
        ZQParagraphParser::Markers found;
        parser.parseParagraph(content, &found, 16, context);
        std::vector<plat::Range> pieces = node->mergedContentRanges();
        if (pieces.empty())
            pieces.push_back(node->contentRange());
        ZQRenderUtil::convertMarkerAbsoluteRanges(found, pieces, node->contentRange().location);
        all.insert(all.end(), found.begin(), found.end());
    }
    return all;
}

std::vector<Found> describe(const QString& page, const ZQParagraphParser::Markers& records)
{
    std::vector<Found> out;
    for (const auto& record : records) {
        Found f{record->nodeType(), QString(), int(record->markerAbsoluteRanges().size()), QString()};
        for (const plat::Range& r : record->markerAbsoluteRanges())
            f.text += page.mid(r.location, r.length);
        if (record->startTag())
            f.openTag = page.mid(record->startTag()->markerRange().location, record->startTag()->markerRange().length);
        out.push_back(f);
    }
    std::sort(out.begin(), out.end(), [&](const Found& a, const Found& b) {
        return page.indexOf(a.text.left(3)) < page.indexOf(b.text.left(3));
    });
    return out;
}

void expectFound(const std::vector<Found>& actual, const std::vector<Found>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(actual[k].nodeType, expected[k].nodeType) << k;
        EXPECT_EQ(actual[k].text, expected[k].text) << k;
        EXPECT_EQ(actual[k].pieces, expected[k].pieces) << expected[k].text.toStdString();
        EXPECT_EQ(actual[k].openTag, expected[k].openTag) << expected[k].text.toStdString();
    }
}

} // namespace

TEST(ParagraphParserRecords, MarkdownRecordsCarryPagePositions)
{
    const QString page = QStringLiteral("Intro *em* and **strong**\n"
                                        "  text with `code` and [link](u)\n"
                                        "> quoted &amp; <b> and *a\n"
                                        "> cross* <http://x.y>\n"
                                        "\n"
                                        "- item ![img](p.png) ~x~\n");
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    expectFound(describe(page, pageRecords(page, Markdown, *ctx)),
                {
                    {ZQNodeType::Delimiter, "*em*", 1, "*"},
                    {ZQNodeType::Delimiter, "**strong**", 1, "**"},
                    {ZQNodeType::Delimiter, "`code`", 1, "`"},
                    {ZQNodeType::Link, "[link](u)", 1, ""},
                    {ZQNodeType::Entity, "&amp;", 1, ""},
                    {ZQNodeType::RawHtml, "<b>", 1, ""},
                    // Across the quote marker of the next line: two ranges, none over it.
                    {ZQNodeType::Delimiter, "*a\ncross*", 2, "*"},
                    {ZQNodeType::Autolink, "<http://x.y>", 1, ""},
                    {ZQNodeType::Image, "![img](p.png)", 1, ""},
                });
}

TEST(ParagraphParserRecords, QuorvelMarkupRecordsCarryPagePositions)
{
    const QString page = QStringLiteral("> *s* ~e~ -d-\n"
                                        "> _u_ +t+ [l](u)\n");
    auto ctx = context(ZQRenderContext::TargetMarkup, QuorvelMarkup);
    expectFound(describe(page, pageRecords(page, QuorvelMarkup, *ctx)),
                {
                    {ZQNodeType::Delimiter, "*s*", 1, "*"},
                    {ZQNodeType::Delimiter, "~e~", 1, "~"},
                    {ZQNodeType::Delimiter, "-d-", 1, "-"},
                    {ZQNodeType::Delimiter, "_u_", 1, "_"},
                    {ZQNodeType::Delimiter, "+t+", 1, "+"},
                    {ZQNodeType::Link, "[l](u)", 1, ""},
                });
}

// With option 64 a plain "<" becomes "&lt;" and every later record moves with it.
TEST(ParagraphParserRecords, RewrittenPlainTextMovesLaterRecords)
{
    ZQParagraphParser parser;
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    plat::MutableAttributedString paragraph(QStringLiteral("a < b &amp; *x*"));
    ZQParagraphParser::Markers found;
    parser.parseParagraph(paragraph, &found, 16 | 64, *ctx);
    EXPECT_EQ(paragraph.string(), QStringLiteral("a &lt; b &amp; *x*"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->markerRange(), plat::Range(9, 5));
    EXPECT_EQ(found[1]->markerRange(), plat::Range(15, 3));
    EXPECT_EQ(found[1]->startTag()->markerRange(), plat::Range(15, 1));
}

TEST(ParagraphParserRecords, FiltersStyleTheRecordsOfThePage)
{
    const QString page = QStringLiteral("a ***b*** [l](u) &amp; ![i](p.png) `c`\n");
    auto ctx = context(ZQRenderContext::TargetMarkup, Markdown);
    const auto records = pageRecords(page, Markdown, *ctx);
    plat::MutableAttributedString markup(page,
                                         ZSSettings::sharedSettings()->defaultTypingAttribute(ZQEditorType::Markup));
    const std::vector<std::shared_ptr<ZQCommonMarkInlineFilter>> filters = {
        std::make_shared<ZQEscapeFilter>(), std::make_shared<ZQTagEntityFilter>(), std::make_shared<ZQImageFilter>(),
        std::make_shared<ZQLinkFilter>(), std::make_shared<ZQBaseFilter>()};
    for (const auto& record : records) {
        bool styled = false;
        for (const auto& filter : filters)
            styled = styled || filter->highlightMarkdown(markup, record, *ctx);
        EXPECT_TRUE(styled) << record->nodeType();
    }

    const ZQHighlighter& factory = ZQHighlighter::sharedHighlighter();
    const qsizetype b = page.indexOf(QLatin1Char('b'));
    const auto font = markup.attributeAtIndex(plat::FontAttribute, b).toObject<plat::Font>();
    EXPECT_TRUE(font->isBold());
    EXPECT_TRUE(font->isItalic());
    // "***": a pair and a single character, mirrored by the closing marker.
    const qsizetype open = page.indexOf(QStringLiteral("***"));
    const qsizetype close = page.indexOf(QStringLiteral("***"), b);
    const auto pairOpen = markup.attributeAtIndex(ZQAttr::Paired, open).toObject<ZQPairedAttribute>();
    const auto singleOpen = markup.attributeAtIndex(ZQAttr::Paired, open + 2).toObject<ZQPairedAttribute>();
    const auto singleClose = markup.attributeAtIndex(ZQAttr::Paired, close).toObject<ZQPairedAttribute>();
    const auto pairClose = markup.attributeAtIndex(ZQAttr::Paired, close + 1).toObject<ZQPairedAttribute>();
    ASSERT_TRUE(pairOpen && singleOpen && singleClose && pairClose);
    EXPECT_EQ(pairOpen->marker(), "**");
    EXPECT_EQ(singleOpen->marker(), "*");
    EXPECT_TRUE(singleOpen->isPairWith(*singleClose));
    EXPECT_TRUE(pairOpen->isPairWith(*pairClose));
    EXPECT_EQ(markup.attributeAtIndex(ZQAttr::Paired, close + 2).toObject<ZQPairedAttribute>(), pairClose);

    const auto colourAt = [&](const char* what) {
        return markup.attributeAtIndex(plat::ForegroundColorAttribute, page.indexOf(QString::fromUtf8(what)));
    };
    EXPECT_EQ(colourAt("[l](u)"), factory.linkMarkdown().value(plat::ForegroundColorAttribute));
    EXPECT_EQ(colourAt("&amp;"), factory.entityMarkdown().value(plat::ForegroundColorAttribute));
    EXPECT_EQ(markup.attributeAtIndex(ZQAttr::FilterCode, page.indexOf(QLatin1Char('c'))).toString(), "Code");

    // The image markup is tied to a payload already while it is typed.
    const auto image = markup.attributeAtIndex(ZQAttr::MacroImage, page.indexOf(QStringLiteral("![i]")));
    ASSERT_TRUE(image.toObject<ZQImageStyle>());
    const auto storage = ctx->getAttachedStorage(image.toObject<ZQImageStyle>()->uuid(), ZQAttr::MacroImage);
    ASSERT_TRUE(storage);
    EXPECT_EQ(storage->attachedObject()->imageFileName(), "p.png");
}
