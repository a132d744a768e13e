#include "PreferencesStore.h"

#include "look/AppTheme.h"

#include <QScopedValueRollback>
#include <QStringList>

#include <algorithm>

PreferencesStore::PreferencesStore(SettingsStore &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_appearanceRefreshToken(QUuid::createUuid())
{
    // Saved at once: a readable shortcut is written back in today's form, an unreadable one
    // leaves the file.
    setShortcut(shortcut());
    AppTheme::setAppearanceMode(value(SettingKeys::appearanceMode));
    AppTheme::refreshSystemAppearance();

    connect(&m_settings, &SettingsStore::valueChanged, this, &PreferencesStore::followSettingsFile);
}

PreferencesStore::~PreferencesStore() = default;

std::optional<Shortcut> PreferencesStore::shortcut() const
{
    const QByteArray json = value(SettingKeys::shortcut);
    if (json.isEmpty())
        return std::nullopt;
    return Shortcut::fromJson(json);
}

void PreferencesStore::setShortcut(const std::optional<Shortcut> &value)
{
    const QByteArray json = value ? value->toJson() : QByteArray();
    if (!json.isEmpty()) {
        setValue(SettingKeys::shortcut, json);
        return;
    }
    track(SettingKeys::shortcut);
    write(SettingKeys::shortcut.name, [this] { m_settings.remove(SettingKeys::shortcut); });
}

bool PreferencesStore::isCalendarEnabled(const QString &calendarIdentifier) const
{
    return !value(SettingKeys::excludedCalendarIdentifiers).contains(calendarIdentifier);
}

void PreferencesStore::setCalendar(const QString &calendarIdentifier, bool enabled)
{
    QStringList excluded = value(SettingKeys::excludedCalendarIdentifiers);
    excluded.removeAll(calendarIdentifier);
    if (!enabled)
        excluded.append(calendarIdentifier);
    // Plain code-point order, the same on every machine whatever its locale.
    std::sort(excluded.begin(), excluded.end());
    excluded.removeDuplicates();
    setValue(SettingKeys::excludedCalendarIdentifiers, excluded);
}

void PreferencesStore::refreshSystemAppearance(ColorScheme effective)
{
    if (value(SettingKeys::appearanceMode) != AppAppearanceMode::system)
        return;
    const bool wasDark = AppTheme::systemPrefersDarkAppearance();
    AppTheme::refreshSystemAppearance(effective);
    if (AppTheme::systemPrefersDarkAppearance() == wasDark)
        return;
    m_appearanceRefreshToken = QUuid::createUuid();
    Q_EMIT appearanceRefreshTokenChanged(m_appearanceRefreshToken);
    Q_EMIT changed();
}

void PreferencesStore::write(QLatin1StringView key, const std::function<void()> &store)
{
    const QString name(key);
    {
        const QScopedValueRollback writing(m_writingKey, name);
        store();
    }
    // Brings the remembered value up to date, so that the file reporting it back is no change.
    m_readValues.value(name)();
    publish(name);
}

void PreferencesStore::publish(const QString &key)
{
    // The theme first, so that whoever hears of the change draws in it.
    if (key == SettingKeys::appearanceMode.name)
        applyAppearanceMode();
    Q_EMIT valueChanged(key);
    Q_EMIT changed();
}

void PreferencesStore::applyAppearanceMode()
{
    const AppAppearanceMode mode = value(SettingKeys::appearanceMode);
    AppTheme::setAppearanceMode(mode);
    if (mode == AppAppearanceMode::system)
        AppTheme::refreshSystemAppearance();
}

void PreferencesStore::followSettingsFile(const QString &key)
{
    // Our own write reports back through the same signal; the value is published by write().
    if (key == m_writingKey)
        return;
    // A key not read through this store yet has no value to compare with.
    const std::function<bool()> differs = m_readValues.value(key);
    if (!differs || differs())
        publish(key);
}
