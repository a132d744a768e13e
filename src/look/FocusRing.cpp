#include "FocusRing.h"

#include "AppTheme.h"
#include "ContinuousCorners.h"

#include <QPainter>

void FocusRing::paint(QPainter &painter, const QRectF &rect, qreal cornerRadius)
{
    const QRectF edge = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(1);
    painter.strokePath(ContinuousCorners::roundedRect(edge, cornerRadius - width / 2),
                       QPen(AppTheme::accent(), width));
    painter.restore();
}
