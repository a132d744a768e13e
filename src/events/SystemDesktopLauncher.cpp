#include "SystemDesktopLauncher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// Long enough for xdg-mime's shell script, short enough not to freeze a click.
constexpr int queryTimeoutMs = 2000;

} // namespace

bool SystemDesktopLauncher::isInstalled(const QString &program) const
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

bool SystemDesktopLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    const QString executable = QStandardPaths::findExecutable(program);
    if (executable.isEmpty() && !program.contains(u'/'))
        return false;
    return QProcess::startDetached(executable.isEmpty() ? program : executable, arguments);
}

bool SystemDesktopLauncher::isServiceRunning(const QString &service) const
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(service).value();
}

bool SystemDesktopLauncher::callDBus(const QString &service, const QString &path,
                                     const QString &interface, const QString &method,
                                     const QVariantList &arguments)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.send(message);
}

std::optional<QString> SystemDesktopLauncher::defaultApplication(const QString &mimeType) const
{
    if (!isInstalled(u"xdg-mime"_s))
        return std::nullopt;
    QProcess process;
    process.start(u"xdg-mime"_s, {u"query"_s, u"default"_s, mimeType});
    if (!process.waitForFinished(queryTimeoutMs) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(queryTimeoutMs);
        return std::nullopt;
    }
    const QString id = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (id.isEmpty() || !id.endsWith(u".desktop"_s))
        return std::nullopt;
    return id;
}

bool SystemDesktopLauncher::launchDesktopEntry(const QString &desktopId)
{
    if (isInstalled(u"gtk-launch"_s))
        return startDetached(u"gtk-launch"_s, {desktopId});
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    if (!file.isEmpty() && isInstalled(u"gio"_s))
        return startDetached(u"gio"_s, {u"launch"_s, file});
    return false;
}

QString SystemDesktopLauncher::environment(const char *name) const
{
    return qEnvironmentVariable(name);
}
