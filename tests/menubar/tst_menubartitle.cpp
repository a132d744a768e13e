#include "TimeZoneScope.h"
#include "app/AppBootstrapper.h"
#include "menubar/MenuBarTitle.h"
#include "preferences/MenuBarDisplayStyle.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/SettingsStore.h"
#include "shared/SystemClockMonitor.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A settings file holding exactly these members, read by a store with the defaults registered.
struct Settings
{
    explicit Settings(const QJsonObject &members)
    {
        QFile file(dir.filePath(u"settings.json"_s));
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(members).toJson()) < 0) {
            qFatal("cannot write the settings file");
        }
        file.close();
        settings.emplace(file.fileName());
        AppBootstrapper::configureAppearance(*settings);
        preferences.emplace(*settings);
    }

    QTemporaryDir dir;
    std::optional<SettingsStore> settings;
    std::optional<PreferencesStore> preferences;
};

QDateTime localTime(int year, int month, int day, int hour, int minute, int second)
{
    return CivilCalendar().date(year, month, day, hour, minute, second).value();
}

} // namespace

class TestMenuBarTitle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void makeTitle_data();
    void makeTitle();
    void firstLaunchUsesTheRegisteredDefaults();
    void settingsChangeRebuildsAtOnce();
    void textChangesOnlyAtMinuteBoundaries();
    void zoneChangeIsPickedUp();
    void wakesWhenTheTextCanChange_data();
    void wakesWhenTheTextCanChange();
    void zoneLinkReplacedIsNoticed();
};

void TestMenuBarTitle::makeTitle_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("showDate");
    QTest::addColumn<bool>("showWeekday");
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<bool>("showAMPM");
    QTest::addColumn<bool>("showSeconds");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("expected");

    const QString both = u"dateAndTime"_s;
    const QString dateOnly = u"dateOnly"_s;
    const QString timeOnly = u"timeOnly"_s;
    const QString h24 = u"twentyFourHour"_s;
    const QString h12 = u"twelveHour"_s;
    for (const QByteArray &zone : {"Asia/Shanghai"_ba, "America/New_York"_ba}) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::addRow("%s, %s", name, zone.constData()) << zone;
        };
        row("defaults") << both << true << true << h24 << false << false << 14 << 3
                        << u"12月5日 周六 14:03"_s;
        row("seconds") << both << true << true << h24 << true << true << 14 << 3
                       << u"12月5日 周六 14:03:09"_s;
        row("no weekday") << both << true << false << h24 << false << false << 14 << 3
                          << u"12月5日 14:03"_s;
        row("no date") << both << false << true << h24 << false << false << 14 << 3
                       << u"周六 14:03"_s;
        row("neither date nor weekday, no leading space")
            << both << false << false << h24 << true << false << 14 << 3 << u"14:03"_s;
        row("12-hour") << both << true << true << h12 << false << false << 14 << 3
                       << u"12月5日 周六 2:03"_s;
        row("12-hour with AM/PM") << both << true << true << h12 << true << false << 14 << 3
                                  << u"12月5日 周六 下午 2:03"_s;
        row("12-hour with AM/PM and seconds") << both << true << true << h12 << true << true << 14
                                              << 3 << u"12月5日 周六 下午 2:03:09"_s;
        row("date only") << dateOnly << true << true << h12 << true << true << 14 << 3
                         << u"12月5日 周六"_s;
        row("date only, weekday") << dateOnly << false << true << h24 << false << false << 14 << 3
                                  << u"周六"_s;
        row("date only, nothing") << dateOnly << false << false << h24 << false << true << 14 << 3
                                  << QString();
        row("time only with seconds")
            << timeOnly << true << true << h24 << false << true << 14 << 3 << u"14:03:09"_s;
        row("time only, 12-hour with AM/PM")
            << timeOnly << false << false << h12 << true << false << 14 << 3 << u"下午 2:03"_s;
        row("half past midnight, 12-hour")
            << timeOnly << true << true << h12 << false << false << 0 << 30 << u"12:30"_s;
        row("half past midnight, 24-hour")
            << timeOnly << true << true << h24 << true << false << 0 << 30 << u"00:30"_s;
        row("morning with AM/PM") << timeOnly << true << true << h12 << true << false << 9 << 5
                                  << u"上午 9:05"_s;
    }
}

void TestMenuBarTitle::makeTitle()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, style);
    QFETCH(bool, showDate);
    QFETCH(bool, showWeekday);
    QFETCH(QString, timeFormat);
    QFETCH(bool, showAMPM);
    QFETCH(bool, showSeconds);
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, expected);
    const TimeZoneScope pinned(zone);

    const Settings file(QJsonObject{
        {PreferencesStore::Keys::menuBarStyle, style},
        {PreferencesStore::Keys::showDate, showDate},
        {PreferencesStore::Keys::showWeekday, showWeekday},
        {PreferencesStore::Keys::timeFormat, timeFormat},
        {PreferencesStore::Keys::showAMPM, showAMPM},
        {PreferencesStore::Keys::showSeconds, showSeconds},
    });
    const PreferencesStore &preferences = *file.preferences;
    const QDateTime instant = localTime(2026, 12, 5, hour, minute, 9);
    QCOMPARE(::makeTitle(preferences.menuBarStyle(), instant, preferences), expected);
}

