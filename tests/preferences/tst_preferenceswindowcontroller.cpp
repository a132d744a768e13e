#include "TestServices.h"
#include "X11TestClient.h"
#include "preferences/PreferencesView.h"
#include "preferences/PreferencesWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPreferencesWindowController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestServices> services;
    std::unique_ptr<PreferencesWindowController> controller;

private Q_SLOTS:
    void init()
    {
        controller.reset();
        services.reset(); // before the next one, whose settings its end would undo
        services = std::make_unique<TestServices>();
        controller = std::make_unique<PreferencesWindowController>(
            *services->preferences, *services->eventStore, services->holidayService(),
            services->launchAtLoginService(), &services->shortcutService(),
            services->desktop.get());
    }

    void showsOneCentredWindowThatKeepsItsContent()
    {
        QVERIFY(!controller->window());
        const qsizetype before = QApplication::topLevelWidgets().size();
        controller->show();
        QWidget *window = controller->window();
        QWidget *content = controller->view()->content();
        controller->show();
        QCOMPARE(QApplication::topLevelWidgets().size() - before, 1);
        QCOMPARE(window->windowTitle(), u"设置"_s);

        // Closed by Escape after a move, it comes back centred with the same page.
        window->move(window->pos() + QPoint(-120, 80));
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        controller->show();
        QCOMPARE(window->frameGeometry().center(), window->screen()->availableGeometry().center());
        QCOMPARE(controller->view()->content(), content);

        window->setWindowState(Qt::WindowMinimized);
        controller->show();
        QVERIFY(!(window->windowState() & Qt::WindowMinimized));
        for (QAbstractButton *button : content->findChildren<QAbstractButton *>()) {
            if (button->accessibleName() == u"关闭"_s)
                button->click();
        }
        QVERIFY(!window->isVisible());
    }

    // What window managers read: one size and a dialog type, so that tiling ones float it.
    void x11WindowHints()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs the xcb platform");
        controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(controller->window()));
        X11TestClient client;
        const auto window = xcb_window_t(controller->window()->winId());
        const QList<quint32> hints =
            client.property(window, "WM_NORMAL_HINTS", XCB_ATOM_WM_SIZE_HINTS);
        QCOMPARE(hints.value(0) & 48u, 48u); // PMinSize | PMaxSize
        QCOMPARE(hints.mid(5, 2), hints.mid(7, 2));
        QCOMPARE(client.property(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM).value(0),
                 client.atom("_NET_WM_WINDOW_TYPE_DIALOG"));
        QVERIFY(client.property(window, "WM_TRANSIENT_FOR", XCB_ATOM_WINDOW).isEmpty());
    }

    void appearanceFollowsOnTheNextPass()
    {
        services->preferences->setValue(SettingKeys::appearanceMode, AppAppearanceMode::light);
        controller->show();
        const QColor light = controller->window()->palette().color(QPalette::Window);
        services->preferences->setValue(SettingKeys::appearanceMode, AppAppearanceMode::dark);
        QCOMPARE(controller->appliedAppearance(), AppAppearanceMode::light);
        QTRY_VERIFY(controller->window()->palette().color(QPalette::Window) != light);
    }
};

QTEST_MAIN(TestPreferencesWindowController)
#include "tst_preferenceswindowcontroller.moc"
