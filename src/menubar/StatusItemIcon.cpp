#include "StatusItemIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QFont numberFont()
{
    QFont font;
    font.setFamilies(
        {u"DejaVu Sans Condensed"_s, u"DejaVu Sans"_s, u"Noto Sans"_s, u"Liberation Sans"_s});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Bold);
    // Large, since the outline is scaled to the page; hinting at this size does not matter.
    font.setPixelSize(100);
    return font;
}

// The number's outline scaled into `box`: as tall as the box, narrowed down to three quarters of
// its width where two wide digits would not fit otherwise, then uniformly smaller.
QPainterPath fittedNumber(const QString &text, const QRectF &box)
{
    QPainterPath path;
    path.addText(0, 0, numberFont(), text);
    const QRectF bounds = path.boundingRect();
    if (bounds.isEmpty())
        return {};
    qreal scaleY = box.height() / bounds.height();
    qreal scaleX = scaleY;
    if (bounds.width() * scaleX > box.width()) {
        scaleX = std::max(box.width() / bounds.width(), 0.75 * scaleY);
        if (bounds.width() * scaleX > box.width()) {
            const qreal shrink = box.width() / (bounds.width() * scaleX);
            scaleX *= shrink;
            scaleY *= shrink;
        }
    }
    QTransform transform;
    transform.translate(box.center().x(), box.center().y());
    transform.scale(scaleX, scaleY);
    transform.translate(-bounds.center().x(), -bounds.center().y());
    return transform.map(path);
}

} // namespace

QColor StatusItemIcon::accentColor()
{
    return QColor(0xC1, 0x46, 0x2D);
}

QColor StatusItemIcon::numberColor()
{
    return QColor(0x1F, 0x1F, 0x1F);
}

int StatusItemIcon::headerHeight(int size)
{
    return std::max(3, int(std::lround(size * 0.26)));
}

QImage StatusItemIcon::render(int day, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (size <= 0)
        return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF page(0, 0, size, size);
    const qreal radius = std::max(1.5, size / 8.0);
    QPainterPath pageShape;
    pageShape.addRoundedRect(page, radius, radius);
    painter.setClipPath(pageShape);
    painter.fillRect(page, Qt::white);
    const int header = headerHeight(size);
    painter.fillRect(QRectF(0, 0, size, header), accentColor());

    // A hairline round the white part keeps the page apart from a light panel.
    const qreal line = std::max(1.0, size / 32.0);
    QPen outline(QColor(0, 0, 0, 70), line * 2);
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(pageShape);
    painter.setClipping(false);

    if (day >= 1 && day <= 31) {
        // Whole-pixel edges keep the digits' tops and bottoms sharp at the smallest sizes.
        const int margin = std::max(1, int(std::lround(size / 10.0)));
        const int top = header + std::max(1, int(std::lround(size / 12.0)));
        const int bottom = size - margin;
        const QRectF box(line + margin * 0.5, top, size - 2 * line - margin, bottom - top);
        painter.setPen(Qt::NoPen);
        painter.setBrush(numberColor());
        painter.drawPath(fittedNumber(QString::number(day), box));
    }
    return image;
}

QIcon StatusItemIcon::icon(int day)
{
    QIcon icon;
    for (const int size : sizes)
        icon.addPixmap(QPixmap::fromImage(render(day, size)));
    return icon;
}
