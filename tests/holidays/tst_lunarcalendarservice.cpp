#include "holidays/ChineseCalendar.h"
#include "holidays/LunarCalendarService.h"
#include "shared/SystemTimeZone.h"

#include <QFile>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

void pinZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    SystemTimeZone::refresh();
}

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

} // namespace

// Readable failure messages; found by argument-dependent lookup from QCOMPARE.
char *toString(const std::optional<LunarDate> &date)
{
    if (!date)
        return qstrdup("nothing");
    const QByteArray text = QByteArray::number(date->month) + (date->isLeapMonth ? "L/" : "/")
                            + QByteArray::number(date->day);
    return qstrdup(text.constData());
}

char *toString(const std::optional<QString> &text)
{
    return text ? QTest::toString(*text) : qstrdup("nothing");
}

static QString mismatch(QDate civil, const std::optional<LunarDate> &actual,
                        const std::optional<LunarDate> &expected)
{
    const std::unique_ptr<char[]> got(toString(actual));
    const std::unique_ptr<char[]> wanted(toString(expected));
    return civil.toString(Qt::ISODate) + u": "_s + QString::fromLatin1(got.get())
           + u" instead of "_s + QString::fromLatin1(wanted.get());
}

class tst_LunarCalendarService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void everyDayOfTheTable();
    void tableBoundaries();
    void outsideTable_data();
    void outsideTable();

    void compactLabel_data();
    void compactLabel();
    void invalidInstantHasNoLabel();

    void monthText_data();
    void monthText();
    void dayText_data();
    void dayText();
    void chineseNumeral_data();
    void chineseNumeral();

    void lunarYearMonthDayText_data();
    void lunarYearMonthDayText();
};

void tst_LunarCalendarService::initTestCase()
{
    pinZone("Asia/Shanghai");
}

void tst_LunarCalendarService::everyDayOfTheTable()
{
    pinZone("Asia/Shanghai");
    QFile file(QStringLiteral(TESSEL_SOURCE_DIR "/tools/data/chinese-lunar-months.tsv"));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.errorString()));

    QDate expectedFirstDay(1900, 1, 31);
    int rows = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith("lunar_year"_L1))
            continue;
        const QStringList fields = line.split(u'\t');
        QCOMPARE(fields.size(), 5);
        const int month = fields[1].toInt();
        const bool isLeap = fields[2] == "1"_L1;
        const QDate firstDay = QDate::fromString(fields[3], Qt::ISODate);
        const int length = fields[4].toInt();
        // Contiguous rows make the walk cover every day of the range.
        QCOMPARE(firstDay, expectedFirstDay);
        for (int day = 1; day <= length; ++day) {
            const QDate civil = firstDay.addDays(day - 1);
            const std::optional<LunarDate> expected = LunarDate{month, day, isLeap};
            QVERIFY2(ChineseCalendar::isInTable(civil), qPrintable(civil.toString(Qt::ISODate)));
            const auto lunar = ChineseCalendar::lunarDate(civil);
            QVERIFY2(lunar == expected, qPrintable(mismatch(civil, lunar, expected)));
            // Noon in Beijing, also in the summers of the 1940s and 1986-1991 that kept DST.
            const auto fromInstant =
                ChineseCalendar::dateComponents(QDateTime(civil, QTime(4, 0), Qt::UTC));
            QVERIFY2(fromInstant == expected, qPrintable(mismatch(civil, fromInstant, expected)));
        }
        expectedFirstDay = firstDay.addDays(length);
        ++rows;
    }
    QCOMPARE(rows, 2486);
    QCOMPARE(expectedFirstDay, QDate(2101, 1, 29));
}

void tst_LunarCalendarService::tableBoundaries()
{
    QVERIFY(!ChineseCalendar::isInTable(QDate(1900, 1, 30)));
    QVERIFY(ChineseCalendar::isInTable(QDate(1900, 1, 31)));
    QVERIFY(ChineseCalendar::isInTable(QDate(2101, 1, 28)));
    QVERIFY(!ChineseCalendar::isInTable(QDate(2101, 1, 29)));
    QVERIFY(!ChineseCalendar::isInTable(QDate()));

    QCOMPARE(ChineseCalendar::lunarDate(QDate(1900, 1, 31)),
             (std::optional<LunarDate>{LunarDate{1, 1, false}}));
    QCOMPARE(ChineseCalendar::lunarDate(QDate(2101, 1, 28)),
             (std::optional<LunarDate>{LunarDate{12, 29, false}}));
    // Where the table hands over to ICU the months run on without a seam.
    QCOMPARE(ChineseCalendar::lunarDate(QDate(1900, 1, 30)),
             (std::optional<LunarDate>{LunarDate{12, 30, false}}));
    QCOMPARE(ChineseCalendar::lunarDate(QDate(2101, 1, 29)),
             (std::optional<LunarDate>{LunarDate{1, 1, false}}));

    QCOMPARE(ChineseCalendar::lunarDate(QDate()), std::nullopt);
    QCOMPARE(ChineseCalendar::dateComponents(QDateTime()), std::nullopt);
}

