#include "PanelText.h"

#include "AppFonts.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRectF>
#include <QStaticText>
#include <QTextLayout>

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
    // The shaped line's own: with a Latin desktop font, CJK glyphs come from a fallback font
    // whose ascent and descent are larger than the primary font's.
    qreal ascent = 0;
    qreal descent = 0;
};

// Laid out as QStaticText lays out its one line, so that the text's top left can be found from
// where its baseline should go.
ShapedText lineMetrics(const QFont &font, const QString &text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLeadingIncluded(true);
    layout.endLayout();
    ShapedText metrics;
    metrics.ascent = line.ascent();
    metrics.descent = line.descent();
    return metrics;
}

// The baseline that centres a line of these metrics in the line box of `font` centred in `rect`.
qreal centredBaseline(const QRectF &rect, const QFont &font, const ShapedText &line)
{
    const qreal lineHeight = AppFonts::lineHeight(font);
    const qreal boxTop = rect.top() + (rect.height() - lineHeight) / 2;
    return boxTop + (lineHeight - line.ascent - line.descent) / 2 + line.ascent;
}

const ShapedText &shaped(const QFont &font, const QString &text)
{
    static QHash<QString, ShapedText> cache;
    const QString key = font.key() + QChar(0x1f) + text;
    auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    if (cache.size() >= cacheLimit)
        cache.clear();
    ShapedText entry = lineMetrics(font, text);
    entry.text = QStaticText(text);
    entry.text.setTextFormat(Qt::PlainText);
    entry.width = QFontMetricsF(font).horizontalAdvance(text);
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
    qreal factor = std::max(minimumScale, available / natural);
    QFont scaled = AppFonts::scaled(font, factor);
    // Advances do not shrink exactly with the size (rounded sizes, hinting, other fallback
    // fonts), so step down again while the text still does not fit.
    for (int step = 0; step < 4 && factor > minimumScale; ++step) {
        const qreal scaledWidth = width(scaled, text);
        if (scaledWidth <= available + widthTolerance)
            break;
        factor = std::max(minimumScale, factor * available / scaledWidth * 0.99);
        scaled = AppFonts::scaled(font, factor);
    }
    return scaled;
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

    painter.setFont(used);
    painter.setPen(color);
    if (cut) {
        painter.drawText(QPointF(x, centredBaseline(rect, used, lineMetrics(used, shown))), shown);
    } else {
        const qreal baseline = centredBaseline(rect, used, entry);
        painter.drawStaticText(QPointF(x, baseline - entry.ascent), entry.text);
    }
}
