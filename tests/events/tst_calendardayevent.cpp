#include "TimeZoneScope.h"
#include "events/CalendarDayEvent.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs);
}

CalendarDayEvent item(const QString &title, const QString &display, const QString &start,
                      bool allDay = false)
{
    CalendarDayEvent event;
    event.title = title;
    event.displayDate = utc(display);
    event.startDate = utc(start);
    event.endDate = event.startDate.addSecs(3600);
    event.isAllDay = allDay;
    return event;
}

} // namespace

class TestCalendarDayEvent : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void timeText_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("allDay");
        QTest::addColumn<CalendarDayEventKind>("kind");
        QTest::addColumn<QString>("expected");
        const auto reminder = CalendarDayEventKind::reminder;
        const auto event = CalendarDayEventKind::event;
        const QString day = u"2026-03-04T16:00:00Z"_s;
        const QString nextDay = u"2026-03-05T16:00:00Z"_s;

        QTest::newRow("all-day reminder")
            << "Asia/Shanghai"_ba << day << nextDay << true << reminder << u"提醒事项"_s;
        QTest::newRow("timed reminder reads like a timed event")
            << "Asia/Shanghai"_ba << u"2026-03-05T01:30:00Z"_s << u"2026-03-05T02:15:00Z"_s << false
            << reminder << u"09:30 - 10:15"_s;
        QTest::newRow("New York night the clocks go back")
            << "America/New_York"_ba << u"2026-11-01T05:30:00Z"_s << u"2026-11-01T06:30:00Z"_s
            << false << event << u"01:30 - 01:30"_s;
    }

    void timeText()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, allDay);
        QFETCH(CalendarDayEventKind, kind);
        QFETCH(QString, expected);
        const TimeZoneScope pinned(zone);
        CalendarDayEvent event = item(u"站会"_s, start, start, allDay);
        event.endDate = utc(end);
        event.kind = kind;
        QCOMPARE(event.timeText(), expected);
    }

    void storeItemId_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QDateTime>("anchor");
        QTest::addColumn<QString>("expected");

        QTest::newRow("the reference instant")
            << u"A"_s << utc(u"2001-01-01T00:00:00Z"_s) << u"A-0"_s;
        QTest::newRow("fraction after the reference cut off")
            << u"A"_s << utc(u"2026-03-05T01:30:00.999Z"_s) << u"A-794367000"_s;
        QTest::newRow("one second before the reference")
            << u"A"_s << utc(u"2000-12-31T23:59:59Z"_s) << u"A--1"_s;
        QTest::newRow("negative fraction cut toward zero")
            << u"A"_s << utc(u"2000-12-31T23:59:58.500Z"_s) << u"A--1"_s;
        QTest::newRow("identifier with dashes kept whole")
            << u"5F0C-11-AB"_s << utc(u"2001-01-01T00:01:00Z"_s) << u"5F0C-11-AB-60"_s;
    }

    void storeItemId()
    {
        QFETCH(QString, identifier);
        QFETCH(QDateTime, anchor);
        QFETCH(QString, expected);
        QCOMPARE(CalendarDayEvent::storeItemId(identifier, anchor), expected);
    }

    void sortInDayOrder()
    {
        // Days in Asia/Shanghai: 5 March starts at 2026-03-04T16:00Z, 6 March a day later.
        const auto day5 = u"2026-03-04T16:00:00Z"_s;
        const auto day6 = u"2026-03-05T16:00:00Z"_s;
        QList<CalendarDayEvent> items{
            item(u"跨天"_s, day6, u"2026-03-05T12:00:00Z"_s), // the display day decides first
            item(u"B"_s, day5, u"2026-03-05T06:00:00Z"_s),
            item(u"A"_s, day5, u"2026-03-05T01:30:00Z"_s),
        };
        // Enough equal keys that an unstable sort would shuffle them; all-day items go first.
        QStringList allDay;
        QStringList timed;
        for (int i = 0; i < 24; ++i) {
            allDay << u"a%1"_s.arg(i, 2, 10, QChar(u'0'));
            timed << u"t%1"_s.arg(i, 2, 10, QChar(u'0'));
            items << item(timed.last(), day5, u"2026-03-05T02:00:00Z"_s)
                  << item(allDay.last(), day5, day5, true);
        }
        const QStringList expected =
            allDay + QStringList{u"A"_s} + timed + QStringList{u"B"_s, u"跨天"_s};
        CalendarDayEvent::sortInDayOrder(items);
        QStringList titles;
        for (const CalendarDayEvent &event : items)
            titles.append(event.title);
        QCOMPARE(titles, expected);
    }
};

QTEST_GUILESS_MAIN(TestCalendarDayEvent)
#include "tst_calendardayevent.moc"
