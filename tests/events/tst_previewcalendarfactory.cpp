#include "events/PreviewCalendarFactory.h"
#include "shared/CivilCalendar.h"
#include "shared/SystemTimeZone.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(QLatin1StringView iso)
{
    const QDateTime instant = QDateTime::fromString(iso, Qt::ISODate);
    Q_ASSERT(instant.isValid() && instant.timeSpec() == Qt::UTC);
    return instant;
}

void pinZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    SystemTimeZone::refresh();
}

// A wall-clock time in the given zone, independent of the process zone.
QDateTime wallTime(const QByteArray &zone, int year, int month, int day, int hour = 0,
                   int minute = 0, int second = 0)
{
    const auto instant =
        CivilCalendar(CivilCalendar::Monday, zone).date(year, month, day, hour, minute, second);
    Q_ASSERT(instant);
    return *instant;
}

QStringList titles(const QList<CalendarDayEvent> &events)
{
    QStringList result;
    for (const CalendarDayEvent &event : events)
        result.append(event.title);
    return result;
}

const QSet<QString> noneExcluded;

} // namespace

class PreviewCalendarFactoryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { pinZone("Asia/Shanghai"); }
    void cleanupTestCase() { pinZone("Asia/Shanghai"); }

    void calendars();
    void samplesFollowTheMonth_data();
    void samplesFollowTheMonth();
    void sampleFields_data();
    void sampleFields();
    void excludedCalendars_data();
    void excludedCalendars();
    void clockChangeDays_data();
    void clockChangeDays();
};

void PreviewCalendarFactoryTest::calendars()
{
    const QList<CalendarSource> expected{
        {u"preview-work"_s, u"工作"_s, u"预览数据"_s, u"#B4452E"_s},
        {u"preview-life"_s, u"生活"_s, u"预览数据"_s, u"#456B54"_s},
        {u"preview-subscription"_s, u"订阅提醒"_s, u"预览数据"_s, u"#5B6C9E"_s},
    };
    QCOMPARE(PreviewCalendarFactory::calendars(), expected);
}

void PreviewCalendarFactoryTest::samplesFollowTheMonth_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");

    struct Month
    {
        const char *name;
        int year;
        int month;
        int day;
        int hour;
        int minute;
        int second;
    };
    const Month months[] = {
        {"mid January 2026", 2026, 1, 20, 12, 0, 0},
        {"last second of February 2026", 2026, 2, 28, 23, 59, 59},
        {"leap day 2024", 2024, 2, 29, 8, 0, 0},
        {"first instant of March 2026", 2026, 3, 1, 0, 0, 0},
        {"November 2021, clocks back in New York on the 7th", 2021, 11, 7, 1, 30, 0},
        {"March 2029, clocks forward in New York on the 11th", 2029, 3, 11, 9, 0, 0},
        {"last second of 2026", 2026, 12, 31, 23, 59, 59},
    };
    for (const QByteArray &zone : {"Asia/Shanghai"_ba, "America/New_York"_ba}) {
        for (const Month &m : months) {
            QTest::addRow("%s, %s", zone.constData(), m.name)
                << zone << wallTime(zone, m.year, m.month, m.day, m.hour, m.minute, m.second)
                << m.year << m.month;
        }
    }
}

void PreviewCalendarFactoryTest::samplesFollowTheMonth()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, date);
    QFETCH(int, year);
    QFETCH(int, month);

    pinZone(zone);
    const CivilCalendar calendar(CivilCalendar::Monday, zone);
    const QList<CalendarDayEvent> events = PreviewCalendarFactory::events(date, noneExcluded);
    QCOMPARE(events.size(), 6);

    struct Expected
    {
        int day;
        int hour;
        int minute;
        int minutes; // elapsed length of a timed sample
    };
    const Expected expected[] = {
        {2, 9, 30, 45}, {2, 14, 0, 90},  {4, 19, 0, 120},
        {7, 0, 0, 0},   {11, 10, 0, 60}, {15, 16, 30, 30},
    };
    for (qsizetype i = 0; i < events.size(); ++i) {
        const CalendarDayEvent &event = events[i];
        const Expected &want = expected[i];
        const auto start = calendar.components(event.startDate);
        QVERIFY(start);
        QCOMPARE(start->year, year);
        QCOMPARE(start->month, month);
        QCOMPARE(start->day, want.day);
        QCOMPARE(start->hour, want.hour);
        QCOMPARE(start->minute, want.minute);
        QCOMPARE(start->second, 0);
        QCOMPARE(event.displayDate, event.startDate);
        if (event.isAllDay) {
            QCOMPARE(event.startDate, wallTime(zone, year, month, 7));
            QCOMPARE(event.endDate, wallTime(zone, year, month, 8));
            QCOMPARE(event.timeText(), u"全天"_s);
        } else {
            QCOMPARE(event.startDate.secsTo(event.endDate), qint64(want.minutes) * 60);
        }
    }
}

