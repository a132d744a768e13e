#include "shared/EffectiveAppearanceObserver.h"

#include "FakeColorSchemePortal.h"
#include "shared/DesktopColorScheme.h"

#include <QTest>
#include <QWidget>

#include <memory>

namespace {

void runQueued()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace

class TestEffectiveAppearanceObserver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsWhenShown_data();
    void reportsWhenShown();
    void everyUpdateReportsAgain();
    void followsTheDesktop();
    void reportsNothingOnceTheViewIsGone();
};

void TestEffectiveAppearanceObserver::reportsWhenShown_data()
{
    QTest::addColumn<quint32>("portalValue");
    QTest::addColumn<ColorScheme>("expected");
    QTest::newRow("dark desktop") << 1u << ColorScheme::dark;
    QTest::newRow("light desktop") << 2u << ColorScheme::light;
}

void TestEffectiveAppearanceObserver::reportsWhenShown()
{
    QFETCH(quint32, portalValue);
    QFETCH(ColorScheme, expected);
    auto portal = std::make_unique<FakeColorSchemePortal>(portalValue);
    DesktopColorScheme desktop(std::move(portal));
    QWidget view;
    EffectiveAppearanceObserver observer(&view, desktop);
    QList<ColorScheme> reports;
    observer.setOnChange([&](ColorScheme scheme) { reports.append(scheme); });

    view.show();
    // Not at once: one pass of the event loop later.
    QVERIFY(reports.isEmpty());
    runQueued();
    QCOMPARE(reports, QList<ColorScheme>{expected});
}

void TestEffectiveAppearanceObserver::everyUpdateReportsAgain()
{
    DesktopColorScheme desktop(std::make_unique<FakeColorSchemePortal>(2));
    QWidget view;
    EffectiveAppearanceObserver observer(&view, desktop);
    QList<ColorScheme> first;
    QList<ColorScheme> second;
    observer.update([&](ColorScheme scheme) { first.append(scheme); });
    runQueued();
    // The newest handler takes the report, equal as it is.
    observer.update([&](ColorScheme scheme) { second.append(scheme); });
    observer.update([&](ColorScheme scheme) { second.append(scheme); });
    runQueued();
    QCOMPARE(first, QList<ColorScheme>{ColorScheme::light});
    QCOMPARE(second, (QList<ColorScheme>{ColorScheme::light, ColorScheme::light}));
}

void TestEffectiveAppearanceObserver::followsTheDesktop()
{
    auto portal = std::make_unique<FakeColorSchemePortal>(2);
    FakeColorSchemePortal *desktopPortal = portal.get();
    DesktopColorScheme desktop(std::move(portal));
    QWidget view;
    view.show();
    EffectiveAppearanceObserver observer(&view, desktop);
    QList<ColorScheme> reports;
    observer.setOnChange([&](ColorScheme scheme) { reports.append(scheme); });

    desktopPortal->announce(1);
    runQueued();
    QCOMPARE(reports, QList<ColorScheme>{ColorScheme::dark});
    desktopPortal->announce(2);
    runQueued();
    QCOMPARE(reports, (QList<ColorScheme>{ColorScheme::dark, ColorScheme::light}));
}

void TestEffectiveAppearanceObserver::reportsNothingOnceTheViewIsGone()
{
    DesktopColorScheme desktop(std::make_unique<FakeColorSchemePortal>(1));
    auto view = std::make_unique<QWidget>();
    EffectiveAppearanceObserver observer(view.get(), desktop);
    int reports = 0;
    observer.setOnChange([&](ColorScheme) { ++reports; });
    view->show();
    view.reset();
    runQueued();
    QCOMPARE(reports, 0);
}

QTEST_MAIN(TestEffectiveAppearanceObserver)
#include "tst_effectiveappearanceobserver.moc"
