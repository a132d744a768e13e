#include "FakeLauncher.h"
#include "TimeZoneScope.h"
#include "events/CalendarAppOpener.h"
#include "events/EventStoreService.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(const QString &iso)
{
    return QDateTime::fromString(iso, Qt::ISODate).toUTC();
}

// A store whose every answer the test sets, and which records what it was asked.
class FakeStore final : public CalendarStore
{
public:
    CalendarAccessState eventState = CalendarAccessState::fullAccess;
    CalendarAccessState reminderState = CalendarAccessState::fullAccess;
    QList<StoreCalendar> calendarList;
    QList<StoreEvent> occurrences;
    QList<QList<StoreCalendar>> eventQueries;
    QList<CalendarEntityType> requests;
    // Answers given to requests, in order; an empty optional is a failed request.
    QList<std::optional<bool>> answers;
    std::function<void(std::optional<bool>)> pending;

    CalendarAccessState authorizationStatus(CalendarEntityType type) const override
    {
        return type == CalendarEntityType::event ? eventState : reminderState;
    }

    void requestFullAccess(CalendarEntityType type, QObject *,
                           std::function<void(std::optional<bool>)> done) override
    {
        requests.append(type);
        // Answered later, as a prompt would be.
        pending = [this, type, done](std::optional<bool> granted) {
            if (granted)
                (type == CalendarEntityType::event ? eventState : reminderState) =
                    *granted ? CalendarAccessState::fullAccess : CalendarAccessState::denied;
            done(granted);
        };
    }

    void answer(std::optional<bool> granted)
    {
        auto callback = std::exchange(pending, nullptr);
        QVERIFY(callback);
        callback(granted);
    }

    QList<StoreCalendar> calendars() override { return calendarList; }

    QList<StoreEvent> events(const QDateTime &, const QDateTime &,
                             const QList<StoreCalendar> &calendars) override
    {
        eventQueries.append(calendars);
        return occurrences;
    }

    void change() { Q_EMIT storeChanged(); }
};

StoreCalendar calendar(const QString &id, const QString &title, const QString &source,
                       std::optional<QColor> color = std::nullopt)
{
    return {id, title, source, color};
}

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
    event.calendar = calendar(u"cal"_s, u"Calendar"_s, u"Account"_s, QColor(0x12, 0xab, 0xef));
    return event;
}

} // namespace

class TestEventStoreService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void statusMapping_data();
    void statusMapping();
    void accessQueries_data();
    void accessQueries();
    void requestAsksEventsThenReminders_data();
    void requestAsksEventsThenReminders();
    void requestWithDecidedStatesAsksNothing();
    void requestAnswerIsDroppedWhenContextIsGone();
    void calendarsAreDeduplicatedFirstWinsAndSorted();
    void noAccessMeansNoCalendarsAndNoFetch();
    void mapping();
    void identityCountsWholeSecondsTowardZero_data();
    void identityCountsWholeSecondsTowardZero();
    void displayDayRule_data();
    void displayDayRule();
    void everyCalendarExcludedQueriesWithEmptyList();
    void gridRangeCoversMondayFirstGrid();
    void burstOfChangesIsHandledOnce();
    void statusChangeLeavesSequenceAlone();
    void privacySettingsPage_data();
    void privacySettingsPage();
    void openingAnEventSendsItsDay();
};

void TestEventStoreService::statusMapping_data()
{
    QTest::addColumn<int>("platform");
    QTest::addColumn<CalendarAuthorizationStatus>("expected");
    QTest::newRow("not determined") << 0 << CalendarAuthorizationStatus::notDetermined;
    QTest::newRow("restricted") << 1 << CalendarAuthorizationStatus::restricted;
    QTest::newRow("denied") << 2 << CalendarAuthorizationStatus::denied;
    QTest::newRow("full access") << 3 << CalendarAuthorizationStatus::authorized;
    QTest::newRow("write only reads as denied") << 4 << CalendarAuthorizationStatus::denied;
    QTest::newRow("unrecognised") << 7 << CalendarAuthorizationStatus::unknown;
    QTest::newRow("negative") << -1 << CalendarAuthorizationStatus::unknown;
}

