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
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString itemInterface = u"org.kde.StatusNotifierItem"_s;
const QString menuInterface = u"com.canonical.dbusmenu"_s;
const QString itemPath = u"/StatusNotifierItem"_s;
const QString menuPath = u"/MenuBar"_s;

// What a tray host sees of the item: its properties, methods and signals, over the watcher's
// connection.
struct HostView
{
    HostView(const QDBusConnection &connection, const QString &service)
        : connection(connection)
        , service(service)
        , item(service, itemPath, connection)
    {
    }

    [[nodiscard]] QVariant property(const QString &name) const
    {
        return readProperty(connection, service, itemPath, itemInterface, name);
    }

    [[nodiscard]] QVariant menuProperty(const QString &name) const
    {
        return readProperty(connection, service, menuPath, menuInterface, name);
    }

    QDBusMessage call(const QString &method, const QVariantList &arguments = {}) const
    {
        return callAndWait(connection, service, itemPath, itemInterface, method, arguments);
    }

    QDBusMessage callMenu(const QString &method, const QVariantList &arguments = {}) const
    {
        return callAndWait(connection, service, menuPath, menuInterface, method, arguments);
    }

    [[nodiscard]] DBusMenuLayoutItem layout(const QStringList &names = {}) const
    {
        const QDBusMessage reply = callMenu(u"GetLayout"_s, {0, -1, names});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
            return {-1, {}, {}};
        return qdbus_cast<DBusMenuLayoutItem>(reply.arguments().at(1));
    }

    QDBusConnection connection;
    QString service;
    StatusNotifierItemInterface item;
};

// The registered item and a host view on it.
struct Fixture
{
    Fixture()
    {
        if (!watcher.start())
            qFatal("cannot start the test watcher");
        item = std::make_unique<StatusNotifierItem>(QDBusConnection::sessionBus());
        host.emplace(watcher.connection(), QDBusConnection::sessionBus().baseService());
    }

    bool waitForRegistration() const
    {
        return QTest::qWaitFor(
            [&] { return item->registration() == StatusNotifierItem::Registration::Registered; },
            10000);
    }

    TestWatcher watcher;
    std::unique_ptr<StatusNotifierItem> item;
    std::optional<HostView> host;
};

template<typename T> T demarshal(const QVariant &value)
{
    return qdbus_cast<T>(value);
}

QString signatureOf(const QVariant &value)
{
    return value.value<QDBusArgument>().currentSignature();
}

QStringList labels(const DBusMenuLayoutItem &root)
{
    QStringList result;
    for (const DBusMenuLayoutItem &child : root.children) {
        result.append(child.properties.value(u"type"_s).toString() == "separator"_L1
                          ? u"-"_s
                          : child.properties.value(u"label"_s).toString());
    }
    return result;
}

} // namespace

class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void registersWithTheWatcher();
    void exposesTheTextTipAndIcon();
    void tellsTheBusOnlyOfChanges();
    void hostClicksCarryTheirPoint_data();
    void hostClicksCarryTheirPoint();
    void menuLayoutHasTheEntries();
    void menuShortcutsAreAcceleratorNames();
    void menuPropertiesByGroup();
    void menuClicksChooseEntries_data();
    void menuClicksChooseEntries();
    void menuEventGroupReportsUnknownIds();
    void turningTheMenuOffIsAnnounced();
    void changesBeforeTheFirstRegistrationNeedNoSignal();
    void changesWhileTheWatcherAnswersAreSignalledAfter();
    void withoutWatcherWaitsForOne();
    void registersAgainWhenTheWatcherChanges_data();
    void registersAgainWhenTheWatcherChanges();
    void refusedRegistration();
    void secondItemOnTheSamePathIsRefused();
};

void TestStatusNotifierItem::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "runs on a private session bus");
    registerStatusNotifierTypes();
}

void TestStatusNotifierItem::registersWithTheWatcher()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    // The unique name, so that the watcher finds the item at the protocol's path.
    QCOMPARE(fixture.watcher.registeredItems(),
             QStringList{QDBusConnection::sessionBus().baseService()});
    QCOMPARE(fixture.watcher.callers(), QStringList{QDBusConnection::sessionBus().baseService()});
}

