#include "BrandLogoView.h"

#include "AppTheme.h"
#include "ContinuousCorners.h"
#include "SoftShadow.h"

#include <QCache>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal shadowOpacity = 0.18;
constexpr qreal shadowRadius = 8;
constexpr qreal shadowDrop = 3;

// The artwork rendered and clipped at the exact pixel size it is shown at: sharper than any
// resampling of one large rendering, and an antialiased edge, which a clip path would not give.
QPixmap artwork(QSize pixels)
{
    static QCache<QString, QPixmap> cache(8);
    const QString key =
        QString::number(pixels.width()) + QLatin1Char('x') + QString::number(pixels.height());
    if (const QPixmap *found = cache.object(key))
        return *found;
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(u":/BrandLogo.svg"_s);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        // Keeps the artwork's proportions inside the square.
        QSizeF size = renderer.defaultSize();
        size.scale(QSizeF(pixels), Qt::KeepAspectRatio);
        const QRectF target(
            QPointF((pixels.width() - size.width()) / 2, (pixels.height() - size.height()) / 2),
            size);
        renderer.render(&painter, target);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillPath(BrandLogoView::shape(QRectF(QPointF(0, 0), QSizeF(pixels))), Qt::black);
    }
    cache.insert(key, new QPixmap(pixmap));
    return pixmap;
}

} // namespace

BrandLogoView::BrandLogoView(qreal size, QWidget *parent)
    : QWidget(parent)
    , m_size(size)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

BrandLogoView::~BrandLogoView() = default;

QSize BrandLogoView::sizeHint() const
{
    const int side = int(std::ceil(m_size));
    return {side, side};
}

QIcon BrandLogoView::applicationIcon()
{
    const QString name = u"tessel-calendar"_s;
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QIcon builtIn;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        builtIn.addPixmap(artwork(QSize(side, side)));
    return builtIn;
}

QPainterPath BrandLogoView::shape(const QRectF &rect)
{
    return ContinuousCorners::roundedRect(rect, cornerRadius(rect.width()));
}

void BrandLogoView::paintLogo(QPainter &painter, const QRectF &rect)
{
    const qreal scale = painter.device()->devicePixelRatioF();
    const QSize pixels(int(std::lround(rect.width() * scale)),
                       int(std::lround(rect.height() * scale)));
    if (pixels.isEmpty())
        return;
    QPixmap pixmap = artwork(pixels);
    pixmap.setDevicePixelRatio(scale);
    painter.drawPixmap(rect.topLeft(), pixmap);
}

void BrandLogoView::paintShadow(QPainter &painter, const QRectF &rect)
{
    QColor color = AppTheme::accent();
    color.setAlphaF(color.alphaF() * shadowOpacity);
    SoftShadow::paint(painter, shape(rect), color, shadowRadius, QPointF(0, shadowDrop));
}

void BrandLogoView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintLogo(painter, QRectF(QPointF(0, 0), QSizeF(m_size, m_size)));
}
