#include "IcsParseCache.h"

#include "IcsRecurrence_p.h"
#include "shared/Logging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr QByteArrayView magic = "TSLC";
constexpr auto digest = QCryptographicHash::Sha1;

// Values are kept in the machine's own byte order: a cache never leaves the machine, and one
// from a machine of the other order fails the version check.
class Writer
{
public:
    explicit Writer(QByteArray &out)
        : out(out)
    {
    }

    template<typename T> void put(T value)
    {
        out.append(reinterpret_cast<const char *>(&value), sizeof value);
    }

    void text(const QString &value)
    {
        put(quint32(value.size()));
        out.append(reinterpret_cast<const char *>(value.utf16()), value.size() * 2);
    }

    void bytes(const QByteArray &value)
    {
        put(quint32(value.size()));
        out.append(value);
    }

    // A null text reads back as null, an empty one as empty.
    void nullableText(const QString &value)
    {
        put(quint8(!value.isNull()));
        if (!value.isNull())
            text(value);
    }

    void time(const IcsTime &value)
    {
        put(quint8(value.kind));
        put(value.wallMs);
        if (value.kind == IcsTimeKind::zoned)
            text(value.zone->tzid());
    }

    void numbers(const std::vector<qint64> &values)
    {
        put(quint32(values.size()));
        for (const qint64 value : values)
            put(value);
    }

private:
    QByteArray &out;
};

// Reads what Writer wrote; any read past the end, or a value that cannot be, marks it failed.
class Reader
{
public:
    explicit Reader(QByteArrayView data)
        : position(data.data())
        , end(data.data() + data.size())
    {
    }

    [[nodiscard]] bool failed() const { return !ok; }
    [[nodiscard]] bool atEnd() const { return position == end; }
    [[nodiscard]] qsizetype remaining() const { return end - position; }

    template<typename T> T get()
    {
        T value{};
        if (size_t(end - position) < sizeof value) {
            fail();
            return value;
        }
        std::memcpy(&value, position, sizeof value);
        position += sizeof value;
        return value;
    }

    QString text()
    {
        const quint32 length = get<quint32>();
        if (quint64(end - position) < quint64(length) * 2) {
            fail();
            return {};
        }
        QString value(qsizetype(length), Qt::Uninitialized);
        std::memcpy(value.data(), position, size_t(length) * 2);
        position += qsizetype(length) * 2;
        return value;
    }

    QByteArray bytes()
    {
        const quint32 length = get<quint32>();
        if (quint64(end - position) < length) {
            fail();
            return {};
        }
        QByteArray value(position, qsizetype(length));
        position += qsizetype(length);
        return value;
    }

    QString nullableText()
    {
        if (get<quint8>() == 0)
            return {};
        const QString value = text();
        return value.isNull() ? u""_s : value;
    }

    IcsTime time()
    {
        IcsTime value;
        const auto kind = get<quint8>();
        value.wallMs = get<qint64>();
        if (kind > quint8(IcsTimeKind::zoned)) {
            fail();
            return value;
        }
        value.kind = IcsTimeKind(kind);
        if (value.kind == IcsTimeKind::zoned) {
            // Few zones, named again and again: look each up once.
            const QString tzid = text();
            auto found = zones.constFind(tzid);
            if (found == zones.constEnd())
                found = zones.insert(tzid, IcsZone::named(tzid));
            value.zone = *found;
            if (!value.zone)
                fail();
        }
        return value;
    }

    std::vector<qint64> numbers()
    {
        const quint32 count = get<quint32>();
        if (quint64(end - position) < quint64(count) * sizeof(qint64)) {
            fail();
            return {};
        }
        std::vector<qint64> values(count);
        if (count > 0) // an empty vector's data() may be null, which memcpy must not get
            std::memcpy(values.data(), position, count * sizeof(qint64));
        position += qsizetype(count * sizeof(qint64));
        return values;
    }

private:
    void fail()
    {
        ok = false;
        position = end;
    }

    const char *position;
    const char *end;
    bool ok = true;
    QHash<QString, std::shared_ptr<const IcsZone>> zones;
};

