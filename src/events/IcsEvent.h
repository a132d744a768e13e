#pragma once

#include "IcsZone.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class IcsRecurrence;

// How an iCalendar time is anchored: a whole day, a wall-clock time in whatever zone the reader
// is in, or a time in a named zone (UTC included).
enum class IcsTimeKind : quint8
{
    date,
    floating,
    zoned
};

// A DATE or DATE-TIME value as the file gives it.
struct IcsTime
{
    static constexpr qint64 msPerDay = 86'400'000;

    IcsTimeKind kind = IcsTimeKind::floating;
    qint64 wallMs = 0; // wall clock in milliseconds since 1970-01-01 00:00; dates at 00:00
    std::shared_ptr<const IcsZone> zone; // zoned times only

    [[nodiscard]] bool isDate() const { return kind == IcsTimeKind::date; }
    /// The instant: dates and floating times in the system's zone as it is now.
    [[nodiscard]] qint64 toUtc() const { return frame().toUtc(wallMs); }
    /// The zone the wall clock is read in.
    [[nodiscard]] const IcsZone &frame() const
    {
        return kind == IcsTimeKind::zoned && zone ? *zone : IcsZone::system();
    }
};

// One VEVENT that is shown: a single event, the master of a repeating series, or an instance of
// a series moved or changed on its own (it carries the RECURRENCE-ID it replaces).
struct IcsEvent
{
    // Held as UTF-8: a UID is only matched and hashed here, and made text when handed out.
    QByteArray uid;
    // Null when the event has none; an empty property gives an empty, not a null, text.
    QString title;
    QString location;
    IcsTime start;
    // All-day: whole days in milliseconds on the wall clock. Timed: the exact length.
    qint64 durationMs = 0;
    // Only moved instances have one: kept apart, so that every other event is smaller.
    std::shared_ptr<const IcsTime> recurrenceId;
    // The rules of a repeating series; null for everything else.
    std::shared_ptr<const IcsRecurrence> recurrence;

    /// The end of an occurrence that starts at the wall-clock time `wallStart` (in the start's
    /// frame) whose instant is `startUtc`.
    [[nodiscard]] qint64 endUtc(qint64 wallStart, qint64 startUtc) const
    {
        if (start.kind == IcsTimeKind::zoned)
            return startUtc + durationMs;
        return start.frame().toUtc(wallStart + durationMs);
    }
};

// One occurrence found in a range.
struct IcsOccurrence
{
    const IcsEvent *event = nullptr;
    qint64 startUtc = 0;
    qint64 endUtc = 0;
    qint64 occurrenceUtc = 0; // the original start (RECURRENCE-ID of a moved instance)
};
