#pragma once

class SettingsStore;

// What has to happen before any service reads a setting.
class AppBootstrapper
{
public:
    AppBootstrapper() = delete;

    /// Registers the defaults of the settings that have one, so that a first run without a
    /// settings file reads them.
    static void configureAppearance(SettingsStore &settings);
};
