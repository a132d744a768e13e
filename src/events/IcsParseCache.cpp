#include "IcsParseCache.h"

#include "IcsRecurrence_p.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

#include <array>
#include <span>

using namespace Qt::StringLiterals;

Q_DECLARE_LOGGING_CATEGORY(lcIcal)

namespace {

constexpr QByteArrayView magic = "TSLC";
constexpr auto digest = QCryptographicHash::Sha1;
constexpr int streamVersion = QDataStream::Qt_6_0;

// Time zones and repeated texts are looked up once per cache file, not once per event.
struct Reader
{
    QDataStream &in;
    QHash<QString, std::shared_ptr<const IcsZone>> zones;
    QHash<QString, QString> texts;
    bool ok = true;

    QString text()
    {
        QString value;
        in >> value;
        const auto found = texts.constFind(value);
        if (found != texts.constEnd())
            return *found;
        texts.insert(value, value);
        return value;
    }

    std::optional<QString> optionalText()
    {
        bool present = false;
        in >> present;
        if (!present)
            return std::nullopt;
        return text();
    }

    IcsTime time()
    {
        IcsTime value;
        quint8 kind = 0;
        in >> kind >> value.wallMs;
        if (kind > quint8(IcsTimeKind::zoned)) {
            ok = false;
            return value;
        }
        value.kind = IcsTimeKind(kind);
        if (value.kind == IcsTimeKind::zoned) {
            QString tzid;
            in >> tzid;
            auto found = zones.constFind(tzid);
            if (found == zones.constEnd())
                found = zones.insert(tzid, IcsZone::named(tzid));
            value.zone = *found;
            ok = ok && value.zone;
        }
        return value;
    }

    std::vector<qint64> numbers()
    {
        quint32 count = 0;
        in >> count;
        std::vector<qint64> values;
        for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            qint64 value = 0;
            in >> value;
            values.push_back(value);
        }
        return values;
    }
};

void writeText(QDataStream &out, const std::optional<QString> &text)
{
    out << text.has_value();
    if (text)
        out << *text;
}

void writeTime(QDataStream &out, const IcsTime &time)
{
    out << quint8(time.kind) << time.wallMs;
    if (time.kind == IcsTimeKind::zoned)
        out << time.zone->tzid();
}

void writeNumbers(QDataStream &out, const std::vector<qint64> &values)
{
    out << quint32(values.size());
    for (const qint64 value : values)
        out << value;
}

// The by-lists of a rule, each a fixed array ended early by ICAL_RECURRENCE_ARRAY_MAX.
template<typename Short, typename Rule> std::array<std::span<Short>, 9> ruleLists(Rule &rule)
{
    return {std::span<Short>(rule.by_second),    std::span<Short>(rule.by_minute),
            std::span<Short>(rule.by_hour),      std::span<Short>(rule.by_day),
            std::span<Short>(rule.by_month_day), std::span<Short>(rule.by_year_day),
            std::span<Short>(rule.by_week_no),   std::span<Short>(rule.by_month),
            std::span<Short>(rule.by_set_pos)};
}

void writeRule(QDataStream &out, const icalrecurrencetype &rule)
{
    const icaltimetype &until = rule.until;
    out << qint32(rule.freq) << qint32(until.year) << qint32(until.month) << qint32(until.day)
        << qint32(until.hour) << qint32(until.minute) << qint32(until.second)
        << qint32(until.is_date) << qint32(rule.count) << qint16(rule.interval)
        << qint32(rule.week_start) << qint32(rule.skip);
    for (const auto list : ruleLists<const short>(rule)) {
        for (const short value : list)
            out << qint16(value);
    }
}