void PreviewCalendarFactoryTest::sampleFields_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("title");
    QTest::addColumn<std::optional<QString>>("location");
    QTest::addColumn<QString>("calendarIdentifier");
    QTest::addColumn<QString>("calendarTitle");
    QTest::addColumn<QString>("colorHex");
    QTest::addColumn<bool>("allDay");
    QTest::addColumn<QString>("timeText");

    QTest::newRow("stand-up") << 0 << u"preview-preview-work-1-产品站会"_s << u"产品站会"_s
                              << std::optional(u"线上会议"_s) << u"preview-work"_s << u"工作"_s
                              << u"#B4452E"_s << false << u"09:30 - 10:15"_s;
    QTest::newRow("design review") << 1 << u"preview-preview-work-1-设计评审"_s << u"设计评审"_s
                                   << std::optional(u"栖格会议室"_s) << u"preview-work"_s
                                   << u"工作"_s << u"#B4452E"_s << false << u"14:00 - 15:30"_s;
    QTest::newRow("dinner") << 2 << u"preview-preview-life-3-和朋友吃饭"_s << u"和朋友吃饭"_s
                            << std::optional(u"永庆坊"_s) << u"preview-life"_s << u"生活"_s
                            << u"#456B54"_s << false << u"19:00 - 21:00"_s;
    QTest::newRow("holiday without a location")
        << 3 << u"preview-preview-subscription-6-端午放假"_s << u"端午放假"_s
        << std::optional<QString>() << u"preview-subscription"_s << u"订阅提醒"_s << u"#5B6C9E"_s
        << true << u"全天"_s;
    QTest::newRow("walkthrough") << 4 << u"preview-preview-work-10-开发预览走查"_s
                                 << u"开发预览走查"_s << std::optional(u"本地构建"_s)
                                 << u"preview-work"_s << u"工作"_s << u"#B4452E"_s << false
                                 << u"10:00 - 11:00"_s;
    QTest::newRow("dentist") << 5 << u"preview-preview-life-14-牙医预约"_s << u"牙医预约"_s
                             << std::optional(u"天河北"_s) << u"preview-life"_s << u"生活"_s
                             << u"#456B54"_s << false << u"16:30 - 17:00"_s;
}

void PreviewCalendarFactoryTest::sampleFields()
{
    QFETCH(int, index);
    QFETCH(QString, id);
    QFETCH(QString, title);
    QFETCH(std::optional<QString>, location);
    QFETCH(QString, calendarIdentifier);
    QFETCH(QString, calendarTitle);
    QFETCH(QString, colorHex);
    QFETCH(bool, allDay);
    QFETCH(QString, timeText);

    pinZone("Asia/Shanghai");
    const auto events =
        PreviewCalendarFactory::events(wallTime("Asia/Shanghai", 2026, 6, 19), noneExcluded);
    QCOMPARE(events.size(), 6);
    const CalendarDayEvent &event = events[index];
    QCOMPARE(event.id, id);
    QCOMPARE(event.title, title);
    QCOMPARE(event.location, location);
    QCOMPARE(event.calendarIdentifier, calendarIdentifier);
    QCOMPARE(event.calendarTitle, calendarTitle);
    QCOMPARE(event.colorHex, colorHex);
    QCOMPARE(event.isAllDay, allDay);
    QCOMPARE(event.kind, CalendarDayEventKind::event);
    QCOMPARE(event.timeText(), timeText);
}

