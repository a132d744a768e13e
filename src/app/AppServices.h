#pragma once

#include <memory>

class AccessPrompter;
class CalendarAccessPage;
class CalendarAppOpener;
class CombinedCalendarStore;
class DesktopLauncher;
class EventStoreService;
class HolidayService;
class ShortcutService;
class LaunchAtLoginService;
class LunarCalendarService;
class PreferencesStore;
class PreferencesWindowController;
class SettingsStore;

// Owns every long-lived service for the whole run; everything else holds references to these.
class AppServices
{
public:
    /// The one container, created on first use (from any thread, once) and never destroyed.
    [[nodiscard]] static AppServices &shared();
    /// Called before the first shared(): the settings are read but never written, for commands
    /// that only print.
    static void openSettingsReadOnly();

    AppServices(const AppServices &) = delete;
    AppServices &operator=(const AppServices &) = delete;

    [[nodiscard]] SettingsStore &settingsStore() const;
    [[nodiscard]] PreferencesStore &preferencesStore() const;
    [[nodiscard]] EventStoreService &eventStoreService() const;
    [[nodiscard]] HolidayService &holidayService() const;
    [[nodiscard]] LunarCalendarService &lunarCalendarService() const;
    [[nodiscard]] LaunchAtLoginService &launchAtLoginService() const;
    /// Created on first use, since grabbing keys needs the application's display connection.
    [[nodiscard]] ShortcutService &shortcutService();
    /// Created on first use, since it needs the application object.
    [[nodiscard]] PreferencesWindowController &preferencesWindowController();

private:
    AppServices();

    static inline bool settingsReadOnly = false;
    ~AppServices();

    // Created in this order. The settings store comes first so that its defaults are registered
    // before any service reads a setting.
    std::unique_ptr<SettingsStore> m_settingsStore;
    std::unique_ptr<PreferencesStore> m_preferencesStore;
    // The event store service reads the user's calendars through these.
    std::unique_ptr<AccessPrompter> m_accessPrompter;
    std::unique_ptr<CombinedCalendarStore> m_calendarStore;
    std::unique_ptr<DesktopLauncher> m_desktopLauncher;
    std::unique_ptr<CalendarAppOpener> m_calendarAppOpener;
    std::unique_ptr<EventStoreService> m_eventStoreService;
    std::unique_ptr<HolidayService> m_holidayService;
    std::unique_ptr<LunarCalendarService> m_lunarCalendarService;
    std::unique_ptr<LaunchAtLoginService> m_launchAtLoginService;
    // Created on first use.
    std::unique_ptr<ShortcutService> m_shortcutService;
    std::unique_ptr<PreferencesWindowController> m_preferencesWindowController;
    std::unique_ptr<CalendarAccessPage> m_calendarAccessPage;
};