void TestStatusNotifierItem::exposesTheTextTipAndIcon()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    fixture.item->setTitle(u"12月5日 周六 14:03"_s);
    fixture.item->setToolTip(u"2026年12月5日 星期六"_s, u"丙午年 十月廿七"_s);
    fixture.item->setDayNumber(5);
    const HostView &host = *fixture.host;

    QCOMPARE(host.property(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03"_s);
    QCOMPARE(host.property(u"XAyatanaLabelGuide"_s).toString(), u"00月0日 周六 00:00"_s);
    QCOMPARE(host.property(u"Title"_s).toString(), u"12月5日 周六 14:03"_s);
    QCOMPARE(host.property(u"ItemIsMenu"_s).metaType(), QMetaType::fromType<bool>());
    QCOMPARE(host.property(u"Menu"_s).value<QDBusObjectPath>().path(), menuPath);

    const QVariant toolTipValue = host.property(u"ToolTip"_s);
    QCOMPARE(signatureOf(toolTipValue), u"(sa(iiay)ss)"_s);
    const auto toolTip = demarshal<StatusNotifierToolTip>(toolTipValue);
    QCOMPARE(toolTip.title, u"2026年12月5日 星期六"_s);
    QCOMPARE(toolTip.description, u"丙午年 十月廿七"_s);

    const QVariant iconValue = host.property(u"IconPixmap"_s);
    QCOMPARE(signatureOf(iconValue), u"a(iiay)"_s);
    const auto pixmaps = demarshal<StatusNotifierIconPixmaps>(iconValue);
    QCOMPARE(pixmaps.size(), qsizetype(StatusItemIcon::sizes.size()));
    for (qsizetype i = 0; i < pixmaps.size(); ++i) {
        const int size = StatusItemIcon::sizes.at(size_t(i));
        QCOMPARE(pixmaps.at(i).width, size);
        QCOMPARE(pixmaps.at(i).height, size);
        QCOMPARE(pixmaps.at(i).toImage(),
                 StatusItemIcon::render(5, size).convertToFormat(QImage::Format_ARGB32));
    }
}

void TestStatusNotifierItem::tellsTheBusOnlyOfChanges()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    StatusNotifierItemInterface &item = fixture.host->item;
    QSignalSpy labels(&item, &StatusNotifierItemInterface::XAyatanaNewLabel);
    QSignalSpy titles(&item, &StatusNotifierItemInterface::NewTitle);
    QSignalSpy icons(&item, &StatusNotifierItemInterface::NewIcon);
    QSignalSpy toolTips(&item, &StatusNotifierItemInterface::NewToolTip);
    // The match rules are in place once a call has gone round.
    QCOMPARE(fixture.host->call(u"Scroll"_s, {0, u"vertical"_s}).type(),
             QDBusMessage::ReplyMessage);

    fixture.item->setTitle(u"12月5日 周六 14:03"_s);
    fixture.item->setTitle(u"12月5日 周六 14:03"_s);
    fixture.item->setTitle(u"12月5日 周六 14:04"_s);
    fixture.item->setDayNumber(5);
    fixture.item->setDayNumber(5);
    fixture.item->setToolTip(u"a"_s, u"b"_s);
    fixture.item->setToolTip(u"a"_s, u"b"_s);
    // Signals from one sender arrive in order: once this one is in, every earlier one is.
    fixture.item->setToolTip(u"a"_s, u"c"_s);
    QTRY_COMPARE_WITH_TIMEOUT(toolTips.size(), 2, 10000);

    QCOMPARE(labels.size(), 2);
    QCOMPARE(labels.at(0), (QVariantList{u"12月5日 周六 14:03"_s, u"00月0日 周六 00:00"_s}));
    QCOMPARE(labels.at(1), (QVariantList{u"12月5日 周六 14:04"_s, u"00月0日 周六 00:00"_s}));
    QCOMPARE(titles.size(), 2);
    QCOMPARE(icons.size(), 1);
}

void TestStatusNotifierItem::hostClicksCarryTheirPoint_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QPoint>("point");

    QTest::newRow("activate on a screen left of the primary") << u"Activate"_s << QPoint(-300, 10);
    QTest::newRow("middle click") << u"SecondaryActivate"_s << QPoint(1267, 12);
    QTest::newRow("context menu under a top panel") << u"ContextMenu"_s << QPoint(1267, 12);
}

