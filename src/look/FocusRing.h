#pragma once

#include <QtGlobal>

class QPainter;
class QRectF;

// The mark of the control that has the keyboard focus: an accent line just inside its edge,
// following its rounded shape. Only keyboard users see it: the panel's controls take the focus
// from Tab alone.
class FocusRing
{
public:
    FocusRing() = delete;

    static constexpr qreal width = 2;

    /// Draws the ring inside `rect`, whose corners are rounded by `cornerRadius` (half the
    /// shorter side or more for a capsule or a circle).
    static void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius);
};
