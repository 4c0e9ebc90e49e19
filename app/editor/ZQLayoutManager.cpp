#include "app/editor/ZQLayoutManager.h"

#include "app/editor/ZQEditorSettings.h"
#include "kit/foundation/ZQBezierPath.h"
#include "kit/model/ZQAttributeNames.h"
#include "kit/model/ZQAttributedString.h"
#include "kit/model/ZQStyles.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"
#include "platform/text/Color.h"
#include "platform/text/TextStorage.h"
#include "platform/text/TextView.h"
#include "platform/ui/Painter.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

using plat::Range;
using plat::Value;

namespace {

QColor colorOf(const plat::ColorPtr& color)
{
    return color ? color->toQColor() : QColor(Qt::transparent);
}

qreal bottom(const QRectF& rect)
{
    return rect.y() + rect.height();
}

// The code fence's marker: a pair of angle brackets with a slash, painted
// opaque so that tinting keeps its shape.
QImage fenceMarkerShape()
{
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawPolyline(QPolygonF({QPointF(8, 6), QPointF(3, 12), QPointF(8, 18)}));
    painter.drawPolyline(QPolygonF({QPointF(16, 6), QPointF(21, 12), QPointF(16, 18)}));
    painter.drawLine(QPointF(14, 5), QPointF(10, 19));
    return image;
}

// Its painted pixels filled with color (source-atop over the whole image).
QImage tinted(const QImage& image, const QColor& color)
{
    QImage copy = image.copy();
    if (!color.isValid())
        return copy;
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(copy.rect(), color);
    return copy;
}

} // namespace

ZQLayoutManager::ZQLayoutManager(ZQEditorType editorType)
    : m_editorType(editorType), m_settings(editorSharedSettings()), m_textTheme(ZSTextTheme::sharedTheme()),
      BLANK(plat::CharacterSet::whitespaceAndNewline()),
      MACRO_BRACKET_CSET(plat::CharacterSet::fromString(QStringLiteral("{}[]<>")).united(BLANK))
{
    calculateLayoutLineHeight();
}

void ZQLayoutManager::calculateLayoutLineHeight()
{
    if (!m_settings)
        return;
    auto metrics = [](const plat::FontPtr& font, double spacing) {
        const double lineHeight = font ? defaultLineHeightForFont(*font) : 0.0;
        const double gap = spacing > 1.0 ? (spacing - 1.0) * lineHeight : 0.0;
        return std::pair{lineHeight + gap, gap};
    };
    ZSSettings& s = *m_settings;
    const auto [height, gap] = metrics(s.defaultFont(m_editorType),
                                       isMarkup() ? s.editorMarkdownLineSpacing() : s.editorRichLineSpacing());
    const auto [codeHeight, codeGap] =
        metrics(s.defaultCodeBlockFont(m_editorType),
                isMarkup() ? s.editorCodeBlockMarkdownLineSpacing() : s.editorCodeBlockRichLineSpacing());
    if (isMarkup()) {
        s.setEditorMarkdownLineHeight(height);
        s.setEditorMarkdownLineGap(gap);
        s.setCaretMarkdownHeight(height);
        s.setEditorCodeBlockMarkdownLineGap(codeGap);
        s.setCaretCodeBlockMarkdownHeight(codeHeight);
    } else {
        s.setEditorRichLineHeight(height);
        s.setEditorRichLineGap(gap);
        s.setCaretRichHeight(height);
        s.setEditorCodeBlockRichLineGap(codeGap);
        s.setCaretCodeBlockRichHeight(codeHeight);
    }
}

// --- Run walk ------------------------------------------------------------------

ZQLayoutManager::AttributeGetter ZQLayoutManager::getterFor(const QString& attribute) const
{
    return [this, attribute](Range remaining, Range* effective) {
        const auto& storage = textStorage();
        if (!storage || remaining.length <= 0 || remaining.end() > storage->length()) {
            *effective = Range(remaining.location, 0);
            return Value();
        }
        return storage->attributeAtIndexLongestEffectiveRange(attribute, remaining.location, effective, remaining);
    };
}

ZQLayoutManager::AttributeGetter ZQLayoutManager::quoteGetter() const
{
    AttributeGetter plain = getterFor(ZQAttr::FilterQuote);
    return [plain](Range remaining, Range* effective) {
        Value value = plain(remaining, effective);
        if (auto quote = value.toObject<ZQQuoteStyle>(); quote && quote->isInvalid())
            return Value();
        return value;
    };
}

