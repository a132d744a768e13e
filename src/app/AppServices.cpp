#include "AppServices.h"

#include "events/CalendarAccess.h"
#include "events/CalendarAppOpener.h"
#include "events/CombinedCalendarStore.h"
#include "events/EventStoreService.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "preferences/CalendarAccessPage.h"
#include "preferences/LaunchAtLoginService.h"
#include "preferences/PreferencesStore.h"
#include "preferences/PreferencesWindowController.h"
#include "shared/SettingsStore.h"
#include "shortcut/KeyGrabber.h"
#include "shortcut/ShortcutService.h"

#include <QApplication>

AppServices::AppServices(const QString &settingsPath, SettingsStore::Access access,
                         Platform platform)
    : m_settingsStore(std::make_unique<SettingsStore>(settingsPath, access))
    , m_calendarAccess(std::make_unique<CalendarAccess>(*m_settingsStore))
    , m_accessPrompter(std::move(platform.accessPrompter))
    , m_desktopLauncher(std::move(platform.desktopLauncher))
    , m_makeKeyGrabber(std::move(platform.keyGrabber))
{
    m_preferencesStore = std::make_unique<PreferencesStore>(*m_settingsStore);
    if (platform.calendarStore) {
        m_calendarStore = platform.calendarStore(*m_settingsStore, *m_calendarAccess);
    } else {
        // Only the running application follows Evolution Data Server: the commands that print
        // are plain-core processes and read through stores of their own, or not at all.
        CombinedCalendarStore::Options storeOptions;
        storeOptions.evolutionDataServer =
            qobject_cast<QGuiApplication *>(QCoreApplication::instance());
        m_calendarStore = std::make_unique<CombinedCalendarStore>(
            *m_settingsStore, *m_calendarAccess, m_accessPrompter.get(), storeOptions);
    }
    m_calendarAppOpener =
        std::make_unique<CalendarAppOpener>(*m_desktopLauncher, m_settingsStore.get());
    m_eventStoreService =
        std::make_unique<EventStoreService>(*m_calendarStore, m_calendarAppOpener.get());
    m_holidayService = std::make_unique<HolidayService>();
    m_lunarCalendarService = std::make_unique<LunarCalendarService>();
    m_launchAtLoginService = std::make_unique<LaunchAtLoginService>();

    // The page is a window: made only when first asked for, once the application runs.
    m_eventStoreService->setPrivacySettingsHandler([this](CalendarEntityType firstPage) {
        if (!m_calendarAccessPage)
            m_calendarAccessPage =
                std::make_unique<CalendarAccessPage>(*m_settingsStore, *m_calendarAccess);
        m_calendarAccessPage->showPage(firstPage);
    });
}

AppServices::~AppServices() = default;

SettingsStore &AppServices::settingsStore() const
{
    return *m_settingsStore;
}

PreferencesStore &AppServices::preferencesStore() const
{
    return *m_preferencesStore;
}

CalendarAccess &AppServices::calendarAccess() const
{
    return *m_calendarAccess;
}

EventStoreService &AppServices::eventStoreService() const
{
    return *m_eventStoreService;
}

HolidayService &AppServices::holidayService() const
{
    return *m_holidayService;
}

LunarCalendarService &AppServices::lunarCalendarService() const
{
    return *m_lunarCalendarService;
}

LaunchAtLoginService &AppServices::launchAtLoginService() const
{
    return *m_launchAtLoginService;
}

ShortcutService &AppServices::shortcutService()
{
    if (!m_shortcutService) {
        m_shortcutService = std::make_unique<ShortcutService>(
            m_preferencesStore->shortcut(),
            [&store = *m_preferencesStore](const std::optional<Shortcut> &shortcut) {
                store.setShortcut(shortcut);
            },
            m_makeKeyGrabber(), &QApplication::beep);
    }
    return *m_shortcutService;
}

PreferencesWindowController &AppServices::preferencesWindowController()
{
    if (!m_preferencesWindowController) {
        m_preferencesWindowController = std::make_unique<PreferencesWindowController>(
            *m_preferencesStore, *m_eventStoreService, *m_holidayService, *m_launchAtLoginService,
            &shortcutService());
    }
    return *m_preferencesWindowController;
}
