#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

#include <functional>
#include <initializer_list>

class QPainter;

// Keeps the renderings of large painted surfaces (gradient-filled, antialiased backgrounds),
// which cost milliseconds to fill at 2× but change only with their size and colours. A rendering
// is reused for the same key, size and pixel ratio; the key names everything else the drawing
// depends on, its colours included, so a change of appearance never shows a stale surface.
class SurfaceCache
{
public:
    SurfaceCache() = delete;

    using Painter = std::function<void(QPainter &painter, const QRectF &rect)>;

    static void paint(QPainter &painter, const QRectF &rect, const QString &key,
                      const Painter &paintSurface);

    /// A key part for a list of colours.
    [[nodiscard]] static QString colorKey(std::initializer_list<QColor> colors);
};
