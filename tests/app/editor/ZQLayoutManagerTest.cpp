// What the editors' layout manager paints, recorded as data: markers hidden
// but keeping their advance, their decorations, text-block bands split at the
// selection, code backgrounds and the selection colour; the typesetter's line
// gaps and whole read-only runs; the line metrics written into the settings.

#include "EditorFixtures.h"

#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQStyles.h"
#include "platform/text/Color.h"
#include "platform/text/Font.h"
#include "platform/ui/Painter.h"

#include <gtest/gtest.h>
#include <set>

using editortest::EditorStage;
using plat::Range;
using plat::RecordingPainter;
using Kind = plat::RecordingPainter::Kind;

namespace {

const QString RichPage = QStringLiteral("Intro\n\n***\n\n> quoted\n\n```js\nlet a;\n```\n\nA tag +writing+ here\n");

QColor themeColor(const plat::ColorPtr& color)
{
    return color ? color->toQColor() : QColor(Qt::transparent);
}

// Lays out and paints the whole text's glyphs (and decorations).
RecordingPainter paintGlyphs(EditorStage& stage)
{
    const Range all(0, stage.text().size());
    stage.manager->ensureLayoutForGlyphRange(all);
    RecordingPainter painter;
    stage.manager->drawGlyphsForGlyphRange(all, QPointF(0, 0), painter);
    return painter;
}

RecordingPainter paintBackground(EditorStage& stage)
{
    const Range all(0, stage.text().size());
    stage.manager->ensureLayoutForGlyphRange(all);
    RecordingPainter painter;
    stage.manager->drawBackgroundForGlyphRange(all, QPointF(0, 0), painter);
    return painter;
}

std::set<qsizetype> drawnCharacters(const RecordingPainter& painter)
{
    std::set<qsizetype> drawn;
    for (const auto& call : painter.callsOf(Kind::GlyphRun))
        for (qsizetype i = call.characters.location; i < call.characters.end(); ++i)
            drawn.insert(i);
    return drawn;
}

// The x where the run that starts at index draws its first glyph.
std::optional<qreal> runStartX(const RecordingPainter& painter, qsizetype index)
{
    for (const auto& call : painter.callsOf(Kind::GlyphRun))
        if (call.characters.location == index && !call.glyphX.isEmpty())
            return call.origin.x() + call.glyphX.first();
    return std::nullopt;
}

QList<RecordingPainter::Call> callsIn(const RecordingPainter& painter, Kind kind, const QColor& color)
{
    QList<RecordingPainter::Call> found;
    for (const auto& call : painter.callsOf(kind))
        if (call.color == color)
            found << call;
    return found;
}

} // namespace

