#include "AppBootstrapper.h"

#include "preferences/MenuBarDisplayStyle.h"
#include "preferences/MenuBarTimeFormat.h"
#include "preferences/PreferencesStore.h"
#include "shared/AppAppearanceMode.h"
#include "shared/SettingsStore.h"

void AppBootstrapper::configureAppearance(SettingsStore &settings)
{
    using Keys = PreferencesStore::Keys;
    settings.registerDefaults({
        {Keys::launchAtLogin, false},
        {Keys::appearanceMode, rawValue(AppAppearanceMode::system)},
        {Keys::menuBarStyle, rawValue(MenuBarDisplayStyle::dateAndTime)},
        {Keys::showWeekday, true},
        {Keys::showDate, true},
        {Keys::timeFormat, rawValue(MenuBarTimeFormat::twentyFourHour)},
        {Keys::showAMPM, false},
        {Keys::showSeconds, false},
        {Keys::showLunarCalendar, false},
        {Keys::showFestivals, false},
        {Keys::showEventDots, true},
        {Keys::showPreferencesAndQuitMenu, true},
        {Keys::showWeekNumbers, false},
        {Keys::usePreviewData, false},
    });
}