void writeRule(Writer &out, const icalrecurrencetype &rule)
{
    const icaltimetype &until = rule.until;
    for (const int value : {int(rule.freq), until.year, until.month, until.day, until.hour,
                            until.minute, until.second, until.is_date, rule.count,
                            int(rule.interval), int(rule.week_start), int(rule.skip)})
        out.put(qint32(value));
    for (const auto list : IcsRecurrence::byLists<const short>(rule)) {
        for (const short value : list)
            out.put(qint16(value));
    }
}

icalrecurrencetype readRule(Reader &in)
{
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = icalrecurrencetype_frequency(in.get<qint32>());
    rule.until.year = in.get<qint32>();
    rule.until.month = in.get<qint32>();
    rule.until.day = in.get<qint32>();
    rule.until.hour = in.get<qint32>();
    rule.until.minute = in.get<qint32>();
    rule.until.second = in.get<qint32>();
    rule.until.is_date = in.get<qint32>();
    rule.count = in.get<qint32>();
    rule.interval = short(in.get<qint32>());
    rule.week_start = icalrecurrencetype_weekday(in.get<qint32>());
    rule.skip = icalrecurrencetype_skip(in.get<qint32>());
    for (const auto list : IcsRecurrence::byLists<short>(rule)) {
        for (short &value : list)
            value = in.get<qint16>();
    }
    return rule;
}

bool isExact(const IcsTime &time)
{
    return time.kind != IcsTimeKind::zoned || (time.zone && !time.zone->tzid().isEmpty());
}

bool canKeep(const IcsCalendarFile &file)
{
    for (const IcsEvent &event : file.events) {
        if (!isExact(event.start) || (event.recurrenceId && !isExact(*event.recurrenceId)))
            return false;
    }
    return true;
}

void writeFile(Writer &out, const IcsCalendarFile &file)
{
    out.nullableText(file.name());
    out.nullableText(file.colorText());
    out.put(qint32(file.skippedComponents));
    out.put(quint32(file.events.size()));
    for (const IcsEvent &event : file.events) {
        out.bytes(event.uid);
        out.nullableText(event.title);
        out.nullableText(event.location);
        out.time(event.start);
        out.put(event.durationMs);
        out.put(quint8(event.recurrenceId != nullptr));
        if (event.recurrenceId)
            out.time(*event.recurrenceId);
        const IcsRecurrence *recurrence = event.recurrence.get();
        out.put(quint8(recurrence != nullptr));
        if (!recurrence)
            continue;
        out.put(quint32(recurrence->rules.size()));
        for (const IcsRecurrence::Rule &rule : recurrence->rules)
            writeRule(out, rule.unpacked());
        out.numbers(recurrence->rdates);
        out.numbers(recurrence->exdates);
        out.numbers(recurrence->exdays);
        out.numbers(recurrence->replaced);
        out.put(recurrence->lastStartWall);
    }
}

void readFile(Reader &in, IcsCalendarFile &file)
{
    IcsCalendarFile::Properties properties{in.nullableText(), in.nullableText()};
    if (!properties.name.isNull() || !properties.colorText.isNull())
        file.properties =
            std::make_shared<const IcsCalendarFile::Properties>(std::move(properties));
    file.skippedComponents = in.get<qint32>();
    const quint32 count = in.get<quint32>();
    for (quint32 i = 0; i < count && !in.failed(); ++i) {
        IcsEvent event;
        event.uid = in.bytes();
        event.title = in.nullableText();
        event.location = in.nullableText();
        event.start = in.time();
        event.durationMs = in.get<qint64>();
        if (in.get<quint8>() != 0)
            event.recurrenceId = std::make_shared<const IcsTime>(in.time());
        if (in.get<quint8>() != 0) {
            auto recurrence = std::make_shared<IcsRecurrence>();
            const quint32 rules = in.get<quint32>();
            for (quint32 r = 0; r < rules && !in.failed(); ++r)
                recurrence->rules.emplace_back(readRule(in));
            recurrence->rdates = in.numbers();
            recurrence->exdates = in.numbers();
            recurrence->exdays = in.numbers();
            recurrence->replaced = in.numbers();
            recurrence->lastStartWall = in.get<qint64>();
            event.recurrence = std::move(recurrence);
        }
        file.events.push_back(std::move(event));
    }
}

QByteArray header()
{
    QByteArray bytes = magic.toByteArray();
    Writer out(bytes);
    out.put(IcsParseCache::formatVersion);
    out.text(QStringLiteral(ICAL_VERSION));
    return bytes;
}

} // namespace

