#include "DBusTestSupport.h"
#include "TestServices.h"
#include "TestWatcher.h"
#include "calendar/CalendarPopoverView.h"
#include "calendar/MonthGridView.h"
#include "holidays/LunarCalendarService.h"
#include "menubar/MenuBarCalendarPanel.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItemHost.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QMenu>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// A status item whose host tells where it is, as the tray icon fallback does.
class PlacedStatusItem : public StatusItem
{
public:
    [[nodiscard]] QRect geometry() const override { return {1255, 2, 24, 24}; }
};

} // namespace

// The controller with the real tray item on a private bus and real windows on Xvfb.
class TestStatusBarController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void itemTextAndTheMidnightRefresh();
    void waysToToggleThePanel_data();
    void waysToToggleThePanel();
    void ownMenuHasTheEntriesAndKeepsThePanel();
    void pressesOutsideCloseButNotOnTheItem();

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments,
                      const QString &path = u"/StatusNotifierItem"_s,
                      const QString &interface = u"org.kde.StatusNotifierItem"_s) const
    {
        return callAndWait(watcher->connection(), watcher->registeredItems().value(0), path,
                           interface, method, arguments);
    }
    QDBusMessage clickMenuEntry(int id) const
    {
        return call(u"Event"_s, {id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u},
                    u"/MenuBar"_s, u"com.canonical.dbusmenu"_s);
    }

    std::optional<TestServices> services;
    std::optional<TestWatcher> watcher;
    std::unique_ptr<StatusItemHost> item;
    std::unique_ptr<StatusBarController> controller;
    QDateTime now;
    std::optional<QWidget> preferencesWindow;
};

void TestStatusBarController::init()
{
    services.emplace("Asia/Shanghai", QDate(2026, 12, 5));
    watcher.emplace();
    QVERIFY(watcher->start());
    item = std::make_unique<StatusItemHost>();
    now = QDateTime({2026, 12, 5}, {6, 3, 9}, QTimeZone::utc());
    // The preferences open as a window of ours that takes the focus.
    const auto showPreferences = [this] {
        preferencesWindow.emplace();
        preferencesWindow->setGeometry(100, 500, 200, 100);
        preferencesWindow->show();
        preferencesWindow->activateWindow();
    };
    controller = std::make_unique<StatusBarController>(
        *services->preferences, *services->eventStore, services->holidayService(),
        services->lunarCalendarService(), showPreferences, *item, nullptr, [this] { return now; });
    QTRY_COMPARE(watcher->registeredItems().size(), 1);
    QCursor::setPos(720, 450);
}

void TestStatusBarController::cleanup()
{
    controller.reset();
    preferencesWindow.reset();
    item.reset();
    watcher.reset();
    services.reset();
}

void TestStatusBarController::itemTextAndTheMidnightRefresh()
{
    services->preferences->setValue(SettingKeys::showSeconds, true);
    QTRY_COMPARE(item->title(), u"12月5日 周六 14:03:09"_s);
    // Hosts that draw icons only show the same text on a hover.
    QCOMPARE(item->toolTipTitle(), u"12月5日 周六 14:03:09"_s);
    QCOMPARE(item->toolTipSubtitle(), u"12月5日 星期六\n丙午马年 十月廿七"_s);

    // A text without any date part stays the same across midnight; icon and tip do not.
    now = QDateTime({2026, 12, 5}, {15, 59, 59, 700}, QTimeZone::utc());
    services->preferences->setValue(SettingKeys::menuBarStyle, MenuBarDisplayStyle::dateOnly);
    services->preferences->setValue(SettingKeys::showDate, false);
    services->preferences->setValue(SettingKeys::showWeekday, false);
    QCOMPARE(item->title(), QString());
    QCOMPARE(item->dayNumber(), 5);
    // The panel's grid, read before midnight, marks the new day once it comes.
    const auto today = [this] {
        const auto *grid = controller->panel()->findChild<MonthGridView *>();
        for (const DayCellView &cell : grid->cells()) {
            if (cell.isToday)
                return SystemTimeZone::civilDate(cell.date).day();
        }
        return 0;
    };
    QCOMPARE(today(), 5);
    now = now.addSecs(1);
    QTRY_COMPARE(item->dayNumber(), 6);
    QCOMPARE(item->toolTipSubtitle(), u"12月6日 星期日\n丙午马年 十月廿八"_s);
    QCOMPARE(today(), 6);
}

