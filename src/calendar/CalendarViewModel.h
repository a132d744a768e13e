#pragma once

#include "events/CalendarDayEvent.h"
#include "events/CalendarSource.h"
#include "events/NewCalendarEvent.h"
#include "holidays/HolidayService.h"
#include "shared/CivilCalendar.h"

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class EventStoreService;
class LunarCalendarService;
class PreferencesStore;

// The state behind the calendar panel: the month shown, the selected day, the events of the
// visible grid, whether a load runs, and the calendar access state. All date arithmetic is done
// in the view calendar (the chosen first weekday, the process's zone at the time of each call).
// Every assignment of a property is published, also of an equal value.
class CalendarViewModel : public QObject
{
    Q_OBJECT
    /// First instant of the month the grid shows.
    Q_PROPERTY(QDateTime displayedMonth READ displayedMonth NOTIFY displayedMonthChanged)
    /// The selected day; always a start of day.
    Q_PROPERTY(QDateTime selectedDate READ selectedDate NOTIFY selectedDateChanged)
    /// Whether the grid highlights the selected day; paging clears it.
    Q_PROPERTY(bool hasVisibleSelection READ hasVisibleSelection NOTIFY hasVisibleSelectionChanged)
    /// The events of the whole visible grid of the displayed month.
    Q_PROPERTY(QList<CalendarDayEvent> monthEvents READ monthEvents NOTIFY monthEventsChanged)
    /// A month load is running; only the newest load clears it.
    Q_PROPERTY(bool isLoadingMonth READ isLoadingMonth NOTIFY isLoadingMonthChanged)
    /// Access to the calendars as the panel shows it; authorized with the sample data.
    Q_PROPERTY(CalendarAuthorizationStatus authorizationStatus READ authorizationStatus NOTIFY
                   authorizationStatusChanged)

public:
    using Clock = std::function<QDateTime()>;

    /// Hands the events of the month grid holding `month` to `done`, at once or later on the
    /// main thread. `done` may be called after the view model is gone; it then does nothing.
    using MonthEventsFetch =
        std::function<void(const QDateTime &month, const QSet<QString> &excludedCalendarIDs,
                           std::function<void(const QList<CalendarDayEvent> &events)> done)>;

    using WriteDone = std::function<void(const CalendarWriteResult &result)>;

    /// Duration of the ease-out that select, goToCurrentMonth/goToToday and paging announce.
    static constexpr int animationDurationMs = 160;

    /// An empty clock reads the system clock. The first loads start on the next pass of the
    /// event loop, so a fetch set right after construction serves them.
    CalendarViewModel(PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
                      HolidayService &holidayService, LunarCalendarService &lunarCalendarService,
                      Clock clock = {}, QObject *parent = nullptr);
    ~CalendarViewModel() override;

    [[nodiscard]] QDateTime displayedMonth() const { return m_displayedMonth; }
    [[nodiscard]] QDateTime selectedDate() const { return m_selectedDate; }
    [[nodiscard]] bool hasVisibleSelection() const { return m_hasVisibleSelection; }
    [[nodiscard]] QList<CalendarDayEvent> monthEvents() const { return m_monthEvents; }
    [[nodiscard]] bool isLoadingMonth() const { return m_isLoadingMonth; }
    [[nodiscard]] CalendarAuthorizationStatus authorizationStatus() const
    {
        return m_authorizationStatus;
    }

    /// The weekday the grid's rows start on, as a CivilCalendar weekday (1 = Sunday).
    [[nodiscard]] int firstWeekday() const;
    /// The days of the displayed month's grid: 28, 35 or 42 starts of days, from firstWeekday.
    [[nodiscard]] QList<QDateTime> gridDates() const;
    /// The ISO week number of each row of gridDates; empty with week numbers off.
    [[nodiscard]] QList<int> weekNumbers() const;
    /// The loaded events listed under the date's day: all-day first, then by start.
    [[nodiscard]] QList<CalendarDayEvent> events(const QDateTime &date) const;
    [[nodiscard]] QList<CalendarDayEvent> selectedDayEvents() const;
    /// The colour of the day's first event; nothing with dots off or without events.
    [[nodiscard]] std::optional<QColor> eventDotColor(const QDateTime &date) const;
    /// The day cell's subtitle; nothing with the lunar calendar off.
    [[nodiscard]] std::optional<QString> lunarText(const QDateTime &date) const;
    /// The lunar month and day, "十月廿九"; nothing with the lunar calendar off.
    [[nodiscard]] std::optional<QString> lunarDateText(const QDateTime &date) const;
    /// The holiday table's name for the day.
    [[nodiscard]] std::optional<QString> holidayName(const QDateTime &date) const;
    /// The day's festival names ("、" between two), else its solar term; nothing with festivals
    /// off.
    [[nodiscard]] std::optional<QString> festivalText(const QDateTime &date) const;
    /// The official arrangement of the day; none with festivals off.
    [[nodiscard]] HolidayService::Arrangement arrangement(const QDateTime &date) const;
    [[nodiscard]] bool isToday(const QDateTime &date) const;
    [[nodiscard]] bool isInDisplayedMonth(const QDateTime &date) const;
    /// Same day as selectedDate, whether or not the selection is visible.
    [[nodiscard]] bool isSelected(const QDateTime &date) const;

