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
#include "preferences/PreferencesStore.h"
#include "preferences/SettingsStore.h"

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
    void contextMenuHasTheTwoItems();
    void rightClickWithTheMenuOffToggles();
    void pressOutsideCloses();
    void pressOnTheItemDoesNotClose();
    void contentHeightResizesThePanel();

private:
    [[nodiscard]] QString itemService() const { return watcher->registeredItems().value(0); }
    QVariant itemProperty(const QString &name) const;
    void callItem(const QString &method, int x, int y);

    std::optional<TimeZoneScope> zone;
    std::optional<Services> services;
    std::optional<TestWatcher> watcher;
    std::unique_ptr<StatusItemHost> item;
    std::unique_ptr<StatusBarController> controller;
    std::optional<QString> openedPreferences;
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
    const QDateTime instant({2026, 12, 5}, {6, 3, 9}, Qt::UTC);
    controller = std::make_unique<StatusBarController>(
        *services->preferences, *services->eventStore, services->holidays, services->lunar, [] {},
        *item, nullptr, [instant] { return instant; });
    QTRY_COMPARE(watcher->registeredItems().size(), 1);
}

void TestStatusBarController::cleanup()
{
    controller.reset();
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

void TestStatusBarController::itemShowsTheMenuBarText()
{
    QCOMPARE(itemProperty(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03"_s);
    QCOMPARE(itemProperty(u"Title"_s).toString(), u"12月5日 周六 14:03"_s);

    services->preferences->setShowSeconds(true);
    QTRY_COMPARE(itemProperty(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03:09"_s);
}

void TestStatusBarController::activatePlacesAndToggles_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("expectedX");

    QTest::newRow("near the right edge") << 1267 << 1102;
    QTest::newRow("in the middle") << 700 << 535;
    QTest::newRow("near the left edge") << 100 << 8;
}

void TestStatusBarController::activatePlacesAndToggles()
{
    QFETCH(int, x);
    QFETCH(int, expectedX);
    MenuBarCalendarPanel *panel = controller->panel();

    callItem(u"Activate"_s, x, 12);
    QTRY_VERIFY(panel->isVisible());
    QCOMPARE(panel->pos(), QPoint(expectedX, 12 + 6));
    QCOMPARE(panel->width(), 330);

    callItem(u"Activate"_s, x, 12);
    QTRY_VERIFY(!panel->isVisible());
}

void TestStatusBarController::contextMenuHasTheTwoItems()
{
    callItem(u"ContextMenu"_s, 700, 12);
    QTRY_VERIFY(controller->statusMenu() && controller->statusMenu()->isVisible());
    QStringList texts;
    for (const QAction *action : controller->statusMenu()->actions())
        texts << (action->isSeparator() ? u"-"_s : action->text());
    QCOMPARE(texts, QStringList({u"偏好设置…"_s, u"-"_s, u"退出栖格日历"_s}));
    QCOMPARE(controller->statusMenu()->actions().first()->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QCOMPARE(controller->statusMenu()->actions().last()->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(!controller->panel()->isVisible());
    controller->statusMenu()->hide();
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