void TestStatusNotifierItem::hostClicksCarryTheirPoint()
{
    QFETCH(QString, method);
    QFETCH(QPoint, point);
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    QSignalSpy activated(fixture.item.get(), &StatusItem::activated);
    QSignalSpy contextMenu(fixture.item.get(), &StatusItem::contextMenuRequested);

    QCOMPARE(fixture.host->call(method, {point.x(), point.y()}).type(), QDBusMessage::ReplyMessage);

    QSignalSpy &expected = method != "ContextMenu"_L1 ? activated : contextMenu;
    QSignalSpy &other = method != "ContextMenu"_L1 ? contextMenu : activated;
    QCOMPARE(expected.size(), 1);
    QCOMPARE(expected.at(0).at(0).toPoint(), point);
    QCOMPARE(other.size(), 0);
}

void TestStatusNotifierItem::menuLayoutHasTheEntries()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    const HostView &host = *fixture.host;
    QCOMPARE(host.menuProperty(u"Version"_s).toUInt(), 3u);

    const DBusMenuLayoutItem root = host.layout();
    QCOMPARE(root.id, 0);
    QCOMPARE(root.properties.value(u"children-display"_s).toString(), u"submenu"_s);
    QCOMPARE(labels(root),
             (QStringList{u"显示日历面板"_s, u"-"_s, u"偏好设置…"_s, u"-"_s, u"退出栖格日历"_s}));
    QCOMPARE(qdbus_cast<QList<QStringList>>(root.children.at(4).properties.value(u"shortcut"_s)),
             (QList<QStringList>{{u"Control"_s, u"q"_s}}));

    // Asked for the labels alone, the host gets nothing else.
    const DBusMenuLayoutItem labelsOnly = host.layout({u"label"_s});
    QCOMPARE(labelsOnly.children.size(), 5);
    QCOMPARE(labelsOnly.children.at(0).properties.keys(), QStringList{u"label"_s});
    QVERIFY(labelsOnly.children.at(1).properties.isEmpty());

    // A depth of zero gives the root without children.
    const QDBusMessage shallow = host.callMenu(u"GetLayout"_s, {0, 0, QStringList()});
    QCOMPARE(qdbus_cast<DBusMenuLayoutItem>(shallow.arguments().at(1)).children.size(), 0);

    const QDBusMessage unknown = host.callMenu(u"GetLayout"_s, {42, -1, QStringList()});
    QCOMPARE(unknown.type(), QDBusMessage::ErrorMessage);
}

void TestStatusNotifierItem::menuShortcutsAreAcceleratorNames()
{
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

    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    const quint32 allModifiers = HotKeyShortcut::controlModifier | HotKeyShortcut::optionModifier
                                 | HotKeyShortcut::shiftModifier | HotKeyShortcut::commandModifier;
    int withHint = 0;
    for (quint32 keyCode = 0; keyCode < 128; ++keyCode) {
        fixture.item->setPanelShortcut(HotKeyShortcut{keyCode, allModifiers, u"?"_s});
        for (const DBusMenuLayoutItem &entry :
             fixture.item->findChild<StatusMenuExporter *>()->layout().children) {
            const auto shortcuts =
                qdbus_cast<QList<QStringList>>(entry.properties.value(u"shortcut"_s));
            withHint += entry.id == StatusMenuExporter::ShowPanelId && !shortcuts.isEmpty();
            for (const QStringList &keys : shortcuts) {
                for (const QString &key : keys)
                    QVERIFY2(valid.contains(key), qPrintable(key));
            }
        }
    }
    QVERIFY(withHint > 90);

    // Over the bus, as a host sees the hint.
    fixture.item->setPanelShortcut(
        HotKeyShortcut{43, HotKeyShortcut::commandModifier | HotKeyShortcut::shiftModifier, {}});
    const QVariantMap showPanel = fixture.host->layout().children.at(0).properties;
    QCOMPARE(qdbus_cast<QList<QStringList>>(showPanel.value(u"shortcut"_s)),
             (QList<QStringList>{{u"Shift"_s, u"Super"_s, u"comma"_s}}));
    fixture.item->setPanelShortcut(std::nullopt);
    QVERIFY(!fixture.host->layout().children.at(0).properties.contains(u"shortcut"_s));
}

void TestStatusNotifierItem::menuPropertiesByGroup()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    const QDBusMessage reply =
        fixture.host->callMenu(u"GetGroupProperties"_s, {QVariant::fromValue(QList<int>{3, 1, 99}),
                                                         QStringList{u"label"_s}});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    const auto items = qdbus_cast<DBusMenuItemList>(reply.arguments().at(0));
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0).id, 3);
    QCOMPARE(items.at(0).properties.value(u"label"_s).toString(), u"退出栖格日历"_s);
    QCOMPARE(items.at(1).id, 1);

    const QDBusMessage one = fixture.host->callMenu(u"GetProperty"_s, {1, u"label"_s});
    QCOMPARE(qvariant_cast<QDBusVariant>(one.arguments().at(0)).variant().toString(),
             u"偏好设置…"_s);
}

