#include "TestFiles.h"
#include "app/AppBootstrapper.h"
#include "preferences/PreferencesStore.h"
#include "shared/AppTheme.h"
#include "shared/Observable.h"
#include "shared/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Keys = PreferencesStore::Keys;

Q_DECLARE_METATYPE(std::optional<HotKeyShortcut>)

namespace {

constexpr quint32 commandOption = HotKeyShortcut::commandModifier | HotKeyShortcut::optionModifier;

HotKeyShortcut sampleShortcut()
{
    return {40, commandOption, u"⌥⌘K"_s};
}

QJsonValue dataMember(const QByteArray &data)
{
    return QJsonObject{{u"$data"_s, QString::fromLatin1(data.toBase64())}};
}

struct BoolKey
{
    const char *property;
    QLatin1StringView key;
    bool fallback;
};

// The boolean settings with the value they take when nothing usable is stored.
constexpr BoolKey boolKeys[] = {
    {"launchAtLogin", Keys::launchAtLogin, false},
    {"showWeekday", Keys::showWeekday, true},
    {"showDate", Keys::showDate, true},
    {"showAMPM", Keys::showAMPM, false},
    {"showSeconds", Keys::showSeconds, false},
    {"showLunarCalendar", Keys::showLunarCalendar, false},
    {"showFestivals", Keys::showFestivals, false},
    {"showEventDots", Keys::showEventDots, true},
    {"showPreferencesAndQuitMenu", Keys::showPreferencesAndQuitMenu, true},
    {"showWeekNumbers", Keys::showWeekNumbers, false},
    {"usePreviewData", Keys::usePreviewData, false},
};

} // namespace

class TestPreferencesStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loading_data();
    void loading();
    void valueOfAnotherKindTakesTheFallbackNotTheDefault();
    void textUnderABooleanKeyStaysInTheFile();
    void loadingWritesNothingButTheShortcut();
    void storedShortcut_data();
    void storedShortcut();
    void everySetterPublishesAndWrites_data();
    void everySetterPublishesAndWrites();
    void setCalendarWritesTheSortedSet();
    void refreshWhileFollowingTheDesktop();
    void switchingToSystemRereadsTheDesktopBeforeWriting();
    void loadingHandsTheModeToTheTheme();
    void changeByAnotherProcessIsPublishedOnce();
    void ownWritesDoNotComeBack();
    void observeCallsAtOnceAndEndsWithItsContext();

private:
    PreferencesStore &makeStore(const QJsonObject &file = {});
    [[nodiscard]] QJsonObject fileObject() const;

    std::unique_ptr<QTemporaryDir> dir;
    QString path;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<PreferencesStore> store;
    bool desktopDark = false;
    int desktopReads = 0;
};

void TestPreferencesStore::initTestCase()
{
    AppTheme::setSystemAppearanceSource([this] {
        ++desktopReads;
        return desktopDark;
    });
}

void TestPreferencesStore::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    path = dir->filePath(u"tessel-calendar/settings.json"_s);
    desktopDark = false;
    desktopReads = 0;
    AppTheme::setAppearanceMode(AppAppearanceMode::system);
    AppTheme::setSystemPrefersDarkAppearance(false);
}

void TestPreferencesStore::cleanup()
{
    store.reset();
    settings.reset();
    dir.reset();
}

PreferencesStore &TestPreferencesStore::makeStore(const QJsonObject &file)
{
    if (!file.isEmpty())
        writeFile(path, QJsonDocument(file).toJson());
    settings = std::make_unique<SettingsStore>(path);
    AppBootstrapper::configureAppearance(*settings);
    store = std::make_unique<PreferencesStore>(*settings);
    return *store;
}

QJsonObject TestPreferencesStore::fileObject() const
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

