#include "PanelLayout.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

bool PanelLayout::reportContentHeight(qreal height)
{
    if (height <= 0)
        return false;
    const int rounded = qCeil(height);
    if (measured == rounded)
        return false;
    measured = rounded;
    return setHeight(rounded);
}

bool PanelLayout::refresh(qreal fittingHeight)
{
    return setHeight(measured.value_or(qCeil(fittingHeight)));
}

bool PanelLayout::setHeight(int height)
{
    const QSize next(panelWidth, std::max(height, minimumHeight));
    if (next == size)
        return false;
    size = next;
    return true;
}

QPoint PanelLayout::panelOrigin(const std::optional<QRectF> &item, const QRect &available,
                                const QRect &screen, QSize panelSize)
{
    const double left = available.x() + screenMargin;
    const double rightmost = available.x() + available.width() - panelSize.width() - screenMargin;
    const double availableTop = available.y();
    const double availableBottom = available.y() + available.height();
    const double screenTop = screen.y();
    const double screenBottom = screen.y() + screen.height();
    const bool barReservesTop = availableTop > screenTop;
    const bool barReservesBottom = availableBottom < screenBottom;

    if (!item) {
        const double x = std::max(left, rightmost);
        const double y = barReservesBottom && !barReservesTop
                             ? availableBottom - itemGap - panelSize.height()
                             : availableTop + itemGap;
        return {int(std::round(x)), int(std::round(y))};
    }

    const double centred = item->center().x() - panelSize.width() * 0.5;
    const double x = std::max(left, std::min(rightmost, centred));
    // A point somewhere on a bar: as much bar past it as lies between it and the edge.
    const bool isPoint = item->isEmpty();
    double y = 0;
    if (item->center().y() < screenTop + screen.height() * 0.5) {
        double barBottom = isPoint ? 2 * item->y() - screenTop : item->bottom();
        if (barReservesTop && item->top() < availableTop)
            barBottom = std::max(barBottom, availableTop);
        y = barBottom + itemGap;
    } else {
        double barTop = isPoint ? 2 * item->y() - screenBottom : item->top();
        if (barReservesBottom && item->bottom() > availableBottom)
            barTop = std::min(barTop, availableBottom);
        y = barTop - itemGap - panelSize.height();
    }
    return {int(std::round(x)), int(std::round(y))};
}

std::optional<QPoint> PanelLayout::itemPoint(QPoint reported, const QRect &available,
                                             const QRect &screen,
                                             const std::optional<QPoint> &pointer)
{
    const QRect corner(screen.topLeft(), QSize(iconExtent, iconExtent));
    const bool nearPointer = pointer && (*pointer - reported).manhattanLength() <= iconExtent;
    if (!corner.contains(reported) || !available.contains(reported) || nearPointer)
        return reported;
    return pointer;
}
