#include "events/CalendarDayEvent.h"
#include "events/CalendarSource.h"
#include "shared/SystemTimeZone.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CalendarDayEvent)

namespace {

QDateTime utc(QLatin1StringView iso)
{
    const QDateTime instant = QDateTime::fromString(iso, Qt::ISODateWithMs);
    Q_ASSERT(instant.isValid() && instant.timeSpec() == Qt::UTC);
    return instant;
}

void pinZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    SystemTimeZone::refresh();
}

CalendarDayEvent item(const QString &title, QLatin1StringView display, QLatin1StringView start,
                      bool allDay = false)
{
    CalendarDayEvent event;
    event.id = title;
    event.title = title;
    event.displayDate = utc(display);
    event.startDate = utc(start);
    event.endDate = event.startDate.addSecs(3600);
    event.isAllDay = allDay;
    return event;
}

QStringList titles(const QList<CalendarDayEvent> &events)
{
    QStringList result;
    for (const CalendarDayEvent &event : events)
        result.append(event.title);
    return result;
}

} // namespace

class CalendarDayEventTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { pinZone("Asia/Shanghai"); }
    void cleanupTestCase() { pinZone("Asia/Shanghai"); }

    void timeText_data();
    void timeText();
    void storeItemId_data();
    void storeItemId();
    void storeItemIdDiffersPerOccurrence();
    void sortInDayOrder_data();
    void sortInDayOrder();
    void sourceEquality_data();
    void sourceEquality();
    void enumerationsHashByCase();
};

void CalendarDayEventTest::timeText_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<bool>("allDay");
    QTest::addColumn<CalendarDayEventKind>("kind");
    QTest::addColumn<QString>("expected");

    const auto reminder = CalendarDayEventKind::reminder;
    const auto event = CalendarDayEventKind::event;
    const QDateTime dayStart = utc("2026-03-04T16:00:00Z"_L1);
    const QDateTime nextDayStart = utc("2026-03-05T16:00:00Z"_L1);
    const QDateTime morning = utc("2026-03-05T01:30:00Z"_L1);
    const QDateTime morningEnd = utc("2026-03-05T02:15:00Z"_L1);

    QTest::newRow("all-day reminder")
        << "Asia/Shanghai"_ba << dayStart << nextDayStart << true << reminder << u"提醒事项"_s;
    QTest::newRow("all-day event")
        << "Asia/Shanghai"_ba << dayStart << nextDayStart << true << event << u"全天"_s;
    QTest::newRow("all-day event in a DST zone")
        << "America/New_York"_ba << utc("2026-03-08T05:00:00Z"_L1) << utc("2026-03-09T04:00:00Z"_L1)
        << true << event << u"全天"_s;
    QTest::newRow("timed event") << "Asia/Shanghai"_ba << morning << morningEnd << false << event
                                 << u"09:30 - 10:15"_s;
    QTest::newRow("timed reminder reads like a timed event")
        << "Asia/Shanghai"_ba << morning << morningEnd << false << reminder << u"09:30 - 10:15"_s;
    QTest::newRow("afternoon in 24-hour form")
        << "Asia/Shanghai"_ba << utc("2026-03-05T06:00:00Z"_L1) << utc("2026-03-05T07:30:00Z"_L1)
        << false << event << u"14:00 - 15:30"_s;
    QTest::newRow("midnight start keeps two digits")
        << "Asia/Shanghai"_ba << dayStart << utc("2026-03-04T16:05:00Z"_L1) << false << event
        << u"00:00 - 00:05"_s;
    QTest::newRow("end on the next day shown unchanged")
        << "Asia/Shanghai"_ba << utc("2026-03-05T15:30:00Z"_L1) << utc("2026-03-05T17:00:00Z"_L1)
        << false << event << u"23:30 - 01:00"_s;
    QTest::newRow("same instants read in New York")
        << "America/New_York"_ba << morning << morningEnd << false << event << u"20:30 - 21:15"_s;
    QTest::newRow("New York night the clocks go forward")
        << "America/New_York"_ba << utc("2026-03-08T06:30:00Z"_L1) << utc("2026-03-08T07:30:00Z"_L1)
        << false << event << u"01:30 - 03:30"_s;
    QTest::newRow("New York night the clocks go back")
        << "America/New_York"_ba << utc("2026-11-01T05:30:00Z"_L1) << utc("2026-11-01T06:30:00Z"_L1)
        << false << event << u"01:30 - 01:30"_s;
}

