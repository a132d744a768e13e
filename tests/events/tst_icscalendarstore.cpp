#include "IcsTestFolder.h"
#include "TimeZoneScope.h"
#include "events/EventStoreService.h"
#include "events/IcsParseCache.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItem.h"
#include "preferences/PreferencesStore.h"

#include <QCryptographicHash>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODate).toUTC();
}

QStringList titles(const QList<CalendarDayEvent> &items)
{
    QStringList result;
    for (const CalendarDayEvent &item : items)
        result.append(item.title);
    return result;
}

QStringList starts(const QList<CalendarDayEvent> &items)
{
    QStringList result;
    for (const CalendarDayEvent &item : items)
        result.append(item.startDate.toString(Qt::ISODate));
    return result;
}

QString secondsSinceReference(const QString &iso)
{
    return QString::number(utc(iso).toSecsSinceEpoch() - 978'307'200);
}

const QByteArray goodEvent =
    IcsTestFolder::event("good", "DTSTART:20260305T120000Z\nDTEND:20260305T130000Z\nSUMMARY:Good");

} // namespace

class TestIcsCalendarStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void weeklySeriesWithExdateAndMovedInstance();
    void seriesKeepLocalTimeAcrossDaylightSaving_data();
    void seriesKeepLocalTimeAcrossDaylightSaving();
    void allDayEventOfThreeDaysIsListedOnce();
    void timedEventAcrossMidnightIsListedUnderItsStart();
    void floatingTimeFollowsTheSystemZone_data();
    void floatingTimeFollowsTheSystemZone();
    void zoneNames_data();
    void zoneNames();
    void sameFolderTwiceIsOneCalendar();
    void calendarsSortByAccountThenNumericTitle();
    void titlesAreTrimmed();
    void everyCalendarExcludedGivesNothing();
    void todosAndCancelledEventsAreLeftOut();
    void calendarNamesAndColours();
    void evolutionCalendars();
    void malformedInputKeepsTheGoodParts_data();
    void malformedInputKeepsTheGoodParts();
    void unreadableFileIsReportedOnce();
    void endlessRuleIsExpandedOverTheRangeOnly();
    void noConsentMeansNoCalendars();
    void burstOfWritesRaisesChangeSequenceOnce();
    void revokingConsentChangesStatusNotSequence();
    void foldersSettingIsFollowed();
    void itemRewrittenInPlaceIsSeen();
    void parseCacheIsTrustedOnlyWhole_data();
    void parseCacheIsTrustedOnlyWhole();
    void itemTextComesWhileTheStoreIsStillReading();
};

