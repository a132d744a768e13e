#include "DBusTestSupport.h"
#include "TestWatcher.h"
#include "menubar/StatusItemIcon.h"
#include "menubar/StatusMenuExporter.h"
#include "menubar/StatusNotifierItem.h"
#include "menubar/StatusNotifierTypes.h"
#include "statusnotifieriteminterface.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString itemPath = u"/StatusNotifierItem"_s;
const QString menuPath = u"/MenuBar"_s;
const QString title = u"12月5日 周六 14:03"_s;

// What a tray host sees of the item, over the watcher's connection.
struct HostView
{
    explicit HostView(const QDBusConnection &connection)
        : connection(connection)
        , item(service, itemPath, connection)
    {
    }

    [[nodiscard]] QDBusMessage callMenu(const QString &method, const QVariantList &arguments) const
    {
        return callAndWait(connection, service, menuPath, u"com.canonical.dbusmenu"_s, method,
                           arguments);
    }
    [[nodiscard]] QVariant property(const QString &name) const
    {
        return readProperty(connection, service, itemPath, u"org.kde.StatusNotifierItem"_s, name);
    }
    [[nodiscard]] QList<DBusMenuLayoutItem> entries() const
    {
        const QDBusMessage reply = callMenu(u"GetLayout"_s, {0, -1, QStringList()});
        return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().value(1)).children;
    }
    [[nodiscard]] QString menu() const
    {
        return property(u"Menu"_s).value<QDBusObjectPath>().path();
    }

    QDBusConnection connection;
    QString service = QDBusConnection::sessionBus().baseService();
    StatusNotifierItemInterface item;
};

// The item, registered with a watcher, and a host view on it.
struct Fixture
{
    [[nodiscard]] bool registered() const
    {
        return started
               && QTest::qWaitFor(
                   [&] {
                       return item.registration() == StatusNotifierItem::Registration::Registered;
                   },
                   10000);
    }

    TestWatcher watcher;
    bool started = watcher.start(); // before the item, which then registers at once
    StatusNotifierItem item{QDBusConnection::sessionBus()};
    HostView host{watcher.connection()};
};

QList<QStringList> shortcut(const DBusMenuLayoutItem &entry)
{
    return qdbus_cast<QList<QStringList>>(entry.properties.value(u"shortcut"_s));
}

} // namespace

