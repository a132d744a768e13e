#pragma once

#include "CalendarDayEvent.h"
#include "CalendarSource.h"
#include "CalendarStore.h"
#include "NewCalendarEvent.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>

class CalendarAppOpener;

// The one gateway to the user's calendars: access state, the calendar list, the events of a
// month grid as day items, change tracking, and handing a day over to a calendar application.
class EventStoreService : public QObject
{
    Q_OBJECT
    /// Access to event calendars as the application sees it; published on every assignment.
    Q_PROPERTY(CalendarAuthorizationStatus authorizationStatus READ authorizationStatus NOTIFY
                   authorizationStatusChanged)
    /// The event calendars, de-duplicated and sorted; empty without access.
    Q_PROPERTY(QList<CalendarSource> availableCalendars READ availableCalendars NOTIFY
                   availableCalendarsChanged)
    /// Grows by one for each (debounced) change of the store's content.
    Q_PROPERTY(qint64 changeSequence READ changeSequence NOTIFY changeSequenceChanged)

public:
    static constexpr int storeChangeDebounceMs = 180;

    /// Gets the outcome of a write.
    using WriteDone = std::function<void(CalendarWriteResult)>;

    /// Shows the application's own calendar-access page, the given type's section first.
    using PrivacySettingsHandler = std::function<void(CalendarEntityType firstPage)>;

    /// `opener` may be null: opening items then does nothing.
    explicit EventStoreService(CalendarStore &store, CalendarAppOpener *opener = nullptr,
                               QObject *parent = nullptr);
    ~EventStoreService() override;

    [[nodiscard]] CalendarAuthorizationStatus authorizationStatus() const { return status; }
    [[nodiscard]] QList<CalendarSource> availableCalendars() const { return calendarList; }
    [[nodiscard]] qint64 changeSequence() const { return sequence; }

    // Queries: read the store afresh, publish nothing.
    [[nodiscard]] CalendarAuthorizationStatus currentAuthorizationStatus() const;
    [[nodiscard]] bool hasCalendarAccess() const;
    [[nodiscard]] bool hasReminderAccess() const;
    [[nodiscard]] bool hasFullCalendarAndReminderAccess() const;
    /// Whether asking the user could still change an access state.
    [[nodiscard]] bool canRequestAdditionalAccess() const;

    /// Publishes the current event access state, rebuilds the calendar list, returns the state.
    CalendarAuthorizationStatus refreshAuthorizationState();
    void refreshCalendars();

    /// Asks for event access, then for reminder access, each only if still undecided; `done`
    /// gets whether both are granted. Nothing runs once `context` is gone.
    void requestAccess(QObject *context, std::function<void(bool granted)> done);

    /// The events of the month grid holding `month`, for any first weekday, in day order.
    [[nodiscard]] QList<CalendarDayEvent>
    eventsForVisibleGrid(const QDateTime &month, const QSet<QString> &excludedCalendarIDs);

    /// The events overlapping [start, end) in the calendars not excluded, in day order.
    [[nodiscard]] QList<CalendarDayEvent> events(const QDateTime &start, const QDateTime &end,
                                                 const QSet<QString> &excludedCalendarIDs);

    /// The calendars that take new events, in the order of availableCalendars; empty without
    /// access. Single calendar files and read-only calendars are not among them.
    [[nodiscard]] QList<CalendarSource> writableCalendars() const;

    /// Writes a new event. `done` runs once, later, on the main thread (not at all once `context`
    /// is gone); on success changeSequence has grown first, so the event is already listed.
    void createEvent(const NewCalendarEvent &event, QObject *context, WriteDone done);
    /// Removes an event createEvent wrote, and nothing else; `done` as for createEvent.
    void removeCreatedEvent(const CalendarWriteResult &created, QObject *context, WriteDone done);

    /// Shows the item's day in a calendar application (a reminder: the to-do application).
    void openCalendarApp(const CalendarDayEvent &item);
    /// Shows the day in a calendar application.
    void openDay(const QDateTime &day);
    void openCalendarPrivacySettings();
    void setPrivacySettingsHandler(PrivacySettingsHandler handler);

    /// The clock asked for the current instant; the system clock by default.
    void setClock(std::function<QDateTime()> clock);

    [[nodiscard]] static CalendarAuthorizationStatus mapStatus(CalendarAccessState state);

Q_SIGNALS:
    void authorizationStatusChanged(CalendarAuthorizationStatus status);
    void availableCalendarsChanged(const QList<CalendarSource> &calendars);
    void changeSequenceChanged(qint64 sequence);

private:
    void setAuthorizationStatus(CalendarAuthorizationStatus value);
    void setAvailableCalendars(const QList<CalendarSource> &value);
    void handleStoreChange();
    void announceWrite(const CalendarWriteResult &result);
    // Gives `result` to `done` from the event loop, unless `context` went away meanwhile.
    void answerLater(QObject *context, WriteDone done, CalendarWriteResult result);
    void askIfNeeded(CalendarEntityType type, std::function<void(bool)> next);
    [[nodiscard]] QList<CalendarDayEvent> fetch(const QDateTime &start, const QDateTime &end,
                                                const QSet<QString> &excludedCalendarIDs);

    CalendarStore &store;
    CalendarAppOpener *opener;
    CalendarAuthorizationStatus status = CalendarAuthorizationStatus::unknown;
    QList<CalendarSource> calendarList;
    QSet<QString> writableIds;
    qint64 sequence = 0;
    QTimer storeChangeTimer;
    PrivacySettingsHandler privacySettingsHandler;
    std::function<QDateTime()> clock;
};
