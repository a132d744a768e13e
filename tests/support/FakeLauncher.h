#pragma once

#include "events/DesktopLauncher.h"

#include <QHash>
#include <QList>

// A desktop with the programs, services and default application a test names; it records what
// it was asked to start ("launch" and the entry for a desktop entry opened plainly) or call.
class FakeLauncher final : public DesktopLauncher
{
public:
    QStringList installed;
    QStringList running;
    std::optional<QString> defaultApp;
    QHash<QByteArray, QString> env;
    QList<QStringList> started;
    QList<QVariantList> calls;

    bool isInstalled(const QString &program) const override { return installed.contains(program); }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append(QStringList{program} + arguments);
        return installed.contains(program) || program.startsWith(u'/');
    }
    bool isServiceRunning(const QString &service) const override
    {
        return running.contains(service);
    }
    bool callDBus(const QString &service, const QString &path, const QString &interface,
                  const QString &method, const QVariantList &arguments) override
    {
        calls.append(QVariantList{service, path, interface, method} + arguments);
        return true;
    }
    std::optional<QString> defaultApplication(const QString &) const override { return defaultApp; }
    bool launchDesktopEntry(const QString &desktopId) override
    {
        started.append({QStringLiteral("launch"), desktopId});
        return true;
    }
    QString environment(const char *name) const override { return env.value(name); }
};