void ZQLayoutManager::walkRuns(Range glyphRange, const AttributeGetter& getter, const RunVisitor& visit) const
{
    Range remaining = glyphRange;
    while (remaining.length > 0) {
        Range effective;
        const Value value = getter(characterRangeForGlyphRange(remaining), &effective);
        const Range glyphs = plat::intersection(glyphRangeForCharacterRange(effective), remaining);
        if (!value.isNull() && glyphs.length > 0)
            visit(value, glyphs, effective);
        // Always forward, even when the storage answered an empty run.
        const qsizetype next = std::max(glyphs.length > 0 ? glyphs.end() : 0, remaining.location + 1);
        remaining = Range(next, std::max<qsizetype>(remaining.end() - next, 0));
    }
}

QRectF ZQLayoutManager::rectFor(Range glyphRange, QPointF origin)
{
    return boundingRectForGlyphRange(glyphRange).translated(origin);
}

Range ZQLayoutManager::selectedCharacterRange() const
{
    const plat::TextView* view = textView();
    return view ? view->selectedRange() : Range(0, 0);
}

// --- Glyphs and decorations ------------------------------------------------------

void ZQLayoutManager::drawGlyphsForGlyphRange(Range glyphRange, QPointF origin, plat::Painter& painter)
{
    if (isMarkup()) {
        plat::LayoutManager::drawGlyphsForGlyphRange(glyphRange, origin, painter);
        return;
    }
    Hidden hidden;
    drawDivider(glyphRange, origin, painter, hidden);
    drawCodeBlock(glyphRange, origin, painter, hidden);
    drawQuote(glyphRange, origin, painter, hidden);
    drawInvisibleText(glyphRange, origin, painter, hidden);
    if (hidden.empty()) {
        drawTextBlock(glyphRange, origin, painter);
        plat::LayoutManager::drawGlyphsForGlyphRange(glyphRange, origin, painter);
        return;
    }
    // Bands lie under their glyphs; hidden glyphs are never drawn.
    for (const Range piece : ZSUtils::rangeSubstrcts(glyphRange, hidden)) {
        if (piece.length <= 0)
            continue;
        drawTextBlock(piece, origin, painter);
        plat::LayoutManager::drawGlyphsForGlyphRange(piece, origin, painter);
    }
}

void ZQLayoutManager::drawDivider(Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden)
{
    const auto& storage = textStorage();
    walkRuns(glyphRange, getterFor(ZQAttr::FilterDivider), [&](const Value&, Range glyphs, Range) {
        const Range characters = characterRangeForGlyphRange(glyphs);
        ZQAttributedString::enumerateLinesRangeUsingBlock(
            *storage,
            [&](Range line, bool*) {
                const Range piece = plat::intersection(glyphRangeForCharacterRange(line), glyphs);
                if (piece.length <= 0)
                    return;
                const QRectF r = rectFor(piece, origin);
                const qreal y = r.y() + r.height() * 0.5;
                const qreal x0 = r.x();
                const qreal x1 = m_settings ? m_settings->editorRichLineWidth() : r.right();
                painter.save();
                QPainterPath rule;
                rule.moveTo(x0, y);
                rule.lineTo(x1, y);
                painter.strokePath(rule, colorOf(m_textTheme->richDividerColor()), 0.8, Qt::RoundCap);
                QPainterPath shadow;
                shadow.moveTo(x0, y + 1.0);
                shadow.lineTo(x1, y + 1.0);
                painter.strokePath(shadow, colorOf(m_textTheme->richDividerColorBackground()), 1.0, Qt::RoundCap);
                painter.restore();
                hidden.push_back(piece);
            },
            characters);
    });
}

void ZQLayoutManager::drawCodeBlock(Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden)
{
    walkRuns(glyphRange, getterFor(ZQAttr::FilterCodeBlock), [&](const Value& value, Range glyphs, Range) {
        const QString part = value.toString();
        if (part != QLatin1String("S") && part != QLatin1String("E"))
            return;
        hidden.push_back(glyphs);
        if (part != QLatin1String("S"))
            return;
        const QRectF r = rectFor(glyphs, origin);
        const qreal y = r.height() > 24.0 ? r.y() + (r.height() - 24.0) * 0.5 : r.y();
        painter.drawImage(QPointF(r.x(), y), codeFenceMarker(), 0.8);
    });
}

QImage ZQLayoutManager::codeFenceMarker() const
{
    static const QImage shape = fenceMarkerShape();
    static QColor cachedColor;
    static QImage cached;
    const QColor color = colorOf(m_textTheme->richCodeBlockTagColor());
    if (cached.isNull() || color != cachedColor) {
        cached = tinted(shape, color);
        cachedColor = color;
    }
    return cached;
}

