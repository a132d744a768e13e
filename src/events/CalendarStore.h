#pragma once

#include "NewCalendarEvent.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The kinds of calendar item a store keeps, numbered as the access states are asked for.
enum class CalendarEntityType
{
    event = 0,
    reminder = 1
};

// A store's access state for one entity type. Values outside the five named ones can come from a
// store that knows more states than we do; they read as unknown.
enum class CalendarAccessState : int
{
    notDetermined = 0,
    restricted = 1,
    denied = 2,
    fullAccess = 3,
    writeOnly = 4,
};

// A calendar of events as a store lists it.
struct StoreCalendar
{
    QString identifier;
    QString title;
    QString sourceTitle;
    std::optional<QColor> color;
    bool writable = false; // takes new events
};

// One occurrence of an event, repeating events already expanded.
struct StoreEvent
{
    QString calendarItemIdentifier;
    // The original start of this occurrence (for a moved instance, where it was moved from).
    std::optional<QDateTime> occurrenceDate;
    std::optional<QDateTime> startDate;
    std::optional<QDateTime> endDate;
    bool isAllDay = false;
    std::optional<QString> title;
    std::optional<QString> location;
    StoreCalendar calendar;
};

// A source of calendars and event occurrences, with per-type access the user grants.
class CalendarStore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /// The current access state for a type, read afresh.
    [[nodiscard]] virtual CalendarAccessState
    authorizationStatus(CalendarEntityType type) const = 0;

    /// Asks the user for full access to a type. `done` runs once on the main thread with whether
    /// access was granted, or nothing when the request failed; not at all once `context` is gone.
    virtual void requestFullAccess(CalendarEntityType type, QObject *context,
                                   std::function<void(std::optional<bool> granted)> done) = 0;

    /// Every event calendar in the store's order; identifiers may repeat.
    [[nodiscard]] virtual QList<StoreCalendar> calendars() = 0;

    /// The occurrences overlapping [start, end) in the given calendars, in the store's order.
    /// An empty calendar list gives no occurrences.
    [[nodiscard]] virtual QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                                                   const QList<StoreCalendar> &calendars) = 0;

    /// Writes a new event into one of the store's writable calendars; on success the store lists
    /// it before `done` runs. `done` runs once, later, on the main thread; not at all once
    /// `context` is gone.
    virtual void createEvent(const NewCalendarEvent &event, QObject *context,
                             std::function<void(CalendarWriteResult)> done) = 0;
    /// Removes an event this store wrote, and nothing else; `done` as for createEvent.
    virtual void removeEvent(const CalendarWriteResult &created, QObject *context,
                             std::function<void(CalendarWriteResult)> done) = 0;

Q_SIGNALS:
    /// The store's content may have changed; may come in bursts.
    void storeChanged();
};
