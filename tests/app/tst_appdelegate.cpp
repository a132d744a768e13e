#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "menubar/MenuBarCalendarPanel.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItem.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppDelegate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void previewPopupSwitch_data();
    void previewPopupSwitch();
    void menuBarTextFromTheDefaults();

private:
    QTemporaryDir home;
};

void TestAppDelegate::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(u"data"_s)));
    qputenv("TZ", "Asia/Shanghai");
}

void TestAppDelegate::cleanup()
{
    qunsetenv("TS_PREVIEW_POPUP");
}

void TestAppDelegate::previewPopupSwitch_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("opens");

    QTest::newRow("exactly 1") << "1"_ba << true;
    QTest::newRow("true") << "true"_ba << false;
}

void TestAppDelegate::previewPopupSwitch()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, opens);
    qputenv("TS_PREVIEW_POPUP", value);

    AppDelegate delegate(AppServices::shared(), std::make_unique<StatusItem>());
    delegate.applicationDidFinishLaunching();
    MenuBarCalendarPanel *panel = delegate.statusBarController()->panel();
    QVERIFY(!panel->isVisible());
    if (opens) {
        QTRY_VERIFY_WITH_TIMEOUT(panel->isVisible(), 2000);
    } else {
        QTest::qWait(600);
        QVERIFY(!panel->isVisible());
    }
}

void TestAppDelegate::menuBarTextFromTheDefaults()
{
    auto item = std::make_unique<StatusItem>();
    StatusItem *shown = item.get();
    AppDelegate delegate(AppServices::shared(), std::move(item));
    delegate.applicationDidFinishLaunching();
    // A first launch: date with weekday and 24-hour time.
    QVERIFY(shown->title().contains(u'周'));
    QVERIFY(shown->title().contains(u':'));
    QVERIFY(!shown->title().contains(u"上午"_s) && !shown->title().contains(u"下午"_s));
    QCOMPARE(shown->dayNumber(), QDate::currentDate().day());
}

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