void TestStatusBarController::waysToToggleThePanel_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("pointer");

    // A click point on a bar that reserves nothing: the panel keeps clear of the bar.
    QTest::newRow("activate on the bar") << u"Activate"_s << QPoint(1267, 12) << QPoint(720, 450);
    // waybar sends the point within its icon; the pointer tells where the click was.
    QTest::newRow("icon-local activate") << u"Activate"_s << QPoint(10, 15) << QPoint(1267, 12);
    QTest::newRow("middle click") << u"SecondaryActivate"_s << QPoint(1267, 12) << QPoint();
    QTest::newRow("right click, menu off") << u"ContextMenu"_s << QPoint(1267, 12) << QPoint();
    // Where a click on the item would have put it, or the corner the bars are in.
    QTest::newRow("the host's menu") << u"menu"_s << QPoint() << QPoint();
}

void TestStatusBarController::waysToToggleThePanel()
{
    QFETCH(QString, way);
    QFETCH(QPoint, point);
    QFETCH(QPoint, pointer);
    if (!pointer.isNull())
        QCursor::setPos(pointer);
    services->preferences->setValue(SettingKeys::showPreferencesAndQuitMenu,
                                    way != "ContextMenu"_L1);
    MenuBarCalendarPanel *panel = controller->panel();
    for (const bool visible : {true, false}) {
        const QDBusMessage reply =
            way == "menu"_L1 ? clickMenuEntry(4) : call(way, {point.x(), point.y()});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTRY_COMPARE(panel->isVisible(), visible);
        QCOMPARE(panel->pos().x(), 1102);
    }
    if (way == "Activate"_L1)
        QCOMPARE(panel->pos().y(), 30);
    QVERIFY(!controller->statusMenu());
}

void TestStatusBarController::ownMenuHasTheEntriesAndKeepsThePanel()
{
    services->preferences->setShortcut(Shortcut{40, Shortcut::commandModifier, u"❖K"_s});
    call(u"ContextMenu"_s, {700, 12});
    QTRY_VERIFY(controller->statusMenu() && controller->statusMenu()->isVisible());
    QMenu &menu = *controller->statusMenu();
    QStringList texts;
    for (const QAction *action : menu.actions())
        texts << (action->isSeparator() ? u"-"_s : action->text());
    QCOMPARE(texts, QStringList({u"显示日历面板\t❖K"_s, u"-"_s, u"偏好设置…"_s, u"-"_s,
                                 u"退出栖格日历"_s}));
    QCOMPARE(menu.actions().last()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!controller->panel()->isVisible());
    menu.actions().constFirst()->trigger();
    menu.hide();
    QTRY_VERIFY(controller->panel()->isVisible());

    // The preferences open beside the panel and leave it open.
    clickMenuEntry(1);
    QTRY_VERIFY(preferencesWindow && QTest::qWaitForWindowActive(&*preferencesWindow));
    QVERIFY(controller->panel()->isVisible());
}

void TestStatusBarController::pressesOutsideCloseButNotOnTheItem()
{
    // A host that tells the item's place.
    controller.reset();
    PlacedStatusItem placed;
    StatusBarController placedController(
        *services->preferences, *services->eventStore, services->holidayService(),
        services->lunarCalendarService(), [] {}, placed);
    MenuBarCalendarPanel &panel = *placedController.panel();
    placedController.showPopover();
    QTRY_VERIFY(panel.isVisible());
    QCOMPARE(panel.pos().x(), 1102);
    // A press inside the panel leaves it open.
    QTest::mouseClick(placedController.content(), Qt::LeftButton, {}, QPoint(160, 5));
    QVERIFY(panel.isVisible());
    // The pointer rests 3 points beside the item: the item's own click then decides.
    QCursor::setPos(1252, 10);
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&panel, &deactivate);
    QVERIFY(panel.isVisible());
    Q_EMIT placed.activated(QPoint(1267, 14));
    QVERIFY(!panel.isVisible());

    placedController.showPopover();
    QTRY_VERIFY(panel.isVisible());
    QCursor::setPos(150, 520);
    QWidget other;
    other.setGeometry(100, 500, 200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(!panel.isVisible());
}

QTEST_MAIN(TestStatusBarController)
#include "tst_statusbarcontroller.moc"