class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerStatusNotifierTypes(); }

    void exposesStateAndTellsOnlyOfChanges()
    {
        Fixture fixture;
        QVERIFY(fixture.registered());
        HostView &host = fixture.host;
        // The unique name, so that the watcher finds the item at the protocol's path.
        QCOMPARE(fixture.watcher.registeredItems(), QStringList{host.service});
        QSignalSpy labels(&host.item, &StatusNotifierItemInterface::XAyatanaNewLabel);
        QSignalSpy titles(&host.item, &StatusNotifierItemInterface::NewTitle);
        QSignalSpy icons(&host.item, &StatusNotifierItemInterface::NewIcon);
        QSignalSpy toolTips(&host.item, &StatusNotifierItemInterface::NewToolTip);
        // The match rules are in place once a call has gone round.
        QVERIFY(host.property(u"XAyatanaLabel"_s).isValid());
        for (int i = 0; i < 2; ++i) {
            fixture.item.setTitle(title);
            fixture.item.setDayNumber(5);
            fixture.item.setToolTip(u"a"_s, u"b"_s);
        }
        // Signals from one sender arrive in order: once this one is in, every earlier one is.
        fixture.item.setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
        QTRY_COMPARE_WITH_TIMEOUT(toolTips.size(), 2, 10000);
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.at(0), (QVariantList{title, u"00月0日 周六 00:00"_s}));
        QCOMPARE(titles.size(), 1);
        QCOMPARE(icons.size(), 1);

        QCOMPARE(host.property(u"XAyatanaLabel"_s).toString(), title);
        QCOMPARE(host.property(u"ItemIsMenu"_s).metaType(), QMetaType::fromType<bool>());
        QCOMPARE(host.menu(), menuPath);
        const QVariant toolTipValue = host.property(u"ToolTip"_s);
        QCOMPARE(toolTipValue.value<QDBusArgument>().currentSignature(), u"(sa(iiay)ss)"_s);
        const auto toolTip = qdbus_cast<StatusNotifierToolTip>(toolTipValue);
        QCOMPARE(toolTip.title + toolTip.description, u"2026年12月5日 星期六丙午年 十月廿七"_s);
        const auto pixmaps = qdbus_cast<StatusNotifierIconPixmaps>(host.property(u"IconPixmap"_s));
        QCOMPARE(pixmaps.size(), qsizetype(StatusItemIcon::sizes.size()));
        QCOMPARE(pixmaps.last().toImage(), StatusItemIcon::render(5, StatusItemIcon::sizes.back())
                                               .convertToFormat(QImage::Format_ARGB32));
    }

    void menuOverTheBus()
    {
        Fixture fixture;
        QVERIFY(fixture.registered());
        const HostView &host = fixture.host;
        const QList<DBusMenuLayoutItem> entries = host.entries();
        QStringList labels;
        for (const DBusMenuLayoutItem &entry : entries)
            labels.append(entry.properties.value(u"label"_s, u"-"_s).toString());
        QCOMPARE(labels, (QStringList{u"显示日历面板"_s, u"-"_s, u"偏好设置…"_s, u"-"_s,
                                      u"退出栖格日历"_s}));
        QCOMPARE(shortcut(entries.at(4)), (QList<QStringList>{{u"Control"_s, u"q"_s}}));
        // Hosts parse key names as X keysym names, defined in keysymdef.h and XF86keysym.h.
        QSet<QString> valid{u"Control"_s, u"Alt"_s, u"Shift"_s, u"Super"_s};
        const QRegularExpression define(u"^#define (XK_|XF86XK_)(\\w+)\\s"_s,
                                        QRegularExpression::MultilineOption);
        for (const QString &header : {u"keysymdef.h"_s, u"XF86keysym.h"_s}) {
            QFile definitions(u"/usr/include/X11/"_s + header);
            QVERIFY(definitions.open(QIODevice::ReadOnly));
            for (const QRegularExpressionMatch &match :
                 define.globalMatch(QString::fromLatin1(definitions.readAll())))
                valid.insert((match.captured(1) == u"XF86XK_"_s ? u"XF86"_s : QString())
                             + match.captured(2));
        }
        const quint32 allModifiers = Shortcut::controlModifier | Shortcut::optionModifier
                                     | Shortcut::shiftModifier | Shortcut::commandModifier;
        int withHint = 0;
        for (quint32 keyCode = 0; keyCode < 128; ++keyCode) {
            fixture.item.setPanelShortcut(Shortcut{keyCode, allModifiers, u"?"_s});
            const QList<QStringList> keys =
                shortcut(fixture.item.findChild<StatusMenuExporter *>()->layout().children.at(0));
            withHint += !keys.isEmpty();
            for (const QString &key : keys.value(0))
                QVERIFY2(valid.contains(key), qPrintable(key));
        }
        QVERIFY(withHint > 90);
        fixture.item.setPanelShortcut(
            Shortcut{43, Shortcut::commandModifier | Shortcut::shiftModifier, {}});
        QCOMPARE(shortcut(host.entries().at(0)),
                 (QList<QStringList>{{u"Shift"_s, u"Super"_s, u"comma"_s}}));
        fixture.item.setPanelShortcut(std::nullopt);
        QVERIFY(shortcut(host.entries().at(0)).isEmpty());

        // Only a click on an entry chooses it, handed on after the call has been answered.
        QSignalSpy panelChosen(&fixture.item, &StatusItem::panelChosen);
        QSignalSpy quitChosen(&fixture.item, &StatusItem::quitChosen);
        const DBusMenuEventList events{{4, u"clicked"_s, QDBusVariant(0), 0},
                                       {3, u"hovered"_s, QDBusVariant(0), 0},
                                       {2, u"clicked"_s, QDBusVariant(0), 0},
                                       {99, u"clicked"_s, QDBusVariant(0), 0}};
        const QDBusMessage reply = host.callMenu(u"EventGroup"_s, {QVariant::fromValue(events)});
        QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().value(0)), QList<int>{99});
        QCOMPARE(
            host.callMenu(u"Event"_s, {3, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u})
                .type(),
            QDBusMessage::ReplyMessage);
        QTRY_COMPARE(quitChosen.size(), 1);
        QCOMPARE(panelChosen.size(), 1);
    }

    void turningTheMenuOffIsAnnounced()
    {
        Fixture fixture;
        QVERIFY(fixture.registered());
        const HostView &host = fixture.host;
        QSignalSpy layoutUpdated(fixture.item.findChild<StatusMenuExporter *>(),
                                 &StatusMenuExporter::LayoutUpdated);
        QSignalSpy panelChosen(&fixture.item, &StatusItem::panelChosen);
        // A host that read the path before is told that the menu is empty now; opening it asks
        // for the panel instead.
        for (const bool enabled : {false, true}) {
            fixture.item.setMenuEnabled(enabled);
            QCOMPARE(host.menu(), enabled ? menuPath : u"/NO_DBUSMENU"_s);
            QCOMPARE(layoutUpdated.size(), enabled ? 2 : 1);
            QCOMPARE(host.entries().size(), enabled ? 5 : 0);
            QCOMPARE(host.callMenu(u"AboutToShow"_s, {0}).type(), QDBusMessage::ReplyMessage);
            QTRY_COMPARE(panelChosen.size(), 1);
        }
        QCoreApplication::processEvents();
        QCOMPARE(panelChosen.size(), 1);
    }

    void changesAroundTheFirstRegistration_data()
    {
        QTest::addColumn<bool>("held");
        QTest::newRow("set before the item registers: read, not signalled") << false;
        QTest::newRow("set while the watcher has not answered: signalled after") << true;
    }

    void changesAroundTheFirstRegistration()
    {
        QFETCH(bool, held);
        TestWatcher watcher(held ? TestWatcher::Answer::Hold : TestWatcher::Answer::Accept);
        QVERIFY(watcher.start());
        StatusNotifierItem item(QDBusConnection::sessionBus());
        if (!held)
            item.setTitle(title);
        HostView host(watcher.connection());
        QSignalSpy labels(&host.item, &StatusNotifierItemInterface::XAyatanaNewLabel);
        QSignalSpy icons(&host.item, &StatusNotifierItemInterface::NewIcon);
        QTRY_COMPARE(watcher.registeredItems().size(), 1);
        if (held) {
            // A host told of the item may have read it by now; the answer is still on its way.
            item.setTitle(u"12月5日 周六 14:02"_s);
            item.setTitle(title);
            QCOMPARE(item.registration(), StatusNotifierItem::Registration::Pending);
            watcher.releaseAnswers();
            QTRY_COMPARE(labels.size(), 1);
            QCOMPARE(labels.at(0).at(0).toString(), title);
        }
        QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
        QCOMPARE(host.property(u"XAyatanaLabel"_s).toString(), title);
        QCOMPARE(labels.size(), held ? 1 : 0);
        QCOMPARE(icons.size(), 0);
    }

    void registersAgainWhenTheWatcherChanges_data()
    {
        QTest::addColumn<bool>("gap");
        QTest::newRow("the panel restarts") << true;
        QTest::newRow("another watcher takes the name over") << false;
    }

    void registersAgainWhenTheWatcherChanges()
    {
        QFETCH(bool, gap);
        // Started before any watcher, the item waits for one; a second one on its path is refused.
        StatusNotifierItem item(QDBusConnection::sessionBus());
        QCOMPARE(StatusNotifierItem(QDBusConnection::sessionBus()).registration(),
                 StatusNotifierItem::Registration::Refused);
        QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::NoWatcher);
        TestWatcher first;
        QVERIFY(first.start(QDBusConnectionInterface::AllowReplacement));
        QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
        if (gap) {
            first.stop();
            QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::NoWatcher);
        }
        TestWatcher second;
        QVERIFY(second.start(QDBusConnectionInterface::DontAllowReplacement,
                             QDBusConnectionInterface::ReplaceExistingService));
        QTRY_COMPARE(second.registeredItems(),
                     QStringList{QDBusConnection::sessionBus().baseService()});
        QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    }
};

QTEST_MAIN(TestStatusNotifierItem)
#include "tst_statusnotifieritem.moc"
