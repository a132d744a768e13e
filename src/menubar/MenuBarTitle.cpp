#include "MenuBarTitle.h"

#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/DateHelpers.h"
#include "shared/SystemClockMonitor.h"
#include "shared/SystemTimeZone.h"

using namespace Qt::StringLiterals;

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
    const auto onChange = [this] {
        rebuild();
    };
    for (const auto &key : {SettingKeys::showWeekday, SettingKeys::showDate, SettingKeys::showAMPM,
                            SettingKeys::showSeconds})
        preferences->observe(key, this, onChange);
    preferences->observe(SettingKeys::menuBarStyle, this, onChange);
    preferences->observe(SettingKeys::timeFormat, this, onChange);
}

MenuBarTitle::~MenuBarTitle() = default;

void MenuBarTitle::rebuild()
{
    // The zone may have changed under us (a new /etc/localtime, a trip); ICU would keep the old
    // one for the life of the process.
    SystemTimeZone::refresh();
    const QDateTime now = clock();
    timer.start(msToNextChange(now, preferences->value(SettingKeys::showSeconds)));
    const QString title =
        makeTitle(preferences->value(SettingKeys::menuBarStyle), now, *preferences);
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

qint64 MenuBarTitle::msToNextDay(const QDateTime &instant)
{
    // A wall-clock midnight that a clock change skips is no instant at all; the calendar gives
    // the first instant of the day instead.
    const CivilCalendar calendar;
    const auto today = calendar.components(instant);
    const auto next =
        today ? calendar.date(today->year, today->month, today->day + 1) : std::nullopt;
    return next ? instant.msecsTo(*next) : 0;
}

QDateTime MenuBarTitle::currentInstant()
{
    return QDateTime::currentDateTimeUtc();
}

QString MenuBarTitle::makeTitle(MenuBarDisplayStyle style, const QDateTime &instant,
                                const PreferencesStore &preferences)
{
    QString datePattern;
    if (preferences.value(SettingKeys::showDate))
        datePattern = preferences.value(SettingKeys::showWeekday) ? u"M月d日 EEE"_s : u"M月d日"_s;
    else if (preferences.value(SettingKeys::showWeekday))
        datePattern = u"EEE"_s;

    QString timePattern =
        preferences.value(SettingKeys::timeFormat) == MenuBarTimeFormat::twentyFourHour
            ? u"HH:mm"_s
            : (preferences.value(SettingKeys::showAMPM) ? u"a h:mm"_s : u"h:mm"_s);
    if (preferences.value(SettingKeys::showSeconds))
        timePattern += u":ss"_s;

    const QString datePart =
        datePattern.isEmpty() ? QString() : DateHelpers::formatDate(instant, "zh_CN", datePattern);
    const QString timePart = DateHelpers::formatDate(instant, "zh_CN", timePattern);

    switch (style) {
    case MenuBarDisplayStyle::dateOnly:
        return datePart;
    case MenuBarDisplayStyle::timeOnly:
        return timePart;
    case MenuBarDisplayStyle::dateAndTime:
        break;
    }
    return datePart.isEmpty() ? timePart : datePart + u' ' + timePart;
}
