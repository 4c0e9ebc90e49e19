#include "platform/ui/Painter.h"

namespace plat {

void QtPainter::save() { m_painter.save(); }
void QtPainter::restore() { m_painter.restore(); }
void QtPainter::translate(QPointF offset) { m_painter.translate(offset); }
void QtPainter::scale(qreal factor) { m_painter.scale(factor, factor); }
void QtPainter::setClipRect(const QRectF& rect) { m_painter.setClipRect(rect, Qt::IntersectClip); }

void QtPainter::fillRect(const QRectF& rect, const QColor& color, QPainter::CompositionMode mode)
{
    const auto before = m_painter.compositionMode();
    m_painter.setCompositionMode(mode);
    m_painter.fillRect(rect, color);
    m_painter.setCompositionMode(before);
}

void QtPainter::fillPath(const QPainterPath& path, const QColor& color)
{
    m_painter.fillPath(path, color);
}

void QtPainter::strokePath(const QPainterPath& path, const QColor& color, qreal width, Qt::PenCapStyle cap)
{
    QPen pen(color, width);
    pen.setCapStyle(cap);
    m_painter.strokePath(path, pen);
}

void QtPainter::drawImage(QPointF at, const QImage& image, qreal opacity)
{
    const qreal before = m_painter.opacity();
    m_painter.setOpacity(before * opacity);
    m_painter.drawImage(at, image);
    m_painter.setOpacity(before);
}

void QtPainter::drawGlyphRun(QPointF origin, const QGlyphRun& run, const QColor& color, Range)
{
    m_painter.setPen(color);
    m_painter.drawGlyphRun(origin, run);
}

void QtPainter::drawPreedit(QPointF origin, const QGlyphRun& run, const QColor& color, qsizetype)
{
    m_painter.setPen(color);
    m_painter.drawGlyphRun(origin, run);
    // The uncommitted text is underlined, as input methods expect.
    const QRectF box = run.boundingRect().translated(origin);
    const qreal y = origin.y() + (run.positions().isEmpty() ? 0 : run.positions().first().y()) + 2;
    m_painter.drawLine(QPointF(box.left(), y), QPointF(box.right(), y));
}

void QtPainter::drawCaret(const QRectF& rect, const QColor& color)
{
    m_painter.fillRect(rect, color);
}

QList<RecordingPainter::Call> RecordingPainter::callsOf(Kind kind) const
{
    QList<Call> out;
    for (const Call& call : m_calls)
        if (call.kind == kind)
            out.append(call);
    return out;
}

RecordingPainter::Call& RecordingPainter::add(Kind kind)
{
    m_calls.append(Call{});
    m_calls.last().kind = kind;
    return m_calls.last();
}

void RecordingPainter::save() { add(Kind::Save); }
void RecordingPainter::restore() { add(Kind::Restore); }
void RecordingPainter::translate(QPointF offset) { add(Kind::Translate).origin = offset; }
void RecordingPainter::scale(qreal factor) { add(Kind::Scale).value = factor; }
void RecordingPainter::setClipRect(const QRectF& rect) { add(Kind::Clip).rect = rect; }

void RecordingPainter::fillRect(const QRectF& rect, const QColor& color, QPainter::CompositionMode mode)
{
    Call& call = add(Kind::FillRect);
    call.rect = rect;
    call.color = color;
    call.mode = mode;
}

void RecordingPainter::fillPath(const QPainterPath& path, const QColor& color)
{
    Call& call = add(Kind::FillPath);
    call.rect = path.boundingRect();
    call.color = color;
}

void RecordingPainter::strokePath(const QPainterPath& path, const QColor& color, qreal width, Qt::PenCapStyle)
{
    Call& call = add(Kind::StrokePath);
    call.rect = path.boundingRect();
    call.color = color;
    call.value = width;
}

void RecordingPainter::drawImage(QPointF at, const QImage& image, qreal opacity)
{
    Call& call = add(Kind::Image);
    call.origin = at;
    call.rect = QRectF(at, image.size());
    call.value = opacity;
}

static void recordRun(RecordingPainter::Call& call, QPointF origin, const QGlyphRun& run, const QColor& color)
{
    call.origin = origin;
    call.color = color;
    call.rect = run.boundingRect().translated(origin);
    const auto positions = run.positions();
    for (const QPointF& p : positions)
        call.glyphX.append(origin.x() + p.x());
    call.baseline = origin.y() + (positions.isEmpty() ? 0 : positions.first().y());
}

void RecordingPainter::drawGlyphRun(QPointF origin, const QGlyphRun& run, const QColor& color, Range characters)
{
    Call& call = add(Kind::GlyphRun);
    recordRun(call, origin, run, color);
    call.characters = characters;
}

void RecordingPainter::drawPreedit(QPointF origin, const QGlyphRun& run, const QColor& color, qsizetype at)
{
    Call& call = add(Kind::Preedit);
    recordRun(call, origin, run, color);
    call.characters = Range(at, 0);
}

void RecordingPainter::drawCaret(const QRectF& rect, const QColor& color)
{
    Call& call = add(Kind::Caret);
    call.rect = rect;
    call.color = color;
}

} // namespace plat