void TestPreferencesStore::loading_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    const QJsonValue absent(QJsonValue::Undefined);
    for (const BoolKey &entry : boolKeys) {
        QTest::addRow("%s absent", entry.property)
            << QString(entry.key) << absent << QByteArray(entry.property)
            << QVariant(entry.fallback);
    }
    // Every boolean key is read the same way; one of each default stands for them all.
    for (const BoolKey &entry : {boolKeys[0], boolKeys[1]}) {
        const QString key = entry.key;
        const QByteArray name = entry.property;
        const auto row = [&](const char *what) -> QTestData & {
            return QTest::addRow("%s %s", entry.property, what) << key;
        };
        row("true") << QJsonValue(true) << name << QVariant(true);
        row("false") << QJsonValue(false) << name << QVariant(false);
        row("text opposite") << QJsonValue(entry.fallback ? u"false"_s : u"true"_s) << name
                             << QVariant(entry.fallback);
        row("number 1") << QJsonValue(1) << name << QVariant(entry.fallback);
        row("null") << QJsonValue(QJsonValue::Null) << name << QVariant(entry.fallback);
    }

    const auto mode = [](AppAppearanceMode value) {
        return QVariant::fromValue(value);
    };
    const QString modeKey = Keys::appearanceMode;
    QTest::newRow("appearanceMode absent")
        << modeKey << absent << "appearanceMode"_ba << mode(AppAppearanceMode::system);
    QTest::newRow("appearanceMode dark")
        << modeKey << QJsonValue(u"dark"_s) << "appearanceMode"_ba << mode(AppAppearanceMode::dark);
    QTest::newRow("appearanceMode Dark") << modeKey << QJsonValue(u"Dark"_s) << "appearanceMode"_ba
                                         << mode(AppAppearanceMode::system);
    QTest::newRow("appearanceMode boolean")
        << modeKey << QJsonValue(true) << "appearanceMode"_ba << mode(AppAppearanceMode::system);

    const auto style = [](MenuBarDisplayStyle value) {
        return QVariant::fromValue(value);
    };
    const QString styleKey = Keys::menuBarStyle;
    QTest::newRow("menuBarStyle absent")
        << styleKey << absent << "menuBarStyle"_ba << style(MenuBarDisplayStyle::dateAndTime);
    QTest::newRow("menuBarStyle dateOnly")
        << styleKey << QJsonValue(u"dateOnly"_s) << "menuBarStyle"_ba
        << style(MenuBarDisplayStyle::dateOnly);
    QTest::newRow("menuBarStyle DateOnly")
        << styleKey << QJsonValue(u"DateOnly"_s) << "menuBarStyle"_ba
        << style(MenuBarDisplayStyle::dateAndTime);
    QTest::newRow("menuBarStyle with a space")
        << styleKey << QJsonValue(u"timeOnly "_s) << "menuBarStyle"_ba
        << style(MenuBarDisplayStyle::dateAndTime);

    const auto format = [](MenuBarTimeFormat value) {
        return QVariant::fromValue(value);
    };
    const QString formatKey = Keys::timeFormat;
    QTest::newRow("timeFormat absent")
        << formatKey << absent << "timeFormat"_ba << format(MenuBarTimeFormat::twentyFourHour);
    QTest::newRow("timeFormat twelveHour")
        << formatKey << QJsonValue(u"twelveHour"_s) << "timeFormat"_ba
        << format(MenuBarTimeFormat::twelveHour);
    QTest::newRow("timeFormat TwelveHour")
        << formatKey << QJsonValue(u"TwelveHour"_s) << "timeFormat"_ba
        << format(MenuBarTimeFormat::twentyFourHour);

    const auto ids = [](const QStringList &list) {
        return QVariant::fromValue(QSet<QString>(list.cbegin(), list.cend()));
    };
    const QString excludedKey = Keys::excludedCalendarIdentifiers;
    const QByteArray excluded = "excludedCalendarIdentifiers";
    QTest::newRow("excluded absent") << excludedKey << absent << excluded << ids({});
    QTest::newRow("excluded two") << excludedKey << QJsonValue(QJsonArray{u"b"_s, u"a"_s})
                                  << excluded << ids({u"a"_s, u"b"_s});
    QTest::newRow("excluded repeated")
        << excludedKey << QJsonValue(QJsonArray{u"a"_s, u"a"_s}) << excluded << ids({u"a"_s});
    QTest::newRow("excluded with a number")
        << excludedKey << QJsonValue(QJsonArray{u"a"_s, 1}) << excluded << ids({});
}

void TestPreferencesStore::loading()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, stored);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    QJsonObject file{{u"unrelated"_s, true}};
    if (!stored.isUndefined())
        file.insert(key, stored);
    const PreferencesStore &loaded = makeStore(file);
    QCOMPARE(loaded.property(property.constData()), expected);
}

