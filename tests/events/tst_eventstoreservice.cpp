#include "FakeCalendarStore.h"
#include "FakeLauncher.h"
#include "TimeZoneScope.h"
#include "events/CalendarAppOpener.h"
#include "events/EventStoreService.h"
#include "shared/SystemTimeZone.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODate).toUTC();
}

// A store whose every answer the test sets, and which records what it was asked.
class FakeStore final : public FakeCalendarStore
{
public:
    CalendarAccessState eventState = CalendarAccessState::fullAccess;
    CalendarAccessState reminderState = CalendarAccessState::fullAccess;
    QList<StoreEvent> occurrences;
    QList<QList<StoreCalendar>> eventQueries;
    QDateTime queryStart;
    QList<CalendarEntityType> requests;
    std::function<void(std::optional<bool>)> pending;

    CalendarAccessState authorizationStatus(CalendarEntityType type) const override
    {
        return type == CalendarEntityType::event ? eventState : reminderState;
    }

    void requestFullAccess(CalendarEntityType type, QObject *,
                           std::function<void(std::optional<bool>)> done) override
    {
        requests.append(type);
        // Answered later, as a prompt would be; an empty answer is a failed request.
        pending = [this, type, done](std::optional<bool> granted) {
            if (granted)
                (type == CalendarEntityType::event ? eventState : reminderState) =
                    *granted ? CalendarAccessState::fullAccess : CalendarAccessState::denied;
            done(granted);
        };
    }

    QList<StoreEvent> events(const QDateTime &start, const QDateTime &,
                             const QList<StoreCalendar> &calendars) override
    {
        eventQueries.append(calendars);
        queryStart = start;
        return occurrences;
    }
};

StoreEvent occurrence(const QString &id, const QString &start, const QString &end,
                      bool allDay = false)
{
    StoreEvent event;
    event.calendarItemIdentifier = id;
    event.startDate = utc(start);
    event.endDate = utc(end);
    event.occurrenceDate = event.startDate;
    event.isAllDay = allDay;
    event.title = id;
    event.calendar = {u"cal"_s, u"Calendar"_s, u"Account"_s, QColor(0x12, 0xab, 0xef)};
    return event;
}

} // namespace

class TestEventStoreService : public QObject
{
    Q_OBJECT

private Q_SLOTS:

