#pragma once

#include "shared/FirstWeekday.h"
#include "shared/MenuBarDisplayStyle.h"
#include "shared/MenuBarTimeFormat.h"
#include "shared/AppAppearanceMode.h"
#include "shortcut/Shortcut.h"

#include <QLatin1StringView>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <optional>
#include <span>

class SettingsStore;

// Every user setting as a property, loaded once from the settings file and written back the
// moment it is assigned. Every assignment is published, also of an equal value; a change another
// process makes to the file is published too, but only when it changes a value.
class PreferencesStore : public QObject
{
    Q_OBJECT
    /// Replaced whenever the desktop's light/dark choice flips, so views read every colour again.
    Q_PROPERTY(QUuid appearanceRefreshToken READ appearanceRefreshToken NOTIFY
                   appearanceRefreshTokenChanged)
    /// Mirrors the login item; written by the preferences after switching it.
    Q_PROPERTY(
        bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)
    /// Light, dark or following the desktop.
    Q_PROPERTY(AppAppearanceMode appearanceMode READ appearanceMode WRITE setAppearanceMode NOTIFY
                   appearanceModeChanged)
    /// What the menu bar text shows.
    Q_PROPERTY(MenuBarDisplayStyle menuBarStyle READ menuBarStyle WRITE setMenuBarStyle NOTIFY
                   menuBarStyleChanged)
    /// The weekday in the menu bar text.
    Q_PROPERTY(bool showWeekday READ showWeekday WRITE setShowWeekday NOTIFY showWeekdayChanged)
    /// The date in the menu bar text.
    Q_PROPERTY(bool showDate READ showDate WRITE setShowDate NOTIFY showDateChanged)
    /// 24-hour or 12-hour time in the menu bar text.
    Q_PROPERTY(
        MenuBarTimeFormat timeFormat READ timeFormat WRITE setTimeFormat NOTIFY timeFormatChanged)
    /// The AM/PM marker with 12-hour time.
    Q_PROPERTY(bool showAMPM READ showAMPM WRITE setShowAMPM NOTIFY showAMPMChanged)
    /// Seconds in the menu bar text.
    Q_PROPERTY(bool showSeconds READ showSeconds WRITE setShowSeconds NOTIFY showSecondsChanged)
    /// Lunar day names under the day numbers.
    Q_PROPERTY(bool showLunarCalendar READ showLunarCalendar WRITE setShowLunarCalendar NOTIFY
                   showLunarCalendarChanged)
    /// Festival and solar term names in the grid and the header, and official days off.
    Q_PROPERTY(
        bool showFestivals READ showFestivals WRITE setShowFestivals NOTIFY showFestivalsChanged)
    /// A dot on days with events.
    Q_PROPERTY(
        bool showEventDots READ showEventDots WRITE setShowEventDots NOTIFY showEventDotsChanged)
    /// The preferences and quit items in the item's menu.
    Q_PROPERTY(bool showPreferencesAndQuitMenu READ showPreferencesAndQuitMenu WRITE
                   setShowPreferencesAndQuitMenu NOTIFY showPreferencesAndQuitMenuChanged)
    /// A column of ISO week numbers left of the month grid.
    Q_PROPERTY(bool showWeekNumbers READ showWeekNumbers WRITE setShowWeekNumbers NOTIFY
                   showWeekNumbersChanged)
    /// The day the grid's weeks start on.
    Q_PROPERTY(FirstWeekday firstWeekday READ firstWeekday WRITE setFirstWeekday NOTIFY
                   firstWeekdayChanged)
    /// Calendars whose events are not shown.
    Q_PROPERTY(QSet<QString> excludedCalendarIdentifiers READ excludedCalendarIdentifiers WRITE
                   setExcludedCalendarIdentifiers NOTIFY excludedCalendarIdentifiersChanged)
    /// Sample calendars instead of the user's.
    Q_PROPERTY(bool usePreviewData READ usePreviewData WRITE setUsePreviewData NOTIFY
                   usePreviewDataChanged)
    /// The global shortcut that opens the panel; none when absent.
    Q_PROPERTY(
        std::optional<Shortcut> shortcut READ shortcut WRITE setShortcut NOTIFY shortcutChanged)

public:
    /// The keys in the settings file.
    struct Keys
    {
        static constexpr QLatin1StringView launchAtLogin{"preferences.launchAtLogin"};
        static constexpr QLatin1StringView appearanceMode{"preferences.appearanceMode"};
        static constexpr QLatin1StringView menuBarStyle{"preferences.menuBarStyle"};
        static constexpr QLatin1StringView showWeekday{"preferences.showWeekday"};
        static constexpr QLatin1StringView showDate{"preferences.showDate"};
        static constexpr QLatin1StringView timeFormat{"preferences.timeFormat"};
        static constexpr QLatin1StringView showAMPM{"preferences.showAMPM"};
        static constexpr QLatin1StringView showSeconds{"preferences.showSeconds"};
        static constexpr QLatin1StringView showLunarCalendar{"preferences.showLunarCalendar"};
        static constexpr QLatin1StringView showFestivals{"preferences.showFestivals"};
        static constexpr QLatin1StringView showEventDots{"preferences.showEventDots"};
        static constexpr QLatin1StringView showPreferencesAndQuitMenu{
            "preferences.showPreferencesAndQuitMenu"};
        static constexpr QLatin1StringView showWeekNumbers{"preferences.showWeekNumbers"};
        static constexpr QLatin1StringView firstWeekday{"preferences.firstWeekday"};
        static constexpr QLatin1StringView excludedCalendarIdentifiers{
            "preferences.excludedCalendarIdentifiers"};
        static constexpr QLatin1StringView usePreviewData{"preferences.usePreviewData"};
        static constexpr QLatin1StringView shortcut{"preferences.hotKey"};
    };

