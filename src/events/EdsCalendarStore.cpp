#include "EdsCalendarStore.h"

#include "CalendarAccess.h"
#include "CalendarColor.h"
#include "EvolutionNames.h"
#include "NewEventIcs.h"
#include "WriteInBackground.h"
#include "shared/CHandle.h"
#include "shared/Logging.h"
#include "shared/SystemTimeZone.h"
#include "shared/WriteFailure.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QThreadPool>
#include <QTimeZone>
#include <QTimer>
#include <QUuid>

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr auto registryBusName = "org.gnome.evolution.dataserver.Sources5";
// A calendar whose account is offline answers from its cache after this long.
constexpr guint32 connectWaitSeconds = 5;
// Changes come in bursts (a sync writes many items); read once they settle.
constexpr int changeDebounceMs = 150;
// Gives a crashed calendar factory time to leave the bus before it is started again.
constexpr int reopenDelayMs = 1000;
// The months around the one asked for are read with it, so that paging finds them ready.
constexpr qint64 windowMarginSecs = 62LL * 86'400;

template<typename T> using GPtr = CHandle<T, g_object_unref>;
using ErrorPtr = CHandle<GError, g_error_free>;

bool wasCancelled(const GError *error)
{
    return g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED);
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QDateTime toDateTime(time_t secs)
{
    return QDateTime::fromSecsSinceEpoch(qint64(secs), QTimeZone::utc());
}

// Floating times and dates are the user's wall clock. A wall time that a clock change skips
// moves forward by the gap: libical puts it before the gap, so a day whose midnight is skipped
// (Santiago's first Sunday of September) would begin on the day before.
time_t toUtc(const ICalTime *time, ICalTimezone *localZone)
{
    ICalTimezone *zone = i_cal_time_is_date(time) ? nullptr : i_cal_time_get_timezone(time);
    if (!zone)
        zone = localZone;
    const time_t secs = i_cal_time_as_timet_with_zone(time, zone);
    // i_cal_time_as_timet reads the fields as if in UTC: this is how far the wall clock went
    // back.
    const GPtr<ICalTime> back{i_cal_time_new_from_timet_with_zone(secs, 0, zone)};
    const time_t gap = i_cal_time_as_timet(time) - i_cal_time_as_timet(back.get());
    return gap > 0 ? secs + gap : secs;
}

// The reason a failed call of the calendar factory stands for.
QString failureText(const GError *error)
{
    using WriteFailure::Reason;
    Reason reason = Reason::other;
    if (error->domain == E_CLIENT_ERROR) {
        switch (error->code) {
        case E_CLIENT_ERROR_PERMISSION_DENIED:
        case E_CLIENT_ERROR_NOT_SUPPORTED:
            reason = Reason::readOnly;
            break;
        case E_CLIENT_ERROR_AUTHENTICATION_FAILED:
        case E_CLIENT_ERROR_AUTHENTICATION_REQUIRED:
            reason = Reason::noPermission;
            break;
        case E_CLIENT_ERROR_REPOSITORY_OFFLINE:
        case E_CLIENT_ERROR_OFFLINE_UNAVAILABLE:
        case E_CLIENT_ERROR_TLS_NOT_AVAILABLE:
            reason = Reason::offline;
            break;
        default:
            break;
        }
    } else if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_NO_SPACE:
            reason = Reason::diskFull;
            break;
        case G_IO_ERROR_PERMISSION_DENIED:
            reason = Reason::noPermission;
            break;
        case G_IO_ERROR_READ_ONLY:
            reason = Reason::readOnly;
            break;
        case G_IO_ERROR_HOST_NOT_FOUND:
        case G_IO_ERROR_HOST_UNREACHABLE:
        case G_IO_ERROR_NETWORK_UNREACHABLE:
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_TIMED_OUT:
            reason = Reason::offline;
            break;
        default:
            break;
        }
    }
    return WriteFailure::text(reason);
}

struct Occurrence
{
    StoreEvent event;
    qint64 startSecs = 0;
    qint64 endSecs = 0;
};

