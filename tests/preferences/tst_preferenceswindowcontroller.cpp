#include "PreferencesPageFixture.h"
#include "holidays/HolidayService.h"
#include "preferences/PreferencesView.h"
#include "preferences/PreferencesWindowController.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

class TestPreferencesWindowController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreferencesPageFixture> services;
    std::unique_ptr<HolidayService> holidays;
    std::unique_ptr<PreferencesWindowController> controller;

    [[nodiscard]] static QPoint screenCentre(const QWidget *window)
    {
        return window->screen()->availableGeometry().center();
    }

private Q_SLOTS:
    void init()
    {
        services = std::make_unique<PreferencesPageFixture>();
        holidays = std::make_unique<HolidayService>();
        controller = std::make_unique<PreferencesWindowController>(
            *services->preferences, *services->eventStore, *holidays, *services->launchAtLogin,
            services->hotKeys.get(), services->desktop.get());
    }

    void cleanup()
    {
        controller.reset();
        holidays.reset();
        services.reset();
    }

    void noWindowBeforeTheFirstShow() { QVERIFY(!controller->window()); }

    void twoShowsGiveOneCentredWindow()
    {
        const qsizetype before = QApplication::topLevelWidgets().size();
        controller->show();
        QWidget *window = controller->window();
        QVERIFY(window);
        controller->show();
        QCOMPARE(controller->window(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(QApplication::topLevelWidgets().size() - before, 1);
        QCOMPARE(window->frameGeometry().center(), screenCentre(window));
        QCOMPARE(window->windowTitle(), u"设置"_s);
    }

    void showMovesTheWindowBackToTheCentre()
    {
        controller->show();
        QWidget *window = controller->window();
        window->move(window->pos() + QPoint(-120, 80));
        window->close();
        QVERIFY(!window->isVisible());

        controller->show();
        QCOMPARE(controller->window(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->frameGeometry().center(), screenCentre(window));
    }

    void showRestoresAMinimisedWindow()
    {
        controller->show();
        QWidget *window = controller->window();
        window->setWindowState(Qt::WindowMinimized);
        controller->show();
        QVERIFY(!(window->windowState() & Qt::WindowMinimized));
    }

    void windowKeepsItsContentAcrossClosing()
    {
        controller->show();
        PreferencesView *view = controller->view();
        QWidget *content = view->content();
        controller->window()->close();
        controller->show();
        QCOMPARE(controller->view(), view);
        QCOMPARE(view->content(), content);
    }

    void sizeAndButtons()
    {
        controller->show();
        QWidget *window = controller->window();
        QCOMPARE(window->size(), QSize(330, 540));
        QCOMPARE(window->minimumSize(), QSize(330, 540));
        window->resize(200, 300);
        QCOMPARE(window->size(), QSize(330, 540));
        window->resize(420, 640);
        QCOMPARE(window->size(), QSize(420, 640));

        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(!window->testAttribute(Qt::WA_DeleteOnClose));
    }

    void appearanceFollowsOnTheNextPass()
    {
        services->preferences->setAppearanceMode(AppAppearanceMode::light);
        controller->show();
        QCOMPARE(controller->appliedAppearance(), AppAppearanceMode::light);
        const QColor light = controller->window()->palette().color(QPalette::Window);

        services->preferences->setAppearanceMode(AppAppearanceMode::dark);
        QCOMPARE(controller->appliedAppearance(), AppAppearanceMode::light);
        QCoreApplication::processEvents();
        QCOMPARE(controller->appliedAppearance(), AppAppearanceMode::dark);
        QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);
        QVERIFY(controller->window()->palette().color(QPalette::Window) != light);
    }
};

QTEST_MAIN(TestPreferencesWindowController)
#include "tst_preferenceswindowcontroller.moc"
