#include "app/AppServices.h"
#include "holidays/HolidayService.h"
#include "preferences/PreferencesStore.h"
#include "shared/AppTheme.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sharedContainerIsCreatedOnce();
    void settingsAreReadThroughTheRegisteredDefaults();

private:
    QTemporaryDir configHome;
};

void TestAppServices::initTestCase()
{
    QVERIFY(configHome.isValid());
    qputenv("TZ", "Asia/Shanghai");
    SystemTimeZone::refresh();
    AppTheme::setSystemAppearanceSource([] { return false; });
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    QVERIFY(QDir(configHome.path()).mkpath(u"tessel-calendar"_s));
    QFile file(configHome.filePath(u"tessel-calendar/settings.json"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"preferences.showSeconds": true, "preferences.timeFormat": "twelveHour"})");
}

void TestAppServices::sharedContainerIsCreatedOnce()
{
    AppServices &first = AppServices::shared();
    QCOMPARE(&AppServices::shared(), &first);
    QCOMPARE(&first.preferencesStore().defaults(), &first.settingsStore());
    QCOMPARE(first.settingsStore().filePath(),
             configHome.filePath(u"tessel-calendar/settings.json"_s));
}

void TestAppServices::settingsAreReadThroughTheRegisteredDefaults()
{
    const AppServices &services = AppServices::shared();
    QCOMPARE(services.settingsStore().registeredDefaults().size(), 14);
    const PreferencesStore &preferences = services.preferencesStore();
    QCOMPARE(preferences.showSeconds(), true);
    QCOMPARE(preferences.timeFormat(), MenuBarTimeFormat::twelveHour);
    QCOMPARE(preferences.menuBarStyle(), MenuBarDisplayStyle::dateAndTime);
    QCOMPARE(preferences.showWeekday(), true);
    // The shipped holiday table is loaded.
    QVERIFY(services.holidayService().label(QDateTime(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC)));
}

QTEST_GUILESS_MAIN(TestAppServices)
#include "tst_appservices.moc"
