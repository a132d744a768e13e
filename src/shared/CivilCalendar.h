#pragma once

#include <QByteArray>
#include <QDateTime>

#include <optional>

// A Gregorian calendar in a time zone with a first weekday: the calendar that date arithmetic
// is done in. A value; the ICU calendar behind each operation is made per call.
class CivilCalendar
{
public:
    // Weekday numbers: 1 = Sunday, 2 = Monday, … 7 = Saturday.
    enum Weekday
    {
        Sunday = 1,
        Monday,
        Tuesday,
        Wednesday,
        Thursday,
        Friday,
        Saturday
    };

    struct Components
    {
        int year = 0;
        int month = 0; // 1 … 12
        int day = 0;
        int weekday = 0; // Sunday = 1
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // An empty zone identifier follows the system's zone at the time of each call.
    explicit CivilCalendar(int firstWeekday = Monday, QByteArray timeZoneId = {});

    // The calendar the panel computes in: Monday first, in the system's zone.
    [[nodiscard]] static CivilCalendar viewCalendar();

    /// The first weekday of the locale that formats times (LC_ALL, else LC_TIME, else LANG),
    /// from ICU's week data for its region; Monday when there is no such locale.
    [[nodiscard]] static int localeFirstWeekday();

    [[nodiscard]] int firstWeekday() const { return m_firstWeekday; }
    [[nodiscard]] QByteArray timeZoneId() const { return m_timeZoneId; }

    [[nodiscard]] std::optional<Components> components(const QDateTime &instant) const;

    // The instant of a wall-clock time; out-of-range fields carry over (month 13 is January of
    // the next year). A skipped time gives the first instant after the gap, a repeated time its
    // first occurrence.
    [[nodiscard]] std::optional<QDateTime> date(int year, int month, int day, int hour = 0,
                                                int minute = 0, int second = 0) const;

    // Adds days (keeping the wall-clock time) or months (keeping the day where it exists).
    [[nodiscard]] std::optional<QDateTime> addingDays(const QDateTime &instant, int days) const;
    [[nodiscard]] std::optional<QDateTime> addingMonths(const QDateTime &instant, int months) const;

    // The same day at the given wall-clock time, with the rules of date().
    [[nodiscard]] std::optional<QDateTime> bySettingTime(const QDateTime &day, int hour, int minute,
                                                         int second) const;

    [[nodiscard]] QDateTime startOfDay(const QDateTime &instant) const;

    // Calendar days from one instant's day to another's, negative when to is earlier.
    [[nodiscard]] std::optional<int> daysBetween(const QDateTime &from, const QDateTime &to) const;

    [[nodiscard]] bool isSameDay(const QDateTime &a, const QDateTime &b) const;

    friend bool operator==(const CivilCalendar &, const CivilCalendar &) = default;

private:
    int m_firstWeekday;
    QByteArray m_timeZoneId;
};
