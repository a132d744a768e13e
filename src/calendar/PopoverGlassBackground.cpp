#include "PopoverGlassBackground.h"

#include "shared/AppTheme.h"
#include "shared/ContinuousCorners.h"

#include <QLinearGradient>
#include <QPainter>

namespace {

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

} // namespace

void PopoverGlassBackground::paint(QPainter &painter, const QRectF &rect)
{
    const QPainterPath shape = ContinuousCorners::roundedRect(rect, cornerRadius);

    QLinearGradient glass(rect.topLeft(), rect.bottomRight());
    glass.setColorAt(0, withOpacity(AppTheme::glassWarmTop(), 0.985));
    glass.setColorAt(0.5, withOpacity(AppTheme::panelBackground(), 0.955));
    glass.setColorAt(1, withOpacity(AppTheme::glassWarmBottom(), 0.94));

    QLinearGradient sheen(rect.topLeft(), rect.bottomRight());
    sheen.setColorAt(0, AppTheme::surfaceFillStrong());
    sheen.setColorAt(0.5, AppTheme::surfaceFillMuted());
    sheen.setColorAt(1, withOpacity(AppTheme::accentSoft(), 0.08));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, glass);
    painter.fillPath(shape, sheen);
    painter.restore();
}
