#pragma once

#include <QLatin1StringView>
#include <QObject>
#include <QString>
#include <QStringList>

// Starts the application at login through the desktop's autostart folder. The truth is the entry
// on disk, not the settings: it is read on creation, on refresh() and after every failed change.
class LaunchAtLoginService : public QObject
{
    Q_OBJECT
    /// The application starts at login (or will, once approved); a refused change springs back.
    Q_PROPERTY(bool isEnabled READ isEnabled NOTIFY isEnabledChanged)

public:
    // The login item states a desktop can report, numbered as the preferences expect them.
    enum class Status
    {
        notRegistered = 0,
        enabled = 1,
        requiresApproval = 2,
        notFound = 3,
    };
    Q_ENUM(Status)

    static constexpr QLatin1StringView entryFileName{"tessel-calendar.desktop"};

    /// For the running executable (QCoreApplication::applicationFilePath()).
    explicit LaunchAtLoginService(QObject *parent = nullptr);
    /// For the given executable, which the entry starts.
    explicit LaunchAtLoginService(const QString &executablePath, QObject *parent = nullptr);
    ~LaunchAtLoginService() override;

    [[nodiscard]] bool isEnabled() const { return m_isEnabled; }

    /// Reads the status again; publishes also an unchanged value.
    void refresh();
    /// Writes or removes the entry. Never fails outwards: on failure the state is read again.
    void setEnabled(bool enabled);

    /// The status as the autostart folders have it now.
    [[nodiscard]] Status status() const;
    [[nodiscard]] QString executablePath() const { return m_executablePath; }

    /// $XDG_CONFIG_HOME/autostart/tessel-calendar.desktop: the entry this service writes.
    [[nodiscard]] static QString userEntryPath();
    /// The entries of the same name in $XDG_CONFIG_DIRS, which the user's entry overrides.
    [[nodiscard]] static QStringList systemEntryPaths();
    /// The Exec value that starts `executable`, quoted and escaped for a desktop entry.
    [[nodiscard]] static QString execValue(const QString &executable);
    /// The complete entry that starts `executable`.
    [[nodiscard]] static QByteArray entryContent(const QString &executable);

Q_SIGNALS:
    void isEnabledChanged(bool isEnabled);

private:
    [[nodiscard]] bool registerEntry() const;
    [[nodiscard]] bool unregisterEntry() const;
    void assignEnabled(bool value);

    QString m_executablePath;
    bool m_isEnabled = false;
};
