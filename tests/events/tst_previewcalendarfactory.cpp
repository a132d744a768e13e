#include "TimeZoneScope.h"
#include "events/PreviewCalendarFactory.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A wall-clock time in the process zone.
QDateTime wall(const QString &text)
{
    return QDateTime::fromString(text, u"yyyy-MM-dd HH:mm:ss"_s);
}

QStringList listing(const QList<CalendarDayEvent> &events)
{
    QStringList lines;
    for (const CalendarDayEvent &event : events)
        lines.append(event.startDate.toLocalTime().toString(u"MM-dd HH:mm"_s) + u"→"_s
                     + event.endDate.toLocalTime().toString(u"dd HH:mm"_s));
    return lines;
}

} // namespace

class TestPreviewCalendarFactory : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void samplesFollowTheMonthAndItsClockChanges_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("New York repeats an hour on 7 November 2021")
            << "America/New_York"_ba << u"2021-11-07 01:30:00"_s
            << QStringList{u"11-02 09:30→02 10:15"_s, u"11-02 14:00→02 15:30"_s,
                           u"11-04 19:00→04 21:00"_s, u"11-07 00:00→08 00:00"_s,
                           u"11-11 10:00→11 11:00"_s, u"11-15 16:30→15 17:00"_s};
        QTest::newRow("New York springs forward on 11 March 2029")
            << "America/New_York"_ba << u"2029-03-20 12:00:00"_s
            << QStringList{u"03-02 09:30→02 10:15"_s, u"03-02 14:00→02 15:30"_s,
                           u"03-04 19:00→04 21:00"_s, u"03-07 00:00→08 00:00"_s,
                           u"03-11 10:00→11 11:00"_s, u"03-15 16:30→15 17:00"_s};
        // The day of the holiday sample has no midnight: it starts at 01:00.
        QTest::newRow("Santiago skips midnight on 7 September 2025")
            << "America/Santiago"_ba << u"2025-09-15 12:00:00"_s
            << QStringList{u"09-02 09:30→02 10:15"_s, u"09-02 14:00→02 15:30"_s,
                           u"09-04 19:00→04 21:00"_s, u"09-07 01:00→08 00:00"_s,
                           u"09-11 10:00→11 11:00"_s, u"09-15 16:30→15 17:00"_s};
    }

    void samplesFollowTheMonthAndItsClockChanges()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, date);
        QFETCH(QStringList, expected);
        const TimeZoneScope pinned(zone);
        QCOMPARE(listing(PreviewCalendarFactory::events(wall(date), {})), expected);
    }

    void excludedCalendarsAreLeftOut()
    {
        const TimeZoneScope zone("Asia/Shanghai");
        const QDateTime may = wall(u"2026-05-10 00:00:00"_s);
        QStringList titles;
        for (const CalendarDayEvent &event :
             PreviewCalendarFactory::events(may, {u"preview-work"_s, u"unknown"_s}))
            titles.append(event.title);
        QCOMPARE(titles, QStringList({u"和朋友吃饭"_s, u"端午放假"_s, u"牙医预约"_s}));
    }
};

QTEST_GUILESS_MAIN(TestPreviewCalendarFactory)
#include "tst_previewcalendarfactory.moc"