void TestIcsCalendarStore::weeklySeriesWithExdateAndMovedInstance()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(
        u"calendars/home/work/standup.ics"_s,
        IcsTestFolder::calendar(
            IcsTestFolder::event("weekly", "DTSTART;TZID=America/New_York:20260303T100000\n"
                                           "DTEND;TZID=America/New_York:20260303T110000\n"
                                           "RRULE:FREQ=WEEKLY;UNTIL=20260401T000000Z\n"
                                           "EXDATE;TZID=America/New_York:20260310T100000\n"
                                           "SUMMARY:Standup")
            + IcsTestFolder::event("weekly", "RECURRENCE-ID;TZID=America/New_York:20260317T100000\n"
                                             "DTSTART;TZID=America/New_York:20260318T150000\n"
                                             "DTEND;TZID=America/New_York:20260318T160000\n"
                                             "SUMMARY:Standup moved")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T12:00:00Z"_s), {});
    QCOMPARE(titles(items),
             QStringList({u"Standup"_s, u"Standup moved"_s, u"Standup"_s, u"Standup"_s}));
    QCOMPARE(starts(items), QStringList({u"2026-03-03T15:00:00Z"_s, u"2026-03-18T19:00:00Z"_s,
                                         u"2026-03-24T14:00:00Z"_s, u"2026-03-31T14:00:00Z"_s}));
    // The moved instance keeps the identity of the instance it replaces.
    QCOMPARE(items.at(1).id, u"weekly-"_s + secondsSinceReference(u"2026-03-17T14:00:00Z"_s));
    QCOMPARE(items.at(1).displayDate, utc(u"2026-03-18T04:00:00Z"_s));
    QCOMPARE(items.at(0).id, u"weekly-"_s + secondsSinceReference(u"2026-03-03T15:00:00Z"_s));
}

void TestIcsCalendarStore::seriesKeepLocalTimeAcrossDaylightSaving_data()
{
    QTest::addColumn<QByteArray>("properties");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("monthly in a named zone over the March change")
        << QByteArray("DTSTART;TZID=America/New_York:20260215T090000\nDURATION:PT1H\n"
                      "RRULE:FREQ=MONTHLY;COUNT=3")
        << QStringList{u"2026-02-15T14:00:00Z"_s, u"2026-03-15T13:00:00Z"_s,
                       u"2026-04-15T13:00:00Z"_s};
    QTest::newRow("monthly floating over the November change")
        << QByteArray("DTSTART:20261015T090000\nDURATION:PT1H\nRRULE:FREQ=MONTHLY;COUNT=2")
        << QStringList{u"2026-10-15T13:00:00Z"_s, u"2026-11-15T14:00:00Z"_s};
    QTest::newRow("daily through the skipped hour moves forward")
        << QByteArray("DTSTART;TZID=America/New_York:20260307T023000\nDURATION:PT30M\n"
                      "RRULE:FREQ=DAILY;COUNT=3")
        << QStringList{u"2026-03-07T07:30:00Z"_s, u"2026-03-08T07:30:00Z"_s,
                       u"2026-03-09T06:30:00Z"_s};
}

void TestIcsCalendarStore::seriesKeepLocalTimeAcrossDaylightSaving()
{
    QFETCH(QByteArray, properties);
    QFETCH(QStringList, expected);
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/series.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event("series", properties)));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items =
        service.events(utc(u"2026-01-01T00:00:00Z"_s), utc(u"2027-01-01T00:00:00Z"_s), {});
    QCOMPARE(starts(items), expected);
}

void TestIcsCalendarStore::allDayEventOfThreeDaysIsListedOnce()
{
    const TimeZoneScope zone("Asia/Shanghai");
    IcsTestFolder folder;
    folder.write(
        u"calendars/home/work/trip.ics"_s,
        IcsTestFolder::calendar(IcsTestFolder::event(
            "trip", "DTSTART;VALUE=DATE:20260305\nDTEND;VALUE=DATE:20260308\nSUMMARY:Trip")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    QCOMPARE(items.size(), 1);
    QVERIFY(items.first().isAllDay);
    QCOMPARE(items.first().displayDate, utc(u"2026-03-04T16:00:00Z"_s));
    QCOMPARE(items.first().startDate, utc(u"2026-03-04T16:00:00Z"_s));
    QCOMPARE(items.first().endDate, utc(u"2026-03-07T16:00:00Z"_s));
    QCOMPARE(items.first().timeText(), u"全天"_s);
}

void TestIcsCalendarStore::timedEventAcrossMidnightIsListedUnderItsStart()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/late.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "late", "DTSTART;TZID=America/New_York:20260305T230000\n"
                             "DTEND;TZID=America/New_York:20260306T010000\nSUMMARY:Late")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().displayDate, utc(u"2026-03-05T05:00:00Z"_s));
    QCOMPARE(items.first().timeText(), u"23:00 - 01:00"_s);
}

void TestIcsCalendarStore::floatingTimeFollowsTheSystemZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QString>("start");
    QTest::newRow("Shanghai") << QByteArray("Asia/Shanghai") << u"2026-03-05T01:00:00Z"_s;
    QTest::newRow("New York") << QByteArray("America/New_York") << u"2026-03-05T14:00:00Z"_s;
}

void TestIcsCalendarStore::floatingTimeFollowsTheSystemZone()
{
    QFETCH(QByteArray, zone);
    QFETCH(QString, start);
    const TimeZoneScope pinned(zone);
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/floating.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "floating", "DTSTART:20260305T090000\nDTEND:20260305T100000\nSUMMARY:F")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    QCOMPARE(starts(items), QStringList{start});
    QCOMPARE(items.first().timeText(), u"09:00 - 10:00"_s);
}

