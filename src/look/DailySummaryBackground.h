#pragma once

#include <QColor>

#include <functional>

class QPainter;
class QRectF;

// The day dock's cards: a rounded rectangle filled with a diagonal gradient from a first colour
// to surfaceFill, edged by a 0.8 stroke of surfaceStroke. The summary card uses radius 16 and
// surfaceFillStrong; the footer (DailyFooterBackground) radius 14 and surfaceFillMuted.
class DailySummaryBackground
{
public:
    using ColorRole = QColor (*)();

    DailySummaryBackground();
    DailySummaryBackground(qreal cornerRadius, ColorRole firstColor);

    [[nodiscard]] qreal cornerRadius() const { return m_cornerRadius; }
    void paint(QPainter &painter, const QRectF &rect) const;

private:
    qreal m_cornerRadius;
    ColorRole m_firstColor;
};

// The footer's card: the same background with radius 14 and surfaceFillMuted first.
class DailyFooterBackground : public DailySummaryBackground
{
public:
    DailyFooterBackground();
};
