#include "calendar/CalendarKeyboardShortcutMonitor.h"

#include "TestServices.h"
#include "calendar/CalendarPopoverView.h"
#include "calendar/MonthGridView.h"
#include "look/AppTheme.h"
#include "shared/SystemTimeZone.h"

#include <QApplication>
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

// X11 key codes (evdev + 8) of a US keyboard, and the Caps Lock and Num Lock masks.
constexpr quint32 x11Left = 113, x11Up = 111, x11Down = 116, x11LockMask = 0x02,
                  x11NumLockMask = 0x10;

// A widget that notes the keys that reach it, but the modifier presses QTest sends first.
class KeyRecorder : public QWidget
{
public:
    using QWidget::QWidget;
    QList<int> keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() != Qt::Key_Shift && event->key() != Qt::Key_Control)
            keys.append(event->key());
        QWidget::keyPressEvent(event);
    }
};

} // namespace

class TestCalendarKeyboardShortcutMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keyEvents_data();
    void keyEvents();
    void takesTheFocusAndOnlyItsKeys();
};

void TestCalendarKeyboardShortcutMonitor::initTestCase()
{
    AppTheme::setSystemAppearanceSource([] { return false; });
}

void TestCalendarKeyboardShortcutMonitor::keyEvents_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<quint32>("scanCode");
    QTest::addColumn<quint32>("nativeModifiers");
    QTest::addColumn<Action>("expected");
    // With a selected day: the day the key selects in the panel; its month is then shown.
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");

    using M = Qt::KeyboardModifiers;
    const M none = Qt::NoModifier;
    const M ctrl = Qt::ControlModifier;
    const M alt = Qt::AltModifier;
    const QDate noDay;
    QTest::newRow("space without a native code")
        << int(Qt::Key_Space) << none << 0u << 0u << Action::goToToday << noDay << noDay;
    QTest::newRow("keypad right") << int(Qt::Key_Right) << M(Qt::KeypadModifier) << 0u << 0u
                                  << Action::nextMonth << noDay << noDay;
    QTest::newRow("ctrl right is command right")
        << int(Qt::Key_Right) << ctrl << 0u << 0u << Action::nextYear << noDay << noDay;
    QTest::newRow("super left") << int(Qt::Key_Left) << M(Qt::MetaModifier) << 0u << 0u
                                << Action::none << noDay << noDay;
    QTest::newRow("x11 left with caps lock and num lock on")
        << int(Qt::Key_Left) << none << x11Left << (x11LockMask | x11NumLockMask)
        << Action::previousMonth << noDay << noDay;
    QTest::newRow("x11 shift left with caps lock on")
        << int(Qt::Key_Left) << M(Qt::ShiftModifier) << x11Left << x11LockMask << Action::none
        << QDate(2026, 3, 10) << QDate(2026, 3, 10);
    QTest::newRow("the key's place counts, not its symbol")
        << int(Qt::Key_Left) << none << x11Up << 0u << Action::previousWeek << noDay << noDay;
    QTest::newRow("an unknown native code falls back to the Qt key")
        << int(Qt::Key_Right) << none << 250u << 0u << Action::nextMonth << noDay << noDay;
    QTest::newRow("down: a week on, across a month's edge")
        << int(Qt::Key_Down) << none << x11Down << x11LockMask << Action::nextWeek
        << QDate(2026, 3, 28) << QDate(2026, 4, 4);
    QTest::newRow("up: a week back, across a year's edge")
        << int(Qt::Key_Up) << none << 0u << 0u << Action::previousWeek << QDate(2026, 1, 3)
        << QDate(2025, 12, 27);
    QTest::newRow("alt right: the next day, across a year's edge")
        << int(Qt::Key_Right) << alt << 0u << 0u << Action::nextDay << QDate(2026, 12, 31)
        << QDate(2027, 1, 1);
    QTest::newRow("alt left: the day before, across a month's edge")
        << int(Qt::Key_Left) << alt << 0u << 0u << Action::previousDay << QDate(2026, 3, 1)
        << QDate(2026, 2, 28);
    QTest::newRow("alt down") << int(Qt::Key_Down) << alt << 0u << 0u << Action::none
                              << QDate(2026, 3, 10) << QDate(2026, 3, 10);
    QTest::newRow("enter") << int(Qt::Key_Return) << none << 0u << 0u << Action::activate << noDay
                           << noDay;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << M(Qt::KeypadModifier) << 0u << 0u
                                  << Action::activate << noDay << noDay;
    QTest::newRow("escape") << int(Qt::Key_Escape) << none << 0u << 0u << Action::close << noDay
                            << noDay;
}

void TestCalendarKeyboardShortcutMonitor::keyEvents()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(quint32, scanCode);
    QFETCH(quint32, nativeModifiers);
    QFETCH(Action, expected);
    QFETCH(QDate, from);
    QFETCH(QDate, to);

    QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, nativeModifiers);
    QCOMPARE(Monitor::action(event), expected);
    if (!from.isValid())
        return;

    // The same key in the panel, whose grid has the focus.
    TestServices fixture("Asia/Shanghai", from);
    CalendarPopoverView view(*fixture.viewModel, *fixture.preferences, fixture.desktop.get());
    view.setAnimationsEnabled(false);
    view.show();
    TestServices::settle();
    QApplication::sendEvent(view.monthGrid(), &event);
    TestServices::settle();
    const CalendarViewModel &model = *fixture.viewModel;
    QCOMPARE(SystemTimeZone::civilDate(model.selectedDate()), to);
    QCOMPARE(SystemTimeZone::civilDate(model.displayedMonth()), QDate(to.year(), to.month(), 1));
    QVERIFY(model.hasVisibleSelection());
}

void TestCalendarKeyboardShortcutMonitor::takesTheFocusAndOnlyItsKeys()
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    auto *host = new KeyRecorder(&window);
    host->setGeometry(0, 30, 100, 100);
    // A window shortcut on the same key must not steal it.
    QShortcut shortcut(QKeySequence(Qt::Key_Space), &window);
    QSignalSpy activated(&shortcut, &QShortcut::activated);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    Monitor monitor;
    QSignalSpy today(&monitor, &Monitor::goToToday);
    QSignalSpy nextYear(&monitor, &Monitor::nextYear);
    monitor.watch(host);
    QCoreApplication::processEvents();
    QVERIFY(host->hasFocus());

    // A handled key is consumed; any other reaches the widget's own handling.
    QTest::keyClick(host, Qt::Key_Space);
    QTest::keyClick(host, Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(host, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(host, Qt::Key_Home);
    QCOMPARE(today.size(), 1);
    QCOMPARE(nextYear.size(), 1);
    QCOMPARE(activated.size(), 0);
    QCOMPARE(host->keys, (QList<int>{Qt::Key_Left, Qt::Key_Home}));

    // Shown again after something else took the focus: the host takes it back.
    host->hide();
    field->setFocus();
    QVERIFY(field->hasFocus());
    host->show();
    QCoreApplication::processEvents();
    QVERIFY(host->hasFocus());
}

QTEST_MAIN(TestCalendarKeyboardShortcutMonitor)
#include "tst_calendarkeyboardshortcutmonitor.moc"