void tst_LunarCalendarService::outsideTable_data()
{
    QTest::addColumn<QDate>("civil");

    QTest::newRow("1899 summer") << QDate(1899, 6, 15);
    QTest::newRow("1800 new year's day") << QDate(1800, 1, 1);
    QTest::newRow("day after the table's last lunar new year") << QDate(2101, 2, 1);
    QTest::newRow("2150") << QDate(2150, 7, 1);
    QTest::newRow("end of 2999") << QDate(2999, 12, 31);
}

void tst_LunarCalendarService::outsideTable()
{
    QFETCH(QDate, civil);
    QVERIFY(!ChineseCalendar::isInTable(civil));
    const auto lunar = ChineseCalendar::lunarDate(civil);
    QVERIFY(lunar);
    QVERIFY2(lunar->month >= 1 && lunar->month <= 12, qPrintable(QString::number(lunar->month)));
    QVERIFY2(lunar->day >= 1 && lunar->day <= 30, qPrintable(QString::number(lunar->day)));

    // The next day continues the month or starts the next one.
    const auto next = ChineseCalendar::lunarDate(civil.addDays(1));
    QVERIFY(next);
    QVERIFY(next->day == lunar->day + 1 || (next->day == 1 && lunar->day >= 29));

    const LunarCalendarService service;
    QVERIFY(service.compactLabel(QDateTime(civil, QTime(4, 0), Qt::UTC)));
}

void tst_LunarCalendarService::compactLabel_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("expected");

    const QByteArray shanghai = "Asia/Shanghai";
    const QByteArray newYork = "America/New_York";

    QTest::newRow("lunar new year 2024 shows the month")
        << shanghai << utc(2024, 2, 10, 4) << u"正月"_s;
    QTest::newRow("second day of the year") << shanghai << utc(2024, 2, 11, 4) << u"初二"_s;
    QTest::newRow("first day of month 11") << shanghai << utc(2023, 12, 13, 4) << u"冬月"_s;
    QTest::newRow("first day of month 12") << shanghai << utc(2024, 1, 11, 4) << u"腊月"_s;
    QTest::newRow("first day of a leap month") << shanghai << utc(2023, 3, 22, 4) << u"闰二月"_s;
    QTest::newRow("leap month, day 2 is plain") << shanghai << utc(2023, 3, 23, 4) << u"初二"_s;
    QTest::newRow("leap month, day 15 is plain") << shanghai << utc(2023, 4, 5, 4) << u"十五"_s;
    QTest::newRow("first day after a leap month") << shanghai << utc(2023, 4, 20, 4) << u"三月"_s;
    QTest::newRow("day 10") << shanghai << utc(2024, 2, 19, 4) << u"初十"_s;
    QTest::newRow("day 11") << shanghai << utc(2024, 2, 20, 4) << u"十一"_s;
    QTest::newRow("day 19") << shanghai << utc(2024, 2, 28, 4) << u"十九"_s;
    QTest::newRow("day 20") << shanghai << utc(2024, 2, 29, 4) << u"二十"_s;
    QTest::newRow("day 21") << shanghai << utc(2024, 3, 1, 4) << u"廿一"_s;
    QTest::newRow("day 29") << shanghai << utc(2024, 3, 9, 4) << u"廿九"_s;
    QTest::newRow("day 30, lunar new year's eve") << shanghai << utc(2024, 2, 9, 4) << u"三十"_s;

    // 2024-02-10 04:30 UTC: 12:30 in Beijing, still 23:30 of the 9th in New York.
    QTest::newRow("Beijing day of the instant") << shanghai << utc(2024, 2, 10, 4, 30) << u"正月"_s;
    QTest::newRow("New York day of the same instant")
        << newYork << utc(2024, 2, 10, 4, 30) << u"三十"_s;
    QTest::newRow("first minute of a Beijing day")
        << shanghai << utc(2024, 2, 9, 16, 0) << u"正月"_s;
    QTest::newRow("last minute of a Beijing day")
        << shanghai << utc(2024, 2, 9, 15, 59) << u"三十"_s;
    // Daylight saving time moves New York's midnight to 04:00 UTC and back to 05:00 UTC.
    QTest::newRow("New York 23:30 EDT, day DST began")
        << newYork << utc(2024, 3, 11, 3, 30) << u"二月"_s;
    QTest::newRow("New York 00:30 EDT, day after")
        << newYork << utc(2024, 3, 11, 4, 30) << u"初二"_s;
    QTest::newRow("New York 23:30 EST, day DST ended")
        << newYork << utc(2024, 11, 4, 4, 30) << u"初三"_s;
    QTest::newRow("New York 00:30 EST, day after")
        << newYork << utc(2024, 11, 4, 5, 30) << u"初四"_s;
}

void tst_LunarCalendarService::compactLabel()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, instant);
    QFETCH(QString, expected);
    pinZone(zone);
    const LunarCalendarService service;
    QCOMPARE(service.compactLabel(instant), std::optional(expected));
}

void tst_LunarCalendarService::invalidInstantHasNoLabel()
{
    const LunarCalendarService service;
    QCOMPARE(service.compactLabel(QDateTime()), std::nullopt);
}