void TestEventStoreService::statusMapping()
{
    QFETCH(int, platform);
    QFETCH(CalendarAuthorizationStatus, expected);
    FakeStore store;
    store.eventState = CalendarAccessState(platform);
    store.calendarList = {calendar(u"a"_s, u"A"_s, u"S"_s)};
    EventStoreService service(store);
    QCOMPARE(service.authorizationStatus(), expected);
    QCOMPARE(service.currentAuthorizationStatus(), expected);
    // Only full access reads anything.
    QCOMPARE(service.availableCalendars().isEmpty(), platform != 3);
    store.occurrences = {occurrence(u"e"_s, u"2026-03-05T10:00:00Z"_s, u"2026-03-05T11:00:00Z"_s)};
    QCOMPARE(service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {}).isEmpty(),
             platform != 3);
}

void TestEventStoreService::accessQueries_data()
{
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("reminders");
    QTest::addColumn<bool>("hasCalendar");
    QTest::addColumn<bool>("hasReminder");
    QTest::addColumn<bool>("canRequest");
    QTest::newRow("both full") << 3 << 3 << true << true << false;
    QTest::newRow("events full, reminders denied") << 3 << 2 << true << false << false;
    QTest::newRow("events full, reminders undecided") << 3 << 0 << true << false << true;
    QTest::newRow("events undecided") << 0 << 2 << false << false << true;
    QTest::newRow("events write-only, reminders restricted") << 4 << 1 << false << false << false;
    QTest::newRow("unrecognised event state") << 9 << 3 << false << true << true;
}

void TestEventStoreService::accessQueries()
{
    QFETCH(int, events);
    QFETCH(int, reminders);
    QFETCH(bool, hasCalendar);
    QFETCH(bool, hasReminder);
    QFETCH(bool, canRequest);
    FakeStore store;
    store.eventState = CalendarAccessState(events);
    store.reminderState = CalendarAccessState(reminders);
    EventStoreService service(store);
    QCOMPARE(service.hasCalendarAccess(), hasCalendar);
    QCOMPARE(service.hasReminderAccess(), hasReminder);
    QCOMPARE(service.hasFullCalendarAndReminderAccess(), hasCalendar && hasReminder);
    QCOMPARE(service.canRequestAdditionalAccess(), canRequest);
}

void TestEventStoreService::requestAsksEventsThenReminders_data()
{
    QTest::addColumn<std::optional<bool>>("eventAnswer");
    QTest::addColumn<std::optional<bool>>("reminderAnswer");
    QTest::addColumn<bool>("result");
    QTest::newRow("both allowed") << std::optional(true) << std::optional(true) << true;
    QTest::newRow("events refused") << std::optional(false) << std::optional(true) << false;
    QTest::newRow("reminders refused") << std::optional(true) << std::optional(false) << false;
    QTest::newRow("event request failed") << std::optional<bool>() << std::optional(true) << false;
}

void TestEventStoreService::requestAsksEventsThenReminders()
{
    QFETCH(std::optional<bool>, eventAnswer);
    QFETCH(std::optional<bool>, reminderAnswer);
    QFETCH(bool, result);
    FakeStore store;
    store.eventState = CalendarAccessState::notDetermined;
    store.reminderState = CalendarAccessState::notDetermined;
    EventStoreService service(store);
    QSignalSpy status(&service, &EventStoreService::authorizationStatusChanged);
    std::optional<bool> granted;
    service.requestAccess(this, [&](bool value) { granted = value; });

    QCOMPARE(store.requests, QList{CalendarEntityType::event});
    store.answer(eventAnswer);
    // The reminder prompt comes only after the event prompt was answered, whatever the answer.
    QCOMPARE(store.requests, QList({CalendarEntityType::event, CalendarEntityType::reminder}));
    QVERIFY(!granted);
    store.answer(reminderAnswer);
    QCOMPARE(granted, std::optional(result));
    QCOMPARE(status.size(), 1);
    QCOMPARE(service.authorizationStatus(),
             eventAnswer == std::optional(true) ? CalendarAuthorizationStatus::authorized
             : eventAnswer                      ? CalendarAuthorizationStatus::denied
                                                : CalendarAuthorizationStatus::notDetermined);
}

