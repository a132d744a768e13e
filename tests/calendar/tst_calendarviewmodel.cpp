#include "calendar/CalendarViewModel.h"

#include "TestServices.h"
#include "events/PreviewCalendarFactory.h"
#include "look/AppTheme.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray newYork = "America/New_York";

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0)
{
    return TestServices::at(year, month, day, hour, minute);
}

QStringList titles(const QList<CalendarDayEvent> &events)
{
    QStringList result;
    for (const CalendarDayEvent &event : events)
        result.append(event.title);
    return result;
}

// One event per load, named after its month and the calendars left out, so that a test sees
// which load's result was applied.
void complete(const HeldLoad &load)
{
    const QString name = SystemTimeZone::civilDate(load.month).toString(u"yyyy-MM"_s) + u'|'
                         + QStringList(load.excluded.values()).join(u',');
    load.done({TestServices::event(name, load.month)});
}

} // namespace

class TestCalendarViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void twoPagingsInFlight_data();
    void twoPagingsInFlight();
    void settingChangesDropStaleResults();
    void accessAndStoreChangesReload();
    void pagingAndBackToToday();
    void eventsOfADay_data();
    void eventsOfADay();
    void rowsAndWeekNumbersOfEveryMonth();
};

void TestCalendarViewModel::initTestCase()
{
    // The test must not ask the real desktop for its colour scheme.
    AppTheme::setSystemAppearanceSource([] { return false; });
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
    TestServices fixture(newYork, QDate(2026, 3, 5));
    CalendarViewModel &model = *fixture.viewModel;
    QSignalSpy eventsSpy(&model, &CalendarViewModel::monthEventsChanged);
    fixture.holdLoads = true;
    model.nextMonth();
    TestServices::settle();
    model.nextMonth();
    TestServices::settle();
    QCOMPARE(fixture.held.size(), 2);
    const HeldLoad april = fixture.held.takeFirst();
    const HeldLoad may = fixture.held.takeFirst();
    QCOMPARE(april.month, at(2026, 4, 1));
    QVERIFY(model.isLoadingMonth());

    complete(firstCompletesFirst ? april : may);
    // The older load is not the one shown; the newest ends the loading.
    QCOMPARE(model.isLoadingMonth(), firstCompletesFirst);
    QCOMPARE(titles(model.monthEvents()),
             firstCompletesFirst ? QStringList() : QStringList{u"2026-05|"_s});
    complete(firstCompletesFirst ? may : april);
    QVERIFY(!model.isLoadingMonth());
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-05|"_s});
    QCOMPARE(eventsSpy.size(), 1);
}

void TestCalendarViewModel::settingChangesDropStaleResults()
{
    TestServices fixture(newYork, QDate(2026, 3, 5));
    CalendarViewModel &model = *fixture.viewModel;
    fixture.holdLoads = true;
    model.nextMonth();
    TestServices::settle();
    HeldLoad stale = fixture.held.takeFirst();

    // Finishes before the reload the change started has begun: still the newest load, but
    // fetched for other calendars.
    fixture.preferences->setCalendar(u"work"_s, false);
    complete(stale);
    QVERIFY(!model.isLoadingMonth());
    QVERIFY(model.monthEvents().isEmpty());
    TestServices::settle();
    QCOMPARE(fixture.held.size(), 1);
    QVERIFY(model.isLoadingMonth());
    complete(fixture.held.takeFirst());
    QVERIFY(!model.isLoadingMonth());
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-04|work"_s});

    // A store load that ends after the switch to sample data is not shown either.
    model.nextMonth();
    TestServices::settle();
    stale = fixture.held.takeFirst();
    fixture.preferences->setValue(SettingKeys::usePreviewData, true);
    complete(stale);
    QCOMPARE(titles(model.monthEvents()), QStringList{u"2026-04|work"_s});
    TestServices::settle();
    QCOMPARE(titles(model.monthEvents()),
             titles(PreviewCalendarFactory::events(at(2026, 5, 1), {u"work"_s})));
    QVERIFY(!model.isLoadingMonth());
}

