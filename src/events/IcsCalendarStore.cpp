#include "IcsCalendarStore.h"

#include "AccessPrompter.h"
#include "CalendarAccess.h"
#include "CalendarColor.h"
#include "IcsZone.h"
#include "NewEventIcs.h"
#include "VdirEventFile.h"
#include "WriteInBackground.h"
#include "shared/SettingKeys.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"
#include "shared/WriteFailure.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QThread>
#include <QTimeZone>
#include <QTimer>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QDateTime toDateTime(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, QTimeZone::utc());
}

// The months a panel opened now shows first: this one and its neighbours.
std::pair<qint64, qint64> monthsNearToday()
{
    constexpr qint64 msPerDay = 86'400'000;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    return {now - 45 * msPerDay, now + 75 * msPerDay};
}

} // namespace

IcsCalendarStore::IcsCalendarStore(SettingsStore &settings, CalendarAccess &access,
                                   AccessPrompter *prompter, Options options, QObject *parent)
    : CalendarStore(parent)
    , settings(settings)
    , access(access)
    , prompter(prompter)
    , options(std::move(options))
{
    if (this->options.watchFiles) {
        watcher = new QFileSystemWatcher(this);
        connect(watcher, &QFileSystemWatcher::directoryChanged, this,
                &IcsCalendarStore::onPathChanged);
        connect(watcher, &QFileSystemWatcher::fileChanged, this, &IcsCalendarStore::onPathChanged);
    }
    connect(&settings, &SettingsStore::valueChanged, this, &IcsCalendarStore::onSettingChanged);
    connect(&access, &CalendarAccess::changed, this, &CalendarStore::storeChanged);
    // A read still under way must not outlive what it uses.
    if (this->options.readInBackground && QCoreApplication::instance()) {
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &IcsCalendarStore::abandonReading);
    }
}

IcsCalendarStore::IcsCalendarStore(SettingsStore &settings, CalendarAccess &access,
                                   AccessPrompter *prompter, QObject *parent)
    : IcsCalendarStore(settings, access, prompter, Options(), parent)
{
}

IcsCalendarStore::~IcsCalendarStore()
{
    stopReading();
}

CalendarAccessState IcsCalendarStore::authorizationStatus(CalendarEntityType type) const
{
    return access.state(type);
}

void IcsCalendarStore::requestFullAccess(CalendarEntityType type, QObject *context,
                                         std::function<void(std::optional<bool>)> done)
{
    if (!context)
        context = this;
    if (!prompter) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done(std::nullopt); });
        return;
    }
    const QPointer<IcsCalendarStore> self(this);
    prompter->ask(type, context, [self, type, done = std::move(done)](std::optional<bool> allowed) {
        if (allowed && self)
            self->access.setGranted(type, *allowed);
        done(allowed);
    });
}

QList<StoreCalendar> IcsCalendarStore::calendars()
{
    if (authorizationStatus(CalendarEntityType::event) != CalendarAccessState::fullAccess)
        return {};
    readIfStale();
    QList<StoreCalendar> result;
    result.reserve(qsizetype(calendarList.size()));
    for (const auto &calendar : calendarList)
        result.append(calendar->record);
    return result;
}

