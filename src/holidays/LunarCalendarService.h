#pragma once

#include "ChineseCalendar.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The short lunar text under a day number in the month grid.
class LunarCalendarService
{
public:
    LunarCalendarService() = default;

    /// The month's name on the first day of a lunar month, else the day's name; nothing when
    /// the day has no lunar date.
    [[nodiscard]] std::optional<QString> compactLabel(const QDateTime &date) const;

    /// The lunar month and day, "十月廿九"; nothing when the day has no lunar date.
    [[nodiscard]] std::optional<QString> monthDayText(const QDateTime &date) const;

    /// The sexagenary name and animal of the lunar year the day belongs to (it begins on
    /// 正月初一), then the lunar month and day: "甲辰龙年 正月初一".
    [[nodiscard]] static QString lunarYearMonthDayText(const QDateTime &date);

    /// "正月" … "腊月", "闰" in front for a leap month; other numbers as digits and "月".
    [[nodiscard]] static QString monthText(int month, bool isLeap);

    /// "初一" … "三十"; other numbers as digits.
    [[nodiscard]] static QString dayText(int day);

    /// "一" … "九" for 1 … 9; other numbers as digits.
    [[nodiscard]] static QString chineseNumeral(int n);

private:
    ChineseCalendar calendar;
};