void TestCalendarViewModel::accessAndStoreChangesReload()
{
    using S = CalendarAuthorizationStatus;
    TestServices fixture(newYork, QDate(2026, 3, 5));
    CalendarViewModel &model = *fixture.viewModel;
    const auto grant = [&](CalendarAccessState access) {
        fixture.store->eventAccess = access;
        fixture.eventStore->refreshAuthorizationState();
        TestServices::settle();
    };
    grant(CalendarAccessState::writeOnly);
    QCOMPARE(model.authorizationStatus(), S::denied);
    // The same state again starts nothing; access granted reloads.
    int loads = fixture.loads;
    grant(CalendarAccessState::writeOnly);
    grant(CalendarAccessState::fullAccess);
    QCOMPARE(model.authorizationStatus(), S::authorized);
    QCOMPARE(fixture.loads, ++loads);

    QSignalSpy sequence(fixture.eventStore, &EventStoreService::changeSequenceChanged);
    fixture.store->announceChange();
    QVERIFY(sequence.wait(5000));
    TestServices::settle();
    QCOMPARE(fixture.loads, ++loads);

    // Sample data needs no access and does not follow the store.
    grant(CalendarAccessState::denied);
    fixture.preferences->setValue(SettingKeys::usePreviewData, true);
    TestServices::settle();
    QCOMPARE(model.authorizationStatus(), S::authorized);
    QSignalSpy loading(&model, &CalendarViewModel::isLoadingMonthChanged);
    fixture.store->announceChange();
    QVERIFY(sequence.wait(5000));
    TestServices::settle();
    QVERIFY(loading.isEmpty());
}

void TestCalendarViewModel::pagingAndBackToToday()
{
    TestServices fixture(newYork, QDate(2024, 2, 29));
    CalendarViewModel &model = *fixture.viewModel;
    const QDateTime selected = model.selectedDate();
    QCOMPARE(selected, at(2024, 2, 29));
    // The fade keeps a picture of the old month, so it must hear of the change first.
    QDateTime monthAtAnimation;
    connect(&model, &CalendarViewModel::animatedChangeStarted, this,
            [&] { monthAtAnimation = model.displayedMonth(); });
    model.nextYear();
    QCOMPARE(monthAtAnimation, at(2024, 2, 1));
    QCOMPARE(model.displayedMonth(), at(2025, 2, 1));
    model.previousMonth();
    QCOMPARE(model.displayedMonth(), at(2025, 1, 1));
    model.previousYear();
    QCOMPARE(model.displayedMonth(), at(2024, 1, 1));
    QVERIFY(!model.hasVisibleSelection());
    QCOMPARE(model.selectedDate(), selected);
    // A move after paging starts from the selected day's number in the month shown, or its end.
    model.nextYear();
    model.nextMonth();
    model.moveSelection(1);
    QCOMPARE(model.selectedDate(), at(2025, 3, 1));
    QCOMPARE(model.displayedMonth(), at(2025, 3, 1));

    // Back to today once the clock has moved on since the view model was made.
    fixture.currentTime = at(2026, 3, 8, 3, 30);
    model.goToToday();
    QCOMPARE(model.displayedMonth(), at(2026, 3, 1));
    QCOMPARE(model.selectedDate(), at(2026, 3, 8));
    QVERIFY(model.hasVisibleSelection());
}

void TestCalendarViewModel::eventsOfADay_data()
{
    QTest::addColumn<QList<CalendarDayEvent>>("monthEvents");
    QTest::addColumn<QDateTime>("day");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QColor>("dot"); // the first event's in list order, not in day order

    const auto event = [](const char *title, const QDateTime &start, const QString &colour,
                          bool allDay = false) {
        return TestServices::event(QString::fromUtf8(title), start, colour, allDay);
    };
    const TimeZoneScope zone(newYork);
    const QDateTime day = at(2026, 3, 10, 12);
    QTest::newRow("all-day before timed at 00:00")
        << QList{event("timed 00:00", at(2026, 3, 10), u"#B4452E"_s),
                 event("all day", at(2026, 3, 10), u"#456B54"_s, true)}
        << day << QStringList{u"all day"_s, u"timed 00:00"_s} << QColor(0xB4452E);
    QTest::newRow("other days left out; an unparsable colour takes the accent")
        << QList{event("day before 23:59", at(2026, 3, 9, 23, 59), u"#B4452E"_s),
                 event("this day", at(2026, 3, 10, 18), u"teal"_s),
                 event("day after 00:00", at(2026, 3, 11), u"#B4452E"_s)}
        << day << QStringList{u"this day"_s} << AppTheme::accent();
    QTest::newRow("the 23-hour day the clocks go forward")
        << QList{event("03:30", at(2026, 3, 8, 3, 30), u"#456B54"_s),
                 event("23:30", at(2026, 3, 8, 23, 30), u"#B4452E"_s),
                 event("next 00:30", at(2026, 3, 9, 0, 30), u"#B4452E"_s)}
        << at(2026, 3, 8) << QStringList{u"03:30"_s, u"23:30"_s} << QColor(0x456B54);
    QTest::newRow("no events") << QList<CalendarDayEvent>{} << day << QStringList{} << QColor();
}

