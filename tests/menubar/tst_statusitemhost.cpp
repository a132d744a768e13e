#include "DBusTestSupport.h"
#include "FakeNotifications.h"
#include "TestWatcher.h"
#include "menubar/NoTrayNotice.h"
#include "menubar/StatusItemHost.h"
#include "menubar/StatusItemIcon.h"
#include "menubar/StatusNotifierItem.h"
#include "menubar/SystemTrayStatusItem.h"

#include <QPointer>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Counts the fallbacks the host makes and keeps an eye on the latest.
struct FallbackLog
{
    StatusItemHost::FallbackFactory factory()
    {
        return [this] {
            auto item = std::make_unique<StatusItem>();
            ++made;
            latest = item.get();
            return item;
        };
    }

    int made = 0;
    QPointer<StatusItem> latest;
};

QString busTitle(const TestWatcher &watcher)
{
    return readProperty(watcher.connection(), QDBusConnection::sessionBus().baseService(),
                        u"/StatusNotifierItem"_s, u"org.kde.StatusNotifierItem"_s,
                        u"XAyatanaLabel"_s)
        .toString();
}

} // namespace

class TestStatusItemHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void watcherPresentMeansNoFallback();
    void noWatcherFallsBackWithTheSameState();
    void fallbackSignalsReachTheController_data();
    void fallbackSignalsReachTheController();
    void unseenIsToldOnceAndRegistersWhenAWatcherAppears_data();
    void unseenIsToldOnceAndRegistersWhenAWatcherAppears();
    void fallsBackWhenTheWatcherLeaves();
    void fallsBackWhenRefused();
    void trayIconShowsIconAndToolTip();
    void trayClicksBecomeItemSignals_data();
    void trayClicksBecomeItemSignals();
};

void TestStatusItemHost::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "runs on a private session bus");
}

void TestStatusItemHost::watcherPresentMeansNoFallback()
{
    TestWatcher watcher;
    QVERIFY(watcher.start());
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    QCOMPARE(host.backend(), StatusItemHost::Backend::StatusNotifier);

    QTRY_COMPARE(watcher.registeredItems().size(), 1);
    QTRY_COMPARE(host.statusNotifierItem()->registration(),
                 StatusNotifierItem::Registration::Registered);
    // Not even for the moment the registration was on its way.
    QCOMPARE(log.made, 0);
    host.setTitle(u"12月5日 周六 14:03"_s);
    QCOMPARE(busTitle(watcher), u"12月5日 周六 14:03"_s);
}

void TestStatusItemHost::noWatcherFallsBackWithTheSameState()
{
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    host.setTitle(u"12月5日 周六 14:03"_s);
    host.setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
    host.setDayNumber(5);
    host.setMenuEnabled(false);

    QTRY_COMPARE(host.backend(), StatusItemHost::Backend::Fallback);
    QCOMPARE(log.made, 1);
    QVERIFY(log.latest);
    QCOMPARE(host.fallback(), log.latest.data());
    QCOMPARE(log.latest->title(), u"12月5日 周六 14:03"_s);
    QCOMPARE(log.latest->toolTipTitle(), u"2026年12月5日 星期六"_s);
    QCOMPARE(log.latest->toolTipSubtitle(), u"丙午年 十月廿七"_s);
    QCOMPARE(log.latest->dayNumber(), 5);
    QCOMPARE(log.latest->isMenuEnabled(), false);

    host.setDayNumber(6);
    QCOMPARE(log.latest->dayNumber(), 6);
}

void TestStatusItemHost::fallbackSignalsReachTheController_data()
{
    QTest::addColumn<QString>("signal");
    QTest::newRow("left click") << u"activated"_s;
    QTest::newRow("right click") << u"contextMenuRequested"_s;
}

void TestStatusItemHost::fallbackSignalsReachTheController()
{
    QFETCH(QString, signal);
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    QTRY_VERIFY(log.latest);
    QSignalSpy activated(&host, &StatusItem::activated);
    QSignalSpy contextMenu(&host, &StatusItem::contextMenuRequested);

    const QPoint where(1267, 12);
    if (signal == "activated"_L1)
        Q_EMIT log.latest->activated(where);
    else
        Q_EMIT log.latest->contextMenuRequested(where);

    QSignalSpy &expected = signal == "activated"_L1 ? activated : contextMenu;
    QCOMPARE(expected.size(), 1);
    QCOMPARE(expected.at(0).at(0).toPoint(), where);
    QCOMPARE(activated.size() + contextMenu.size(), 1);
}

void TestStatusItemHost::unseenIsToldOnceAndRegistersWhenAWatcherAppears_data()
{
    QTest::addColumn<bool>("notificationService");
    QTest::newRow("a notification") << true;
    QTest::newRow("no notification service: a log line") << false;
}