void ZQLayoutManager::drawQuote(Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden)
{
    const auto& storage = textStorage();
    walkRuns(glyphRange, quoteGetter(), [&](const Value&, Range glyphs, Range) {
        const QString& text = storage->string();
        const QColor color = colorOf(m_textTheme->richQuoteColor());
        for (qsizetype glyph = glyphs.location; glyph < glyphs.end(); ++glyph) {
            const qsizetype index = characterRangeForGlyphRange(Range(glyph, 1)).location;
            if (text.at(index) != u'>')
                continue;
            const QRectF r = rectFor(Range(glyph, 1), origin);
            painter.fillRect(QRectF(r.x(), r.y(), r.width() * 0.4, r.height() + 1.0), color);
        }
        hidden.push_back(glyphs);
    });
}

void ZQLayoutManager::drawInvisibleText(Range glyphRange, QPointF origin, plat::Painter& painter, Hidden& hidden)
{
    const auto& storage = textStorage();
    const QString& text = storage->string();
    const Range drawnCharacters = characterRangeForGlyphRange(glyphRange);
    const Range selection = selectedCharacterRange();
    walkRuns(glyphRange, getterFor(ZQAttr::TextBlock), [&](const Value& value, Range, Range run) {
        if (run.length <= 0)
            return;
        const auto colors = getColors(value);
        const bool task = isTask(value);
        qsizetype firstSolid = run.location;
        while (firstSolid < run.end() && BLANK.contains(text.at(firstSolid)))
            ++firstSolid;
        qsizetype lastSolid = run.end() - 1;
        while (lastSolid >= run.location && BLANK.contains(text.at(lastSolid)))
            --lastSolid;
        const bool allBlank = firstSolid >= run.end();
        const Range leading = allBlank ? run : Range(run.location, firstSolid - run.location + 1);
        const Range trailing = allBlank ? run : Range(lastSolid, run.end() - lastSolid);

        painter.save();
        for (const Range end : {leading, trailing}) {
            const Range characters = plat::intersection(end, drawnCharacters);
            if (characters.length <= 0)
                continue;
            const Range glyphs = glyphRangeForCharacterRange(characters);
            bool allBrackets = true;
            for (qsizetype i = characters.location; i < characters.end() && allBrackets; ++i)
                allBrackets = MACRO_BRACKET_CSET.contains(text.at(i));
            if (!allBrackets)
                continue;
            hidden.push_back(glyphs);
            for (qsizetype i = characters.location; i < characters.end(); ++i) {
                const QChar c = text.at(i);
                if (BLANK.contains(c))
                    continue;
                const QRectF r = rectFor(glyphRangeForCharacterRange(Range(i, 1)), origin);
                const qreal h = task && m_settings ? m_settings->editorRichLineHeight() : r.height();
                const qreal top = bottom(r) - h + 1.0;
                const qreal height = h - 3.0;
                QPainterPath outline;
                if (c == u'<' || c == u'[' || c == u'{') {
                    const QRectF shape(r.x() + 4.0, top, r.width() - 3.0, height);
                    ZQBezierPath::drawRoundCornerAt(outline, ZQBezierPath::MinXMaxY | ZQBezierPath::MinXMinY, 4.0,
                                                    shape, ZQBezierPath::MaxXMaxY, ZQBezierPath::MaxXMinY);
                } else if (c == u'>' || c == u']' || c == u'}') {
                    const qreal x = r.x() > 0 ? r.x() - 1.0 : 0.0;
                    const QRectF shape(x, top, r.width() - 4.0, height);
                    ZQBezierPath::drawRoundCornerAt(outline, ZQBezierPath::MaxXMinY | ZQBezierPath::MaxXMaxY, 4.0,
                                                    shape, ZQBezierPath::MinXMinY, ZQBezierPath::MinXMaxY);
                } else {
                    continue;
                }
                const bool selected = selection.contains(i);
                QPainterPath closed = outline;
                closed.closeSubpath();
                painter.fillPath(closed, selected ? colors[2] : colors[0]);
                painter.strokePath(outline, selected ? colors[3] : colors[1], 1.0);
            }
        }
        painter.restore();
    });
}