QList<StoreEvent> IcsCalendarStore::events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &requested)
{
    if (authorizationStatus(CalendarEntityType::event) != CalendarAccessState::fullAccess
        || requested.isEmpty() || !start.isValid() || !end.isValid())
        return {};
    IcsZone::systemZoneMayHaveChanged();
    readIfStale();
    QHash<QString, Calendar *> byIdentifier;
    for (const auto &calendar : calendarList)
        byIdentifier.insert(calendar->location.identifier, calendar.get());

    const qint64 from = start.toMSecsSinceEpoch();
    const qint64 to = end.toMSecsSinceEpoch();
    std::vector<std::pair<const Calendar *, IcsOccurrence>> found;
    std::vector<IcsOccurrence> occurrences;
    QSet<QString> done;
    QList<Calendar *> queried;
    for (const StoreCalendar &wanted : requested) {
        Calendar *calendar = byIdentifier.value(wanted.identifier);
        if (!calendar || !calendar->loaded || done.contains(wanted.identifier))
            continue;
        done.insert(wanted.identifier);
        ensureIndexed(*calendar);
        queried.append(calendar);
        occurrences.clear();
        calendar->index.occurrences(from, to, occurrences);
        for (const IcsOccurrence &occurrence : occurrences)
            found.emplace_back(calendar, occurrence);
    }

    QList<StoreEvent> result;
    result.reserve(qsizetype(found.size()));
    for (const auto &[calendar, occurrence] : found) {
        const IcsEvent &event = *occurrence.event;
        StoreEvent item;
        item.calendarItemIdentifier = QString::fromUtf8(event.uid);
        item.occurrenceDate = toDateTime(occurrence.occurrenceUtc);
        item.startDate = toDateTime(occurrence.startUtc);
        item.endDate = toDateTime(occurrence.endUtc);
        item.isAllDay = event.start.isDate();
        if (!event.title.isNull())
            item.title = event.title;
        if (!event.location.isNull())
            item.location = event.location;
        item.calendar = calendar->record;
        result.append(std::move(item));
    }
    prefetchAround(from, to);
    return result;
}

void IcsCalendarStore::prefetchAround(qint64 fromUtc, qint64 toUtc)
{
    // The months next to the one shown are the likeliest next queries: expand their series
    // while the application is idle, not when the user pages there.
    prefetchRange = {fromUtc - prefetchMarginMs, toUtc + prefetchMarginMs};
    if (prefetchPending)
        return;
    prefetchPending = true;
    QTimer::singleShot(0, this, [this] {
        prefetchPending = false;
        if (authorizationStatus(CalendarEntityType::event) != CalendarAccessState::fullAccess)
            return;
        for (const auto &calendar : calendarList) {
            if (calendar->loaded && !calendar->indexStale)
                calendar->index.prepare(prefetchRange.first, prefetchRange.second);
        }
    });
}

void IcsCalendarStore::loadAll()
{
    stopReading();
    startRead(false);
    for (const auto &calendar : calendarList)
        ensureIndexed(*calendar);
}

void IcsCalendarStore::setReadsEvolutionFiles(bool reads)
{
    if (reads == readsEvolutionFiles)
        return;
    readsEvolutionFiles = reads;
    readStale = true;
    Q_EMIT storeChanged();
}

void IcsCalendarStore::readIfStale()
{
    if (!readStale || reader)
        return;
    if (!options.readInBackground) {
        startRead(false);
        return;
    }
    // From the event loop: the start-up that asked first is not held up, and a command that
    // never runs the loop reads nothing.
    if (readScheduled)
        return;
    readScheduled = true;
    QTimer::singleShot(0, this, [this] {
        readScheduled = false;
        if (readStale && !reader)
            startRead(true);
    });
}

