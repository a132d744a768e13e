#include "calendar/CalendarKeyboardShortcutMonitor.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

using Monitor = CalendarKeyboardShortcutMonitor;
using Action = Monitor::Action;

// X11 key codes (evdev + 8) of a US keyboard.
constexpr quint32 x11Left = 113;
constexpr quint32 x11Right = 114;
constexpr quint32 x11Up = 111;
constexpr quint32 x11LockMask = 0x02;
constexpr quint32 x11NumLockMask = 0x10;

// A widget that notes the keys that reach it.
class KeyRecorder : public QWidget
{
public:
    using QWidget::QWidget;
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        // QTest presses the modifier keys on their own first.
        static const QList<int> modifierKeys{Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt,
                                             Qt::Key_Meta};
        if (!modifierKeys.contains(event->key()))
            keys.append(event->key());
        QWidget::keyPressEvent(event);
    }
};

} // namespace

class TestCalendarKeyboardShortcutMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keyTable_data();
    void keyTable();
    void qtKeyEvents_data();
    void qtKeyEvents();
    void filterConsumesOnlyItsKeys_data();
    void filterConsumesOnlyItsKeys();
    void takesTheFocusWhenShown();
    void windowShortcutsDoNotStealTheKeys();
};

void TestCalendarKeyboardShortcutMonitor::keyTable_data()
{
    QTest::addColumn<quint32>("keyCode");
    QTest::addColumn<quint32>("flags");
    QTest::addColumn<Action>("expected");

    constexpr quint32 caps = Monitor::capsLockFlag;
    constexpr quint32 shift = Monitor::shiftFlag;
    constexpr quint32 control = Monitor::controlFlag;
    constexpr quint32 option = Monitor::optionFlag;
    constexpr quint32 command = Monitor::commandFlag;
    // What a Mac keyboard reports with every arrow key.
    constexpr quint32 arrowFlags = Monitor::numericPadFlag | Monitor::functionFlag;

    QTest::newRow("space") << 49u << 0u << Action::goToToday;
    QTest::newRow("command right") << 124u << command << Action::nextYear;
    QTest::newRow("left with caps lock on") << 123u << caps << Action::previousMonth;
    QTest::newRow("command right with caps lock on")
        << 124u << (command | caps) << Action::nextYear;
    QTest::newRow("arrow with pad and function bits")
        << 123u << arrowFlags << Action::previousMonth;
    QTest::newRow("command arrow with pad and function bits")
        << 124u << (command | arrowFlags) << Action::nextYear;
    QTest::newRow("shift left") << 123u << shift << Action::none;
    QTest::newRow("option left") << 123u << option << Action::none;
    QTest::newRow("control right") << 124u << control << Action::none;
    QTest::newRow("command shift left") << 123u << (command | shift) << Action::none;
    QTest::newRow("command space") << 49u << command << Action::none;
    QTest::newRow("up") << 126u << 0u << Action::none;
    QTest::newRow("letter a") << 0u << 0u << Action::none;
}

void TestCalendarKeyboardShortcutMonitor::keyTable()
{
    QFETCH(quint32, keyCode);
    QFETCH(quint32, flags);
    QFETCH(Action, expected);
    QCOMPARE(Monitor::action(keyCode, flags), expected);
}

void TestCalendarKeyboardShortcutMonitor::qtKeyEvents_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<quint32>("nativeModifiers");
    QTest::addColumn<Action>("expected");

    using M = Qt::KeyboardModifiers;
    const M none = Qt::NoModifier;
    QTest::newRow("space without a native code")
        << int(Qt::Key_Space) << none << 0u << 0u << Action::goToToday;
    QTest::newRow("keypad right") << int(Qt::Key_Right) << M(Qt::KeypadModifier) << 0u << 0u
                                  << Action::nextMonth;
    QTest::newRow("ctrl right is command right")
        << int(Qt::Key_Right) << M(Qt::ControlModifier) << 0u << 0u << Action::nextYear;
    QTest::newRow("shift left") << int(Qt::Key_Left) << M(Qt::ShiftModifier) << 0u << 0u
                                << Action::none;
    QTest::newRow("super left") << int(Qt::Key_Left) << M(Qt::MetaModifier) << 0u << 0u
                                << Action::none;
    QTest::newRow("ctrl space") << int(Qt::Key_Space) << M(Qt::ControlModifier) << 0u << 0u
                                << Action::none;
    QTest::newRow("x11 left with caps lock and num lock on")
        << int(Qt::Key_Left) << none << x11Left << (x11LockMask | x11NumLockMask)
        << Action::previousMonth;
    QTest::newRow("x11 ctrl right with caps lock on")
        << int(Qt::Key_Right) << M(Qt::ControlModifier) << x11Right << x11LockMask
        << Action::nextYear;
    QTest::newRow("x11 shift left with caps lock on")
        << int(Qt::Key_Left) << M(Qt::ShiftModifier) << x11Left << x11LockMask << Action::none;
    QTest::newRow("the key's place counts, not its symbol")
        << int(Qt::Key_Left) << none << x11Up << 0u << Action::none;
    QTest::newRow("an unknown native code falls back to the Qt key")
        << int(Qt::Key_Right) << none << 250u << 0u << Action::nextMonth;
}

