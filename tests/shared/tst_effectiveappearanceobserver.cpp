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

    void reportsOnePassLaterToTheNewestHandlerWhileTheViewLives()
    {
        auto owned = std::make_unique<FakeColorSchemePortal>(1);
        FakeColorSchemePortal *portal = owned.get();
        DesktopColorScheme desktop(std::move(owned));
        auto view = std::make_unique<QWidget>();
        EffectiveAppearanceObserver observer(view.get(), desktop);
        QList<ColorScheme> first;
        QList<ColorScheme> second;
        const auto into = [](QList<ColorScheme> &list) {
            return [&list](ColorScheme scheme) {
                list.append(scheme);
            };
        };
        observer.setOnChange(into(first));

        view->show();
        QVERIFY(first.isEmpty());
        runQueued();
        portal->announce(2);
        runQueued();
        QCOMPARE(first, (QList<ColorScheme>{ColorScheme::dark, ColorScheme::light}));

        // Every update reports again, equal as it is, to the newest handler only.
        observer.update(into(second));
        observer.update(into(second));
        runQueued();
        QCOMPARE(first.size(), 2);
        QCOMPARE(second, (QList<ColorScheme>{ColorScheme::light, ColorScheme::light}));

        observer.update(into(second));
        view.reset();
        runQueued();
        QCOMPARE(second.size(), 2);
    }
};

QTEST_MAIN(TestEffectiveAppearanceObserver)
#include "tst_effectiveappearanceobserver.moc"
