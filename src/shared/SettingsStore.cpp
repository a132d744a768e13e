#include "SettingsStore.h"

#include "Logging.h"
#include "WriteFailure.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr auto dataMember = "$data"_L1;

// Long enough to see a rename-over as one change, short enough to feel immediate.
constexpr int reloadDelayMs = 50;

std::optional<QStringList> toStringList(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QStringList list;
    list.reserve(array.size());
    for (const QJsonValue &element : array) {
        if (!element.isString())
            return std::nullopt;
        list.append(element.toString());
    }
    return list;
}

std::optional<QByteArray> toData(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue encoded = object.value(dataMember);
    if (object.size() != 1 || !encoded.isString())
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(encoded.toString().toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

// Processes sharing the file take turns at reading and writing it, or one's write lands between
// another's read and write and is undone. They lock the folder: the file itself is replaced at
// every write. A lock not had within a while (a process stopped holding it) is done without,
// and so is a nested change from a slot of this thread, which already holds it.
class FolderLock
{
public:
    explicit FolderLock(const QString &folder)
    {
        if (held)
            return;
        fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int waited = 0; fd >= 0; waited += lockPollMs) {
            locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            if (locked || errno != EWOULDBLOCK || waited >= lockWaitMs)
                break;
            QThread::msleep(lockPollMs);
        }
        held = locked;
    }
    ~FolderLock()
    {
        if (locked)
            held = false;
        if (fd >= 0)
            ::close(fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

private:
    static constexpr int lockPollMs = 5;
    static constexpr int lockWaitMs = 2000;
    static thread_local bool held;
    int fd = -1;
    bool locked = false;
};

thread_local bool FolderLock::held = false;

} // namespace

QString SettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + "/tessel-calendar/settings.json"_L1;
}

SettingsStore::SettingsStore(const QString &filePath, Access access, QObject *parent)
    : QObject(parent)
    , path(QFileInfo(filePath).absoluteFilePath())
    , access(access)
    , watcher(new QFileSystemWatcher(this))
    , reloadTimer(new QTimer(this))
{
    QJsonObject parsed;
    QString problem;
    const ReadResult result = readFile(parsed, problem);
    noteRead(result, problem);
    switch (result) {
    case ReadResult::object:
        values = parsed;
        diskValues = parsed;
        break;
    case ReadResult::missing:
        break;
    case ReadResult::unreadable:
        readBlocked = true;
        readProblem = problem;
        break;
    case ReadResult::malformed:
        // Kept beside the new file so that nothing the user had is lost; if it cannot be moved,
        // saving tries again and never writes over it.
        diskMalformed = access == Access::readOnly || !moveAside();
        break;
    }

    reloadTimer->setSingleShot(true);
    reloadTimer->setInterval(reloadDelayMs);
    connect(reloadTimer, &QTimer::timeout, this, &SettingsStore::reload);
    connect(watcher, &QFileSystemWatcher::fileChanged, reloadTimer, qOverload<>(&QTimer::start));
    connect(watcher, &QFileSystemWatcher::directoryChanged, reloadTimer,
            qOverload<>(&QTimer::start));
    watch();
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::filePath() const
{
    return path;
}

std::optional<bool> SettingsStore::boolValue(const QString &key) const
{
    const QJsonValue value = values.value(key);
    return value.isBool() ? std::optional(value.toBool()) : std::nullopt;
}

std::optional<QString> SettingsStore::stringValue(const QString &key) const
{
    const QJsonValue value = values.value(key);
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<QStringList> SettingsStore::stringListValue(const QString &key) const
{
    return toStringList(values.value(key));
}

std::optional<QByteArray> SettingsStore::dataValue(const QString &key) const
{
    return toData(values.value(key));
}

void SettingsStore::setBool(const QString &key, bool value)
{
    store(key, QJsonValue(value));
}

void SettingsStore::setString(const QString &key, const QString &value)
{
    store(key, QJsonValue(value));
}

void SettingsStore::setStringList(const QString &key, const QStringList &value)
{
    store(key, QJsonArray::fromStringList(value));
}

void SettingsStore::setData(const QString &key, const QByteArray &value)
{
    store(key, QJsonObject{{dataMember, QString::fromLatin1(value.toBase64())}});
}

void SettingsStore::remove(const QString &key)
{
    store(key, QJsonValue(QJsonValue::Undefined));
}

void SettingsStore::store(const QString &key, const QJsonValue &value)
{
    bool changed = false;
    {
        std::optional<FolderLock> lock;
        if (access == Access::readWrite)
            lock.emplace(QFileInfo(path).absolutePath());
        // Another process may have written since the watcher last fired; take its values first
        // so that this write does not undo them.
        reload();

        const bool removing = value.isUndefined();
        changed = removing ? values.contains(key) : values.value(key) != value;
        if (removing)
            values.remove(key);
        else
            values.insert(key, value);
        save();
    }
    if (changed)
        Q_EMIT valueChanged(key);
}

void SettingsStore::reload()
{
    reloadTimer->stop();
    QJsonObject parsed;
    QString problem;
    const ReadResult result = readFile(parsed, problem);
    noteRead(result, problem);
    watch();
    switch (result) {
    case ReadResult::unreadable:
        // What it holds now is unknown, so nothing may replace it until it can be read again.
        readBlocked = true;
        readProblem = problem;
        return;
    case ReadResult::malformed:
        // Most likely another program is half-way through writing it; wait for the next change.
        diskMalformed = true;
        return;
    case ReadResult::missing:
    case ReadResult::object:
        break;
    }
    readBlocked = false;
    diskMalformed = false;
    // Also what our own writes look like when the watcher reports them.
    if (parsed == diskValues)
        return;

    diskValues = parsed;
    const QJsonObject previous = std::exchange(values, parsed);
    QStringList keys = previous.keys() + parsed.keys();
    keys.sort();
    keys.removeDuplicates();
    for (const QString &key : std::as_const(keys)) {
        if (previous.value(key) != parsed.value(key))
            Q_EMIT valueChanged(key);
    }
}

SettingsStore::ReadResult SettingsStore::readFile(QJsonObject &parsed, QString &problem) const
{
    // Opened without blocking and checked on the open descriptor, so that a FIFO, a device or a
    // file swapped in between can neither hang nor flood the program.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return ReadResult::missing;
        problem = qt_error_string(errno);
        return ReadResult::unreadable;
    }
    struct stat status = {};
    const bool statted = ::fstat(fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        const int statError = errno;
        ::close(fd);
        if (!statted) {
            problem = qt_error_string(statError);
            return ReadResult::unreadable;
        }
        // A folder in its place is left alone; writes report that they fail.
        if (S_ISDIR(status.st_mode)) {
            problem = u"它是一个文件夹"_s;
            return ReadResult::unreadable;
        }
        problem = u"它不是普通文件"_s;
        return ReadResult::malformed;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        problem = file.errorString();
        return ReadResult::unreadable;
    }
    const QByteArray content = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        problem = file.errorString();
        return ReadResult::unreadable;
    }
    if (content.size() > maxFileSize) {
        problem = u"它大于 1 MB"_s;
        return ReadResult::malformed;
    }
    // An empty file holds nothing worth keeping aside.
    if (content.trimmed().isEmpty()) {
        parsed = {};
        return ReadResult::object;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        problem = u"它不是 JSON 对象"_s;
        return ReadResult::malformed;
    }
    parsed = document.object();
    return ReadResult::object;
}

void SettingsStore::noteRead(ReadResult result, const QString &problem)
{
    if (result == lastRead)
        return;
    lastRead = result;
    if (result == ReadResult::unreadable || result == ReadResult::malformed) {
        qCWarning(lcSettings).noquote()
            << "settings file" << path << u"not read (%1); defaults are used"_s.arg(problem);
    }
}

bool SettingsStore::moveAside() const
{
    const QString base =
        path + ".corrupt-"_L1 + QDateTime::currentDateTime().toString(u"yyyyMMdd'T'HHmmss"_s);
    QString target = base;
    for (int counter = 2; QFileInfo::exists(target); ++counter)
        target = base + u'-' + QString::number(counter);
    // rename(2) moves the entry itself: a link, never what it points to, and no copy falls back
    // to reading a FIFO or a device.
    return std::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData())
           == 0;
}

