#pragma once

#include <QtGlobal>

class QPainter;
class QRectF;

// The panel's backdrop: a warm diagonal glass gradient under a lighter diagonal sheen, in a
// rounded rectangle of radius 18.
class PopoverGlassBackground
{
public:
    static constexpr qreal cornerRadius = 18;

    static void paint(QPainter &painter, const QRectF &rect);
};