icalrecurrencetype readRule(QDataStream &in)
{
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    qint32 freq = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, isDate = 0,
           count = 0, weekStart = 0, skip = 0;
    qint16 interval = 0;
    in >> freq >> year >> month >> day >> hour >> minute >> second >> isDate >> count >> interval
        >> weekStart >> skip;
    rule.freq = icalrecurrencetype_frequency(freq);
    if (year != 0) {
        rule.until.year = year;
        rule.until.month = month;
        rule.until.day = day;
        rule.until.hour = hour;
        rule.until.minute = minute;
        rule.until.second = second;
        rule.until.is_date = isDate;
    }
    rule.count = count;
    rule.interval = interval;
    rule.week_start = icalrecurrencetype_weekday(weekStart);
    rule.skip = icalrecurrencetype_skip(skip);
    for (const auto list : ruleLists<short>(rule)) {
        for (short &value : list) {
            qint16 read = 0;
            in >> read;
            value = read;
        }
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

void writeFile(QDataStream &out, const IcsCalendarFile &file)
{
    writeText(out, file.name);
    writeText(out, file.colorText);
    out << qint32(file.skippedComponents) << quint32(file.events.size());
    for (const IcsEvent &event : file.events) {
        out << event.uid;
        writeText(out, event.title);
        writeText(out, event.location);
        writeTime(out, event.start);
        out << event.durationMs << event.recurrenceId.has_value();
        if (event.recurrenceId)
            writeTime(out, *event.recurrenceId);
        const IcsRecurrence *recurrence = event.recurrence.get();
        out << bool(recurrence);
        if (!recurrence)
            continue;
        out << quint32(recurrence->rules.size());
        for (const icalrecurrencetype &rule : recurrence->rules)
            writeRule(out, rule);
        writeNumbers(out, recurrence->rdates);
        writeNumbers(out, recurrence->exdates);
        writeNumbers(out, recurrence->exdays);
        writeNumbers(out, recurrence->replaced);
        out << recurrence->lastStartWall;
    }
}

std::shared_ptr<const IcsCalendarFile> readFile(Reader &reader)
{
    QDataStream &in = reader.in;
    auto file = std::make_shared<IcsCalendarFile>();
    file->name = reader.optionalText();
    file->colorText = reader.optionalText();
    qint32 skipped = 0;
    quint32 count = 0;
    in >> skipped >> count;
    file->skippedComponents = skipped;
    for (quint32 i = 0; i < count && reader.ok && in.status() == QDataStream::Ok; ++i) {
        IcsEvent event;
        event.uid = reader.text();
        event.title = reader.optionalText();
        event.location = reader.optionalText();
        event.start = reader.time();
        bool hasRecurrenceId = false;
        in >> event.durationMs >> hasRecurrenceId;
        if (hasRecurrenceId)
            event.recurrenceId = reader.time();
        bool repeats = false;
        in >> repeats;
        if (repeats) {
            auto recurrence = std::make_shared<IcsRecurrence>();
            quint32 rules = 0;
            in >> rules;
            for (quint32 r = 0; r < rules && in.status() == QDataStream::Ok; ++r)
                recurrence->rules.push_back(readRule(in));
            recurrence->rdates = reader.numbers();
            recurrence->exdates = reader.numbers();
            recurrence->exdays = reader.numbers();
            recurrence->replaced = reader.numbers();
            in >> recurrence->lastStartWall;
            event.recurrence = std::move(recurrence);
        }
        file->events.push_back(std::move(event));
    }
    return file;
}

QByteArray header()
{
    QByteArray bytes = magic.toByteArray();
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out << IcsParseCache::formatVersion << QByteArray(ICAL_VERSION);
    return bytes;
}

} // namespace

IcsParseCache::Stamp IcsParseCache::Stamp::of(const QFileInfo &info)
{
    return {info.size(), info.lastModified().toMSecsSinceEpoch(),
            info.metadataChangeTime().toMSecsSinceEpoch()};
}

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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const QByteArray expectedHeader = header();
    const qsizetype digestSize = QCryptographicHash::hashLength(digest);
    if (data.size() < expectedHeader.size() + digestSize || !data.startsWith(expectedHeader))
        return {};
    const QByteArrayView body = QByteArrayView(data).chopped(digestSize);
    if (QCryptographicHash::hash(body, digest) != data.right(digestSize)) {
        qCDebug(lcIcal) << "ignoring the damaged cache file" << file.fileName();
        return {};
    }

    const QByteArray payload = body.sliced(expectedHeader.size()).toByteArray();
    QDataStream in(payload);
    in.setVersion(streamVersion);
    Reader reader{in, {}, {}};
    QString identifier;
    quint32 count = 0;
    in >> identifier >> count;
    if (identifier != calendarIdentifier)
        return {};
    Files files;
    for (quint32 i = 0; i < count && reader.ok && in.status() == QDataStream::Ok; ++i) {
        QString key;
        Stamp stamp;
        in >> key >> stamp.size >> stamp.modifiedMs >> stamp.changedMs;
        files[key] = {stamp, readFile(reader)};
    }
    if (!reader.ok || in.status() != QDataStream::Ok || !in.atEnd())
        return {};
    return files;
}

bool IcsParseCache::save(const QString &calendarIdentifier, const Files &files) const
{
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(streamVersion);
        quint32 kept = 0;
        for (const auto &[key, file] : files)
            kept += file.content && canKeep(*file.content) ? 1 : 0;
        out << calendarIdentifier << kept;
        for (const auto &[key, file] : files) {
            if (!file.content || !canKeep(*file.content))
                continue;
            out << key << file.stamp.size << file.stamp.modifiedMs << file.stamp.changedMs;
            writeFile(out, *file.content);
        }
    }
    const QByteArray body = header() + payload;
    if (!QDir().mkpath(folder))
        return false;
    QSaveFile out(pathFor(calendarIdentifier));
    if (!out.open(QIODevice::WriteOnly) || out.write(body) != body.size()
        || out.write(QCryptographicHash::hash(body, digest)) < 0 || !out.commit()) {
        qCDebug(lcIcal) << "cannot write the cache file" << out.fileName() << out.errorString();
        return false;
    }
    return true;
}
