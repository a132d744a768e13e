#pragma once

#include "FakeColorSchemePortal.h"
#include "FakeKeyGrabber.h"
#include "TestFiles.h"
#include "events/CalendarAccess.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "look/AppTheme.h"
#include "preferences/LaunchAtLoginService.h"
#include "preferences/PreferencesStore.h"
#include "shared/DesktopColorScheme.h"
#include "shared/SettingsStore.h"
#include "shortcut/ShortcutService.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>

// Every service the preferences page needs, over a private configuration and data folder. The
// settings are given before the services read them.
class PreferencesPageFixture
{
public:
    explicit PreferencesPageFixture(
        const QJsonObject &initialSettings = {},
        KeyGrabber::Mechanism keyGrabMechanism = KeyGrabber::Mechanism::keyGrab)
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(dir.filePath(QStringLiteral("xdg"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
        AppTheme::setSystemAppearanceSource([] { return false; });
        if (!initialSettings.isEmpty())
            writeFile(SettingsStore::defaultFilePath(), QJsonDocument(initialSettings).toJson());
        settings = std::make_unique<SettingsStore>();
        preferences = std::make_unique<PreferencesStore>(*settings);
        IcsCalendarStore::Options options;
        options.watchFiles = false;
        options.readInBackground = false; // the page shows the calendars at once
        access = std::make_unique<CalendarAccess>(*settings);
        calendarStore = std::make_unique<IcsCalendarStore>(*settings, *access, nullptr, options);
        eventStore = std::make_unique<EventStoreService>(*calendarStore);
        launchAtLogin =
            std::make_unique<LaunchAtLoginService>(QCoreApplication::applicationFilePath());
        auto grabber = std::make_unique<FakeKeyGrabber>(keyGrabMechanism);
        keyGrabber = grabber.get();
        shortcuts = std::make_unique<ShortcutService>(
            preferences->shortcut(),
            [&store = *preferences](const std::optional<Shortcut> &shortcut) {
                store.setShortcut(shortcut);
            },
            std::move(grabber), [] {});
        desktop = std::make_unique<DesktopColorScheme>(std::make_unique<FakeColorSchemePortal>());
    }

    ~PreferencesPageFixture()
    {
        AppTheme::setSystemAppearanceSource({});
        AppTheme::setAppearanceMode(AppAppearanceMode::system);
    }

    [[nodiscard]] QJsonObject settingsFile() const
    {
        return QJsonDocument::fromJson(readFile(settings->filePath())).object();
    }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<PreferencesStore> preferences;
    std::unique_ptr<CalendarAccess> access;
    std::unique_ptr<IcsCalendarStore> calendarStore;
    std::unique_ptr<EventStoreService> eventStore;
    std::unique_ptr<LaunchAtLoginService> launchAtLogin;
    std::unique_ptr<ShortcutService> shortcuts;
    FakeKeyGrabber *keyGrabber = nullptr;
    std::unique_ptr<DesktopColorScheme> desktop;
};
