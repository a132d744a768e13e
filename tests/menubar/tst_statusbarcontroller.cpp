#include "DBusTestSupport.h"
#include "TestWatcher.h"
#include "TimeZoneScope.h"
#include "app/AppBootstrapper.h"
#include "calendar/CalendarPopoverView.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "menubar/MenuBarCalendarPanel.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItemHost.h"
#include "menubar/StatusNotifierTypes.h"
#include "preferences/PreferencesStore.h"
#include "shared/DateHelpers.h"
#include "shared/SettingsStore.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A status item whose host tells where it is, as the tray icon fallback does.
class PlacedStatusItem : public StatusItem
{
public:
    [[nodiscard]] QRect geometry() const override { return {1255, 2, 24, 24}; }
};

// The services the controller reads, over a settings file in a folder of the test's own.
struct Services
{
    Services()
        : settings(dir.filePath(u"settings.json"_s))
    {
        AppBootstrapper::configureAppearance(settings);
        preferences.emplace(settings);
        calendarStore.emplace(settings, nullptr,
                              IcsCalendarStore::Options{false, IcsFolderScanner::Roots{}});
        eventStore.emplace(*calendarStore);
    }

    QTemporaryDir dir;
    SettingsStore settings;
    std::optional<PreferencesStore> preferences;
    std::optional<IcsCalendarStore> calendarStore;
    std::optional<EventStoreService> eventStore;
    HolidayService holidays;
    LunarCalendarService lunar;
};

} // namespace

// The controller with the real tray item on a private bus and real windows on Xvfb.
class TestStatusBarController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void itemShowsTheMenuBarText();
    void activatePlacesAndToggles_data();
    void activatePlacesAndToggles();
    void contextMenuHasTheEntries();
    void panelFromTheMenuAndTheMiddleClick_data();
    void panelFromTheMenuAndTheMiddleClick();
    void preferencesFromTheMenuKeepThePanel();
    void rightClickWithTheMenuOffToggles();
    void dayChangeRefreshesIconAndToolTip();
    void pressOutsideCloses();
    void pressOnTheItemDoesNotClose();
    void contentHeightResizesThePanel();

private:
    [[nodiscard]] QString itemService() const { return watcher->registeredItems().value(0); }
    QVariant itemProperty(const QString &name) const;
    void callItem(const QString &method, int x, int y);
    void clickMenuEntry(int id);

    std::optional<TimeZoneScope> zone;
    std::optional<Services> services;
    std::optional<TestWatcher> watcher;
    std::unique_ptr<StatusItemHost> item;
    std::unique_ptr<StatusBarController> controller;
    QDateTime now;
    std::optional<QWidget> preferencesWindow;
};

void TestStatusBarController::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "runs on a private session bus");
    zone.emplace("Asia/Shanghai");
}

void TestStatusBarController::init()
{
    services.emplace();
    watcher.emplace();
    QVERIFY(watcher->start());
    item = std::make_unique<StatusItemHost>();
    now = QDateTime({2026, 12, 5}, {6, 3, 9}, Qt::UTC);
    // The preferences open as a window of ours that takes the focus.
    const auto showPreferences = [this] {
        preferencesWindow.emplace();
        preferencesWindow->setGeometry(100, 500, 200, 100);
        preferencesWindow->show();
        preferencesWindow->activateWindow();
    };
    controller = std::make_unique<StatusBarController>(
        *services->preferences, *services->eventStore, services->holidays, services->lunar,
        showPreferences, *item, nullptr, [this] { return now; });
    QTRY_COMPARE(watcher->registeredItems().size(), 1);
}

void TestStatusBarController::cleanup()
{
    controller.reset();
    preferencesWindow.reset();
    item.reset();
    watcher.reset();
    services.reset();
}

QVariant TestStatusBarController::itemProperty(const QString &name) const
{
    return readProperty(watcher->connection(), itemService(), u"/StatusNotifierItem"_s,
                        u"org.kde.StatusNotifierItem"_s, name);
}