    /// Loads every setting from the store, which already has the defaults registered.
    explicit PreferencesStore(SettingsStore &defaults, QObject *parent = nullptr);
    ~PreferencesStore() override;

    /// The settings file the properties live in; keys other than these may be kept there too.
    [[nodiscard]] SettingsStore &defaults() const;

    [[nodiscard]] QUuid appearanceRefreshToken() const;
    [[nodiscard]] bool launchAtLogin() const;
    [[nodiscard]] AppAppearanceMode appearanceMode() const;
    [[nodiscard]] MenuBarDisplayStyle menuBarStyle() const;
    [[nodiscard]] bool showWeekday() const;
    [[nodiscard]] bool showDate() const;
    [[nodiscard]] MenuBarTimeFormat timeFormat() const;
    [[nodiscard]] bool showAMPM() const;
    [[nodiscard]] bool showSeconds() const;
    [[nodiscard]] bool showLunarCalendar() const;
    [[nodiscard]] bool showFestivals() const;
    [[nodiscard]] bool showEventDots() const;
    [[nodiscard]] bool showPreferencesAndQuitMenu() const;
    [[nodiscard]] bool showWeekNumbers() const;
    [[nodiscard]] FirstWeekday firstWeekday() const;
    [[nodiscard]] QSet<QString> excludedCalendarIdentifiers() const;
    [[nodiscard]] bool usePreviewData() const;
    [[nodiscard]] std::optional<Shortcut> shortcut() const;

    // Each setter publishes and then writes, also when the value is the one already held.
    void setLaunchAtLogin(bool value);
    void setAppearanceMode(AppAppearanceMode value);
    void setMenuBarStyle(MenuBarDisplayStyle value);
    void setShowWeekday(bool value);
    void setShowDate(bool value);
    void setTimeFormat(MenuBarTimeFormat value);
    void setShowAMPM(bool value);
    void setShowSeconds(bool value);
    void setShowLunarCalendar(bool value);
    void setShowFestivals(bool value);
    void setShowEventDots(bool value);
    void setShowPreferencesAndQuitMenu(bool value);
    void setShowWeekNumbers(bool value);
    void setFirstWeekday(FirstWeekday value);
    void setExcludedCalendarIdentifiers(const QSet<QString> &value);
    void setUsePreviewData(bool value);
    void setShortcut(const std::optional<Shortcut> &value);

