#pragma once

#include "events/CalendarStore.h"

#include <QTimer>

#include <algorithm>

// A calendar store whose access and content the test sets; access requests are granted at once.
// Writes succeed into calendars marked writable, or fail with `writeError` when it is set.
class FakeCalendarStore : public CalendarStore
{
public:
    CalendarAccessState eventAccess = CalendarAccessState::fullAccess;
    QList<StoreCalendar> storeCalendars;
    QList<StoreEvent> storeEvents;
    QString writeError;
    QList<NewCalendarEvent> createdEvents;

    CalendarAccessState authorizationStatus(CalendarEntityType type) const override
    {
        return type == CalendarEntityType::event ? eventAccess : CalendarAccessState::fullAccess;
    }

    void requestFullAccess(CalendarEntityType, QObject *,
                           std::function<void(std::optional<bool>)> done) override
    {
        done(true);
    }

    QList<StoreCalendar> calendars() override { return storeCalendars; }

    QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                             const QList<StoreCalendar> &calendars) override
    {
        QList<StoreEvent> result;
        for (const StoreEvent &event : std::as_const(storeEvents)) {
            const bool inCalendar =
                std::any_of(calendars.begin(), calendars.end(), [&](const StoreCalendar &c) {
                    return c.identifier == event.calendar.identifier;
                });
            if (inCalendar && *event.startDate<end && * event.endDate> start)
                result.append(event);
        }
        return result;
    }

    void createEvent(const NewCalendarEvent &event, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override
    {
        CalendarWriteResult result{QStringLiteral("created-%1").arg(createdEvents.size()),
                                   event.calendarId, writeError};
        if (result.succeeded()) {
            createdEvents.append(event);
            StoreEvent stored;
            stored.calendarItemIdentifier = result.eventUid;
            stored.startDate = event.start;
            stored.endDate = event.end;
            stored.isAllDay = event.isAllDay;
            stored.title = event.title;
            for (const StoreCalendar &calendar : std::as_const(storeCalendars)) {
                if (calendar.identifier == event.calendarId)
                    stored.calendar = calendar;
            }
            storeEvents.append(stored);
        }
        QTimer::singleShot(0, context ? context : this, [done, result] { done(result); });
    }

    void removeEvent(const CalendarWriteResult &created, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override
    {
        CalendarWriteResult result = created;
        result.error = writeError;
        if (result.succeeded()) {
            storeEvents.removeIf([&created](const StoreEvent &event) {
                return event.calendarItemIdentifier == created.eventUid;
            });
        }
        QTimer::singleShot(0, context ? context : this, [done, result] { done(result); });
    }

    void announceChange() { Q_EMIT storeChanged(); }
};