struct ReadJob
{
    QString calendarIdentifier;
    ICalTimezone *localZone = nullptr;
    std::vector<Occurrence> found;
};

gboolean collectInstance(ICalComponent *component, ICalTime *start, ICalTime *end, gpointer data,
                         GCancellable *, GError **)
{
    auto *job = static_cast<ReadJob *>(data);
    Occurrence occurrence;
    StoreEvent &event = occurrence.event;
    const time_t startSecs = toUtc(start, job->localZone);
    const time_t endSecs = end ? toUtc(end, job->localZone) : startSecs;
    event.calendarItemIdentifier =
        job->calendarIdentifier + u'/' + text(i_cal_component_get_uid(component));
    event.startDate = toDateTime(startSecs);
    event.endDate = toDateTime(std::max(startSecs, endSecs));
    event.occurrenceDate = event.startDate;
    if (GPtr<ICalTime> recurrenceId{i_cal_component_get_recurrenceid(component)};
        recurrenceId && !i_cal_time_is_null_time(recurrenceId.get()))
        event.occurrenceDate = toDateTime(toUtc(recurrenceId.get(), job->localZone));
    event.isAllDay = i_cal_time_is_date(start);
    if (const char *summary = i_cal_component_get_summary(component))
        event.title = text(summary);
    if (const char *location = i_cal_component_get_location(component); location && *location)
        event.location = text(location);
    occurrence.startSecs = startSecs;
    occurrence.endSecs = std::max(startSecs, endSecs);
    job->found.push_back(std::move(occurrence));
    return TRUE;
}

} // namespace

struct EdsCalendarStore::Private
{
    // One enabled calendar source: its client, its live view and the occurrences read last.
    struct Source
    {
        Private *d = nullptr;
        quint64 serial = 0; // tells an answer for this source from one for an earlier one
        GPtr<ESource> source;
        GPtr<GCancellable> cancellable{g_cancellable_new()};
        GPtr<ECalClient> client;
        GPtr<ECalClientView> view;
        StoreCalendar record;
        std::vector<Occurrence> occurrences;
        bool answered = false; // connected and read, or failed
        bool reading = false;
        bool readAgain = false;
        bool readQueued = false;

        ~Source()
        {
            g_cancellable_cancel(cancellable.get());
            closeClient();
        }

        void closeClient()
        {
            if (view) {
                g_signal_handlers_disconnect_by_data(view.get(), this);
                e_cal_client_view_stop(view.get(), nullptr);
            }
            if (client)
                g_signal_handlers_disconnect_by_data(client.get(), this);
            view.reset();
            client.reset();
            record.writable = false;
        }
    };

    // Names what an asynchronous answer belongs to; the answer is dropped when that is gone.
    struct Token
    {
        QPointer<EdsCalendarStore> store;
        quint64 serial = 0;
    };

    Private(EdsCalendarStore *q, CalendarAccess &access)
        : q(q)
        , access(access)
    {
    }

    ~Private()
    {
        if (watchId)
            g_bus_unwatch_name(watchId);
        dropRegistry();
    }

    [[nodiscard]] bool granted() const
    {
        return q->authorizationStatus(CalendarEntityType::event) == CalendarAccessState::fullAccess;
    }

    // On first use, so that commands which never read events never touch the bus.
    void startIfGranted()
    {
        if (watchId || !granted())
            return;
        // Activation starts the registry where it is installed but not running.
        watchId = g_bus_watch_name(G_BUS_TYPE_SESSION, registryBusName,
                                   G_BUS_NAME_WATCHER_FLAGS_AUTO_START, &Private::nameAppeared,
                                   &Private::nameVanished, this, nullptr);
    }

    static void nameAppeared(GDBusConnection *, const gchar *, const gchar *, gpointer data)
    {
        auto *d = static_cast<Private *>(data);
        d->registryAnswered = false;
        d->announceAbsence = true;
        d->dropRegistry();
        d->registryCancellable.reset(g_cancellable_new());
        e_source_registry_new(d->registryCancellable.get(), &Private::registryReady,
                              new Token{d->q, ++d->nextSerial});
        d->registrySerial = d->nextSerial;
    }

