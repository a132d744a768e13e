#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QFileSystemWatcher;
class QSocketNotifier;

// Tells when the wall clock or the zone changes under a running program, without polling: the
// clock being set (an NTP step, a resume from suspend), the zone link being replaced, or
// systemd-timedated announcing a new zone.
class SystemClockMonitor : public QObject
{
    Q_OBJECT
public:
    /// localtimePath is the zone link to watch; tests give a link of their own.
    explicit SystemClockMonitor(const QString &localtimePath = QStringLiteral("/etc/localtime"),
                                QObject *parent = nullptr);
    ~SystemClockMonitor() override;

Q_SIGNALS:
    /// The wall clock was set or the zone may have changed.
    void changed();

private Q_SLOTS:
    void timedatePropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                   const QStringList &invalidated);

private:
    void armClockTimer();
    void clockTimerFired();
    void localtimeChanged(bool contentsChanged);
    void watchLocaltime();

    QString localtimePath;
    // What the zone link pointed to when last looked at.
    QString localtimeTarget;
    int clockTimer = -1;
    QSocketNotifier *clockNotifier = nullptr;
    QFileSystemWatcher *watcher = nullptr;
};
