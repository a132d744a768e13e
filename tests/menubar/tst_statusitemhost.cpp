#include "BusNameOwner.h"
#include "DBusTestSupport.h"
#include "FakeNotifications.h"
#include "TestWatcher.h"
#include "menubar/NoTrayNotice.h"
#include "menubar/ShellTopBarItem.h"
#include "menubar/StatusItemHost.h"
#include "menubar/StatusNotifierItem.h"
#include "menubar/SystemTrayStatusItem.h"

#include <QPointer>
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

// The title a tray host reads of the item.
QString busTitle(const TestWatcher &watcher)
{
    return readProperty(watcher.connection(), QDBusConnection::sessionBus().baseService(),
                        u"/StatusNotifierItem"_s, u"org.kde.StatusNotifierItem"_s,
                        u"XAyatanaLabel"_s)
        .toString();
}

} // namespace

// Records the PropertiesChanged signals of the top-bar interface.
class PropertyLog : public QObject
{
    Q_OBJECT

public:
    QVariantMap changed;

public Q_SLOTS:
    void onChanged(const QString &, const QVariantMap &properties, const QStringList &)
    {
        changed.insert(properties);
    }
};

// GNOME Shell's extension list, knowing our extension as installed but off.
class FakeShellExtensions : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Shell.Extensions")

public:
    QStringList enabled;

public Q_SLOTS:
    Q_SCRIPTABLE QVariantMap GetExtensionInfo(const QString &uuid)
    {
        return uuid == QLatin1StringView(ShellTopBarItem::extensionUuid)
                   ? QVariantMap{{u"state"_s, 6.0}}
                   : QVariantMap();
    }
    Q_SCRIPTABLE bool EnableExtension(const QString &uuid)
    {
        enabled.append(uuid);
        return true;
    }
};

class TestStatusItemHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unseenIsToldOnceAndRegistersWhenAWatcherAppears()
    {
        FakeNotifications notifications;
        QVERIFY(notifications.start());
        // The fallback here is shown nowhere, as on a desktop without any tray.
        FallbackLog log;
        StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
        NoTrayNotice notice(host, QDBusConnection::sessionBus(), std::chrono::milliseconds(50));
        QSignalSpy unseen(&notice, &NoTrayNotice::unseen);
        QSignalSpy backendChanged(&host, &StatusItemHost::backendChanged);
        QTRY_COMPARE(unseen.size(), 1);
        QTRY_COMPARE(notifications.notifications().size(), 1);
        const QVariantList notify = notifications.notifications().constFirst();
        QCOMPARE(notify.at(0).toString(), u"栖格日历"_s);
        QCOMPARE(notify.at(2).toString(), u"tessel-calendar"_s);
        QCOMPARE(notify.at(4).toString(), NoTrayNotice::body());
        host.setTitle(u"12月5日 周六 14:03"_s);

        TestWatcher watcher;
        QVERIFY(watcher.start());
        QTRY_COMPARE(watcher.registeredItems().size(), 1);
        QCOMPARE(host.backend(), StatusItemHost::Backend::StatusNotifier);
        QVERIFY(!log.latest);
        // What was set while the fallback stood in is what the new host reads.
        QCOMPARE(busTitle(watcher), u"12月5日 周六 14:03"_s);
        QCOMPARE(backendChanged.size(), 2);
        QCOMPARE(unseen.size(), 1);
        QCOMPARE(notifications.notifications().size(), 1);
    }

    void fallbackTakesTheStateAndPassesClicks_data()
    {
        QTest::addColumn<int>("watcher"); // -1 none, 0 refuses, 1 leaves
        QTest::newRow("no watcher") << -1;
        QTest::newRow("the watcher refuses the item") << 0;
        QTest::newRow("the watcher leaves") << 1;
    }

    void fallbackTakesTheStateAndPassesClicks()
    {
        QFETCH(int, watcher);
        TestWatcher tray(watcher == 0 ? TestWatcher::Answer::Refuse : TestWatcher::Answer::Accept);
        QVERIFY(watcher < 0 || tray.start());
        FallbackLog log;
        StatusItemHost host(QDBusConnection::sessionBus(), log.factory());
        host.setTitle(u"12月5日 周六 14:03"_s);
        host.setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
        host.setMenuEnabled(false);
        if (watcher > 0) {
            QTRY_COMPARE(host.statusNotifierItem()->registration(),
                         StatusNotifierItem::Registration::Registered);
            // Not even for the moment the registration was on its way.
            QCOMPARE(log.made, 0);
            QCOMPARE(busTitle(tray), u"12月5日 周六 14:03"_s);
            tray.stop();
        }
        QTRY_COMPARE(host.backend(), StatusItemHost::Backend::Fallback);
        QCOMPARE(log.made, 1);
        QCOMPARE(log.latest->title(), u"12月5日 周六 14:03"_s);
        QCOMPARE(log.latest->toolTipSubtitle(), u"丙午年 十月廿七"_s);
        QCOMPARE(log.latest->isMenuEnabled(), false);
        host.setDayNumber(6);
        QCOMPARE(log.latest->dayNumber(), 6);

        QSignalSpy activated(&host, &StatusItem::activated);
        QSignalSpy contextMenu(&host, &StatusItem::contextMenuRequested);
        Q_EMIT log.latest->activated(QPoint(1267, 12));
        Q_EMIT log.latest->contextMenuRequested(QPoint(700, 12));
        QCOMPARE(activated.value(0).value(0).toPoint(), QPoint(1267, 12));
        QCOMPARE(contextMenu.value(0).value(0).toPoint(), QPoint(700, 12));
    }

    void trayIcon()
    {
        SystemTrayStatusItem item;
        item.setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
        QCOMPARE(item.trayIcon()->toolTip(), u"2026年12月5日 星期六\n丙午年 十月廿七"_s);

        // Left and right clicks become the item's; a middle click does nothing.
        QSignalSpy activated(&item, &StatusItem::activated);
        QSignalSpy contextMenu(&item, &StatusItem::contextMenuRequested);
        for (const auto reason :
             {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context, QSystemTrayIcon::MiddleClick})
            Q_EMIT item.trayIcon()->activated(reason);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(contextMenu.size(), 1);
    }

    // What the extension's button reads and is told; the take-over itself is seen in a real
    // GNOME Shell (tests/gnome-shell).
    void extensionButtonIsToldOfChanges()
    {
        FallbackLog log;
        StatusItemHost host(QDBusConnection::sessionBus(), log.factory(),
                            StatusItemHost::ItemBus::Own);
        host.setTitle(u"12月5日 周六 14:03"_s);
        const QString extensionName = QString::fromLatin1(ShellTopBarItem::extensionService);
        QDBusConnection extension =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"extension"_s);
        QVERIFY(changeBusNameOwner(QDBusConnection::sessionBus(), extensionName,
                                   [&] { return extension.registerService(extensionName); }));
        QCOMPARE(host.backend(), StatusItemHost::Backend::ShellTopBar);

        const QString program = QDBusConnection::sessionBus().baseService();
        const QString path = QString::fromLatin1(ShellTopBarItem::objectPath);
        const QString interface = QString::fromLatin1(ShellTopBarItem::interfaceName);
        QCOMPARE(readProperty(extension, program, path, interface, u"Title"_s).toString(),
                 u"12月5日 周六 14:03"_s);
        PropertyLog properties;
        QVERIFY(extension.connect(program, path, u"org.freedesktop.DBus.Properties"_s,
                                  u"PropertiesChanged"_s, &properties,
                                  SLOT(onChanged(QString, QVariantMap, QStringList))));
        host.setTitle(u"12月5日 周六 14:04"_s);
        host.setPanelVisible(true);
        QTRY_COMPARE(properties.changed.value(u"PanelVisible"_s).toBool(), true);
        QCOMPARE(properties.changed.value(u"Title"_s).toString(), u"12月5日 周六 14:04"_s);
        QSignalSpy activated(&host, &StatusItem::activated);
        callAndWait(extension, program, path, interface, u"TogglePanel"_s, {1100, 0, 120, 32});
        QCOMPARE(activated.value(0).value(0).toPoint(), QRect(1100, 0, 120, 32).center());
        QCOMPARE(host.geometry(), QRect(1100, 0, 120, 32));
        // Gone before the next case, which must not see that late.
        QVERIFY(changeBusNameOwner(QDBusConnection::sessionBus(), extensionName,
                                   [&] { return extension.unregisterService(extensionName); }));
        QDBusConnection::disconnectFromBus(u"extension"_s);
    }

    void noticeOffersTheInstalledExtension()
    {
        FakeNotifications notifications;
        QVERIFY(notifications.start());
        FakeShellExtensions extensions;
        QDBusConnection shell =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"shell"_s);
        QVERIFY(shell.registerObject(u"/org/gnome/Shell"_s, &extensions,
                                     QDBusConnection::ExportScriptableSlots));
        QVERIFY(shell.registerService(u"org.gnome.Shell"_s));
        StatusItem unseen;
        NoTrayNotice notice(unseen, QDBusConnection::sessionBus(), std::chrono::milliseconds(10));
        QTRY_COMPARE(notifications.notifications().size(), 1);
        const QVariantList notify = notifications.notifications().constFirst();
        QCOMPARE(notify.at(4).toString(), NoTrayNotice::extensionBody());
        QCOMPARE(notify.at(5).toStringList().value(0),
                 QLatin1StringView(NoTrayNotice::enableExtensionAction));
        // Another notification's action is not ours.
        notifications.invokeAction(7, QString::fromLatin1(NoTrayNotice::enableExtensionAction));
        notifications.invokeAction(1, QString::fromLatin1(NoTrayNotice::enableExtensionAction));
        QTRY_VERIFY(!extensions.enabled.isEmpty());
        // Calls keep their order: once this one is answered, a wrong call would have come too.
        callAndWait(QDBusConnection::sessionBus(), u"org.gnome.Shell"_s, u"/org/gnome/Shell"_s,
                    u"org.gnome.Shell.Extensions"_s, u"GetExtensionInfo"_s, {QString()});
        QCOMPARE(extensions.enabled,
                 QStringList{QString::fromLatin1(ShellTopBarItem::extensionUuid)});
        QDBusConnection::disconnectFromBus(u"shell"_s);
    }
};

QTEST_MAIN(TestStatusItemHost)
#include "tst_statusitemhost.moc"
