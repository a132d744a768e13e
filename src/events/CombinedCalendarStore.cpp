#include "CombinedCalendarStore.h"

#ifdef TESSEL_WITH_EDS
#include "EdsCalendarStore.h"
#endif

#include <QSet>

CombinedCalendarStore::CombinedCalendarStore(SettingsStore &settings, AccessPrompter *prompter,
                                             Options options, QObject *parent)
    : CalendarStore(parent)
    , files(settings, prompter, options.files)
{
    connect(&files, &CalendarStore::storeChanged, this, &CalendarStore::storeChanged);
#ifdef TESSEL_WITH_EDS
    if (options.evolutionDataServer) {
        auto *server = new EdsCalendarStore(settings, this);
        connect(server, &CalendarStore::storeChanged, this, &CalendarStore::storeChanged);
        connect(server, &EdsCalendarStore::settled, this, &CombinedCalendarStore::settled);
        connect(server, &EdsCalendarStore::registryAvailableChanged, &files,
                [this](bool available) { files.setReadsEvolutionFiles(!available); });
        eds = server;
    }
#else
    Q_UNUSED(options.evolutionDataServer)
#endif
}

CombinedCalendarStore::~CombinedCalendarStore() = default;

CalendarAccessState CombinedCalendarStore::authorizationStatus(CalendarEntityType type) const
{
    return files.authorizationStatus(type);
}

void CombinedCalendarStore::requestFullAccess(CalendarEntityType type, QObject *context,
                                              std::function<void(std::optional<bool>)> done)
{
    files.requestFullAccess(type, context, std::move(done));
}

QList<StoreCalendar> CombinedCalendarStore::calendars()
{
    QList<StoreCalendar> result = files.calendars();
    if (eds)
        result.append(eds->calendars());
    return result;
}

QList<StoreEvent> CombinedCalendarStore::events(const QDateTime &start, const QDateTime &end,
                                                const QList<StoreCalendar> &calendars)
{
    if (!eds)
        return files.events(start, end, calendars);
    QSet<QString> fromEds;
    for (const StoreCalendar &calendar : eds->calendars())
        fromEds.insert(calendar.identifier);
    QList<StoreCalendar> fileCalendars;
    QList<StoreCalendar> edsCalendars;
    for (const StoreCalendar &calendar : calendars)
        (fromEds.contains(calendar.identifier) ? edsCalendars : fileCalendars).append(calendar);
    QList<StoreEvent> result = files.events(start, end, fileCalendars);
    result.append(eds->events(start, end, edsCalendars));
    return result;
}

void CombinedCalendarStore::prepare(const QDateTime &start, const QDateTime &end)
{
#ifdef TESSEL_WITH_EDS
    if (eds)
        static_cast<EdsCalendarStore *>(eds)->prepare(start, end);
#else
    Q_UNUSED(start)
    Q_UNUSED(end)
#endif
}

bool CombinedCalendarStore::isSettled() const
{
#ifdef TESSEL_WITH_EDS
    return !eds || static_cast<const EdsCalendarStore *>(eds)->isSettled();
#else
    return true;
#endif
}