void CalendarDayEventTest::timeText()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    QFETCH(bool, allDay);
    QFETCH(CalendarDayEventKind, kind);
    QFETCH(QString, expected);

    pinZone(zone);
    CalendarDayEvent event;
    event.title = u"站会"_s;
    event.displayDate = start;
    event.startDate = start;
    event.endDate = end;
    event.isAllDay = allDay;
    event.kind = kind;
    QCOMPARE(event.timeText(), expected);
}

void CalendarDayEventTest::storeItemId_data()
{
    QTest::addColumn<QString>("identifier");
    QTest::addColumn<QDateTime>("anchor");
    QTest::addColumn<QString>("expected");

    QTest::newRow("the reference instant") << u"A"_s << utc("2001-01-01T00:00:00Z"_L1) << u"A-0"_s;
    QTest::newRow("a day in 2026") << u"A"_s << utc("2026-03-05T01:30:00Z"_L1) << u"A-794367000"_s;
    QTest::newRow("fraction after the reference cut off")
        << u"A"_s << utc("2026-03-05T01:30:00.999Z"_L1) << u"A-794367000"_s;
    QTest::newRow("half a second before the reference is 0")
        << u"A"_s << utc("2000-12-31T23:59:59.500Z"_L1) << u"A-0"_s;
    QTest::newRow("one second before the reference")
        << u"A"_s << utc("2000-12-31T23:59:59Z"_L1) << u"A--1"_s;
    QTest::newRow("negative fraction cut toward zero")
        << u"A"_s << utc("2000-12-31T23:59:58.500Z"_L1) << u"A--1"_s;
    QTest::newRow("the Unix epoch")
        << u"A"_s << utc("1970-01-01T00:00:00Z"_L1) << u"A--978307200"_s;
    QTest::newRow("identifier with dashes kept whole")
        << u"5F0C-11-AB"_s << utc("2001-01-01T00:01:00Z"_L1) << u"5F0C-11-AB-60"_s;
    QTest::newRow("anchor given with an offset")
        << u"A"_s << QDateTime(QDate(2001, 1, 1), QTime(8, 0), Qt::OffsetFromUTC, 8 * 3600)
        << u"A-0"_s;
}

void CalendarDayEventTest::storeItemId()
{
    QFETCH(QString, identifier);
    QFETCH(QDateTime, anchor);
    QFETCH(QString, expected);

    QCOMPARE(CalendarDayEvent::storeItemId(identifier, anchor), expected);
}

void CalendarDayEventTest::storeItemIdDiffersPerOccurrence()
{
    // A daily repeating event over a year and a half, across both clock changes.
    QSet<QString> ids;
    const QDateTime first = utc("2025-12-31T14:00:00Z"_L1);
    for (int day = 0; day < 540; ++day) {
        const QString id = CalendarDayEvent::storeItemId(u"daily-standup"_s, first.addDays(day));
        QVERIFY(id.startsWith(u"daily-standup-"_s));
        ids.insert(id);
    }
    QCOMPARE(ids.size(), 540);
}