void TestIcsCalendarStore::zoneNames_data()
{
    QTest::addColumn<QByteArray>("tzid");
    QTest::addColumn<QByteArray>("vtimezone");
    QTest::addColumn<QString>("start");

    QTest::newRow("IANA name of another zone")
        << QByteArray("Europe/Berlin") << QByteArray() << u"2026-03-05T08:00:00Z"_s;
    QTest::newRow("Windows name (Outlook)")
        << QByteArray("W. Europe Standard Time") << QByteArray() << u"2026-03-05T08:00:00Z"_s;
    QTest::newRow("exporter prefix") << QByteArray("/mozilla.org/20050126_1/Europe/Berlin")
                                     << QByteArray() << u"2026-03-05T08:00:00Z"_s;
    QTest::newRow("UTC alias") << QByteArray("UTC") << QByteArray() << u"2026-03-05T09:00:00Z"_s;
    QTest::newRow("only the file's VTIMEZONE knows it")
        << QByteArray("Office Time")
        << QByteArray("BEGIN:VTIMEZONE\nTZID:Office Time\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
                      "TZOFFSETFROM:+0530\nTZOFFSETTO:+0530\nTZNAME:OT\nEND:STANDARD\n"
                      "END:VTIMEZONE\n")
        << u"2026-03-05T03:30:00Z"_s;
    QTest::newRow("the system database wins over a wrong VTIMEZONE")
        << QByteArray("Europe/Berlin")
        << QByteArray(
               "BEGIN:VTIMEZONE\nTZID:Europe/Berlin\nBEGIN:STANDARD\nDTSTART:19700101T000000\n"
               "TZOFFSETFROM:+0900\nTZOFFSETTO:+0900\nEND:STANDARD\nEND:VTIMEZONE\n")
        << u"2026-03-05T08:00:00Z"_s;
    QTest::newRow("unknown zone reads as floating")
        << QByteArray("Nowhere/Special") << QByteArray() << u"2026-03-05T14:00:00Z"_s;
}

