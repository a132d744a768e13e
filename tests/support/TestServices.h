#pragma once

#include "FakeKeyGrabber.h"
#include "FakeLauncher.h"
#include "app/AppServices.h"

#include <memory>

// The program's services over the settings file of $XDG_CONFIG_HOME, with fakes for what would
// reach the desktop: nobody is asked for calendar access, nothing is launched, no key is grabbed.
inline std::unique_ptr<AppServices>
makeTestServices(SettingsStore::Access access = SettingsStore::Access::readWrite)
{
    return std::make_unique<AppServices>(
        SettingsStore::defaultFilePath(), access,
        AppServices::Platform{nullptr, std::make_unique<FakeLauncher>(), [] {
                                  return std::make_unique<FakeKeyGrabber>();
                              }});
}
