#include "TestFiles.h"
#include "app/AppBootstrapper.h"
#include "look/AppTheme.h"
#include "preferences/PreferencesStore.h"
#include "shared/Observable.h"
#include "shared/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Keys = PreferencesStore::Keys;

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
        AppBootstrapper::configureAppearance(*settings);
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

    void loading_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<QVariant>("expected");
        const auto row = [](const char *name, const QString &property, const QJsonValue &stored,
                            const QVariant &expected) {
            QTest::newRow(name) << property << stored << expected;
        };
        const auto ids = [](const QStringList &list) {
            return QVariant::fromValue(QSet<QString>(list.cbegin(), list.cend()));
        };
        row("boolean", u"showWeekday"_s, false, false);
        row("text under a boolean key", u"showWeekday"_s, u"false"_s, true);
        row("appearance in another case", u"appearanceMode"_s, u"Dark"_s,
            QVariant::fromValue(AppAppearanceMode::system));
        row("style with a space", u"menuBarStyle"_s, u"dateOnly "_s,
            QVariant::fromValue(MenuBarDisplayStyle::dateAndTime));
        row("time format", u"timeFormat"_s, u"twelveHour"_s,
            QVariant::fromValue(MenuBarTimeFormat::twelveHour));
        row("first weekday", u"firstWeekday"_s, u"sunday"_s,
            QVariant::fromValue(FirstWeekday::sunday));
        row("first weekday by name", u"firstWeekday"_s, u"Saturday"_s,
            QVariant::fromValue(FirstWeekday::monday));
        row("excluded with a number", u"excludedCalendarIdentifiers"_s, QJsonArray{u"a"_s, 1},
            ids({}));
    }

    void loading()
    {
        QFETCH(QString, property);
        QFETCH(QJsonValue, stored);
        QFETCH(QVariant, expected);
        const QString key = u"preferences."_s + property;
        const PreferencesStore &loaded = makeStore({{key, stored}});
        QCOMPARE(loaded.property(property.toLatin1().constData()), expected);
        // What the user's file holds stays as it is, also when it is not understood.
        store->setShowSeconds(true);
        QCOMPARE(fileObject().value(key), stored);
    }

    void storedShortcutIsReadOrDropped()
    {
        // Another member order is read, and written back in the program's own form.
        const QByteArray reordered =
            R"({"displayText": "⌥⌘K", "carbonModifiers": 2304, "keyCode": 40})"_ba;
        QCOMPARE(makeStore({{Keys::shortcut, dataMember(reordered)}}).shortcut(), sample);
        QCOMPARE(fileObject().value(Keys::shortcut), dataMember(sample.toJson()));
        // One that is not JSON is dropped; the rest of the file stays.
        QCOMPARE(
            makeStore({{Keys::shortcut, dataMember("{keyCode: 40")}, {u"other"_s, 1}}).shortcut(),
            std::nullopt);
        QCOMPARE(fileObject(), (QJsonObject{{u"other"_s, 1}}));
    }

    void settersPublishEveryAssignmentAndWrite()
    {
        PreferencesStore &preferences = makeStore();
        QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
        QSignalSpy seconds(&preferences, &PreferencesStore::showSecondsChanged);
        QSignalSpy excluded(&preferences, &PreferencesStore::excludedCalendarIdentifiersChanged);

        preferences.setShowSeconds(false);
        preferences.setShowSeconds(false);
        preferences.setMenuBarStyle(MenuBarDisplayStyle::timeOnly);
        preferences.setShortcut(sample);
        QCOMPARE(seconds.size(), 2);
        QCOMPARE(fileObject().value(Keys::showSeconds), QJsonValue(false));
        QCOMPARE(fileObject().value(Keys::menuBarStyle), QJsonValue(u"timeOnly"_s));
        QCOMPARE(fileObject().value(Keys::shortcut), dataMember(sample.toJson()));
        preferences.setShortcut(std::nullopt);
        QVERIFY(!fileObject().contains(Keys::shortcut));

        // Code-point order, not a locale's: upper case before lower case, ASCII before the rest.
        for (const QString &id : {u"b"_s, u"é"_s, u"a"_s, u"Z"_s, u"B"_s})
            preferences.setCalendar(id, false);
        preferences.setCalendar(u"a"_s, true);
        QVERIFY(preferences.isCalendarEnabled(u"a"_s));
        const QJsonValue sorted(QJsonArray{u"B"_s, u"Z"_s, u"b"_s, u"é"_s});
        QCOMPARE(fileObject().value(Keys::excludedCalendarIdentifiers), sorted);
        // Also a change to nothing is assigned and published.
        excluded.clear();
        preferences.setCalendar(u"never excluded"_s, true);
        QCOMPARE(excluded.size(), 1);
        QCOMPARE(fileObject().value(Keys::excludedCalendarIdentifiers), sorted);
    }

    void appearanceFollowsTheDesktopOnlyInSystemMode()
    {
        desktopDark = true;
        PreferencesStore &preferences = makeStore({{Keys::appearanceMode, u"dark"_s}});
        // Loading hands the mode to the theme; the desktop is read once, whatever the mode.
        QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);
        QCOMPARE(desktopReads, 1);
        QSignalSpy tokens(&preferences, &PreferencesStore::appearanceRefreshTokenChanged);
        preferences.refreshSystemAppearance(ColorScheme::light);
        QCOMPARE(tokens.size(), 0);
        QVERIFY(AppTheme::systemPrefersDarkAppearance());

        // Switching to the desktop's choice reads it again before the change is written.
        desktopDark = false;
        std::optional<bool> darkAtWrite;
        connect(settings.get(), &SettingsStore::valueChanged, this, [&] {
            if (AppTheme::appearanceMode() == AppAppearanceMode::system)
                darkAtWrite = AppTheme::systemPrefersDarkAppearance();
        });
        preferences.setAppearanceMode(AppAppearanceMode::system);
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
        preferences.setAppearanceMode(AppAppearanceMode::light);
        QCOMPARE(desktopReads, 2);
    }

    void changeByAnotherProcessIsPublishedOnce()
    {
        PreferencesStore &preferences = makeStore({{Keys::showSeconds, false}});
        QSignalSpy seconds(&preferences, &PreferencesStore::showSecondsChanged);
        QSignalSpy style(&preferences, &PreferencesStore::menuBarStyleChanged);
        QSignalSpy shortcut(&preferences, &PreferencesStore::shortcutChanged);

        // The running application's preferences, writing the same file.
        SettingsStore other(path);
        other.setBool(Keys::showSeconds, true);
        other.setString(Keys::menuBarStyle, u"dateAndTime"_s); // the value already held
        other.setData(Keys::shortcut, sample.toJson());
        other.setString(Keys::appearanceMode, u"dark"_s);
        settings->reload();
        QCOMPARE(seconds.size(), 1);
        QCOMPARE(style.size(), 0);
        QCOMPARE(preferences.shortcut(), sample);
        QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);

        // A shortcut that no longer decodes is dropped here but left in the file for its writer.
        other.setData(Keys::shortcut, "garbage"_ba);
        other.remove(Keys::showSeconds);
        settings->reload();
        QCOMPARE(shortcut.size(), 2);
        QCOMPARE(preferences.shortcut(), std::nullopt);
        QCOMPARE(fileObject().value(Keys::shortcut), dataMember("garbage"_ba));
        // Removed from the file: the registered default applies again.
        QCOMPARE(preferences.showSeconds(), false);
    }

    void observeCallsAtOnceAndEndsWithItsContext()
    {
        PreferencesStore &preferences = makeStore();
        QList<bool> seen;
        auto context = std::make_unique<QObject>();
        observe(&preferences, &PreferencesStore::showSecondsChanged, &PreferencesStore::showSeconds,
                context.get(), [&seen](bool value) { seen.append(value); });
        preferences.setShowSeconds(true);
        preferences.setShowSeconds(true);
        context.reset();
        preferences.setShowSeconds(false);
        QCOMPARE(seen, (QList<bool>{false, true, true}));
    }
};

QTEST_MAIN(TestPreferencesStore)
#include "tst_preferencesstore.moc"