void TestMenuBarTitle::firstLaunchUsesTheRegisteredDefaults()
{
    const TimeZoneScope pinned("America/New_York");
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(u"settings.json"_s));
    AppBootstrapper::configureAppearance(settings);
    PreferencesStore preferences(settings);
    const MenuBarTitle title(&preferences, [] { return localTime(2026, 12, 5, 14, 3, 9); });
    QCOMPARE(title.text(), u"12月5日 周六 14:03"_s);
}

void TestMenuBarTitle::settingsChangeRebuildsAtOnce()
{
    const TimeZoneScope pinned("Asia/Shanghai");
    Settings file({});
    PreferencesStore &preferences = *file.preferences;
    MenuBarTitle title(&preferences, [] { return localTime(2026, 12, 5, 14, 3, 9); });
    QSignalSpy changed(&title, &MenuBarTitle::textChanged);

    preferences.setShowSeconds(true);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(title.text(), u"12月5日 周六 14:03:09"_s);

    // An assignment of the same value rebuilds, but the shown text did not change.
    preferences.setShowSeconds(true);
    QCOMPARE(changed.size(), 1);

    preferences.setMenuBarStyle(MenuBarDisplayStyle::timeOnly);
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.last().first().toString(), u"14:03:09"_s);
}

void TestMenuBarTitle::textChangesOnlyAtMinuteBoundaries()
{
    const TimeZoneScope pinned("America/New_York");
    Settings file({});
    QDateTime now = localTime(2026, 12, 31, 23, 59, 58);
    MenuBarTitle title(&*file.preferences, [&now] { return now; });
    QSignalSpy changed(&title, &MenuBarTitle::textChanged);

    now = now.addMSecs(1500);
    title.rebuild();
    QCOMPARE(changed.size(), 0);

    now = now.addMSecs(600);
    title.rebuild();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(title.text(), u"1月1日 周五 00:00"_s);
}

void TestMenuBarTitle::zoneChangeIsPickedUp()
{
    const TimeZoneScope pinned("Asia/Shanghai");
    Settings file({});
    const QDateTime instant({2026, 12, 5}, {6, 3, 9}, Qt::UTC);
    MenuBarTitle title(&*file.preferences, [&instant] { return instant; });
    QCOMPARE(title.text(), u"12月5日 周六 14:03"_s);

    qputenv("TZ", "America/New_York");
    title.rebuild();
    QCOMPARE(title.text(), u"12月5日 周六 01:03"_s);
}

void TestMenuBarTitle::wakesWhenTheTextCanChange_data()
{
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<bool>("seconds");
    QTest::addColumn<int>("expected");

    const QDateTime quarter({2026, 12, 5}, {14, 3, 9, 250}, Qt::UTC);
    QTest::newRow("minutes") << quarter << false << 50'750;
    QTest::newRow("seconds") << quarter << true << 750;
    QTest::newRow("on the minute") << QDateTime({2026, 12, 5}, {14, 4}, Qt::UTC) << false << 60'000;
    // 01:59:59.900 EST, 100 ms before the clocks go forward to 03:00 EDT.
    QTest::newRow("before a DST change")
        << QDateTime({2026, 3, 8}, {6, 59, 59, 900}, Qt::UTC) << false << 100;
}

void TestMenuBarTitle::wakesWhenTheTextCanChange()
{
    QFETCH(QDateTime, instant);
    QFETCH(bool, seconds);
    QFETCH(int, expected);
    // A zone half an hour off the hour turns its minutes with UTC's all the same.
    for (const QByteArray &zone : {"America/New_York"_ba, "Asia/Kolkata"_ba}) {
        const TimeZoneScope pinned(zone);
        QCOMPARE(MenuBarTitle::msToNextChange(instant, seconds), expected);
    }
}

void TestMenuBarTitle::zoneLinkReplacedIsNoticed()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(u"localtime"_s);
    QVERIFY(QFile::link(u"/usr/share/zoneinfo/Asia/Shanghai"_s, link));
    SystemClockMonitor monitor(link);
    QSignalSpy changed(&monitor, &SystemClockMonitor::changed);

    // What timedatectl set-timezone does: a new link renamed over the old one.
    const QString next = dir.filePath(u"localtime.new"_s);
    QVERIFY(QFile::link(u"/usr/share/zoneinfo/America/New_York"_s, next));
    QVERIFY(std::rename(QFile::encodeName(next).constData(), QFile::encodeName(link).constData())
            == 0);
    QTRY_VERIFY(!changed.isEmpty());
}

QTEST_GUILESS_MAIN(TestMenuBarTitle)
#include "tst_menubartitle.moc"
