#include "SettingsGlassBackground.h"

#include "AppTheme.h"

#include <QLinearGradient>
#include <QPainter>

void SettingsGlassBackground::paint(QPainter &painter, const QRectF &rect)
{
    QLinearGradient glass(rect.topLeft(), rect.bottomLeft());
    glass.setColorAt(0, AppTheme::glassWarmTop());
    glass.setColorAt(0.5, AppTheme::panelBackground());
    glass.setColorAt(1, AppTheme::glassWarmBottom());

    QColor accent = AppTheme::accentSoft();
    accent.setAlphaF(accent.alphaF() * 0.1);
    QLinearGradient sheen(rect.topLeft(), rect.bottomRight());
    sheen.setColorAt(0, AppTheme::surfaceFillStrong());
    sheen.setColorAt(0.5, accent);
    sheen.setColorAt(1, AppTheme::surfaceFillMuted());

    painter.save();
    painter.fillRect(rect, glass);
    painter.fillRect(rect, sheen);
    painter.restore();
}