void TestIcsCalendarStore::zoneNames()
{
    QFETCH(QByteArray, tzid);
    QFETCH(QByteArray, vtimezone);
    QFETCH(QString, start);
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(
        u"calendars/home/work/zoned.ics"_s,
        IcsTestFolder::calendar(vtimezone
                                + IcsTestFolder::event("zoned", "DTSTART;TZID=\"" + tzid
                                                                    + "\":20260305T090000\n"
                                                                      "SUMMARY:Z")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-03-10T00:00:00Z"_s), {});
    QCOMPARE(starts(items), QStringList{start});
}

void TestIcsCalendarStore::sameFolderTwiceIsOneCalendar()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/displayname"_s, "Work");
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    QVERIFY(QFile::link(folder.path(u"calendars/home/work"_s), folder.path(u"alias"_s)));
    folder.configured = {folder.path(u"alias"_s), folder.path(u"calendars/home/work"_s)};
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QCOMPARE(service.availableCalendars().size(), 1);
    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-03-10T00:00:00Z"_s), {});
    QCOMPARE(titles(items), QStringList{u"Good"_s});
}

void TestIcsCalendarStore::calendarsSortByAccountThenNumericTitle()
{
    IcsTestFolder folder;
    const QList<std::pair<QString, QByteArray>> calendars{
        {u"calendars/acct/a"_s, "Work 10"},
        {u"calendars/Alpha/x"_s, "Zeta"},
        {u"calendars/acct/b"_s, "Work 2"},
        {u"calendars/acct/c"_s, "work 3"},
    };
    for (const auto &[path, name] : calendars)
        folder.write(path + u"/displayname"_s, name);
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QStringList order;
    for (const CalendarSource &source : service.availableCalendars())
        order.append(source.sourceTitle + u'/' + source.title);
    QCOMPARE(order,
             QStringList({u"acct/Work 2"_s, u"acct/work 3"_s, u"acct/Work 10"_s, u"Alpha/Zeta"_s}));
}

void TestIcsCalendarStore::titlesAreTrimmed()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/titles.ics"_s,
                 IcsTestFolder::calendar(
                     IcsTestFolder::event("a", "DTSTART:20260305T120000Z\nSUMMARY:   ")
                     + IcsTestFolder::event("b", "DTSTART:20260305T130000Z\nSUMMARY:  Lunch  \n"
                                                 "LOCATION:Room 1\\, east")
                     + IcsTestFolder::event("c", "DTSTART:20260305T140000Z")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items =
        service.events(utc(u"2026-03-05T00:00:00Z"_s), utc(u"2026-03-06T00:00:00Z"_s), {});
    QCOMPARE(titles(items), QStringList({u"未命名事件"_s, u"Lunch"_s, u"未命名事件"_s}));
    QVERIFY(!items.at(0).location.has_value());
    QCOMPARE(items.at(1).location, std::optional(u"Room 1, east"_s));
}

void TestIcsCalendarStore::everyCalendarExcludedGivesNothing()
{
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.write(u"calendars/home/other/b.ics"_s, IcsTestFolder::calendar(goodEvent));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QSet<QString> excluded;
    for (const CalendarSource &source : service.availableCalendars())
        excluded.insert(source.id);
    QCOMPARE(excluded.size(), 2);
    const QDateTime from = utc(u"2026-03-01T00:00:00Z"_s);
    const QDateTime to = utc(u"2026-04-01T00:00:00Z"_s);
    QCOMPARE(service.events(from, to, {}).size(), 2);
    QVERIFY(service.events(from, to, excluded).isEmpty());
}

void TestIcsCalendarStore::todosAndCancelledEventsAreLeftOut()
{
    IcsTestFolder folder;
    folder.write(
        u"calendars/home/work/mixed.ics"_s,
        IcsTestFolder::calendar(
            "BEGIN:VTODO\nUID:todo\nDTSTART:20260305T120000Z\nSUMMARY:Todo\nEND:VTODO\n"
            + IcsTestFolder::event("gone",
                                   "DTSTART:20260305T120000Z\nSTATUS:CANCELLED\nSUMMARY:Gone")
            + IcsTestFolder::event("daily", "DTSTART:20260305T080000Z\nRRULE:FREQ=DAILY;COUNT=3\n"
                                            "SUMMARY:Daily")
            + IcsTestFolder::event("daily", "RECURRENCE-ID:20260306T080000Z\n"
                                            "DTSTART:20260306T080000Z\nSTATUS:CANCELLED")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {});
    QCOMPARE(starts(items), QStringList({u"2026-03-05T08:00:00Z"_s, u"2026-03-07T08:00:00Z"_s}));
}

void TestIcsCalendarStore::calendarNamesAndColours()
{
    IcsTestFolder folder;
    folder.write(u"files/acct/a-named.ics"_s,
                 IcsTestFolder::calendar({}, "X-WR-CALNAME:Named\nCOLOR:turquoise\n"));
    folder.write(u"files/acct/b-apple.ics"_s,
                 IcsTestFolder::calendar({}, "X-APPLE-CALENDAR-COLOR:#FF2968FF\n"));
    folder.write(u"files/acct/c-vdir/color"_s, "#1a2b3c\n");
    folder.write(u"files/acct/d-plain.ics"_s, IcsTestFolder::calendar({}));
    folder.configured = {folder.path(u"files"_s)};
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QStringList seen;
    for (const CalendarSource &source : service.availableCalendars())
        seen.append(source.title + u' ' + source.colorHex);
    QCOMPARE(seen, QStringList({u"b-apple #FF2968"_s, u"c-vdir #1A2B3C"_s, u"d-plain #C05621"_s,
                                u"Named #40E0D0"_s}));
}

void TestIcsCalendarStore::evolutionCalendars()
{
    IcsTestFolder folder;
    folder.write(u"evolution/calendar/system/calendar.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.write(u"evolution/calendar/abc/calendar.ics"_s, IcsTestFolder::calendar({}));
    folder.write(u"evolution/calendar/off/calendar.ics"_s, IcsTestFolder::calendar({}));
    folder.write(u"config/evolution/sources/abc.source"_s,
                 "[Data Source]\nDisplayName=Family\nDisplayName[zh_CN]=家庭\nEnabled=true\n"
                 "Parent=local-stub\n\n"
                 "[Calendar]\nBackendName=local\nColor=#3465a4\n");
    folder.write(u"config/evolution/sources/off.source"_s,
                 "[Data Source]\nDisplayName=Old\nEnabled=false\n");
    auto store = folder.makeStore();
    EventStoreService service(*store);

    QStringList seen;
    for (const CalendarSource &source : service.availableCalendars())
        seen.append(source.sourceTitle + u'/' + source.title + u' ' + source.colorHex);
    // The panel speaks Chinese: the names in Chinese, Evolution's own English defaults replaced.
    QCOMPARE(seen, QStringList({u"本机/个人 #C05621"_s, u"本机/家庭 #3465A4"_s}));
}

void TestIcsCalendarStore::malformedInputKeepsTheGoodParts_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::newRow("not iCalendar") << QByteArray("hello world\nthis is not a calendar\n");
    QTest::newRow("binary with NULs") << QByteArray("BEGIN:VCALENDAR\n\0\0\xff\xfe:\n", 20);
    QTest::newRow("truncated") << IcsTestFolder::calendar(goodEvent).left(60)
                                      + "BEGIN:VEVENT\nUID:cut\nDTSTART:2026030";
    QTest::newRow("event without DTSTART")
        << IcsTestFolder::calendar(IcsTestFolder::event("nostart", "SUMMARY:No start"));
    QTest::newRow("impossible dates") << IcsTestFolder::calendar(IcsTestFolder::event(
        "bad", "DTSTART:20261345T250000Z\nDTEND:00000000T000000\nSUMMARY:Bad"));
    QTest::newRow("nonsense rule") << IcsTestFolder::calendar(IcsTestFolder::event(
        "rule", "DTSTART:20260305T120000Z\nRRULE:FREQ=SOMETIMES;BYDAY=XX;COUNT=-4"));
    QTest::newRow("mismatched END lines")
        << QByteArray("BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:x\nEND:VTODO\nBEGIN:VALARM\n"
                      "END:VCALENDAR\nEND:VEVENT\n");
    QByteArray deep = "BEGIN:VCALENDAR\n";
    for (int i = 0; i < 200; ++i)
        deep += "BEGIN:VEVENT\n";
    QTest::newRow("deep nesting") << deep;
}

void TestIcsCalendarStore::malformedInputKeepsTheGoodParts()
{
    QFETCH(QByteArray, bad);
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    // The same bad text as a calendar file of its own and inside a calendar beside a good event.
    folder.write(u"calendars/acct/bad.ics"_s, bad);
    folder.write(u"calendars/acct/mixed.ics"_s,
                 IcsTestFolder::calendar(goodEvent).replace("END:VCALENDAR\r\n", "") + bad);
    folder.write(u"calendars/acct/good.ics"_s, IcsTestFolder::calendar(goodEvent));
    QDir().mkpath(folder.path(u"calendars/acct/locked"_s));
    QFile::setPermissions(folder.path(u"calendars/acct/locked"_s), QFileDevice::Permissions());
    QVERIFY(QFile::link(folder.path(u"calendars"_s), folder.path(u"calendars/acct/loop"_s)));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {});
    QStringList good = titles(items);
    good.removeAll(u"未命名事件"_s);
    QCOMPARE(good, QStringList({u"Good"_s, u"Good"_s}));
    QFile::setPermissions(folder.path(u"calendars/acct/locked"_s),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestIcsCalendarStore::unreadableFileIsReportedOnce()
{
    if (geteuid() == 0)
        QSKIP("root reads a file of mode 000");
    IcsTestFolder folder;
    const QString path =
        folder.write(u"calendars/acct/locked.ics"_s, IcsTestFolder::calendar(goodEvent));
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { warnings.append(text); });
    // Two scans of the same folder.
    for (int scan = 0; scan < 2; ++scan) {
        auto store = folder.makeStore();
        EventStoreService service(*store);
        QVERIFY(service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {})
                    .isEmpty());
    }
    qInstallMessageHandler(previous);
    QVERIFY2(warnings.size() == 1, qPrintable(warnings.join(u" | "_s)));
    QVERIFY2(warnings.first().contains(path), qPrintable(warnings.first()));
}

void TestIcsCalendarStore::endlessRuleIsExpandedOverTheRangeOnly()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(
        u"calendars/acct/endless.ics"_s,
        IcsTestFolder::calendar(
            IcsTestFolder::event("endless",
                                 "DTSTART;TZID=America/New_York:19900101T080000\nDURATION:PT1H\n"
                                 "RRULE:FREQ=DAILY\nSUMMARY:Every day")
            + IcsTestFolder::event("minutely", "DTSTART:20000101T000000Z\n"
                                               "RRULE:FREQ=MINUTELY;INTERVAL=7\nSUMMARY:M")));
    auto store = folder.makeStore();
    EventStoreService service(*store);

    // March 2026 is shown from Monday 23 February to Sunday 5 April: 42 days.
    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    const auto daily = std::count_if(items.begin(), items.end(), [](const CalendarDayEvent &item) {
        return item.title == u"Every day"_s;
    });
    QCOMPARE(daily, 42);
    const auto first = std::find_if(items.begin(), items.end(), [](const CalendarDayEvent &item) {
        return item.title == u"Every day"_s;
    });
    QCOMPARE(first->startDate, utc(u"2026-02-23T13:00:00Z"_s));
    // Every seventh minute since 2000 that falls in the grid, which is an hour short of 42 days
    // because the clocks go forward on 8 March.
    const qint64 base = utc(u"2000-01-01T00:00:00Z"_s).toSecsSinceEpoch() / 60;
    const qint64 from = utc(u"2026-02-23T05:00:00Z"_s).toSecsSinceEpoch() / 60 - base;
    const qint64 to = utc(u"2026-04-06T04:00:00Z"_s).toSecsSinceEpoch() / 60 - base;
    const qint64 expected = (to + 6) / 7 - (from + 6) / 7;
    QCOMPARE(qint64(items.size() - daily), expected);
}

