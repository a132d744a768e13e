#include "DailySummaryBackground.h"

#include "AppTheme.h"
#include "ContinuousCorners.h"
#include "SurfaceCache.h"

#include <QLinearGradient>
#include <QPainter>

using namespace Qt::StringLiterals;

DailySummaryBackground::DailySummaryBackground()
    : DailySummaryBackground(16, &AppTheme::surfaceFillStrong)
{
}

DailySummaryBackground::DailySummaryBackground(qreal cornerRadius, ColorRole firstColor)
    : m_cornerRadius(cornerRadius)
    , m_firstColor(firstColor)
{
}

void DailySummaryBackground::paint(QPainter &painter, const QRectF &rect) const
{
    const QColor first = m_firstColor();
    const QColor last = AppTheme::surfaceFill();
    const QColor stroke = AppTheme::surfaceStroke();
    const QString key = u"daily:"_s + QString::number(m_cornerRadius) + QLatin1Char(':')
                        + SurfaceCache::colorKey({first, last, stroke});

    SurfaceCache::paint(painter, rect, key, [&](QPainter &surface, const QRectF &area) {
        QLinearGradient fill(area.topLeft(), area.bottomRight());
        fill.setColorAt(0, first);
        fill.setColorAt(1, last);
        surface.setRenderHint(QPainter::Antialiasing);
        surface.fillPath(ContinuousCorners::roundedRect(area, m_cornerRadius), fill);
        // Inset by half the pen so the whole edge stays inside the card.
        constexpr qreal pen = 0.8;
        const QRectF edge = area.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
        surface.strokePath(ContinuousCorners::roundedRect(edge, m_cornerRadius - pen / 2),
                           QPen(stroke, pen));
    });
}

DailyFooterBackground::DailyFooterBackground()
    : DailySummaryBackground(14, &AppTheme::surfaceFillMuted)
{
}
