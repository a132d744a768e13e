#pragma once

#include "shared/FirstWeekday.h"
#include "shared/MenuBarDisplayStyle.h"
#include "shared/MenuBarTimeFormat.h"
#include "PreferencesStore.h"
#include "shared/AppAppearanceMode.h"

#include <QLatin1StringView>
#include <QVariantMap>

#include <array>
#include <string_view>
#include <variant>

// The settings that have a default, each with it: registered with the settings file before any
// service reads a setting, and what a setting reads as when the file holds another kind under
// its key.
namespace PreferenceDefaults {

struct Entry
{
    QLatin1StringView key;
    std::variant<bool, AppAppearanceMode, MenuBarDisplayStyle, MenuBarTimeFormat, FirstWeekday>
        value;
};

inline constexpr std::array<Entry, 15> table{{
    {PreferencesStore::Keys::launchAtLogin, false},
    {PreferencesStore::Keys::appearanceMode, AppAppearanceMode::system},
    {PreferencesStore::Keys::menuBarStyle, MenuBarDisplayStyle::dateAndTime},
    {PreferencesStore::Keys::showWeekday, true},
    {PreferencesStore::Keys::showDate, true},
    {PreferencesStore::Keys::timeFormat, MenuBarTimeFormat::twentyFourHour},
    {PreferencesStore::Keys::showAMPM, false},
    {PreferencesStore::Keys::showSeconds, false},
    {PreferencesStore::Keys::showLunarCalendar, false},
    {PreferencesStore::Keys::showFestivals, false},
    {PreferencesStore::Keys::showEventDots, true},
    {PreferencesStore::Keys::showPreferencesAndQuitMenu, true},
    {PreferencesStore::Keys::showWeekNumbers, false},
    {PreferencesStore::Keys::firstWeekday, FirstWeekday::monday},
    {PreferencesStore::Keys::usePreviewData, false},
}};

/// The default under a key, found while compiling: a key without one, or with one of another
/// type, does not build.
template<typename T> consteval T of(QLatin1StringView key)
{
    const std::string_view wanted(key.data(), size_t(key.size()));
    for (const Entry &entry : table) {
        if (std::string_view(entry.key.data(), size_t(entry.key.size())) == wanted)
            return std::get<T>(entry.value);
    }
    throw "no default under this key";
}

/// The table in the form the settings file stores: booleans, and choices as their raw values.
[[nodiscard]] QVariantMap registration();

} // namespace PreferenceDefaults