void TestPreferencesStore::valueOfAnotherKindTakesTheFallbackNotTheDefault()
{
    QJsonObject file;
    for (const BoolKey &entry : boolKeys)
        file.insert(entry.key, u"1"_s);
    file.insert(Keys::timeFormat, 12);
    QVERIFY(writeFile(path, QJsonDocument(file).toJson()));

    // Defaults unlike the fallbacks show which of the two a wrongly kept value gives.
    SettingsStore defaults(path);
    QVariantMap inverted;
    for (const BoolKey &entry : boolKeys)
        inverted.insert(entry.key, !entry.fallback);
    inverted.insert(Keys::timeFormat, u"twelveHour"_s);
    defaults.registerDefaults(inverted);
    const PreferencesStore loaded(defaults);

    for (const BoolKey &entry : boolKeys)
        QCOMPARE(loaded.property(entry.property).toBool(), entry.fallback);
    QCOMPARE(loaded.timeFormat(), MenuBarTimeFormat::twentyFourHour);
}

void TestPreferencesStore::textUnderABooleanKeyStaysInTheFile()
{
    const PreferencesStore &loaded = makeStore({{Keys::showSeconds, u"1"_s}});
    QCOMPARE(loaded.showSeconds(), false);
    store->setShowDate(false);
    QCOMPARE(fileObject().value(Keys::showSeconds), QJsonValue(u"1"_s));
}

void TestPreferencesStore::loadingWritesNothingButTheShortcut()
{
    makeStore();
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFileInfo::exists(QFileInfo(path).absolutePath()));
}

void TestPreferencesStore::storedShortcut_data()
{
    QTest::addColumn<QJsonValue>("stored");
    QTest::addColumn<std::optional<HotKeyShortcut>>("expected");

    const std::optional<HotKeyShortcut> none;
    QTest::newRow("not JSON") << dataMember("{keyCode: 40"_ba) << none;
    QTest::newRow("text instead of data")
        << QJsonValue(QString::fromUtf8(sampleShortcut().toJson())) << none;

    const QByteArray reordered =
        R"({ "displayText" : "⌥⌘K", "carbonModifiers" : 2304, "keyCode" : 40, "extra": 1 })"_ba;
    QTest::newRow("members in another order")
        << dataMember(reordered) << std::optional(sampleShortcut());
}

void TestPreferencesStore::storedShortcut()
{
    QFETCH(QJsonValue, stored);
    QFETCH(std::optional<HotKeyShortcut>, expected);

    const PreferencesStore &loaded = makeStore({{Keys::hotKey, stored}, {u"other"_s, 1}});
    QCOMPARE(loaded.hotKey(), expected);
    const QJsonObject file = fileObject();
    if (expected) {
        QCOMPARE(file.value(Keys::hotKey), dataMember(expected->toJson()));
        QCOMPARE(settings->dataValue(Keys::hotKey), expected->toJson());
    } else {
        QVERIFY(!file.contains(Keys::hotKey));
    }
    QCOMPARE(file.value("other"_L1), QJsonValue(1));
}

void TestPreferencesStore::everySetterPublishesAndWrites_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("written");

    // Each value is the one the property already holds after loading an empty file.
    for (const BoolKey &entry : boolKeys) {
        QTest::newRow(entry.property) << QByteArray(entry.property) << QVariant(entry.fallback)
                                      << QString(entry.key) << QJsonValue(entry.fallback);
    }
    QTest::newRow("appearanceMode")
        << "appearanceMode"_ba << QVariant::fromValue(AppAppearanceMode::system)
        << QString(Keys::appearanceMode) << QJsonValue(u"system"_s);
    QTest::newRow("menuBarStyle") << "menuBarStyle"_ba
                                  << QVariant::fromValue(MenuBarDisplayStyle::dateAndTime)
                                  << QString(Keys::menuBarStyle) << QJsonValue(u"dateAndTime"_s);
    QTest::newRow("timeFormat") << "timeFormat"_ba
                                << QVariant::fromValue(MenuBarTimeFormat::twentyFourHour)
                                << QString(Keys::timeFormat) << QJsonValue(u"twentyFourHour"_s);
    QTest::newRow("excludedCalendarIdentifiers")
        << "excludedCalendarIdentifiers"_ba << QVariant::fromValue(QSet<QString>())
        << QString(Keys::excludedCalendarIdentifiers) << QJsonValue(QJsonArray());
    QTest::newRow("hotKey") << "hotKey"_ba << QVariant::fromValue(std::optional<HotKeyShortcut>())
                            << QString(Keys::hotKey) << QJsonValue(QJsonValue::Undefined);
}

