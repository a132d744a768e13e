#pragma once

#include "events/AccessPrompter.h"
#include "events/DesktopLauncher.h"
#include "shared/SettingsStore.h"

#include <functional>
#include <memory>

class CalendarAccess;
class CalendarAccessPage;
class CalendarAppOpener;
class CalendarStore;
class EventStoreService;
class HolidayService;
class KeyGrabber;
class ShortcutService;
class LaunchAtLoginService;
class LunarCalendarService;
class PreferencesStore;
class PreferencesWindowController;

// Owns every long-lived service of the process; everything else holds references to these.
// main builds one after the application object, so it is gone before that is.
class AppServices
{
public:
    /// What reaches out to the desktop; tests give fakes.
    struct Platform
    {
        /// Asks the user for calendar access; without one nobody is asked.
        std::unique_ptr<AccessPrompter> accessPrompter;
        std::unique_ptr<DesktopLauncher> desktopLauncher;
        /// Makes the global shortcut's grabber once the application's display is there.
        std::function<std::unique_ptr<KeyGrabber>()> keyGrabber;
        /// Makes the store the events come from; without one, the user's calendar files and
        /// Evolution Data Server.
        std::function<std::unique_ptr<CalendarStore>(SettingsStore &, CalendarAccess &)>
            calendarStore;
    };

    /// Over the settings file at settingsPath; read-only for commands that only print.
    AppServices(const QString &settingsPath, SettingsStore::Access access, Platform platform);
    ~AppServices();

    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    [[nodiscard]] SettingsStore &settingsStore() const;
    [[nodiscard]] PreferencesStore &preferencesStore() const;
    [[nodiscard]] CalendarAccess &calendarAccess() const;
    [[nodiscard]] EventStoreService &eventStoreService() const;
    [[nodiscard]] HolidayService &holidayService() const;
    [[nodiscard]] LunarCalendarService &lunarCalendarService() const;
    [[nodiscard]] LaunchAtLoginService &launchAtLoginService() const;
    /// Created on first use, since grabbing keys needs the application's display connection.
    [[nodiscard]] ShortcutService &shortcutService();
    /// Created on first use, since it needs the application object.
    [[nodiscard]] PreferencesWindowController &preferencesWindowController();

private:
    // Created in this order. The settings store comes first so that its defaults are registered
    // before any service reads a setting.
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<PreferencesStore> m_preferencesStore;
    // The event store service reads the user's calendars through these.
    std::unique_ptr<CalendarAccess> m_calendarAccess;
    std::unique_ptr<AccessPrompter> m_accessPrompter;
    std::unique_ptr<CalendarStore> m_calendarStore;
    std::unique_ptr<DesktopLauncher> m_desktopLauncher;
    std::unique_ptr<CalendarAppOpener> m_calendarAppOpener;
    std::unique_ptr<EventStoreService> m_eventStoreService;
    std::unique_ptr<HolidayService> m_holidayService;
    std::unique_ptr<LunarCalendarService> m_lunarCalendarService;
    std::unique_ptr<LaunchAtLoginService> m_launchAtLoginService;
    std::function<std::unique_ptr<KeyGrabber>()> m_makeKeyGrabber;
    // Created on first use.
    std::unique_ptr<ShortcutService> m_shortcutService;
    std::unique_ptr<PreferencesWindowController> m_preferencesWindowController;
    std::unique_ptr<CalendarAccessPage> m_calendarAccessPage;
};