void tst_LunarCalendarService::monthText_data()
{
    QTest::addColumn<int>("month");
    QTest::addColumn<bool>("isLeap");
    QTest::addColumn<QString>("expected");

    QTest::newRow("month 1") << 1 << false << u"正月"_s;
    QTest::newRow("month 2") << 2 << false << u"二月"_s;
    QTest::newRow("month 10") << 10 << false << u"十月"_s;
    QTest::newRow("month 11") << 11 << false << u"冬月"_s;
    QTest::newRow("month 12") << 12 << false << u"腊月"_s;
    QTest::newRow("leap month 2") << 2 << true << u"闰二月"_s;
    QTest::newRow("leap month 11") << 11 << true << u"闰冬月"_s;
    QTest::newRow("month 0 as digits") << 0 << false << u"0月"_s;
    QTest::newRow("month 13 as digits") << 13 << false << u"13月"_s;
    QTest::newRow("leap month 13 as digits") << 13 << true << u"闰13月"_s;
}

void tst_LunarCalendarService::monthText()
{
    QFETCH(int, month);
    QFETCH(bool, isLeap);
    QFETCH(QString, expected);
    QCOMPARE(LunarCalendarService::monthText(month, isLeap), expected);
}

void tst_LunarCalendarService::dayText_data()
{
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1") << 1 << u"初一"_s;
    QTest::newRow("2") << 2 << u"初二"_s;
    QTest::newRow("9") << 9 << u"初九"_s;
    QTest::newRow("10") << 10 << u"初十"_s;
    QTest::newRow("11") << 11 << u"十一"_s;
    QTest::newRow("15") << 15 << u"十五"_s;
    QTest::newRow("19") << 19 << u"十九"_s;
    QTest::newRow("20") << 20 << u"二十"_s;
    QTest::newRow("21") << 21 << u"廿一"_s;
    QTest::newRow("25") << 25 << u"廿五"_s;
    QTest::newRow("29") << 29 << u"廿九"_s;
    QTest::newRow("30") << 30 << u"三十"_s;
    QTest::newRow("0 as digits") << 0 << u"0"_s;
    QTest::newRow("31 as digits") << 31 << u"31"_s;
    QTest::newRow("negative as digits") << -3 << u"-3"_s;
}

void tst_LunarCalendarService::dayText()
{
    QFETCH(int, day);
    QFETCH(QString, expected);
    QCOMPARE(LunarCalendarService::dayText(day), expected);
}

void tst_LunarCalendarService::chineseNumeral_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    const QString digits = u"一二三四五六七八九"_s;
    for (int n = 1; n <= 9; ++n)
        QTest::addRow("%d", n) << n << QString(digits[n - 1]);
    // Outside the table the number stays digits instead of reading past it.
    QTest::newRow("0") << 0 << u"0"_s;
    QTest::newRow("10") << 10 << u"10"_s;
    QTest::newRow("-1") << -1 << u"-1"_s;
}

void tst_LunarCalendarService::chineseNumeral()
{
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(LunarCalendarService::chineseNumeral(n), expected);
}

void tst_LunarCalendarService::lunarYearMonthDayText_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("instant");
    QTest::addColumn<QString>("expected");

    const QByteArray shanghai = "Asia/Shanghai";
    const QByteArray newYork = "America/New_York";

    QTest::newRow("lunar new year 2024")
        << shanghai << utc(2024, 2, 10, 4) << u"甲辰龙年 正月初一"_s;
    QTest::newRow("civil year ahead of the lunar year")
        << shanghai << utc(2024, 1, 20, 4) << u"癸卯兔年 腊月初十"_s;
    QTest::newRow("first day of a leap month")
        << shanghai << utc(2023, 3, 22, 4) << u"癸卯兔年 闰二月初一"_s;
    QTest::newRow("leap month, later day")
        << shanghai << utc(2023, 4, 5, 4) << u"癸卯兔年 闰二月十五"_s;
    QTest::newRow("first day of the table")
        << shanghai << utc(1900, 1, 31, 4) << u"庚子鼠年 正月初一"_s;
    // 2023-12-31 16:30 UTC is already 2024 in Beijing but still 2023 in New York.
    QTest::newRow("new civil year in Beijing")
        << shanghai << utc(2023, 12, 31, 16, 30) << u"癸卯兔年 冬月二十"_s;
    QTest::newRow("old civil year in New York")
        << newYork << utc(2023, 12, 31, 16, 30) << u"癸卯兔年 冬月十九"_s;
    QTest::newRow("lunar new year's eve in New York")
        << newYork << utc(2024, 2, 10, 4, 30) << u"癸卯兔年 腊月三十"_s;
    QTest::newRow("outside the table") << shanghai << utc(2150, 7, 1, 4) << u"庚戌狗年 六月初七"_s;
}

void tst_LunarCalendarService::lunarYearMonthDayText()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, instant);
    QFETCH(QString, expected);
    pinZone(zone);
    QCOMPARE(LunarCalendarService::lunarYearMonthDayText(instant), expected);
}

QTEST_GUILESS_MAIN(tst_LunarCalendarService)
#include "tst_lunarcalendarservice.moc"
