#include "FadeTransition.h"

#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

FadeTransition::FadeTransition(QWidget *widget)
    : QObject(widget)
    , m_widget(widget)
    , m_animation(new QVariantAnimation(this))
{
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_progress = value.toReal();
        if (m_widget)
            m_widget->update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this] {
        m_progress = 1.0;
        m_outgoing = QPixmap();
        if (m_widget)
            m_widget->update();
    });
}

FadeTransition::~FadeTransition() = default;

void FadeTransition::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled) {
        m_animation->stop();
        m_progress = 1.0;
        m_outgoing = QPixmap();
    }
}

void FadeTransition::start(int durationMs)
{
    if (!m_enabled || !m_widget || !m_widget->isVisible() || durationMs <= 0 || m_capturing)
        return;
    // Grabbing paints the widget as it is now, mid-fade included.
    m_capturing = true;
    m_outgoing = m_widget->grab();
    m_capturing = false;
    m_animation->stop();
    m_animation->setDuration(durationMs);
    m_progress = 0.0;
    m_animation->start();
}

qreal FadeTransition::incomingOpacity() const
{
    return m_outgoing.isNull() ? 1.0 : m_progress;
}

void FadeTransition::paintOutgoing(QPainter &painter) const
{
    if (m_outgoing.isNull() || m_progress >= 1.0)
        return;
    painter.save();
    painter.setOpacity(1.0 - m_progress);
    painter.drawPixmap(0, 0, m_outgoing);
    painter.restore();
}
