#include "CalendarViewModel.h"

#include "events/EventStoreService.h"
#include "events/PreviewCalendarFactory.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppTheme.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/DateHelpers.h"
#include "shared/Observable.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QPointer>

#include <algorithm>
#include <memory>

namespace {

// Wraps a subscriber so that it sees a value only when it differs from the one before. The
// state is shared by every copy, since observe() calls one copy and the connection keeps another.
template<typename T, typename F> auto droppingRepeats(F react)
{
    return [last = std::make_shared<std::optional<T>>(), react](const T &value) {
        if (*last == value)
            return;
        *last = value;
        react(value);
    };
}

QSet<QString> excludedCalendars(const PreferencesStore &store)
{
    const QStringList excluded = store.value(SettingKeys::excludedCalendarIdentifiers);
    return {excluded.cbegin(), excluded.cend()};
}

} // namespace

QDate CalendarViewModel::dayOf(const QDateTime &instant)
{
    // Found without building an ICU calendar: every cell of the grid asks several times per
    // repaint.
    return SystemTimeZone::civilDate(instant);
}

CalendarViewModel::CalendarViewModel(PreferencesStore &preferencesStore,
                                     EventStoreService &eventStoreService,
                                     HolidayService &holidayService,
                                     LunarCalendarService &lunarCalendarService, Clock clock,
                                     QObject *parent)
    : QObject(parent)
    , m_preferencesStore(preferencesStore)
    , m_eventStoreService(eventStoreService)
    , m_holidayService(holidayService)
    , m_lunarCalendarService(lunarCalendarService)
    , m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] {
            return QDateTime::currentDateTimeUtc();
        };
    setMonthEventsFetch({});

    const CivilCalendar calendar = viewCalendar();
    const QDateTime today = calendar.startOfDay(now());
    m_displayedMonth = DateHelpers::startOfMonth(today, calendar);
    m_selectedDate = today;
    m_authorizationStatus = effectiveStatus(m_eventStoreService.currentAuthorizationStatus());

    bind();

    startRefreshAndLoadTask();
}

CalendarViewModel::~CalendarViewModel() = default;

void CalendarViewModel::setMonthEventsFetch(MonthEventsFetch fetch)
{
    if (fetch) {
        m_fetch = std::move(fetch);
        return;
    }
    m_fetch = [this](const QDateTime &month, const QSet<QString> &excluded,
                     const std::function<void(const QList<CalendarDayEvent> &)> &done) {
        done(m_eventStoreService.eventsForVisibleGrid(month, excluded));
    };
}

void CalendarViewModel::bind()
{
    // The access state arrives through the event loop, as a change of it may be published in the
    // middle of the service's own refresh.
    auto takeStatus =
        droppingRepeats<CalendarAuthorizationStatus>([this](CalendarAuthorizationStatus status) {
            setAuthorizationStatus(effectiveStatus(status));
            startLoadTask();
        });
    observe(&m_eventStoreService, &EventStoreService::authorizationStatusChanged,
            &EventStoreService::authorizationStatus, this,
            [this, takeStatus](CalendarAuthorizationStatus status) {
                QMetaObject::invokeMethod(
                    this, [takeStatus, status] { takeStatus(status); }, Qt::QueuedConnection);
            });

    connect(&m_eventStoreService, &EventStoreService::changeSequenceChanged, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                // The sample data does not change with the store.
                if (!m_preferencesStore.value(SettingKeys::usePreviewData))
                    startLoadTask();
            },
            Qt::QueuedConnection);
    });

    observe(this, &CalendarViewModel::displayedMonthChanged, &CalendarViewModel::displayedMonth,
            this, droppingRepeats<QDateTime>([this](const QDateTime &) { startLoadTask(); }));

    m_preferencesStore.observe(SettingKeys::excludedCalendarIdentifiers, this,
                               droppingRepeats<QStringList>([this](const QStringList &) {
                                   startLoadTask();
                                   Q_EMIT writableCalendarsChanged();
                               }));
    m_preferencesStore.observe(SettingKeys::usePreviewData, this,
                               droppingRepeats<bool>([this](bool) {
                                   startRefreshAndLoadTask();
                                   Q_EMIT writableCalendarsChanged();
                               }));
    connect(&m_eventStoreService, &EventStoreService::availableCalendarsChanged, this,
            &CalendarViewModel::writableCalendarsChanged);

    const auto announce = [this](bool) {
        Q_EMIT changed();
    };
    for (const auto &key : {SettingKeys::showEventDots, SettingKeys::showLunarCalendar,
                            SettingKeys::showFestivals, SettingKeys::showWeekNumbers})
        m_preferencesStore.observe(key, this, droppingRepeats<bool>(announce));
    // Every first weekday's grid lies within the days the month loads fetch, so no reload.
    m_preferencesStore.observe(
        SettingKeys::firstWeekday, this,
        droppingRepeats<FirstWeekday>([this](FirstWeekday) { Q_EMIT changed(); }));
}