void TestEventStoreService::requestWithDecidedStatesAsksNothing()
{
    FakeStore store;
    store.eventState = CalendarAccessState::fullAccess;
    store.reminderState = CalendarAccessState::denied;
    EventStoreService service(store);
    QCOMPARE(service.canRequestAdditionalAccess(), false);
    std::optional<bool> granted;
    service.requestAccess(this, [&](bool value) { granted = value; });
    QVERIFY(store.requests.isEmpty());
    QCOMPARE(granted, std::optional(false));
}

void TestEventStoreService::requestAnswerIsDroppedWhenContextIsGone()
{
    FakeStore store;
    store.eventState = CalendarAccessState::notDetermined;
    store.reminderState = CalendarAccessState::fullAccess;
    EventStoreService service(store);
    bool called = false;
    auto context = std::make_unique<QObject>();
    service.requestAccess(context.get(), [&](bool) { called = true; });
    context.reset();
    store.answer(true);
    QVERIFY(!called);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::authorized);
}

void TestEventStoreService::calendarsAreDeduplicatedFirstWinsAndSorted()
{
    FakeStore store;
    store.calendarList = {
        calendar(u"w10"_s, u"Work 10"_s, u"iCloud"_s),
        calendar(u"dup"_s, u"First"_s, u"Google"_s, QColor(0xff, 0, 0)),
        calendar(u"w2"_s, u"Work 2"_s, u"iCloud"_s),
        calendar(u"dup"_s, u"Second"_s, u"Google"_s, QColor(0, 0xff, 0)),
        calendar(u"home"_s, u"home"_s, u"iCloud"_s),
        calendar(u"bday"_s, u"Birthdays"_s, u"Other"_s),
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

void TestEventStoreService::noAccessMeansNoCalendarsAndNoFetch()
{
    FakeStore store;
    store.eventState = CalendarAccessState::writeOnly;
    store.calendarList = {calendar(u"a"_s, u"A"_s, u"S"_s)};
    store.occurrences = {occurrence(u"e"_s, u"2026-03-05T10:00:00Z"_s, u"2026-03-05T11:00:00Z"_s)};
    EventStoreService service(store);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::denied);
    QVERIFY(service.availableCalendars().isEmpty());
    QVERIFY(service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {}).isEmpty());
    QVERIFY(store.eventQueries.isEmpty());
}

void TestEventStoreService::mapping()
{
    const TimeZoneScope zone("America/New_York");
    FakeStore store;
    store.calendarList = {calendar(u"cal"_s, u"Calendar"_s, u"Account"_s)};
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
    store.occurrences = {spaces, padded, untitled};
    EventStoreService service(store);

    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    QCOMPARE(items.size(), 3);
    // In start order: untitled 13:00, padded 14:00, spaces 15:00.
    QCOMPARE(items.at(0).title, u"未命名事件"_s);
    QCOMPARE(items.at(0).colorHex, u"#C05621"_s);
    QVERIFY(!items.at(0).location);
    QCOMPARE(items.at(1).title, u"Lunch with Ann"_s);
    QCOMPARE(items.at(1).location, std::optional(u"  Café  "_s));
    QCOMPARE(items.at(1).colorHex, u"#12ABEF"_s);
    QCOMPARE(items.at(1).calendarTitle, u"Calendar"_s);
    QCOMPARE(items.at(1).calendarIdentifier, u"cal"_s);
    QCOMPARE(items.at(1).kind, CalendarDayEventKind::event);
    QCOMPARE(items.at(2).title, u"未命名事件"_s);
    QCOMPARE(items.at(2).colorHex, u"#12ABEF"_s);
}

void TestEventStoreService::identityCountsWholeSecondsTowardZero_data()
{
    QTest::addColumn<QDateTime>("anchor");
    QTest::addColumn<QString>("id");
    QTest::newRow("after the reference")
        << QDateTime::fromMSecsSinceEpoch(978'307'200'000 + 1'500, Qt::UTC) << u"x-1"_s;
    QTest::newRow("before the reference, cut toward zero")
        << QDateTime::fromMSecsSinceEpoch(978'307'200'000 - 1'500, Qt::UTC) << u"x--1"_s;
    QTest::newRow("the reference itself") << utc(u"2001-01-01T00:00:00Z"_s) << u"x-0"_s;
}