    static void nameVanished(GDBusConnection *, const gchar *, gpointer data)
    {
        auto *d = static_cast<Private *>(data);
        if (d->announceAbsence) {
            qCWarning(lcEds) << "Evolution Data Server's registry is not on the session bus;"
                                " Evolution's local calendars are read from their files";
            d->announceAbsence = false;
        }
        d->dropRegistry();
        d->registryAnswered = true;
        d->setAvailable(false);
        Q_EMIT d->q->storeChanged();
        d->checkSettled();
    }

    static void registryReady(GObject *, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<Token> token(static_cast<Token *>(data));
        GError *rawError = nullptr;
        GPtr<ESourceRegistry> registry(e_source_registry_new_finish(result, &rawError));
        const ErrorPtr error(rawError);
        if (wasCancelled(error.get()) || !token->store
            || token->serial != token->store->d->registrySerial)
            return;
        Private *d = token->store->d.get();
        d->registryAnswered = true;
        if (!registry) {
            qCWarning(lcEds) << "cannot read Evolution Data Server's registry:"
                             << text(error ? error->message : "");
            d->checkSettled();
            return;
        }
        d->registry = std::move(registry);
        for (const char *signal : {"source-added", "source-removed", "source-enabled",
                                   "source-disabled", "source-changed"})
            g_signal_connect(d->registry.get(), signal, G_CALLBACK(&Private::registryChanged), d);
        d->syncSources();
        d->setAvailable(true);
    }

    static void registryChanged(ESourceRegistry *, ESource *, gpointer data)
    {
        auto *d = static_cast<Private *>(data);
        if (d->syncQueued)
            return;
        d->syncQueued = true;
        QTimer::singleShot(0, d->q, [d] {
            d->syncQueued = false;
            d->syncSources();
        });
    }

    void dropRegistry()
    {
        if (registryCancellable)
            g_cancellable_cancel(registryCancellable.get());
        registryCancellable.reset();
        if (registry)
            g_signal_handlers_disconnect_by_data(registry.get(), this);
        registry.reset();
        sources.clear();
    }

    void setAvailable(bool value)
    {
        if (available == value)
            return;
        available = value;
        Q_EMIT q->registryAvailableChanged(value);
    }

    [[nodiscard]] StoreCalendar recordFor(ESource *source) const
    {
        StoreCalendar record;
        record.identifier = text(e_source_get_uid(source));
        record.title = EvolutionNames::calendarTitle(record.identifier,
                                                     text(e_source_get_display_name(source)));
        const QString parentUid = text(e_source_get_parent(source));
        QString parentName;
        if (!parentUid.isEmpty()) {
            if (GPtr<ESource> parent{
                    e_source_registry_ref_source(registry.get(), parentUid.toUtf8().constData())})
                parentName = text(e_source_get_display_name(parent.get()));
        }
        record.sourceTitle = EvolutionNames::accountTitle(parentUid, parentName);
        auto *selectable = static_cast<ESourceSelectable *>(
            e_source_get_extension(source, E_SOURCE_EXTENSION_CALENDAR));
        const CHandle<gchar, g_free> color(e_source_selectable_dup_color(selectable));
        if (color && *color)
            record.color = CalendarColor::parse(text(color.get()));
        return record;
    }

    void syncSources()
    {
        if (!registry)
            return;
        GList *enabled =
            e_source_registry_list_enabled(registry.get(), E_SOURCE_EXTENSION_CALENDAR);
        std::vector<std::unique_ptr<Source>> previous = std::move(sources);
        sources.clear();
        for (GList *item = enabled; item; item = item->next) {
            auto *esource = static_cast<ESource *>(item->data);
            const QString uid = text(e_source_get_uid(esource));
            std::unique_ptr<Source> kept;
            for (auto &old : previous) {
                if (old && old->record.identifier == uid) {
                    kept = std::move(old);
                    break;
                }
            }
            if (!kept) {
                kept = std::make_unique<Source>();
                kept->d = this;
                kept->serial = ++nextSerial;
                kept->source.reset(E_SOURCE(g_object_ref(esource)));
                connectClient(*kept);
            }
            kept->record = recordFor(esource);
            kept->record.writable =
                kept->client && !e_client_is_readonly(E_CLIENT(kept->client.get()));
            sources.push_back(std::move(kept));
        }
        g_list_free_full(enabled, g_object_unref);
        Q_EMIT q->storeChanged();
        checkSettled();
    }