void CalendarViewModel::startLoadTask()
{
    QMetaObject::invokeMethod(
        this, [this] { loadMonth(); }, Qt::QueuedConnection);
}

void CalendarViewModel::startRefreshAndLoadTask()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            refreshAuthorization();
            loadMonth();
        },
        Qt::QueuedConnection);
}

void CalendarViewModel::loadMonth()
{
    const QDateTime requested = DateHelpers::startOfMonth(m_displayedMonth, viewCalendar());
    const qint64 token = ++m_monthLoadToken;
    setIsLoadingMonth(true);
    const QSet<QString> excluded = excludedCalendars(m_preferencesStore);
    const bool preview = m_preferencesStore.value(SettingKeys::usePreviewData);

    if (preview) {
        applyLoad(token, requested, preview, excluded,
                  PreviewCalendarFactory::events(requested, excluded));
        return;
    }
    m_fetch(requested, excluded,
            [self = QPointer(this), token, requested, preview,
             excluded](const QList<CalendarDayEvent> &events) {
                if (self)
                    self->applyLoad(token, requested, preview, excluded, events);
            });
}

void CalendarViewModel::applyLoad(qint64 token, const QDateTime &requested, bool preview,
                                  const QSet<QString> &excluded,
                                  const QList<CalendarDayEvent> &events)
{
    // A newer load owns the loading state; it will finish it.
    if (token != m_monthLoadToken)
        return;
    const bool stillWanted =
        DateHelpers::startOfMonth(m_displayedMonth, viewCalendar()) == requested
        && m_preferencesStore.value(SettingKeys::usePreviewData) == preview
        && excludedCalendars(m_preferencesStore) == excluded;
    if (stillWanted)
        setMonthEvents(events);
    setIsLoadingMonth(false);
}

int CalendarViewModel::firstWeekday() const
{
    return weekdayNumber(m_preferencesStore.value(SettingKeys::firstWeekday));
}

QList<QDateTime> CalendarViewModel::gridDates() const
{
    return DateHelpers::monthGridDates(m_displayedMonth, viewCalendar());
}

QList<int> CalendarViewModel::weekNumbers() const
{
    if (!m_preferencesStore.value(SettingKeys::showWeekNumbers))
        return {};
    const QList<QDateTime> dates = gridDates();
    QList<int> numbers;
    for (qsizetype row = 0; row + 7 <= dates.size(); row += 7)
        numbers.append(DateHelpers::weekNumberOfRow(dayOf(dates.at(row))));
    return numbers;
}

const QList<qsizetype> &CalendarViewModel::eventIndices(const QDateTime &date) const
{
    static const QList<qsizetype> none;
    const QByteArray zone = SystemTimeZone::id();
    if (!m_dayIndexValid || zone != m_dayIndexZone) {
        m_dayIndex.clear();
        for (qsizetype i = 0; i < m_monthEvents.size(); ++i)
            m_dayIndex[dayOf(m_monthEvents.at(i).displayDate)].append(i);
        m_dayIndexZone = zone;
        m_dayIndexValid = true;
    }
    const auto found = m_dayIndex.constFind(dayOf(date));
    return found == m_dayIndex.cend() ? none : *found;
}

QList<CalendarDayEvent> CalendarViewModel::events(const QDateTime &date) const
{
    QList<CalendarDayEvent> result;
    for (const qsizetype i : eventIndices(date))
        result.append(m_monthEvents.at(i));
    std::stable_sort(result.begin(), result.end(),
                     [](const CalendarDayEvent &a, const CalendarDayEvent &b) {
                         if (a.isAllDay != b.isAllDay)
                             return a.isAllDay;
                         return a.startDate < b.startDate;
                     });
    return result;
}

QList<CalendarDayEvent> CalendarViewModel::selectedDayEvents() const
{
    return events(m_selectedDate);
}