    void accessStates_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("reminders");
        QTest::addColumn<CalendarAuthorizationStatus>("status");
        QTest::addColumn<bool>("hasReminder");
        QTest::addColumn<bool>("canRequest");
        QTest::addColumn<CalendarEntityType>("privacyPage");
        using S = CalendarAuthorizationStatus;
        const auto event = CalendarEntityType::event;
        const auto reminder = CalendarEntityType::reminder;
        QTest::newRow("both full") << 3 << 3 << S::authorized << true << false << event;
        QTest::newRow("reminders denied") << 3 << 2 << S::authorized << false << false << reminder;
        QTest::newRow("reminders undecided")
            << 3 << 0 << S::authorized << false << true << reminder;
        QTest::newRow("events undecided") << 0 << 2 << S::notDetermined << false << true << event;
        QTest::newRow("restricted") << 1 << 3 << S::restricted << true << false << event;
        QTest::newRow("denied") << 2 << 3 << S::denied << true << false << event;
        QTest::newRow("write only reads as denied")
            << 4 << 1 << S::denied << false << false << event;
        QTest::newRow("unrecognised") << 7 << 3 << S::unknown << true << true << event;
    }

    void accessStates()
    {
        QFETCH(int, events);
        QFETCH(int, reminders);
        QFETCH(bool, hasReminder);
        QFETCH(bool, canRequest);
        QFETCH(CalendarEntityType, privacyPage);
        FakeStore store;
        store.eventState = CalendarAccessState(events);
        store.reminderState = CalendarAccessState(reminders);
        store.storeCalendars = {{u"a"_s, u"A"_s, u"S"_s, {}}, {u"b"_s, u"B"_s, u"S"_s, {}}};
        store.occurrences = {
            occurrence(u"e"_s, u"2026-03-05T10:00:00Z"_s, u"2026-03-05T11:00:00Z"_s)};
        EventStoreService service(store);
        const bool hasCalendar = events == 3;
        QTEST(service.authorizationStatus(), "status");
        QCOMPARE(service.hasCalendarAccess(), hasCalendar);
        QCOMPARE(service.hasReminderAccess(), hasReminder);
        QCOMPARE(service.hasFullCalendarAndReminderAccess(), hasCalendar && hasReminder);
        QCOMPARE(service.canRequestAdditionalAccess(), canRequest);
        // Only full access reads anything; without it the store is not even asked, and with every
        // calendar excluded it is asked for none.
        QCOMPARE(service.availableCalendars().size(), hasCalendar ? 2 : 0);
        const QDateTime march = utc(u"2026-03-15T00:00:00Z"_s);
        QCOMPARE(service.eventsForVisibleGrid(march, {}).size(), hasCalendar ? 1 : 0);
        std::ignore = service.eventsForVisibleGrid(march, {u"b"_s});
        std::ignore = service.eventsForVisibleGrid(march, {u"a"_s, u"b"_s});
        QCOMPARE(store.eventQueries.size(), hasCalendar ? 3 : 0);
        if (hasCalendar) {
            QCOMPARE(store.eventQueries.at(1).size(), 1);
            QVERIFY(store.eventQueries.at(2).isEmpty());
        }
        if (!canRequest) {
            std::optional<bool> granted;
            service.requestAccess(this, [&](bool value) { granted = value; });
            QVERIFY(store.requests.isEmpty());
            QCOMPARE(granted, std::optional(hasCalendar && hasReminder));
        }
        service.openCalendarPrivacySettings(); // without a page: nothing happens
        std::optional<CalendarEntityType> shown;
        service.setPrivacySettingsHandler([&](CalendarEntityType page) { shown = page; });
        service.openCalendarPrivacySettings();
        QCOMPARE(shown, std::optional(privacyPage));
    }

    void requestAsksEventsThenReminders_data()
    {
        QTest::addColumn<std::optional<bool>>("eventAnswer");
        QTest::addColumn<std::optional<bool>>("reminderAnswer");
        QTest::addColumn<bool>("askerGone");
        QTest::addColumn<std::optional<bool>>("result");
        const std::optional<bool> yes(true);
        const std::optional<bool> no(false);
        QTest::newRow("both allowed") << yes << yes << false << yes;
        QTest::newRow("events refused") << no << yes << false << no;
        QTest::newRow("reminders refused") << yes << no << false << no;
        QTest::newRow("event request failed") << std::optional<bool>() << yes << false << no;
        QTest::newRow("asker gone: the answer is dropped")
            << yes << yes << true << std::optional<bool>();
    }

    void requestAsksEventsThenReminders()
    {
        QFETCH(std::optional<bool>, eventAnswer);
        QFETCH(std::optional<bool>, reminderAnswer);
        QFETCH(bool, askerGone);
        FakeStore store;
        store.eventState = CalendarAccessState::notDetermined;
        store.reminderState = CalendarAccessState::notDetermined;
        EventStoreService service(store);
        QSignalSpy status(&service, &EventStoreService::authorizationStatusChanged);
        std::optional<bool> granted;
        auto asker = std::make_unique<QObject>();
        service.requestAccess(asker.get(), [&](bool value) { granted = value; });
        if (askerGone)
            asker.reset();

        QCOMPARE(store.requests, QList{CalendarEntityType::event});
        std::exchange(store.pending, nullptr)(eventAnswer);
        // The reminder prompt comes only after the event prompt was answered, whatever the answer.
        QCOMPARE(store.requests, QList({CalendarEntityType::event, CalendarEntityType::reminder}));
        QVERIFY(!granted);
        std::exchange(store.pending, nullptr)(reminderAnswer);
        QTEST(granted, "result");
        QCOMPARE(status.size(), 1);
        QCOMPARE(service.authorizationStatus(),
                 eventAnswer == std::optional(true) ? CalendarAuthorizationStatus::authorized
                 : eventAnswer                      ? CalendarAuthorizationStatus::denied
                                                    : CalendarAuthorizationStatus::notDetermined);
    }

    void calendarsAreDeduplicatedFirstWinsAndSorted()
    {
        FakeStore store;
        store.storeCalendars = {
            {u"w10"_s, u"Work 10"_s, u"iCloud"_s, {}},
            {u"dup"_s, u"First"_s, u"Google"_s, QColor(0xff, 0, 0)},
            {u"w2"_s, u"Work 2"_s, u"iCloud"_s, {}},
            {u"dup"_s, u"Second"_s, u"Google"_s, QColor(0, 0xff, 0)},
            {u"home"_s, u"home"_s, u"iCloud"_s, {}},
            {u"bday"_s, u"Birthdays"_s, u"Other"_s, {}},
        };
        EventStoreService service(store);
        const QList<CalendarSource> expected{
            {u"dup"_s, u"First"_s, u"Google"_s, u"#FF0000"_s},
            {u"home"_s, u"home"_s, u"iCloud"_s, u"#C05621"_s},
            {u"w2"_s, u"Work 2"_s, u"iCloud"_s, u"#C05621"_s},
            {u"w10"_s, u"Work 10"_s, u"iCloud"_s, u"#C05621"_s},
            {u"bday"_s, u"Birthdays"_s, u"Other"_s, u"#C05621"_s},
        };
        QCOMPARE(service.availableCalendars(), expected);
    }

    void mapping()
    {
        const TimeZoneScope zone("America/New_York");
        FakeStore store;
        StoreEvent spaces =
            occurrence(u"spaces"_s, u"2026-03-05T15:00:00Z"_s, u"2026-03-05T16:00:00Z"_s);
        spaces.title = u" \t \n "_s;
        StoreEvent padded =
            occurrence(u"padded"_s, u"2026-03-05T14:00:00Z"_s, u"2026-03-05T15:00:00Z"_s);
        padded.title = u"\n  Lunch with Ann \r\n"_s;
        padded.location = u"  Café  "_s;
        StoreEvent untitled =
            occurrence(u"untitled"_s, u"2026-03-05T13:00:00Z"_s, u"2026-03-05T14:00:00Z"_s);
        untitled.title.reset();
        untitled.calendar.color.reset();
        // Past midnight in UTC, still the evening before in New York.
        const StoreEvent late =
            occurrence(u"late"_s, u"2026-03-06T03:30:00Z"_s, u"2026-03-06T05:00:00Z"_s);
        StoreEvent moved =
            occurrence(u"moved"_s, u"2026-03-10T04:00:00Z"_s, u"2026-03-11T04:00:00Z"_s, true);
        moved.occurrenceDate = utc(u"2026-03-09T05:00:00Z"_s);
        StoreEvent noStart =
            occurrence(u"noStart"_s, u"2026-03-04T05:00:00Z"_s, u"2026-03-05T05:00:00Z"_s, true);
        noStart.startDate.reset();
        noStart.occurrenceDate.reset();
        StoreEvent noDate = noStart;
        noDate.title = noDate.calendarItemIdentifier = u"noDate"_s;
        noDate.endDate.reset();
        store.occurrences = {noDate, noStart, moved, late, spaces, padded, untitled};
        FakeLauncher launcher;
        launcher.installed = {u"evolution"_s};
        CalendarAppOpener opener(launcher, nullptr);
        EventStoreService service(store, &opener);
        service.setClock([] { return utc(u"2026-03-20T15:00:00Z"_s); });

        const QList<CalendarDayEvent> items =
            service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {});
        QStringList seen;
        for (const CalendarDayEvent &item : items) {
            // The instant the identity counts from, in UTC.
            const QDateTime anchor = QDateTime::fromSecsSinceEpoch(
                978'307'200 + item.id.section(u'-', -1).toLongLong(), QTimeZone::utc());
            seen.append(SystemTimeZone::civilDate(item.displayDate).toString(u"MM-dd"_s)
                        + anchor.toString(u" @MM-dd HH:mm "_s) + item.title + u'|'
                        + item.location.value_or(u"-"_s) + u'|' + item.colorHex);
        }
        // Listed in day order under the day they start on, all-day items first, a moved instance
        // identified by its original day, dateless all-day items on their end or else today; titles
        // trimmed or named.
        QCOMPARE(seen, QStringList({
                           u"03-05 @03-05 05:00 noStart|-|#12ABEF"_s,
                           u"03-05 @03-05 13:00 未命名事件|-|#C05621"_s,
                           u"03-05 @03-05 14:00 Lunch with Ann|  Café  |#12ABEF"_s,
                           u"03-05 @03-05 15:00 未命名事件|-|#12ABEF"_s,
                           u"03-05 @03-06 03:30 late|-|#12ABEF"_s,
                           u"03-10 @03-09 05:00 moved|-|#12ABEF"_s,
                           u"03-20 @03-20 04:00 noDate|-|#12ABEF"_s,
                       }));
        // The calendar application is sent to the day the item is listed on.
        service.openCalendarApp(items.at(4));
        QCOMPARE(launcher.started.value(0),
                 QStringList({u"evolution"_s, u"calendar:///?startdate=20260305"_s}));

        // 1 October 2017 began at 01:00 in Asunción; the grid's first day, 25 September, at 00:00.
        const TimeZoneScope asuncion("America/Asuncion");
        std::ignore = service.eventsForVisibleGrid(utc(u"2017-10-15T12:00:00Z"_s), {});
        QCOMPARE(store.queryStart, utc(u"2017-09-25T04:00:00Z"_s));
    }

    void writes_data()
    {
        QTest::addColumn<bool>("access");
        QTest::addColumn<QString>("calendar");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("storeError");
        QTest::addColumn<QString>("error");
        QTest::newRow("written") << true << u"w"_s << u" 评审 "_s << 60 << QString() << QString();
        QTest::newRow("store refuses")
            << true << u"w"_s << u"评审"_s << 60 << u"磁盘已满"_s << u"磁盘已满"_s;
        QTest::newRow("read-only calendar")
            << true << u"r"_s << u"评审"_s << 60 << QString() << u"日历是只读的"_s;
        QTest::newRow("blank title")
            << true << u"w"_s << u"  "_s << 60 << QString() << u"请填写标题"_s;
        QTest::newRow("ends at its start")
            << true << u"w"_s << u"评审"_s << 0 << QString() << u"结束时间须晚于开始时间"_s;
        QTest::newRow("no access")
            << false << u"w"_s << u"评审"_s << 60 << QString() << u"尚未允许访问日历"_s;
    }

    void writes()
    {
        QFETCH(bool, access);
        QFETCH(QString, calendar);
        QFETCH(QString, title);
        QFETCH(int, minutes);
        QFETCH(QString, storeError);
        QFETCH(QString, error);
        FakeStore store;
        store.eventState = access ? CalendarAccessState::fullAccess : CalendarAccessState::denied;
        StoreCalendar writable{u"w"_s, u"W"_s, u"S"_s, {}, true};
        store.storeCalendars = {{u"r"_s, u"R"_s, u"S"_s, {}}, writable};
        store.writeError = storeError;
        EventStoreService service(store);
        QCOMPARE(service.writableCalendars().size(), access ? 1 : 0);

        const QDateTime start = utc(u"2026-03-05T10:00:00Z"_s);
        std::optional<CalendarWriteResult> answer;
        qint64 sequenceAtAnswer = -1;
        service.createEvent({calendar, title, {}, false, start, start.addSecs(minutes * 60)}, this,
                            [&](CalendarWriteResult result) {
                                answer = result;
                                sequenceAtAnswer = service.changeSequence();
                            });
        QVERIFY(!answer);
        QTRY_VERIFY(answer);
        QCOMPARE(answer->error, error);
        // Observers have been told of a new event before the form hears that it is saved.
        QCOMPARE(sequenceAtAnswer, error.isEmpty() ? 1 : 0);
        QCOMPARE(store.createdEvents.size(), error.isEmpty() ? 1 : 0);
        if (!error.isEmpty())
            return;
        QCOMPARE(store.createdEvents.first().title, u"评审"_s);

        // A form gone before the answer hears nothing.
        auto *form = new QObject;
        bool heard = false;
        service.removeCreatedEvent(*answer, form, [&heard](CalendarWriteResult) { heard = true; });
        delete form;
        QTRY_COMPARE(service.changeSequence(), 2);
        QVERIFY(!heard);
    }
};

QTEST_GUILESS_MAIN(TestEventStoreService)
#include "tst_eventstoreservice.moc"
