#include "DockCapsuleBackground.h"

#include "AppTheme.h"
#include "ContinuousCorners.h"
#include "SurfaceCache.h"

#include <QPainter>

using namespace Qt::StringLiterals;

void DockCapsuleBackground::paint(QPainter &painter, const QRectF &rect)
{
    const QColor fill = AppTheme::surfaceFillMuted();
    const QColor stroke = AppTheme::surfaceStroke();
    SurfaceCache::paint(painter, rect, u"capsule:"_s + SurfaceCache::colorKey({fill, stroke}),
                        [&](QPainter &surface, const QRectF &area) {
                            surface.setRenderHint(QPainter::Antialiasing);
                            surface.fillPath(ContinuousCorners::capsule(area), fill);
                            // Inset by half the pen so the whole edge stays inside.
                            constexpr qreal pen = 0.7;
                            const QRectF edge = area.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
                            surface.strokePath(ContinuousCorners::capsule(edge), QPen(stroke, pen));
                        });
}
