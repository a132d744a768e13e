#include "calendar/CalendarViewModel.h"

#include "PanelFixture.h"
#include "events/PreviewCalendarFactory.h"
#include "shared/AppTheme.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray newYork = "America/New_York";

QDateTime wallTime(int year, int month, int day, int hour = 0, int minute = 0,
                   const QByteArray &zone = newYork)
{
    const auto instant =
        CivilCalendar(CivilCalendar::Monday, zone).date(year, month, day, hour, minute);
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

// A month fetch the test completes when it chooses.
struct HeldFetch
{
    QDateTime month;
    QSet<QString> excluded;
    std::function<void(const QList<CalendarDayEvent> &)> done;
};

// The events a test fetch hands back: one per month, named after it, so that a test sees which
// load's result was applied.
QList<CalendarDayEvent> monthMarker(const QDateTime &month, const QSet<QString> &excluded)
{
    const QString name = SystemTimeZone::civilDate(month).toString(u"yyyy-MM"_s);
    return {PanelFixture::event(name + u"|"_s + QStringList(excluded.values()).join(u','), month)};
}

} // namespace

class TestCalendarViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void twoPagingsInFlight_data();
    void twoPagingsInFlight();
    void exclusionChangeDropsStaleResult();
    void previewSwitchDropsStoreResult();
    void authorizationStatus_data();
    void authorizationStatus();
    void accessChangeReloads();
    void storeChangeReloads_data();
    void storeChangeReloads();
    void storeFetchSkipsExcludedCalendars();
    void paging_data();
    void paging();
    void select_data();
    void select();
    void goToToday();
    void eventsOfADay_data();
    void eventsOfADay();
    void eventDotColor_data();
    void eventDotColor();
    void dayQueries();

private:
    CalendarViewModel &makeViewModel();
    void processEvents();
    void completeAll(const std::function<QList<CalendarDayEvent>(const QDateTime &,
                                                                 const QSet<QString> &)> &serve);
    void settle();
    void setMonthEvents(const QList<CalendarDayEvent> &events);

    std::optional<PanelFixture> fixture;
    std::unique_ptr<CalendarViewModel> viewModel;
    QList<HeldFetch> held;
    int fetchCount = 0;
    // The month shown when the last cross-fade was announced.
    QDateTime monthAtAnimation;
};

void TestCalendarViewModel::initTestCase()
{
    // The test must not ask the real desktop for its colour scheme.
    AppTheme::setSystemAppearanceSource([] { return false; });
}

void TestCalendarViewModel::init()
{
    fixture.emplace(newYork, QDate(2026, 3, 5));
    // Each test makes the view model it needs, with loads it completes itself.
    fixture->viewModel.reset();
    held.clear();
    fetchCount = 0;
}

void TestCalendarViewModel::cleanup()
{
    viewModel.reset();
    fixture.reset();
}

CalendarViewModel &TestCalendarViewModel::makeViewModel()
{
    viewModel = std::make_unique<CalendarViewModel>(*fixture->preferences, *fixture->eventStore,
                                                    fixture->holidays, fixture->lunar,
                                                    [this] { return fixture->currentTime; });
    viewModel->setMonthEventsFetch(
        [this](const QDateTime &month, const QSet<QString> &excluded,
               std::function<void(const QList<CalendarDayEvent> &)> done) {
            ++fetchCount;
            held.append({month, excluded, std::move(done)});
        });
    // The fade keeps a picture of the old month, so it must hear of the change first.
    connect(viewModel.get(), &CalendarViewModel::animatedChangeStarted, this,
            [this] { monthAtAnimation = viewModel->displayedMonth(); });
    return *viewModel;
}

void TestCalendarViewModel::processEvents()
{
    // Tasks queue further tasks; a few passes run them all.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void TestCalendarViewModel::completeAll(
    const std::function<QList<CalendarDayEvent>(const QDateTime &, const QSet<QString> &)> &serve)
{
    while (!held.isEmpty()) {
        const HeldFetch fetch = held.takeFirst();
        fetch.done(serve(fetch.month, fetch.excluded));
    }
}

void TestCalendarViewModel::settle()
{
    processEvents();
    completeAll(monthMarker);
    processEvents();
    QVERIFY(held.isEmpty());
}

void TestCalendarViewModel::setMonthEvents(const QList<CalendarDayEvent> &events)
{
    settle();
    viewModel->nextMonth();
    viewModel->previousMonth();
    processEvents();
    completeAll([&](const QDateTime &, const QSet<QString> &) { return events; });
    QCOMPARE(titles(viewModel->monthEvents()), titles(events));
}

