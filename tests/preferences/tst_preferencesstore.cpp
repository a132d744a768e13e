#include "TestFiles.h"
#include "look/AppTheme.h"
#include "preferences/PreferencesStore.h"
#include "shared/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const Shortcut sample{40, Shortcut::commandModifier | Shortcut::optionModifier, u"⌥⌘K"_s};

QJsonValue dataMember(const QByteArray &data)
{
    return QJsonObject{{u"$data"_s, QString::fromLatin1(data.toBase64())}};
}

} // namespace

class TestPreferencesStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    const QString path = dir.filePath(u"tessel-calendar/settings.json"_s);
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<PreferencesStore> store;
    bool desktopDark = false;
    int desktopReads = 0;

    PreferencesStore &makeStore(const QJsonObject &file = {})
    {
        store.reset();
        QDir(QFileInfo(path).path()).removeRecursively();
        if (!file.isEmpty())
            writeFile(path, QJsonDocument(file).toJson());
        settings = std::make_unique<SettingsStore>(path);
        store = std::make_unique<PreferencesStore>(*settings);
        return *store;
    }

    [[nodiscard]] QJsonObject fileObject() const
    {
        return QJsonDocument::fromJson(readFile(path)).object();
    }

private Q_SLOTS:
    void initTestCase()
    {
        AppTheme::setSystemAppearanceSource([this] {
            ++desktopReads;
            return desktopDark;
        });
    }

    void init()
    {
        desktopDark = false;
        desktopReads = 0;
        AppTheme::setAppearanceMode(AppAppearanceMode::system);
        AppTheme::setSystemPrefersDarkAppearance(false);
    }

    void storedShortcutIsReadOrDropped()
    {
        // Another member order is read, and written back in the program's own form.
        const QByteArray reordered =
            R"({"displayText": "⌥⌘K", "carbonModifiers": 2304, "keyCode": 40})"_ba;
        QCOMPARE(makeStore({{SettingKeys::shortcut.name, dataMember(reordered)}}).shortcut(),
                 sample);
        QCOMPARE(fileObject().value(SettingKeys::shortcut.name), dataMember(sample.toJson()));
        // One that is not JSON is dropped; the rest of the file stays.
        QCOMPARE(
            makeStore({{SettingKeys::shortcut.name, dataMember("{keyCode: 40")}, {u"other"_s, 1}})
                .shortcut(),
            std::nullopt);
        QCOMPARE(fileObject(), (QJsonObject{{u"other"_s, 1}}));
    }

    void everyAssignmentIsWrittenAndPublished()
    {
        PreferencesStore &preferences = makeStore();
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
        QSignalSpy published(&preferences, &PreferencesStore::valueChanged);

        preferences.setValue(SettingKeys::showSeconds, false);
        preferences.setValue(SettingKeys::showSeconds, false);
        preferences.setValue(SettingKeys::menuBarStyle, MenuBarDisplayStyle::timeOnly);
        QCOMPARE(published.size(), 3);
        QCOMPARE(published.first().first().toString(), SettingKeys::showSeconds.name);
        QCOMPARE(fileObject().value(SettingKeys::showSeconds.name), QJsonValue(false));

        // Code-point order, not a locale's: upper case before lower case, ASCII before the rest.
        for (const QString &id : {u"b"_s, u"é"_s, u"a"_s, u"Z"_s, u"B"_s})
            preferences.setCalendar(id, false);
        preferences.setCalendar(u"a"_s, true);
        const QJsonValue sorted(QJsonArray{u"B"_s, u"Z"_s, u"b"_s, u"é"_s});
        QCOMPARE(fileObject().value(SettingKeys::excludedCalendarIdentifiers.name), sorted);
        // Also a change to nothing is assigned and published.
        published.clear();
        preferences.setCalendar(u"never excluded"_s, true);
        QCOMPARE(published.size(), 1);
        QCOMPARE(fileObject().value(SettingKeys::excludedCalendarIdentifiers.name), sorted);
    }

    void appearanceFollowsTheDesktopOnlyInSystemMode()
    {
        desktopDark = true;
        PreferencesStore &preferences = makeStore({{SettingKeys::appearanceMode.name, u"dark"_s}});
        // Loading hands the mode to the theme; the desktop is read once, whatever the mode.
        QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);
        QCOMPARE(desktopReads, 1);
        QSignalSpy tokens(&preferences, &PreferencesStore::appearanceRefreshTokenChanged);
        preferences.refreshSystemAppearance(ColorScheme::light);
        QCOMPARE(tokens.size(), 0);
        QVERIFY(AppTheme::systemPrefersDarkAppearance());

        // Switching to the desktop's choice reads it again before the change is published.
        desktopDark = false;
        std::optional<bool> darkAtWrite;
        connect(&preferences, &PreferencesStore::valueChanged, this, [&] {
            if (AppTheme::appearanceMode() == AppAppearanceMode::system)
                darkAtWrite = AppTheme::systemPrefersDarkAppearance();
        });
        preferences.setValue(SettingKeys::appearanceMode, AppAppearanceMode::system);
        QCOMPARE(darkAtWrite, false);
        QCOMPARE(desktopReads, 2);

        // Only a flip between light and dark replaces the refresh token.
        tokens.clear();
        const QUuid token = preferences.appearanceRefreshToken();
        preferences.refreshSystemAppearance(ColorScheme::light);
        QCOMPARE(tokens.size(), 0);
        preferences.refreshSystemAppearance(ColorScheme::dark);
        preferences.refreshSystemAppearance(ColorScheme::dark);
        QCOMPARE(tokens.size(), 1);
        QVERIFY(preferences.appearanceRefreshToken() != token);
        preferences.setValue(SettingKeys::appearanceMode, AppAppearanceMode::light);
        QCOMPARE(desktopReads, 2);
    }

    void changeByAnotherProcessIsPublishedOnce()
    {
        PreferencesStore &preferences = makeStore({{SettingKeys::showSeconds.name, false}});
        QStringList published;
        connect(&preferences, &PreferencesStore::valueChanged, this,
                [&](const QString &key) { published.append(key); });
        QCOMPARE(preferences.value(SettingKeys::menuBarStyle), MenuBarDisplayStyle::dateAndTime);

        // The running application's preferences, writing the same file.
        SettingsStore other(path);
        other.setValue(SettingKeys::showSeconds, true);
        // The value already read, now stored: no change to publish.
        other.setValue(SettingKeys::menuBarStyle, MenuBarDisplayStyle::dateAndTime);
        other.setValue(SettingKeys::shortcut, sample.toJson());
        other.setValue(SettingKeys::appearanceMode, AppAppearanceMode::dark);
        settings->reload();
        published.sort();
        QCOMPARE(published,
                 (QStringList{SettingKeys::appearanceMode.name, SettingKeys::shortcut.name,
                              SettingKeys::showSeconds.name}));
        QCOMPARE(preferences.shortcut(), sample);
        QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);

        // A shortcut that no longer decodes is dropped here but left in the file for its writer.
        other.setValue(SettingKeys::shortcut, "garbage"_ba);
        other.remove(SettingKeys::showSeconds);
        settings->reload();
        QCOMPARE(preferences.shortcut(), std::nullopt);
        QCOMPARE(fileObject().value(SettingKeys::shortcut.name), dataMember("garbage"_ba));
        // Removed from the file: the default applies again.
        QCOMPARE(preferences.value(SettingKeys::showSeconds), false);
    }

    void observeCallsAtOnceAndEndsWithItsContext()
    {
        PreferencesStore &preferences = makeStore();
        QList<bool> seen;
        auto context = std::make_unique<QObject>();
        preferences.observe(SettingKeys::showSeconds, context.get(),
                            [&seen](bool value) { seen.append(value); });
        preferences.setValue(SettingKeys::showSeconds, true);
        preferences.setValue(SettingKeys::showSeconds, true);
        preferences.setValue(SettingKeys::showDate, true);
        context.reset();
        preferences.setValue(SettingKeys::showSeconds, false);
        QCOMPARE(seen, (QList<bool>{false, true, true}));
    }
};

QTEST_MAIN(TestPreferencesStore)
#include "tst_preferencesstore.moc"
