#include "TimeZoneScope.h"
#include "menubar/MenuBarTitle.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/MenuBarDisplayStyle.h"
#include "shared/SettingsStore.h"
#include "shared/SystemClockMonitor.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A new settings file.
struct Settings
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath(u"settings.json"_s)};
    PreferencesStore preferences{settings};
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
    void rebuildsOnSettingsAndMinutes();
    void zoneChangeIsPickedUp();
    void clockSetIsPickedUp();
    void wakesWhenTheTextCanChange();
};

void TestMenuBarTitle::makeTitle_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("on"); // d date, w weekday, h 12-hour, a AM/PM, s seconds
    QTest::addColumn<int>("hour");
    QTest::addColumn<QString>("expected");

    constexpr int both = int(MenuBarDisplayStyle::dateAndTime);
    constexpr int dateOnly = int(MenuBarDisplayStyle::dateOnly);
    constexpr int timeOnly = int(MenuBarDisplayStyle::timeOnly);
    QTest::newRow("seconds") << both << u"dwas"_s << 14 << u"12月5日 周六 14:03:09"_s;
    QTest::newRow("no date") << both << u"w"_s << 14 << u"周六 14:03"_s;
    QTest::newRow("neither, no leading space") << both << u"a"_s << 14 << u"14:03"_s;
    QTest::newRow("AM/PM") << both << u"dwhas"_s << 14 << u"12月5日 周六 下午 2:03:09"_s;
    QTest::newRow("date only") << dateOnly << u"dwhas"_s << 14 << u"12月5日 周六"_s;
    QTest::newRow("date only, nothing") << dateOnly << u"s"_s << 14 << QString();
    QTest::newRow("time only, AM/PM") << timeOnly << u"ha"_s << 9 << u"上午 9:03"_s;
    QTest::newRow("past midnight, 12-hour") << timeOnly << u"dwh"_s << 0 << u"12:03"_s;
}

void TestMenuBarTitle::makeTitle()
{
    QFETCH(int, style);
    QFETCH(QString, on);
    QFETCH(int, hour);
    const TimeZoneScope pinned("Asia/Shanghai");
    Settings file;
    PreferencesStore &preferences = file.preferences;
    preferences.setValue(SettingKeys::showDate, on.contains(u'd'));
    preferences.setValue(SettingKeys::showWeekday, on.contains(u'w'));
    preferences.setValue(SettingKeys::timeFormat, on.contains(u'h')
                                                      ? MenuBarTimeFormat::twelveHour
                                                      : MenuBarTimeFormat::twentyFourHour);
    preferences.setValue(SettingKeys::showAMPM, on.contains(u'a'));
    preferences.setValue(SettingKeys::showSeconds, on.contains(u's'));
    QTEST(MenuBarTitle::makeTitle(MenuBarDisplayStyle(style), localTime(2026, 12, 5, hour, 3, 9),
                                  preferences),
          "expected");
}

void TestMenuBarTitle::rebuildsOnSettingsAndMinutes()
{
    const TimeZoneScope pinned("America/New_York");
    Settings file;
    PreferencesStore &preferences = file.preferences;
    QDateTime now = localTime(2026, 12, 31, 23, 59, 58);
    MenuBarTitle title(&preferences, [&now] { return now; });
    QSignalSpy changed(&title, &MenuBarTitle::textChanged);
    // A first launch shows the keys' defaults.
    QCOMPARE(title.text(), u"12月31日 周四 23:59"_s);

    now = now.addMSecs(1500);
    title.rebuild();
    QCOMPARE(changed.size(), 0);
    now = now.addMSecs(600);
    title.rebuild();
    QCOMPARE(title.text(), u"1月1日 周五 00:00"_s);

    preferences.setValue(SettingKeys::showSeconds, true);
    QCOMPARE(title.text(), u"1月1日 周五 00:00:00"_s);
    // An assignment of the same value rebuilds, but the shown text did not change.
    preferences.setValue(SettingKeys::showSeconds, true);
    QCOMPARE(changed.size(), 2);
}

void TestMenuBarTitle::zoneChangeIsPickedUp()
{
    const TimeZoneScope pinned("Asia/Shanghai");
    Settings file;
    const QDateTime instant({2026, 12, 5}, {6, 3, 9}, QTimeZone::utc());
    MenuBarTitle title(&file.preferences, [&instant] { return instant; });
    QCOMPARE(title.text(), u"12月5日 周六 14:03"_s);
    qputenv("TZ", "America/New_York");
    title.rebuild();
    QCOMPARE(title.text(), u"12月5日 周六 01:03"_s);

    // What timedatectl set-timezone does: a new link renamed over the old one.
    const QString link = file.dir.filePath(u"localtime"_s);
    const QString next = file.dir.filePath(u"localtime.new"_s);
    QVERIFY(QFile::link(u"/usr/share/zoneinfo/Asia/Shanghai"_s, link));
    SystemClockMonitor monitor(link);
    QSignalSpy changed(&monitor, &SystemClockMonitor::changed);
    QVERIFY(QFile::link(u"/usr/share/zoneinfo/America/New_York"_s, next));
    QCOMPARE(std::rename(QFile::encodeName(next).constData(), QFile::encodeName(link).constData()),
             0);
    QTRY_VERIFY(!changed.isEmpty());
}

void TestMenuBarTitle::clockSetIsPickedUp()
{
    const TimeZoneScope pinned("Asia/Shanghai");
    Settings file;
    QDateTime instant = QDateTime({2026, 12, 5}, {6, 3, 9}, QTimeZone::utc());
    MenuBarTitle title(&file.preferences, [&instant] { return instant; });
    // The clock set back a day: no timer is due, only the monitor's report tells.
    instant = instant.addDays(-1);
    Q_EMIT title.clockMonitor().changed();
    QCOMPARE(title.text(), u"12月4日 周五 14:03"_s);
}

void TestMenuBarTitle::wakesWhenTheTextCanChange()
{
    const QDateTime quarter({2026, 12, 5}, {14, 3, 9, 250}, QTimeZone::utc());
    // 01:59:59.900 EST, 100 ms before the clocks go forward to 03:00 EDT.
    const QDateTime beforeDst({2026, 3, 8}, {6, 59, 59, 900}, QTimeZone::utc());
    // A zone half an hour off the hour turns its minutes with UTC's all the same.
    for (const QByteArray &zone : {"America/New_York"_ba, "Asia/Kolkata"_ba}) {
        const TimeZoneScope pinned(zone);
        QCOMPARE(MenuBarTitle::msToNextChange(quarter, false), 50'750);
        QCOMPARE(MenuBarTitle::msToNextChange(quarter, true), 750);
        QCOMPARE(MenuBarTitle::msToNextChange(beforeDst, false), 100);
    }
    // Noon, and the next day starts at 01:00 when its midnight is skipped.
    const TimeZoneScope santiago("America/Santiago");
    QCOMPARE(MenuBarTitle::msToNextDay(QDateTime({2024, 9, 7}, {16, 0}, QTimeZone::utc())),
             12 * 3'600'000);
}

QTEST_GUILESS_MAIN(TestMenuBarTitle)
#include "tst_menubartitle.moc"
