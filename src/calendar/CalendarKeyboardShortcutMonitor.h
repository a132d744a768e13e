#pragma once

#include <QObject>
#include <QPointer>

#include <optional>

class QKeyEvent;

// The panel's keys: space goes to today, ← and → page months, Ctrl with them pages years (Ctrl
// stands in for the Mac's Command), ↑ and ↓ move the selection by a week, Alt with ← and → by a
// day, Enter activates, Esc closes and N starts a new event. Installed as an event filter on the
// panel content, it sees the keys its focused control left unused, consumes those it acts on and
// lets every other key through; it also takes the keyboard focus for the content whenever the
// content is shown, so the keys work as soon as the panel opens. The key table is decided in
// action(), free of widgets.
class CalendarKeyboardShortcutMonitor : public QObject
{
    Q_OBJECT
public:
    enum class Action
    {
        none,
        goToToday,
        previousMonth,
        nextMonth,
        previousYear,
        nextYear,
        previousWeek,
        nextWeek,
        previousDay,
        nextDay,
        activate,
        close,
        newEvent
    };

    // Modifier flag bits, as ShortcutKeyEvent numbers them, and those the key table ignores.
    static constexpr quint32 capsLockFlag = 0x10000;
    static constexpr quint32 shiftFlag = 0x20000;
    static constexpr quint32 controlFlag = 0x40000;
    static constexpr quint32 optionFlag = 0x80000;
    static constexpr quint32 commandFlag = 0x100000;
    static constexpr quint32 numericPadFlag = 0x200000;
    static constexpr quint32 functionFlag = 0x800000;
    /// The device-independent modifier bits without Caps Lock, numeric pad and function, so
    /// that arrow keys compare clean.
    static constexpr quint32 relevantModifierMask = 0xFF5E0000;

    // Virtual key codes.
    static constexpr quint32 spaceKey = 49;
    static constexpr quint32 leftArrowKey = 123;
    static constexpr quint32 rightArrowKey = 124;
    static constexpr quint32 downArrowKey = 125;
    static constexpr quint32 upArrowKey = 126;
    static constexpr quint32 returnKey = 36;
    static constexpr quint32 keypadEnterKey = 76;
    static constexpr quint32 escapeKey = 53;

    explicit CalendarKeyboardShortcutMonitor(QObject *parent = nullptr);
    ~CalendarKeyboardShortcutMonitor() override;

    /// Installs this as an event filter on the host (the panel content, a QWidget), which is
    /// given the keyboard focus whenever it is shown or its window activated.
    void watch(QObject *host);

    /// The action of a key, by virtual key code and modifier flags.
    [[nodiscard]] static Action action(quint32 keyCode, quint32 modifierFlags);
    [[nodiscard]] static Action action(const QKeyEvent &event);

    /// The key's virtual key code: from the native key code when the platform gives one
    /// (X11 and Wayland key codes), else from the Qt key.
    [[nodiscard]] static std::optional<quint32> virtualKeyCode(const QKeyEvent &event);
    /// Ctrl is reported as Command and the Super key as Control.
    [[nodiscard]] static quint32 modifierFlags(const QKeyEvent &event);

    bool eventFilter(QObject *watched, QEvent *event) override;

public Q_SLOTS:
    /// On the next pass of the event loop, gives the host the focus if it is shown without it.
    void activateIfNeeded();

Q_SIGNALS:
    void goToToday();
    void previousMonth();
    void nextMonth();
    void previousYear();
    void nextYear();
    /// ±7 for a week, ±1 for a day.
    void moveSelection(int days);
    /// Enter: the focused control acts, a selected day opens in the calendar application.
    void activate();
    void close();
    void newEvent();

private:
    [[nodiscard]] static Action applicableAction(const QKeyEvent &event);
    void perform(Action action);

    QPointer<QObject> m_host;
};