TEST(ZQLayoutManager, RichMarkersAreHiddenKeepTheirWidthAndAreDecorated)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.showRich(RichPage);
    const auto& theme = *stage.editor->textTheme();
    const RecordingPainter painter = paintGlyphs(stage);
    const std::set<qsizetype> drawn = drawnCharacters(painter);

    const qsizetype divider = stage.indexOf("***");
    const qsizetype quote = stage.indexOf("> ");
    const qsizetype open = stage.indexOf("```");
    const qsizetype close = stage.indexOf("```", open + 3);
    const qsizetype tag = stage.indexOf("<writing>");
    struct Marker {
        const char* what;
        Range range;
    };
    for (const Marker& hidden : {Marker{"divider", Range(divider, 3)}, Marker{"quote", Range(quote, 2)},
                                 Marker{"open fence", Range(open, 3)}, Marker{"close fence", Range(close, 3)},
                                 Marker{"tag opening", Range(tag, 1)}, Marker{"tag closing", Range(tag + 8, 1)}}) {
        for (qsizetype i = hidden.range.location; i < hidden.range.end(); ++i)
            EXPECT_FALSE(drawn.count(i)) << hidden.what << " at " << i;
        EXPECT_GT(stage.manager->boundingRectForGlyphRange(hidden.range).width(), 0) << hidden.what;
    }
    for (const QString& shown : {QString("quoted"), QString("let a;"), QString("writing"), QString("Intro")})
        EXPECT_TRUE(drawn.count(stage.indexOf(shown))) << shown.toStdString();

    // The text after a hidden marker stands where it would stand after the marker.
    for (const auto& [marker, after] : {std::pair{Range(quote, 2), stage.indexOf("quoted")},
                                        std::pair{Range(tag, 1), tag + 1}}) {
        const auto x = runStartX(painter, after);
        ASSERT_TRUE(x.has_value()) << after;
        EXPECT_NEAR(*x, stage.manager->boundingRectForGlyphRange(marker).right(), 0.5) << after;
    }

    // Decorations: two rules, the fence marker, one quote bar, two pill ends.
    const QRectF dividerLine = stage.manager->boundingRectForGlyphRange(Range(divider, 3));
    QList<RecordingPainter::Call> rules;
    for (const auto& call : painter.callsOf(Kind::StrokePath))
        if (call.rect.center().y() > dividerLine.top() && call.rect.center().y() < dividerLine.bottom())
            rules << call;
    ASSERT_EQ(rules.size(), 2);
    EXPECT_EQ(rules[0].color, themeColor(theme.richDividerColor()));
    EXPECT_DOUBLE_EQ(rules[0].value, 0.8);
    EXPECT_NEAR(rules[0].rect.center().y(), dividerLine.center().y(), 0.01);
    EXPECT_EQ(rules[1].color, themeColor(theme.richDividerColorBackground()));
    EXPECT_NEAR(rules[1].rect.center().y(), dividerLine.center().y() + 1.0, 0.01);
    const auto images = painter.callsOf(Kind::Image);
    ASSERT_EQ(images.size(), 1);
    EXPECT_DOUBLE_EQ(images.first().value, 0.8);
    const auto bars = callsIn(painter, Kind::FillRect, themeColor(theme.richQuoteColor()));
    ASSERT_EQ(bars.size(), 1);
    EXPECT_NEAR(bars.first().rect.width(), stage.manager->boundingRectForGlyphRange(Range(quote, 1)).width() * 0.4,
                0.01);
    EXPECT_EQ(painter.callsOf(Kind::FillPath).size(), 2);
}

TEST(ZQLayoutManager, InvalidQuoteIsNeitherHiddenNorDrawn)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.showRich("> quoted\n");
    const qsizetype quote = stage.indexOf(">");
    auto style = stage.editor->textStorage()->attributeAtIndex(ZQAttr::FilterQuote, quote).toObject<ZQQuoteStyle>();
    ASSERT_TRUE(style);
    style->setIsInvalid(true);
    const RecordingPainter painter = paintGlyphs(stage);
    EXPECT_TRUE(drawnCharacters(painter).count(quote));
    EXPECT_TRUE(callsIn(painter, Kind::FillRect, themeColor(stage.editor->textTheme()->richQuoteColor())).isEmpty());
}

TEST(ZQLayoutManager, MarkupEditorHidesNothingButFillsCodeAndSelection)
{
    EditorStage stage(ZQEditorType::Markup);
    const QString page = "Intro\n\n***\n\n> quoted\n\n```js\nlet a;\n```\n\nA tag +writing+ here";
    stage.showMarkup(page);
    const RecordingPainter painter = paintGlyphs(stage);
    const std::set<qsizetype> drawn = drawnCharacters(painter);
    for (qsizetype i = 0; i < page.size(); ++i) {
        if (page.at(i) != u'\n') {
            EXPECT_TRUE(drawn.count(i)) << i;
        }
    }
    EXPECT_TRUE(painter.callsOf(Kind::StrokePath).isEmpty());
    EXPECT_TRUE(painter.callsOf(Kind::FillPath).isEmpty());
    EXPECT_TRUE(painter.callsOf(Kind::Image).isEmpty());

    stage.editor->setSelectedRange(Range(0, 5));
    const RecordingPainter background = paintBackground(stage);
    const auto& theme = *stage.editor->textTheme();
    const auto code = callsIn(background, Kind::FillRect, themeColor(theme.mkCodeBlockBackgroundColor()));
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(code.first().mode, QPainter::CompositionMode_Source);
    EXPECT_DOUBLE_EQ(code.first().rect.width(), stage.settings->editorMarkdownLineWidth());
    EXPECT_FALSE(callsIn(background, Kind::FillRect, themeColor(theme.mdSelectionColor())).isEmpty());
}

