#include "SoftShadow.h"

#include <QCache>
#include <QHashFunctions>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One pass of a box blur of width 2 * r + 1 over the alpha bytes of rows or columns.
void boxBlur(uchar *data, int length, int count, qsizetype step, qsizetype lineStep, int r)
{
    if (r <= 0)
        return;
    std::vector<int> line(static_cast<size_t>(length));
    const int width = 2 * r + 1;
    for (int l = 0; l < count; ++l) {
        uchar *start = data + l * lineStep;
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = start[i * step];
        int sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += i >= 0 && i < length ? line[size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            start[i * step] = uchar(sum / width);
            const int out = i - r;
            const int in = i + r + 1;
            sum += (in < length ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
        }
    }
}

// Three box blurs approach a Gaussian of the given deviation.
void gaussianBlur(QImage &alpha, qreal sigma)
{
    const int r = std::max(0, int(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2)));
    uchar *bits = alpha.bits();
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(bits, alpha.width(), alpha.height(), 1, alpha.bytesPerLine(), r);
        boxBlur(bits, alpha.height(), alpha.width(), alpha.bytesPerLine(), 1, r);
    }
}

// The shape's outline, colour, blur and pixel ratio, hashed: the key is built on every paint.
size_t cacheKey(const QPainterPath &shape, const QColor &color, qreal radius, qreal scale)
{
    size_t seed = qHashMulti(0, color.rgba(), radius, scale, shape.elementCount());
    for (int i = 0; i < shape.elementCount(); ++i) {
        const QPainterPath::Element element = shape.elementAt(i);
        seed = qHashMulti(seed, int(element.type), element.x, element.y);
    }
    return seed;
}

} // namespace

void SoftShadow::paint(QPainter &painter, const QPainterPath &shape, const QColor &color,
                       qreal radius, QPointF offset)
{
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    const qreal scale = painter.device()->devicePixelRatioF();
    const qreal sigma = radius / 2;
    const qreal margin = std::ceil(sigma * 3) + 1;
    const QRectF bounds = shape.boundingRect();
    // Cached by the shape's form, not its place.
    const QPainterPath local = shape.translated(-bounds.topLeft());

    static QCache<size_t, QImage> cache(64);
    const size_t key = cacheKey(local, color, radius, scale);
    QImage *image = cache.object(key);
    if (!image) {
        const QSizeF pixels = (bounds.size() + QSizeF(2 * margin, 2 * margin)) * scale;
        auto *rendered =
            new QImage(QSize(int(std::ceil(pixels.width())), int(std::ceil(pixels.height()))),
                       QImage::Format_Alpha8);
        rendered->fill(0);
        {
            QPainter shapePainter(rendered);
            shapePainter.setRenderHint(QPainter::Antialiasing);
            shapePainter.scale(scale, scale);
            shapePainter.translate(margin, margin);
            shapePainter.fillPath(local, Qt::black);
        }
        gaussianBlur(*rendered, sigma * scale);
        QImage tinted(rendered->size(), QImage::Format_ARGB32_Premultiplied);
        tinted.fill(Qt::transparent);
        {
            QPainter tintPainter(&tinted);
            tintPainter.drawImage(0, 0, *rendered);
            tintPainter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            tintPainter.fillRect(tinted.rect(), color);
        }
        *rendered = tinted;
        rendered->setDevicePixelRatio(scale);
        image = rendered;
        cache.insert(key, rendered);
    }
    // Painted at the shadow's own pixel density, which is the painter's.
    painter.drawImage(bounds.topLeft() + offset - QPointF(margin, margin), *image);
}
