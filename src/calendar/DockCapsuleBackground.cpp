#include "DockCapsuleBackground.h"

#include "shared/AppTheme.h"
#include "shared/ContinuousCorners.h"

#include <QPainter>

void DockCapsuleBackground::paint(QPainter &painter, const QRectF &rect)
{
    const QPainterPath shape = ContinuousCorners::capsule(rect);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, AppTheme::surfaceFillMuted());
    // Inset by half the pen so the whole edge stays inside the capsule.
    constexpr qreal pen = 0.7;
    const QRectF edge = rect.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.strokePath(ContinuousCorners::capsule(edge), QPen(AppTheme::surfaceStroke(), pen));
    painter.restore();
}
