#pragma once

#include "CivilCalendar.h"
#include "PreferenceChoice.h"

#include <array>

// The day the panel's weeks and the cal command's rows start on.
enum class FirstWeekday
{
    monday,
    sunday,
    system
};

constexpr std::array<ChoiceCase<FirstWeekday>, 3> choiceCases(FirstWeekday)
{
    return {{{FirstWeekday::monday, u"monday", u"周一"},
             {FirstWeekday::sunday, u"sunday", u"周日"},
             {FirstWeekday::system, u"system", u"跟随系统"}}};
}

/// The choice as a CivilCalendar weekday; following the system asks the locale each time.
[[nodiscard]] inline int weekdayNumber(FirstWeekday choice)
{
    switch (choice) {
    case FirstWeekday::sunday:
        return CivilCalendar::Sunday;
    case FirstWeekday::system:
        return CivilCalendar::localeFirstWeekday();
    case FirstWeekday::monday:
        break;
    }
    return CivilCalendar::Monday;
}
