#include "BusNameOwner.h"
#include "FakeColorSchemePortal.h"
#include "shared/AppTheme.h"
#include "shared/DBusColorSchemePortal.h"
#include "shared/DesktopColorScheme.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QMutex>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<quint32>)

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString appearanceNamespace = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;

// The portal's settings object on the private session bus. It runs in a thread of its own
// because the client's calls block the main thread until they are answered.
class FakePortalService : public QDBusVirtualObject
{
public:
    struct Shape
    {
        quint32 version = 1;
        // Debian 12's portal wraps Read's answer in a second variant; ReadOne never does.
        bool readWrapsTwice = true;
        QVariant value = QVariant::fromValue(quint32(1));
        QString errorName = {}; // answer every settings call with this error
        QStringList unanswered = {}; // methods left without an answer
    };

    void setShape(const Shape &shape)
    {
        QMutexLocker lock(&mutex);
        m_shape = shape;
    }

    [[nodiscard]] QStringList calls()
    {
        QMutexLocker lock(&mutex);
        return m_calls;
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        QMutexLocker lock(&mutex);
        m_calls.append(message.member());
        if (m_shape.unanswered.contains(message.member()))
            return true;
        connection.send(answer(message));
        return true;
    }

private:
    QDBusMessage answer(const QDBusMessage &message) const
    {
        const QVariantList args = message.arguments();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && message.member() == u"Get"
            && args.value(0) == settingsInterface) {
            if (args.value(1) == u"version"_s)
                return message.createReply(
                    QVariant::fromValue(QDBusVariant(QVariant::fromValue(m_shape.version))));
            return message.createErrorReply(QDBusError::UnknownProperty, u"no such property"_s);
        }
        if (message.interface() != settingsInterface)
            return message.createErrorReply(QDBusError::UnknownInterface, u"unknown"_s);

        const bool readOne = message.member() == u"ReadOne" && m_shape.version >= 2;
        if (message.member() != u"Read" && !readOne)
            return message.createErrorReply(QDBusError::UnknownMethod, u"unknown method"_s);
        if (!m_shape.errorName.isEmpty())
            return message.createErrorReply(m_shape.errorName, u"refused"_s);
        if (args.value(0) != appearanceNamespace || args.value(1) != colorSchemeKey)
            return message.createErrorReply(u"org.freedesktop.portal.Error.NotFound"_s,
                                            u"Requested setting not found"_s);
        QVariant value = QVariant::fromValue(QDBusVariant(m_shape.value));
        if (!readOne && m_shape.readWrapsTwice)
            value = QVariant::fromValue(QDBusVariant(value));
        return message.createReply(value);
    }

    QMutex mutex;
    Shape m_shape;
    QStringList m_calls;
};

// Owns the fake's bus connection, thread and name for one test.
class FakePortalOnBus
{
public:
    FakePortalOnBus()
        : m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
    {
        m_thread.start();
        service.moveToThread(&m_thread);
    }

    ~FakePortalOnBus()
    {
        unregister();
        QDBusConnection::disconnectFromBus(connectionName);
        m_thread.quit();
        m_thread.wait();
    }

    bool registerOnBus()
    {
        return m_connection.registerVirtualObject(portalPath, &service)
               && changeBusNameOwner(QDBusConnection::sessionBus(), portalService, [this] {
                      return m_connection.registerService(portalService);
                  });
    }

    void unregister()
    {
        QVERIFY(changeBusNameOwner(QDBusConnection::sessionBus(), portalService, [this] {
            m_connection.unregisterService(portalService);
            return true;
        }));
        m_connection.unregisterObject(portalPath);
    }

    void emitSettingChanged(const QString &nameSpace, const QString &key, const QVariant &value)
    {
        auto signal =
            QDBusMessage::createSignal(portalPath, settingsInterface, u"SettingChanged"_s);
        signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
        QVERIFY(m_connection.send(signal));
    }

    FakePortalService service;

private:
    static inline const QString connectionName = u"fake-portal"_s;
    QDBusConnection m_connection;
    QThread m_thread;
};

QPalette paletteWithWindow(const QColor &window)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Window, window);
    return palette;
}

} // namespace

class TestDesktopColorScheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void fromPortalValue_data();
    void fromPortalValue();

    void portalDecidesOverPalette_data();
    void portalDecidesOverPalette();
    void portalSignalEmitsOnlyChanges();
    void paletteChangeFollowedOnlyWithoutPortal();
    void portalAppearingIsReadAgain();

    void readsEachInterfaceVersion_data();
    void readsEachInterfaceVersion();
    void unusableAnswersGiveNothing_data();
    void unusableAnswersGiveNothing();
    void noServiceGivesNothing();
    void unansweredCallGivesNothing_data();
    void unansweredCallGivesNothing();
    void noBusGivesNothing();
    void settingChangedOnBusFlipsScheme();
    void serviceRegisteredLaterIsRead();
    void themeAsksPortalByDefault();

private:
    QPalette m_originalPalette;
};

void TestDesktopColorScheme::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs the private session bus");
    m_originalPalette = QGuiApplication::palette();
}

void TestDesktopColorScheme::cleanup()
{
    QGuiApplication::setPalette(m_originalPalette);
}

void TestDesktopColorScheme::fromPortalValue_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<ColorScheme>("expected");

    QTest::newRow("0 no preference") << 0u << ColorScheme::light;
    QTest::newRow("1 dark") << 1u << ColorScheme::dark;
    QTest::newRow("2 light") << 2u << ColorScheme::light;
    QTest::newRow("3 unknown") << 3u << ColorScheme::light;
}

void TestDesktopColorScheme::fromPortalValue()
{
    QFETCH(quint32, value);
    QFETCH(ColorScheme, expected);

    QCOMPARE(DesktopColorScheme::fromPortalValue(value), expected);
}

void TestDesktopColorScheme::portalDecidesOverPalette_data()
{
    QTest::addColumn<std::optional<quint32>>("value");
    QTest::addColumn<QColor>("window");
    QTest::addColumn<ColorScheme>("expected");

    QTest::newRow("dark on a light palette")
        << std::optional(1u) << QColor(0xF0F0F0) << ColorScheme::dark;
    QTest::newRow("no preference on a dark palette")
        << std::optional(0u) << QColor(0x202020) << ColorScheme::light;
    QTest::newRow("light on a dark palette")
        << std::optional(2u) << QColor(0x202020) << ColorScheme::light;
    QTest::newRow("no portal, white window")
        << std::optional<quint32>() << QColor(Qt::white) << ColorScheme::light;
    QTest::newRow("no portal, dark blue window")
        << std::optional<quint32>() << QColor(0x10182A) << ColorScheme::dark;
}

void TestDesktopColorScheme::portalDecidesOverPalette()
{
    QFETCH(std::optional<quint32>, value);
    QFETCH(QColor, window);
    QFETCH(ColorScheme, expected);

    QGuiApplication::setPalette(paletteWithWindow(window));
    DesktopColorScheme scheme(std::make_unique<FakeColorSchemePortal>(value));
    QCOMPARE(scheme.colorScheme(), expected);
    if (!value)
        QCOMPARE(DesktopColorScheme::paletteColorScheme(), expected);
}

void TestDesktopColorScheme::portalSignalEmitsOnlyChanges()
{
    auto owned = std::make_unique<FakeColorSchemePortal>(2);
    FakeColorSchemePortal *portal = owned.get();
    DesktopColorScheme scheme(std::move(owned));
    QSignalSpy spy(&scheme, &DesktopColorScheme::colorSchemeChanged);

    Q_EMIT portal->colorSchemeChanged(1);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).value<ColorScheme>(), ColorScheme::dark);
    QCOMPARE(scheme.colorScheme(), ColorScheme::dark);

    Q_EMIT portal->colorSchemeChanged(1);
    QCOMPARE(spy.size(), 1);

    Q_EMIT portal->colorSchemeChanged(0);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(spy.at(1).at(0).value<ColorScheme>(), ColorScheme::light);
    QCOMPARE(portal->reads, 1);
}

