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

QPoint PanelLayout::panelOrigin(const QRectF &item, const QRect &available, const QRect &screen,
                                QSize panelSize)
{
    const double centred = item.center().x() - panelSize.width() * 0.5;
    const double rightmost = available.x() + available.width() - panelSize.width() - screenMargin;
    const double x = std::max<double>(available.x() + screenMargin, std::min(rightmost, centred));

    const double availableTop = available.y();
    const double availableBottom = available.y() + available.height();
    double y = 0;
    if (item.center().y() < screen.y() + screen.height() * 0.5) {
        // A bar that reserves space ends where the available geometry begins; without that,
        // the item's own bottom edge is the best guess of the bar's.
        const bool barReservesTop = availableTop > screen.y() && item.top() < availableTop;
        y = (barReservesTop ? availableTop : item.bottom()) + itemGap;
    } else {
        const bool barReservesBottom =
            availableBottom < screen.y() + screen.height() && item.bottom() > availableBottom;
        y = (barReservesBottom ? availableBottom : item.top()) - itemGap - panelSize.height();
    }
    return {int(std::round(x)), int(std::round(y))};
}
