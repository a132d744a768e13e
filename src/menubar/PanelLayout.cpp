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

QPoint PanelLayout::panelOrigin(const QRect &item, const QRect &available, const QRect &screen,
                                QSize panelSize)
{
    const double centred = item.x() + item.width() * 0.5 - panelSize.width() * 0.5;
    const double rightmost = available.x() + available.width() - panelSize.width() - screenMargin;
    const double x = std::max<double>(available.x() + screenMargin, std::min(rightmost, centred));

    double y = 0;
    if (item.center().y() < screen.center().y()) {
        // A bar that reserves space ends where the available geometry begins; without that,
        // the item's own bottom edge is the best guess of the bar's.
        const bool barReservesTop = available.top() > screen.top() && item.top() < available.top();
        const int barBottom = barReservesTop ? available.top() : item.y() + item.height();
        y = barBottom + itemGap;
    } else {
        const int availableBottom = available.y() + available.height();
        const bool barReservesBottom = availableBottom < screen.y() + screen.height()
                                       && item.y() + item.height() > availableBottom;
        const int barTop = barReservesBottom ? availableBottom : item.y();
        y = barTop - itemGap - panelSize.height();
    }
    return {int(std::round(x)), int(std::round(y))};
}
