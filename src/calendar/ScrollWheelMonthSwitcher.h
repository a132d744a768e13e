#pragma once

#include <QObject>
#include <QPointF>

#include <functional>
#include <optional>

class QWheelEvent;

// Turns scroll-wheel notches and touchpad swipes over the month grid into one month step per
// gesture. Installed as an event filter on the host (the month grid widget), it reads the wheel
// events that reach the host and never swallows them. The rules themselves, in handle(), need
// neither widgets nor a real clock.
class ScrollWheelMonthSwitcher : public QObject
{
    Q_OBJECT
public:
    /// Phase bits of a scroll event within a touchpad gesture or its momentum.
    enum Phase : quint32
    {
        noPhase = 0,
        phaseBegan = 0x1,
        phaseStationary = 0x2,
        phaseChanged = 0x4,
        phaseEnded = 0x8,
        phaseCancelled = 0x10,
        phaseMayBegin = 0x20,
    };

    /// One scroll event as the rules see it.
    struct ScrollEvent
    {
        /// In points; negative when the wheel turns toward the user or the content is pushed
        /// up or left.
        QPointF delta;
        /// Both noPhase for a wheel that clicks in notches.
        quint32 phase = noPhase;
        quint32 momentumPhase = noPhase;
        /// Milliseconds on a monotonic clock.
        qint64 timestampMs = 0;
    };

    enum class Step
    {
        none,
        previousMonth,
        nextMonth
    };

    /// A dominant delta of this many points or less is no swipe.
    static constexpr qreal minimumDelta = 8;
    /// A notched wheel switches at most once in this interval.
    static constexpr qint64 wheelSwitchIntervalMs = 420;
    /// A swipe that never reports its end may switch again after this long.
    static constexpr qint64 gestureResetDelayMs = 450;
    /// One notch (an angle delta of 120) scrolls a line, which counts as 10 points.
    static constexpr qreal pointsPerWheelNotch = 10;

    /// Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;
    /// Whether a wheel event that reached the host lies over a scrolling list inside it, which
    /// keeps the event to itself.
    using ScrollingListProbe = std::function<bool(const QWheelEvent &event)>;

    explicit ScrollWheelMonthSwitcher(QObject *parent = nullptr);
    ~ScrollWheelMonthSwitcher() override;

    /// Installs this as an event filter on the host: a QWidget (or a QWindow). Its bounds and
    /// whether its window is the active one are read through its properties.
    void watch(QObject *host);
    void setScrollingListProbe(ScrollingListProbe probe);
    /// An empty clock restores the default one, which starts at construction.
    void setClock(Clock clock);

    /// Applies the rules to one scroll event over the host in the active window, and emits the
    /// step taken.
    Step handle(const ScrollEvent &event);

    /// The event as the rules see it. Qt reports a single phase; momentum starts with the first
    /// ScrollMomentum event and ends with the ScrollEnd that follows momentum.
    [[nodiscard]] ScrollEvent scrollEvent(const QWheelEvent &event, qint64 timestampMs);

    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    void previousMonth();
    void nextMonth();

private:
    void resetGestureState();

    Clock m_clock;
    ScrollingListProbe m_scrollingListProbe;
    // When a notched wheel last switched; none before the first switch.
    std::optional<qint64> m_lastWheelSwitchMs;
    // A touchpad gesture has already switched once.
    bool m_handledCurrentGesture = false;
    // The pending reset of the gesture state, applied when the next event comes after it.
    std::optional<qint64> m_gestureResetAtMs;
    bool m_inMomentum = false;
};
