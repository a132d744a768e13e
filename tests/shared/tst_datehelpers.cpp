#include "TimeZoneScope.h"
#include "holidays/LunarCalendarService.h"
#include "shared/DateHelpers.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The local wall-clock time of an instant in the pinned zone, as "yyyy-MM-dd HH:mm".
QString wallClock(const QDateTime &instant)
{
    return DateHelpers::formatDate(instant, "en_US_POSIX", u"yyyy-MM-dd HH:mm"_s);
}

QDateTime localNoon(const CivilCalendar &calendar, int year, int month, int day)
{
    return calendar.date(year, month, day, 12).value();
}

} // namespace

class TestDateHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void monthGridDates_data();
    void monthGridDates();
    void gridEntriesStartTheirDays_data();
    void gridEntriesStartTheirDays();
    void startOfMonth_data();
    void startOfMonth();
    void textForms_data();
    void textForms();
    void textFormsFollowTheZone();
    void lunarLineTakesTheLunarYear_data();
    void lunarLineTakesTheLunarYear();
};

void TestDateHelpers::monthGridDates_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("firstWeekday");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");

    for (const QByteArray &zone : {"Asia/Shanghai"_ba, "America/New_York"_ba}) {
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::addRow("%s %s", name, zone.constData()) << zone;
        };
        row("Sunday first, February 2026 fits four weeks")
            << int(CivilCalendar::Sunday) << 2026 << 2 << 28 << u"2026-02-01"_s << u"2026-02-28"_s;
        row("Monday first, February 2026")
            << int(CivilCalendar::Monday) << 2026 << 2 << 35 << u"2026-01-26"_s << u"2026-03-01"_s;
        row("Monday first, March 2026 needs six weeks")
            << int(CivilCalendar::Monday) << 2026 << 3 << 42 << u"2026-02-23"_s << u"2026-04-05"_s;
        row("Sunday first, March 2026")
            << int(CivilCalendar::Sunday) << 2026 << 3 << 35 << u"2026-03-01"_s << u"2026-04-04"_s;
        row("Monday first, February 2021 starts on a Monday")
            << int(CivilCalendar::Monday) << 2021 << 2 << 28 << u"2021-02-01"_s << u"2021-02-28"_s;
        row("Monday first, November 2026 crosses the autumn change")
            << int(CivilCalendar::Monday) << 2026 << 11 << 42 << u"2026-10-26"_s << u"2026-12-06"_s;
        row("Saturday first, leap February 2024") << int(CivilCalendar::Saturday) << 2024 << 2 << 35
                                                  << u"2024-01-27"_s << u"2024-03-01"_s;
    }
}

void TestDateHelpers::monthGridDates()
{
    QFETCH(QByteArray, zone);
    QFETCH(int, firstWeekday);
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, count);
    QFETCH(QString, first);
    QFETCH(QString, last);
    const TimeZoneScope pinned(zone);
    const CivilCalendar calendar(firstWeekday);

    // Any instant of the month gives the same grid.
    for (const int day : {1, 15, 28}) {
        const QList<QDateTime> dates =
            DateHelpers::monthGridDates(localNoon(calendar, year, month, day), calendar);
        QCOMPARE(dates.size(), count);
        QCOMPARE(wallClock(dates.first()), first + u" 00:00"_s);
        QCOMPARE(wallClock(dates.last()), last + u" 00:00"_s);
        QCOMPARE(calendar.components(dates.first())->weekday, firstWeekday);
        QCOMPARE(calendar.components(dates.last())->weekday, (firstWeekday + 5) % 7 + 1);
    }
}

void TestDateHelpers::gridEntriesStartTheirDays_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");

    QTest::newRow("New York, spring forward at 02:00") << "America/New_York"_ba << 2026 << 3;
    QTest::newRow("New York, fall back at 02:00") << "America/New_York"_ba << 2026 << 11;
    QTest::newRow("Shanghai, no changes") << "Asia/Shanghai"_ba << 2026 << 3;
    // Brazil moved its clocks at midnight: 4 November 2018 began at 01:00.
    QTest::newRow("São Paulo, midnight skipped") << "America/Sao_Paulo"_ba << 2018 << 11;
}

void TestDateHelpers::gridEntriesStartTheirDays()
{
    QFETCH(QByteArray, zone);
    QFETCH(int, year);
    QFETCH(int, month);
    const TimeZoneScope pinned(zone);
    const CivilCalendar calendar = CivilCalendar::viewCalendar();

    const QList<QDateTime> dates =
        DateHelpers::monthGridDates(localNoon(calendar, year, month, 10), calendar);
    QCOMPARE(dates.size() % 7, 0);
    for (qsizetype i = 0; i < dates.size(); ++i) {
        const QDateTime &entry = dates.at(i);
        QCOMPARE(calendar.startOfDay(entry), entry);
        // The instant just before belongs to the previous day.
        QVERIFY(!calendar.isSameDay(entry.addMSecs(-1), entry));
        if (i > 0)
            QCOMPARE(calendar.daysBetween(dates.at(i - 1), entry).value_or(0), 1);
    }
}

