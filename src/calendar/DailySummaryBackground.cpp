#include "DailySummaryBackground.h"

#include "shared/AppTheme.h"
#include "shared/ContinuousCorners.h"

#include <QLinearGradient>
#include <QPainter>

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
    const QPainterPath shape = ContinuousCorners::roundedRect(rect, m_cornerRadius);
    QLinearGradient fill(rect.topLeft(), rect.bottomRight());
    fill.setColorAt(0, m_firstColor());
    fill.setColorAt(1, AppTheme::surfaceFill());

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, fill);
    // Inset by half the pen so the whole edge stays inside the card.
    constexpr qreal pen = 0.8;
    const QRectF edge = rect.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    painter.strokePath(ContinuousCorners::roundedRect(edge, m_cornerRadius - pen / 2),
                       QPen(AppTheme::surfaceStroke(), pen));
    painter.restore();
}

DailyFooterBackground::DailyFooterBackground()
    : DailySummaryBackground(14, &AppTheme::surfaceFillMuted)
{
}
