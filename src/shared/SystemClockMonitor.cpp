#include "SystemClockMonitor.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <limits>

#include <sys/timerfd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

SystemClockMonitor::SystemClockMonitor(const QString &localtimePath, QObject *parent)
    : QObject(parent)
    , localtimePath(localtimePath)
    , localtimeTarget(QFileInfo(localtimePath).canonicalFilePath())
    , watcher(new QFileSystemWatcher(this))
{
    // A realtime timer set far ahead never expires; setting the clock cancels it, which makes
    // its descriptor readable.
    clockTimer = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (clockTimer >= 0) {
        clockNotifier = new QSocketNotifier(clockTimer, QSocketNotifier::Read, this);
        connect(clockNotifier, &QSocketNotifier::activated, this,
                &SystemClockMonitor::clockTimerFired);
        armClockTimer();
    }

    // The link is replaced by a rename into its folder, which a watch on the link's target
    // alone would never see.
    connect(watcher, &QFileSystemWatcher::fileChanged, this, [this] { localtimeChanged(true); });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { localtimeChanged(false); });
    watchLocaltime();

    QDBusConnection::systemBus().connect(
        u"org.freedesktop.timedate1"_s, u"/org/freedesktop/timedate1"_s,
        u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s, this,
        SLOT(timedatePropertiesChanged(QString, QVariantMap, QStringList)));
}

SystemClockMonitor::~SystemClockMonitor()
{
    if (clockTimer >= 0)
        ::close(clockTimer);
}

void SystemClockMonitor::armClockTimer()
{
    itimerspec far = {};
    far.it_value.tv_sec = std::numeric_limits<time_t>::max() / 2;
    timerfd_settime(clockTimer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr);
}

void SystemClockMonitor::clockTimerFired()
{
    std::uint64_t expirations = 0;
    // Fails with ECANCELED after the clock was set; the timer must be armed again either way.
    const bool cancelled =
        ::read(clockTimer, &expirations, sizeof expirations) < 0 && errno == ECANCELED;
    armClockTimer();
    if (cancelled)
        Q_EMIT changed();
}

void SystemClockMonitor::localtimeChanged(bool contentsChanged)
{
    const QString target = QFileInfo(localtimePath).canonicalFilePath();
    const bool replaced = target != localtimeTarget;
    localtimeTarget = target;
    watchLocaltime();
    // Other files of the folder come and go too; only a new target or new contents count.
    if (replaced || contentsChanged)
        Q_EMIT changed();
}

void SystemClockMonitor::watchLocaltime()
{
    const QString folder = QFileInfo(localtimePath).absolutePath();
    if (!watcher->directories().contains(folder))
        watcher->addPath(folder);
    if (QFileInfo::exists(localtimePath) && !watcher->files().contains(localtimePath))
        watcher->addPath(localtimePath);
}

void SystemClockMonitor::timedatePropertiesChanged(const QString &interfaceName,
                                                   const QVariantMap &changed,
                                                   const QStringList &invalidated)
{
    if (interfaceName == "org.freedesktop.timedate1"_L1
        && (changed.contains(u"Timezone"_s) || invalidated.contains(u"Timezone"_s)))
        Q_EMIT this->changed();
}
