#pragma once

#include "events/CalendarStore.h"

#include <algorithm>

// A calendar store whose access and content the test sets; access requests are granted at once.
class FakeCalendarStore : public CalendarStore
{
public:
    CalendarAccessState eventAccess = CalendarAccessState::fullAccess;
    QList<StoreCalendar> storeCalendars;
    QList<StoreEvent> storeEvents;

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

    void announceChange() { Q_EMIT storeChanged(); }
};