    [[nodiscard]] Source *find(const Token &token) const
    {
        for (const auto &source : sources) {
            if (source->serial == token.serial)
                return source.get();
        }
        return nullptr;
    }

    void connectClient(Source &source)
    {
        e_cal_client_connect(source.source.get(), E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                             connectWaitSeconds, source.cancellable.get(),
                             &Private::clientConnected, new Token{q, source.serial});
    }

    static void clientConnected(GObject *, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<Token> token(static_cast<Token *>(data));
        GError *rawError = nullptr;
        GPtr<EClient> client(e_cal_client_connect_finish(result, &rawError));
        const ErrorPtr error(rawError);
        if (wasCancelled(error.get()) || !token->store)
            return;
        Private *d = token->store->d.get();
        Source *source = d->find(*token);
        if (!source)
            return;
        if (!client) {
            qCWarning(lcEds) << "cannot open the calendar" << source->record.title << ':'
                             << text(error ? error->message : "");
            source->answered = true;
            d->checkSettled();
            return;
        }
        source->client.reset(E_CAL_CLIENT(client.release()));
        source->record.writable = !e_client_is_readonly(E_CLIENT(source->client.get()));
        // The calendar may now be offered for new events.
        Q_EMIT d->q->storeChanged();
        g_signal_connect(source->client.get(), "backend-died", G_CALLBACK(&Private::backendDied),
                         source);
        e_cal_client_set_default_timezone(source->client.get(), e_cal_util_get_system_timezone());
        e_cal_client_get_view(source->client.get(), "#t", source->cancellable.get(),
                              &Private::viewReady, new Token{d->q, source->serial});
        // Nothing asked for yet: connected is all there is to wait for.
        source->answered = d->windowEnd <= d->windowStart;
        d->read(*source);
        d->checkSettled();
    }

    static void viewReady(GObject *client, GAsyncResult *result, gpointer data)
    {
        const std::unique_ptr<Token> token(static_cast<Token *>(data));
        ECalClientView *rawView = nullptr;
        GError *rawError = nullptr;
        e_cal_client_get_view_finish(E_CAL_CLIENT(client), result, &rawView, &rawError);
        GPtr<ECalClientView> view(rawView);
        const ErrorPtr error(rawError);
        if (wasCancelled(error.get()) || !token->store)
            return;
        Source *source = token->store->d->find(*token);
        if (!source || !view) {
            if (source)
                qCWarning(lcEds) << "cannot follow changes of" << source->record.title << ':'
                                 << text(error ? error->message : "");
            return;
        }
        // The items themselves are read by range; the view only says that something changed.
        e_cal_client_view_set_flags(view.get(), E_CAL_CLIENT_VIEW_FLAGS_NONE, nullptr);
        for (const char *signal : {"objects-added", "objects-modified", "objects-removed"})
            g_signal_connect(view.get(), signal, G_CALLBACK(&Private::viewChanged), source);
        e_cal_client_view_start(view.get(), nullptr);
        source->view = std::move(view);
    }

    // The calendar factory went away: open the calendar again, which starts a new one.
    static void backendDied(EClient *, gpointer data)
    {
        auto *source = static_cast<Source *>(data);
        qCWarning(lcEds) << "the calendar factory stopped serving" << source->record.title
                         << "; opening it again";
        source->closeClient();
        const Token token{source->d->q, source->serial};
        QTimer::singleShot(reopenDelayMs, source->d->q, [token] {
            if (Source *closed = token.store->d->find(token))
                token.store->d->connectClient(*closed);
        });
    }

