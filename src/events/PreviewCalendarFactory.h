#pragma once

#include "CalendarDayEvent.h"
#include "CalendarSource.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

// Sample calendars and events, laid out around whichever month is shown, so that the panel and
// the preferences can be tried without access to the user's calendars.
class PreviewCalendarFactory
{
public:
    PreviewCalendarFactory() = delete;

    /// The three sample calendars, in the order they are listed.
    [[nodiscard]] static const QList<CalendarSource> &calendars();

    /// The sample events of the month that holds the date, in table order (which is already the
    /// order of a day's items), without those of the excluded calendars.
    [[nodiscard]] static QList<CalendarDayEvent> events(const QDateTime &forMonthContaining,
                                                        const QSet<QString> &excludedCalendarIDs);
};