void TestPreferencesStore::everySetterPublishesAndWrites()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    QFETCH(QString, key);
    QFETCH(QJsonValue, written);

    PreferencesStore &preferences = makeStore();
    const QMetaObject *meta = preferences.metaObject();
    const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property));
    QVERIFY(metaProperty.isValid());
    QVERIFY(metaProperty.hasNotifySignal());
    QCOMPARE(preferences.property(property.constData()), value);

    QSignalSpy notify(&preferences, metaProperty.notifySignal());
    QSignalSpy changed(&preferences, &PreferencesStore::changed);
    QVERIFY(metaProperty.write(&preferences, value));
    QVERIFY(metaProperty.write(&preferences, value));

    QCOMPARE(notify.size(), 2);
    QCOMPARE(notify.at(0).at(0), value);
    QCOMPARE(changed.size(), 2);
    const QJsonObject file = fileObject();
    if (written.isUndefined())
        QVERIFY(!file.contains(key));
    else
        QCOMPARE(file.value(key), written);
}

void TestPreferencesStore::setCalendarWritesTheSortedSet()
{
    PreferencesStore &preferences = makeStore();
    QSignalSpy spy(&preferences, &PreferencesStore::excludedCalendarIdentifiersChanged);
    const auto written = [this] {
        return fileObject().value(Keys::excludedCalendarIdentifiers);
    };

    preferences.setCalendar(u"A"_s, false);
    preferences.setCalendar(u"B"_s, false);
    QCOMPARE(written(), (QJsonValue(QJsonArray{u"A"_s, u"B"_s})));
    QVERIFY(!preferences.isCalendarEnabled(u"A"_s));

    preferences.setCalendar(u"A"_s, true);
    QCOMPARE(written(), (QJsonValue(QJsonArray{u"B"_s})));
    QVERIFY(preferences.isCalendarEnabled(u"A"_s));

    // Code-point order, not a locale's: upper case before lower case, ASCII before the rest.
    for (const QString &id : {u"b"_s, u"é"_s, u"a"_s, u"Z"_s})
        preferences.setCalendar(id, false);
    const QJsonValue sorted(QJsonArray{u"B"_s, u"Z"_s, u"a"_s, u"b"_s, u"é"_s});
    QCOMPARE(written(), sorted);

    spy.clear();
    preferences.setCalendar(u"never excluded"_s, true);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(written(), sorted);
    preferences.setCalendar(u"Z"_s, false);
    QCOMPARE(spy.size(), 2);
    QCOMPARE(written(), sorted);
}

void TestPreferencesStore::refreshWhileFollowingTheDesktop()
{
    PreferencesStore &preferences = makeStore();
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), false);
    const QUuid token = preferences.appearanceRefreshToken();
    QSignalSpy spy(&preferences, &PreferencesStore::appearanceRefreshTokenChanged);

    preferences.refreshSystemAppearance(ColorScheme::light);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(preferences.appearanceRefreshToken(), token);

    preferences.refreshSystemAppearance(ColorScheme::dark);
    QCOMPARE(spy.size(), 1);
    QVERIFY(AppTheme::systemPrefersDarkAppearance());
    const QUuid darkToken = preferences.appearanceRefreshToken();
    QVERIFY(darkToken != token);
    QCOMPARE(spy.at(0).at(0).value<QUuid>(), darkToken);

    preferences.refreshSystemAppearance(ColorScheme::dark);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(preferences.appearanceRefreshToken(), darkToken);

    // A fixed mode ignores the desktop.
    preferences.setAppearanceMode(AppAppearanceMode::dark);
    spy.clear();
    preferences.refreshSystemAppearance(ColorScheme::light);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(preferences.appearanceRefreshToken(), darkToken);
    QVERIFY(AppTheme::systemPrefersDarkAppearance());
}