void TestCalendarViewModel::eventsOfADay()
{
    QFETCH(QList<CalendarDayEvent>, monthEvents);
    QFETCH(QDateTime, day);
    QFETCH(QStringList, expected);
    QFETCH(QColor, dot);

    TestServices fixture(newYork, QDate(2026, 3, 5));
    fixture.setEvents(monthEvents);
    QCOMPARE(titles(fixture.viewModel->events(day)), expected);
    QCOMPARE(fixture.viewModel->eventDotColor(day).value_or(QColor()), dot);
}

void TestCalendarViewModel::rowsAndWeekNumbersOfEveryMonth()
{
    // Walked day by day with QDate: the grid's ends, and each row's number as the ISO week that
    // holds at least four of its seven days.
    TestServices fixture("Asia/Shanghai", QDate(2026, 12, 7));
    CalendarViewModel &model = *fixture.viewModel;
    fixture.preferences->setValue(SettingKeys::showWeekNumbers, true);
    int fiftyThirdWeeks = 0;
    int rowsAcrossYears = 0;
    for (const FirstWeekday first : {FirstWeekday::monday, FirstWeekday::sunday}) {
        fixture.preferences->setValue(SettingKeys::firstWeekday, first);
        const int firstDay = first == FirstWeekday::monday ? Qt::Monday : Qt::Sunday;
        for (int year = 1900; year <= 2100; ++year) {
            for (int month = 1; month <= 12; ++month) {
                model.select(at(year, month, 1));
                QDate start(year, month, 1);
                QDate end(year, month, start.daysInMonth());
                while (start.dayOfWeek() != firstDay)
                    start = start.addDays(-1);
                while (end.addDays(1).dayOfWeek() != firstDay)
                    end = end.addDays(1);
                const QList<QDateTime> dates = model.gridDates();
                const QList<int> weeks = model.weekNumbers();
                const QByteArray where = QDate(year, month, 1).toString(u"yyyy-MM"_s).toLatin1();
                QVERIFY2(!dates.isEmpty() && SystemTimeZone::civilDate(dates.first()) == start
                             && SystemTimeZone::civilDate(dates.last()) == end
                             && dates.size() == start.daysTo(end) + 1
                             && weeks.size() * 7 == dates.size(),
                         where);
                for (qsizetype row = 0; row < weeks.size(); ++row) {
                    QHash<int, int> days;
                    for (int i = 0; i < 7; ++i)
                        ++days[start.addDays(row * 7 + i).weekNumber()];
                    QVERIFY2(days.value(weeks.at(row)) >= 4, where);
                    fiftyThirdWeeks += weeks.at(row) == 53;
                    rowsAcrossYears +=
                        start.addDays(row * 7).year() != start.addDays(row * 7 + 6).year();
                }
            }
        }
    }
    QVERIFY(fiftyThirdWeeks > 0 && rowsAcrossYears > 0);
    // The setting alone rebuilds the grid: February 2026 starts on a Sunday.
    model.select(at(2026, 2, 10));
    QCOMPARE(model.gridDates().size(), 28);
    fixture.preferences->setValue(SettingKeys::firstWeekday, FirstWeekday::monday);
    QCOMPARE(model.gridDates().size(), 35);
    fixture.preferences->setValue(SettingKeys::showWeekNumbers, false);
    QVERIFY(model.weekNumbers().isEmpty());
}

QTEST_GUILESS_MAIN(TestCalendarViewModel)
#include "tst_calendarviewmodel.moc"