void TestCalendarViewModel::twoPagingsInFlight_data()
{
    QTest::addColumn<bool>("firstCompletesFirst");
    QTest::newRow("completed in order") << true;
    QTest::newRow("newest completes before the older one") << false;
}

void TestCalendarViewModel::twoPagingsInFlight()
{
    QFETCH(bool, firstCompletesFirst);
    CalendarViewModel &model = makeViewModel();
    settle();
    QSignalSpy eventsSpy(&model, &CalendarViewModel::monthEventsChanged);

    model.nextMonth();
    processEvents();
    model.nextMonth();
    processEvents();
    QCOMPARE(held.size(), 2);
    QCOMPARE(held.at(0).month, wallTime(2026, 4, 1));
    QCOMPARE(held.at(1).month, wallTime(2026, 5, 1));
    const HeldFetch april = held.takeFirst();
    const HeldFetch may = held.takeFirst();
    QVERIFY(model.isLoadingMonth());

    if (firstCompletesFirst) {
        april.done(monthMarker(april.month, april.excluded));
        QVERIFY(model.isLoadingMonth());
        QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-03|"_s});
        may.done(monthMarker(may.month, may.excluded));
    } else {
        may.done(monthMarker(may.month, may.excluded));
        QVERIFY(!model.isLoadingMonth());
        april.done(monthMarker(april.month, april.excluded));
    }
    QVERIFY(!model.isLoadingMonth());
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-05|"_s});
    QCOMPARE(eventsSpy.size(), 1);
}

void TestCalendarViewModel::exclusionChangeDropsStaleResult()
{
    CalendarViewModel &model = makeViewModel();
    settle();
    model.nextMonth();
    processEvents();
    QCOMPARE(held.size(), 1);
    const HeldFetch stale = held.takeFirst();

    fixture->preferences->setCalendar(u"work"_s, false);
    // Finishes before the reload the change started has begun: still the newest load, but
    // fetched for other calendars.
    stale.done(monthMarker(stale.month, stale.excluded));
    QVERIFY(!model.isLoadingMonth());
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-03|"_s});

    processEvents();
    QCOMPARE(held.size(), 1);
    QCOMPARE(held.first().excluded, QSet<QString>{u"work"_s});
    QVERIFY(model.isLoadingMonth());
    completeAll(monthMarker);
    QVERIFY(!model.isLoadingMonth());
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-04|work"_s});
}

void TestCalendarViewModel::previewSwitchDropsStoreResult()
{
    CalendarViewModel &model = makeViewModel();
    settle();
    model.nextMonth();
    processEvents();
    QCOMPARE(held.size(), 1);
    const HeldFetch stale = held.takeFirst();

    fixture->preferences->setUsePreviewData(true);
    stale.done(monthMarker(stale.month, stale.excluded));
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-03|"_s});

    processEvents();
    QCOMPARE(titles(model.monthEvents()),
             titles(PreviewCalendarFactory::events(wallTime(2026, 4, 1), {})));
    QVERIFY(!model.isLoadingMonth());
}

void TestCalendarViewModel::authorizationStatus_data()
{
    QTest::addColumn<CalendarAccessState>("access");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<CalendarAuthorizationStatus>("expected");

    using S = CalendarAuthorizationStatus;
    using A = CalendarAccessState;
    QTest::newRow("write only cannot read") << A::writeOnly << false << S::denied;
    QTest::newRow("preview needs no access") << A::denied << true << S::authorized;
}

void TestCalendarViewModel::authorizationStatus()
{
    QFETCH(CalendarAccessState, access);
    QFETCH(bool, preview);
    QFETCH(CalendarAuthorizationStatus, expected);

    fixture->store.eventAccess = access;
    fixture->eventStore->refreshAuthorizationState();
    fixture->preferences->setUsePreviewData(preview);
    CalendarViewModel &model = makeViewModel();
    settle();
    QCOMPARE(model.authorizationStatus(), expected);
}

void TestCalendarViewModel::accessChangeReloads()
{
    fixture->store.eventAccess = CalendarAccessState::notDetermined;
    fixture->eventStore->refreshAuthorizationState();
    CalendarViewModel &model = makeViewModel();
    settle();
    const int before = fetchCount;

    // The same state again starts nothing.
    fixture->eventStore->refreshAuthorizationState();
    processEvents();
    QCOMPARE(fetchCount, before);

    fixture->store.eventAccess = CalendarAccessState::fullAccess;
    fixture->eventStore->refreshAuthorizationState();
    // Delivered through the event loop.
    QCOMPARE(model.authorizationStatus(), CalendarAuthorizationStatus::notDetermined);
    processEvents();
    QCOMPARE(model.authorizationStatus(), CalendarAuthorizationStatus::authorized);
    QCOMPARE(fetchCount, before + 1);
}

