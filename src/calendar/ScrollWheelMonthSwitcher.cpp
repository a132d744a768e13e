#include "ScrollWheelMonthSwitcher.h"

#include <QElapsedTimer>
#include <QRect>
#include <QVariant>
#include <QWheelEvent>

#include <cmath>
#include <memory>

namespace {

// The host is read through the properties QWidget and QWindow both declare, so that this stays
// free of widgets.
bool isInActiveWindow(const QObject &host)
{
    for (const char *name : {"isActiveWindow", "active"}) {
        const QVariant value = host.property(name);
        if (value.isValid())
            return value.toBool();
    }
    return false;
}

QRectF bounds(const QObject &host)
{
    const QVariant rect = host.property("rect");
    if (rect.isValid())
        return QRectF(rect.toRect());
    return QRectF(0, 0, host.property("width").toReal(), host.property("height").toReal());
}

} // namespace

ScrollWheelMonthSwitcher::ScrollWheelMonthSwitcher(QObject *parent)
    : QObject(parent)
{
    setClock({});
}

ScrollWheelMonthSwitcher::~ScrollWheelMonthSwitcher() = default;

void ScrollWheelMonthSwitcher::watch(QObject *host)
{
    if (host)
        host->installEventFilter(this);
}

void ScrollWheelMonthSwitcher::setScrollingListProbe(ScrollingListProbe probe)
{
    m_scrollingListProbe = std::move(probe);
}

void ScrollWheelMonthSwitcher::setClock(Clock clock)
{
    if (clock) {
        m_clock = std::move(clock);
        return;
    }
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer] {
        return timer->elapsed();
    };
}

ScrollWheelMonthSwitcher::Step ScrollWheelMonthSwitcher::handle(const ScrollEvent &event)
{
    // The reset a switch scheduled, due by now; the state is only read here, so applying it late
    // is the same as applying it on time.
    if (m_gestureResetAtMs && event.timestampMs >= *m_gestureResetAtMs)
        resetGestureState();

    const qreal dx = event.delta.x();
    const qreal dy = event.delta.y();
    const qreal dominant = std::abs(dx) > std::abs(dy) ? dx : dy;
    if (std::abs(dominant) <= minimumDelta)
        return Step::none;
    const Step step = dominant < 0 ? Step::nextMonth : Step::previousMonth;
    const auto take = [this, step] {
        if (step == Step::nextMonth)
            Q_EMIT nextMonth();
        else
            Q_EMIT previousMonth();
        return step;
    };

    if (event.phase == noPhase && event.momentumPhase == noPhase) {
        if (m_lastWheelSwitchMs
            && event.timestampMs - *m_lastWheelSwitchMs <= wheelSwitchIntervalMs)
            return Step::none;
        m_lastWheelSwitchMs = event.timestampMs;
        return take();
    }

    if ((event.phase & phaseBegan) || (event.momentumPhase & phaseBegan))
        resetGestureState();
    // Coasting after the fingers left never switches; it only ends the gesture.
    if (event.momentumPhase != noPhase) {
        if (event.momentumPhase & (phaseEnded | phaseCancelled))
            resetGestureState();
        return Step::none;
    }
    if (!m_handledCurrentGesture) {
        m_handledCurrentGesture = true;
        m_gestureResetAtMs = event.timestampMs + gestureResetDelayMs;
        return take();
    }
    if (event.phase & (phaseEnded | phaseCancelled))
        resetGestureState();
    return Step::none;
}

void ScrollWheelMonthSwitcher::resetGestureState()
{
    m_handledCurrentGesture = false;
    m_gestureResetAtMs.reset();
}

ScrollWheelMonthSwitcher::ScrollEvent
ScrollWheelMonthSwitcher::scrollEvent(const QWheelEvent &event, qint64 timestampMs)
{
    ScrollEvent result;
    result.timestampMs = timestampMs;
    const QPoint pixels = event.pixelDelta();
    result.delta = pixels.isNull() ? QPointF(event.angleDelta()) * (pointsPerWheelNotch / 120.0)
                                   : QPointF(pixels);
    switch (event.phase()) {
    case Qt::NoScrollPhase:
        m_inMomentum = false;
        break;
    case Qt::ScrollBegin:
        m_inMomentum = false;
        result.phase = phaseBegan;
        break;
    case Qt::ScrollUpdate:
        m_inMomentum = false;
        result.phase = phaseChanged;
        break;
    case Qt::ScrollMomentum:
        result.momentumPhase = m_inMomentum ? phaseChanged : phaseBegan;
        m_inMomentum = true;
        break;
    case Qt::ScrollEnd:
        if (m_inMomentum)
            result.momentumPhase = phaseEnded;
        else
            result.phase = phaseEnded;
        m_inMomentum = false;
        break;
    }
    return result;
}

bool ScrollWheelMonthSwitcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    const auto &wheel = static_cast<const QWheelEvent &>(*event);
    const ScrollEvent scroll = scrollEvent(wheel, m_clock());
    if (!isInActiveWindow(*watched) || !bounds(*watched).contains(wheel.position()))
        return false;
    if (m_scrollingListProbe && m_scrollingListProbe(wheel))
        return false;
    handle(scroll);
    // The wheel event goes on to whoever would have had it.
    return false;
}
