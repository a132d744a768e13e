#include "AppBootstrapper.h"

#include "preferences/PreferenceDefaults.h"
#include "shared/SettingsStore.h"

void AppBootstrapper::configureAppearance(SettingsStore &settings)
{
    settings.registerDefaults(PreferenceDefaults::registration());
}