TEST(ZQLayoutManager, ClosingFenceGetsHalfALineOfCodeBackgroundInTheRichEditor)
{
    for (const ZQEditorType type : {ZQEditorType::Rich, ZQEditorType::Markup}) {
        EditorStage stage(type);
        const QString page = "```\ncode\n```";
        if (type == ZQEditorType::Rich) {
            stage.showRich(page);
        } else {
            stage.showMarkup(page);
        }
        const qsizetype close = stage.text().lastIndexOf("```");
        const RecordingPainter background = paintBackground(stage);
        const QRectF closeLine = stage.manager->boundingRectForGlyphRange(Range(close, 3));
        const auto& theme = *stage.editor->textTheme();
        const auto fills = callsIn(background, Kind::FillRect,
                                   themeColor(type == ZQEditorType::Rich ? theme.richCodeBlockBackgroundColor()
                                                                          : theme.mkCodeBlockBackgroundColor()));
        bool found = false;
        for (const auto& fill : fills) {
            if (qAbs(fill.rect.top() - closeLine.top()) > 0.01)
                continue;
            found = true;
            const qreal expected =
                type == ZQEditorType::Rich ? closeLine.height() * 0.5 + 1.0 : closeLine.height() + 1.0;
            EXPECT_NEAR(fill.rect.height(), expected, 0.01) << int(type);
        }
        EXPECT_TRUE(found) << int(type);
    }
}

TEST(ZQLayoutManager, TextBlockBandIsSplitAtTheSelection)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.showRich("A tag +writing+ here\n");
    const qsizetype tag = stage.indexOf("<writing>");
    const qsizetype cut = tag + 4; // inside "writing"
    stage.editor->setSelectedRange(Range(cut, 20 - cut));
    const RecordingPainter painter = paintGlyphs(stage);
    auto block = stage.editor->textStorage()->attributeAtIndex(ZQAttr::TextBlock, tag).toObject<ZQTextBlockStyle>();
    ASSERT_TRUE(block);
    const auto bands = callsIn(painter, Kind::FillRect, themeColor(block->bkColor()));
    ASSERT_EQ(bands.size(), 2);
    const qreal cutX = stage.manager->boundingRectForGlyphRange(Range(cut, 1)).left();
    EXPECT_NEAR(bands[0].rect.right(), cutX, 0.5);
    EXPECT_NEAR(bands[1].rect.left(), cutX, 0.5);
    // The band covers the visible text only: the hidden brackets carry pills.
    EXPECT_NEAR(bands[0].rect.left(), stage.manager->boundingRectForGlyphRange(Range(tag + 1, 1)).left(), 0.5);
    EXPECT_NEAR(bands[1].rect.right(), stage.manager->boundingRectForGlyphRange(Range(tag + 7, 1)).right(), 0.5);
}

TEST(ZQLayoutManager, OnlyTheSelectionTakesTheThemeSelectionColour)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.showRich("plain text");
    RecordingPainter painter;
    const QList<QRectF> rects{QRectF(0, 0, 10, 10)};
    stage.manager->fillBackgroundRectArray(rects, Range(0, 2), stage.manager->selectedTextBackgroundColor(), painter);
    stage.manager->fillBackgroundRectArray(rects, Range(0, 2), QColor(Qt::yellow), painter);
    const auto fills = painter.callsOf(Kind::FillRect);
    ASSERT_EQ(fills.size(), 2);
    EXPECT_EQ(fills[0].color, themeColor(stage.editor->textTheme()->editorSelectionColor()));
    EXPECT_EQ(fills[1].color, QColor(Qt::yellow));
}

TEST(ZQEditorTypeSetting, CodeBodyLinesTakeTheCodeGapFenceLinesTheTextGap)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.showRich("Intro\n\n```\ncode\n```\n\nafter");
    const qsizetype intro = 0;
    const qsizetype body = stage.indexOf("code");
    const qsizetype fence = stage.indexOf("```");
    auto measure = [&] {
        stage.manager->invalidateAllLayouts();
        std::map<qsizetype, std::pair<qreal, qreal>> lines; // height, baseline below the line top
        const RecordingPainter painter = paintGlyphs(stage);
        for (const qsizetype index : {intro, body, fence}) {
            const QRectF line = stage.manager->lineFragmentRectForGlyphAtIndex(index);
            qreal baseline = -1;
            for (const auto& call : painter.callsOf(Kind::GlyphRun))
                if (call.characters.contains(index) || (index == fence && call.characters.location > fence
                                                        && call.characters.location < fence + 4))
                    baseline = call.baseline - line.top();
            lines[index] = {line.height(), baseline};
        }
        return lines;
    };
    stage.settings->setEditorRichLineGap(0);
    stage.settings->setEditorCodeBlockRichLineGap(0);
    const auto plain = measure();
    stage.settings->setEditorRichLineGap(6);
    stage.settings->setEditorCodeBlockRichLineGap(2);
    const auto gapped = measure();
    EXPECT_NEAR(gapped.at(intro).first - plain.at(intro).first, 6, 0.01);
    EXPECT_NEAR(gapped.at(fence).first - plain.at(fence).first, 6, 0.01);
    EXPECT_NEAR(gapped.at(body).first - plain.at(body).first, 2, 0.01);
    EXPECT_NEAR(gapped.at(intro).second - plain.at(intro).second, 3, 0.01);
    EXPECT_NEAR(gapped.at(body).second - plain.at(body).second, 1, 0.01);
    stage.manager->calculateLayoutLineHeight();
}

