#include "app/shell/INPopoverWindowFrame.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

INPopoverWindowFrame::INPopoverWindowFrame(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void INPopoverWindowFrame::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void INPopoverWindowFrame::setBorderColor(const QColor& color)
{
    if (color == m_borderColor)
        return;
    m_borderColor = color;
    update();
}

void INPopoverWindowFrame::setBorderWidth(double width)
{
    if (width == m_borderWidth)
        return;
    m_borderWidth = width;
    update();
}

void INPopoverWindowFrame::setCornerRadius(double radius)
{
    if (radius == m_cornerRadius)
        return;
    m_cornerRadius = radius;
    update();
}

void INPopoverWindowFrame::setArrowDirection(quint64 direction)
{
    if (direction == m_arrowDirection)
        return;
    m_arrowDirection = direction;
    update();
}

void INPopoverWindowFrame::setArrowSize(const QSizeF& size)
{
    if (size == m_arrowSize)
        return;
    m_arrowSize = size;
    update();
}

namespace {

// An arc in bottom-up coordinates: angles count counter-clockwise from +x
// with y growing upwards, which QPainterPath reads mirrored.
void arc(QPainterPath& path, QPointF centre, qreal radius, qreal fromDegrees, qreal toDegrees)
{
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(box, -fromDegrees, -(toDegrees - fromDegrees));
}

} // namespace

QPainterPath INPopoverWindowFrame::popoverBezierPathWithRect(const QRectF& rect) const
{
    const qreal r = m_cornerRadius;
    const qreal aw = m_arrowSize.width();
    const qreal ad = m_arrowSize.height();
    const QRectF inner = rect.adjusted(r + ad, r + ad, -(r + ad), -(r + ad));
    const qreal minX = inner.left(), minY = inner.top(), maxX = inner.right(), maxY = inner.bottom();
    const qreal midX = inner.center().x(), midY = inner.center().y();

    QPainterPath path;
    path.moveTo(minX - r, minY);
    arc(path, {minX, minY}, r, 180, 270);
    if (m_arrowDirection == 1) {
        path.lineTo(std::floor(midX - aw / 2), minY - r);
        path.lineTo(std::floor(midX), minY - r - ad);
        path.lineTo(std::floor(midX + aw / 2), minY - r);
    }
    arc(path, {maxX, minY}, r, 270, 360);
    if (m_arrowDirection == 0) {
        path.lineTo(maxX + r, std::floor(midY - aw / 2));
        path.lineTo(maxX + r + ad, std::floor(midY));
        path.lineTo(maxX + r, std::floor(midY + aw / 2));
    }
    arc(path, {maxX, maxY}, r, 0, 90);
    if (m_arrowDirection == 3) {
        path.lineTo(std::floor(midX + aw / 2), maxY + r);
        path.lineTo(std::floor(midX), maxY + r + ad);
        path.lineTo(std::floor(midX - aw / 2), maxY + r);
    }
    arc(path, {minX, maxY}, r, 90, 180);
    if (m_arrowDirection == 2) {
        path.lineTo(minX - r, std::floor(midY + aw / 2));
        path.lineTo(minX - r - ad, std::floor(midY));
        path.lineTo(minX - r, std::floor(midY - aw / 2));
    }
    path.closeSubpath();
    return path;
}

void INPopoverWindowFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawRect(painter);
}

void INPopoverWindowFrame::drawRect(QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    // The outline and the highlight lines are laid out bottom-up, as the arrow
    // directions are named: "bottom" is the lower edge on screen.
    const QRectF bounds(QPointF(0, 0), QSizeF(size()));
    painter.setTransform(QTransform(1, 0, 0, -1, 0, bounds.height()), true);

    QRectF outlineBounds = bounds;
    if (static_cast<qint64>(m_borderWidth) % 2 != 0)
        outlineBounds.adjust(0.5, 0.5, -0.5, -0.5); // crisp odd-width lines
    const QPainterPath path = popoverBezierPathWithRect(outlineBounds);
    if (m_color.isValid())
        painter.fillPath(path, m_color);
    if (m_borderWidth > 0) {
        QPen pen(m_borderColor.isValid() ? m_borderColor : QColor(Qt::transparent), m_borderWidth);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.strokePath(path, pen);
    }

    if (m_topHighlightColor.isValid() || m_shadowHighlightColor.isValid()) {
        const qreal ad = m_arrowSize.height();
        const qreal aw = m_arrowSize.width();
        const QRectF i = bounds.adjusted(ad, ad, -ad, -ad);
        const qreal r = m_cornerRadius;
        const qreal b = m_borderWidth;
        const QRectF line(std::floor(i.x() + r / 2) + b, i.bottom() - b - 1.0, i.width() - r - 2 * b, 1.0);
        if (m_topHighlightColor.isValid()) {
            if (m_arrowDirection == 3) {
                const qreal half = std::floor(line.width() / 2 - aw / 2);
                painter.fillRect(QRectF(line.x(), line.y(), half, 1.0), m_topHighlightColor);
                painter.fillRect(QRectF(std::floor(line.x() + line.width() / 2 + aw / 2), line.y(), half, 1.0),
                                 m_topHighlightColor);
            } else {
                painter.fillRect(line, m_topHighlightColor);
            }
        }
        if (m_shadowHighlightColor.isValid()) {
            const qreal y = i.y() + b + 1.0;
            const qreal h = i.height() - 2 * b - 2.0;
            painter.fillRect(QRectF(line.x(), y, 1.0, h), m_shadowHighlightColor);
            painter.fillRect(QRectF(line.x() + line.width() - 1.0, y, 1.0, h), m_shadowHighlightColor);
            painter.fillRect(QRectF(line.x(), i.y() + b, line.width(), 1.0), m_shadowHighlightColor);
        }
    }
    painter.restore();
}
