#pragma once

#include "PreferenceChoice.h"

#include <array>

enum class AppAppearanceMode
{
    system,
    dark,
    light
};

enum class ColorScheme
{
    light,
    dark
};

constexpr std::array<ChoiceCase<AppAppearanceMode>, 3> choiceCases(AppAppearanceMode)
{
    return {{{AppAppearanceMode::system, u"system", u"跟随系统"},
             {AppAppearanceMode::dark, u"dark", u"深色模式"},
             {AppAppearanceMode::light, u"light", u"浅色模式"}}};
}

/// The colour scheme a mode forces; nothing for system, which follows the desktop.
constexpr std::optional<ColorScheme> preferredColorScheme(AppAppearanceMode mode)
{
    switch (mode) {
    case AppAppearanceMode::dark:
        return ColorScheme::dark;
    case AppAppearanceMode::light:
        return ColorScheme::light;
    case AppAppearanceMode::system:
        break;
    }
    return std::nullopt;
}