void TestCalendarViewModel::storeChangeReloads_data()
{
    QTest::addColumn<bool>("preview");
    QTest::addColumn<int>("loads");
    QTest::newRow("store data reloads") << false << 1;
    QTest::newRow("preview data does not") << true << 0;
}

void TestCalendarViewModel::storeChangeReloads()
{
    QFETCH(bool, preview);
    QFETCH(int, loads);

    fixture->preferences->setUsePreviewData(preview);
    CalendarViewModel &model = makeViewModel();
    settle();
    QSignalSpy loading(&model, &CalendarViewModel::isLoadingMonthChanged);

    QSignalSpy sequence(fixture->eventStore.get(), &EventStoreService::changeSequenceChanged);
    fixture->store.announceChange();
    QVERIFY(sequence.wait(5000));
    processEvents();
    completeAll(monthMarker);

    int started = 0;
    for (const QList<QVariant> &arguments : std::as_const(loading))
        started += arguments.first().toBool() ? 1 : 0;
    QCOMPARE(started, loads);
    QVERIFY(!model.isLoadingMonth());
}

void TestCalendarViewModel::storeFetchSkipsExcludedCalendars()
{
    const StoreCalendar work{u"work"_s, u"Work"_s, u"Me"_s, QColor(0x11, 0x22, 0x33)};
    const StoreCalendar home{u"home"_s, u"Home"_s, u"Me"_s, std::nullopt};
    fixture->store.storeCalendars = {work, home};
    const auto storeEvent = [](const QString &id, const StoreCalendar &calendar,
                               const QDateTime &start) {
        StoreEvent event;
        event.calendarItemIdentifier = id;
        event.startDate = start;
        event.endDate = start.addSecs(1800);
        event.title = id;
        event.calendar = calendar;
        return event;
    };
    fixture->store.storeEvents = {
        storeEvent(u"standup"_s, work, wallTime(2026, 3, 9, 9, 30)),
        storeEvent(u"dinner"_s, home, wallTime(2026, 3, 9, 19, 0)),
        // Sunday after the month, still in the grid's last week.
        storeEvent(u"brunch"_s, home, wallTime(2026, 4, 5, 11, 0)),
        storeEvent(u"outside"_s, home, wallTime(2026, 4, 6, 11, 0)),
    };
    fixture->preferences->setCalendar(u"work"_s, false);

    viewModel = std::make_unique<CalendarViewModel>(*fixture->preferences, *fixture->eventStore,
                                                    fixture->holidays, fixture->lunar,
                                                    [this] { return fixture->currentTime; });
    processEvents();
    QCOMPARE(titles(viewModel->monthEvents()), (QStringList{u"dinner"_s, u"brunch"_s}));
    QCOMPARE(viewModel->monthEvents().first().colorHex, u"#C05621"_s);
    QVERIFY(!viewModel->isLoadingMonth());
}

void TestCalendarViewModel::paging_data()
{
    QTest::addColumn<QByteArray>("zoneId");
    QTest::addColumn<QDateTime>("today");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QDate>("expectedMonth");

    const QByteArray shanghai = "Asia/Shanghai";
    QTest::newRow("next month from 31 January")
        << newYork << wallTime(2026, 1, 31, 18) << u"nextMonth"_s << QDate(2026, 2, 1);
    QTest::newRow("previous month from 31 March")
        << newYork << wallTime(2026, 3, 31, 23, 30) << u"previousMonth"_s << QDate(2026, 2, 1);
    QTest::newRow("next month across the spring change")
        << newYork << wallTime(2026, 2, 28, 12) << u"nextMonth"_s << QDate(2026, 3, 1);
    QTest::newRow("next month across the autumn change")
        << newYork << wallTime(2026, 10, 31, 12) << u"nextMonth"_s << QDate(2026, 11, 1);
    QTest::newRow("previous month into the old year")
        << shanghai << wallTime(2026, 1, 1, 0, 0, shanghai) << u"previousMonth"_s
        << QDate(2025, 12, 1);
    QTest::newRow("next year from 29 February")
        << newYork << wallTime(2024, 2, 29, 8) << u"nextYear"_s << QDate(2025, 2, 1);
    QTest::newRow("previous year") << shanghai << wallTime(2026, 3, 5, 8, 0, shanghai)
                                   << u"previousYear"_s << QDate(2025, 3, 1);
}

