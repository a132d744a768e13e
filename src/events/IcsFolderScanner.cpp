#include "IcsFolderScanner.h"

#include "EvolutionNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 maxMetadataBytes = 4096;

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

std::optional<QString> metadataFile(const QString &folder, const QString &name)
{
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = QString::fromUtf8(file.read(maxMetadataBytes)).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

// A folder of .ics files with no folders in it, the shape vdirsyncer gives a collection.
bool looksLikeVdir(const QDir &dir)
{
    return !dir.entryList({u"*.ics"_s}, QDir::Files | QDir::Readable).isEmpty()
           && dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
}

// The groups and keys of a desktop key file ("[Group]", "Key=value"), localized keys as written
// ("Key[zh_CN]").
QHash<QString, QString> readKeyFile(const QString &path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return values;
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(maxMetadataBytes)).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || line.startsWith(u'#'))
            continue;
        const QString key = line.first(equals).trimmed();
        values.insert(group + u'/' + key, line.mid(equals + 1).trimmed());
    }
    return values;
}

// The group's display name in the panel's language where the file has one.
QString displayName(const QHash<QString, QString> &source)
{
    for (const auto &key : {u"Data Source/DisplayName[zh_CN]"_s, u"Data Source/DisplayName[zh]"_s,
                            u"Data Source/DisplayName"_s}) {
        const QString name = source.value(key);
        if (!name.isEmpty())
            return name;
    }
    return {};
}

QString identifierFor(const QString &canonicalPath)
{
    return canonicalPath;
}

} // namespace

IcsFolderScanner::Roots IcsFolderScanner::defaultRoots(const QStringList &configured)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    Roots roots;
    roots.vdirRoots = {dataHome + u"/calendars"_s};
    roots.evolutionCalendars = dataHome + u"/evolution/calendar"_s;
    roots.evolutionSources = configHome + u"/evolution/sources"_s;
    for (const QString &path : configured) {
        if (path == u"~"_s || path.startsWith(u"~/"_s))
            roots.configured.append(QDir::homePath() + path.mid(1));
        else if (!path.trimmed().isEmpty())
            roots.configured.append(path);
    }
    return roots;
}

QList<IcsCalendarLocation> IcsFolderScanner::scan(const Roots &roots)
{
    folders.clear();
    visitedFolders.clear();
    seenCalendars.clear();
    QList<IcsCalendarLocation> found;
    for (const QString &root : roots.vdirRoots) {
        watchRoot(root);
        scanTree(root, true, 0, found);
    }
    if (!roots.evolutionCalendars.isEmpty())
        scanEvolution(roots, found);
    for (const QString &path : roots.configured) {
        watchRoot(path);
        const QFileInfo info(path);
        if (info.isFile())
            addFile(info.canonicalFilePath(), found);
        else
            scanTree(path, false, 0, found);
    }
    return found;
}

void IcsFolderScanner::watchRoot(const QString &path)
{
    // A root that is not there yet is seen being made through its parent.
    QFileInfo info(path);
    for (int up = 0; up < 4 && !info.exists(); ++up)
        info = QFileInfo(info.absolutePath());
    if (info.exists() && info.isDir())
        folders.append(info.canonicalFilePath());
    else if (info.exists())
        folders.append(info.canonicalPath());
}

void IcsFolderScanner::addFile(const QString &canonicalPath, QList<IcsCalendarLocation> &found)
{
    if (canonicalPath.isEmpty() || seenCalendars.contains(canonicalPath))
        return;
    seenCalendars.insert(canonicalPath);
    const QFileInfo info(canonicalPath);
    IcsCalendarLocation location;
    location.kind = IcsCalendarLocation::Kind::file;
    location.path = canonicalPath;
    location.identifier = identifierFor(canonicalPath);
    location.fallbackTitle = info.completeBaseName();
    location.sourceTitle = info.dir().dirName();
    found.append(location);
}

// A folder with a vdir's metadata, or a folder of .ics files without subfolders inside the
// default vdir tree, is one calendar; elsewhere each .ics file is a calendar of its own. Folders
// are entered once by their canonical path, so a symlink loop ends at its second visit.
void IcsFolderScanner::scanTree(const QString &path, bool vdirTree, int depth,
                                QList<IcsCalendarLocation> &found)
{
    const QString folder = canonical(path);
    if (folder.isEmpty() || depth > maxDepth || visitedFolders.contains(folder))
        return;
    const QDir dir(folder);
    if (!QFileInfo(folder).isDir() || !dir.isReadable())
        return;
    visitedFolders.insert(folder);
    folders.append(folder);

    const bool hasMetadata =
        QFileInfo::exists(folder + u"/displayname"_s) || QFileInfo::exists(folder + u"/color"_s);
    if (hasMetadata || (vdirTree && depth > 0 && looksLikeVdir(dir))) {
        if (!seenCalendars.contains(folder)) {
            seenCalendars.insert(folder);
            IcsCalendarLocation location;
            location.kind = IcsCalendarLocation::Kind::folder;
            location.path = folder;
            location.identifier = identifierFor(folder);
            location.title = metadataFile(folder, u"displayname"_s);
            location.fallbackTitle = dir.dirName();
            location.sourceTitle = QFileInfo(folder).dir().dirName();
            location.colorText = metadataFile(folder, u"color"_s);
            found.append(location);
        }
        return;
    }

    // Unreadable files are calendars too: reading them says why their events are left out.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isFile() && entry.suffix().compare(u"ics"_s, Qt::CaseInsensitive) == 0)
            addFile(entry.canonicalFilePath(), found);
    }
    for (const QFileInfo &entry : entries) {
        if (entry.isDir())
            scanTree(entry.filePath(), vdirTree, depth + 1, found);
    }
}

void IcsFolderScanner::scanEvolution(const Roots &roots, QList<IcsCalendarLocation> &found)
{
    watchRoot(roots.evolutionCalendars);
    if (QFileInfo(roots.evolutionSources).isDir())
        folders.append(canonical(roots.evolutionSources));
    const QDir dir(roots.evolutionCalendars);
    if (!dir.exists())
        return;
    folders.append(canonical(roots.evolutionCalendars));
    const QStringList uids = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &uid : uids) {
        const QString file = canonical(dir.filePath(uid + u"/calendar.ics"_s));
        if (file.isEmpty() || seenCalendars.contains(file))
            continue;
        folders.append(canonical(dir.filePath(uid)));
        // The local calendar that Evolution makes by itself keeps its data under "system".
        const QString sourceUid = uid == u"system"_s ? u"system-calendar"_s : uid;
        const auto source = readKeyFile(roots.evolutionSources + u'/' + sourceUid + u".source"_s);
        if (source.value(u"Data Source/Enabled"_s).compare(u"false"_s, Qt::CaseInsensitive) == 0)
            continue;
        seenCalendars.insert(file);

        IcsCalendarLocation location;
        location.kind = IcsCalendarLocation::Kind::file;
        location.path = file;
        location.identifier = identifierFor(file);
        const QString title = EvolutionNames::calendarTitle(sourceUid, displayName(source));
        if (!title.isEmpty())
            location.title = title;
        location.fallbackTitle = uid;
        const QString parent = source.value(u"Data Source/Parent"_s, u"local-stub"_s);
        location.sourceTitle = EvolutionNames::accountTitle(
            parent,
            displayName(readKeyFile(roots.evolutionSources + u'/' + parent + u".source"_s)));
        const QString color = source.value(u"Calendar/Color"_s);
        if (!color.isEmpty())
            location.colorText = color;
        found.append(location);
    }
}