void ZQLayoutManager::drawTextBlock(Range glyphRange, QPointF origin, plat::Painter& painter)
{
    const auto& storage = textStorage();
    const QString& text = storage->string();
    const Range selection = glyphRangeForCharacterRange(selectedCharacterRange());
    walkRuns(glyphRange, getterFor(ZQAttr::TextBlock), [&](const Value& value, Range glyphs, Range) {
        const auto colors = getColors(value);
        const bool task = isTask(value);
        const bool borders = !(isLink(value) && m_settings && !m_settings->renderLinkWithBracketInRich());
        const qreal d = borders ? 1.0 : 0.0;
        const qreal inset = colors[0] == QColor(Qt::transparent) ? 0.8 : -0.2;

        painter.save();
        qsizetype start = glyphs.location;
        while (start < glyphs.end()) {
            Range line;
            lineFragmentRectForGlyphAtIndex(start, &line);
            qsizetype end = std::min(line.length > 0 ? line.end() : glyphs.end(), glyphs.end());
            if (end <= start)
                end = glyphs.end();
            const qsizetype next = end;
            if (end < text.size() && text.at(characterRangeForGlyphRange(Range(end - 1, 1)).location) == u'\n')
                --end; // the line's newline gets no band
            Range piece(start, end - start);
            bool selected = false;
            if (selection.length > 0 && plat::intersection(selection, piece).length > 0) {
                if (selection.location > piece.location) {
                    piece.length = selection.location - piece.location;
                } else {
                    piece.length = std::min(selection.end(), piece.end()) - piece.location;
                    selected = true;
                }
            }
            start = piece.end() < end ? piece.end() : next;
            if (piece.length <= 0)
                continue;
            const QRectF r = rectFor(piece, origin);
            const qreal h = task && m_settings ? m_settings->editorRichLineHeight() : r.height();
            const qreal top = bottom(r) - h + d;
            const QRectF band(r.x(), top, r.width(), (bottom(r) - 2 * d) - top);
            painter.fillRect(band, selected ? colors[2] : colors[0]);
            if (borders) {
                const QColor border = selected ? colors[3] : colors[1];
                QPainterPath edges;
                edges.moveTo(r.x() + inset, band.top());
                edges.lineTo(r.x() + r.width() - inset, band.top());
                edges.moveTo(r.x() + inset, band.bottom());
                edges.lineTo(r.x() + r.width() - inset, band.bottom());
                painter.strokePath(edges, border, 1.0);
            }
        }
        painter.restore();
    });
}

std::array<QColor, 4> ZQLayoutManager::getColors(const Value& value) const
{
    const QColor clear(Qt::transparent);
    if (auto block = value.toObject<ZQTextBlockStyle>()) {
        const QColor fill = colorOf(block->bkColor());
        const QColor border = colorOf(block->borderColor());
        return {fill, border, fill, border};
    }
    return {clear, clear, clear, clear};
}

bool ZQLayoutManager::isTask(const Value& value)
{
    auto block = value.toObject<ZQTextBlockStyle>();
    return block && block->name() == ZQAttr::FilterTask;
}

bool ZQLayoutManager::isLink(const Value& value)
{
    auto block = value.toObject<ZQTextBlockStyle>();
    return block && block->name() == ZQAttr::FilterLink;
}

// --- Backgrounds -------------------------------------------------------------------

void ZQLayoutManager::drawBackgroundForGlyphRange(Range glyphRange, QPointF origin, plat::Painter& painter)
{
    plat::LayoutManager::drawBackgroundForGlyphRange(glyphRange, origin, painter);
    drawCodeBlockBackground(glyphRange, origin, painter, ZQAttr::FilterCodeBlock);
    drawCodeBlockBackground(glyphRange, origin, painter, ZQAttr::IndentBlock);
    // Again, so that the selection and other backgrounds lie over the code fills.
    plat::LayoutManager::drawBackgroundForGlyphRange(glyphRange, origin, painter);
}

void ZQLayoutManager::drawCodeBlockBackground(Range glyphRange, QPointF origin, plat::Painter& painter,
                                              const QString& attribute)
{
    const QColor color = colorOf(isMarkup() ? m_textTheme->mkCodeBlockBackgroundColor()
                                            : m_textTheme->richCodeBlockBackgroundColor());
    const qreal width = m_settings ? (isMarkup() ? m_settings->editorMarkdownLineWidth()
                                                 : m_settings->editorRichLineWidth())
                                   : 0.0;
    walkRuns(glyphRange, getterFor(attribute), [&](const Value& value, Range glyphs, Range) {
        const QRectF r = rectFor(glyphs, origin);
        qreal height = r.height() + 1.0;
        if (m_editorType == ZQEditorType::Rich && value.toString() == QLatin1String("E"))
            height = r.height() * 0.5 + 1.0;
        painter.fillRect(QRectF(origin.x(), r.y(), width, height), color, QPainter::CompositionMode_Source);
    });
}

void ZQLayoutManager::fillBackgroundRectArray(const QList<QRectF>& rects, Range characterRange, const QColor& color,
                                              plat::Painter& painter)
{
    // The same call fills background-colour runs: only the selection's
    // colour is replaced, so that a highlighted span never looks selected.
    if (color != selectedTextBackgroundColor()) {
        plat::LayoutManager::fillBackgroundRectArray(rects, characterRange, color, painter);
        return;
    }
    const QColor selection =
        colorOf(isMarkup() ? m_textTheme->mdSelectionColor() : m_textTheme->editorSelectionColor());
    for (const QRectF& rect : rects)
        painter.fillRect(rect, selection, QPainter::CompositionMode_SourceOver);
}