// A read runs the reader over every calendar and hands over the list of calendars first, then
// each calendar as it is read, then the end; in the background each step reaches the main thread
// as a queued call, and steps of a read that was overtaken are dropped.
void IcsCalendarStore::startRead(bool inBackground)
{
    readStale = false;
    const quint64 read = ++readNumber;
    IcsFolderScanner::Roots roots =
        options.roots
            ? *options.roots
            : IcsFolderScanner::defaultRoots(settings.value(SettingKeys::calendarFolders));
    if (!readsEvolutionFiles)
        roots.evolutionCalendars.clear();
    std::map<QString, IcsParseCache::Files> known;
    for (const auto &calendar : calendarList) {
        if (calendar->loaded)
            known.emplace(calendar->location.identifier, calendar->files);
    }
    changedInRead = changedPaths;
    cancelRead = std::make_shared<std::atomic_bool>(false);

    const auto hand = [this, inBackground](auto step) {
        if (inBackground)
            QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
        else
            step();
    };
    auto job = [this, hand, read, roots, known = std::move(known), changed = changedInRead,
                cancelled = cancelRead, before = options.beforeReading,
                near = inBackground ? monthsNearToday() : std::pair<qint64, qint64>()] {
        if (before)
            before();
        IcsCalendarReader calendarReader(roots, IcsParseCache());
        const QList<IcsCalendarLocation> locations = calendarReader.scan();
        if (*cancelled)
            return;
        hand([this, read, locations, folders = calendarReader.watchedFolders()] {
            takeScan(read, locations, folders);
        });
        for (const IcsCalendarLocation &location : locations) {
            const auto found = known.find(location.identifier);
            auto result =
                calendarReader.read(location, found != known.end() ? &found->second : nullptr,
                                    changed, near, *cancelled);
            if (*cancelled)
                return;
            hand([this, read, identifier = location.identifier,
                  result = std::move(result)]() mutable {
                takeCalendar(read, identifier, std::move(result));
            });
        }
        hand([this, read] { finishRead(read); });
    };
    if (inBackground) {
        reader.reset(QThread::create(std::move(job)));
        reader->start(QThread::LowPriority);
    } else {
        job();
    }
}

void IcsCalendarStore::stopReading()
{
    if (!reader)
        return;
    *cancelRead = true;
    reader->wait();
    reader.reset();
    ++readNumber;
    readStale = true;
}

// A reader stuck on a stalled disk must not keep the application from quitting; it ends with
// the process, its results never taken.
void IcsCalendarStore::abandonReading()
{
    if (!reader)
        return;
    *cancelRead = true;
    if (reader->wait(QDeadlineTimer(quitWaitMs)))
        reader.reset();
    else
        Q_UNUSED(reader.release());
    ++readNumber;
}

void IcsCalendarStore::takeScan(quint64 read, const QList<IcsCalendarLocation> &locations,
                                const QStringList &folders)
{
    if (read != readNumber)
        return;
    QStringList before;
    for (const auto &calendar : calendarList)
        before.append(calendar->location.identifier);
    std::vector<std::unique_ptr<Calendar>> previous = std::move(calendarList);
    calendarList.clear();
    bool changed = false;
    QStringList watched = folders;
    for (const IcsCalendarLocation &location : locations) {
        std::unique_ptr<Calendar> calendar;
        for (auto &old : previous) {
            if (old && old->location.identifier == location.identifier) {
                calendar = std::move(old);
                break;
            }
        }
        changed |= !calendar || calendar->location != location;
        if (!calendar)
            calendar = std::make_unique<Calendar>();
        if (calendar->location != location) {
            // A changed kind means other files; start over.
            if (calendar->location.kind != location.kind)
                *calendar = Calendar();
            calendar->location = location;
        }
        if (location.kind == IcsCalendarLocation::Kind::file)
            watched.append(location.path);
        else
            watched.append(itemFilesToWatch(*calendar, watched.size()));
        updateRecord(*calendar);
        calendarList.push_back(std::move(calendar));
    }
    watch(watched);
    changed |= before.size() != locations.size();
    for (qsizetype i = 0; !changed && i < before.size(); ++i)
        changed = before.at(i) != locations.at(i).identifier;
    if (changed && options.readInBackground)
        Q_EMIT storeChanged();
}

