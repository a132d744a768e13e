#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

struct LunarDate
{
    int month = 0; // 1 … 12
    int day = 0; // 1 … 30
    bool isLeapMonth = false;

    friend bool operator==(const LunarDate &, const LunarDate &) = default;
};

// The Chinese lunisolar calendar. Days from 1900-01-31 to 2101-01-28 come from the official
// month table; ICU's astronomical calendar, which disagrees with the almanac on hundreds of
// those days, answers only outside it.
class ChineseCalendar
{
public:
    /// The lunar date of the instant's calendar day in the system's zone.
    [[nodiscard]] static std::optional<LunarDate> dateComponents(const QDateTime &instant);

    /// The lunar date of a civil (Gregorian) day.
    [[nodiscard]] static std::optional<LunarDate> lunarDate(QDate civilDate);

    /// Whether the official table covers the day.
    [[nodiscard]] static bool isInTable(QDate civilDate);
};
