#pragma once

#include "CivilCalendar.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Month arithmetic for the month grid and the fixed text forms of a date that the panel shows.
namespace DateHelpers {

/// The first instant of the instant's month in the calendar; the instant itself if there is none.
[[nodiscard]] QDateTime startOfMonth(const QDateTime &date, const CivilCalendar &calendar);

/// The first cell of the month grid: the start of the week holding the 1st.
[[nodiscard]] QDateTime monthGridStart(const QDateTime &date, const CivilCalendar &calendar);

/// Every day from the start of the week holding the 1st to the end of the week holding the last
/// day of the month: 28, 35 or 42 starts of days.
[[nodiscard]] QList<QDateTime> monthGridDates(const QDateTime &date, const CivilCalendar &calendar);

/// The ISO 8601 week number of a grid row that starts on the given day: the week holding most of
/// the row's days, which is the week of its fourth day (its Thursday when rows start on Monday).
[[nodiscard]] int weekNumberOfRow(QDate rowStart);

/// e.g. "2026年 3月".
[[nodiscard]] QString monthYearText(const QDateTime &date);

/// e.g. "3月5日 星期四".
[[nodiscard]] QString longDescription(const QDateTime &date);

/// The day of the month, never padded: "5".
[[nodiscard]] QString dayNumberText(const QDateTime &date);

/// Formats an instant in the system's zone with an ICU pattern and locale ("zh_CN",
/// "en_US_POSIX").
[[nodiscard]] QString formatDate(const QDateTime &date, const char *locale, const QString &pattern);

} // namespace DateHelpers