void TestEventStoreService::identityCountsWholeSecondsTowardZero()
{
    QFETCH(QDateTime, anchor);
    QFETCH(QString, id);
    FakeStore store;
    StoreEvent event = occurrence(u"x"_s, u"2026-03-05T15:00:00Z"_s, u"2026-03-05T16:00:00Z"_s);
    event.occurrenceDate = anchor;
    store.occurrences = {event};
    EventStoreService service(store);
    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {});
    QCOMPARE(items.first().id, id);
}

void TestEventStoreService::displayDayRule_data()
{
    QTest::addColumn<StoreEvent>("event");
    QTest::addColumn<QDateTime>("displayDate");
    QTest::addColumn<QString>("idSuffix");

    const auto seconds = [](const QString &iso) -> QString {
        return u"-"_s + QString::number(utc(iso).toSecsSinceEpoch() - 978'307'200);
    };
    StoreEvent timed = occurrence(u"e"_s, u"2026-03-06T03:30:00Z"_s, u"2026-03-06T05:00:00Z"_s);
    QTest::newRow("timed: the day of its start")
        << timed << utc(u"2026-03-05T05:00:00Z"_s) << seconds(u"2026-03-06T03:30:00Z"_s);
    StoreEvent moved =
        occurrence(u"e"_s, u"2026-03-10T04:00:00Z"_s, u"2026-03-11T04:00:00Z"_s, true);
    moved.occurrenceDate = utc(u"2026-03-09T05:00:00Z"_s);
    QTest::newRow("moved all-day instance: listed on its new day, identified by its old one")
        << moved << utc(u"2026-03-10T04:00:00Z"_s) << seconds(u"2026-03-09T05:00:00Z"_s);
    StoreEvent noStart =
        occurrence(u"e"_s, u"2026-03-10T04:00:00Z"_s, u"2026-03-11T04:00:00Z"_s, true);
    noStart.startDate.reset();
    noStart.occurrenceDate.reset();
    QTest::newRow("all-day without start or occurrence: its end")
        << noStart << utc(u"2026-03-11T04:00:00Z"_s) << seconds(u"2026-03-11T04:00:00Z"_s);
    StoreEvent nothing = noStart;
    nothing.endDate.reset();
    QTest::newRow("all-day without any date: the current day")
        << nothing << utc(u"2026-03-20T04:00:00Z"_s) << seconds(u"2026-03-20T04:00:00Z"_s);
}

void TestEventStoreService::displayDayRule()
{
    QFETCH(StoreEvent, event);
    QFETCH(QDateTime, displayDate);
    QFETCH(QString, idSuffix);
    const TimeZoneScope zone("America/New_York");
    FakeStore store;
    store.occurrences = {event};
    EventStoreService service(store);
    service.setClock([] { return utc(u"2026-03-20T15:00:00Z"_s); });
    const auto items =
        service.events(utc(u"2026-03-01T00:00:00Z"_s), utc(u"2026-04-01T00:00:00Z"_s), {});
    QCOMPARE(items.first().displayDate, displayDate);
    QCOMPARE(items.first().id, u"e"_s + idSuffix);
}

void TestEventStoreService::everyCalendarExcludedQueriesWithEmptyList()
{
    FakeStore store;
    store.calendarList = {calendar(u"a"_s, u"A"_s, u"S"_s), calendar(u"b"_s, u"B"_s, u"S"_s)};
    EventStoreService service(store);
    std::ignore = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {u"b"_s});
    std::ignore = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {u"a"_s, u"b"_s});
    QCOMPARE(store.eventQueries.size(), 2);
    QCOMPARE(store.eventQueries.at(0).size(), 1);
    QCOMPARE(store.eventQueries.at(0).first().identifier, u"a"_s);
    QVERIFY(store.eventQueries.at(1).isEmpty());
}

