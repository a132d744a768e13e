#include "TestServices.h"
#include "app/AppDelegate.h"
#include "menubar/MenuBarCalendarPanel.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItem.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void initTestCase() { qputenv("TZ", "Asia/Shanghai"); }
    void init()
    {
        services = std::make_unique<TestServices>(QJsonObject{
            {u"preferences.timeFormat"_s, u"twelveHour"_s}, {u"preferences.showAMPM"_s, true}});
    }
    void cleanup()
    {
        qunsetenv("TS_PREVIEW_POPUP");
        qunsetenv("TS_PREVIEW_SETTINGS");
        services.reset();
    }

    void menuBarTextFromTheStoredSettingsAndTheDefaults()
    {
        auto item = std::make_unique<StatusItem>();
        StatusItem *shown = item.get();
        AppDelegate delegate(*services, std::move(item));
        delegate.applicationDidFinishLaunching();
        // The stored 12-hour clock, and the weekday a first launch shows.
        QVERIFY2(shown->title().contains(u"上午"_s) || shown->title().contains(u"下午"_s),
                 qPrintable(shown->title()));
        QVERIFY(shown->title().contains(u'周'));
        QCOMPARE(shown->dayNumber(), QDate::currentDate().day());
    }

    void previewPopupSwitch_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("opens");

        QTest::newRow("exactly 1") << "1"_ba << true;
        QTest::newRow("true") << "true"_ba << false;
    }

    void previewPopupSwitch()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, opens);
        qputenv("TS_PREVIEW_POPUP", value);
        // The preferences switch acts after the panel's: once the window shows, the panel's
        // switch has had its turn.
        qputenv("TS_PREVIEW_SETTINGS", "1");

        AppDelegate delegate(*services, std::make_unique<StatusItem>());
        delegate.applicationDidFinishLaunching();
        MenuBarCalendarPanel *panel = delegate.statusBarController()->panel();
        QVERIFY(!panel->isVisible());
        const auto preferencesShown = [panel] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::any_of(windows.cbegin(), windows.cend(), [panel](const QWidget *window) {
                return window != panel && window->isVisible();
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(preferencesShown(), 2000);
        QCOMPARE(panel->isVisible(), opens);
    }

private:
    std::unique_ptr<TestServices> services;
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
