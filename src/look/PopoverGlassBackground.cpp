#include "PopoverGlassBackground.h"

#include "AppTheme.h"
#include "ContinuousCorners.h"
#include "SurfaceCache.h"

#include <QLinearGradient>
#include <QPainter>

#include <array>

using namespace Qt::StringLiterals;

namespace {

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

} // namespace

void PopoverGlassBackground::paint(QPainter &painter, const QRectF &rect)
{
    const std::array<QColor, 3> glass = {withOpacity(AppTheme::glassWarmTop(), 0.985),
                                         withOpacity(AppTheme::panelBackground(), 0.955),
                                         withOpacity(AppTheme::glassWarmBottom(), 0.94)};
    const std::array<QColor, 3> sheen = {AppTheme::surfaceFillStrong(),
                                         AppTheme::surfaceFillMuted(),
                                         withOpacity(AppTheme::accentSoft(), 0.08)};
    const QString key =
        u"glass:"_s
        + SurfaceCache::colorKey({glass[0], glass[1], glass[2], sheen[0], sheen[1], sheen[2]});

    SurfaceCache::paint(painter, rect, key, [&](QPainter &surface, const QRectF &area) {
        const QPainterPath shape = ContinuousCorners::roundedRect(area, cornerRadius);
        const auto diagonal = [&](const std::array<QColor, 3> &colors) {
            QLinearGradient gradient(area.topLeft(), area.bottomRight());
            gradient.setColorAt(0, colors[0]);
            gradient.setColorAt(0.5, colors[1]);
            gradient.setColorAt(1, colors[2]);
            return gradient;
        };
        surface.setRenderHint(QPainter::Antialiasing);
        surface.fillPath(shape, diagonal(glass));
        surface.fillPath(shape, diagonal(sheen));
    });
}
