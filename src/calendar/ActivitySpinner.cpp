#include "ActivitySpinner.h"

#include "look/AppTheme.h"

#include <QPainter>

#include <cmath>

namespace {

constexpr int spokes = 8;
constexpr int stepMs = 100;

} // namespace

ActivitySpinner::ActivitySpinner(qreal diameter, QWidget *parent)
    : QWidget(parent)
    , m_diameter(diameter)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_timer.setInterval(stepMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
}

ActivitySpinner::~ActivitySpinner() = default;

QSize ActivitySpinner::sizeHint() const
{
    const int side = int(std::ceil(m_diameter));
    return {side, side};
}

void ActivitySpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = m_diameter / 2;
    painter.translate(QRectF(rect()).center());
    const QColor base = AppTheme::secondaryText();
    const qreal width = m_diameter * 0.11;
    for (int i = 0; i < spokes; ++i) {
        // The leading spoke is the brightest; the ones behind it fade.
        const int age = (m_step - i + spokes) % spokes;
        QColor color = base;
        color.setAlphaF(base.alphaF() * (1.0 - age * 0.1));
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        painter.drawLine(QPointF(0, -radius * 0.5), QPointF(0, -radius + width / 2));
        painter.restore();
    }
}

void ActivitySpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start();
}

void ActivitySpinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}
