#include "IcsCalendarReader.h"

#include "IcsEventIndex.h"
#include "shared/Logging.h"

#include <QFile>
#include <QMutex>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Says once per file, not at every read, that a calendar file cannot be read; a file read again
// later may be reported again when it fails anew. Reads run on a worker thread.
void noteReadable(const QString &path, bool readable, const QString &reason = {})
{
    static QMutex mutex;
    static QSet<QString> reported;
    const QMutexLocker lock(&mutex);
    if (readable) {
        reported.remove(path);
    } else if (!reported.contains(path)) {
        reported.insert(path);
        qCWarning(lcIcal).noquote() << "cannot read calendar file" << path
                                    << u"(%1); its events are left out"_s.arg(reason);
    }
}

// Larger files are not calendars anyone keeps by hand; reading them would only cost memory.
constexpr qint64 maxFileBytes = 512LL * 1024 * 1024;

std::shared_ptr<const IcsCalendarFile> parseFile(const QString &path, const QString &uidPrefix)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        noteReadable(path, false, file.errorString());
        return std::make_shared<IcsCalendarFile>();
    }
    noteReadable(path, true);
    if (file.size() > maxFileBytes)
        return std::make_shared<IcsCalendarFile>();
    // Read, never mapped: a file another program cuts short while it is parsed (`cp` or
    // `curl -o` rewrite in place) would end the program with SIGBUS.
    return std::make_shared<IcsCalendarFile>(IcsCalendarFile::parse(file.readAll(), uidPrefix));
}

IcsParseCache::Stamp stampOf(const struct stat &info)
{
    const auto ms = [](const timespec &time) {
        return qint64(time.tv_sec) * 1000 + time.tv_nsec / 1'000'000;
    };
    return {qint64(info.st_size), ms(info.st_mtim), ms(info.st_ctim)};
}

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// The visible *.ics files of a folder (links followed) as they are on disk. A vdir can hold tens
// of thousands: each is looked at once, relative to the folder, not by walking its path again.
std::vector<std::pair<QString, IcsParseCache::Stamp>> itemsOf(const QString &folder)
{
    std::vector<std::pair<QString, IcsParseCache::Stamp>> items;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(folder).constData()));
    if (!dir)
        return items;
    while (const dirent *entry = readdir(dir.get())) {
        const char *name = entry->d_name;
        const size_t length = std::strlen(name);
        struct stat info = {};
        if (name[0] == '.' || length < 4 || strcasecmp(name + length - 4, ".ics") != 0
            || fstatat(dirfd(dir.get()), name, &info, 0) != 0 || !S_ISREG(info.st_mode))
            continue;
        items.emplace_back(QFile::decodeName(name), stampOf(info));
    }
    return items;
}

} // namespace

IcsCalendarReader::IcsCalendarReader(IcsFolderScanner::Roots roots, IcsParseCache cache)
    : roots(std::move(roots))
    , cache(std::move(cache))
{
}

QList<IcsCalendarLocation> IcsCalendarReader::scan()
{
    return scanner.scan(roots);
}

IcsCalendarReader::Result IcsCalendarReader::read(const IcsCalendarLocation &location,
                                                  const IcsParseCache::Files *previous,
                                                  const QSet<QString> &changed,
                                                  std::pair<qint64, qint64> near,
                                                  const std::atomic_bool &cancelled)
{
    const IcsParseCache::Files cached =
        previous ? IcsParseCache::Files() : cache.load(location.identifier);
    const IcsParseCache::Files &known = previous ? *previous : cached;

    std::vector<std::pair<QString, IcsParseCache::Stamp>> entries; // by key
    if (location.kind == IcsCalendarLocation::Kind::file) {
        struct stat info = {};
        if (stat(QFile::encodeName(location.path).constData(), &info) == 0)
            entries.emplace_back(location.path, stampOf(info));
    } else {
        entries = itemsOf(location.path);
        std::sort(entries.begin(), entries.end(),
                  [](const auto &a, const auto &b) { return a.first < b.first; });
    }

    Result result;
    bool parsed = false;
    // Everything not shared with the earlier read is this thread's alone until handed out.
    std::vector<const IcsEvent *> fresh;
    result.files.reserve(entries.size());
    for (const auto &[key, stamp] : entries) {
        if (cancelled)
            return result;
        const QString path =
            location.kind == IcsCalendarLocation::Kind::file ? key : location.path + u'/' + key;
        const IcsParseCache::File *found = IcsParseCache::find(known, key);
        const bool same =
            found && found->stamp == stamp && found->content && !changed.contains(path);
        auto content = same ? found->content : parseFile(path, location.identifier + u'/' + key);
        parsed |= !same;
        if (!previous || !same) {
            for (const IcsEvent &event : content->events)
                fresh.push_back(&event);
        }
        result.files.emplace_back(key, IcsParseCache::File{stamp, std::move(content)});
    }

    const bool differs = parsed || result.files.size() != known.size();
    result.changed = !previous || differs;
    if (differs)
        cache.save(location.identifier, result.files);
    if (near.first < near.second) {
        IcsEventIndex series;
        series.rebuild(fresh);
        series.prepare(near.first, near.second);
    }
    return result;
}