void TestIcsCalendarStore::noConsentMeansNoCalendars()
{
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.settings.setString(IcsCalendarStore::eventsAccessKey, u"denied"_s);
    auto store = folder.makeStore();
    EventStoreService service(*store);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::denied);
    QVERIFY(service.availableCalendars().isEmpty());
    QVERIFY(store->calendars().isEmpty());

    folder.settings.remove(IcsCalendarStore::eventsAccessKey);
    QCOMPARE(service.currentAuthorizationStatus(), CalendarAuthorizationStatus::notDetermined);
    folder.settings.setString(IcsCalendarStore::eventsAccessKey, u"maybe"_s);
    QCOMPARE(service.currentAuthorizationStatus(), CalendarAuthorizationStatus::notDetermined);
}

void TestIcsCalendarStore::burstOfWritesRaisesChangeSequenceOnce()
{
    const TimeZoneScope zone("America/New_York");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/displayname"_s, "Work");
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    const QString single = folder.write(u"files/single.ics"_s, IcsTestFolder::calendar({}));
    folder.configured = {single};
    auto store = folder.makeStore(true);
    EventStoreService service(*store);
    const QDateTime from = utc(u"2026-03-01T00:00:00Z"_s);
    const QDateTime to = utc(u"2026-04-01T00:00:00Z"_s);
    QCOMPARE(service.events(from, to, {}).size(), 1);
    QSignalSpy sequence(&service, &EventStoreService::changeSequenceChanged);

    for (int i = 0; i < 5; ++i) {
        folder.write(u"calendars/home/work/b%1.ics"_s.arg(i),
                     IcsTestFolder::calendar(IcsTestFolder::event(
                         "b" + QByteArray::number(i), "DTSTART:20260306T120000Z\nSUMMARY:New")));
    }
    folder.write(u"files/single.ics"_s, IcsTestFolder::calendar(goodEvent));
    QTRY_COMPARE_WITH_TIMEOUT(service.changeSequence(), 1, 5000);
    QTest::qWait(3 * EventStoreService::storeChangeDebounceMs);
    QCOMPARE(service.changeSequence(), 1);
    QCOMPARE(sequence.size(), 1);
    QCOMPARE(service.events(from, to, {}).size(), 7);

    // A file changed in place, then replaced by renaming another file over it.
    folder.write(u"files/single.ics"_s, IcsTestFolder::calendar({}));
    QTRY_COMPARE_WITH_TIMEOUT(service.changeSequence(), 2, 5000);
    QCOMPARE(service.events(from, to, {}).size(), 6);
    const QString replacement =
        folder.write(u"files/replacement.tmp"_s, IcsTestFolder::calendar(goodEvent));
    QVERIFY(QFile::remove(single));
    QVERIFY(QFile::rename(replacement, single));
    QTRY_COMPARE_WITH_TIMEOUT(service.changeSequence(), 3, 5000);
    QCOMPARE(service.events(from, to, {}).size(), 7);
}

