#include "PreferencesStore.h"

#include "PreferenceDefaults.h"
#include "look/AppTheme.h"
#include "shared/SettingsStore.h"

#include <QScopedValueRollback>
#include <QStringList>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

template<typename Choice>
Choice loadChoice(const SettingsStore &settings, QLatin1StringView key, Choice fallback)
{
    return fromRawValue<Choice>(settings.stringValue(key).value_or(QString())).value_or(fallback);
}

} // namespace

std::span<const PreferencesStore::BoolSetting> PreferencesStore::boolSettings()
{
    using P = PreferencesStore;
    // Each row takes its fallback from the defaults table.
    constexpr auto row =
        [](bool P::*field, QLatin1StringView key, void (P::*changed)(bool)) consteval
    {
        return BoolSetting{field, key, PreferenceDefaults::of<bool>(key), changed};
    };
    static constexpr std::array<BoolSetting, 11> settings{
        row(&P::m_launchAtLogin, Keys::launchAtLogin, &P::launchAtLoginChanged),
        row(&P::m_showWeekday, Keys::showWeekday, &P::showWeekdayChanged),
        row(&P::m_showDate, Keys::showDate, &P::showDateChanged),
        row(&P::m_showAMPM, Keys::showAMPM, &P::showAMPMChanged),
        row(&P::m_showSeconds, Keys::showSeconds, &P::showSecondsChanged),
        row(&P::m_showLunarCalendar, Keys::showLunarCalendar, &P::showLunarCalendarChanged),
        row(&P::m_showFestivals, Keys::showFestivals, &P::showFestivalsChanged),
        row(&P::m_showEventDots, Keys::showEventDots, &P::showEventDotsChanged),
        row(&P::m_showPreferencesAndQuitMenu, Keys::showPreferencesAndQuitMenu,
            &P::showPreferencesAndQuitMenuChanged),
        row(&P::m_showWeekNumbers, Keys::showWeekNumbers, &P::showWeekNumbersChanged),
        row(&P::m_usePreviewData, Keys::usePreviewData, &P::usePreviewDataChanged),
    };
    return settings;
}

const PreferencesStore::BoolSetting &PreferencesStore::boolSetting(bool PreferencesStore::*field)
{
    const auto settings = boolSettings();
    return *std::find_if(settings.begin(), settings.end(),
                         [field](const BoolSetting &setting) { return setting.field == field; });
}

