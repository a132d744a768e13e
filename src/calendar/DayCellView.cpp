#include "DayCellView.h"

#include "look/AppFonts.h"
#include "look/AppTheme.h"
#include "look/ContinuousCorners.h"
#include "look/PanelText.h"
#include "look/SoftShadow.h"
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

const QFont &badgeFont()
{
    static const QFont font = AppFonts::ui(DayCellView::badgeSize, QFont::DemiBold);
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

qreal DayCellView::contentHeight() const
{
    return textBlockHeight() + dotGap + dotDiameter;
}

qreal DayCellView::naturalHeight() const
{
    const qreal backdropNeed = backdrop() == Backdrop::none ? 0 : backdropHeight;
    return std::max({minimumHeight, contentHeight(), backdropNeed});
}

QRectF DayCellView::dayNumberRect(const QRectF &cell) const
{
    const bool emphasised = isSelected || isToday;
    const qreal top = cell.center().y() - contentHeight() / 2 + (emphasised ? 1 : 0);
    return {cell.left(), top, cell.width(), AppFonts::lineHeight(numberFont(emphasised))};
}

QRectF DayCellView::subtitleRect(const QRectF &cell) const
{
    const QRectF number = dayNumberRect(cell);
    return {cell.left(), number.bottom() + lineSpacing, cell.width(), subtitleLineHeight};
}

QRectF DayCellView::dotRect(const QRectF &cell) const
{
    if (!showsDot())
        return {};
    return {cell.center().x() - dotDiameter / 2, subtitleRect(cell).bottom() + dotGap, dotDiameter,
            dotDiameter};
}

QRectF DayCellView::badgeRect(const QRectF &cell) const
{
    if (arrangement == HolidayService::Arrangement::none)
        return {};
    const qreal width = PanelText::width(badgeFont(), HolidayService::arrangementText(arrangement));
    const qreal height = AppFonts::lineHeight(badgeFont());
    const QPointF centre = cell.center();
    if (backdrop() != Backdrop::none) {
        // A backdrop leaves no room beside a two-digit number: a pill on its top right corner.
        return {centre.x() + selectionWidth / 2 + badgeOverhang.width() - width - 2 * badgePadding,
                centre.y() - backdropHeight / 2 - badgeOverhang.height(), width + 2 * badgePadding,
                height};
    }
    // Beside the widest day number, so that the badge keeps its place from cell to cell.
    const qreal numberHalfWidth = PanelText::width(numberFont(false), u"30"_s) / 2;
    return {centre.x() + numberHalfWidth + 1.5, dayNumberRect(cell).top(), width, height};
}

void DayCellView::paint(QPainter &painter, const QRectF &cell) const
{
    const QPointF centre = cell.center();

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

    const qreal fade = isCurrentMonth ? 0.82 : 0.38;
    QColor numberColor;
    QColor subtitleColor;
    if (isSelected) {
        numberColor = AppTheme::onAccentText();
        subtitleColor =
            subtitleIsNamedDay ? AppTheme::onAccentText() : AppTheme::onAccentTextMuted();
    } else if (isToday) {
        numberColor = AppTheme::accent();
        subtitleColor = withOpacity(AppTheme::accent(), subtitleIsNamedDay ? 1 : 0.82);
    } else {
        numberColor =
            isCurrentMonth ? AppTheme::primaryText() : withOpacity(AppTheme::tertiaryText(), 0.82);
        subtitleColor =
            withOpacity(subtitleIsNamedDay ? AppTheme::accent() : AppTheme::secondaryText(), fade);
    }

    PanelText::draw(painter, dayNumberRect(cell), dayNumberText(),
                    numberFont(isSelected || isToday), numberColor, Qt::AlignHCenter);
    if (subtitle) {
        PanelText::draw(painter, subtitleRect(cell), *subtitle, subtitleFont(), subtitleColor,
                        Qt::AlignHCenter, subtitleMinimumScale);
    }

    if (const QRectF badge = badgeRect(cell); !badge.isEmpty()) {
        const bool dayOff = arrangement == HolidayService::Arrangement::dayOff;
        const QColor tone = dayOff ? AppTheme::accent() : AppTheme::secondaryText();
        const QString text = HolidayService::arrangementText(arrangement);
        if (kind == Backdrop::none) {
            PanelText::draw(painter, badge, text, badgeFont(),
                            withOpacity(tone, isCurrentMonth ? (dayOff ? 1 : 0.82) : 0.38));
        } else {
            // Ringed in the text colour that stands on the accent, so it reads on both backdrops.
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(AppTheme::onAccentText(), 1));
            painter.setBrush(tone);
            painter.drawRoundedRect(badge, badge.height() / 2, badge.height() / 2);
            PanelText::draw(painter, badge, text, badgeFont(), AppTheme::onAccentText(),
                            Qt::AlignHCenter);
        }
    }

    if (const QRectF dot = dotRect(cell); !dot.isEmpty()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(*dotColor);
        painter.drawEllipse(dot);
    }
}