    static void viewChanged(ECalClientView *, gpointer, gpointer data)
    {
        auto *source = static_cast<Source *>(data);
        if (source->readQueued)
            return;
        source->readQueued = true;
        const Token token{source->d->q, source->serial};
        QTimer::singleShot(changeDebounceMs, source->d->q, [token] {
            if (Source *queued = token.store->d->find(token)) {
                queued->readQueued = false;
                token.store->d->read(*queued);
            }
        });
    }

    // Reads the window's occurrences on a worker thread: the library expands recurrences and
    // resolves time zones with blocking calls to the calendar factory.
    void read(Source &source)
    {
        if (!source.client || windowEnd <= windowStart)
            return;
        if (source.reading) {
            source.readAgain = true;
            return;
        }
        source.reading = true;
        source.readAgain = false;
        auto *client = E_CAL_CLIENT(g_object_ref(source.client.get()));
        auto *cancellable = G_CANCELLABLE(g_object_ref(source.cancellable.get()));
        const qint64 from = windowStart;
        const qint64 to = windowEnd;
        const Token token{q, source.serial};
        auto job = std::make_shared<ReadJob>();
        job->calendarIdentifier = source.record.identifier;
        job->localZone = e_cal_util_get_system_timezone();
        QThreadPool::globalInstance()->start([client, cancellable, from, to, token, job] {
            e_cal_client_generate_instances_sync(client, time_t(from), time_t(to), cancellable,
                                                 &collectInstance, job.get());
            const bool cancelled = g_cancellable_is_cancelled(cancellable);
            g_object_unref(cancellable);
            g_object_unref(client);
            if (cancelled || !QCoreApplication::instance())
                return;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [token, job] {
                    if (token.store)
                        token.store->d->readDone(token, std::move(job->found));
                },
                Qt::QueuedConnection);
        });
    }

    void readDone(const Token &token, std::vector<Occurrence> found)
    {
        Source *source = find(token);
        if (!source)
            return;
        source->occurrences = std::move(found);
        source->reading = false;
        source->answered = true;
        if (source->readAgain)
            read(*source);
        Q_EMIT q->storeChanged();
        checkSettled();
    }

    [[nodiscard]] Source *writableSource(const QString &identifier) const;

    // Lists an event this store added at once, rather than after the calendar is read again.
    void takeCreated(const NewCalendarEvent &added, const QString &uid)
    {
        for (const auto &source : sources) {
            if (source->record.identifier != added.calendarId)
                continue;
            Occurrence occurrence;
            StoreEvent &event = occurrence.event;
            event.calendarItemIdentifier = added.calendarId + u'/' + uid;
            event.startDate = added.start.toUTC();
            event.endDate = added.end.toUTC();
            event.occurrenceDate = event.startDate;
            event.isAllDay = added.isAllDay;
            event.title = added.title;
            if (!added.location.isEmpty())
                event.location = added.location;
            occurrence.startSecs = added.start.toSecsSinceEpoch();
            occurrence.endSecs = added.end.toSecsSinceEpoch();
            source->occurrences.push_back(std::move(occurrence));
        }
    }

    void takeRemoved(const QString &calendarId, const QString &uid)
    {
        const QString identifier = calendarId + u'/' + uid;
        for (const auto &source : sources) {
            if (source->record.identifier == calendarId)
                std::erase_if(source->occurrences, [&identifier](const Occurrence &occurrence) {
                    return occurrence.event.calendarItemIdentifier == identifier;
                });
        }
    }

    void prepare(qint64 from, qint64 to)
    {
        startIfGranted();
        if (!granted() || to <= from || (from >= windowStart && to <= windowEnd))
            return;
        windowStart = from - windowMarginSecs;
        windowEnd = to + windowMarginSecs;
        for (const auto &source : sources) {
            source->answered = !source->client && source->answered;
            read(*source);
        }
    }

    [[nodiscard]] bool isSettled() const
    {
        if (!watchId || !registryAnswered)
            return !watchId;
        for (const auto &source : sources) {
            if (!source->answered || source->reading)
                return false;
        }
        return true;
    }

    void checkSettled()
    {
        if (isSettled())
            Q_EMIT q->settled();
    }

    EdsCalendarStore *q;
    CalendarAccess &access;
    guint watchId = 0;
    GPtr<GCancellable> registryCancellable;
    GPtr<ESourceRegistry> registry;
    quint64 registrySerial = 0;
    quint64 nextSerial = 0;
    bool registryAnswered = false;
    bool announceAbsence = true;
    bool available = false;
    bool syncQueued = false;
    std::vector<std::unique_ptr<Source>> sources;
    qint64 windowStart = 0;
    qint64 windowEnd = 0;
};

