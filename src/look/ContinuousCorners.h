#pragma once

#include <QPainterPath>
#include <QRectF>

// Rounded shapes whose corners ease into the straight edges instead of meeting them at a kink,
// the way the panel's cards and selection marks are drawn.
class ContinuousCorners
{
public:
    ContinuousCorners() = delete;

    /// A rounded rectangle; the radius is limited so that opposite corners never overlap.
    [[nodiscard]] static QPainterPath roundedRect(const QRectF &rect, qreal radius);
    /// Fully rounded ends on the shorter side.
    [[nodiscard]] static QPainterPath capsule(const QRectF &rect);
};
