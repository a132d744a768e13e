#include "EventsCommand.h"

#include "events/CalendarAccess.h"
#include "events/CombinedCalendarStore.h"
#include "events/EventStoreService.h"
#include "shared/CivilCalendar.h"
#include "shared/CommandArguments.h"
#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QEventLoop>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// One field per column: tabs and line breaks inside a field would break the line apart.
QString field(const QString &text)
{
    QString flat = text;
    for (QChar &ch : flat) {
        if (ch == u'\t' || ch == u'\n' || ch == u'\r')
            ch = u' ';
    }
    return flat;
}

} // namespace

EventsCommand::EventsCommand(QTextStream &out, QTextStream &err, SettingsStore &settings,
                             CalendarAccess &access)
    : out(out)
    , err(err)
    , settings(settings)
    , access(access)
{
}

void EventsCommand::setRoots(const IcsFolderScanner::Roots &newRoots)
{
    roots = newRoots;
}

int EventsCommand::fail(const QString &message)
{
    err << "tessel-calendar: " << message << Qt::endl;
    return 2;
}

int EventsCommand::run(const QStringList &arguments)
{
    const auto parsed = CommandArguments::parseDayRange(
        arguments, false, maxDays, u"usage: tessel-calendar events FROM [TO] [--tsv]"_s);
    if (const auto *error = std::get_if<QString>(&parsed))
        return fail(*error);
    const auto &[from, to, tsv] = std::get<CommandArguments::DayRange>(parsed);

    if (!access.isGranted(CalendarEntityType::event)) {
        err << "tessel-calendar: no access to your calendars: allow it in the preferences"
               " (settings key \""
            << SettingKeys::eventsAccess.name << "\")" << Qt::endl;
        return noAccessStatus;
    }
    CombinedCalendarStore::Options options;
    options.files.watchFiles = false;
    options.files.roots = roots;
    options.files.readInBackground = false;
    options.evolutionDataServer = !roots;
    CombinedCalendarStore store(settings, access, nullptr, options);
    EventStoreService service(store);

    const CivilCalendar calendar = CivilCalendar::viewCalendar();
    const auto start = calendar.date(from.year(), from.month(), from.day());
    const QDate after = to.addDays(1);
    const auto end = calendar.date(after.year(), after.month(), after.day());
    if (!start || !end)
        return fail(u"cannot compute that range"_s);
    store.prepare(*start, *end);
    if (!store.isSettled()) {
        QEventLoop loop;
        QObject::connect(&store, &CombinedCalendarStore::settled, &loop, &QEventLoop::quit);
        QTimer::singleShot(asyncWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const QStringList excluded = settings.value(SettingKeys::excludedCalendarIdentifiers);
    const QList<CalendarDayEvent> items =
        service.events(*start, *end, QSet<QString>(excluded.cbegin(), excluded.cend()));

    for (const CalendarDayEvent &item : items) {
        const QString fields[] = {
            SystemTimeZone::civilDate(item.displayDate).toString(u"yyyy-MM-dd"_s), item.timeText(),
            field(item.title), field(item.calendarTitle), field(item.location.value_or(QString()))};
        if (tsv) {
            out << fields[0] << '\t' << fields[1] << '\t' << fields[2] << '\t' << fields[3] << '\t'
                << fields[4] << '\n';
        } else {
            QString line = fields[0] + u"  "_s + CommandArguments::padded(fields[1], 13) + u"  "_s
                           + fields[2] + u"  ["_s + fields[3] + u']';
            if (!fields[4].isEmpty())
                line += u"  @ "_s + fields[4];
            out << line << '\n';
        }
    }
    out.flush();
    return 0;
}
