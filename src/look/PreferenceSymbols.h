#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The small symbols of the preferences page, stroked in our own drawing so that they scale with
// the text beside them: a tick, a downward chevron, a cross, three dots and a ticked disc.
class PreferenceSymbols
{
public:
    PreferenceSymbols() = delete;

    // Each symbol fills the given square box; `weight` is its stroke width in points.
    static void checkmark(QPainter &painter, const QRectF &box, const QColor &color, qreal weight);
    static void chevronDown(QPainter &painter, const QRectF &box, const QColor &color,
                            qreal weight);
    static void xmark(QPainter &painter, const QRectF &box, const QColor &color, qreal weight);
    static void ellipsis(QPainter &painter, const QRectF &box, const QColor &color);
    /// A filled disc with the tick cut out of it.
    static void checkmarkCircleFill(QPainter &painter, const QRectF &box, const QColor &color);
};
