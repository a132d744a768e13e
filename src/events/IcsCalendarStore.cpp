#include "IcsCalendarStore.h"

#include "AccessPrompter.h"
#include "CalendarColor.h"
#include "IcsZone.h"
#include "preferences/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QSet>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

Q_LOGGING_CATEGORY(lcCalendarFiles, "tessel.ical", QtWarningMsg)

// Says once per file, not at every scan, that a calendar file cannot be read; a file read again
// later may be reported again when it fails anew.
void noteReadable(const QString &path, bool readable, const QString &reason = {})
{
    static QMutex mutex;
    static QSet<QString> reported;
    const QMutexLocker lock(&mutex);
    if (readable) {
        reported.remove(path);
    } else if (!reported.contains(path)) {
        reported.insert(path);
        qCWarning(lcCalendarFiles).noquote() << "cannot read calendar file" << path
                                             << u"(%1); its events are left out"_s.arg(reason);
    }
}

// Larger files are not calendars anyone keeps by hand; reading them would only cost memory.
constexpr qint64 maxFileBytes = 512LL * 1024 * 1024;

std::unique_ptr<IcsCalendarFile> readFile(const QString &path, const QString &uidPrefix)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        noteReadable(path, false, file.errorString());
        return nullptr;
    }
    noteReadable(path, true);
    if (file.size() > maxFileBytes)
        return nullptr;
    const qint64 size = file.size();
    if (size > 0) {
        if (const uchar *mapped = file.map(0, size)) {
            auto content = std::make_unique<IcsCalendarFile>(IcsCalendarFile::parse(
                QByteArrayView(reinterpret_cast<const char *>(mapped), size), uidPrefix));
            file.unmap(const_cast<uchar *>(mapped));
            return content;
        }
    }
    const QByteArray data = file.readAll();
    return std::make_unique<IcsCalendarFile>(IcsCalendarFile::parse(data, uidPrefix));
}

QDateTime toDateTime(qint64 utcMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC);
}

} // namespace

IcsCalendarStore::IcsCalendarStore(SettingsStore &settings, AccessPrompter *prompter,
                                   Options options, QObject *parent)
    : CalendarStore(parent)
    , settings(settings)
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
}

IcsCalendarStore::IcsCalendarStore(SettingsStore &settings, AccessPrompter *prompter,
                                   QObject *parent)
    : IcsCalendarStore(settings, prompter, Options(), parent)
{
}

IcsCalendarStore::~IcsCalendarStore() = default;

QString IcsCalendarStore::accessKey(CalendarEntityType type)
{
    return type == CalendarEntityType::event ? eventsAccessKey : remindersAccessKey;
}

CalendarAccessState IcsCalendarStore::authorizationStatus(CalendarEntityType type) const
{
    const auto consent = settings.stringValue(accessKey(type));
    if (consent == u"granted"_s)
        return CalendarAccessState::fullAccess;
    if (consent == u"denied"_s)
        return CalendarAccessState::denied;
    // Absent, or a value this program never writes: the user has not been asked yet.
    return CalendarAccessState::notDetermined;
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
            self->settings.setString(accessKey(type), *allowed ? u"granted"_s : u"denied"_s);
        done(allowed);
    });
}

QList<StoreCalendar> IcsCalendarStore::calendars()
{
    if (authorizationStatus(CalendarEntityType::event) != CalendarAccessState::fullAccess)
        return {};
    rescanIfNeeded();
    QList<StoreCalendar> result;
    result.reserve(qsizetype(calendarList.size()));
    for (const auto &calendar : calendarList) {
        // A single file names itself inside; a folder's name is known without reading items.
        if (calendar->location.kind == IcsCalendarLocation::Kind::file
            && (!calendar->loaded || calendar->stale))
            refresh(*calendar);
        result.append(calendar->record);
    }
    return result;
}

QList<StoreEvent> IcsCalendarStore::events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &requested)
{
    if (authorizationStatus(CalendarEntityType::event) != CalendarAccessState::fullAccess
        || requested.isEmpty() || !start.isValid() || !end.isValid())
        return {};
    IcsZone::systemZoneMayHaveChanged();
    rescanIfNeeded();
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
        if (!calendar || done.contains(wanted.identifier))
            continue;
        done.insert(wanted.identifier);
        if (!calendar->loaded || calendar->stale)
            refresh(*calendar);
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
        item.calendarItemIdentifier = event.uid;
        item.occurrenceDate = toDateTime(occurrence.occurrenceUtc);
        item.startDate = toDateTime(occurrence.startUtc);
        item.endDate = toDateTime(occurrence.endUtc);
        item.isAllDay = event.start.isDate();
        item.title = event.title;
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
            if (calendar->loaded && !calendar->stale && !calendar->indexStale)
                calendar->index.prepare(prefetchRange.first, prefetchRange.second);
        }
    });
}