std::optional<QColor> CalendarViewModel::eventDotColor(const QDateTime &date) const
{
    if (!m_preferencesStore.value(SettingKeys::showEventDots))
        return std::nullopt;
    const QList<qsizetype> &indices = eventIndices(date);
    if (indices.isEmpty())
        return std::nullopt;
    return AppTheme::color(m_monthEvents.at(indices.first()).colorHex).value_or(AppTheme::accent());
}

std::optional<QString> CalendarViewModel::lunarText(const QDateTime &date) const
{
    if (!m_preferencesStore.value(SettingKeys::showLunarCalendar))
        return std::nullopt;
    return m_lunarCalendarService.compactLabel(date);
}

std::optional<QString> CalendarViewModel::lunarDateText(const QDateTime &date) const
{
    if (!m_preferencesStore.value(SettingKeys::showLunarCalendar))
        return std::nullopt;
    return m_lunarCalendarService.monthDayText(date);
}

std::optional<QString> CalendarViewModel::holidayName(const QDateTime &date) const
{
    return m_holidayService.label(date);
}

std::optional<QString> CalendarViewModel::festivalText(const QDateTime &date) const
{
    if (!m_preferencesStore.value(SettingKeys::showFestivals))
        return std::nullopt;
    if (auto festival = m_holidayService.label(date))
        return festival;
    return HolidayService::solarTerm(date);
}

HolidayService::Arrangement CalendarViewModel::arrangement(const QDateTime &date) const
{
    if (!m_preferencesStore.value(SettingKeys::showFestivals))
        return HolidayService::Arrangement::none;
    return m_holidayService.arrangement(date);
}

bool CalendarViewModel::isToday(const QDateTime &date) const
{
    return dayOf(date) == dayOf(now());
}

bool CalendarViewModel::isInDisplayedMonth(const QDateTime &date) const
{
    const QDate day = dayOf(date);
    const QDate month = dayOf(m_displayedMonth);
    return day.year() == month.year() && day.month() == month.month();
}

bool CalendarViewModel::isSelected(const QDateTime &date) const
{
    return dayOf(date) == dayOf(m_selectedDate);
}

void CalendarViewModel::select(const QDateTime &date)
{
    const CivilCalendar calendar = viewCalendar();
    Q_EMIT animatedChangeStarted(animationDurationMs);
    setDisplayedMonth(DateHelpers::startOfMonth(date, calendar));
    setSelectedDate(calendar.startOfDay(date));
    setHasVisibleSelection(true);
}

void CalendarViewModel::previousMonth()
{
    moveDisplayedMonth(Step::month, -1);
}

void CalendarViewModel::nextMonth()
{
    moveDisplayedMonth(Step::month, 1);
}

void CalendarViewModel::previousYear()
{
    moveDisplayedMonth(Step::year, -1);
}

void CalendarViewModel::nextYear()
{
    moveDisplayedMonth(Step::year, 1);
}

void CalendarViewModel::goToCurrentMonth()
{
    const CivilCalendar calendar = viewCalendar();
    const QDateTime today = calendar.startOfDay(now());
    Q_EMIT animatedChangeStarted(animationDurationMs);
    setDisplayedMonth(DateHelpers::startOfMonth(today, calendar));
    setSelectedDate(today);
    setHasVisibleSelection(true);
}

void CalendarViewModel::goToToday()
{
    goToCurrentMonth();
}

void CalendarViewModel::dayChanged()
{
    Q_EMIT changed();
}

void CalendarViewModel::moveSelection(int days)
{
    const CivilCalendar calendar = CivilCalendar::viewCalendar();
    QDateTime from = m_selectedDate;
    if (!m_hasVisibleSelection) {
        const QDate month = dayOf(m_displayedMonth);
        const int day = std::min(dayOf(m_selectedDate).day(), month.daysInMonth());
        from = calendar.date(month.year(), month.month(), day).value_or(m_selectedDate);
    }
    if (const auto moved = calendar.addingDays(from, days))
        select(*moved);
}

void CalendarViewModel::moveDisplayedMonth(Step step, int value)
{
    const CivilCalendar calendar = viewCalendar();
    const auto moved =
        calendar.addingMonths(m_displayedMonth, step == Step::year ? 12 * value : value);
    if (!moved)
        return;
    Q_EMIT animatedChangeStarted(animationDurationMs);
    // The month start is taken after adding, so 31 January goes to 1 February.
    setDisplayedMonth(DateHelpers::startOfMonth(*moved, calendar));
    setHasVisibleSelection(false);
}

