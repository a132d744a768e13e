#include "DayCellView.h"

#include "PanelText.h"
#include "shared/AppFonts.h"
#include "shared/AppTheme.h"
#include "shared/ContinuousCorners.h"
#include "shared/SoftShadow.h"
#include "shared/SystemTimeZone.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal subtitleMinimumScale = 0.86;

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

const QFont &numberFont(bool emphasised)
{
    static const QFont regular = AppFonts::ui(16, QFont::DemiBold);
    static const QFont large = AppFonts::ui(17, QFont::DemiBold);
    return emphasised ? large : regular;
}

const QFont &subtitleFont()
{
    static const QFont font = AppFonts::ui(10.8, QFont::Medium);
    return font;
}

} // namespace

DayCellView::Backdrop DayCellView::backdrop() const
{
    if (isSelected)
        return Backdrop::selection;
    if (isToday)
        return Backdrop::today;
    return Backdrop::none;
}

bool DayCellView::showsDot() const
{
    return dotColor.has_value() && !isSelected && !isToday;
}

QString DayCellView::subtitleText() const
{
    return subtitle.value_or(u" "_s);
}

QString DayCellView::dayNumberText() const
{
    // The Gregorian day in the system's zone, which is what the "d" pattern formats, without
    // an ICU formatter for each of the 42 cells.
    return QString::number(SystemTimeZone::civilDate(date).day());
}

qreal DayCellView::textBlockHeight() const
{
    return AppFonts::lineHeight(numberFont(isSelected || isToday)) + lineSpacing
           + subtitleLineHeight;
}

qreal DayCellView::naturalHeight() const
{
    const qreal backdropNeed = backdrop() == Backdrop::none ? 0 : backdropHeight;
    return std::max({minimumHeight, textBlockHeight(), backdropNeed});
}

void DayCellView::paint(QPainter &painter, const QRectF &cell) const
{
    const QPointF centre = cell.center();
    const bool emphasised = isSelected || isToday;

    const Backdrop kind = backdrop();
    if (kind != Backdrop::none) {
        const QRectF box(centre.x() - selectionWidth / 2, centre.y() - backdropHeight / 2,
                         selectionWidth, backdropHeight);
        const QPainterPath shape = ContinuousCorners::roundedRect(box, selectionCornerRadius);
        painter.setRenderHint(QPainter::Antialiasing);
        if (kind == Backdrop::selection) {
            SoftShadow::paint(painter, shape, withOpacity(AppTheme::accent(), 0.2), 8,
                              QPointF(0, 3));
            QLinearGradient fill(box.topLeft(), box.bottomRight());
            fill.setColorAt(0, AppTheme::color(selectionStartColor).value_or(AppTheme::accent()));
            fill.setColorAt(1, AppTheme::accent());
            painter.fillPath(shape, fill);
            painter.strokePath(shape, QPen(AppTheme::onAccentStroke(), 0.8));
        } else {
            painter.fillPath(shape, withOpacity(AppTheme::accent(), 0.14));
            painter.strokePath(shape, QPen(withOpacity(AppTheme::accent(), 0.22), 0.8));
        }
    }

    const QFont &number = numberFont(emphasised);
    const qreal numberHeight = AppFonts::lineHeight(number);
    const qreal blockHeight = numberHeight + lineSpacing + subtitleLineHeight;
    const qreal top = centre.y() - blockHeight / 2 + (emphasised ? 1 : 0);

    QColor numberColor;
    QColor subtitleColor;
    if (isSelected) {
        numberColor = AppTheme::onAccentText();
        subtitleColor = AppTheme::onAccentTextMuted();
    } else if (isToday) {
        numberColor = AppTheme::accent();
        subtitleColor = withOpacity(AppTheme::accent(), 0.82);
    } else {
        numberColor =
            isCurrentMonth ? AppTheme::primaryText() : withOpacity(AppTheme::tertiaryText(), 0.82);
        subtitleColor = withOpacity(AppTheme::secondaryText(), isCurrentMonth ? 0.82 : 0.38);
    }

    PanelText::draw(painter, QRectF(cell.left(), top, cell.width(), numberHeight), dayNumberText(),
                    number, numberColor, Qt::AlignHCenter);
    if (subtitle) {
        PanelText::draw(
            painter,
            QRectF(cell.left(), top + numberHeight + lineSpacing, cell.width(), subtitleLineHeight),
            *subtitle, subtitleFont(), subtitleColor, Qt::AlignHCenter, subtitleMinimumScale);
    }

    if (showsDot()) {
        const qreal bottom = top + blockHeight;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*dotColor);
        painter.drawEllipse(
            QRectF(centre.x() - dotDiameter / 2, bottom - dotDiameter, dotDiameter, dotDiameter));
    }
}