void TestDateHelpers::startOfMonth_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QDateTime>("expected");

    QTest::newRow("Shanghai, UTC day still in the previous month")
        << "Asia/Shanghai"_ba << QDateTime({2026, 2, 28}, {17, 0}, Qt::UTC)
        << QDateTime({2026, 2, 28}, {16, 0}, Qt::UTC);
    QTest::newRow("New York, last second of March")
        << "America/New_York"_ba << QDateTime({2026, 4, 1}, {3, 59, 59}, Qt::UTC)
        << QDateTime({2026, 3, 1}, {5, 0}, Qt::UTC);
    QTest::newRow("New York, November starts in summer time")
        << "America/New_York"_ba << QDateTime({2026, 11, 30}, {12, 0}, Qt::UTC)
        << QDateTime({2026, 11, 1}, {4, 0}, Qt::UTC);
}

void TestDateHelpers::startOfMonth()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, instant);
    QFETCH(QDateTime, expected);
    const TimeZoneScope pinned(zone);
    const CivilCalendar calendar = CivilCalendar::viewCalendar();

    const QDateTime start = DateHelpers::startOfMonth(instant, calendar);
    QCOMPARE(start, expected);
    QCOMPARE(DateHelpers::startOfMonth(start, calendar), start);
}

void TestDateHelpers::textForms_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("monthYear");
    QTest::addColumn<QString>("longDescription");
    QTest::addColumn<QString>("dayNumber");

    QTest::newRow("a Thursday in March") << QDateTime({2026, 3, 5}, {9, 0}, Qt::UTC)
                                         << u"2026年 3月"_s << u"3月5日 星期四"_s << u"5"_s;
    QTest::newRow("two-digit month and day") << QDateTime({2026, 12, 31}, {1, 0}, Qt::UTC)
                                             << u"2026年 12月"_s << u"12月31日 星期四"_s << u"31"_s;
    QTest::newRow("a Sunday") << QDateTime({2026, 3, 1}, {1, 0}, Qt::UTC) << u"2026年 3月"_s
                              << u"3月1日 星期日"_s << u"1"_s;
}

void TestDateHelpers::textForms()
{
    QFETCH(QDateTime, date);
    const TimeZoneScope pinned("Asia/Shanghai");
    QTEST(DateHelpers::monthYearText(date), "monthYear");
    QTEST(DateHelpers::longDescription(date), "longDescription");
    QTEST(DateHelpers::dayNumberText(date), "dayNumber");
}

void TestDateHelpers::textFormsFollowTheZone()
{
    const QDateTime instant({2026, 3, 1}, {2, 0}, Qt::UTC);
    {
        const TimeZoneScope pinned("Asia/Shanghai");
        QCOMPARE(DateHelpers::longDescription(instant), u"3月1日 星期日"_s);
    }
    {
        const TimeZoneScope pinned("America/New_York");
        QCOMPARE(DateHelpers::longDescription(instant), u"2月28日 星期六"_s);
        QCOMPARE(DateHelpers::monthYearText(instant), u"2026年 2月"_s);
    }
}

void TestDateHelpers::lunarLineTakesTheLunarYear_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QString>("expected");

    QTest::newRow("lunar new year 2024") << QDate(2024, 2, 10) << u"甲辰龙年 正月初一"_s;
    QTest::newRow("January before the new year keeps the old lunar year")
        << QDate(2024, 1, 20) << u"癸卯兔年 腊月初十"_s;
    QTest::newRow("new year's eve 2026") << QDate(2026, 2, 16) << u"乙巳蛇年 腊月廿九"_s;
    QTest::newRow("December keeps the civil year") << QDate(2023, 12, 31) << u"癸卯兔年 冬月十九"_s;
    QTest::newRow("leap second month 2023") << QDate(2023, 3, 22) << u"癸卯兔年 闰二月初一"_s;
    QTest::newRow("day thirty") << QDate(2024, 2, 9) << u"癸卯兔年 腊月三十"_s;
    QTest::newRow("new year 2027 by the almanac") << QDate(2027, 2, 6) << u"丁未羊年 正月初一"_s;
}

void TestDateHelpers::lunarLineTakesTheLunarYear()
{
    QFETCH(QDate, day);
    QFETCH(QString, expected);
    for (const QByteArray &zone : {"Asia/Shanghai"_ba, "America/New_York"_ba}) {
        const TimeZoneScope pinned(zone);
        const CivilCalendar calendar = CivilCalendar::viewCalendar();
        const QDateTime start = calendar.date(day.year(), day.month(), day.day()).value();
        QCOMPARE(LunarCalendarService::lunarYearMonthDayText(start), expected);
        QCOMPARE(LunarCalendarService::lunarYearMonthDayText(start.addSecs(86'399)), expected);
    }
}

QTEST_GUILESS_MAIN(TestDateHelpers)
#include "tst_datehelpers.moc"
