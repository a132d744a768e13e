#include "TimeZoneScope.h"
#include "holidays/LunarCalendarService.h"
#include "shared/DateHelpers.h"

#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

// The local day of an instant in the pinned zone, as "yyyy-MM-dd".
QString wallClock(const QDateTime &instant)
{
    return DateHelpers::formatDate(instant, "en_US_POSIX", u"yyyy-MM-dd"_s);
}

} // namespace

class TestDateHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void monthGridDates_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("firstWeekday");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");

        const QByteArray shanghai = "Asia/Shanghai";
        const QByteArray newYork = "America/New_York";
        const int sunday = CivilCalendar::Sunday;
        const int monday = CivilCalendar::Monday;
        QTest::newRow("Sunday first, February 2026 fits four weeks")
            << shanghai << sunday << 2026 << 2 << 28 << u"2026-02-01"_s << u"2026-02-28"_s;
        QTest::newRow("New York, March 2026 springs forward, six weeks")
            << newYork << monday << 2026 << 3 << 42 << u"2026-02-23"_s << u"2026-04-05"_s;
        QTest::newRow("February 2021 starts on a Monday")
            << shanghai << monday << 2021 << 2 << 28 << u"2021-02-01"_s << u"2021-02-28"_s;
        QTest::newRow("New York, November 2026 falls back")
            << newYork << monday << 2026 << 11 << 42 << u"2026-10-26"_s << u"2026-12-06"_s;
        // Brazil moved its clocks at midnight: 4 November 2018 began at 01:00.
        QTest::newRow("São Paulo, midnight skipped")
            << "America/Sao_Paulo"_ba << monday << 2018 << 11 << 35 << u"2018-10-29"_s
            << u"2018-12-02"_s;
        QTest::newRow("Asunción, the 1st begins at 01:00")
            << "America/Asuncion"_ba << monday << 2017 << 10 << 42 << u"2017-09-25"_s
            << u"2017-11-05"_s;
    }

    void monthGridDates()
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

        const QList<QDateTime> dates =
            DateHelpers::monthGridDates(calendar.date(year, month, 15, 12).value(), calendar);
        QCOMPARE(dates.size(), count);
        QCOMPARE(wallClock(dates.first()), first);
        QCOMPARE(wallClock(dates.last()), last);
        for (qsizetype i = 0; i < dates.size(); ++i) {
            // Each entry starts its day: the instant just before belongs to the previous one.
            QVERIFY(!calendar.isSameDay(dates.at(i).addMSecs(-1), dates.at(i)));
            if (i > 0)
                QCOMPARE(calendar.daysBetween(dates.at(i - 1), dates.at(i)).value_or(0), 1);
        }
    }

    void monthStartAndTexts_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QDateTime>("startOfMonth");
        QTest::addColumn<QString>("monthYear");
        QTest::addColumn<QString>("longDescription");
        QTest::addColumn<QString>("dayNumber");

        const auto utc = [](int year, int month, int day, int hour, int second = 0) {
            return QDateTime({year, month, day}, {hour, second / 60, second % 60},
                             QTimeZone::utc());
        };
        QTest::newRow("Shanghai, UTC day still in the previous month")
            << "Asia/Shanghai"_ba << utc(2026, 2, 28, 17) << utc(2026, 2, 28, 16) << u"2026年 3月"_s
            << u"3月1日 星期日"_s << u"1"_s;
        QTest::newRow("New York, still February")
            << "America/New_York"_ba << utc(2026, 3, 1, 2) << utc(2026, 2, 1, 5) << u"2026年 2月"_s
            << u"2月28日 星期六"_s << u"28"_s;
        QTest::newRow("New York, last second of March in summer time")
            << "America/New_York"_ba << utc(2026, 4, 1, 3, 3599) << utc(2026, 3, 1, 5)
            << u"2026年 3月"_s << u"3月31日 星期二"_s << u"31"_s;
        QTest::newRow("New York, November starts in summer time")
            << "America/New_York"_ba << utc(2026, 11, 30, 12) << utc(2026, 11, 1, 4)
            << u"2026年 11月"_s << u"11月30日 星期一"_s << u"30"_s;
    }

    void monthStartAndTexts()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, instant);
        QFETCH(QDateTime, startOfMonth);
        const TimeZoneScope pinned(zone);
        const CivilCalendar calendar = CivilCalendar::viewCalendar();
        QCOMPARE(DateHelpers::startOfMonth(instant, calendar), startOfMonth);
        QCOMPARE(DateHelpers::startOfMonth(startOfMonth, calendar), startOfMonth);
        QTEST(DateHelpers::monthYearText(instant), "monthYear");
        QTEST(DateHelpers::longDescription(instant), "longDescription");
        QTEST(DateHelpers::dayNumberText(instant), "dayNumber");
    }

    void localeFirstWeekday_data()
    {
        QTest::addColumn<QByteArray>("allCategories");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<int>("expected");
        QTest::newRow("US") << QByteArray() << "en_US.UTF-8"_ba << int(CivilCalendar::Sunday);
        QTest::newRow("Germany") << QByteArray() << "de_DE.UTF-8"_ba << int(CivilCalendar::Monday);
        QTest::newRow("Egypt") << QByteArray() << "ar_EG.UTF-8"_ba << int(CivilCalendar::Saturday);
        QTest::newRow("LC_ALL first") << "en_US.UTF-8"_ba
                                      << "de_DE.UTF-8"_ba << int(CivilCalendar::Sunday);
    }

    void localeFirstWeekday()
    {
        QFETCH(QByteArray, allCategories);
        QFETCH(QByteArray, time);
        const QByteArray savedAll = qgetenv("LC_ALL");
        const QByteArray savedTime = qgetenv("LC_TIME");
        qputenv("LC_ALL", allCategories);
        qputenv("LC_TIME", time);
        const int weekday = CivilCalendar::localeFirstWeekday();
        qputenv("LC_ALL", savedAll);
        qputenv("LC_TIME", savedTime);
        QTEST(weekday, "expected");
    }
};

QTEST_GUILESS_MAIN(TestDateHelpers)
#include "tst_datehelpers.moc"
