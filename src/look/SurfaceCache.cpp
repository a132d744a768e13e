#include "SurfaceCache.h"

#include <QCache>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace {

// In kilobytes: a whole panel at 2× is about 3.3 MB; this keeps both appearances and the cards.
constexpr qsizetype cacheKilobytes = 24 * 1024;

QCache<QString, QImage> &cache()
{
    static QCache<QString, QImage> images(cacheKilobytes);
    return images;
}

} // namespace

void SurfaceCache::paint(QPainter &painter, const QRectF &rect, const QString &key,
                         const Painter &paintSurface)
{
    const qreal scale = painter.device()->devicePixelRatioF();
    const QSize pixels(int(std::ceil(rect.width() * scale)), int(std::ceil(rect.height() * scale)));
    if (pixels.isEmpty())
        return;
    const QString fullKey = key + QLatin1Char('@') + QString::number(rect.width())
                            + QLatin1Char('x') + QString::number(rect.height()) + QLatin1Char('*')
                            + QString::number(scale);
    const QImage *image = cache().object(fullKey);
    if (!image) {
        auto *rendered = new QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        rendered->setDevicePixelRatio(scale);
        rendered->fill(Qt::transparent);
        {
            QPainter surfacePainter(rendered);
            paintSurface(surfacePainter, QRectF(QPointF(0, 0), rect.size()));
        }
        const qsizetype kilobytes = std::max<qsizetype>(1, rendered->sizeInBytes() / 1024);
        // A surface larger than the whole cache is drawn directly rather than kept.
        if (kilobytes > cacheKilobytes) {
            painter.drawImage(rect.topLeft(), *rendered);
            delete rendered;
            return;
        }
        cache().insert(fullKey, rendered, kilobytes);
        image = rendered;
    }
    painter.drawImage(rect.topLeft(), *image);
}

QString SurfaceCache::colorKey(std::initializer_list<QColor> colors)
{
    QString key;
    for (const QColor &color : colors)
        key += QString::number(quint64(color.rgba64()), 16) + QLatin1Char(',');
    return key;
}
