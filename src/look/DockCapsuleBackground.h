#pragma once

class QPainter;
class QRectF;

// Behind the brand chip and the settings button: a capsule of surfaceFillMuted edged by a 0.7
// stroke of surfaceStroke. On a square it is a circle.
class DockCapsuleBackground
{
public:
    static void paint(QPainter &painter, const QRectF &rect);
};
