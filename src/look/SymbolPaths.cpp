#include "SymbolPaths.h"

#include <QHash>
#include <QPainterPathStroker>
#include <QtMath>

#include <array>

QSizeF SymbolPaths::keyboardSize(qreal textSize)
{
    return {textSize * 1.42, textSize * 0.98};
}

QSizeF SymbolPaths::gearshapeSize(qreal textSize)
{
    return {textSize * 1.1, textSize * 1.1};
}

namespace {

// The outlines are built at the origin once per size and moved into place: stroking them costs
// more than the rest of a repaint of their widget.
QPainterPath memoized(QHash<QString, QPainterPath> &cache, const QRectF &box, qreal strokeWidth,
                      QPainterPath (*build)(const QRectF &, qreal))
{
    const QString key = QString::number(box.width()) + QLatin1Char('x')
                        + QString::number(box.height()) + QLatin1Char('/')
                        + QString::number(strokeWidth);
    auto found = cache.constFind(key);
    if (found == cache.constEnd())
        found = cache.insert(key, build(QRectF(QPointF(0, 0), box.size()), strokeWidth));
    return found->translated(box.topLeft());
}

QPainterPath buildKeyboard(const QRectF &box, qreal strokeWidth);
QPainterPath buildGearshape(const QRectF &box, qreal strokeWidth);

} // namespace

QPainterPath SymbolPaths::keyboard(const QRectF &box, qreal strokeWidth)
{
    static QHash<QString, QPainterPath> cache;
    return memoized(cache, box, strokeWidth, &buildKeyboard);
}

QPainterPath SymbolPaths::gearshape(const QRectF &box, qreal strokeWidth)
{
    static QHash<QString, QPainterPath> cache;
    return memoized(cache, box, strokeWidth, &buildGearshape);
}

namespace {

QPainterPath buildKeyboard(const QRectF &box, qreal strokeWidth)
{
    const qreal inset = strokeWidth / 2;
    const QRectF body = box.adjusted(inset, inset, -inset, -inset);
    const qreal corner = body.height() * 0.2;

    QPainterPath outline;
    outline.addRoundedRect(body, corner, corner);
    QPainterPathStroker stroker;
    stroker.setWidth(strokeWidth);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath path = stroker.createStroke(outline);

    // Keys: two rows of five, then the space bar between short keys.
    const QRectF inner = body.adjusted(strokeWidth * 1.35, strokeWidth * 1.35, -strokeWidth * 1.35,
                                       -strokeWidth * 1.35);
    const int columns = 5;
    const qreal gap = inner.width() * 0.075;
    const qreal keyWidth = (inner.width() - gap * (columns - 1)) / columns;
    const qreal rowGap = inner.height() * 0.14;
    const qreal keyHeight = (inner.height() - 2 * rowGap) / 3;
    const qreal keyCorner = keyHeight * 0.28;
    const auto key = [&](qreal x, qreal y, qreal w) {
        path.addRoundedRect(QRectF(x, y, w, keyHeight), keyCorner, keyCorner);
    };
    for (int row = 0; row < 2; ++row) {
        const qreal y = inner.top() + row * (keyHeight + rowGap);
        for (int column = 0; column < columns; ++column)
            key(inner.left() + column * (keyWidth + gap), y, keyWidth);
    }
    const qreal y = inner.top() + 2 * (keyHeight + rowGap);
    key(inner.left(), y, keyWidth);
    key(inner.left() + keyWidth + gap, y, 3 * keyWidth + 2 * gap);
    key(inner.left() + 4 * (keyWidth + gap), y, keyWidth);
    path.setFillRule(Qt::WindingFill);
    return path;
}

QPainterPath buildGearshape(const QRectF &box, qreal strokeWidth)
{
    const QPointF centre = box.center();
    const qreal outer = std::min(box.width(), box.height()) / 2 - strokeWidth / 2;
    const qreal root = outer * 0.76;
    constexpr int teeth = 8;

    // The silhouette: a polygon that climbs onto each tooth, whose tip is narrower than its base.
    QPolygonF silhouette;
    const qreal step = 2 * M_PI / teeth;
    const qreal baseHalf = step * 0.27;
    const qreal tipHalf = step * 0.17;
    for (int i = 0; i < teeth; ++i) {
        const qreal mid = i * step - M_PI / 2;
        const auto at = [&](qreal angle, qreal radius) {
            return centre + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        };
        silhouette << at(mid - baseHalf, root) << at(mid - tipHalf, outer)
                   << at(mid + tipHalf, outer) << at(mid + baseHalf, root);
        // The arc of the root circle up to the next tooth.
        for (int k = 1; k < 4; ++k)
            silhouette << at(mid + baseHalf + (step - 2 * baseHalf) * k / 4, root);
    }
    QPainterPath outline;
    outline.addPolygon(silhouette);
    outline.closeSubpath();

    QPainterPathStroker stroker;
    stroker.setWidth(strokeWidth);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath path = stroker.createStroke(outline);

    // The hub: a ring around an open centre.
    const qreal hub = outer * 0.36;
    QPainterPath hubRing;
    hubRing.addEllipse(centre, hub, hub);
    path.addPath(stroker.createStroke(hubRing));
    path.setFillRule(Qt::WindingFill);
    return path;
}

} // namespace
