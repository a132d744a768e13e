#pragma once

#include "TestFiles.h"
#include "look/AppTheme.h"
#include "preferences/PreferencesStore.h"
#include "shared/SettingsStore.h"
#include "shortcut/Shortcut.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// A settings file in a temporary folder, optionally holding a shortcut, with the stores over it.
class SettingsFixture
{
public:
    explicit SettingsFixture(const std::optional<Shortcut> &storedShortcut = std::nullopt)
    {
        using namespace Qt::StringLiterals;
        // Never ask the desktop's portal.
        AppTheme::setSystemAppearanceSource([] { return false; });
        path = dir.filePath(u"tessel-calendar/settings.json"_s);
        if (storedShortcut) {
            const QJsonObject data{
                {u"$data"_s, QString::fromLatin1(storedShortcut->toJson().toBase64())}};
            writeFile(path,
                      QJsonDocument(QJsonObject{{SettingKeys::shortcut.name, data}}).toJson());
        }
        settings = std::make_unique<SettingsStore>(path);
        preferences = std::make_unique<PreferencesStore>(*settings);
    }

    [[nodiscard]] QByteArray fileContents() const { return readFile(path); }

    /// The shortcut as the file on disk holds it.
    [[nodiscard]] std::optional<Shortcut> storedShortcut() const
    {
        const QByteArray json =
            SettingsStore(path, SettingsStore::Access::readOnly).value(SettingKeys::shortcut);
        return json.isEmpty() ? std::nullopt : Shortcut::fromJson(json);
    }

    [[nodiscard]] bool fileHasShortcutKey() const
    {
        return QJsonDocument::fromJson(fileContents())
            .object()
            .contains(SettingKeys::shortcut.name);
    }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<PreferencesStore> preferences;
};
