#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "app/EventsCommand.h"
#include "shared/SettingKeys.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestEventsCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void run_data();
    void run();

private:
    TimeZoneScope zone{"America/New_York"};
    std::unique_ptr<IcsTestFolder> folder;
};

void TestEventsCommand::init()
{
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

void TestEventsCommand::run_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<bool>("workExcluded");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("expected");
    const bool granted = true;
    QTest::newRow("one day, tab separated")
        << QStringList{u"2026-03-05"_s, u"--tsv"_s} << granted << false << 0
        << u"2026-03-05\t全天\tHoliday\tWork\t\n"
           "2026-03-05\t08:00 - 08:00\tGym\tHome\t\n"
           "2026-03-05\t09:30 - 10:15\tReview notes\tWork\tRoom 7\n"_s;
    QTest::newRow("a late event belongs to the day it starts, in New York")
        << QStringList{u"2026-03-06"_s, u"2026-03-07"_s, u"--tsv"_s} << granted << false << 0
        << u"2026-03-06\t23:00 - 01:00\tLate\tWork\t\n"_s;
    QTest::newRow("columns") << QStringList{u"2026-03-05"_s} << granted << false << 0
                             << u"2026-03-05  全天           Holiday  [Work]\n"
                                "2026-03-05  08:00 - 08:00  Gym  [Home]\n"
                                "2026-03-05  09:30 - 10:15  Review notes  [Work]  @ Room 7\n"_s;
    QTest::newRow("an excluded calendar left out")
        << QStringList{u"2026-03-05"_s, u"--tsv"_s} << granted << true << 0
        << u"2026-03-05\t08:00 - 08:00\tGym\tHome\t\n"_s;
    const int noAccess = EventsCommand::noAccessStatus;
    QTest::newRow("denied") << QStringList{u"2026-03-05"_s} << false << false << noAccess
                            << QString();
    const QList<std::pair<const char *, QStringList>> bad{
        {"nothing", {}},
        {"too long", {u"2000-01-01"_s, u"2099-12-31"_s}},
    };
    for (const auto &[name, arguments] : bad)
        QTest::newRow(name) << arguments << granted << false << 2 << QString();
}

void TestEventsCommand::run()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, granted);
    QFETCH(bool, workExcluded);
    QFETCH(int, status);
    QFETCH(QString, expected);
    folder->access.setGranted(CalendarEntityType::event, granted);
    if (workExcluded) {
        folder->settings.setValue(
            SettingKeys::excludedCalendarIdentifiers,
            QStringList{QFileInfo(folder->path(u"calendars/acct/work"_s)).canonicalFilePath()});
    }
    QString output;
    QString errors;
    QTextStream out(&output);
    QTextStream err(&errors);
    EventsCommand command(out, err, folder->settings, folder->access);
    command.setRoots(folder->roots());
    QCOMPARE(command.run(arguments), status);
    out.flush();
    err.flush();
    QCOMPARE(output, expected);
    // A failure is one line on standard error.
    QCOMPARE(errors.count(u'\n'), status == 0 ? 0 : 1);
}

QTEST_GUILESS_MAIN(TestEventsCommand)
#include "tst_eventscommand.moc"
