#include "ContinuousCorners.h"

#include <algorithm>

namespace {

// How far a corner reaches along each edge, in radii.
constexpr qreal reach = 1.52866483;

} // namespace

QPainterPath ContinuousCorners::roundedRect(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    const qreal r = std::min(radius, std::min(rect.width(), rect.height()) / 2 / reach);
    if (r <= 0) {
        path.addRect(rect);
        return path;
    }

    // One corner's curve, given in radii from the corner along (u) and across (v) the edge; each
    // corner maps it with its own signs. Two cubic pieces join a short circular middle.
    const auto corner = [&](QPointF origin, QPointF along, QPointF across) {
        const auto at = [&](qreal u, qreal v) {
            return origin + along * (u * r) + across * (v * r);
        };
        path.lineTo(at(reach, 0));
        path.cubicTo(at(1.08849299, 0), at(0.86840701, 0), at(0.66993427, 0.06549600));
        path.lineTo(at(0.63149399, 0.07491100));
        path.cubicTo(at(0.37282401, 0.16906013), at(0.16906013, 0.37282392),
                     at(0.07491100, 0.63149399));
        path.cubicTo(at(0, 0.86840689), at(0, 1.08849323), at(0, reach));
    };

    const QPointF right(1, 0);
    const QPointF down(0, 1);
    path.moveTo(rect.left() + reach * r, rect.top());
    // Each corner runs from the edge before it to the edge after it, clockwise.
    corner(rect.topRight(), -right, down);
    corner(rect.bottomRight(), -down, -right);
    corner(rect.bottomLeft(), right, -down);
    corner(rect.topLeft(), down, right);
    path.closeSubpath();
    return path;
}

QPainterPath ContinuousCorners::capsule(const QRectF &rect)
{
    QPainterPath path;
    const qreal r = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, r, r);
    return path;
}