    [[nodiscard]] bool isTwentyFourHour() const;
    [[nodiscard]] bool isCalendarEnabled(const QString &calendarIdentifier) const;
    /// Adds to or removes from the excluded calendars; assigns the set back in either case.
    void setCalendar(const QString &calendarIdentifier, bool enabled);

    /// Called by views when the appearance they are drawn in changes. Following the desktop, the
    /// theme takes it, and a flip between light and dark replaces the refresh token.
    void refreshSystemAppearance(ColorScheme effective);

Q_SIGNALS:
    void appearanceRefreshTokenChanged(const QUuid &appearanceRefreshToken);
    void launchAtLoginChanged(bool launchAtLogin);
    void appearanceModeChanged(AppAppearanceMode appearanceMode);
    void menuBarStyleChanged(MenuBarDisplayStyle menuBarStyle);
    void showWeekdayChanged(bool showWeekday);
    void showDateChanged(bool showDate);
    void timeFormatChanged(MenuBarTimeFormat timeFormat);
    void showAMPMChanged(bool showAMPM);
    void showSecondsChanged(bool showSeconds);
    void showLunarCalendarChanged(bool showLunarCalendar);
    void showFestivalsChanged(bool showFestivals);
    void showEventDotsChanged(bool showEventDots);
    void showPreferencesAndQuitMenuChanged(bool showPreferencesAndQuitMenu);
    void showWeekNumbersChanged(bool showWeekNumbers);
    void firstWeekdayChanged(FirstWeekday firstWeekday);
    void excludedCalendarIdentifiersChanged(const QSet<QString> &excludedCalendarIdentifiers);
    void usePreviewDataChanged(bool usePreviewData);
    void shortcutChanged(const std::optional<Shortcut> &shortcut);
    /// After any property was assigned, for views that redraw from the whole store.
    void changed();

private:
    struct BoolSetting
    {
        bool PreferencesStore::*field;
        QLatin1StringView key;
        // When something other than a boolean is stored: the setting's default.
        bool fallback;
        void (PreferencesStore::*changed)(bool);
    };
    [[nodiscard]] static std::span<const BoolSetting> boolSettings();
    [[nodiscard]] static const BoolSetting &boolSetting(bool PreferencesStore::*field);

    [[nodiscard]] bool loadBool(const BoolSetting &setting) const;
    [[nodiscard]] AppAppearanceMode loadAppearanceMode() const;
    [[nodiscard]] MenuBarDisplayStyle loadMenuBarStyle() const;
    [[nodiscard]] MenuBarTimeFormat loadTimeFormat() const;
    [[nodiscard]] FirstWeekday loadFirstWeekday() const;
    [[nodiscard]] QSet<QString> loadExcludedCalendarIdentifiers() const;
    [[nodiscard]] std::optional<Shortcut> loadShortcut() const;

    void assignBool(bool PreferencesStore::*field, bool value);
    template<typename Choice>
    void assignChoice(Choice PreferencesStore::*field,
                      void (PreferencesStore::*changedSignal)(Choice), QLatin1StringView key,
                      Choice value);
    void applyAppearanceMode();
    void saveShortcut();
    void followSettingsFile(const QString &key);

    SettingsStore &m_defaults;
    // The key this store is writing, whose change report is its own echo.
    QString m_writingKey;

    QUuid m_appearanceRefreshToken;
    bool m_launchAtLogin = false;
    AppAppearanceMode m_appearanceMode = AppAppearanceMode::system;
    MenuBarDisplayStyle m_menuBarStyle = MenuBarDisplayStyle::dateAndTime;
    bool m_showWeekday = true;
    bool m_showDate = true;
    MenuBarTimeFormat m_timeFormat = MenuBarTimeFormat::twentyFourHour;
    bool m_showAMPM = false;
    bool m_showSeconds = false;
    bool m_showLunarCalendar = false;
    bool m_showFestivals = false;
    bool m_showEventDots = true;
    bool m_showPreferencesAndQuitMenu = true;
    bool m_showWeekNumbers = false;
    FirstWeekday m_firstWeekday = FirstWeekday::monday;
    QSet<QString> m_excludedCalendarIdentifiers;
    bool m_usePreviewData = false;
    std::optional<Shortcut> m_shortcut;
};