void TestStatusBarController::callItem(const QString &method, int x, int y)
{
    const QDBusMessage reply =
        callAndWait(watcher->connection(), itemService(), u"/StatusNotifierItem"_s,
                    u"org.kde.StatusNotifierItem"_s, method, {x, y});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
}

void TestStatusBarController::clickMenuEntry(int id)
{
    const QDBusMessage reply = callAndWait(
        watcher->connection(), itemService(), u"/MenuBar"_s, u"com.canonical.dbusmenu"_s,
        u"Event"_s, {id, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
}

void TestStatusBarController::itemShowsTheMenuBarText()
{
    QCOMPARE(itemProperty(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03"_s);
    QCOMPARE(itemProperty(u"Title"_s).toString(), u"12月5日 周六 14:03"_s);

    services->preferences->setShowSeconds(true);
    QTRY_COMPARE(itemProperty(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03:09"_s);

    // Hosts that draw icons only show the same text on a hover.
    QTRY_COMPARE(qdbus_cast<StatusNotifierToolTip>(itemProperty(u"ToolTip"_s)).title,
                 u"12月5日 周六 14:03:09"_s);
    QCOMPARE(qdbus_cast<StatusNotifierToolTip>(itemProperty(u"ToolTip"_s)).description,
             DateHelpers::longDescription(now) + u'\n'
                 + LunarCalendarService::lunarYearMonthDayText(now));
}

void TestStatusBarController::activatePlacesAndToggles_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("pointer");

    // A click point on a bar that reserves nothing: the panel keeps clear of the bar.
    QTest::newRow("on the bar") << QPoint(1267, 12) << QPoint(720, 450);
    // waybar sends the point within its icon; the pointer tells where the click was.
    QTest::newRow("icon-local coordinates") << QPoint(10, 15) << QPoint(1267, 12);
}

void TestStatusBarController::activatePlacesAndToggles()
{
    QFETCH(QPoint, point);
    QFETCH(QPoint, pointer);
    MenuBarCalendarPanel *panel = controller->panel();
    QCursor::setPos(pointer);

    callItem(u"Activate"_s, point.x(), point.y());
    QTRY_VERIFY(panel->isVisible());
    QCOMPARE(panel->pos(), QPoint(1102, 30));

    callItem(u"Activate"_s, point.x(), point.y());
    QTRY_VERIFY(!panel->isVisible());
}

void TestStatusBarController::contextMenuHasTheEntries()
{
    services->preferences->setHotKey(HotKeyShortcut{40, HotKeyShortcut::commandModifier, u"❖K"_s});
    callItem(u"ContextMenu"_s, 700, 12);
    QTRY_VERIFY(controller->statusMenu() && controller->statusMenu()->isVisible());
    QStringList texts;
    for (const QAction *action : controller->statusMenu()->actions())
        texts << (action->isSeparator() ? u"-"_s : action->text());
    QCOMPARE(texts, QStringList({u"显示日历面板\t❖K"_s, u"-"_s, u"偏好设置…"_s, u"-"_s,
                                 u"退出栖格日历"_s}));
    QCOMPARE(controller->statusMenu()->actions().last()->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!controller->panel()->isVisible());
    controller->statusMenu()->hide();
}

void TestStatusBarController::panelFromTheMenuAndTheMiddleClick_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("the host's menu") << u"menu"_s;
    QTest::newRow("our own menu") << u"own menu"_s;
    QTest::newRow("a middle click") << u"middle click"_s;
}

void TestStatusBarController::panelFromTheMenuAndTheMiddleClick()
{
    QFETCH(QString, way);
    const auto choose = [&] {
        if (way == "menu"_L1) {
            clickMenuEntry(4);
        } else if (way == "own menu"_L1) {
            callItem(u"ContextMenu"_s, 1267, 12);
            QTRY_VERIFY(controller->statusMenu() && controller->statusMenu()->isVisible());
            controller->statusMenu()->actions().constFirst()->trigger();
            controller->statusMenu()->hide();
        } else {
            callItem(u"SecondaryActivate"_s, 1267, 12);
        }
    };
    choose();
    QTRY_VERIFY(controller->panel()->isVisible());
    // Where a click on the item would have put it, or the corner the bars are in.
    QCOMPARE(controller->panel()->pos().x(), 1102);
    choose();
    QTRY_VERIFY(!controller->panel()->isVisible());
}

void TestStatusBarController::preferencesFromTheMenuKeepThePanel()
{
    callItem(u"Activate"_s, 1267, 12);
    QTRY_VERIFY(controller->panel()->isVisible());
    clickMenuEntry(1);
    QTRY_VERIFY(preferencesWindow && QTest::qWaitForWindowActive(&*preferencesWindow));
    QVERIFY(controller->panel()->isVisible());
}

void TestStatusBarController::rightClickWithTheMenuOffToggles()
{
    services->preferences->setShowPreferencesAndQuitMenu(false);
    callItem(u"ContextMenu"_s, 700, 12);
    QTRY_VERIFY(controller->panel()->isVisible());
    QVERIFY(!controller->statusMenu());
    callItem(u"ContextMenu"_s, 700, 12);
    QTRY_VERIFY(!controller->panel()->isVisible());
}

void TestStatusBarController::pressOutsideCloses()
{
    controller->showPopover();
    QTRY_VERIFY(controller->panel()->isVisible());

    // A press inside the panel leaves it open.
    QTest::mouseClick(controller->content(), Qt::LeftButton, {}, QPoint(160, 5));
    QVERIFY(controller->panel()->isVisible());

    QWidget other;
    other.setGeometry(100, 500, 200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(10, 10));
    QTRY_VERIFY(!controller->panel()->isVisible());
}

void TestStatusBarController::pressOnTheItemDoesNotClose()
{
    // A host that tells the item's place; the pointer rests 3 points beside it.
    controller.reset();
    PlacedStatusItem placed;
    StatusBarController placedController(
        *services->preferences, *services->eventStore, services->holidays, services->lunar, [] {},
        placed);
    QCursor::setPos(1252, 10);
    placedController.showPopover();
    QTRY_VERIFY(placedController.panel()->isVisible());
    QCOMPARE(placedController.panel()->pos().x(), 1102);

    QWidget other;
    other.setGeometry(100, 500, 200, 100);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QTest::mousePress(&other, Qt::LeftButton, {}, QPoint(10, 10));
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(placedController.panel(), &deactivate);
    QVERIFY(placedController.panel()->isVisible());

    // The item's own click then decides.
    Q_EMIT placed.activated(QPoint(1267, 14));
    QVERIFY(!placedController.panel()->isVisible());
}

void TestStatusBarController::dayChangeRefreshesIconAndToolTip()
{
    // A text without any date part stays the same across midnight.
    now = QDateTime({2026, 12, 5}, {15, 59, 59, 700}, Qt::UTC);
    services->preferences->setMenuBarStyle(MenuBarDisplayStyle::dateOnly);
    services->preferences->setShowDate(false);
    services->preferences->setShowWeekday(false);
    QCOMPARE(item->title(), QString());
    QCOMPARE(item->dayNumber(), 5);

    now = now.addSecs(1);
    QTRY_COMPARE(item->dayNumber(), 6);
    QCOMPARE(item->toolTipSubtitle(), DateHelpers::longDescription(now) + u'\n'
                                          + LunarCalendarService::lunarYearMonthDayText(now));
    QCOMPARE(item->title(), QString());
}

void TestStatusBarController::contentHeightResizesThePanel()
{
    controller->showPopover();
    QTRY_VERIFY(controller->panel()->isVisible());
    const int height = controller->panel()->height();
    QCOMPARE(height, qMax(420, qCeil(controller->content()->contentHeight())));
    QCOMPARE(controller->panelLayout().panelSize(), controller->panel()->size());
}

QTEST_MAIN(TestStatusBarController)
#include "tst_statusbarcontroller.moc"