void TestCalendarViewModel::paging()
{
    QFETCH(QByteArray, zoneId);
    QFETCH(QDateTime, today);
    QFETCH(QString, operation);
    QFETCH(QDate, expectedMonth);

    const TimeZoneScope pinned(zoneId);
    fixture->currentTime = today;
    CalendarViewModel &model = makeViewModel();
    const QDateTime selected = model.selectedDate();
    QCOMPARE(selected, CivilCalendar::viewCalendar().startOfDay(today));
    const QDateTime before = model.displayedMonth();

    QVERIFY(QMetaObject::invokeMethod(&model, operation.toLatin1().constData()));
    QCOMPARE(monthAtAnimation, before);
    const CivilCalendar calendar(CivilCalendar::Monday, zoneId);
    QCOMPARE(model.displayedMonth(),
             *calendar.date(expectedMonth.year(), expectedMonth.month(), 1));
    QVERIFY(!model.hasVisibleSelection());
    QCOMPARE(model.selectedDate(), selected);

    settle();
    viewModel.reset();
}

void TestCalendarViewModel::select_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QDateTime>("month");
    QTest::addColumn<QDateTime>("day");

    QTest::newRow("a day of the shown month")
        << wallTime(2026, 3, 19, 15, 30) << wallTime(2026, 3, 1) << wallTime(2026, 3, 19);
    QTest::newRow("a trailing day switches the month")
        << wallTime(2026, 4, 2, 9) << wallTime(2026, 4, 1) << wallTime(2026, 4, 2);
    QTest::newRow("a leading day switches the month")
        << wallTime(2026, 2, 23, 23, 59) << wallTime(2026, 2, 1) << wallTime(2026, 2, 23);
    QTest::newRow("the day the clocks go forward")
        << wallTime(2026, 3, 8, 12) << wallTime(2026, 3, 1) << wallTime(2026, 3, 8);
}

void TestCalendarViewModel::select()
{
    QFETCH(QDateTime, date);
    QFETCH(QDateTime, month);
    QFETCH(QDateTime, day);

    CalendarViewModel &model = makeViewModel();
    model.nextMonth();
    QVERIFY(!model.hasVisibleSelection());
    const QDateTime before = model.displayedMonth();
    model.select(date);
    QCOMPARE(monthAtAnimation, before);
    QCOMPARE(model.displayedMonth(), month);
    QCOMPARE(model.selectedDate(), day);
    QVERIFY(model.hasVisibleSelection());
    QVERIFY(model.isSelected(date));
}

void TestCalendarViewModel::goToToday()
{
    CalendarViewModel &model = makeViewModel();
    model.nextYear();
    model.select(wallTime(2027, 5, 20, 8));
    model.nextMonth();
    // The clock has moved on since the view model was made.
    fixture->currentTime = wallTime(2026, 3, 8, 3, 30);
    model.goToToday();
    QCOMPARE(model.displayedMonth(), wallTime(2026, 3, 1));
    QCOMPARE(model.selectedDate(), wallTime(2026, 3, 8));
    QVERIFY(model.hasVisibleSelection());
}

void TestCalendarViewModel::eventsOfADay_data()
{
    QTest::addColumn<QList<CalendarDayEvent>>("monthEvents");
    QTest::addColumn<QDateTime>("day");
    QTest::addColumn<QStringList>("expected");

    const QDateTime day = wallTime(2026, 3, 10, 12);
    QTest::newRow("all-day before timed at 00:00")
        << QList<CalendarDayEvent>{PanelFixture::event(u"timed 00:00"_s, wallTime(2026, 3, 10, 0)),
                                   PanelFixture::event(u"all day"_s, wallTime(2026, 3, 10),
                                                       u"#2255AA"_s, true)}
        << day << QStringList{u"all day"_s, u"timed 00:00"_s};
    QTest::newRow("08:00 before 09:30")
        << QList<CalendarDayEvent>{PanelFixture::event(u"09:30"_s, wallTime(2026, 3, 10, 9, 30)),
                                   PanelFixture::event(u"08:00"_s, wallTime(2026, 3, 10, 8, 0))}
        << day << QStringList{u"08:00"_s, u"09:30"_s};
    QTest::newRow("equal starts keep the list order")
        << QList<CalendarDayEvent>{PanelFixture::event(u"b"_s, wallTime(2026, 3, 10, 9)),
                                   PanelFixture::event(u"a"_s, wallTime(2026, 3, 10, 9)),
                                   PanelFixture::event(u"c"_s, wallTime(2026, 3, 10, 9))}
        << day << QStringList{u"b"_s, u"a"_s, u"c"_s};
    QTest::newRow("other days left out")
        << QList<CalendarDayEvent>{PanelFixture::event(u"day before 23:59"_s,
                                                       wallTime(2026, 3, 9, 23, 59)),
                                   PanelFixture::event(u"this day"_s, wallTime(2026, 3, 10, 18)),
                                   PanelFixture::event(u"day after 00:00"_s, wallTime(2026, 3, 11))}
        << day << QStringList{u"this day"_s};
    QTest::newRow("the 23-hour day the clocks go forward")
        << QList<CalendarDayEvent>{PanelFixture::event(u"03:30"_s, wallTime(2026, 3, 8, 3, 30)),
                                   PanelFixture::event(u"23:30"_s, wallTime(2026, 3, 8, 23, 30)),
                                   PanelFixture::event(u"next 00:30"_s,
                                                       wallTime(2026, 3, 9, 0, 30))}
        << wallTime(2026, 3, 8) << QStringList{u"03:30"_s, u"23:30"_s};
    QTest::newRow("no events") << QList<CalendarDayEvent>{} << day << QStringList{};
}