void TestStatusItemHost::unseenIsToldOnceAndRegistersWhenAWatcherAppears()
{
    QFETCH(bool, notificationService);
    FakeNotifications notifications;
    if (notificationService)
        QVERIFY(notifications.start());
    else
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^no tray shows the item: "_s));
    // The fallback here is shown nowhere, as on a desktop without any tray.
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    NoTrayNotice notice(host, QDBusConnection::sessionBus(), std::chrono::milliseconds(50));
    QSignalSpy unseen(&notice, &NoTrayNotice::unseen);
    QSignalSpy backendChanged(&host, &StatusItemHost::backendChanged);
    QTRY_COMPARE(unseen.size(), 1);
    QCOMPARE(host.backend(), StatusItemHost::Backend::Fallback);
    if (notificationService) {
        QTRY_COMPARE(notifications.notifications().size(), 1);
        const QVariantList notify = notifications.notifications().constFirst();
        QCOMPARE(notify.at(0).toString(), u"栖格日历"_s);
        QCOMPARE(notify.at(2).toString(), u"tessel-calendar"_s);
        QCOMPARE(notify.at(4).toString(), NoTrayNotice::body());
    } else {
        // The bus answers in order: once a later call is back, the refused Notify is handled.
        callAndWait(QDBusConnection::sessionBus(), u"org.freedesktop.DBus"_s,
                    u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus.Peer"_s, u"Ping"_s);
        QCoreApplication::processEvents();
    }
    host.setTitle(u"12月5日 周六 14:03"_s);

    TestWatcher watcher;
    QVERIFY(watcher.start());
    QTRY_COMPARE(watcher.registeredItems().size(), 1);
    QCOMPARE(host.backend(), StatusItemHost::Backend::StatusNotifier);
    QVERIFY(!log.latest);
    QVERIFY(!host.fallback());
    // What was set while the fallback stood in is what the new host reads.
    QCOMPARE(busTitle(watcher), u"12月5日 周六 14:03"_s);
    QCOMPARE(backendChanged.size(), 2);
    QCOMPARE(unseen.size(), 1);
    QVERIFY(notifications.notifications().size() <= 1);
}

void TestStatusItemHost::fallsBackWhenTheWatcherLeaves()
{
    TestWatcher watcher;
    QVERIFY(watcher.start());
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    QTRY_COMPARE(watcher.registeredItems().size(), 1);
    host.setDayNumber(17);

    watcher.stop();
    QTRY_COMPARE(host.backend(), StatusItemHost::Backend::Fallback);
    QCOMPARE(log.made, 1);
    QCOMPARE(log.latest->dayNumber(), 17);
}

void TestStatusItemHost::fallsBackWhenRefused()
{
    TestWatcher watcher(TestWatcher::Answer::Refuse);
    QVERIFY(watcher.start());
    FallbackLog log;
    StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
    QTRY_COMPARE(host.backend(), StatusItemHost::Backend::Fallback);
    QCOMPARE(log.made, 1);
}

void TestStatusItemHost::trayIconShowsIconAndToolTip()
{
    SystemTrayStatusItem item;
    item.setDayNumber(5);
    item.setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);

    QCOMPARE(item.trayIcon()->toolTip(), u"2026年12月5日 星期六\n丙午年 十月廿七"_s);
    const QList<QSize> sizes = item.trayIcon()->icon().availableSizes();
    for (const int size : StatusItemIcon::sizes)
        QVERIFY(sizes.contains(QSize(size, size)));
    const QImage shown = item.trayIcon()->icon().pixmap(QSize(16, 16)).toImage();
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             StatusItemIcon::render(5, 16));

    item.setToolTip(u"2026年12月5日 星期六"_s, QString());
    QCOMPARE(item.trayIcon()->toolTip(), u"2026年12月5日 星期六"_s);
}

void TestStatusItemHost::trayClicksBecomeItemSignals_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("activations");
    QTest::addColumn<int>("menus");

    QTest::newRow("left click") << QSystemTrayIcon::Trigger << 1 << 0;
    QTest::newRow("right click") << QSystemTrayIcon::Context << 0 << 1;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << 0 << 0;
}

void TestStatusItemHost::trayClicksBecomeItemSignals()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, activations);
    QFETCH(int, menus);
    SystemTrayStatusItem item;
    QSignalSpy activated(&item, &StatusItem::activated);
    QSignalSpy contextMenu(&item, &StatusItem::contextMenuRequested);

    Q_EMIT item.trayIcon()->activated(reason);

    QCOMPARE(activated.size(), activations);
    QCOMPARE(contextMenu.size(), menus);
}

QTEST_MAIN(TestStatusItemHost)
#include "tst_statusitemhost.moc"
