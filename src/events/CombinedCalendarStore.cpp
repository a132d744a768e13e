#include "CombinedCalendarStore.h"

#include "CalendarAccess.h"

#include "shared/Logging.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QSet>

#include <algorithm>

#ifdef TESSEL_WITH_EDS
#include <dlfcn.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifdef TESSEL_WITH_EDS
using CreateServerStore = CalendarServerStore *(*)(CalendarAccess &, QObject *);

// The module is found through the program's run path and stays loaded: its objects and the
// types it registers with GLib live as long as the process.
CreateServerStore serverStoreFactory()
{
    static const CreateServerStore create = [] {
        void *module = dlopen(TESSEL_EDS_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            qCWarning(lcEds) << "cannot load the Evolution Data Server module:" << dlerror();
            return CreateServerStore(nullptr);
        }
        return reinterpret_cast<CreateServerStore>(dlsym(module, "tesselCreateEdsStore"));
    }();
    return create;
}
#endif

} // namespace

CombinedCalendarStore::CombinedCalendarStore(SettingsStore &settings, CalendarAccess &access,
                                             AccessPrompter *prompter, Options options,
                                             QObject *parent)
    : CalendarStore(parent)
    , access(access)
    , files(settings, access, prompter, options.files)
#ifdef TESSEL_WITH_EDS
    , lookForServer(options.evolutionDataServer)
#endif
{
    connect(&files, &CalendarStore::storeChanged, this, &CalendarStore::storeChanged);
}

// libecal and what it stands on (GIO, libsoup, NSS, Kerberos, SQLite) cost several megabytes
// of memory once loaded: they are loaded only when the registry runs or the bus can start it,
// so a desktop without Evolution Data Server never carries them.
void CombinedCalendarStore::useServerIfThere()
{
    if (!lookForServer || !access.isGranted(CalendarEntityType::event))
        return;
    // Asked once: the bus calls below must not come with every query.
    lookForServer = false;
    const QString registry = u"org.gnome.evolution.dataserver.Sources5"_s;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface *daemon = bus.isConnected() ? bus.interface() : nullptr;
    if (!daemon)
        return;
    if (daemon->isServiceRegistered(registry).value()
        || daemon->activatableServiceNames().value().contains(registry)) {
        startServer();
        return;
    }
    auto *registryWatcher =
        new QDBusServiceWatcher(registry, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(registryWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        startServer();
        Q_EMIT storeChanged();
    });
}

void CombinedCalendarStore::startServer()
{
#ifdef TESSEL_WITH_EDS
    if (eds)
        return;
    const CreateServerStore create = serverStoreFactory();
    if (!create)
        return;
    eds = create(access, this);
    connect(eds, &CalendarStore::storeChanged, this, &CalendarStore::storeChanged);
    connect(eds, &CalendarServerStore::settled, this, &CombinedCalendarStore::settled);
    connect(eds, &CalendarServerStore::registryAvailableChanged, &files,
            [this](bool available) { files.setReadsEvolutionFiles(!available); });
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
    useServerIfThere();
    QList<StoreCalendar> result = files.calendars();
    if (eds)
        result.append(eds->calendars());
    return result;
}

QList<StoreEvent> CombinedCalendarStore::events(const QDateTime &start, const QDateTime &end,
                                                const QList<StoreCalendar> &calendars)
{
    useServerIfThere();
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
    useServerIfThere();
    if (eds)
        eds->prepare(start, end);
}

bool CombinedCalendarStore::isSettled() const
{
    return !eds || eds->isSettled();
}

bool CombinedCalendarStore::servedByServer(const QString &calendarId)
{
    if (!eds)
        return false;
    const QList<StoreCalendar> served = eds->calendars();
    return std::any_of(served.begin(), served.end(), [&calendarId](const StoreCalendar &calendar) {
        return calendar.identifier == calendarId;
    });
}

void CombinedCalendarStore::createEvent(const NewCalendarEvent &event, QObject *context,
                                        std::function<void(CalendarWriteResult)> done)
{
    if (servedByServer(event.calendarId))
        eds->createEvent(event, context, std::move(done));
    else
        files.createEvent(event, context, std::move(done));
}

void CombinedCalendarStore::removeEvent(const CalendarWriteResult &created, QObject *context,
                                        std::function<void(CalendarWriteResult)> done)
{
    if (servedByServer(created.calendarId))
        eds->removeEvent(created, context, std::move(done));
    else
        files.removeEvent(created, context, std::move(done));
}
