#pragma once

#include "AppAppearanceMode.h"
#include "FirstWeekday.h"
#include "MenuBarDisplayStyle.h"
#include "MenuBarTimeFormat.h"
#include "SettingKey.h"

// Every key of the settings file, each once, with its type and default. The texts and the JSON
// types they are stored as are what settings files already hold: never change them.
namespace SettingKeys {

inline constexpr SettingKey<bool> launchAtLogin{"preferences.launchAtLogin", false};
inline constexpr SettingKey<AppAppearanceMode> appearanceMode{"preferences.appearanceMode",
                                                              AppAppearanceMode::system};
inline constexpr SettingKey<MenuBarDisplayStyle> menuBarStyle{"preferences.menuBarStyle",
                                                              MenuBarDisplayStyle::dateAndTime};
inline constexpr SettingKey<bool> showWeekday{"preferences.showWeekday", true};
inline constexpr SettingKey<bool> showDate{"preferences.showDate", true};
inline constexpr SettingKey<MenuBarTimeFormat> timeFormat{"preferences.timeFormat",
                                                          MenuBarTimeFormat::twentyFourHour};
inline constexpr SettingKey<bool> showAMPM{"preferences.showAMPM", false};
inline constexpr SettingKey<bool> showSeconds{"preferences.showSeconds", false};
inline constexpr SettingKey<bool> showLunarCalendar{"preferences.showLunarCalendar", false};
inline constexpr SettingKey<bool> showFestivals{"preferences.showFestivals", false};
inline constexpr SettingKey<bool> showEventDots{"preferences.showEventDots", true};
inline constexpr SettingKey<bool> showPreferencesAndQuitMenu{
    "preferences.showPreferencesAndQuitMenu", true};
inline constexpr SettingKey<bool> showWeekNumbers{"preferences.showWeekNumbers", false};
inline constexpr SettingKey<FirstWeekday> firstWeekday{"preferences.firstWeekday",
                                                       FirstWeekday::monday};
/// Identifiers of the calendars whose events are not shown, in code-point order.
inline const SettingKey<QStringList> excludedCalendarIdentifiers{
    "preferences.excludedCalendarIdentifiers", {}};
inline constexpr SettingKey<bool> usePreviewData{"preferences.usePreviewData", false};
/// The global shortcut as Shortcut::toJson() writes it; none while empty. The key keeps the
/// name it had before the shortcut was called so.
inline const SettingKey<QByteArray> shortcut{"preferences.hotKey", {}};
/// The calendar the last new event went to, offered first for the next.
inline const SettingKey<QString> lastNewEventCalendar{"preferences.lastNewEventCalendar", {}};

/// Folders of .ics files and vdir calendars beyond the ones looked in by default.
inline const SettingKey<QStringList> calendarFolders{"calendar.folders", {}};
/// The user's answer to the access prompt: "granted", "denied", or empty while not asked.
inline const SettingKey<QString> eventsAccess{"calendar.access.events", {}};
inline const SettingKey<QString> remindersAccess{"calendar.access.reminders", {}};
/// The command that opens a day in the user's calendar application, with {date} and {when}.
inline const SettingKey<QStringList> openDayCommand{"calendar.openDayCommand", {}};
inline constexpr SettingKey<bool> didShowShortcutHint{"calendar.didShowShortcutHint", false};

} // namespace SettingKeys
