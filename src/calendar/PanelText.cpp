#include "PanelText.h"

#include "shared/AppFonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRectF>

#include <algorithm>

namespace {

// Widths computed twice for the same text may differ in the last bits; a text that was measured
// to fit must not be shrunk or cut for that.
constexpr qreal widthTolerance = 0.5;

} // namespace

qreal PanelText::width(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

QFont PanelText::fittingFont(const QFont &font, const QString &text, qreal available,
                             qreal minimumScale)
{
    const qreal natural = width(font, text);
    if (natural <= available + widthTolerance || minimumScale >= 1.0 || natural <= 0)
        return font;
    return AppFonts::scaled(font, std::max(minimumScale, available / natural));
}

void PanelText::draw(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font,
                     const QColor &color, Qt::Alignment alignment, qreal minimumScale)
{
    if (text.isEmpty() || rect.width() <= 0)
        return;
    const QFont used = fittingFont(font, text, rect.width(), minimumScale);
    const QFontMetricsF metrics(used);
    QString shown = text;
    qreal textWidth = metrics.horizontalAdvance(text);
    if (textWidth > rect.width() + widthTolerance) {
        shown = metrics.elidedText(text, Qt::ElideRight, rect.width());
        textWidth = metrics.horizontalAdvance(shown);
    }

    qreal x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - textWidth) / 2;
    const qreal lineHeight = AppFonts::lineHeight(used);
    const qreal top = rect.top() + (rect.height() - lineHeight) / 2;

    painter.setFont(used);
    painter.setPen(color);
    painter.drawText(QPointF(x, top + AppFonts::baseline(used)), shown);
}
