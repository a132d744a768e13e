#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// What opening other applications needs from the desktop. Programs start by argument vector,
// never through a shell.
class DesktopLauncher
{
public:
    virtual ~DesktopLauncher() = default;

    [[nodiscard]] virtual bool isInstalled(const QString &program) const = 0;
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    [[nodiscard]] virtual bool isServiceRunning(const QString &service) const = 0;
    /// Sends a method call on the session bus without waiting for its answer.
    virtual bool callDBus(const QString &service, const QString &path, const QString &interface,
                          const QString &method, const QVariantList &arguments) = 0;
    /// The desktop entry id of the default application for a MIME type.
    [[nodiscard]] virtual std::optional<QString>
    defaultApplication(const QString &mimeType) const = 0;
    virtual bool launchDesktopEntry(const QString &desktopId) = 0;
    [[nodiscard]] virtual QString environment(const char *name) const = 0;

protected:
    DesktopLauncher() = default;
};
