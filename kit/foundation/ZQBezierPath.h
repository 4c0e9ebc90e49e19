#pragma once
// Rectangles with some corners rounded, walked corner by corner.

#include <QPainterPath>
#include <QRectF>

namespace ZQBezierPath {

// Corner bits; the walk always runs 2 -> 4 -> 16 -> 8 -> 2 ...
enum Corner : int {
    MinXMinY = 2,
    MaxXMinY = 4,
    MinXMaxY = 8,
    MaxXMaxY = 16,
};

// Moves to the start corner's point (past its rounding when it is rounded),
// then draws each following corner, rounded when its bit is in corners, until
// the end corner is drawn; a start equal to the end draws all four. A start
// that is no corner bit starts nowhere and walks from corner 2. The caller
// closes and fills the path. Throws std::invalid_argument when the end is no
// corner bit.
void drawRoundCornerAt(QPainterPath& path, int corners, qreal radius, const QRectF& inRect, int fromCorner,
                       int toCorner);

} // namespace ZQBezierPath
