#pragma once
// The drawing of a popover panel: a filled rounded box with an optional
// triangular arrow on one edge, an optional border and highlight lines.

#include <QColor>
#include <QRectF>
#include <QWidget>

class QPainter;
class QPainterPath;

class INPopoverWindowFrame : public QWidget {
    Q_OBJECT
public:
    explicit INPopoverWindowFrame(QWidget* parent = nullptr);

    // Colours are optional: an invalid QColor stands for none.
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);
    QColor topHighlightColor() const { return m_topHighlightColor; }
    void setTopHighlightColor(const QColor& color) { m_topHighlightColor = color; }
    QColor shadowHighlightColor() const { return m_shadowHighlightColor; }
    void setShadowHighlightColor(const QColor& color) { m_shadowHighlightColor = color; }
    double borderWidth() const { return m_borderWidth; }
    void setBorderWidth(double width);
    double cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(double radius);
    // 0 right, 1 bottom (points down), 2 left, 3 top (points up).
    quint64 arrowDirection() const { return m_arrowDirection; }
    void setArrowDirection(quint64 direction);
    // Width: the arrow's base; height: its depth.
    QSizeF arrowSize() const { return m_arrowSize; }
    void setArrowSize(const QSizeF& size);
    QRectF arrowRect() const { return m_arrowRect; }
    void setArrowRect(const QRectF& rect) { m_arrowRect = rect; }

    void drawRect(QPainter& painter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The outline in bottom-up coordinates of rect (the caller flips them).
    QPainterPath popoverBezierPathWithRect(const QRectF& rect) const;

    QColor m_color = QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.8f);
    QColor m_borderColor;
    QColor m_topHighlightColor;
    QColor m_shadowHighlightColor;
    double m_borderWidth = 0.0;
    double m_cornerRadius = 6.0;
    quint64 m_arrowDirection = 2;
    QSizeF m_arrowSize{23.0, 12.0};
    QRectF m_arrowRect;
};
