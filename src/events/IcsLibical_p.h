#pragma once

#include "shared/CHandle.h"

#include <QDate>

#include <libical/ical.h>

#include <optional>

// Small bridges between libical values and the millisecond wall clock the reader computes in.
namespace IcsLibical {

using ComponentPtr = CHandle<icalcomponent, icalcomponent_free>;
using IteratorPtr = CHandle<icalrecur_iterator, icalrecur_iterator_free>;

inline constexpr qint64 msPerDay = 86'400'000;
inline constexpr qint64 unixEpochJulianDay = 2'440'588;

inline qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b) != 0 && ((a < 0) != (b < 0)) ? 1 : 0);
}

/// The wall clock of a libical time's fields, or nothing when they do not name a real day.
inline std::optional<qint64> wallMs(const icaltimetype &time)
{
    if (icaltime_is_null_time(time))
        return std::nullopt;
    const QDate day(time.year, time.month, time.day);
    if (!day.isValid() || time.year < 1 || time.year > 9999)
        return std::nullopt;
    qint64 ms = (day.toJulianDay() - unixEpochJulianDay) * msPerDay;
    if (!time.is_date) {
        if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59
            || time.second < 0 || time.second > 60)
            return std::nullopt;
        ms += ((time.hour * 60 + time.minute) * 60 + qMin(time.second, 59)) * qint64(1000);
    }
    return ms;
}

/// A floating libical time (or date) of a wall clock.
inline icaltimetype fromWallMs(qint64 wall, bool isDate)
{
    const qint64 days = floorDiv(wall, msPerDay);
    const QDate day = QDate::fromJulianDay(days + unixEpochJulianDay);
    icaltimetype time = icaltime_null_time();
    time.year = day.year();
    time.month = day.month();
    time.day = day.day();
    time.is_date = isDate ? 1 : 0;
    if (!isDate) {
        const qint64 seconds = (wall - days * msPerDay) / 1000;
        time.hour = int(seconds / 3600);
        time.minute = int(seconds / 60 % 60);
        time.second = int(seconds % 60);
    }
    return time;
}

} // namespace IcsLibical
