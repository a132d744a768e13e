#include "PreferencesPageFixture.h"
#include "X11TestClient.h"
#include "holidays/HolidayService.h"
#include "preferences/PreferencesView.h"
#include "preferences/PreferencesWindowController.h"
#include "shared/BrandLogoView.h"

#include <QAbstractButton>
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

    void showsOneCentredWindowThatKeepsItsContent()
    {
        QVERIFY(!controller->window());
        const qsizetype before = QApplication::topLevelWidgets().size();
        controller->show();
        QWidget *window = controller->window();
        QVERIFY(window);
        PreferencesView *view = controller->view();
        QWidget *content = view->content();
        controller->show();
        QCOMPARE(QApplication::topLevelWidgets().size() - before, 1);
        QCOMPARE(window->frameGeometry().center(), screenCentre(window));
        QCOMPARE(window->windowTitle(), u"设置"_s);

        // Closed after a move, it comes back centred with the same page.
        window->move(window->pos() + QPoint(-120, 80));
        window->close();
        controller->show();
        QCOMPARE(controller->window(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->frameGeometry().center(), screenCentre(window));
        QCOMPARE(controller->view(), view);
        QCOMPARE(view->content(), content);
    }

    void showRestoresAMinimisedWindow()
    {
        controller->show();
        QWidget *window = controller->window();
        window->setWindowState(Qt::WindowMinimized);
        controller->show();
        QVERIFY(!(window->windowState() & Qt::WindowMinimized));
    }

    void escapeAndTheCloseButtonClose()
    {
        controller->show();
        QWidget *window = controller->window();
        QCOMPARE(window->size(), QSize(330, 540));
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        controller->show();
        const auto buttons = controller->view()->content()->findChildren<QAbstractButton *>();
        const auto close = std::find_if(buttons.begin(), buttons.end(), [](auto *button) {
            return button->accessibleName() == u"关闭"_s;
        });
        QVERIFY(close != buttons.end());
        (*close)->click();
        QVERIFY(!window->isVisible());
    }

    // What window managers and task bars read: an icon, min = max size hints, a dialog type.
    void x11WindowHints()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs the xcb platform");
        QGuiApplication::setWindowIcon(BrandLogoView::applicationIcon());
        controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(controller->window()));
        X11TestClient client;
        const auto window = xcb_window_t(controller->window()->winId());

        QVERIFY(client.property(window, "_NET_WM_ICON", XCB_ATOM_CARDINAL).size() > 2);
        const QList<quint32> hints =
            client.property(window, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS);
        QVERIFY(hints.size() >= 9);
        constexpr quint32 minimumSize = 16;
        constexpr quint32 maximumSize = 32;
        QVERIFY((hints.at(0) & minimumSize) && (hints.at(0) & maximumSize));
        QCOMPARE((QList<quint32>{hints.at(5), hints.at(6)}), (QList<quint32>{330, 540}));
        QCOMPARE((QList<quint32>{hints.at(7), hints.at(8)}), (QList<quint32>{330, 540}));
        QCOMPARE(client.property(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM).value(0),
                 client.atom("_NET_WM_WINDOW_TYPE_DIALOG"));
        QVERIFY(client.property(window, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW).isEmpty());
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
