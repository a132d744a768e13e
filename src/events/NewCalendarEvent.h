#pragma once

#include <QDateTime>
#include <QString>

// An event the user adds to one of their calendars.
struct NewCalendarEvent
{
    QString calendarId; // CalendarSource::id of a writable calendar
    QString title;
    QString location; // empty: none
    bool isAllDay = false;
    QDateTime start;
    QDateTime end; // exclusive; for an all-day event the local midnight after its last day
};

// What a write gave: the event written, or why nothing was.
struct CalendarWriteResult
{
    QString eventUid;
    QString calendarId;
    QString error; // empty on success, else one line in Chinese for the user

    [[nodiscard]] bool succeeded() const { return error.isEmpty(); }
};