void CalendarDayEventTest::sortInDayOrder_data()
{
    QTest::addColumn<QList<CalendarDayEvent>>("items");
    QTest::addColumn<QStringList>("expected");

    // Days in Asia/Shanghai: 5 March starts at 2026-03-04T16:00Z, 6 March a day later.
    const auto day5 = "2026-03-04T16:00:00Z"_L1;
    const auto day6 = "2026-03-05T16:00:00Z"_L1;

    QTest::newRow("all-day before timed on one day")
        << QList{item(u"会议"_s, day5, "2026-03-05T01:00:00Z"_L1),
                 item(u"假期"_s, day5, day5, true)}
        << QStringList{u"假期"_s, u"会议"_s};
    QTest::newRow("timed items by start") << QList{item(u"B"_s, day5, "2026-03-05T06:00:00Z"_L1),
                                                   item(u"A"_s, day5, "2026-03-05T01:30:00Z"_L1),
                                                   item(u"C"_s, day5, "2026-03-05T03:00:00Z"_L1)}
                                          << QStringList{u"A"_s, u"C"_s, u"B"_s};
    QTest::newRow("same start keeps arrival order")
        << QList{item(u"X"_s, day5, "2026-03-05T02:00:00Z"_L1),
                 item(u"Y"_s, day5, "2026-03-05T02:00:00Z"_L1)}
        << QStringList{u"X"_s, u"Y"_s};
    QTest::newRow("same start in the other arrival order")
        << QList{item(u"Y"_s, day5, "2026-03-05T02:00:00Z"_L1),
                 item(u"X"_s, day5, "2026-03-05T02:00:00Z"_L1)}
        << QStringList{u"Y"_s, u"X"_s};
    QTest::newRow("all-day items keep arrival order")
        << QList{item(u"节日"_s, day5, day5, true), item(u"生日"_s, day5, day5, true)}
        << QStringList{u"节日"_s, u"生日"_s};
    QTest::newRow("earlier day first although timed")
        << QList{item(u"假期"_s, day6, day6, true),
                 item(u"夜宵"_s, day5, "2026-03-05T15:00:00Z"_L1)}
        << QStringList{u"夜宵"_s, u"假期"_s};
    QTest::newRow("display date decides before start")
        << QList{item(u"跨天"_s, day6, "2026-03-05T12:00:00Z"_L1),
                 item(u"晚饭"_s, day5, "2026-03-05T14:00:00Z"_L1)}
        << QStringList{u"晚饭"_s, u"跨天"_s};
    QTest::newRow("start instants as display dates")
        << QList{item(u"评审"_s, "2026-03-05T06:00:00Z"_L1, "2026-03-05T06:00:00Z"_L1),
                 item(u"站会"_s, "2026-03-05T01:30:00Z"_L1, "2026-03-05T01:30:00Z"_L1),
                 item(u"放假"_s, day5, day5, true)}
        << QStringList{u"放假"_s, u"站会"_s, u"评审"_s};

    // Enough equal keys that an unstable sort would shuffle them.
    QList<CalendarDayEvent> many;
    QStringList allDayTitles;
    QStringList timedTitles;
    for (int i = 0; i < 24; ++i) {
        const QString timed = u"t%1"_s.arg(i, 2, 10, QChar(u'0'));
        const QString allDay = u"a%1"_s.arg(i, 2, 10, QChar(u'0'));
        many << item(timed, day5, "2026-03-05T02:00:00Z"_L1) << item(allDay, day5, day5, true);
        timedTitles << timed;
        allDayTitles << allDay;
    }
    QTest::newRow("many equal keys keep arrival order") << many << allDayTitles + timedTitles;
}

void CalendarDayEventTest::sortInDayOrder()
{
    QFETCH(QList<CalendarDayEvent>, items);
    QFETCH(QStringList, expected);

    CalendarDayEvent::sortInDayOrder(items);
    QCOMPARE(titles(items), expected);
}

void CalendarDayEventTest::sourceEquality_data()
{
    QTest::addColumn<CalendarSource>("other");
    QTest::addColumn<bool>("equal");

    const CalendarSource base{u"cal-1"_s, u"工作"_s, u"iCloud"_s, u"#B4452E"_s};
    QTest::newRow("all four fields equal") << base << true;
    CalendarSource colour = base;
    colour.colorHex = u"#456B54"_s;
    QTest::newRow("only the colour differs") << colour << false;
    CalendarSource title = base;
    title.title = u"生活"_s;
    QTest::newRow("only the title differs") << title << false;
    CalendarSource account = base;
    account.sourceTitle = u"本地"_s;
    QTest::newRow("only the account differs") << account << false;
    CalendarSource id = base;
    id.id = u"cal-2"_s;
    QTest::newRow("only the id differs") << id << false;
}

void CalendarDayEventTest::sourceEquality()
{
    QFETCH(CalendarSource, other);
    QFETCH(bool, equal);

    const CalendarSource base{u"cal-1"_s, u"工作"_s, u"iCloud"_s, u"#B4452E"_s};
    QCOMPARE(base == other, equal);
    QCOMPARE(base != other, !equal);
    if (equal)
        QCOMPARE(qHash(base, 7), qHash(other, 7));
    const QSet<CalendarSource> set{base, other};
    QCOMPARE(set.size(), equal ? 1 : 2);
}

void CalendarDayEventTest::enumerationsHashByCase()
{
    const QSet<CalendarAuthorizationStatus> statuses{
        CalendarAuthorizationStatus::unknown,    CalendarAuthorizationStatus::notDetermined,
        CalendarAuthorizationStatus::restricted, CalendarAuthorizationStatus::denied,
        CalendarAuthorizationStatus::authorized, CalendarAuthorizationStatus::denied};
    QCOMPARE(statuses.size(), 5);
    const QSet<CalendarDayEventKind> kinds{
        CalendarDayEventKind::event, CalendarDayEventKind::reminder, CalendarDayEventKind::event};
    QCOMPARE(kinds.size(), 2);
}

QTEST_GUILESS_MAIN(CalendarDayEventTest)
#include "tst_calendardayevent.moc"
