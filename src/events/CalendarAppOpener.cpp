#include "CalendarAppOpener.h"

#include "DesktopLauncher.h"
#include "shared/CHandle.h"
#include "shared/DateHelpers.h"
#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QDate>

#include <array>
#include <ctime>
#include <memory>
#include <type_traits>

#include <locale.h>

using namespace Qt::StringLiterals;

namespace {

const QString calendarMimeType = u"text/calendar"_s;

struct KnownApplication
{
    QString desktopId;
    bool (CalendarAppOpener::*open)(const QDateTime &);
};

// The day as strftime's %x writes it in the named locale, which is how GNOME Calendar reads its
// --date. A locale that is not installed leaves the launched program in the C locale, so its
// form is used then.
QString localeDateText(const QDate &date, const QString &localeName)
{
    CHandle<std::remove_pointer_t<locale_t>, freelocale> locale(
        newlocale(LC_TIME_MASK, localeName.toLocal8Bit().constData(), locale_t(nullptr)));
    if (!locale)
        locale.reset(newlocale(LC_TIME_MASK, "C", locale_t(nullptr)));
    if (!locale)
        return date.toString(u"MM/dd/yy"_s);
    std::tm time{};
    time.tm_year = date.year() - 1900;
    time.tm_mon = date.month() - 1;
    time.tm_mday = date.day();
    time.tm_wday = date.dayOfWeek() % 7;
    time.tm_yday = date.dayOfYear() - 1;
    std::array<char, 128> buffer{};
    const size_t length = strftime_l(buffer.data(), buffer.size(), "%x", &time, locale.get());
    return QString::fromUtf8(buffer.data(), qsizetype(length));
}

} // namespace

CalendarAppOpener::CalendarAppOpener(DesktopLauncher &launcher, const SettingsStore *settings)
    : launcher(launcher)
    , settings(settings)
{
}

QString CalendarAppOpener::whenText(const QDateTime &day)
{
    return DateHelpers::formatDate(day, "en_US_POSIX", u"EEEE, MMMM d, yyyy 'at' h:mm:ss a"_s);
}

std::optional<QStringList> CalendarAppOpener::configuredCommand(const QDateTime &day) const
{
    if (!settings)
        return std::nullopt;
    const QStringList command = settings->value(SettingKeys::openDayCommand);
    if (command.isEmpty() || command.first().trimmed().isEmpty())
        return std::nullopt;
    const QString date = SystemTimeZone::civilDate(day).toString(u"yyyy-MM-dd"_s);
    const QString when = whenText(day);
    QStringList arguments;
    for (QString argument : command)
        arguments.append(argument.replace(u"{date}"_s, date).replace(u"{when}"_s, when));
    return arguments;
}

bool CalendarAppOpener::open(const CalendarDayEvent &item)
{
    if (item.kind == CalendarDayEventKind::reminder)
        return openToDo();
    return openDay(item.displayDate);
}

bool CalendarAppOpener::openDay(const QDateTime &day)
{
    if (const auto command = configuredCommand(day)) {
        if (launcher.startDetached(command->first(), command->mid(1)))
            return true;
    }

    std::array<KnownApplication, 3> known{{
        {u"org.gnome.Evolution.desktop"_s, &CalendarAppOpener::tryEvolution},
        {u"org.kde.korganizer.desktop"_s, &CalendarAppOpener::tryKOrganizer},
        {u"org.gnome.Calendar.desktop"_s, &CalendarAppOpener::tryGnomeCalendar},
    }};
    // The user's own choice of calendar application goes first among those we can steer.
    const auto defaultId = launcher.defaultApplication(calendarMimeType);
    if (defaultId) {
        std::stable_partition(known.begin(), known.end(), [&](const KnownApplication &app) {
            return app.desktopId.compare(*defaultId, Qt::CaseInsensitive) == 0;
        });
    }
    for (const KnownApplication &app : known) {
        if ((this->*app.open)(day))
            return true;
    }
    if (defaultId)
        return launcher.launchDesktopEntry(*defaultId);
    return false;
}

bool CalendarAppOpener::tryEvolution(const QDateTime &day)
{
    if (!launcher.isInstalled(u"evolution"_s))
        return false;
    const QString date = SystemTimeZone::civilDate(day).toString(u"yyyyMMdd"_s);
    return launcher.startDetached(u"evolution"_s, {u"calendar:///?startdate="_s + date});
}

bool CalendarAppOpener::tryKOrganizer(const QDateTime &day)
{
    // Only a running KOrganizer listens; a stopped one is started plainly as the default.
    if (!launcher.isInstalled(u"korganizer"_s)
        || !launcher.isServiceRunning(u"org.kde.korganizer"_s))
        return false;
    return launcher.callDBus(u"org.kde.korganizer"_s, u"/Calendar"_s,
                             u"org.kde.Korganizer.Calendar"_s, u"showDate"_s,
                             {QVariant::fromValue(SystemTimeZone::civilDate(day))});
}

bool CalendarAppOpener::tryGnomeCalendar(const QDateTime &day)
{
    if (!launcher.isInstalled(u"gnome-calendar"_s))
        return false;
    QString language = launcher.environment("LC_ALL");
    if (language.isEmpty())
        language = launcher.environment("LC_TIME");
    if (language.isEmpty())
        language = launcher.environment("LANG");
    const QString date = localeDateText(SystemTimeZone::civilDate(day), language);
    return launcher.startDetached(u"gnome-calendar"_s, {u"--date"_s, date});
}

bool CalendarAppOpener::openToDo()
{
    if (launcher.isInstalled(u"endeavour"_s))
        return launcher.startDetached(u"endeavour"_s, {});
    if (launcher.isInstalled(u"gnome-todo"_s))
        return launcher.startDetached(u"gnome-todo"_s, {});
    if (launcher.isInstalled(u"evolution"_s))
        return launcher.startDetached(u"evolution"_s, {u"--component=tasks"_s});
    return false;
}
