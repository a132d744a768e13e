#pragma once

#include "NewCalendarEvent.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The iCalendar text of an event the user adds, as other calendar programs expect to read it.
class NewEventIcs
{
public:
    NewEventIcs() = delete;

    /// A VCALENDAR holding the event with UID, DTSTAMP and CREATED of `now`. Timed events carry
    /// the zone `zoneId` (an IANA name) and its VTIMEZONE, or are given in UTC where libical does
    /// not know the zone; all-day events are the local days they cover.
    [[nodiscard]] static QByteArray render(const NewCalendarEvent &event, const QString &uid,
                                           const QDateTime &now, const QByteArray &zoneId);
};
