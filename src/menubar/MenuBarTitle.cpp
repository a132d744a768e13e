#include "MenuBarTitle.h"

#include "preferences/MenuBarDisplayStyle.h"
#include "preferences/PreferencesStore.h"
#include "shared/Observable.h"
#include "shared/SystemClockMonitor.h"
#include "shared/SystemTimeZone.h"

MenuBarTitle::MenuBarTitle(PreferencesStore *preferences, Clock clock, QObject *parent)
    : QObject(parent)
    , preferences(preferences)
    , clock(std::move(clock))
    , m_clockMonitor(new SystemClockMonitor(QStringLiteral("/etc/localtime"), this))
{
    // One wake when the text can change, not a tick: an idle program should sleep.
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &MenuBarTitle::rebuild);
    connect(m_clockMonitor, &SystemClockMonitor::changed, this, &MenuBarTitle::rebuild);
    rebuild();

    const auto onChange = [this](const auto &) {
        rebuild();
    };
    observe(preferences, &PreferencesStore::menuBarStyleChanged, &PreferencesStore::menuBarStyle,
            this, onChange);
    observe(preferences, &PreferencesStore::showWeekdayChanged, &PreferencesStore::showWeekday,
            this, onChange);
    observe(preferences, &PreferencesStore::showDateChanged, &PreferencesStore::showDate, this,
            onChange);
    observe(preferences, &PreferencesStore::timeFormatChanged, &PreferencesStore::timeFormat, this,
            onChange);
    observe(preferences, &PreferencesStore::showAMPMChanged, &PreferencesStore::showAMPM, this,
            onChange);
    observe(preferences, &PreferencesStore::showSecondsChanged, &PreferencesStore::showSeconds,
            this, onChange);
}

MenuBarTitle::~MenuBarTitle() = default;

void MenuBarTitle::rebuild()
{
    // The zone may have changed under us (a new /etc/localtime, a trip); ICU would keep the old
    // one for the life of the process.
    SystemTimeZone::refresh();
    const QDateTime now = clock();
    timer.start(msToNextChange(now, preferences->showSeconds()));
    const QString title = makeTitle(preferences->menuBarStyle(), now, *preferences);
    if (title == m_text)
        return;
    m_text = title;
    Q_EMIT textChanged(m_text);
}

int MenuBarTitle::msToNextChange(const QDateTime &instant, bool showsSeconds)
{
    // Every zone in use today is a whole number of minutes off UTC, so local seconds and
    // minutes turn with UTC's.
    const qint64 period = showsSeconds ? 1000 : 60'000;
    const qint64 ms = instant.toMSecsSinceEpoch();
    return int(period - ((ms % period) + period) % period);
}

QDateTime MenuBarTitle::currentInstant()
{
    return QDateTime::currentDateTimeUtc();
}