void IcsCalendarStore::takeCalendar(quint64 read, const QString &identifier,
                                    IcsCalendarReader::Result &&result)
{
    if (read != readNumber)
        return;
    const auto found =
        std::find_if(calendarList.begin(), calendarList.end(), [&identifier](const auto &item) {
            return item->location.identifier == identifier;
        });
    if (found == calendarList.end())
        return;
    Calendar &calendar = **found;
    calendar.loaded = true;
    if (!result.changed)
        return;
    // Moved, not copied: a copy would hold a second map node for every file.
    calendar.files = std::move(result.files);
    calendar.indexStale = true;
    updateRecord(calendar);
    if (watcher && calendar.location.kind == IcsCalendarLocation::Kind::folder) {
        const QStringList watched = watcher->files() + watcher->directories();
        QStringList added;
        for (const QString &path : itemFilesToWatch(calendar, watched.size())) {
            if (!watched.contains(path))
                added.append(path);
        }
        if (!added.isEmpty())
            watcher->addPaths(added);
    }
    if (options.readInBackground)
        Q_EMIT storeChanged();
}

void IcsCalendarStore::finishRead(quint64 read)
{
    if (read != readNumber)
        return;
    if (reader) {
        reader->wait();
        reader.reset();
    }
    changedPaths -= changedInRead;
    changedInRead.clear();
    // Files changed while this read went on: read again.
    if (readStale && options.readInBackground
        && authorizationStatus(CalendarEntityType::event) == CalendarAccessState::fullAccess)
        startRead(true);
}

// A folder's own watch sees items added, removed or replaced by renaming (as vdirsyncer and khal
// write); an editor that rewrites an item in place is seen only by a watch on the item itself.
// Those cost one inotify watch each, a limited resource shared with every other program, so
// only so many are spent.
QStringList IcsCalendarStore::itemFilesToWatch(const Calendar &calendar,
                                               qsizetype alreadyWatched) const
{
    QStringList paths;
    if (!watcher || alreadyWatched + qsizetype(calendar.files.size()) > maxWatchedPaths)
        return paths;
    for (const auto &[name, file] : calendar.files)
        paths.append(calendar.location.path + u'/' + name);
    return paths;
}

void IcsCalendarStore::updateRecord(Calendar &calendar)
{
    const IcsCalendarLocation &location = calendar.location;
    const IcsCalendarFile *single = nullptr;
    if (location.kind == IcsCalendarLocation::Kind::file) {
        if (const IcsParseCache::File *found = IcsParseCache::find(calendar.files, location.path))
            single = found->content.get();
    }
    StoreCalendar record;
    record.identifier = location.identifier;
    if (location.title)
        record.title = *location.title;
    else if (single && !single->name().trimmed().isEmpty())
        record.title = single->name().trimmed();
    else
        record.title = location.fallbackTitle;
    record.sourceTitle = location.sourceTitle;
    // New events go only into vdir folders: a single file is a feed or an export of the user's.
    record.writable =
        location.kind == IcsCalendarLocation::Kind::folder && QFileInfo(location.path).isWritable();
    if (location.colorText)
        record.color = CalendarColor::parse(*location.colorText);
    else if (single && !single->colorText().isNull())
        record.color = CalendarColor::parse(single->colorText());
    calendar.record = record;
}

void IcsCalendarStore::ensureIndexed(Calendar &calendar)
{
    if (!calendar.indexStale)
        return;
    std::vector<const IcsEvent *> events;
    for (const auto &[name, file] : calendar.files) {
        if (!file.content)
            continue;
        for (const IcsEvent &event : file.content->events)
            events.push_back(&event);
    }
    calendar.index.rebuild(events);
    calendar.indexStale = false;
}

void IcsCalendarStore::watch(const QStringList &paths)
{
    if (!watcher)
        return;
    QStringList wanted;
    for (const QString &path : paths) {
        if (!path.isEmpty() && !wanted.contains(path))
            wanted.append(path);
    }
    QStringList current = watcher->files() + watcher->directories();
    QStringList stale;
    for (const QString &path : std::as_const(current)) {
        if (!wanted.contains(path))
            stale.append(path);
    }
    if (!stale.isEmpty())
        watcher->removePaths(stale);
    QStringList added;
    for (const QString &path : std::as_const(wanted)) {
        if (!current.contains(path))
            added.append(path);
    }
    if (!added.isEmpty())
        watcher->addPaths(added);
}

