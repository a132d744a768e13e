#pragma once

#include "PreferenceChoice.h"

#include <array>

enum class MenuBarTimeFormat
{
    twentyFourHour,
    twelveHour
};

constexpr std::array<ChoiceCase<MenuBarTimeFormat>, 2> choiceCases(MenuBarTimeFormat)
{
    return {{{MenuBarTimeFormat::twentyFourHour, u"twentyFourHour", u"24小时"},
             {MenuBarTimeFormat::twelveHour, u"twelveHour", u"12小时"}}};
}
