#include "MenuBarTitle.h"

#include "preferences/MenuBarDisplayStyle.h"
#include "preferences/PreferencesStore.h"
#include "shared/Observable.h"
#include "shared/SystemTimeZone.h"

MenuBarTitle::MenuBarTitle(PreferencesStore *preferences, Clock clock, QObject *parent)
    : QObject(parent)
    , preferences(preferences)
    , clock(std::move(clock))
{
    rebuild();

    timer.setInterval(1000);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &MenuBarTitle::rebuild);
    timer.start();

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
    const QString title = makeTitle(preferences->menuBarStyle(), clock(), *preferences);
    if (title == m_text)
        return;
    m_text = title;
    Q_EMIT textChanged(m_text);
}

QDateTime MenuBarTitle::currentInstant()
{
    return QDateTime::currentDateTimeUtc();
}