TEST(ZQEditorTypeSetting, ReadOnlyRunAtTheMarginWrapsWhole)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.editor->textStorage()->setAttributedString(
        plat::AttributedString("aaaa bbbb cccc dddd eeee", stage.settings->defaultTypingAttribute(ZQEditorType::Rich)));
    const qsizetype run = stage.indexOf("cccc");
    // A width that ends inside "dddd": the plain break falls between the run's words.
    stage.manager->setContainerWidth(1e6);
    stage.manager->ensureLayoutForGlyphRange(Range(0, 24));
    const qreal width = stage.manager->boundingRectForGlyphRange(Range(0, 17)).right();
    stage.manager->setContainerWidth(width);
    stage.manager->ensureLayoutForGlyphRange(Range(0, 24));
    Range line;
    stage.manager->lineFragmentRectForGlyphAtIndex(run, &line);
    ASSERT_TRUE(line.contains(run));
    ASSERT_FALSE(line.contains(run + 5)) << "the fixture must break inside the run";

    stage.editor->textStorage()->addAttribute(ZQAttr::Readonly, plat::Value(QStringLiteral("tag")), Range(run, 9));
    stage.manager->ensureLayoutForGlyphRange(Range(0, 24));
    stage.manager->lineFragmentRectForGlyphAtIndex(run, &line);
    EXPECT_TRUE(line.containsRange(Range(run, 9)));
}

TEST(ZQLayoutManager, LineMetricsGoIntoTheSettingsOfTheEditorType)
{
    for (const ZQEditorType type : {ZQEditorType::Rich, ZQEditorType::Markup}) {
        EditorStage stage(type);
        ZSSettings& s = *stage.settings;
        const bool markup = type == ZQEditorType::Markup;
        for (const double spacing : {1.0, 1.5}) {
            if (markup) {
                s.setEditorMarkdownLineSpacing(spacing);
                s.setEditorCodeBlockMarkdownLineSpacing(spacing + 0.5);
            } else {
                s.setEditorRichLineSpacing(spacing);
                s.setEditorCodeBlockRichLineSpacing(spacing + 0.5);
            }
            stage.manager->calculateLayoutLineHeight();
            const qreal lh = plat::LayoutManager::defaultLineHeightForFont(*s.defaultFont(type));
            const qreal codeLh = plat::LayoutManager::defaultLineHeightForFont(*s.defaultCodeBlockFont(type));
            const qreal gap = (spacing - 1) * lh;
            const qreal codeGap = (spacing + 0.5 - 1) * codeLh;
            EXPECT_DOUBLE_EQ(markup ? s.editorMarkdownLineGap() : s.editorRichLineGap(), gap) << spacing;
            EXPECT_DOUBLE_EQ(markup ? s.editorMarkdownLineHeight() : s.editorRichLineHeight(), lh + gap);
            EXPECT_DOUBLE_EQ(markup ? s.caretMarkdownHeight() : s.caretRichHeight(), lh + gap);
            EXPECT_DOUBLE_EQ(markup ? s.editorCodeBlockMarkdownLineGap() : s.editorCodeBlockRichLineGap(), codeGap);
            EXPECT_DOUBLE_EQ(markup ? s.caretCodeBlockMarkdownHeight() : s.caretCodeBlockRichHeight(),
                             codeLh + codeGap);
        }
        // Back to the stored spacings for the tests that follow.
        s.setEditorRichLineSpacing(1.0);
        s.setEditorMarkdownLineSpacing(1.0);
        s.setEditorCodeBlockRichLineSpacing(1.0);
        s.setEditorCodeBlockMarkdownLineSpacing(1.0);
        stage.manager->calculateLayoutLineHeight();
    }
}

