#include "IcsCalendarReader.h"

#include "IcsEventIndex.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// Larger files are not calendars anyone keeps by hand; reading them would only cost memory.
constexpr qint64 maxFileBytes = 512LL * 1024 * 1024;

std::shared_ptr<const IcsCalendarFile> parseFile(const QString &path, const QString &uidPrefix)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileBytes)
        return std::make_shared<IcsCalendarFile>();
    const qint64 size = file.size();
    if (size > 0) {
        if (const uchar *mapped = file.map(0, size)) {
            auto content = std::make_shared<IcsCalendarFile>(IcsCalendarFile::parse(
                QByteArrayView(reinterpret_cast<const char *>(mapped), size), uidPrefix));
            file.unmap(const_cast<uchar *>(mapped));
            return content;
        }
    }
    return std::make_shared<IcsCalendarFile>(IcsCalendarFile::parse(file.readAll(), uidPrefix));
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

    std::vector<std::pair<QString, QString>> entries; // key, path
    if (location.kind == IcsCalendarLocation::Kind::file) {
        entries.emplace_back(location.path, location.path);
    } else {
        const QDir dir(location.path);
        const QStringList names =
            dir.entryList({u"*.ics"_s}, QDir::Files | QDir::Readable, QDir::Name);
        entries.reserve(size_t(names.size()));
        for (const QString &name : names)
            entries.emplace_back(name, location.path + u'/' + name);
    }

    Result result;
    bool parsed = false;
    // Everything not shared with the earlier read is this thread's alone until handed out.
    std::vector<const IcsEvent *> fresh;
    for (const auto &[key, path] : entries) {
        if (cancelled)
            return result;
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        const IcsParseCache::Stamp stamp = IcsParseCache::Stamp::of(info);
        const auto found = known.find(key);
        const bool same = found != known.end() && found->second.stamp == stamp
                          && found->second.content && !changed.contains(path);
        auto content =
            same ? found->second.content : parseFile(path, location.identifier + u'/' + key);
        parsed |= !same;
        if (!previous || !same) {
            for (const IcsEvent &event : content->events)
                fresh.push_back(&event);
        }
        result.files.emplace(key, IcsParseCache::File{stamp, std::move(content)});
    }

    const bool differs = parsed || result.files.size() != known.size();
    result.changed = !previous || differs;
    if (differs)
        cache.save(location.identifier, result.files);
    IcsEventIndex series;
    series.rebuild(fresh);
    series.prepare(near.first, near.second);
    return result;
}
