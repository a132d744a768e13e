#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>

class QPainter;

// A blurred drop shadow under a shape, drawn before the shape itself. The blur is Gaussian with
// a standard deviation of half the radius, as the desktop toolkits this design comes from blur
// their shadows. Rendered shadows are kept, so a shape drawn on every repaint blurs only once.
class SoftShadow
{
public:
    SoftShadow() = delete;

    static void paint(QPainter &painter, const QPainterPath &shape, const QColor &color,
                      qreal radius, QPointF offset);
};
