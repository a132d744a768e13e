#pragma once

class QPainter;
class QRectF;

// The preferences page's backdrop: a warm vertical glass gradient under a diagonal sheen with a
// hint of the accent.
class SettingsGlassBackground
{
public:
    SettingsGlassBackground() = delete;

    static void paint(QPainter &painter, const QRectF &rect);
};
