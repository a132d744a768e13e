#include "GlassCheckboxToggleStyle.h"

#include "AppFonts.h"
#include "AppTheme.h"
#include "ContinuousCorners.h"
#include "PreferenceSymbols.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * opacity);
    return color;
}

QFont labelFont()
{
    return AppFonts::ui(GlassCheckboxToggleStyle::labelSize, QFont::DemiBold);
}

QFont subtitleFont()
{
    return AppFonts::ui(GlassCheckboxToggleStyle::subtitleSize, QFont::Normal);
}

} // namespace

void GlassCheckboxToggleStyle::paint(QPainter &painter, const QRectF &rect, State state,
                                     const QString &label, const QString &subtitle)
{
    const QFont font = labelFont();
    const QFont small = subtitleFont();
    const qreal labelHeight = AppFonts::lineHeight(font);
    const qreal subtitleHeight = subtitle.isEmpty() ? 0 : AppFonts::lineHeight(small);

    // The box sits beside the label's line, also when a second line follows.
    const qreal top = rect.top() + (rect.height() - labelHeight - subtitleHeight) / 2;
    const QRectF box(rect.left() + 0.5, top + (labelHeight - boxSize) / 2 + 0.5, boxSize - 1,
                     boxSize - 1);
    const QPainterPath square = ContinuousCorners::roundedRect(box, boxCornerRadius);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(square, state.isOn ? AppTheme::accent() : AppTheme::surfaceFillMuted());
    painter.setPen(QPen(
        state.isOn ? AppTheme::surfaceStroke() : withOpacity(AppTheme::secondaryText(), 0.24), 1));
    painter.drawPath(square);
    if (state.isOn) {
        const qreal mark = 10;
        const QRectF markBox(box.center().x() - mark / 2, box.center().y() - mark / 2, mark, mark);
        PreferenceSymbols::checkmark(painter, markBox, AppTheme::onAccentText(), 2);
    }

    const qreal textLeft = rect.left() + boxSize + labelSpacing;
    const QRectF labelRect(textLeft, top, rect.right() - textLeft, labelHeight);
    const QColor labelColor = state.isEnabled ? withOpacity(AppTheme::primaryText(), 0.88)
                                              : withOpacity(AppTheme::secondaryText(), 0.45);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(labelColor);
    painter.drawText(QPointF(labelRect.left(), labelRect.top() + AppFonts::baseline(font)),
                     metrics.elidedText(label, Qt::ElideRight, labelRect.width()));
    if (!subtitle.isEmpty()) {
        const QFontMetricsF smallMetrics(small);
        painter.setFont(small);
        painter.setPen(withOpacity(AppTheme::secondaryText(), 0.64));
        painter.drawText(QPointF(textLeft, labelRect.bottom() + AppFonts::baseline(small)),
                         smallMetrics.elidedText(subtitle, Qt::ElideRight, labelRect.width()));
    }
    painter.restore();
}

QSize GlassCheckboxToggleStyle::sizeHint(const QString &label, const QString &subtitle)
{
    const QFont font = labelFont();
    qreal width = QFontMetricsF(font).horizontalAdvance(label);
    qreal height = std::max(AppFonts::lineHeight(font), boxSize);
    if (!subtitle.isEmpty()) {
        const QFont small = subtitleFont();
        width = std::max(width, QFontMetricsF(small).horizontalAdvance(subtitle));
        height = AppFonts::lineHeight(font) + AppFonts::lineHeight(small);
    }
    return {int(std::ceil(boxSize + labelSpacing + width)), int(std::ceil(height + 4))};
}