IcsParseCache::IcsParseCache(const QString &folder)
    : folder(folder.isEmpty()
                 ? QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                       + u"/tessel-calendar"_s
                 : folder)
{
}

QString IcsParseCache::pathFor(const QString &calendarIdentifier) const
{
    const QByteArray name =
        QCryptographicHash::hash(calendarIdentifier.toUtf8(), digest).toHex().left(24);
    return folder + u"/calendar-"_s + QString::fromLatin1(name) + u".cache"_s;
}

IcsParseCache::Files IcsParseCache::load(const QString &calendarIdentifier) const
{
    QFile file(pathFor(calendarIdentifier));
    // A regular file only: opening a FIFO in its place would block, reading a link to a device
    // would not end.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.read(file.size());
    const QByteArray expectedHeader = header();
    const qsizetype digestSize = QCryptographicHash::hashLength(digest);
    if (data.size() < expectedHeader.size() + digestSize || !data.startsWith(expectedHeader))
        return {};
    const QByteArrayView body = QByteArrayView(data).chopped(digestSize);
    if (QCryptographicHash::hash(body, digest) != data.right(digestSize)) {
        qCDebug(lcIcal) << "ignoring the damaged cache file" << file.fileName();
        return {};
    }

    Reader in(body.sliced(expectedHeader.size()));
    if (in.text() != calendarIdentifier)
        return {};
    const quint32 count = in.get<quint32>();
    // Each file takes at least its key's length, its stamp and its header: a count the data
    // cannot hold is damage, not a reason to allocate.
    constexpr qsizetype minimumFileBytes = 4 + 3 * 8 + 1 + 1 + 4 + 4;
    if (in.failed() || qint64(count) > in.remaining() / minimumFileBytes)
        return {};
    // A vdir holds one small file per event: the files of a calendar share one allocation
    // rather than paying one each.
    const auto block = std::make_shared<std::vector<IcsCalendarFile>>(count);
    Files files;
    files.reserve(count);
    for (quint32 i = 0; i < count && !in.failed(); ++i) {
        const QString key = in.text();
        Stamp stamp;
        stamp.size = in.get<qint64>();
        stamp.modifiedMs = in.get<qint64>();
        stamp.changedMs = in.get<qint64>();
        IcsCalendarFile &file = (*block)[i];
        readFile(in, file);
        files.emplace_back(key, File{stamp, std::shared_ptr<const IcsCalendarFile>(block, &file)});
    }
    const bool ordered = std::adjacent_find(files.begin(), files.end(),
                                            [](auto &a, auto &b) { return !(a.first < b.first); })
                         == files.end();
    if (in.failed() || !in.atEnd() || !ordered)
        return {};
    return files;
}

const IcsParseCache::File *IcsParseCache::find(const Files &files, const QString &key)
{
    const auto found = std::lower_bound(
        files.begin(), files.end(), key,
        [](const auto &entry, const QString &wanted) { return entry.first < wanted; });
    return found != files.end() && found->first == key ? &found->second : nullptr;
}

bool IcsParseCache::save(const QString &calendarIdentifier, const Files &files) const
{
    QByteArray payload;
    Writer out(payload);
    quint32 kept = 0;
    for (const auto &[key, file] : files)
        kept += file.content && canKeep(*file.content) ? 1 : 0;
    out.text(calendarIdentifier);
    out.put(kept);
    for (const auto &[key, file] : files) {
        if (!file.content || !canKeep(*file.content))
            continue;
        out.text(key);
        out.put(file.stamp.size);
        out.put(file.stamp.modifiedMs);
        out.put(file.stamp.changedMs);
        writeFile(out, *file.content);
    }
    const QByteArray body = header() + payload;
    const QString path = pathFor(calendarIdentifier);
    // Something else in our place (a pipe would never take the write) is left alone.
    const QFileInfo existing(path);
    if (!QDir().mkpath(folder) || (existing.exists() && !existing.isFile()))
        return false;
    QSaveFile saved(path);
    if (!saved.open(QIODevice::WriteOnly) || saved.write(body) != body.size()
        || saved.write(QCryptographicHash::hash(body, digest)) < 0 || !saved.commit()) {
        qCDebug(lcIcal) << "cannot write the cache file" << saved.fileName() << saved.errorString();
        return false;
    }
    return true;
}
