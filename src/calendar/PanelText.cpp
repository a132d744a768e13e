#include "PanelText.h"

#include "shared/AppFonts.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRectF>
#include <QStaticText>

#include <algorithm>

namespace {

// Widths computed twice for the same text may differ in the last bits; a text that was measured
// to fit must not be shrunk or cut for that.
constexpr qreal widthTolerance = 0.5;
// The panel shows a few hundred distinct texts; beyond that the cache starts afresh.
constexpr qsizetype cacheLimit = 1024;

// A text shaped once: the panel draws the same day numbers, lunar names and labels on every
// repaint, and shaping CJK text through font fallback costs more than drawing it.
struct ShapedText
{
    QStaticText text;
    qreal width = 0;
    qreal ascent = 0;
};

const ShapedText &shaped(const QFont &font, const QString &text)
{
    static QHash<QString, ShapedText> cache;
    const QString key = font.key() + QChar(0x1f) + text;
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() >= cacheLimit)
        cache.clear();
    const QFontMetricsF metrics(font);
    ShapedText entry;
    entry.text = QStaticText(text);
    entry.text.setTextFormat(Qt::PlainText);
    entry.width = metrics.horizontalAdvance(text);
    entry.ascent = metrics.ascent();
    return *cache.insert(key, entry);
}

} // namespace

qreal PanelText::width(const QFont &font, const QString &text)
{
    return shaped(font, text).width;
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
    const ShapedText &entry = shaped(used, text);
    const bool cut = entry.width > rect.width() + widthTolerance;
    QString shown;
    qreal textWidth = entry.width;
    if (cut) {
        const QFontMetricsF metrics(used);
        shown = metrics.elidedText(text, Qt::ElideRight, rect.width());
        textWidth = metrics.horizontalAdvance(shown);
    }

    qreal x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() - textWidth;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - textWidth) / 2;
    const qreal lineHeight = AppFonts::lineHeight(used);
    const qreal baseline = rect.top() + (rect.height() - lineHeight) / 2 + AppFonts::baseline(used);

    painter.setFont(used);
    painter.setPen(color);
    if (cut)
        painter.drawText(QPointF(x, baseline), shown);
    else
        painter.drawStaticText(QPointF(x, baseline - entry.ascent), entry.text);
}
