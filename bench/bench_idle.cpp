// Wakeups of the main thread while the menu bar text is kept current and nothing else happens,
// with seconds off and on, and how late after each boundary the text turned.
// Usage: bench_idle [SECONDS per case, default 60]

#include "menubar/MenuBarTitle.h"
#include "preferences/PreferencesStore.h"
#include "shared/SettingsStore.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int settleMs = 1500;

// The main thread's voluntary context switches: each is a sleep that something ended.
qint64 voluntarySwitches()
{
    QFile status(u"/proc/%1/task/%1/status"_s.arg(getpid()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return -1;
}

void runCase(bool seconds, int durationS)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(u"settings.json"_s));
    PreferencesStore preferences(settings);
    preferences.setValue(SettingKeys::showSeconds, seconds);

    MenuBarTitle title(&preferences);
    const qint64 period = seconds ? 1000 : 60'000;
    qint64 latestMs = 0;
    int changes = 0;
    QObject::connect(&title, &MenuBarTitle::textChanged, &title, [&] {
        const qint64 late = QDateTime::currentMSecsSinceEpoch() % period;
        latestMs = std::max(latestMs, late);
        ++changes;
    });

    // Counted once start-up work (watchers, first publications) has settled; the wake that
    // ends the run is counted too.
    qint64 wakeups = 0;
    qint64 switchesBefore = 0;
    auto *dispatcher = QAbstractEventDispatcher::instance();
    QMetaObject::Connection counter;
    QTimer::singleShot(settleMs, dispatcher, [&] {
        counter = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, dispatcher,
                                   [&wakeups] { ++wakeups; });
        switchesBefore = voluntarySwitches();
        QTimer::singleShot(durationS * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    });
    QCoreApplication::exec();
    const qint64 switches = voluntarySwitches() - switchesBefore;
    QObject::disconnect(counter);

    const double perMinute = 60.0 / durationS;
    std::printf("seconds %-3s  wakeups/min %6.1f  voluntary switches/min %6.1f  "
                "text changes %d, at most %lld ms after the boundary\n",
                seconds ? "on" : "off", double(wakeups) * perMinute, double(switches) * perMinute,
                changes, latestMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int durationS = argc > 1 ? std::max(1, atoi(argv[1])) : 60;
    runCase(false, durationS);
    runCase(true, durationS);
    return 0;
}