EdsCalendarStore::EdsCalendarStore(CalendarAccess &access, QObject *parent)
    : CalendarServerStore(parent)
    , d(std::make_unique<Private>(this, access))
{
    connect(&access, &CalendarAccess::changed, this, &CalendarStore::storeChanged);
}

EdsCalendarStore::~EdsCalendarStore() = default;

CalendarAccessState EdsCalendarStore::authorizationStatus(CalendarEntityType type) const
{
    return d->access.state(type);
}

void EdsCalendarStore::requestFullAccess(CalendarEntityType, QObject *context,
                                         std::function<void(std::optional<bool>)> done)
{
    QTimer::singleShot(0, context ? context : this,
                       [done = std::move(done)] { done(std::nullopt); });
}

QList<StoreCalendar> EdsCalendarStore::calendars()
{
    QList<StoreCalendar> result;
    if (!d->granted())
        return result;
    d->startIfGranted();
    for (const auto &source : d->sources)
        result.append(source->record);
    return result;
}

QList<StoreEvent> EdsCalendarStore::events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &requested)
{
    if (!d->granted() || requested.isEmpty() || !start.isValid() || !end.isValid())
        return {};
    const qint64 from = start.toSecsSinceEpoch();
    const qint64 to = end.toSecsSinceEpoch();
    d->prepare(from, to);
    QSet<QString> wanted;
    for (const StoreCalendar &calendar : requested)
        wanted.insert(calendar.identifier);
    QList<StoreEvent> result;
    for (const auto &source : d->sources) {
        if (!wanted.contains(source->record.identifier))
            continue;
        for (const Occurrence &occurrence : source->occurrences) {
            const bool overlaps = occurrence.endSecs > occurrence.startSecs
                                      ? occurrence.startSecs < to && occurrence.endSecs > from
                                      : occurrence.startSecs >= from && occurrence.startSecs < to;
            if (!overlaps)
                continue;
            StoreEvent event = occurrence.event;
            event.calendar = source->record;
            result.append(std::move(event));
        }
    }
    return result;
}

void EdsCalendarStore::prepare(const QDateTime &start, const QDateTime &end)
{
    d->prepare(start.toSecsSinceEpoch(), end.toSecsSinceEpoch());
}

bool EdsCalendarStore::registryAvailable() const
{
    return d->available;
}

bool EdsCalendarStore::isSettled() const
{
    return d->isSettled();
}

EdsCalendarStore::Private::Source *
EdsCalendarStore::Private::writableSource(const QString &identifier) const
{
    for (const auto &source : sources) {
        if (source->record.identifier == identifier && source->client && source->record.writable)
            return source.get();
    }
    return nullptr;
}

