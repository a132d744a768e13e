#include "FakeColorSchemePortal.h"
#include "FakeDesktopPortal.h"
#include "look/AppTheme.h"
#include "shared/DBusColorSchemePortal.h"
#include "shared/DesktopColorScheme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<quint32>)
using Shape = FakeDesktopPortal::Shape;
Q_DECLARE_METATYPE(Shape)

namespace {

void setWindowColor(const QColor &window)
{
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Window, window);
    QGuiApplication::setPalette(palette);
}

} // namespace

class TestDesktopColorScheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setWindowColor(QColor(0xEFEFEF)); }

    void portalDecidesOverPalette_data()
    {
        QTest::addColumn<std::optional<quint32>>("value");
        QTest::addColumn<QColor>("window");
        QTest::addColumn<ColorScheme>("expected");

        QTest::newRow("dark, light palette")
            << std::optional(1u) << QColor(0xF0F0F0) << ColorScheme::dark;
        QTest::newRow("no preference, dark palette")
            << std::optional(0u) << QColor(0x202020) << ColorScheme::light;
        QTest::newRow("unknown value")
            << std::optional(3u) << QColor(0x202020) << ColorScheme::light;
        QTest::newRow("no portal, dark blue")
            << std::optional<quint32>() << QColor(0x10182A) << ColorScheme::dark;
    }

    void portalDecidesOverPalette()
    {
        QFETCH(std::optional<quint32>, value);
        QFETCH(QColor, window);
        setWindowColor(window);
        DesktopColorScheme scheme(std::make_unique<FakeColorSchemePortal>(value));
        QTEST(scheme.colorScheme(), "expected");
    }

    // Runs before any fake portal's answer has put a QDBusVariant through the process: following
    // the portal must not depend on that.
    void followsThePortalOnTheBus()
    {
        // No bus, or no portal on it: the palette decides.
        const auto dead = QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"dead"_s);
        QCOMPARE(DBusColorSchemePortal(dead).readColorScheme(), std::nullopt);
        QCOMPARE(DBusColorSchemePortal::read(QDBusConnection::sessionBus()), std::nullopt);
        DesktopColorScheme scheme;
        QCOMPARE(scheme.colorScheme(), ColorScheme::light);
        QSignalSpy spy(&scheme, &DesktopColorScheme::colorSchemeChanged);

        // A portal that starts later is read then.
        FakeDesktopPortal portal({.version = 2});
        QVERIFY(portal.start());
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(scheme.colorScheme(), ColorScheme::dark);

        // Other settings and values that are no number pass by; only changes are told.
        const QString appearance = u"org.freedesktop.appearance"_s;
        portal.changeSetting(appearance, u"accent-color"_s, 2u);
        portal.changeSetting(u"org.gnome.desktop.interface"_s, u"color-scheme"_s, 2u);
        portal.changeSetting(appearance, u"color-scheme"_s, u"light"_s);
        portal.changeSetting(appearance, u"color-scheme"_s, 2u);
        portal.changeSetting(appearance, u"color-scheme"_s, 2u);
        portal.changeSetting(appearance, u"color-scheme"_s, 0u);
        portal.changeSetting(appearance, u"color-scheme"_s, 1u);
        QTRY_COMPARE(spy.size(), 3);
        QCOMPARE(spy.at(1).at(0).value<ColorScheme>(), ColorScheme::light);
        QCOMPARE(scheme.colorScheme(), ColorScheme::dark);

        // The theme asks the portal unless told otherwise.
        AppTheme::setSystemAppearanceSource({});
        AppTheme::setAppearanceMode(AppAppearanceMode::system);
        portal.setShape({.colorScheme = QVariant::fromValue(0u)});
        AppTheme::refreshSystemAppearance();
        QVERIFY(!AppTheme::isDark());

        // A palette change is no news while a portal answers; once it quits, the palette decides
        // and is followed.
        portal.setShape({.colorScheme = QVariant::fromValue(1u)});
        setWindowColor(QColor(0xF8F8F8));
        QCOMPARE(scheme.colorScheme(), ColorScheme::dark);
        portal.stop();
        QTRY_COMPARE(scheme.colorScheme(), ColorScheme::light);
        setWindowColor(QColor(0x202020));
        QCOMPARE(scheme.colorScheme(), ColorScheme::dark);
        QCOMPARE(spy.size(), 5);
    }

    void readsThePortal_data()
    {
        QTest::addColumn<Shape>("shape");
        QTest::addColumn<std::optional<quint32>>("expected");
        QTest::addColumn<QStringList>("expectedCalls");

        const QStringList read{u"Get"_s, u"Read"_s};
        const QStringList readOne{u"Get"_s, u"ReadOne"_s};
        const std::optional<quint32> none;
        QTest::newRow("v1, Read wrapped twice") << Shape{} << std::optional(1u) << read;
        QTest::newRow("v1, Read wrapped once")
            << Shape{.readWrapsTwice = false} << std::optional(1u) << read;
        QTest::newRow("v2, ReadOne") << Shape{.version = 2} << std::optional(1u) << readOne;
        QTest::newRow("v3 keeps ReadOne")
            << Shape{.version = 3, .colorScheme = 2u} << std::optional(2u) << readOne;
        QTest::newRow("text instead of a number")
            << Shape{.colorScheme = u"prefer-dark"_s} << none << read;
        QTest::newRow("access denied")
            << Shape{.errorName = u"org.freedesktop.DBus.Error.AccessDenied"_s} << none << read;
        // A portal that does not answer the version is not asked a second time.
        QTest::newRow("version unanswered")
            << Shape{.unanswered = {u"Get"_s}} << none << QStringList{u"Get"_s};
        QTest::newRow("ReadOne unanswered")
            << Shape{.version = 2, .unanswered = {u"ReadOne"_s}} << none << readOne;
    }

    void readsThePortal()
    {
        QFETCH(Shape, shape);
        FakeDesktopPortal portal(shape);
        QVERIFY(portal.start());
        QTEST(DBusColorSchemePortal::read(QDBusConnection::sessionBus(), 2000), "expected");
        QTEST(portal.record().calls, "expectedCalls");
    }
};

QTEST_MAIN(TestDesktopColorScheme)
#include "tst_desktopcolorscheme.moc"
