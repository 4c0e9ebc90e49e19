#pragma once
// The drawing seam of the text view: the layout manager and the view draw
// through it, so tests record what is painted (runs, fills, the caret) as data
// and benches paint without a screen.

#include "platform/foundation/Range.h"

#include <QColor>
#include <QGlyphRun>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace plat {

class Painter {
public:
    virtual ~Painter() = default;

    virtual void save() = 0;
    virtual void restore() = 0;
    virtual void translate(QPointF offset) = 0;
    virtual void scale(qreal factor) = 0;
    virtual void setClipRect(const QRectF& rect) = 0;

    virtual void fillRect(const QRectF& rect, const QColor& color,
                          QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver) = 0;
    virtual void fillPath(const QPainterPath& path, const QColor& color) = 0;
    virtual void strokePath(const QPainterPath& path, const QColor& color, qreal width,
                            Qt::PenCapStyle cap = Qt::FlatCap) = 0;
    virtual void drawImage(QPointF at, const QImage& image, qreal opacity) = 0;
    // characters: the storage range the run shows.
    virtual void drawGlyphRun(QPointF origin, const QGlyphRun& run, const QColor& color, Range characters) = 0;
    // The input method's uncommitted text, shown at the storage position at; it
    // is never part of the storage.
    virtual void drawPreedit(QPointF origin, const QGlyphRun& run, const QColor& color, qsizetype at) = 0;
    virtual void drawCaret(const QRectF& rect, const QColor& color) = 0;
};

// Paints on a QPainter it does not own.
class QtPainter final : public Painter {
public:
    explicit QtPainter(QPainter& painter) : m_painter(painter) {}

    void save() override;
    void restore() override;
    void translate(QPointF offset) override;
    void scale(qreal factor) override;
    void setClipRect(const QRectF& rect) override;
    void fillRect(const QRectF& rect, const QColor& color, QPainter::CompositionMode mode) override;
    void fillPath(const QPainterPath& path, const QColor& color) override;
    void strokePath(const QPainterPath& path, const QColor& color, qreal width, Qt::PenCapStyle cap) override;
    void drawImage(QPointF at, const QImage& image, qreal opacity) override;
    void drawGlyphRun(QPointF origin, const QGlyphRun& run, const QColor& color, Range characters) override;
    void drawPreedit(QPointF origin, const QGlyphRun& run, const QColor& color, qsizetype at) override;
    void drawCaret(const QRectF& rect, const QColor& color) override;

private:
    QPainter& m_painter;
};

// Keeps every call as a plain record. Geometry is as passed (before any
// translate or scale, which are recorded too); for runs, rect is the run's
// bounding rect moved to origin and glyphX the glyphs' x positions from origin.
class RecordingPainter final : public Painter {
public:
    enum class Kind {
        Save, Restore, Translate, Scale, Clip,
        FillRect, FillPath, StrokePath, Image, GlyphRun, Preedit, Caret
    };
    struct Call {
        Kind kind = Kind::Save;
        QRectF rect;
        QColor color;
        Range characters;
        QPointF origin;
        qreal value = 0; // stroke width, scale factor, image opacity
        QList<qreal> glyphX;
        qreal baseline = 0; // runs: the baseline's y (origin plus the glyphs' y)
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    };

    const QList<Call>& calls() const { return m_calls; }
    QList<Call> callsOf(Kind kind) const;
    void clear() { m_calls.clear(); }

    void save() override;
    void restore() override;
    void translate(QPointF offset) override;
    void scale(qreal factor) override;
    void setClipRect(const QRectF& rect) override;
    void fillRect(const QRectF& rect, const QColor& color, QPainter::CompositionMode mode) override;
    void fillPath(const QPainterPath& path, const QColor& color) override;
    void strokePath(const QPainterPath& path, const QColor& color, qreal width, Qt::PenCapStyle cap) override;
    void drawImage(QPointF at, const QImage& image, qreal opacity) override;
    void drawGlyphRun(QPointF origin, const QGlyphRun& run, const QColor& color, Range characters) override;
    void drawPreedit(QPointF origin, const QGlyphRun& run, const QColor& color, qsizetype at) override;
    void drawCaret(const QRectF& rect, const QColor& color) override;

private:
    Call& add(Kind kind);
    QList<Call> m_calls;
};

} // namespace plat