void TestCalendarViewModel::eventsOfADay()
{
    QFETCH(QList<CalendarDayEvent>, monthEvents);
    QFETCH(QDateTime, day);
    QFETCH(QStringList, expected);

    CalendarViewModel &model = makeViewModel();
    setMonthEvents(monthEvents);
    QCOMPARE(titles(model.events(day)), expected);
    model.select(day);
    QCOMPARE(titles(model.selectedDayEvents()), expected);
}

void TestCalendarViewModel::eventDotColor_data()
{
    QTest::addColumn<bool>("showDots");
    QTest::addColumn<QList<CalendarDayEvent>>("monthEvents");
    QTest::addColumn<QString>("expected"); // "" for no dot, "accent" for the theme's accent

    const QList<CalendarDayEvent> twoOnTheDay{
        PanelFixture::event(u"timed"_s, wallTime(2026, 3, 12, 9), u"#B4452E"_s),
        PanelFixture::event(u"all day"_s, wallTime(2026, 3, 12), u"#456B54"_s, true)};
    QTest::newRow("the first in list order, not in day order")
        << true << twoOnTheDay << u"#b4452e"_s;
    QTest::newRow("dots off") << false << twoOnTheDay << QString();
    QTest::newRow("unparsable colour takes the accent")
        << true
        << QList<CalendarDayEvent>{PanelFixture::event(u"odd"_s, wallTime(2026, 3, 12, 9),
                                                       u"teal"_s)}
        << u"accent"_s;
    QTest::newRow("no events on the day")
        << true
        << QList<CalendarDayEvent>{PanelFixture::event(u"other day"_s, wallTime(2026, 3, 13, 9))}
        << QString();
}

void TestCalendarViewModel::eventDotColor()
{
    QFETCH(bool, showDots);
    QFETCH(QList<CalendarDayEvent>, monthEvents);
    QFETCH(QString, expected);

    CalendarViewModel &model = makeViewModel();
    setMonthEvents(monthEvents);
    fixture->preferences->setShowEventDots(showDots);
    const std::optional<QColor> dot = model.eventDotColor(wallTime(2026, 3, 12, 20));
    if (expected.isEmpty()) {
        QVERIFY(!dot);
    } else {
        QVERIFY(dot);
        QCOMPARE(*dot, expected == u"accent"_s ? AppTheme::accent() : QColor(expected));
    }
}

void TestCalendarViewModel::dayQueries()
{
    fixture->currentTime = wallTime(2026, 3, 31, 23, 30);
    CalendarViewModel &model = makeViewModel();
    QVERIFY(model.isToday(wallTime(2026, 3, 31)));
    QVERIFY(!model.isToday(wallTime(2026, 4, 1))); // 03:30 UTC on 1 April
    QVERIFY(model.isInDisplayedMonth(wallTime(2026, 3, 31, 23, 59)));
    QVERIFY(!model.isInDisplayedMonth(wallTime(2026, 4, 1)));
    QVERIFY(!model.isInDisplayedMonth(wallTime(2026, 2, 28, 23)));

    // February 2027 starts on a Monday and has 28 days.
    model.select(wallTime(2027, 2, 10));
    const QList<QDateTime> grid = model.gridDates();
    QCOMPARE(grid.size(), 28);
    QCOMPARE(grid.first(), wallTime(2027, 2, 1));
    QCOMPARE(grid.last(), wallTime(2027, 2, 28));
    QVERIFY(model.isSelected(wallTime(2027, 2, 10, 22)));
    QVERIFY(!model.isSelected(wallTime(2027, 2, 11)));
}

QTEST_GUILESS_MAIN(TestCalendarViewModel)
#include "tst_calendarviewmodel.moc"
