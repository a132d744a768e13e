#pragma once

#include "shared/PreferenceChoice.h"

#include <QDateTime>

#include <array>

class PreferencesStore;

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

/// The menu bar text of a style at an instant, with the date and time settings of the store.
[[nodiscard]] QString makeTitle(MenuBarDisplayStyle style, const QDateTime &instant,
                                const PreferencesStore &preferences);
