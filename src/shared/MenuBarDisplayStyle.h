#pragma once

#include "PreferenceChoice.h"

#include <array>

enum class MenuBarDisplayStyle
{
    dateAndTime,
    dateOnly,
    timeOnly
};

constexpr std::array<ChoiceCase<MenuBarDisplayStyle>, 3> choiceCases(MenuBarDisplayStyle)
{
    return {{{MenuBarDisplayStyle::dateAndTime, u"dateAndTime", u"日期和时间"},
             {MenuBarDisplayStyle::dateOnly, u"dateOnly", u"仅日期"},
             {MenuBarDisplayStyle::timeOnly, u"timeOnly", u"仅时间"}}};
}