PreferencesStore::PreferencesStore(SettingsStore &defaults, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_appearanceRefreshToken(QUuid::createUuid())
{
    m_launchAtLogin = loadBool(boolSetting(&PreferencesStore::m_launchAtLogin));
    m_appearanceMode = loadAppearanceMode();
    m_menuBarStyle = loadMenuBarStyle();
    m_showWeekday = loadBool(boolSetting(&PreferencesStore::m_showWeekday));
    m_showDate = loadBool(boolSetting(&PreferencesStore::m_showDate));
    m_timeFormat = loadTimeFormat();
    for (auto field :
         {&PreferencesStore::m_showAMPM, &PreferencesStore::m_showSeconds,
          &PreferencesStore::m_showLunarCalendar, &PreferencesStore::m_showFestivals,
          &PreferencesStore::m_showEventDots, &PreferencesStore::m_showPreferencesAndQuitMenu,
          &PreferencesStore::m_showWeekNumbers})
        this->*field = loadBool(boolSetting(field));
    m_firstWeekday = loadFirstWeekday();
    m_excludedCalendarIdentifiers = loadExcludedCalendarIdentifiers();
    m_usePreviewData = loadBool(boolSetting(&PreferencesStore::m_usePreviewData));
    // Saved at once: a readable shortcut is written back in today's form, an unreadable one
    // leaves the file.
    setShortcut(loadShortcut());
    AppTheme::setAppearanceMode(m_appearanceMode);
    AppTheme::refreshSystemAppearance();

    connect(&m_defaults, &SettingsStore::valueChanged, this, &PreferencesStore::followSettingsFile);
}

PreferencesStore::~PreferencesStore() = default;

SettingsStore &PreferencesStore::defaults() const
{
    return m_defaults;
}

QUuid PreferencesStore::appearanceRefreshToken() const
{
    return m_appearanceRefreshToken;
}

bool PreferencesStore::launchAtLogin() const
{
    return m_launchAtLogin;
}

AppAppearanceMode PreferencesStore::appearanceMode() const
{
    return m_appearanceMode;
}

MenuBarDisplayStyle PreferencesStore::menuBarStyle() const
{
    return m_menuBarStyle;
}

bool PreferencesStore::showWeekday() const
{
    return m_showWeekday;
}

bool PreferencesStore::showDate() const
{
    return m_showDate;
}

MenuBarTimeFormat PreferencesStore::timeFormat() const
{
    return m_timeFormat;
}

bool PreferencesStore::showAMPM() const
{
    return m_showAMPM;
}

bool PreferencesStore::showSeconds() const
{
    return m_showSeconds;
}

bool PreferencesStore::showLunarCalendar() const
{
    return m_showLunarCalendar;
}

bool PreferencesStore::showFestivals() const
{
    return m_showFestivals;
}

bool PreferencesStore::showEventDots() const
{
    return m_showEventDots;
}

bool PreferencesStore::showPreferencesAndQuitMenu() const
{
    return m_showPreferencesAndQuitMenu;
}

bool PreferencesStore::showWeekNumbers() const
{
    return m_showWeekNumbers;
}

FirstWeekday PreferencesStore::firstWeekday() const
{
    return m_firstWeekday;
}

QSet<QString> PreferencesStore::excludedCalendarIdentifiers() const
{
    return m_excludedCalendarIdentifiers;
}

bool PreferencesStore::usePreviewData() const
{
    return m_usePreviewData;
}

std::optional<Shortcut> PreferencesStore::shortcut() const
{
    return m_shortcut;
}

void PreferencesStore::setLaunchAtLogin(bool value)
{
    assignBool(&PreferencesStore::m_launchAtLogin, value);
}

void PreferencesStore::setAppearanceMode(AppAppearanceMode value)
{
    m_appearanceMode = value;
    Q_EMIT appearanceModeChanged(m_appearanceMode);
    Q_EMIT changed();
    applyAppearanceMode();
    const QScopedValueRollback writing(m_writingKey, QString(Keys::appearanceMode));
    m_defaults.setString(Keys::appearanceMode, rawValue(value));
}

void PreferencesStore::setMenuBarStyle(MenuBarDisplayStyle value)
{
    assignChoice(&PreferencesStore::m_menuBarStyle, &PreferencesStore::menuBarStyleChanged,
                 Keys::menuBarStyle, value);
}

void PreferencesStore::setShowWeekday(bool value)
{
    assignBool(&PreferencesStore::m_showWeekday, value);
}

void PreferencesStore::setShowDate(bool value)
{
    assignBool(&PreferencesStore::m_showDate, value);
}

void PreferencesStore::setTimeFormat(MenuBarTimeFormat value)
{
    assignChoice(&PreferencesStore::m_timeFormat, &PreferencesStore::timeFormatChanged,
                 Keys::timeFormat, value);
}

void PreferencesStore::setShowAMPM(bool value)
{
    assignBool(&PreferencesStore::m_showAMPM, value);
}

void PreferencesStore::setShowSeconds(bool value)
{
    assignBool(&PreferencesStore::m_showSeconds, value);
}

void PreferencesStore::setShowLunarCalendar(bool value)
{
    assignBool(&PreferencesStore::m_showLunarCalendar, value);
}

void PreferencesStore::setShowFestivals(bool value)
{
    assignBool(&PreferencesStore::m_showFestivals, value);
}

void PreferencesStore::setShowEventDots(bool value)
{
    assignBool(&PreferencesStore::m_showEventDots, value);
}

void PreferencesStore::setShowPreferencesAndQuitMenu(bool value)
{
    assignBool(&PreferencesStore::m_showPreferencesAndQuitMenu, value);
}

void PreferencesStore::setShowWeekNumbers(bool value)
{
    assignBool(&PreferencesStore::m_showWeekNumbers, value);
}

void PreferencesStore::setFirstWeekday(FirstWeekday value)
{
    assignChoice(&PreferencesStore::m_firstWeekday, &PreferencesStore::firstWeekdayChanged,
                 Keys::firstWeekday, value);
}

void PreferencesStore::setExcludedCalendarIdentifiers(const QSet<QString> &value)
{
    m_excludedCalendarIdentifiers = value;
    Q_EMIT excludedCalendarIdentifiersChanged(m_excludedCalendarIdentifiers);
    Q_EMIT changed();
    QStringList sorted(value.cbegin(), value.cend());
    // Plain code-point order, the same on every machine whatever its locale.
    std::sort(sorted.begin(), sorted.end());
    const QScopedValueRollback writing(m_writingKey, QString(Keys::excludedCalendarIdentifiers));
    m_defaults.setStringList(Keys::excludedCalendarIdentifiers, sorted);
}

void PreferencesStore::setUsePreviewData(bool value)
{
    assignBool(&PreferencesStore::m_usePreviewData, value);
}

void PreferencesStore::setShortcut(const std::optional<Shortcut> &value)
{
    m_shortcut = value;
    Q_EMIT shortcutChanged(m_shortcut);
    Q_EMIT changed();
    saveShortcut();
}

bool PreferencesStore::isTwentyFourHour() const
{
    return m_timeFormat == MenuBarTimeFormat::twentyFourHour;
}

bool PreferencesStore::isCalendarEnabled(const QString &calendarIdentifier) const
{
    return !m_excludedCalendarIdentifiers.contains(calendarIdentifier);
}

void PreferencesStore::setCalendar(const QString &calendarIdentifier, bool enabled)
{
    QSet<QString> excluded = m_excludedCalendarIdentifiers;
    if (enabled)
        excluded.remove(calendarIdentifier);
    else
        excluded.insert(calendarIdentifier);
    setExcludedCalendarIdentifiers(excluded);
}

void PreferencesStore::refreshSystemAppearance(ColorScheme effective)
{
    if (m_appearanceMode != AppAppearanceMode::system)
        return;
    const bool wasDark = AppTheme::systemPrefersDarkAppearance();
    AppTheme::refreshSystemAppearance(effective);
    if (AppTheme::systemPrefersDarkAppearance() == wasDark)
        return;
    m_appearanceRefreshToken = QUuid::createUuid();
    Q_EMIT appearanceRefreshTokenChanged(m_appearanceRefreshToken);
    Q_EMIT changed();
}

bool PreferencesStore::loadBool(const BoolSetting &setting) const
{
    return m_defaults.boolValue(setting.key).value_or(setting.fallback);
}

AppAppearanceMode PreferencesStore::loadAppearanceMode() const
{
    return loadChoice(m_defaults, Keys::appearanceMode,
                      PreferenceDefaults::of<AppAppearanceMode>(Keys::appearanceMode));
}

MenuBarDisplayStyle PreferencesStore::loadMenuBarStyle() const
{
    return loadChoice(m_defaults, Keys::menuBarStyle,
                      PreferenceDefaults::of<MenuBarDisplayStyle>(Keys::menuBarStyle));
}

MenuBarTimeFormat PreferencesStore::loadTimeFormat() const
{
    return loadChoice(m_defaults, Keys::timeFormat,
                      PreferenceDefaults::of<MenuBarTimeFormat>(Keys::timeFormat));
}

FirstWeekday PreferencesStore::loadFirstWeekday() const
{
    return loadChoice(m_defaults, Keys::firstWeekday,
                      PreferenceDefaults::of<FirstWeekday>(Keys::firstWeekday));
}

QSet<QString> PreferencesStore::loadExcludedCalendarIdentifiers() const
{
    const QStringList stored =
        m_defaults.stringListValue(Keys::excludedCalendarIdentifiers).value_or(QStringList());
    return QSet<QString>(stored.cbegin(), stored.cend());
}

std::optional<Shortcut> PreferencesStore::loadShortcut() const
{
    const std::optional<QByteArray> data = m_defaults.dataValue(Keys::shortcut);
    if (!data)
        return std::nullopt;
    return Shortcut::fromJson(*data);
}

void PreferencesStore::assignBool(bool PreferencesStore::*field, bool value)
{
    const BoolSetting &setting = boolSetting(field);
    this->*field = value;
    Q_EMIT(this->*setting.changed)(value);
    Q_EMIT changed();
    const QScopedValueRollback writing(m_writingKey, QString(setting.key));
    m_defaults.setBool(setting.key, value);
}

template<typename Choice>
void PreferencesStore::assignChoice(Choice PreferencesStore::*field,
                                    void (PreferencesStore::*changedSignal)(Choice),
                                    QLatin1StringView key, Choice value)
{
    this->*field = value;
    Q_EMIT(this->*changedSignal)(value);
    Q_EMIT changed();
    const QScopedValueRollback writing(m_writingKey, QString(key));
    m_defaults.setString(key, rawValue(value));
}

void PreferencesStore::applyAppearanceMode()
{
    AppTheme::setAppearanceMode(m_appearanceMode);
    if (m_appearanceMode == AppAppearanceMode::system)
        AppTheme::refreshSystemAppearance();
}

void PreferencesStore::saveShortcut()
{
    const QScopedValueRollback writing(m_writingKey, QString(Keys::shortcut));
    const QByteArray json = m_shortcut ? m_shortcut->toJson() : QByteArray();
    if (json.isEmpty())
        m_defaults.remove(Keys::shortcut);
    else
        m_defaults.setData(Keys::shortcut, json);
}

void PreferencesStore::followSettingsFile(const QString &key)
{
    // Our own write reports back through the same signal; the value is already published.
    if (key == m_writingKey)
        return;

    const auto follow = [this](auto &field, const auto &stored, auto signal) {
        if (field == stored)
            return false;
        field = stored;
        Q_EMIT(this->*signal)(field);
        Q_EMIT changed();
        return true;
    };

    for (const BoolSetting &setting : boolSettings()) {
        if (key == setting.key) {
            follow(this->*setting.field, loadBool(setting), setting.changed);
            return;
        }
    }
    if (key == Keys::appearanceMode) {
        if (follow(m_appearanceMode, loadAppearanceMode(),
                   &PreferencesStore::appearanceModeChanged))
            applyAppearanceMode();
    } else if (key == Keys::menuBarStyle) {
        follow(m_menuBarStyle, loadMenuBarStyle(), &PreferencesStore::menuBarStyleChanged);
    } else if (key == Keys::timeFormat) {
        follow(m_timeFormat, loadTimeFormat(), &PreferencesStore::timeFormatChanged);
    } else if (key == Keys::firstWeekday) {
        follow(m_firstWeekday, loadFirstWeekday(), &PreferencesStore::firstWeekdayChanged);
    } else if (key == Keys::excludedCalendarIdentifiers) {
        follow(m_excludedCalendarIdentifiers, loadExcludedCalendarIdentifiers(),
               &PreferencesStore::excludedCalendarIdentifiersChanged);
    } else if (key == Keys::shortcut) {
        follow(m_shortcut, loadShortcut(), &PreferencesStore::shortcutChanged);
    }
}