void CalendarViewModel::refreshAuthorization()
{
    setAuthorizationStatus(effectiveStatus(m_eventStoreService.currentAuthorizationStatus()));
}

void CalendarViewModel::open(const CalendarDayEvent &event)
{
    m_eventStoreService.openCalendarApp(event);
}

void CalendarViewModel::openSelectedDay()
{
    // After paging the selected day is not on screen; nothing the user sees would open.
    if (m_hasVisibleSelection)
        m_eventStoreService.openDay(m_selectedDate);
}

QDateTime CalendarViewModel::now() const
{
    return m_clock();
}

CivilCalendar CalendarViewModel::viewCalendar() const
{
    return CivilCalendar(firstWeekday());
}

QList<CalendarSource> CalendarViewModel::writableCalendars() const
{
    if (m_preferencesStore.value(SettingKeys::usePreviewData))
        return {};
    QList<CalendarSource> calendars = m_eventStoreService.writableCalendars();
    const QSet<QString> excluded = excludedCalendars(m_preferencesStore);
    calendars.removeIf(
        [&excluded](const CalendarSource &calendar) { return excluded.contains(calendar.id); });
    return calendars;
}

QString CalendarViewModel::preferredNewEventCalendarId() const
{
    const QList<CalendarSource> calendars = writableCalendars();
    if (calendars.isEmpty())
        return {};
    const QString last = m_preferencesStore.value(SettingKeys::lastNewEventCalendar);
    const bool offered = std::any_of(calendars.cbegin(), calendars.cend(),
                                     [&last](const CalendarSource &c) { return c.id == last; });
    return offered ? last : calendars.constFirst().id;
}

void CalendarViewModel::createEvent(const NewCalendarEvent &event, QObject *context, WriteDone done)
{
    // Remembering the calendar and showing the day must not depend on the form still being there.
    m_eventStoreService.createEvent(
        event, this,
        [this, receiver = QPointer<QObject>(context), done = std::move(done),
         day = event.start](const CalendarWriteResult &result) {
            if (result.error.isEmpty()) {
                m_preferencesStore.setValue(SettingKeys::lastNewEventCalendar, result.calendarId);
                const CivilCalendar calendar = viewCalendar();
                const QDateTime start = calendar.startOfDay(day);
                setDisplayedMonth(DateHelpers::startOfMonth(start, calendar));
                setSelectedDate(start);
                setHasVisibleSelection(true);
            }
            if (receiver)
                done(result);
        });
}

void CalendarViewModel::removeCreatedEvent(const CalendarWriteResult &created, QObject *context,
                                           WriteDone done)
{
    m_eventStoreService.removeCreatedEvent(created, context, std::move(done));
}

CalendarAuthorizationStatus
CalendarViewModel::effectiveStatus(CalendarAuthorizationStatus status) const
{
    return m_preferencesStore.value(SettingKeys::usePreviewData)
               ? CalendarAuthorizationStatus::authorized
               : status;
}

void CalendarViewModel::setDisplayedMonth(const QDateTime &value)
{
    m_displayedMonth = value;
    Q_EMIT displayedMonthChanged(m_displayedMonth);
}

void CalendarViewModel::setSelectedDate(const QDateTime &value)
{
    m_selectedDate = value;
    Q_EMIT selectedDateChanged(m_selectedDate);
}

void CalendarViewModel::setHasVisibleSelection(bool value)
{
    m_hasVisibleSelection = value;
    Q_EMIT hasVisibleSelectionChanged(m_hasVisibleSelection);
}

void CalendarViewModel::setMonthEvents(const QList<CalendarDayEvent> &value)
{
    m_monthEvents = value;
    m_dayIndexValid = false;
    Q_EMIT monthEventsChanged(m_monthEvents);
}

void CalendarViewModel::setIsLoadingMonth(bool value)
{
    m_isLoadingMonth = value;
    Q_EMIT isLoadingMonthChanged(m_isLoadingMonth);
}

void CalendarViewModel::setAuthorizationStatus(CalendarAuthorizationStatus value)
{
    m_authorizationStatus = value;
    Q_EMIT authorizationStatusChanged(m_authorizationStatus);
}