void TestStatusNotifierItem::menuClicksChooseEntries_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("eventId");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("preferences");
    QTest::addColumn<int>("quit");

    QTest::newRow("show panel clicked") << 4 << u"clicked"_s << 1 << 0 << 0;
    QTest::newRow("quit clicked") << 3 << u"clicked"_s << 0 << 0 << 1;
    QTest::newRow("quit hovered") << 3 << u"hovered"_s << 0 << 0 << 0;
    QTest::newRow("separator clicked") << 2 << u"clicked"_s << 0 << 0 << 0;
}

void TestStatusNotifierItem::menuClicksChooseEntries()
{
    QFETCH(int, id);
    QFETCH(QString, eventId);
    QFETCH(int, panel);
    QFETCH(int, preferences);
    QFETCH(int, quit);
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    QSignalSpy panelChosen(fixture.item.get(), &StatusItem::panelChosen);
    QSignalSpy preferencesChosen(fixture.item.get(), &StatusItem::preferencesChosen);
    QSignalSpy quitChosen(fixture.item.get(), &StatusItem::quitChosen);

    const QDBusMessage reply =
        fixture.host->callMenu(u"Event"_s, {id, eventId, QVariant::fromValue(QDBusVariant(0)), 0u});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    // The choice is handed on after the call has been answered.
    QCoreApplication::processEvents();

    QCOMPARE(panelChosen.size(), panel);
    QCOMPARE(preferencesChosen.size(), preferences);
    QCOMPARE(quitChosen.size(), quit);
}

void TestStatusNotifierItem::menuEventGroupReportsUnknownIds()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    QSignalSpy quitChosen(fixture.item.get(), &StatusItem::quitChosen);
    const DBusMenuEventList events{{3, u"clicked"_s, QDBusVariant(0), 0},
                                   {99, u"clicked"_s, QDBusVariant(0), 0}};

    const QDBusMessage reply =
        fixture.host->callMenu(u"EventGroup"_s, {QVariant::fromValue(events)});
    QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    QCOMPARE(qdbus_cast<QList<int>>(reply.arguments().at(0)), QList<int>{99});
    QTRY_COMPARE(quitChosen.size(), 1);

    const QDBusMessage unknown = fixture.host->callMenu(
        u"Event"_s, {99, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u});
    QCOMPARE(unknown.type(), QDBusMessage::ErrorMessage);
}