void IcsCalendarStore::onPathChanged(const QString &path)
{
    readStale = true;
    changedPaths.insert(path);
    // A file replaced by renaming another over it is a new file: watch that one.
    if (watcher && QFileInfo(path).isFile() && !watcher->files().contains(path))
        watcher->addPath(path);
    if (!options.readInBackground) {
        Q_EMIT storeChanged();
        return;
    }
    // A read under way reads again when it ends; what changes is told when it is read.
    if (!reader
        && authorizationStatus(CalendarEntityType::event) == CalendarAccessState::fullAccess)
        startRead(true);
}

void IcsCalendarStore::onSettingChanged(const QString &key)
{
    if (key == SettingKeys::calendarFolders.name) {
        readStale = true;
        Q_EMIT storeChanged();
    }
}

IcsCalendarStore::Calendar *IcsCalendarStore::writableCalendar(const QString &identifier) const
{
    for (const auto &calendar : calendarList) {
        if (calendar->location.identifier == identifier && calendar->record.writable)
            return calendar.get();
    }
    return nullptr;
}

void IcsCalendarStore::createEvent(const NewCalendarEvent &event, QObject *context,
                                   std::function<void(CalendarWriteResult)> done)
{
    const Calendar *calendar = writableCalendar(event.calendarId);
    if (!calendar) {
        refuseReadOnlyWrite(this, context, event.calendarId, std::move(done));
        return;
    }
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray content =
        NewEventIcs::render(event, uid, QDateTime::currentDateTimeUtc(), SystemTimeZone::id());
    writeInBackground(
        this, context,
        [folder = calendar->location.path, uid, id = event.calendarId, content] {
            return CalendarWriteResult{uid, id, VdirEventFile::write(folder, uid, content)};
        },
        [this, content](const CalendarWriteResult &result) {
            if (result.succeeded())
                takeWrittenFile(result.calendarId, result.eventUid, content);
        },
        std::move(done));
}

void IcsCalendarStore::removeEvent(const CalendarWriteResult &created, QObject *context,
                                   std::function<void(CalendarWriteResult)> done)
{
    const Calendar *calendar = writableCalendar(created.calendarId);
    const QString folder = calendar ? calendar->location.path : QString();
    writeInBackground(
        this, context,
        [folder, created] {
            CalendarWriteResult result = created;
            result.error = folder.isEmpty() ? WriteFailure::text(WriteFailure::Reason::readOnly)
                                            : VdirEventFile::remove(folder, created.eventUid);
            return result;
        },
        [this](const CalendarWriteResult &result) {
            if (result.succeeded())
                takeWrittenFile(result.calendarId, result.eventUid, {});
        },
        std::move(done));
}

// Lists a file this store wrote (or, with no content, removed) at once, rather than when the
// folder's watch has led to reading it again.
void IcsCalendarStore::takeWrittenFile(const QString &calendarId, const QString &uid,
                                       const QByteArray &content)
{
    Calendar *calendar = writableCalendar(calendarId);
    if (!calendar || !calendar->loaded)
        return;
    const QString name = VdirEventFile::fileName(uid);
    IcsParseCache::Files &files = calendar->files;
    auto place =
        std::lower_bound(files.begin(), files.end(), name,
                         [](const auto &entry, const QString &key) { return entry.first < key; });
    const bool present = place != files.end() && place->first == name;
    if (content.isNull()) {
        if (present)
            files.erase(place);
    } else {
        // No stamp: the next read parses the file itself again.
        IcsParseCache::File file{
            {}, std::make_shared<const IcsCalendarFile>(IcsCalendarFile::parse(content, uid))};
        if (present)
            place->second = std::move(file);
        else
            files.emplace(place, name, std::move(file));
    }
    calendar->indexStale = true;
}
