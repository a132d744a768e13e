#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/EventsCommand.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestEventsCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void listsTheRangeInDayOrder_data();
    void listsTheRangeInDayOrder();
    void honoursExcludedCalendars();
    void withoutConsentSaysSoAndExitsThree();
    void badArguments_data();
    void badArguments();

private:
    int run(const QStringList &arguments);

    std::optional<TimeZoneScope> zone;
    std::unique_ptr<IcsTestFolder> folder;
    QString output;
    QString errors;
};

void TestEventsCommand::init()
{
    zone.emplace("America/New_York");
    folder = std::make_unique<IcsTestFolder>();
    folder->write(u"calendars/acct/work/displayname"_s, "Work");
    folder->write(
        u"calendars/acct/work/a.ics"_s,
        IcsTestFolder::calendar(
            IcsTestFolder::event("a", "DTSTART;TZID=America/New_York:20260305T093000\n"
                                      "DTEND;TZID=America/New_York:20260305T101500\n"
                                      "SUMMARY:Review\\nnotes\nLOCATION:Room\t7")
            + IcsTestFolder::event("b", "DTSTART;VALUE=DATE:20260305\nSUMMARY:Holiday")
            + IcsTestFolder::event("c", "DTSTART:20260307T040000Z\nDTEND:20260307T060000Z\n"
                                        "SUMMARY:Late")));
    folder->write(u"calendars/acct/home/displayname"_s, "Home");
    folder->write(u"calendars/acct/home/h.ics"_s,
                  IcsTestFolder::calendar(IcsTestFolder::event(
                      "h", "DTSTART;TZID=America/New_York:20260305T080000\nSUMMARY:Gym")));
}

void TestEventsCommand::cleanup()
{
    folder.reset();
    zone.reset();
}

int TestEventsCommand::run(const QStringList &arguments)
{
    output.clear();
    errors.clear();
    QTextStream out(&output);
    QTextStream err(&errors);
    EventsCommand command(out, err, folder->settings);
    command.setRoots(folder->roots());
    const int status = command.run(arguments);
    out.flush();
    err.flush();
    return status;
}

void TestEventsCommand::listsTheRangeInDayOrder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one day, tab separated")
        << QStringList{u"2026-03-05"_s, u"--tsv"_s}
        << u"2026-03-05\t全天\tHoliday\tWork\t\n"
           "2026-03-05\t08:00 - 08:00\tGym\tHome\t\n"
           "2026-03-05\t09:30 - 10:15\tReview notes\tWork\tRoom 7\n"_s;
    QTest::newRow("a late event belongs to the day it starts, in New York")
        << QStringList{u"2026-03-06"_s, u"2026-03-07"_s, u"--tsv"_s}
        << u"2026-03-06\t23:00 - 01:00\tLate\tWork\t\n"_s;
    QTest::newRow("columns") << QStringList{u"2026-03-05"_s}
                             << u"2026-03-05  全天           Holiday  [Work]\n"
                                "2026-03-05  08:00 - 08:00  Gym  [Home]\n"
                                "2026-03-05  09:30 - 10:15  Review notes  [Work]  @ Room 7\n"_s;
    QTest::newRow("empty range") << QStringList{u"2026-04-01"_s, u"2026-04-30"_s} << QString();
}

void TestEventsCommand::listsTheRangeInDayOrder()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(run(arguments), 0);
    QCOMPARE(output, expected);
    QVERIFY(errors.isEmpty());
}

void TestEventsCommand::honoursExcludedCalendars()
{
    const QString work = QFileInfo(folder->path(u"calendars/acct/work"_s)).canonicalFilePath();
    folder->settings.setStringList(u"preferences.excludedCalendarIdentifiers"_s, {work});
    QCOMPARE(run({u"2026-03-05"_s, u"--tsv"_s}), 0);
    QCOMPARE(output, u"2026-03-05\t08:00 - 08:00\tGym\tHome\t\n"_s);
}

void TestEventsCommand::withoutConsentSaysSoAndExitsThree()
{
    folder->settings.remove(IcsCalendarStore::eventsAccessKey);
    QCOMPARE(run({u"2026-03-05"_s}), EventsCommand::noAccessStatus);
    QVERIFY(output.isEmpty());
    QVERIFY(errors.contains(u"no access"_s));
    folder->settings.setString(IcsCalendarStore::eventsAccessKey, u"denied"_s);
    QCOMPARE(run({u"2026-03-05"_s}), EventsCommand::noAccessStatus);
}

void TestEventsCommand::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("three days") << QStringList{u"2026-03-01"_s, u"2026-03-02"_s, u"2026-03-03"_s};
    QTest::newRow("not a day") << QStringList{u"2026-02-30"_s};
    QTest::newRow("TO before FROM") << QStringList{u"2026-03-05"_s, u"2026-03-04"_s};
    QTest::newRow("unknown option") << QStringList{u"2026-03-05"_s, u"--json"_s};
    QTest::newRow("too long") << QStringList{u"2000-01-01"_s, u"2099-12-31"_s};
}

void TestEventsCommand::badArguments()
{
    QFETCH(QStringList, arguments);
    QCOMPARE(run(arguments), 2);
    QVERIFY(output.isEmpty());
    QCOMPARE(errors.count(u'\n'), 1);
}

QTEST_GUILESS_MAIN(TestEventsCommand)
#include "tst_eventscommand.moc"
