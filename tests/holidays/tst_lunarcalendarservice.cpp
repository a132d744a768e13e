#include "TimeZoneScope.h"
#include "holidays/ChineseCalendar.h"
#include "holidays/LunarCalendarService.h"

#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(int year, int month, int day, int hour = 4, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc());
}

QString text(const std::optional<LunarDate> &date)
{
    if (!date)
        return u"nothing"_s;
    return u"%1%2/%3"_s.arg(date->month).arg(date->isLeapMonth ? u"L"_s : QString()).arg(date->day);
}

} // namespace

class TestLunarCalendarService : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void tableHandsOverToIcuWithoutASeam_data()
    {
        QTest::addColumn<QDate>("civil");
        QTest::addColumn<bool>("inTable");
        QTest::addColumn<QString>("expected");

        QTest::newRow("day before the table") << QDate(1900, 1, 30) << false << u"12/30"_s;
        QTest::newRow("first day of the table") << QDate(1900, 1, 31) << true << u"1/1"_s;
        QTest::newRow("last day of the table") << QDate(2101, 1, 28) << true << u"12/29"_s;
        QTest::newRow("day after the table") << QDate(2101, 1, 29) << false << u"1/1"_s;
        QTest::newRow("end of 2999") << QDate(2999, 12, 31) << false << QString();
        QTest::newRow("invalid day") << QDate() << false << u"nothing"_s;
    }

    void tableHandsOverToIcuWithoutASeam()
    {
        QFETCH(QDate, civil);
        QFETCH(QString, expected);
        QTEST(ChineseCalendar::isInTable(civil), "inTable");
        const auto lunar = ChineseCalendar::lunarDate(civil);
        if (!expected.isEmpty())
            QCOMPARE(text(lunar), expected);
        if (!civil.isValid())
            return;
        // The next day continues the month or starts the next one.
        const auto next = ChineseCalendar::lunarDate(civil.addDays(1));
        QVERIFY(lunar && next);
        QVERIFY(next->day == lunar->day + 1 || (next->day == 1 && lunar->day >= 29));
        QVERIFY(LunarCalendarService().compactLabel(utc(civil.year(), civil.month(), civil.day())));
    }

    void labelsAndLinesTakeTheDayOfTheZone_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("line");

        const QByteArray shanghai = "Asia/Shanghai";
        const QByteArray newYork = "America/New_York";
        QTest::newRow("first day of a leap month")
            << shanghai << utc(2023, 3, 22) << u"闰二月"_s << u"癸卯兔年 闰二月初一"_s;
        // 2024-02-10 04:30 UTC: 12:30 in Beijing, still 23:30 of the 9th in New York.
        QTest::newRow("Beijing day of the instant")
            << shanghai << utc(2024, 2, 10, 4, 30) << u"正月"_s << u"甲辰龙年 正月初一"_s;
        QTest::newRow("New York day of the same instant")
            << newYork << utc(2024, 2, 10, 4, 30) << u"三十"_s << u"癸卯兔年 腊月三十"_s;
        // 2023-12-31 16:30 UTC is already 2024 in Beijing but still 2023 in New York.
        QTest::newRow("new civil year in Beijing")
            << shanghai << utc(2023, 12, 31, 16, 30) << u"二十"_s << u"癸卯兔年 冬月二十"_s;
        QTest::newRow("old civil year in New York")
            << newYork << utc(2023, 12, 31, 16, 30) << u"十九"_s << u"癸卯兔年 冬月十九"_s;
        // Daylight saving time moves New York's midnight to 04:00 UTC and back to 05:00 UTC.
        QTest::newRow("New York 23:30 EDT, day DST began")
            << newYork << utc(2024, 3, 11, 3, 30) << u"二月"_s << u"甲辰龙年 二月初一"_s;
        QTest::newRow("New York 00:30 EDT, day after")
            << newYork << utc(2024, 3, 11, 4, 30) << u"初二"_s << u"甲辰龙年 二月初二"_s;
        QTest::newRow("New York 23:30 EST, day DST ended")
            << newYork << utc(2024, 11, 4, 4, 30) << u"初三"_s << u"甲辰龙年 十月初三"_s;
        QTest::newRow("New York 00:30 EST, day after")
            << newYork << utc(2024, 11, 4, 5, 30) << u"初四"_s << u"甲辰龙年 十月初四"_s;
        QTest::newRow("outside the table")
            << shanghai << utc(2150, 7, 1) << u"初七"_s << u"庚戌狗年 六月初七"_s;
    }

    void labelsAndLinesTakeTheDayOfTheZone()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, instant);
        QFETCH(QString, label);
        const TimeZoneScope pinned(zone);
        QCOMPARE(LunarCalendarService().compactLabel(instant), std::optional(label));
        QTEST(LunarCalendarService::lunarYearMonthDayText(instant), "line");
    }

    void numbersOutsideTheirRangeStayDigits()
    {
        // Never read past the name tables.
        QCOMPARE(LunarCalendarService::monthText(0, false), u"0月"_s);
        QCOMPARE(LunarCalendarService::monthText(13, true), u"闰13月"_s);
        QCOMPARE(LunarCalendarService::monthText(11, true), u"闰冬月"_s);
        QCOMPARE(LunarCalendarService::dayText(0), u"0"_s);
        QCOMPARE(LunarCalendarService::dayText(31), u"31"_s);
        QCOMPARE(LunarCalendarService::dayText(-3), u"-3"_s);
        QCOMPARE(LunarCalendarService::chineseNumeral(0), u"0"_s);
        QCOMPARE(LunarCalendarService::chineseNumeral(10), u"10"_s);
        QCOMPARE(LunarCalendarService::chineseNumeral(-1), u"-1"_s);
        QCOMPARE(LunarCalendarService().compactLabel(QDateTime()), std::nullopt);
        QCOMPARE(ChineseCalendar::dateComponents(QDateTime()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestLunarCalendarService)
#include "tst_lunarcalendarservice.moc"