void TestCalendarKeyboardShortcutMonitor::qtKeyEvents()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, scanCode);
    QFETCH(quint32, nativeModifiers);
    QFETCH(Action, expected);

    const QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, nativeModifiers);
    QCOMPARE(Monitor::action(event), expected);
}

void TestCalendarKeyboardShortcutMonitor::filterConsumesOnlyItsKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QList<Action>>("actions");

    QTest::newRow("space") << int(Qt::Key_Space) << Qt::KeyboardModifiers()
                           << QList<Action>{Action::goToToday};
    QTest::newRow("ctrl right") << int(Qt::Key_Right) << Qt::KeyboardModifiers(Qt::ControlModifier)
                                << QList<Action>{Action::nextYear};
    QTest::newRow("shift left passes on")
        << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::ShiftModifier) << QList<Action>{};
    QTest::newRow("escape passes on")
        << int(Qt::Key_Escape) << Qt::KeyboardModifiers() << QList<Action>{};
}

void TestCalendarKeyboardShortcutMonitor::filterConsumesOnlyItsKeys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QList<Action>, actions);

    KeyRecorder host;
    Monitor monitor;
    QList<Action> seen;
    const auto note = [&seen](Action action) {
        return [&seen, action] {
            seen.append(action);
        };
    };
    connect(&monitor, &Monitor::goToToday, this, note(Action::goToToday));
    connect(&monitor, &Monitor::previousMonth, this, note(Action::previousMonth));
    connect(&monitor, &Monitor::nextMonth, this, note(Action::nextMonth));
    connect(&monitor, &Monitor::previousYear, this, note(Action::previousYear));
    connect(&monitor, &Monitor::nextYear, this, note(Action::nextYear));
    monitor.watch(&host);

    QTest::keyClick(&host, Qt::Key(key), modifiers);
    QCOMPARE(seen, actions);
    // A handled key is consumed; any other reaches the widget's own handling.
    QCOMPARE(host.keys, actions.isEmpty() ? QList<int>{key} : QList<int>{});
}

void TestCalendarKeyboardShortcutMonitor::takesTheFocusWhenShown()
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    auto *host = new QWidget(&window);
    host->setGeometry(0, 30, 100, 100);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QVERIFY(field->hasFocus());

    Monitor monitor;
    monitor.watch(host);
    QCoreApplication::processEvents();
    QVERIFY(host->hasFocus());

    // Shown again after something else took the focus: the host takes it back.
    host->hide();
    field->setFocus();
    QVERIFY(field->hasFocus());
    host->show();
    QCoreApplication::processEvents();
    QVERIFY(host->hasFocus());
}

void TestCalendarKeyboardShortcutMonitor::windowShortcutsDoNotStealTheKeys()
{
    QWidget window;
    auto *host = new QWidget(&window);
    host->setGeometry(0, 0, 100, 100);
    QShortcut shortcut(QKeySequence(Qt::Key_Space), &window);
    QSignalSpy activated(&shortcut, &QShortcut::activated);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    Monitor monitor;
    QSignalSpy today(&monitor, &Monitor::goToToday);
    monitor.watch(host);
    QCoreApplication::processEvents();
    QVERIFY(host->hasFocus());

    QTest::keyClick(host, Qt::Key_Space);
    QCOMPARE(today.size(), 1);
    QCOMPARE(activated.size(), 0);
}

QTEST_MAIN(TestCalendarKeyboardShortcutMonitor)
#include "tst_calendarkeyboardshortcutmonitor.moc"
