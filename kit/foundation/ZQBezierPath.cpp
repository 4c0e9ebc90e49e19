#include "kit/foundation/ZQBezierPath.h"

#include <array>
#include <stdexcept>

namespace ZQBezierPath {

namespace {

// The program's value, slightly off the usual 0.5522847498.
constexpr qreal kControlFactor = 0.552228474;

struct CornerGeometry {
    int bit;
    QPointF point;
    QPointF before; // unit vector from the corner back along the incoming edge
    QPointF after;  // unit vector from the corner along the outgoing edge
};

std::array<CornerGeometry, 4> walk(const QRectF& r)
{
    // Edge directions in walking order: right along minY, down along maxX,
    // left along maxY, up along minX.
    return {{
        {MinXMinY, QPointF(r.left(), r.top()), QPointF(0, 1), QPointF(1, 0)},
        {MaxXMinY, QPointF(r.right(), r.top()), QPointF(-1, 0), QPointF(0, 1)},
        {MaxXMaxY, QPointF(r.right(), r.bottom()), QPointF(0, -1), QPointF(-1, 0)},
        {MinXMaxY, QPointF(r.left(), r.bottom()), QPointF(1, 0), QPointF(0, -1)},
    }};
}

int positionOf(int bit)
{
    switch (bit) {
    case MinXMinY: return 0;
    case MaxXMinY: return 1;
    case MaxXMaxY: return 2;
    case MinXMaxY: return 3;
    default: return -1;
    }
}

} // namespace

void drawRoundCornerAt(QPainterPath& path, int corners, qreal radius, const QRectF& inRect, int fromCorner,
                       int toCorner)
{
    const int last = positionOf(toCorner);
    if (last < 0)
        throw std::invalid_argument("drawRoundCornerAt: the end must be one corner bit");
    const auto geometry = walk(inRect);
    const int start = positionOf(fromCorner);
    if (start >= 0) {
        const CornerGeometry& c = geometry[start];
        path.moveTo((corners & c.bit) ? c.point + c.after * radius : c.point);
    }
    const qreal k = kControlFactor * radius;
    int i = start >= 0 ? (start + 1) % 4 : 0;
    for (;;) {
        const CornerGeometry& c = geometry[i];
        if (corners & c.bit) {
            const QPointF from = c.point + c.before * radius;
            const QPointF to = c.point + c.after * radius;
            path.lineTo(from);
            path.cubicTo(from - c.before * k, to - c.after * k, to);
        } else {
            path.lineTo(c.point);
        }
        if (i == last)
            return;
        i = (i + 1) % 4;
    }
}

} // namespace ZQBezierPath