void EdsCalendarStore::createEvent(const NewCalendarEvent &event, QObject *context,
                                   std::function<void(CalendarWriteResult)> done)
{
    Private::Source *source = d->writableSource(event.calendarId);
    if (!source) {
        refuseReadOnlyWrite(this, context, event.calendarId, std::move(done));
        return;
    }
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray content =
        NewEventIcs::render(event, uid, QDateTime::currentDateTimeUtc(), SystemTimeZone::id());
    GPtr<ECalClient> client(E_CAL_CLIENT(g_object_ref(source->client.get())));
    GPtr<GCancellable> cancellable(G_CANCELLABLE(g_object_ref(source->cancellable.get())));
    writeInBackground(
        this, context,
        [client = std::shared_ptr<ECalClient>(client.release(), CRelease<g_object_unref>()),
         cancellable =
             std::shared_ptr<GCancellable>(cancellable.release(), CRelease<g_object_unref>()),
         id = event.calendarId, uid, content] {
            CalendarWriteResult result{uid, id, {}};
            GError *rawError = nullptr;
            const GPtr<ICalComponent> calendar(
                i_cal_component_new_from_string(content.constData()));
            // The zone goes first, so that the calendar can read the event's times.
            for (GPtr<ICalComponent> zone{i_cal_component_get_first_component(
                     calendar.get(), I_CAL_VTIMEZONE_COMPONENT)};
                 zone && !rawError; zone.reset(i_cal_component_get_next_component(
                     calendar.get(), I_CAL_VTIMEZONE_COMPONENT))) {
                // The zone takes the copy over; the original stays the calendar's.
                const GPtr<ICalTimezone> timezone(i_cal_timezone_new());
                const GPtr<ICalComponent> copy(i_cal_component_clone(zone.get()));
                i_cal_timezone_set_component(timezone.get(), copy.get());
                e_cal_client_add_timezone_sync(client.get(), timezone.get(), cancellable.get(),
                                               &rawError);
            }
            const GPtr<ICalComponent> item(
                i_cal_component_get_first_component(calendar.get(), I_CAL_VEVENT_COMPONENT));
            gchar *createdUid = nullptr;
            if (!rawError)
                e_cal_client_create_object_sync(client.get(), item.get(), E_CAL_OPERATION_FLAG_NONE,
                                                &createdUid, cancellable.get(), &rawError);
            const ErrorPtr error(rawError);
            const CHandle<gchar, g_free> uid(createdUid);
            if (error) {
                qCWarning(lcEds) << "cannot add an event:" << text(error->message);
                result.error = failureText(error.get());
            } else if (uid) {
                result.eventUid = text(uid.get());
            }
            return result;
        },
        [this, event](const CalendarWriteResult &result) {
            if (result.succeeded())
                d->takeCreated(event, result.eventUid);
        },
        std::move(done));
}

void EdsCalendarStore::removeEvent(const CalendarWriteResult &created, QObject *context,
                                   std::function<void(CalendarWriteResult)> done)
{
    Private::Source *source = d->writableSource(created.calendarId);
    std::shared_ptr<ECalClient> client;
    std::shared_ptr<GCancellable> cancellable;
    if (source) {
        client.reset(E_CAL_CLIENT(g_object_ref(source->client.get())), CRelease<g_object_unref>());
        cancellable.reset(G_CANCELLABLE(g_object_ref(source->cancellable.get())),
                          CRelease<g_object_unref>());
    }
    writeInBackground(
        this, context,
        [client, cancellable, created] {
            CalendarWriteResult result = created;
            if (!client) {
                result.error = WriteFailure::text(WriteFailure::Reason::readOnly);
                return result;
            }
            GError *rawError = nullptr;
            e_cal_client_remove_object_sync(client.get(), created.eventUid.toUtf8().constData(),
                                            nullptr, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE,
                                            cancellable.get(), &rawError);
            const ErrorPtr error(rawError);
            // Already gone is what was asked for.
            if (error
                && !g_error_matches(error.get(), E_CAL_CLIENT_ERROR,
                                    E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND)) {
                qCWarning(lcEds) << "cannot remove an event:" << text(error->message);
                result.error = failureText(error.get());
            }
            return result;
        },
        [this](const CalendarWriteResult &result) {
            if (result.succeeded())
                d->takeRemoved(result.calendarId, result.eventUid);
        },
        std::move(done));
}

// The entry point of the module this store is built into; the program looks it up by this name.
extern "C" Q_DECL_EXPORT CalendarServerStore *tesselCreateEdsStore(CalendarAccess &access,
                                                                   QObject *parent)
{
    return new EdsCalendarStore(access, parent);
}