void TestIcsCalendarStore::revokingConsentChangesStatusNotSequence()
{
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    auto store = folder.makeStore(true);
    EventStoreService service(*store);
    QCOMPARE(service.availableCalendars().size(), 1);
    QSignalSpy status(&service, &EventStoreService::authorizationStatusChanged);

    folder.settings.setString(IcsCalendarStore::eventsAccessKey, u"denied"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status.size(), 1, 5000);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::denied);
    QVERIFY(service.availableCalendars().isEmpty());
    QCOMPARE(service.changeSequence(), 0);
}

void TestIcsCalendarStore::foldersSettingIsFollowed()
{
    IcsTestFolder folder;
    // The desktop's default folders, as the application finds them.
    qputenv("XDG_DATA_HOME", folder.path(u"data"_s).toUtf8());
    qputenv("XDG_CONFIG_HOME", folder.path(u"config"_s).toUtf8());
    folder.write(u"data/calendars/acct/work/displayname"_s, "Work");
    const QString extra =
        folder.write(u"elsewhere/team.ics"_s, IcsTestFolder::calendar({}, "X-WR-CALNAME:Team\n"));
    IcsCalendarStore::Options options;
    options.watchFiles = false;
    options.readInBackground = false;
    IcsCalendarStore store(folder.settings, nullptr, options);
    EventStoreService service(store);
    QCOMPARE(service.availableCalendars().size(), 1);

    QSignalSpy changed(&store, &CalendarStore::storeChanged);
    folder.settings.setStringList(IcsCalendarStore::foldersKey, {extra, u"~/no/such/folder"_s});
    QCOMPARE(changed.size(), 1);
    QTRY_COMPARE(service.changeSequence(), 1);
    QStringList titles;
    for (const CalendarSource &source : service.availableCalendars())
        titles.append(source.title);
    QCOMPARE(titles, QStringList({u"Work"_s, u"Team"_s}));
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
}

