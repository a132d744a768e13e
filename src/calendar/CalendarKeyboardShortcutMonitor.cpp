#include "CalendarKeyboardShortcutMonitor.h"

#include "shortcut/VirtualKeyMap.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QVariant>

namespace {

// Keys by Qt key, for platforms that give no native key code (offscreen, for one).
std::optional<quint32> virtualKeyFromQtKey(int key)
{
    switch (key) {
    case Qt::Key_Space:
        return 0x31;
    case Qt::Key_Left:
        return 0x7B;
    case Qt::Key_Right:
        return 0x7C;
    case Qt::Key_Down:
        return 0x7D;
    case Qt::Key_Up:
        return 0x7E;
    case Qt::Key_Return:
        return 0x24;
    case Qt::Key_Enter:
        return 0x4C;
    case Qt::Key_Tab:
        return 0x30;
    case Qt::Key_Escape:
        return 0x35;
    case Qt::Key_Backspace:
        return 0x33;
    case Qt::Key_Delete:
        return 0x75;
    case Qt::Key_Home:
        return 0x73;
    case Qt::Key_End:
        return 0x77;
    case Qt::Key_PageUp:
        return 0x74;
    case Qt::Key_PageDown:
        return 0x79;
    default:
        return std::nullopt;
    }
}

} // namespace

CalendarKeyboardShortcutMonitor::CalendarKeyboardShortcutMonitor(QObject *parent)
    : QObject(parent)
{
}

CalendarKeyboardShortcutMonitor::~CalendarKeyboardShortcutMonitor() = default;

void CalendarKeyboardShortcutMonitor::watch(QObject *host)
{
    if (m_host)
        m_host->removeEventFilter(this);
    m_host = host;
    if (!host)
        return;
    host->installEventFilter(this);
    activateIfNeeded();
}

CalendarKeyboardShortcutMonitor::Action
CalendarKeyboardShortcutMonitor::action(quint32 keyCode, quint32 modifierFlags)
{
    struct Row
    {
        quint32 keyCode;
        quint32 modifiers;
        Action action;
    };
    static constexpr Row table[] = {
        {spaceKey, 0, Action::goToToday},
        {leftArrowKey, 0, Action::previousMonth},
        {rightArrowKey, 0, Action::nextMonth},
        {leftArrowKey, commandFlag, Action::previousYear},
        {rightArrowKey, commandFlag, Action::nextYear},
        {upArrowKey, 0, Action::previousWeek},
        {downArrowKey, 0, Action::nextWeek},
        {leftArrowKey, optionFlag, Action::previousDay},
        {rightArrowKey, optionFlag, Action::nextDay},
        {returnKey, 0, Action::activate},
        {keypadEnterKey, 0, Action::activate},
        {escapeKey, 0, Action::close},
    };
    const quint32 modifiers = modifierFlags & relevantModifierMask;
    for (const Row &row : table) {
        if (row.keyCode == keyCode && row.modifiers == modifiers)
            return row.action;
    }
    return Action::none;
}

CalendarKeyboardShortcutMonitor::Action
CalendarKeyboardShortcutMonitor::action(const QKeyEvent &event)
{
    // N by the letter the layout gives, not by its place on the keyboard.
    if (event.key() == Qt::Key_N && (modifierFlags(event) & relevantModifierMask) == 0)
        return Action::newEvent;
    const auto keyCode = virtualKeyCode(event);
    if (!keyCode)
        return Action::none;
    return action(*keyCode, modifierFlags(event));
}

std::optional<quint32> CalendarKeyboardShortcutMonitor::virtualKeyCode(const QKeyEvent &event)
{
    if (event.nativeScanCode() != 0) {
        if (const auto keyCode = VirtualKeyMap::virtualKeyFromX11(event.nativeScanCode()))
            return keyCode;
    }
    return virtualKeyFromQtKey(event.key());
}

quint32 CalendarKeyboardShortcutMonitor::modifierFlags(const QKeyEvent &event)
{
    // The Command key of a key table is Ctrl inside our own windows, where Linux applications
    // page with Ctrl, and Super in the global shortcut (ShortcutKeyEvent), where Ctrl combinations
    // belong to the focused application. The recorder names Super "Super".
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    quint32 flags = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        flags |= shiftFlag;
    if (modifiers.testFlag(Qt::ControlModifier))
        flags |= commandFlag;
    if (modifiers.testFlag(Qt::AltModifier))
        flags |= optionFlag;
    if (modifiers.testFlag(Qt::MetaModifier))
        flags |= controlFlag;
    if (modifiers.testFlag(Qt::KeypadModifier))
        flags |= numericPadFlag;
    // Qt leaves Caps Lock out of the modifiers; the native state has it.
    if (event.nativeScanCode() != 0 && (event.nativeModifiers() & VirtualKeyMap::x11LockMask))
        flags |= capsLockFlag;
    return flags;
}

bool CalendarKeyboardShortcutMonitor::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Claims the key before any shortcut of the window can take it.
        if (applicableAction(static_cast<const QKeyEvent &>(*event)) == Action::none)
            return false;
        event->accept();
        return true;
    }
    case QEvent::KeyPress: {
        const Action taken = applicableAction(static_cast<const QKeyEvent &>(*event));
        if (taken == Action::none)
            return false;
        perform(taken);
        return true;
    }
    case QEvent::Show:
    case QEvent::WindowActivate:
        if (watched == m_host)
            activateIfNeeded();
        return false;
    default:
        return false;
    }
}

CalendarKeyboardShortcutMonitor::Action
CalendarKeyboardShortcutMonitor::applicableAction(const QKeyEvent &event)
{
    const Action taken = action(event);
    if (taken == Action::activate || taken == Action::close)
        return taken;
    // The calendar's moves belong to the grid; a focused button keeps its own arrow keys.
    const QObject *focus = QGuiApplication::focusObject();
    return focus && focus->inherits("QAbstractButton") ? Action::none : taken;
}

void CalendarKeyboardShortcutMonitor::activateIfNeeded()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_host || !m_host->property("visible").toBool())
                return;
            // The host, or a field inside it (the new-event form), keeps the focus it has.
            for (const QObject *focus = QGuiApplication::focusObject(); focus;
                 focus = focus->parent()) {
                if (focus == m_host)
                    return;
            }
            QMetaObject::invokeMethod(m_host.data(), "setFocus");
        },
        Qt::QueuedConnection);
}

void CalendarKeyboardShortcutMonitor::perform(Action action)
{
    switch (action) {
    case Action::none:
        return;
    case Action::goToToday:
        Q_EMIT goToToday();
        return;
    case Action::previousMonth:
        Q_EMIT previousMonth();
        return;
    case Action::nextMonth:
        Q_EMIT nextMonth();
        return;
    case Action::previousYear:
        Q_EMIT previousYear();
        return;
    case Action::nextYear:
        Q_EMIT nextYear();
        return;
    case Action::newEvent:
        Q_EMIT newEvent();
        return;
    case Action::previousWeek:
        Q_EMIT moveSelection(-7);
        return;
    case Action::nextWeek:
        Q_EMIT moveSelection(7);
        return;
    case Action::previousDay:
        Q_EMIT moveSelection(-1);
        return;
    case Action::nextDay:
        Q_EMIT moveSelection(1);
        return;
    case Action::activate:
        Q_EMIT activate();
        return;
    case Action::close:
        Q_EMIT close();
        return;
    }
}