void PreviewCalendarFactoryTest::excludedCalendars_data()
{
    QTest::addColumn<QSet<QString>>("excluded");
    QTest::addColumn<QStringList>("expected");

    const QStringList all{u"产品站会"_s, u"设计评审"_s,     u"和朋友吃饭"_s,
                          u"端午放假"_s, u"开发预览走查"_s, u"牙医预约"_s};
    QTest::newRow("nothing excluded") << QSet<QString>() << all;
    QTest::newRow("an unknown calendar") << QSet<QString>{u"work"_s} << all;
    QTest::newRow("work") << QSet<QString>{u"preview-work"_s}
                          << QStringList{u"和朋友吃饭"_s, u"端午放假"_s, u"牙医预约"_s};
    QTest::newRow("life") << QSet<QString>{u"preview-life"_s}
                          << QStringList{u"产品站会"_s, u"设计评审"_s, u"端午放假"_s,
                                         u"开发预览走查"_s};
    QTest::newRow("subscription") << QSet<QString>{u"preview-subscription"_s}
                                  << QStringList{u"产品站会"_s, u"设计评审"_s, u"和朋友吃饭"_s,
                                                 u"开发预览走查"_s, u"牙医预约"_s};
    QTest::newRow("all three") << QSet<QString>{u"preview-work"_s, u"preview-life"_s,
                                                u"preview-subscription"_s}
                               << QStringList();
}

void PreviewCalendarFactoryTest::excludedCalendars()
{
    QFETCH(QSet<QString>, excluded);
    QFETCH(QStringList, expected);

    pinZone("Asia/Shanghai");
    const QDateTime date = wallTime("Asia/Shanghai", 2026, 5, 10);
    QCOMPARE(titles(PreviewCalendarFactory::events(date, excluded)), expected);
}

void PreviewCalendarFactoryTest::clockChangeDays_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<int>("index");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");

    // Instants from the zones' transitions as zdump lists them.
    QTest::newRow("Santiago skips midnight on 7 September 2025")
        << "America/Santiago"_ba << utc("2025-09-15T12:00:00Z"_L1) << 3
        << utc("2025-09-07T04:00:00Z"_L1) << utc("2025-09-08T03:00:00Z"_L1);
    QTest::newRow("Asuncion skips midnight on 7 October 2018")
        << "America/Asuncion"_ba << utc("2018-10-20T12:00:00Z"_L1) << 3
        << utc("2018-10-07T04:00:00Z"_L1) << utc("2018-10-08T03:00:00Z"_L1);
    QTest::newRow("New York repeats an hour on 7 November 2021")
        << "America/New_York"_ba << utc("2021-11-20T12:00:00Z"_L1) << 3
        << utc("2021-11-07T04:00:00Z"_L1) << utc("2021-11-08T05:00:00Z"_L1);
    QTest::newRow("New York springs forward on 11 March 2029")
        << "America/New_York"_ba << utc("2029-03-20T12:00:00Z"_L1) << 4
        << utc("2029-03-11T14:00:00Z"_L1) << utc("2029-03-11T15:00:00Z"_L1);
    QTest::newRow("Santiago evening before the clocks change")
        << "America/Santiago"_ba << utc("2025-09-15T12:00:00Z"_L1) << 2
        << utc("2025-09-04T23:00:00Z"_L1) << utc("2025-09-05T01:00:00Z"_L1);
}

void PreviewCalendarFactoryTest::clockChangeDays()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, date);
    QFETCH(int, index);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);

    pinZone(zone);
    const auto events = PreviewCalendarFactory::events(date, noneExcluded);
    QCOMPARE(events.size(), 6);
    const CalendarDayEvent &event = events[index];
    QCOMPARE(event.startDate, start);
    QCOMPARE(event.displayDate, start);
    QCOMPARE(event.endDate, end);
}

QTEST_GUILESS_MAIN(PreviewCalendarFactoryTest)
#include "tst_previewcalendarfactory.moc"