void TestIcsCalendarStore::itemRewrittenInPlaceIsSeen()
{
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/displayname"_s, "Work");
    const QString item =
        folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    auto store = folder.makeStore(true);
    EventStoreService service(*store);
    const QDateTime from = utc(u"2026-03-01T00:00:00Z"_s);
    const QDateTime to = utc(u"2026-04-01T00:00:00Z"_s);
    QCOMPARE(titles(service.events(from, to, {})), QStringList{u"Good"_s});

    // Same file, same inode: only a watch on the file itself sees this.
    QFile file(item);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QByteArray text = file.readAll().replace("SUMMARY:Good", "SUMMARY:Edit");
    QVERIFY(file.seek(0));
    file.write(text);
    file.close();
    QTRY_COMPARE_WITH_TIMEOUT(service.changeSequence(), 1, 5000);
    QCOMPARE(titles(service.events(from, to, {})), QStringList{u"Edit"_s});
}

void TestIcsCalendarStore::parseCacheIsTrustedOnlyWhole_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("expected");

    const QStringList cached{u"Cached"_s, u"Other"_s};
    const QStringList fresh{u"Good"_s, u"Other"_s};
    QTest::newRow("unchanged") << QString() << cached;
    QTest::newRow("item rewritten, same size and time") << u"rewrite"_s << fresh;
    QTest::newRow("item removed") << u"remove"_s << QStringList{u"Other"_s};
    QTest::newRow("cut short") << u"truncate"_s << fresh;
    QTest::newRow("one byte changed") << u"flip"_s << fresh;
    QTest::newRow("another version") << u"version"_s << fresh;
    QTest::newRow("empty") << u"empty"_s << fresh;
}