void TestPreferencesStore::switchingToSystemRereadsTheDesktopBeforeWriting()
{
    PreferencesStore &preferences = makeStore({{Keys::appearanceMode, u"dark"_s}});
    QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);
    QCOMPARE(AppTheme::systemPrefersDarkAppearance(), false);

    desktopDark = true;
    std::optional<AppAppearanceMode> themeModeAtWrite;
    std::optional<bool> desktopDarkAtWrite;
    connect(settings.get(), &SettingsStore::valueChanged, this, [&](const QString &key) {
        if (key != Keys::appearanceMode)
            return;
        themeModeAtWrite = AppTheme::appearanceMode();
        desktopDarkAtWrite = AppTheme::systemPrefersDarkAppearance();
    });

    const int readsBefore = desktopReads;
    preferences.setAppearanceMode(AppAppearanceMode::system);
    QCOMPARE(desktopReads, readsBefore + 1);
    QCOMPARE(themeModeAtWrite, AppAppearanceMode::system);
    QCOMPARE(desktopDarkAtWrite, true);
    QCOMPARE(fileObject().value(Keys::appearanceMode), QJsonValue(u"system"_s));

    // Another fixed mode does not ask the desktop.
    preferences.setAppearanceMode(AppAppearanceMode::light);
    QCOMPARE(desktopReads, readsBefore + 1);
    QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::light);
}

void TestPreferencesStore::loadingHandsTheModeToTheTheme()
{
    desktopDark = true;
    AppTheme::setAppearanceMode(AppAppearanceMode::dark);
    makeStore({{Keys::appearanceMode, u"light"_s}});
    QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::light);
    // The desktop's choice is read once more at start, whatever the mode.
    QCOMPARE(desktopReads, 1);
    QVERIFY(AppTheme::systemPrefersDarkAppearance());
}

void TestPreferencesStore::changeByAnotherProcessIsPublishedOnce()
{
    PreferencesStore &preferences = makeStore({{Keys::showSeconds, false}});
    QSignalSpy seconds(&preferences, &PreferencesStore::showSecondsChanged);
    QSignalSpy style(&preferences, &PreferencesStore::menuBarStyleChanged);
    QSignalSpy shortcut(&preferences, &PreferencesStore::hotKeyChanged);
    QSignalSpy mode(&preferences, &PreferencesStore::appearanceModeChanged);

    // The running application's preferences, writing the same file.
    SettingsStore other(path);
    other.setBool(Keys::showSeconds, true);
    other.setString(Keys::menuBarStyle, u"dateAndTime"_s); // the value already held
    other.setData(Keys::hotKey, sampleShortcut().toJson());
    other.setString(Keys::appearanceMode, u"dark"_s);
    settings->reload();

    QCOMPARE(seconds.size(), 1);
    QCOMPARE(seconds.at(0).at(0).toBool(), true);
    QCOMPARE(style.size(), 0);
    QCOMPARE(shortcut.size(), 1);
    QCOMPARE(preferences.hotKey(), sampleShortcut());
    QCOMPARE(mode.size(), 1);
    QCOMPARE(AppTheme::appearanceMode(), AppAppearanceMode::dark);

    // A shortcut that no longer decodes is dropped here but left in the file for its writer.
    other.setData(Keys::hotKey, "garbage"_ba);
    other.remove(Keys::showSeconds);
    settings->reload();
    QCOMPARE(shortcut.size(), 2);
    QCOMPARE(preferences.hotKey(), std::nullopt);
    QCOMPARE(fileObject().value(Keys::hotKey), dataMember("garbage"_ba));
    // Removed from the file: the registered default applies again.
    QCOMPARE(seconds.size(), 2);
    QCOMPARE(preferences.showSeconds(), false);
}

void TestPreferencesStore::ownWritesDoNotComeBack()
{
    PreferencesStore &preferences = makeStore();
    QSignalSpy changed(&preferences, &PreferencesStore::changed);
    preferences.setShowSeconds(true);
    preferences.setHotKey(sampleShortcut());
    preferences.setCalendar(u"x"_s, false);
    QCOMPARE(changed.size(), 3);

    // What the watcher does when it sees the writes: they must not be published again.
    settings->reload();
    QCOMPARE(changed.size(), 3);
}

void TestPreferencesStore::observeCallsAtOnceAndEndsWithItsContext()
{
    PreferencesStore &preferences = makeStore();
    QList<bool> seen;
    auto context = std::make_unique<QObject>();
    observe(&preferences, &PreferencesStore::showSecondsChanged, &PreferencesStore::showSeconds,
            context.get(), [&seen](bool value) { seen.append(value); });
    QCOMPARE(seen, QList<bool>{false});

    preferences.setShowSeconds(true);
    preferences.setShowSeconds(true);
    QCOMPARE(seen, (QList<bool>{false, true, true}));

    context.reset();
    preferences.setShowSeconds(false);
    QCOMPARE(seen.size(), 3);
}

QTEST_MAIN(TestPreferencesStore)
#include "tst_preferencesstore.moc"
