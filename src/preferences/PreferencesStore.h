#pragma once

#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"
#include "shortcut/Shortcut.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QUuid>

#include <concepts>
#include <functional>
#include <optional>
#include <type_traits>

// The settings as the user interface sees them: read and assigned by key (SettingKeys), every
// assignment published, also of an equal value; a change another process makes to the file is
// published too, but only when it changes the value read.
class PreferencesStore : public QObject
{
    Q_OBJECT
    /// Replaced whenever the desktop's light/dark choice flips, so views read every colour again.
    Q_PROPERTY(QUuid appearanceRefreshToken READ appearanceRefreshToken NOTIFY
                   appearanceRefreshTokenChanged)

public:
    explicit PreferencesStore(SettingsStore &settings, QObject *parent = nullptr);
    ~PreferencesStore() override;

    /// The settings file the values live in.
    [[nodiscard]] SettingsStore &settings() const { return m_settings; }

    template<SettingValue T> [[nodiscard]] T value(const SettingKey<T> &key) const
    {
        track(key);
        return m_settings.value(key);
    }

    /// Writes the value, then publishes it, also when it is the one already held.
    template<SettingValue T, typename V>
    requires std::same_as<std::remove_cvref_t<V>, T>
    void setValue(const SettingKey<T> &key, V &&value)
    {
        track(key);
        write(key.name, [&] { m_settings.setValue(key, std::forward<V>(value)); });
    }

    /// Calls fn (with the key's value, or with nothing) now and again at each publication of the
    /// key, until context is destroyed.
    template<SettingValue T, typename Fn>
    QMetaObject::Connection observe(const SettingKey<T> &key, const QObject *context, Fn fn)
    {
        auto call = [this, key, fn = std::move(fn)]() mutable {
            if constexpr (std::invocable<Fn &, T>)
                std::invoke(fn, value(key));
            else
                std::invoke(fn);
        };
        // Called before it moves into the connection, so that state it keeps carries over.
        call();
        return connect(this, &PreferencesStore::valueChanged, context,
                       [key, call = std::move(call)](const QString &changed) mutable {
                           if (changed == key.name)
                               call();
                       });
    }

    [[nodiscard]] QUuid appearanceRefreshToken() const { return m_appearanceRefreshToken; }

    /// The global shortcut that opens the panel; none while the file holds none or an unreadable
    /// one.
    [[nodiscard]] std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut> &value);

    [[nodiscard]] bool isCalendarEnabled(const QString &calendarIdentifier) const;
    /// Adds to or removes from the excluded calendars; assigns the list back in either case.
    void setCalendar(const QString &calendarIdentifier, bool enabled);

    /// Called by views when the appearance they are drawn in changes. Following the desktop, the
    /// theme takes it, and a flip between light and dark replaces the refresh token.
    void refreshSystemAppearance(ColorScheme effective);

Q_SIGNALS:
    void appearanceRefreshTokenChanged(const QUuid &appearanceRefreshToken);
    /// The value under the key was assigned, or changed in the file.
    void valueChanged(const QString &key);
    /// After any value was published, for views that redraw from the whole store.
    void changed();

private:
    // Remembers the key's value as read, so that a change in the file that leaves it the same
    // is not published.
    template<SettingValue T> void track(const SettingKey<T> &key) const
    {
        const QString name(key.name);
        if (m_readValues.contains(name))
            return;
        m_readValues.insert(name, [this, key, last = m_settings.value(key)]() mutable {
            T now = m_settings.value(key);
            if (now == last)
                return false;
            last = std::move(now);
            return true;
        });
    }
    void write(QLatin1StringView key, const std::function<void()> &store);
    void publish(const QString &key);
    void applyAppearanceMode();
    void followSettingsFile(const QString &key);

    SettingsStore &m_settings;
    // The key this store is writing, whose change report is its own echo.
    QString m_writingKey;
    // Per key read so far: takes the value the file now gives and tells whether it differs.
    mutable QHash<QString, std::function<bool()>> m_readValues;
    QUuid m_appearanceRefreshToken;
};