void TestDesktopColorScheme::paletteChangeFollowedOnlyWithoutPortal()
{
    QGuiApplication::setPalette(paletteWithWindow(QColor(0xEFEFEF)));
    DesktopColorScheme withPortal(std::make_unique<FakeColorSchemePortal>(2));
    DesktopColorScheme withoutPortal(std::make_unique<FakeColorSchemePortal>());
    QSignalSpy withPortalSpy(&withPortal, &DesktopColorScheme::colorSchemeChanged);
    QSignalSpy withoutPortalSpy(&withoutPortal, &DesktopColorScheme::colorSchemeChanged);

    QGuiApplication::setPalette(paletteWithWindow(QColor(0x202020)));
    QCOMPARE(withoutPortalSpy.size(), 1);
    QCOMPARE(withoutPortal.colorScheme(), ColorScheme::dark);
    QCOMPARE(withPortalSpy.size(), 0);
    QCOMPARE(withPortal.colorScheme(), ColorScheme::light);
}

void TestDesktopColorScheme::portalAppearingIsReadAgain()
{
    auto owned = std::make_unique<FakeColorSchemePortal>();
    FakeColorSchemePortal *portal = owned.get();
    DesktopColorScheme scheme(std::move(owned));
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
    QSignalSpy spy(&scheme, &DesktopColorScheme::colorSchemeChanged);

    portal->value = 1;
    Q_EMIT portal->availabilityChanged();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(scheme.colorScheme(), ColorScheme::dark);

    // Going away again falls back to the (light) palette.
    portal->value.reset();
    Q_EMIT portal->availabilityChanged();
    QCOMPARE(spy.size(), 2);
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
}

void TestDesktopColorScheme::readsEachInterfaceVersion_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<bool>("readWrapsTwice");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("expectedMethod");

    QTest::newRow("version 1, Read wrapped twice, dark") << 1u << true << 1u << u"Read"_s;
    QTest::newRow("version 1, Read wrapped once") << 1u << false << 1u << u"Read"_s;
    QTest::newRow("version 2, ReadOne, dark") << 2u << true << 1u << u"ReadOne"_s;
    QTest::newRow("version 3 keeps ReadOne") << 3u << true << 1u << u"ReadOne"_s;
}

void TestDesktopColorScheme::readsEachInterfaceVersion()
{
    QFETCH(quint32, version);
    QFETCH(bool, readWrapsTwice);
    QFETCH(quint32, value);
    QFETCH(QString, expectedMethod);

    FakePortalOnBus bus;
    bus.service.setShape({.version = version,
                          .readWrapsTwice = readWrapsTwice,
                          .value = QVariant::fromValue(value)});
    QVERIFY(bus.registerOnBus());

    QCOMPARE(DBusColorSchemePortal::read(QDBusConnection::sessionBus()), value);
    QCOMPARE(bus.service.calls(), (QStringList{u"Get"_s, expectedMethod}));

    DesktopColorScheme scheme(
        std::make_unique<DBusColorSchemePortal>(QDBusConnection::sessionBus()));
    QCOMPARE(scheme.colorScheme(), DesktopColorScheme::fromPortalValue(value));
}

void TestDesktopColorScheme::unusableAnswersGiveNothing_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("errorName");

    QTest::newRow("text instead of a number") << QVariant(u"prefer-dark"_s) << QString();
    QTest::newRow("setting not found")
        << QVariant::fromValue(quint32(1)) << u"org.freedesktop.portal.Error.NotFound"_s;
    QTest::newRow("access denied")
        << QVariant::fromValue(quint32(1)) << u"org.freedesktop.DBus.Error.AccessDenied"_s;
}

void TestDesktopColorScheme::unusableAnswersGiveNothing()
{
    QFETCH(QVariant, value);
    QFETCH(QString, errorName);

    FakePortalOnBus bus;
    bus.service.setShape({.value = value, .errorName = errorName});
    QVERIFY(bus.registerOnBus());

    QCOMPARE(DBusColorSchemePortal::read(QDBusConnection::sessionBus()), std::nullopt);
    QGuiApplication::setPalette(paletteWithWindow(QColor(0x202020)));
    QCOMPARE(DesktopColorScheme::query(), ColorScheme::dark);
}

void TestDesktopColorScheme::noServiceGivesNothing()
{
    QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(portalService));
    QCOMPARE(DBusColorSchemePortal::read(QDBusConnection::sessionBus()), std::nullopt);

    QGuiApplication::setPalette(paletteWithWindow(QColor(0x202020)));
    DesktopColorScheme dark;
    QCOMPARE(dark.colorScheme(), ColorScheme::dark);
}