void TestStatusNotifierItem::turningTheMenuOffIsAnnounced()
{
    Fixture fixture;
    QVERIFY(fixture.waitForRegistration());
    const HostView &host = *fixture.host;
    QSignalSpy layoutUpdated(fixture.item->findChild<StatusMenuExporter *>(),
                             &StatusMenuExporter::LayoutUpdated);
    QSignalSpy panelChosen(fixture.item.get(), &StatusItem::panelChosen);

    fixture.item->setMenuEnabled(false);
    QCOMPARE(host.property(u"Menu"_s).value<QDBusObjectPath>().path(), u"/NO_DBUSMENU"_s);
    // A host that read the path before is told that the menu is empty now; opening it asks for
    // the panel instead.
    QCOMPARE(layoutUpdated.size(), 1);
    QCOMPARE(host.layout().children.size(), 0);
    QCOMPARE(host.callMenu(u"AboutToShow"_s, {0}).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE(panelChosen.size(), 1);

    fixture.item->setMenuEnabled(true);
    QCOMPARE(host.property(u"Menu"_s).value<QDBusObjectPath>().path(), menuPath);
    QCOMPARE(layoutUpdated.size(), 2);
    QCOMPARE(host.layout().children.size(), 5);
    QCOMPARE(host.callMenu(u"AboutToShow"_s, {0}).type(), QDBusMessage::ReplyMessage);
    QCoreApplication::processEvents();
    QCOMPARE(panelChosen.size(), 1);
}

void TestStatusNotifierItem::changesBeforeTheFirstRegistrationNeedNoSignal()
{
    TestWatcher watcher;
    QVERIFY(watcher.start());
    StatusNotifierItem item(QDBusConnection::sessionBus());
    // What the application sets up right after creating the item is what hosts first read.
    item.setTitle(u"12月5日 周六 14:03"_s);
    item.setToolTip(u"a"_s, u"b"_s);
    item.setDayNumber(5);
    HostView host(watcher.connection(), QDBusConnection::sessionBus().baseService());
    QSignalSpy labels(&host.item, &StatusNotifierItemInterface::XAyatanaNewLabel);
    QSignalSpy icons(&host.item, &StatusNotifierItemInterface::NewIcon);
    QSignalSpy toolTips(&host.item, &StatusNotifierItemInterface::NewToolTip);
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    QCOMPARE(host.property(u"XAyatanaLabel"_s).toString(), u"12月5日 周六 14:03"_s);

    item.setToolTip(u"a"_s, u"c"_s);
    QTRY_COMPARE(toolTips.size(), 1);
    QCOMPARE(labels.size(), 0);
    QCOMPARE(icons.size(), 0);
}

void TestStatusNotifierItem::changesWhileTheWatcherAnswersAreSignalledAfter()
{
    TestWatcher watcher(TestWatcher::Answer::Hold);
    QVERIFY(watcher.start());
    StatusNotifierItem item(QDBusConnection::sessionBus());
    HostView host(watcher.connection(), QDBusConnection::sessionBus().baseService());
    QSignalSpy labels(&host.item, &StatusNotifierItemInterface::XAyatanaNewLabel);
    QSignalSpy icons(&host.item, &StatusNotifierItemInterface::NewIcon);
    QTRY_COMPARE(watcher.registeredItems().size(), 1);
    // A host told of the item may have read it by now; the answer is still on its way.
    QCOMPARE(host.property(u"XAyatanaLabel"_s).toString(), QString());
    item.setTitle(u"12月5日 周六 14:03"_s);
    item.setTitle(u"12月5日 周六 14:04"_s);
    QCOMPARE(item.registration(), StatusNotifierItem::Registration::Pending);

    watcher.releaseAnswers();
    QTRY_COMPARE(labels.size(), 1);
    QCOMPARE(labels.at(0).at(0).toString(), u"12月5日 周六 14:04"_s);
    QCOMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    QCOMPARE(icons.size(), 0);
}

void TestStatusNotifierItem::withoutWatcherWaitsForOne()
{
    StatusNotifierItem item(QDBusConnection::sessionBus());
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::NoWatcher);

    TestWatcher watcher;
    QVERIFY(watcher.start());
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    QCOMPARE(watcher.registeredItems(), QStringList{QDBusConnection::sessionBus().baseService()});
}

void TestStatusNotifierItem::registersAgainWhenTheWatcherChanges_data()
{
    QTest::addColumn<bool>("gap");

    QTest::newRow("the panel restarts") << true;
    QTest::newRow("another watcher takes the name over") << false;
}

void TestStatusNotifierItem::registersAgainWhenTheWatcherChanges()
{
    QFETCH(bool, gap);
    auto first = std::make_unique<TestWatcher>();
    QVERIFY(first->start(QDBusConnectionInterface::AllowReplacement));
    StatusNotifierItem item(QDBusConnection::sessionBus());
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    QCOMPARE(first->registeredItems().size(), 1);

    if (gap) {
        first->stop();
        QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::NoWatcher);
    }
    TestWatcher second;
    QVERIFY(second.start(QDBusConnectionInterface::DontAllowReplacement,
                         QDBusConnectionInterface::ReplaceExistingService));
    QTRY_COMPARE(second.registeredItems(),
                 QStringList{QDBusConnection::sessionBus().baseService()});
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Registered);
    QCOMPARE(first->registeredItems().size(), 1);
}

void TestStatusNotifierItem::refusedRegistration()
{
    TestWatcher watcher(TestWatcher::Answer::Refuse);
    QVERIFY(watcher.start());
    StatusNotifierItem item(QDBusConnection::sessionBus());
    QTRY_COMPARE(item.registration(), StatusNotifierItem::Registration::Refused);
    QVERIFY(watcher.registeredItems().isEmpty());
}

void TestStatusNotifierItem::secondItemOnTheSamePathIsRefused()
{
    StatusNotifierItem first(QDBusConnection::sessionBus());
    StatusNotifierItem second(QDBusConnection::sessionBus());
    QCOMPARE(second.registration(), StatusNotifierItem::Registration::Refused);
    QTRY_COMPARE(first.registration(), StatusNotifierItem::Registration::NoWatcher);
}

QTEST_MAIN(TestStatusNotifierItem)
#include "tst_statusnotifieritem.moc"