    [[nodiscard]] QDateTime now() const;
    /// The day of an instant in the view calendar.
    [[nodiscard]] static QDate dayOf(const QDateTime &instant);

    /// The calendars a new event can go into, in the panel's order, without those left out of
    /// the panel (an event there would not show); none with the sample data.
    [[nodiscard]] QList<CalendarSource> writableCalendars() const;
    /// The calendar of the last event created, if it can still be written; else the first.
    [[nodiscard]] QString preferredNewEventCalendarId() const;
    /// Writes a new event and, once written, remembers its calendar and selects its day.
    /// `done` runs later on the main thread, not at all once `context` is gone.
    void createEvent(const NewCalendarEvent &event, QObject *context, WriteDone done);
    /// Removes an event created by createEvent again, and nothing else.
    void removeCreatedEvent(const CalendarWriteResult &created, QObject *context, WriteDone done);

    /// Replaces where month events come from outside preview mode; an empty one restores the
    /// event store service.
    void setMonthEventsFetch(MonthEventsFetch fetch);

public Q_SLOTS:
    void select(const QDateTime &date);
    void previousMonth();
    void nextMonth();
    void previousYear();
    void nextYear();
    void goToCurrentMonth();
    void goToToday();
    /// The day turned (midnight, a clock set, a resume): the cells read again which is today.
    void dayChanged();
    /// Selects the day `days` after the selected one (before it when negative), switching to
    /// its month. After paging, the move starts from the selected day's number in the shown
    /// month, so that the selection comes back where the user looks.
    void moveSelection(int days);
    void refreshAuthorization();
    void open(const CalendarDayEvent &event);
    /// Shows the selected day in the calendar application while the grid shows it.
    void openSelectedDay();

Q_SIGNALS:
    void displayedMonthChanged(const QDateTime &displayedMonth);
    void selectedDateChanged(const QDateTime &selectedDate);
    void hasVisibleSelectionChanged(bool hasVisibleSelection);
    void monthEventsChanged(const QList<CalendarDayEvent> &monthEvents);
    void isLoadingMonthChanged(bool isLoadingMonth);
    void authorizationStatusChanged(CalendarAuthorizationStatus authorizationStatus);
    /// Cells must re-read dots and subtitles (showEventDots / showLunarCalendar /
    /// showFestivals changed) or which day is today, or the rows changed (firstWeekday /
    /// showWeekNumbers).
    void changed();
    /// Emitted just before a group of assignments that views should animate: 0.16 s ease-out
    /// (QEasingCurve::OutCubic), from select, goToCurrentMonth/goToToday and paging.
    void animatedChangeStarted(int durationMs);
    /// writableCalendars() may have changed.
    void writableCalendarsChanged();

private:
    enum class Step
    {
        month,
        year
    };

    void bind();
    void startLoadTask();
    void startRefreshAndLoadTask();
    void loadMonth();
    void applyLoad(qint64 token, const QDateTime &requested, bool preview,
                   const QSet<QString> &excluded, const QList<CalendarDayEvent> &events);
    void moveDisplayedMonth(Step step, int value);
    [[nodiscard]] CivilCalendar viewCalendar() const;
    [[nodiscard]] CalendarAuthorizationStatus effectiveStatus(CalendarAuthorizationStatus) const;
    // Indices into monthEvents of the events listed under a day, in list order.
    [[nodiscard]] const QList<qsizetype> &eventIndices(const QDateTime &date) const;

    void setDisplayedMonth(const QDateTime &value);
    void setSelectedDate(const QDateTime &value);
    void setHasVisibleSelection(bool value);
    void setMonthEvents(const QList<CalendarDayEvent> &value);
    void setIsLoadingMonth(bool value);
    void setAuthorizationStatus(CalendarAuthorizationStatus value);

    PreferencesStore &m_preferencesStore;
    EventStoreService &m_eventStoreService;
    HolidayService &m_holidayService;
    LunarCalendarService &m_lunarCalendarService;
    Clock m_clock;
    MonthEventsFetch m_fetch;

    QDateTime m_displayedMonth;
    QDateTime m_selectedDate;
    bool m_hasVisibleSelection = true;
    QList<CalendarDayEvent> m_monthEvents;
    bool m_isLoadingMonth = false;
    CalendarAuthorizationStatus m_authorizationStatus = CalendarAuthorizationStatus::unknown;
    qint64 m_monthLoadToken = 0;

    // Day lookups over monthEvents, built on first use for the zone they were built in.
    mutable QHash<QDate, QList<qsizetype>> m_dayIndex;
    mutable QByteArray m_dayIndexZone;
    mutable bool m_dayIndexValid = false;
};