void IcsCalendarStore::loadAll()
{
    rescanIfNeeded();
    for (const auto &calendar : calendarList) {
        if (!calendar->loaded || calendar->stale)
            refresh(*calendar);
        ensureIndexed(*calendar);
    }
}

void IcsCalendarStore::setReadsEvolutionFiles(bool reads)
{
    if (reads == readsEvolutionFiles)
        return;
    readsEvolutionFiles = reads;
    scanStale = true;
    Q_EMIT storeChanged();
}

void IcsCalendarStore::rescanIfNeeded()
{
    if (!scanStale)
        return;
    scanStale = false;
    IcsFolderScanner::Roots roots =
        options.roots ? *options.roots
                      : IcsFolderScanner::defaultRoots(
                          settings.stringListValue(foldersKey).value_or(QStringList()));
    if (!readsEvolutionFiles)
        roots.evolutionCalendars.clear();
    const QList<IcsCalendarLocation> locations = scanner.scan(roots);

    std::vector<std::unique_ptr<Calendar>> previous = std::move(calendarList);
    calendarList.clear();
    QStringList watched = scanner.watchedFolders();
    for (const IcsCalendarLocation &location : locations) {
        std::unique_ptr<Calendar> calendar;
        for (auto &old : previous) {
            if (old && old->location.identifier == location.identifier) {
                calendar = std::move(old);
                break;
            }
        }
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
}

void IcsCalendarStore::refresh(Calendar &calendar)
{
    bool changed = false;
    const IcsCalendarLocation &location = calendar.location;
    if (location.kind == IcsCalendarLocation::Kind::file) {
        changed = refreshFile(calendar, location.path, location.path);
    } else {
        const QDir dir(location.path);
        // Unreadable items are listed too, so that reading them says why they are left out.
        const QStringList names = dir.entryList({u"*.ics"_s}, QDir::Files, QDir::Name);
        const QSet<QString> present(names.cbegin(), names.cend());
        for (auto it = calendar.files.begin(); it != calendar.files.end();) {
            if (!present.contains(it->first)) {
                it = calendar.files.erase(it);
                changed = true;
            } else {
                ++it;
            }
        }
        for (const QString &name : names)
            changed |= refreshFile(calendar, name, dir.filePath(name));
    }
    calendar.loaded = true;
    calendar.stale = false;
    calendar.changedFiles.clear();
    if (changed) {
        calendar.indexStale = true;
        updateRecord(calendar);
        if (watcher && location.kind == IcsCalendarLocation::Kind::folder) {
            const QStringList watched = watcher->files() + watcher->directories();
            QStringList added;
            for (const QString &path : itemFilesToWatch(calendar, watched.size())) {
                if (!watched.contains(path))
                    added.append(path);
            }
            if (!added.isEmpty())
                watcher->addPaths(added);
        }
    }
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

bool IcsCalendarStore::refreshFile(Calendar &calendar, const QString &key, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return calendar.files.erase(key) > 0;
    LoadedFile &file = calendar.files[key];
    const QDateTime modified = info.lastModified();
    if (file.content && file.size == info.size() && file.modified == modified
        && !calendar.changedFiles.remove(path))
        return false;
    file.size = info.size();
    file.modified = modified;
    file.content = readFile(path, calendar.location.identifier + u'/' + key);
    if (!file.content)
        file.content = std::make_unique<IcsCalendarFile>();
    return true;
}

void IcsCalendarStore::updateRecord(Calendar &calendar)
{
    const IcsCalendarLocation &location = calendar.location;
    const IcsCalendarFile *single = nullptr;
    if (location.kind == IcsCalendarLocation::Kind::file) {
        const auto found = calendar.files.find(location.path);
        if (found != calendar.files.end())
            single = found->second.content.get();
    }
    StoreCalendar record;
    record.identifier = location.identifier;
    if (location.title)
        record.title = *location.title;
    else if (single && single->name && !single->name->trimmed().isEmpty())
        record.title = single->name->trimmed();
    else
        record.title = location.fallbackTitle;
    record.sourceTitle = location.sourceTitle;
    if (location.colorText)
        record.color = CalendarColor::parse(*location.colorText);
    else if (single && single->colorText)
        record.color = CalendarColor::parse(*single->colorText);
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
    scanStale = true;
    for (const auto &calendar : calendarList) {
        const QString &own = calendar->location.path;
        if (own == path || own.startsWith(path + u'/') || path.startsWith(own + u'/')) {
            calendar->stale = true;
            if (own == path || path.startsWith(own + u'/'))
                calendar->changedFiles.insert(path);
        }
    }
    // A file replaced by renaming another over it is a new file: watch that one.
    if (watcher && QFileInfo(path).isFile() && !watcher->files().contains(path))
        watcher->addPath(path);
    Q_EMIT storeChanged();
}

void IcsCalendarStore::onSettingChanged(const QString &key)
{
    if (key == foldersKey) {
        scanStale = true;
        Q_EMIT storeChanged();
    } else if (key == eventsAccessKey || key == remindersAccessKey) {
        Q_EMIT storeChanged();
    }
}
