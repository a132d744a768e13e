#include "shared/EffectiveAppearanceObserver.h"

#include "FakeColorSchemePortal.h"
#include "shared/DesktopColorScheme.h"

#include <QTest>
#include <QWidget>

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

    void reportsWhenShownAndFollowsTheDesktop()
    {
        auto owned = std::make_unique<FakeColorSchemePortal>(1);
        FakeColorSchemePortal *portal = owned.get();
        DesktopColorScheme desktop(std::move(owned));
        QWidget view;
        EffectiveAppearanceObserver observer(&view, desktop);
        QList<ColorScheme> reports;
        observer.setOnChange([&](ColorScheme scheme) { reports.append(scheme); });

        view.show();
        // Not at once: one pass of the event loop later.
        QVERIFY(reports.isEmpty());
        runQueued();
        portal->announce(2);
        runQueued();
        QCOMPARE(reports, (QList<ColorScheme>{ColorScheme::dark, ColorScheme::light}));
    }

    void everyUpdateReportsAgainUntilTheViewIsGone()
    {
        DesktopColorScheme desktop(std::make_unique<FakeColorSchemePortal>(2));
        auto view = std::make_unique<QWidget>();
        EffectiveAppearanceObserver observer(view.get(), desktop);
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

        observer.update([&](ColorScheme scheme) { second.append(scheme); });
        view.reset();
        runQueued();
        QCOMPARE(second.size(), 2);
    }
};

QTEST_MAIN(TestEffectiveAppearanceObserver)
#include "tst_effectiveappearanceobserver.moc"