void TestIcsCalendarStore::parseCacheIsTrustedOnlyWhole()
{
    QFETCH(QString, change);
    QFETCH(QStringList, expected);
    const TimeZoneScope zone("Europe/Berlin");
    IcsTestFolder folder;
    const QString item =
        folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    folder.write(u"calendars/home/work/b.ics"_s,
                 IcsTestFolder::calendar(IcsTestFolder::event(
                     "other", "DTSTART:20260306T120000Z\nDTEND:20260306T130000Z\nSUMMARY:Other")));
    const QDateTime from = utc(u"2026-03-01T00:00:00Z"_s);
    const QDateTime to = utc(u"2026-04-01T00:00:00Z"_s);
    const auto titlesRead = [&] {
        auto store = folder.makeStore();
        EventStoreService service(*store);
        return titles(service.events(from, to, {}));
    };
    QCOMPARE(titlesRead(), QStringList({u"Good"_s, u"Other"_s}));

    // What the cache holds for the item is told apart from what the file says.
    const QString calendar = QFileInfo(item).absolutePath();
    const IcsParseCache cache;
    IcsParseCache::Files files = cache.load(calendar);
    QCOMPARE(files.size(), size_t(2));
    auto edited = std::make_shared<IcsCalendarFile>(*files[u"a.ics"_s].content);
    edited->events.front().title = u"Cached"_s;
    files[u"a.ics"_s].content = edited;
    QVERIFY(cache.save(calendar, files));

    QFile cacheFile(cache.pathFor(calendar));
    QVERIFY(cacheFile.open(QIODevice::ReadWrite));
    QByteArray data = cacheFile.readAll();
    if (change == u"rewrite"_s) {
        const QDateTime modified = QFileInfo(item).lastModified();
        const QDateTime changed = QFileInfo(item).metadataChangeTime();
        // File times move with the kernel's coarse clock: rewrite until the change time moved.
        while (QFileInfo(item).metadataChangeTime() == changed) {
            QFile file(item);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QByteArray text = file.readAll();
            QVERIFY(file.seek(0) && file.write(text) == text.size());
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        }
    } else if (change == u"remove"_s) {
        QVERIFY(QFile::remove(item));
    } else if (change == u"truncate"_s) {
        data.chop(7);
    } else if (change == u"flip"_s) {
        data[data.size() / 2] = char(data[data.size() / 2] ^ 0x20);
    } else if (change == u"version"_s) {
        // A well-formed file of another format version, its checksum made anew.
        data[4] = char(IcsParseCache::formatVersion + 1); // the version follows the magic
        data.chop(20);
        data += QCryptographicHash::hash(data, QCryptographicHash::Sha1);
    } else if (change == u"empty"_s) {
        data.clear();
    }
    QVERIFY(cacheFile.resize(0) && cacheFile.seek(0) && cacheFile.write(data) == data.size());
    cacheFile.close();
    QCOMPARE(titlesRead(), expected);
}

void TestIcsCalendarStore::itemTextComesWhileTheStoreIsStillReading()
{
    const TimeZoneScope zone("Asia/Shanghai");
    IcsTestFolder folder;
    folder.write(u"calendars/home/work/a.ics"_s, IcsTestFolder::calendar(goodEvent));
    // The read stalls, as on a slow disk, until the test lets it go on.
    QSemaphore reading;
    QSemaphore goOn;
    IcsCalendarStore::Options options;
    options.watchFiles = false;
    options.roots = folder.roots();
    options.beforeReading = [&reading, &goOn] {
        reading.release();
        goOn.acquire();
    };
    IcsCalendarStore store(folder.settings, nullptr, options);
    const auto letGo = qScopeGuard([&goOn] { goOn.release(); });
    EventStoreService service(store);
    PreferencesStore preferences(folder.settings);
    HolidayService holidays;
    LunarCalendarService lunar;
    StatusItem statusItem;
    const QDateTime instant({2026, 3, 5}, {6, 3, 9}, Qt::UTC);
    StatusBarController controller(
        preferences, service, holidays, lunar, [] {}, statusItem, nullptr,
        [instant] { return instant; });
    const QDateTime from = utc(u"2026-03-01T00:00:00Z"_s);
    const QDateTime to = utc(u"2026-04-01T00:00:00Z"_s);
    QVERIFY(service.events(from, to, {}).isEmpty());
    QTRY_COMPARE(reading.available(), 1);
    QCOMPARE(statusItem.title(), u"3月5日 周四 14:03"_s);
    QVERIFY(service.events(from, to, {}).isEmpty());

    goOn.release();
    QTRY_COMPARE_WITH_TIMEOUT(titles(service.events(from, to, {})), QStringList{u"Good"_s}, 5000);
    QTRY_VERIFY(service.changeSequence() > 0);
}

QTEST_MAIN(TestIcsCalendarStore)
#include "tst_icscalendarstore.moc"
