#pragma once

#include "DesktopLauncher.h"

// The desktop as it is: executables on PATH, the session bus, xdg-mime, gtk-launch or gio.
class SystemDesktopLauncher final : public DesktopLauncher
{
public:
    SystemDesktopLauncher() = default;

    [[nodiscard]] bool isInstalled(const QString &program) const override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
    [[nodiscard]] bool isServiceRunning(const QString &service) const override;
    bool callDBus(const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments) override;
    [[nodiscard]] std::optional<QString> defaultApplication(const QString &mimeType) const override;
    bool launchDesktopEntry(const QString &desktopId) override;
    [[nodiscard]] QString environment(const char *name) const override;
};