void TestEventStoreService::gridRangeCoversMondayFirstGrid()
{
    const TimeZoneScope zone("America/New_York");
    FakeStore store;
    store.occurrences = {
        occurrence(u"late"_s, u"2026-03-09T10:00:00Z"_s, u"2026-03-09T11:00:00Z"_s),
        occurrence(u"allday"_s, u"2026-03-09T04:00:00Z"_s, u"2026-03-10T04:00:00Z"_s, true),
        occurrence(u"early"_s, u"2026-03-09T05:00:00Z"_s, u"2026-03-09T06:00:00Z"_s),
        occurrence(u"before"_s, u"2026-03-08T15:00:00Z"_s, u"2026-03-08T16:00:00Z"_s),
    };
    EventStoreService service(store);
    const auto items = service.eventsForVisibleGrid(utc(u"2026-03-15T00:00:00Z"_s), {});
    QStringList order;
    for (const CalendarDayEvent &item : items)
        order.append(item.title);
    QCOMPARE(order, QStringList({u"before"_s, u"allday"_s, u"early"_s, u"late"_s}));
}

void TestEventStoreService::burstOfChangesIsHandledOnce()
{
    FakeStore store;
    EventStoreService service(store);
    QSignalSpy sequence(&service, &EventStoreService::changeSequenceChanged);
    QSignalSpy calendars(&service, &EventStoreService::availableCalendarsChanged);
    for (int i = 0; i < 4; ++i) {
        store.change();
        QTest::qWait(EventStoreService::storeChangeDebounceMs / 4);
    }
    QVERIFY(sequence.isEmpty());
    QTRY_COMPARE(sequence.size(), 1);
    QTest::qWait(EventStoreService::storeChangeDebounceMs * 2);
    QCOMPARE(sequence.size(), 1);
    QCOMPARE(service.changeSequence(), 1);
    QCOMPARE(calendars.size(), 1);
}

void TestEventStoreService::statusChangeLeavesSequenceAlone()
{
    FakeStore store;
    store.calendarList = {calendar(u"a"_s, u"A"_s, u"S"_s)};
    EventStoreService service(store);
    QSignalSpy status(&service, &EventStoreService::authorizationStatusChanged);
    store.eventState = CalendarAccessState::denied;
    store.change();
    QTRY_COMPARE(status.size(), 1);
    QCOMPARE(service.authorizationStatus(), CalendarAuthorizationStatus::denied);
    QVERIFY(service.availableCalendars().isEmpty());
    QCOMPARE(service.changeSequence(), 0);
}

void TestEventStoreService::privacySettingsPage_data()
{
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("reminders");
    QTest::addColumn<CalendarEntityType>("first");
    QTest::newRow("both granted") << 3 << 3 << CalendarEntityType::event;
    QTest::newRow("reminders missing") << 3 << 2 << CalendarEntityType::reminder;
    QTest::newRow("events missing") << 2 << 3 << CalendarEntityType::event;
}

void TestEventStoreService::privacySettingsPage()
{
    QFETCH(int, events);
    QFETCH(int, reminders);
    QFETCH(CalendarEntityType, first);
    FakeStore store;
    store.eventState = CalendarAccessState(events);
    store.reminderState = CalendarAccessState(reminders);
    EventStoreService service(store);
    service.openCalendarPrivacySettings(); // without a page: nothing happens
    std::optional<CalendarEntityType> shown;
    service.setPrivacySettingsHandler([&](CalendarEntityType page) { shown = page; });
    service.openCalendarPrivacySettings();
    QCOMPARE(shown, std::optional(first));
}

void TestEventStoreService::openingAnEventSendsItsDay()
{
    const TimeZoneScope zone("Asia/Shanghai");
    FakeStore store;
    FakeLauncher launcher;
    launcher.installed = {u"evolution"_s};
    CalendarAppOpener opener(launcher, nullptr);
    EventStoreService service(store, &opener);
    CalendarDayEvent item;
    item.displayDate = utc(u"2026-03-04T16:00:00Z"_s);
    service.openCalendarApp(item);
    const QList<QStringList> expected{{u"evolution"_s, u"calendar:///?startdate=20260305"_s}};
    QCOMPARE(launcher.started, expected);
}

QTEST_GUILESS_MAIN(TestEventStoreService)
#include "tst_eventstoreservice.moc"