void SettingsStore::save()
{
    if (access == Access::readOnly)
        return;
    if (readBlocked) {
        setSaveError(u"现有的设置文件无法读取（%1），未覆盖它"_s.arg(readProblem));
        return;
    }
    if (diskMalformed) {
        if (!moveAside()) {
            setSaveError(u"损坏的设置文件无法移开"_s);
            return;
        }
        diskMalformed = false;
        diskValues = {};
    }
    if (values == diskValues) {
        setSaveError({});
        return;
    }

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Unbuffered, so that a short write (disk full) shows in write()'s count: a buffered one
    // fails only at the flush inside commit(), which Qt 6.4 does not report, and the cut-off
    // file would replace the good one. Left uncommitted, the new file is discarded.
    const QByteArray content = QJsonDocument(values).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        setSaveError(WriteFailure::describe(file));
        return;
    }
    const qint64 written = file.write(content);
    if (written != content.size() || !file.commit()) {
        // A write cut short without a reason of its own ran out of room.
        const bool cutShort = written >= 0 && written < content.size();
        setSaveError(cutShort && file.error() == QFileDevice::NoError
                         ? WriteFailure::text(WriteFailure::Reason::diskFull)
                         : WriteFailure::describe(file));
        return;
    }
    diskValues = values;
    setSaveError({});
    watch();
}

void SettingsStore::setSaveError(const QString &error)
{
    if (!error.isEmpty())
        qCWarning(lcSettings).noquote() << "settings not saved to" << path << u"(%1)"_s.arg(error);
    if (error == m_saveError)
        return;
    m_saveError = error;
    Q_EMIT saveErrorChanged(m_saveError);
}

void SettingsStore::watch()
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    QStringList wanted;
    if (file.exists())
        wanted.append(path);
    if (QFileInfo(folder).isDir()) {
        wanted.append(folder);
    } else {
        // Until the folder exists, its parent tells when it appears.
        const QString parent = QFileInfo(folder).absolutePath();
        if (QFileInfo(parent).isDir())
            wanted.append(parent);
    }

    const QStringList watched = watcher->files() + watcher->directories();
    for (const QString &entry : watched) {
        if (!wanted.contains(entry))
            watcher->removePath(entry);
    }
    for (const QString &entry : std::as_const(wanted)) {
        if (!watched.contains(entry))
            watcher->addPath(entry);
    }
}