TEST(ZQLayoutManager, LinksWithoutBracketsStayVisibleAndTasksUseTheLineHeight)
{
    EditorStage stage(ZQEditorType::Rich);
    stage.settings->setRenderLinkWithBracketInRich(false);
    stage.showRich("a [link](https://example.com) b\n\n- [ ] task\n");
    const qsizetype link = stage.indexOf("link");
    const qsizetype task = stage.indexOf("[ ]");
    auto styleAt = [&](qsizetype index) {
        return stage.editor->textStorage()->attributeAtIndex(ZQAttr::TextBlock, index).toObject<ZQTextBlockStyle>();
    };
    ASSERT_TRUE(styleAt(link));
    ASSERT_TRUE(styleAt(task));
    const RecordingPainter painter = paintGlyphs(stage);
    const std::set<qsizetype> drawn = drawnCharacters(painter);
    for (qsizetype i = link; i < link + 4; ++i)
        EXPECT_TRUE(drawn.count(i)) << i;
    EXPECT_FALSE(drawn.count(task));
    EXPECT_FALSE(drawn.count(task + 2));

    // The link's band: no border strokes, from bottom - H to the bottom.
    const QRectF linkRect = stage.manager->boundingRectForGlyphRange(Range(link, 4));
    bool linkBand = false;
    for (const auto& call : callsIn(painter, Kind::FillRect, themeColor(styleAt(link)->bkColor()))) {
        if (qAbs(call.rect.left() - linkRect.left()) > 0.5)
            continue;
        linkBand = true;
        EXPECT_NEAR(call.rect.bottom(), linkRect.bottom(), 0.01);
        EXPECT_NEAR(call.rect.height(), linkRect.height(), 0.01);
    }
    EXPECT_TRUE(linkBand);
    for (const auto& stroke : painter.callsOf(Kind::StrokePath))
        EXPECT_FALSE(stroke.rect.intersects(linkRect.adjusted(1, 1, -1, -1))) << "border on the link";

    // The task's band and pill ends take the rich line height, not the glyphs'.
    const qreal lineHeight = stage.settings->editorRichLineHeight();
    const auto taskBands = callsIn(painter, Kind::FillRect, themeColor(styleAt(task)->bkColor()));
    ASSERT_FALSE(taskBands.isEmpty());
    EXPECT_NEAR(taskBands.last().rect.height(), lineHeight - 3.0, 0.01);
    const auto pills = painter.callsOf(Kind::FillPath);
    ASSERT_EQ(pills.size(), 2);
    EXPECT_NEAR(pills.first().rect.height(), lineHeight - 3.0, 0.01);
    stage.settings->setRenderLinkWithBracketInRich(true);
}

TEST(ZQAbstractEditor, PopoverTakesTheThemeColourOfItsEditor)
{
    for (const ZQEditorType type : {ZQEditorType::Rich, ZQEditorType::Markup}) {
        EditorStage stage(type);
        stage.editor->popoverStyleUpdatedRequired();
        const auto& theme = *stage.editor->textTheme();
        const QColor expected = themeColor(type == ZQEditorType::Markup ? theme.mdBlockEditorBackgroundColor()
                                                                         : theme.editorBlockEditorBackgroundColor());
        EXPECT_EQ(stage.editor->editorPopover().color(), expected) << int(type);
        EXPECT_DOUBLE_EQ(stage.editor->editorPopover().cornerRadius(), 5.0);
        EXPECT_EQ(stage.editor->editorPopover().arrowSize(), QSizeF(0, 0));
    }
}

TEST(ZQLayoutManager, EveryPrefixOfAPagePaintsWithinItsText)
{
    // Pages cut anywhere leave constructs half made; each must paint, and the
    // drawing must stay inside the text whatever the selection.
    EditorStage stage(ZQEditorType::Rich);
    QString page = RichPage + "- [ ] open task\n\nA note[^1].\n\n[^1]: body\n";
    for (qsizetype cut = 1; cut <= page.size(); ++cut) {
        stage.showRich(page.left(cut));
        const qsizetype length = stage.text().size();
        stage.editor->setSelectedRange(Range(length / 3, length / 3));
        RecordingPainter painter = paintGlyphs(stage);
        stage.manager->drawBackgroundForGlyphRange(Range(0, length), QPointF(0, 0), painter);
        for (const auto& call : painter.callsOf(Kind::GlyphRun))
            ASSERT_LE(call.characters.end(), length) << "cut " << cut;
    }
}