void TestDesktopColorScheme::unansweredCallGivesNothing_data()
{
    QTest::addColumn<quint32>("version");
    QTest::addColumn<QStringList>("unanswered");
    QTest::addColumn<QStringList>("expectedCalls");

    // A portal that does not answer the version is not asked a second time.
    QTest::newRow("version unanswered") << 1u << QStringList{u"Get"_s} << QStringList{u"Get"_s};
    QTest::newRow("Read unanswered")
        << 1u << QStringList{u"Read"_s} << QStringList{u"Get"_s, u"Read"_s};
    QTest::newRow("ReadOne unanswered")
        << 2u << QStringList{u"ReadOne"_s} << QStringList{u"Get"_s, u"ReadOne"_s};
}

void TestDesktopColorScheme::unansweredCallGivesNothing()
{
    QFETCH(quint32, version);
    QFETCH(QStringList, unanswered);
    QFETCH(QStringList, expectedCalls);

    FakePortalOnBus bus;
    bus.service.setShape({.version = version, .unanswered = unanswered});
    QVERIFY(bus.registerOnBus());

    QCOMPARE(DBusColorSchemePortal::read(QDBusConnection::sessionBus(), 100), std::nullopt);
    QCOMPARE(bus.service.calls(), expectedCalls);
}

void TestDesktopColorScheme::noBusGivesNothing()
{
    const QString name = u"no-bus"_s;
    {
        const QDBusConnection dead =
            QDBusConnection::connectToBus(u"unix:path=/nonexistent/tessel-test-bus"_s, name);
        QVERIFY(!dead.isConnected());
        QCOMPARE(DBusColorSchemePortal::read(dead), std::nullopt);
        DBusColorSchemePortal portal(dead);
        QCOMPARE(portal.readColorScheme(), std::nullopt);
    }
    QDBusConnection::disconnectFromBus(name);
}

void TestDesktopColorScheme::settingChangedOnBusFlipsScheme()
{
    FakePortalOnBus bus;
    bus.service.setShape({.value = QVariant::fromValue(quint32(2))});
    QVERIFY(bus.registerOnBus());

    DesktopColorScheme scheme;
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
    QSignalSpy spy(&scheme, &DesktopColorScheme::colorSchemeChanged);

    // Other settings and values that are no number pass by.
    bus.emitSettingChanged(appearanceNamespace, u"accent-color"_s, QVariant::fromValue(1u));
    bus.emitSettingChanged(u"org.gnome.desktop.interface"_s, colorSchemeKey,
                           QVariant::fromValue(1u));
    bus.emitSettingChanged(appearanceNamespace, colorSchemeKey, QVariant(u"dark"_s));
    bus.emitSettingChanged(appearanceNamespace, colorSchemeKey, QVariant::fromValue(1u));
    QVERIFY(spy.wait());
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).value<ColorScheme>(), ColorScheme::dark);

    bus.emitSettingChanged(appearanceNamespace, colorSchemeKey, QVariant::fromValue(0u));
    QVERIFY(spy.wait());
    QCOMPARE(spy.size(), 2);
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
}

void TestDesktopColorScheme::serviceRegisteredLaterIsRead()
{
    QGuiApplication::setPalette(paletteWithWindow(QColor(0xEFEFEF)));
    DesktopColorScheme scheme;
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
    QSignalSpy spy(&scheme, &DesktopColorScheme::colorSchemeChanged);

    FakePortalOnBus bus;
    bus.service.setShape({.version = 2});
    QVERIFY(bus.registerOnBus());
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(scheme.colorScheme(), ColorScheme::dark);

    bus.unregister();
    QTRY_COMPARE(spy.size(), 2);
    QCOMPARE(scheme.colorScheme(), ColorScheme::light);
}

void TestDesktopColorScheme::themeAsksPortalByDefault()
{
    FakePortalOnBus bus;
    bus.service.setShape({.value = QVariant::fromValue(quint32(1))});
    QVERIFY(bus.registerOnBus());

    AppTheme::setSystemAppearanceSource({});
    AppTheme::setAppearanceMode(AppAppearanceMode::system);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), true);
    QCOMPARE(AppTheme::isDark(), true);

    bus.service.setShape({.value = QVariant::fromValue(quint32(0))});
    AppTheme::refreshSystemAppearance();
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), false);
}

QTEST_MAIN(TestDesktopColorScheme)
#include "tst_desktopcolorscheme.moc"
