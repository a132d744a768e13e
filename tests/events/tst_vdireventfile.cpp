// New events written into a vdir folder, read back by khal and by our own reader.

#include "AwaitWrite.h"
#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarFile.h"
#include "events/NewEventIcs.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime at(const QString &wall)
{
    return QDateTime::fromString(wall, u"yyyy-MM-dd HH:mm"_s);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestVdirEventFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void initTestCase()
    {
        folder.write(u"calendars/work/displayname"_s, "工作");
        work = QFileInfo(folder.write(u"calendars/work/existing.ics"_s,
                                      IcsTestFolder::calendar(IcsTestFolder::event(
                                          "existing", "DTSTART:20261224T010000Z\n"
                                                      "DTEND:20261224T020000Z\nSUMMARY:早会"))))
                   .absolutePath();
        folder.write(u"calendars/locked/displayname"_s, "锁定");
        QFile::setPermissions(folder.path(u"calendars/locked"_s),
                              QFile::ReadOwner | QFile::ExeOwner);
        folder.configured = {folder.write(u"feed.ics"_s, IcsTestFolder::calendar({}))};
        store = folder.makeStore();
        service = std::make_unique<EventStoreService>(*store);
        QStringList offered;
        for (const CalendarSource &calendar : service->writableCalendars()) {
            offered.append(calendar.title);
            if (calendar.title == u"工作"_s)
                workId = calendar.id;
        }
        // The single file (a feed or an export) and, for a user who cannot write it, the locked
        // folder are read only.
        const QStringList expected =
            geteuid() == 0 ? QStringList{u"工作"_s, u"锁定"_s} : QStringList{u"工作"_s};
        QCOMPARE(offered, expected);
        QCOMPARE(service->availableCalendars().size(), 3);
    }

    void createdEventReadByKhalAndUs_data()
    {
        QTest::addColumn<NewCalendarEvent>("event");
        QTest::addColumn<QString>("khal"); // as khal shows it in New York
        QTest::addColumn<QByteArray>("stored");

        NewCalendarEvent timed = meeting(u"产品评审"_s);
        timed.location = u"三楼会议室"_s;
        QTest::newRow("timed, in the system's zone")
            << timed << u"2026-12-24 02:00|2026-12-24 03:00|产品评审|三楼会议室"_s
            << QByteArray("DTSTART;TZID=Asia/Shanghai:20261224T150000");
        QTest::newRow("all day over the year's end")
            << NewCalendarEvent{workId,
                                u"跨年"_s,
                                {},
                                true,
                                at(u"2026-12-31 00:00"_s),
                                at(u"2027-01-02 00:00"_s)}
            << u"2026-12-31|2027-01-01|跨年|"_s << QByteArray("DTEND;VALUE=DATE:20270102");
    }

    void createdEventReadByKhalAndUs()
    {
        QFETCH(NewCalendarEvent, event);
        QFETCH(QString, khal);
        QFETCH(QByteArray, stored);

        const QStringList before = entries(work);
        const CalendarWriteResult result = create(event);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.calendarId, workId);
        // Listed at once, before the folder is read again.
        QVERIFY(titles(*service).contains(event.title));

        QStringList added = entries(work);
        for (const QString &name : before)
            added.removeOne(name);
        QCOMPARE(added, QStringList(result.eventUid + u".ics"_s));
        QFile file(work + u'/' + added.first());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const QByteArray &expected : QByteArrayList{
                 "PRODID:", "DTSTAMP:", "CREATED:", "UID:" + result.eventUid.toUtf8(), stored})
            QVERIFY2(text.contains(expected), expected.constData());
        QCOMPARE(text.contains("BEGIN:VTIMEZONE"), !event.isAllDay);

        const std::unique_ptr<IcsCalendarStore> fresh = folder.makeStore();
        EventStoreService reader(*fresh);
        QVERIFY(titles(reader).contains(event.title));

        if (QStandardPaths::findExecutable(u"khal"_s).isEmpty())
            QSKIP("khal is not installed (scripts/install-deps installs it)");
        QTemporaryDir khalHome;
        const QString config = khalHome.filePath(u"config"_s);
        QVERIFY(
            writeFile(config, "[calendars]\n[[work]]\npath = " + work.toUtf8()
                                  + "\n[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\n"
                                    "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
                                    "longdatetimeformat = %Y-%m-%d %H:%M\n"
                                    "local_timezone = America/New_York\n"
                                    "default_timezone = America/New_York\n[sqlite]\npath = "
                                  + khalHome.filePath(u"khal.db"_s).toUtf8() + "\n"));
        QProcess khalList;
        khalList.start(
            u"khal"_s,
            QStringList{u"-c"_s, config}
                + u"list --once --format {start}|{end}|{title}|{location} --day-format"_s.split(
                    u' ')
                + QStringList{{}, u"2026-12-20"_s, u"30d"_s});
        QVERIFY2(khalList.waitForFinished(30000), qPrintable(khalList.errorString()));
        QCOMPARE(khalList.readAllStandardError(), QByteArray());
        const QStringList lines =
            QString::fromUtf8(khalList.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.contains(khal), qPrintable(lines.join(u'\n')));
    }

    void failedWriteLeavesFolderAsItWas_data()
    {
        QTest::addColumn<bool>("lockFolder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder made read-only") << true << u"没有写入权限"_s;
        QTest::newRow("disk full") << false << u"磁盘已满"_s;
    }

    void failedWriteLeavesFolderAsItWas()
    {
        QFETCH(bool, lockFolder);
        QFETCH(QString, reason);
        if (lockFolder && geteuid() == 0)
            QSKIP("permissions do not stop root");

        const QStringList before = entries(work);
        const QStringList listed = titles(*service);
        const auto permissions = QFile::permissions(work);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        if (lockFolder) {
            QFile::setPermissions(work, QFile::ReadOwner | QFile::ExeOwner);
        } else {
            // A file may grow no further than a few bytes: what a full disk does to a write.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit tiny{16, previous.rlim_max};
            setrlimit(RLIMIT_FSIZE, &tiny);
        }
        const CalendarWriteResult result = create(meeting(u"不会写入"_s));
        setrlimit(RLIMIT_FSIZE, &previous);
        QFile::setPermissions(work, permissions);

        QCOMPARE(result.error, reason);
        QCOMPARE(entries(work), before);
        QCOMPARE(titles(*service), listed);
    }

    void undoRemovesThatEventAlone()
    {
        const CalendarWriteResult kept = create(meeting(u"保留"_s));
        const CalendarWriteResult undone = create(meeting(u"撤销我"_s));
        QVERIFY(kept.succeeded() && undone.succeeded());
        const QStringList before = entries(work);
        QVERIFY(titles(*service).contains(u"撤销我"_s));

        QCOMPARE(
            awaitWrite([&](auto done) { service->removeCreatedEvent(undone, this, done); }).error,
            QString());

        QStringList expected = before;
        expected.removeOne(undone.eventUid + u".ics"_s);
        QCOMPARE(entries(work), expected);
        const QStringList listed = titles(*service);
        QVERIFY(!listed.contains(u"撤销我"_s));
        QVERIFY(listed.contains(u"保留"_s) && listed.contains(u"早会"_s));
    }

    void timeShownTwiceKeepsItsInstant()
    {
        // New York turns its clocks back at 06:00 UTC on 1 November 2026: these are the second
        // 01:30 and 01:45, which a TZID alone would make an hour earlier.
        NewCalendarEvent event = meeting(u"回拨"_s);
        event.start = QDateTime(QDate(2026, 11, 1), QTime(6, 30), QTimeZone::utc());
        event.end = event.start.addSecs(15 * 60);
        const IcsCalendarFile read = IcsCalendarFile::parse(
            NewEventIcs::render(event, u"u"_s, event.start, "America/New_York"), {});
        QCOMPARE(read.events.size(), size_t(1));
        QCOMPARE(read.events[0].start.toUtc(), event.start.toMSecsSinceEpoch());
        QCOMPARE(read.events[0].durationMs, event.start.msecsTo(event.end));
    }

    void cleanupTestCase()
    {
        QFile::setPermissions(folder.path(u"calendars/locked"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private:
    CalendarWriteResult create(const NewCalendarEvent &event);
    [[nodiscard]] QStringList titles(EventStoreService &from) const;
    [[nodiscard]] NewCalendarEvent meeting(const QString &title) const;

    TimeZoneScope zone{"Asia/Shanghai"};
    IcsTestFolder folder;
    QString work;
    QString workId;
    std::unique_ptr<IcsCalendarStore> store;
    std::unique_ptr<EventStoreService> service;
};

CalendarWriteResult TestVdirEventFile::create(const NewCalendarEvent &event)
{
    return awaitWrite([&](auto done) { service->createEvent(event, this, done); });
}

QStringList TestVdirEventFile::titles(EventStoreService &from) const
{
    QStringList found;
    for (const CalendarDayEvent &item :
         from.events(at(u"2026-12-20 00:00"_s), at(u"2027-01-10 00:00"_s), {}))
        found.append(item.title);
    return found;
}

NewCalendarEvent TestVdirEventFile::meeting(const QString &title) const
{
    return {workId, title, {}, false, at(u"2026-12-24 15:00"_s), at(u"2026-12-24 16:00"_s)};
}

QTEST_GUILESS_MAIN(TestVdirEventFile)
#include "tst_vdireventfile.moc"
