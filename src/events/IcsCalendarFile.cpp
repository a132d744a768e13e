#include "IcsCalendarFile.h"

#include "IcsLibical_p.h"
#include "IcsRecurrence_p.h"
#include "IcsZone_p.h"
#include "shared/Logging.h"

#include <QHash>

#include <QSet>

#include <algorithm>
#include <unordered_map>

using namespace Qt::StringLiterals;
using namespace IcsLibical;

namespace {

// Nesting deeper than this is not iCalendar any more; the block is dropped.
constexpr int maxDepth = 32;
constexpr qsizetype maxCalendarPropertyBytes = 256 * 1024;

// One component directly inside a VCALENDAR, as text.
struct Block
{
    QByteArray name;
    QByteArrayView text;
};

struct SplitText
{
    QByteArray calendarProperties;
    std::vector<Block> blocks;
};

bool startsWithCi(QByteArrayView line, QByteArrayView prefix)
{
    return line.size() >= prefix.size()
           && qstrnicmp(line.data(), prefix.data(), prefix.size()) == 0;
}

QByteArray componentName(QByteArrayView line, qsizetype prefixLength)
{
    return line.sliced(prefixLength).toByteArray().trimmed().toUpper();
}

// Cuts the text into the components of its calendars by their BEGIN and END lines alone, so that
// libical only ever sees one component at a time: a huge file never becomes one huge tree, and a
// broken component costs only itself. An END closes the innermost open component of its name;
// a component still open at the end of the text is dropped.
SplitText split(QByteArrayView data)
{
    SplitText result;
    std::vector<QByteArray> open;
    bool inCalendar = false;
    bool blockTooDeep = false;
    qsizetype blockStart = 0;
    qsizetype position = 0;
    while (position < data.size()) {
        qsizetype end = data.indexOf('\n', position);
        if (end < 0)
            end = data.size();
        const qsizetype next = end < data.size() ? end + 1 : end;
        QByteArrayView line = data.sliced(position, end - position);
        if (line.endsWith('\r'))
            line.chop(1);

        if (startsWithCi(line, "BEGIN:")) {
            const QByteArray name = componentName(line, 6);
            if (name == "VCALENDAR" && open.empty()) {
                inCalendar = true;
            } else {
                // A bare component outside any VCALENDAR is read as if it were inside one.
                inCalendar = true;
                if (open.empty()) {
                    blockStart = position;
                    blockTooDeep = false;
                }
                if (open.size() < size_t(maxDepth))
                    open.push_back(name);
                else
                    blockTooDeep = true;
            }
        } else if (startsWithCi(line, "END:")) {
            const QByteArray name = componentName(line, 4);
            const auto match = std::find(open.rbegin(), open.rend(), name);
            if (match != open.rend()) {
                open.erase(std::prev(match.base()), open.end());
                if (open.empty() && !blockTooDeep) {
                    const QByteArrayView text = data.sliced(blockStart, next - blockStart);
                    result.blocks.push_back({name, text});
                }
            } else if (name == "VCALENDAR") {
                open.clear();
                inCalendar = false;
            }
        } else if (inCalendar && open.empty()
                   && result.calendarProperties.size() < maxCalendarPropertyBytes) {
            result.calendarProperties.append(line.data(), line.size());
            result.calendarProperties.append("\r\n");
        }
        position = next;
    }
    return result;
}

ComponentPtr parseComponent(QByteArrayView text)
{
    // libical reads NUL-terminated text; an embedded NUL just ends the component early.
    const QByteArray copy = text.toByteArray();
    return ComponentPtr(icalparser_parse_string(copy.constData()));
}

// The component of the wanted kind: the parsed root, or its first child when the parser wrapped
// several roots.
icalcomponent *componentOfKind(icalcomponent *root, icalcomponent_kind kind)
{
    if (!root)
        return nullptr;
    if (icalcomponent_isa(root) == kind)
        return root;
    return icalcomponent_get_first_component(root, kind);
}

const char *textProperty(icalcomponent *component, icalproperty_kind kind)
{
    icalproperty *property = icalcomponent_get_first_property(component, kind);
    const icalvalue *value = property ? icalproperty_get_value(property) : nullptr;
    return value ? icalvalue_get_text(value) : nullptr;
}

// Null when the property is absent; never null when it is there, even empty.
QString nullableText(const char *text)
{
    if (!text)
        return {};
    QString value = QString::fromUtf8(text);
    return value.isNull() ? u""_s : value;
}

std::optional<QString> xProperty(icalcomponent *component, const char *name)
{
    for (icalproperty *property = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY);
         property; property = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
        const char *propertyName = icalproperty_get_property_name(property);
        if (!propertyName || qstricmp(propertyName, name) != 0)
            continue;
        const char *text = icalproperty_get_value_as_string(property);
        if (text)
            return QString::fromUtf8(text);
    }
    return std::nullopt;
}

// Zones named by TZID parameters: the system's zone database first, the file's VTIMEZONE only
// when the name means nothing there.
class ZoneLookup
{
public:
    explicit ZoneLookup(std::unordered_map<QString, ComponentPtr> &vtimezones)
        : vtimezones(vtimezones)
    {
    }

    std::shared_ptr<const IcsZone> zone(const QString &tzid)
    {
        const auto cached = resolved.constFind(tzid);
        if (cached != resolved.constEnd())
            return *cached;
        auto zone = IcsZone::named(tzid);
        if (!zone) {
            const auto found = vtimezones.find(tzid);
            if (found != vtimezones.end())
                zone = makeVTimezoneZone(found->second.get());
        }
        resolved.insert(tzid, zone);
        return zone;
    }

private:
    std::unordered_map<QString, ComponentPtr> &vtimezones;
    QHash<QString, std::shared_ptr<const IcsZone>> resolved;
};

std::optional<IcsTime> readTime(icalproperty *property, const icaltimetype &time, ZoneLookup &zones)
{
    const auto wall = wallMs(time);
    if (!wall)
        return std::nullopt;
    IcsTime result;
    result.wallMs = *wall;
    if (time.is_date) {
        result.kind = IcsTimeKind::date;
    } else if (icaltime_is_utc(time)) {
        result.kind = IcsTimeKind::zoned;
        result.zone = IcsZone::utc();
    } else if (icalparameter *tzid =
                   icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER);
               tzid && icalparameter_get_tzid(tzid)) {
        // A zone nobody knows leaves the time on the reader's own clock.
        result.zone = zones.zone(QString::fromUtf8(icalparameter_get_tzid(tzid)));
        result.kind = result.zone ? IcsTimeKind::zoned : IcsTimeKind::floating;
    } else {
        result.kind = IcsTimeKind::floating;
    }
    return result;
}

// A time moved onto the wall clock of a series' start, so that instances can be matched by value.
qint64 inFrameOf(const IcsTime &series, const IcsTime &time)
{
    if (series.kind == IcsTimeKind::zoned && time.kind == IcsTimeKind::zoned && series.zone
        && time.zone && series.zone != time.zone)
        return series.zone->toWall(time.zone->toUtc(time.wallMs));
    if (series.isDate())
        return floorDiv(time.wallMs, msPerDay) * msPerDay;
    return time.wallMs;
}

// A VEVENT as read, before masters and moved instances are matched up by UID.
struct RawEvent
{
    IcsEvent event;
    bool cancelled = false;
    std::vector<icalrecurrencetype> rules;
    std::vector<IcsTime> rdates;
    std::vector<IcsTime> exdates;
};

std::optional<RawEvent> readEvent(icalcomponent *vevent, ZoneLookup &zones)
{
    icalproperty *dtstart = icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY);
    if (!dtstart)
        return std::nullopt;
    const auto start = readTime(dtstart, icalproperty_get_dtstart(dtstart), zones);
    if (!start)
        return std::nullopt;

    RawEvent raw;
    IcsEvent &event = raw.event;
    event.start = *start;
    event.uid = QByteArray(textProperty(vevent, ICAL_UID_PROPERTY));
    event.title = nullableText(textProperty(vevent, ICAL_SUMMARY_PROPERTY));
    event.location = nullableText(textProperty(vevent, ICAL_LOCATION_PROPERTY));
    if (icalproperty *status = icalcomponent_get_first_property(vevent, ICAL_STATUS_PROPERTY))
        raw.cancelled = icalproperty_get_status(status) == ICAL_STATUS_CANCELLED;

    // The length: DTEND, else DURATION, else one day for a date and nothing for a time.
    std::optional<qint64> length;
    if (icalproperty *dtend = icalcomponent_get_first_property(vevent, ICAL_DTEND_PROPERTY)) {
        if (const auto end = readTime(dtend, icalproperty_get_dtend(dtend), zones)) {
            if (event.start.isDate())
                length = floorDiv(end->wallMs, msPerDay) * msPerDay - event.start.wallMs;
            else if (event.start.kind == IcsTimeKind::zoned || end->kind == IcsTimeKind::zoned)
                length = end->toUtc() - event.start.toUtc();
            else
                length = end->wallMs - event.start.wallMs;
        }
    } else if (icalproperty *duration =
                   icalcomponent_get_first_property(vevent, ICAL_DURATION_PROPERTY)) {
        const icaldurationtype value = icalproperty_get_duration(duration);
        if (!icaldurationtype_is_bad_duration(value) && !value.is_neg) {
            const qint64 seconds = icaldurationtype_as_int(value);
            length = event.start.isDate() ? floorDiv(seconds, 86'400) * msPerDay : seconds * 1000;
        }
    }
    const qint64 minimum = event.start.isDate() ? msPerDay : 0;
    event.durationMs = qMax(length.value_or(minimum), minimum);

    if (icalproperty *recurrenceId =
            icalcomponent_get_first_property(vevent, ICAL_RECURRENCEID_PROPERTY)) {
        if (const auto time =
                readTime(recurrenceId, icalproperty_get_recurrenceid(recurrenceId), zones))
            event.recurrenceId = std::make_shared<const IcsTime>(*time);
    }

    for (icalproperty *property = icalcomponent_get_first_property(vevent, ICAL_RRULE_PROPERTY);
         property; property = icalcomponent_get_next_property(vevent, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype rule = icalproperty_get_rrule(property);
        if (rule.freq == ICAL_NO_RECURRENCE)
            continue;
        // Calendar scales other than Gregorian are not expanded; the pointer would dangle anyway.
        if (rule.rscale || IcsRecurrence::neverMatches(rule))
            continue;
        if (!icaltime_is_null_time(rule.until)) {
            // Compare UNTIL on the series' own wall clock.
            const auto until = readTime(property, rule.until, zones);
            if (!until)
                continue;
            IcsTime untilTime = *until;
            if (icaltime_is_utc(rule.until)) {
                untilTime.kind = IcsTimeKind::zoned;
                untilTime.zone = IcsZone::utc();
            }
            const qint64 wall = event.start.kind == IcsTimeKind::zoned
                                    ? event.start.zone->toWall(untilTime.toUtc())
                                    : untilTime.wallMs;
            rule.until = fromWallMs(wall, event.start.isDate());
        }
        raw.rules.push_back(rule);
    }
    for (icalproperty *property = icalcomponent_get_first_property(vevent, ICAL_RDATE_PROPERTY);
         property; property = icalcomponent_get_next_property(vevent, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype value = icalproperty_get_rdate(property);
        const icaltimetype time =
            icaltime_is_null_time(value.time) ? value.period.start : value.time;
        if (const auto rdate = readTime(property, time, zones))
            raw.rdates.push_back(*rdate);
    }
    for (icalproperty *property = icalcomponent_get_first_property(vevent, ICAL_EXDATE_PROPERTY);
         property; property = icalcomponent_get_next_property(vevent, ICAL_EXDATE_PROPERTY)) {
        if (const auto exdate = readTime(property, icalproperty_get_exdate(property), zones))
            raw.exdates.push_back(*exdate);
    }
    return raw;
}

// The last start a rule set can have, when every rule has an UNTIL; COUNT rules are left open.
qint64 lastStartOf(const std::vector<icalrecurrencetype> &rules, const std::vector<qint64> &rdates,
                   qint64 dtstart)
{
    qint64 last = dtstart;
    for (const icalrecurrencetype &rule : rules) {
        const auto until = wallMs(rule.until);
        if (!until)
            return std::numeric_limits<qint64>::max();
        last = qMax(last, *until);
    }
    for (const qint64 rdate : rdates)
        last = qMax(last, rdate);
    return last;
}

void sortUnique(std::vector<qint64> &values)
{
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
}

// Matches moved instances to their masters: a moved or cancelled instance replaces the one its
// RECURRENCE-ID names; cancelled events and everything of a cancelled series are left out. An
// instance whose master is absent stands alone, its own rule expanded: some web calendars publish
// every series that way.
std::vector<IcsEvent> assemble(std::vector<RawEvent> raws)
{
    QSet<QByteArray> masterUids;
    for (const RawEvent &raw : raws) {
        if (!raw.event.recurrenceId)
            masterUids.insert(raw.event.uid);
    }
    // The instances' times are kept apart: the events they belong to are moved out below.
    QHash<QByteArray, std::vector<std::shared_ptr<const IcsTime>>> instancesByUid;
    QSet<QByteArray> cancelledSeries;
    for (RawEvent &raw : raws) {
        const bool repeats = !raw.rules.empty() || !raw.rdates.empty();
        if (raw.event.recurrenceId && repeats && !masterUids.contains(raw.event.uid)) {
            raw.event.recurrenceId.reset();
            continue;
        }
        if (raw.event.recurrenceId)
            instancesByUid[raw.event.uid].push_back(raw.event.recurrenceId);
        else if (raw.cancelled)
            cancelledSeries.insert(raw.event.uid);
    }

    std::vector<IcsEvent> events;
    events.reserve(raws.size());
    QSet<QByteArray> seenMasters;
    for (RawEvent &raw : raws) {
        IcsEvent &event = raw.event;
        if (raw.cancelled)
            continue;
        if (event.recurrenceId) {
            if (!cancelledSeries.contains(event.uid))
                events.push_back(std::move(event));
            continue;
        }
        std::vector<qint64> replaced;
        // Instances belong to the first master of their UID.
        if (!seenMasters.contains(event.uid)) {
            seenMasters.insert(event.uid);
            for (const std::shared_ptr<const IcsTime> &instance : instancesByUid.value(event.uid))
                replaced.push_back(inFrameOf(event.start, *instance));
        }
        if (raw.rules.empty() && raw.rdates.empty()) {
            if (std::find(replaced.begin(), replaced.end(), event.start.wallMs) == replaced.end())
                events.push_back(std::move(event));
            continue;
        }
        auto recurrence = std::make_shared<IcsRecurrence>();
        for (const icalrecurrencetype &rule : raw.rules)
            recurrence->rules.emplace_back(rule);
        for (const IcsTime &rdate : raw.rdates)
            recurrence->rdates.push_back(inFrameOf(event.start, rdate));
        for (const IcsTime &exdate : raw.exdates) {
            if (exdate.isDate() && !event.start.isDate())
                recurrence->exdays.push_back(floorDiv(exdate.wallMs, msPerDay));
            else
                recurrence->exdates.push_back(inFrameOf(event.start, exdate));
        }
        recurrence->replaced = std::move(replaced);
        sortUnique(recurrence->rdates);
        sortUnique(recurrence->exdates);
        sortUnique(recurrence->exdays);
        sortUnique(recurrence->replaced);
        recurrence->lastStartWall = lastStartOf(raw.rules, recurrence->rdates, event.start.wallMs);
        event.recurrence = std::move(recurrence);
        events.push_back(std::move(event));
    }
    return events;
}

void configureLibical()
{
    static const bool configured = [] {
        // Bad input must come back as an error value, never abort the process.
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    Q_UNUSED(configured);
}

} // namespace

IcsCalendarFile IcsCalendarFile::parse(QByteArrayView data, const QString &uidPrefix)
{
    configureLibical();
    IcsCalendarFile file;
    SplitText text = split(data);

    if (!text.calendarProperties.isEmpty()) {
        const QByteArray calendar =
            "BEGIN:VCALENDAR\r\n" + text.calendarProperties + "END:VCALENDAR\r\n";
        const ComponentPtr root(icalparser_parse_string(calendar.constData()));
        if (icalcomponent *vcalendar = componentOfKind(root.get(), ICAL_VCALENDAR_COMPONENT)) {
            Properties properties;
            properties.name = xProperty(vcalendar, "X-WR-CALNAME").value_or(QString());
            properties.colorText = xProperty(vcalendar, "COLOR").value_or(QString());
            if (properties.colorText.isNull())
                properties.colorText =
                    xProperty(vcalendar, "X-APPLE-CALENDAR-COLOR").value_or(QString());
            if (!properties.name.isNull() || !properties.colorText.isNull())
                file.properties = std::make_shared<const Properties>(std::move(properties));
        }
    }

    std::unordered_map<QString, ComponentPtr> vtimezones;
    for (const Block &block : text.blocks) {
        if (block.name != "VTIMEZONE")
            continue;
        ComponentPtr root = parseComponent(block.text);
        icalcomponent *vtimezone = componentOfKind(root.get(), ICAL_VTIMEZONE_COMPONENT);
        icalproperty *tzid =
            vtimezone ? icalcomponent_get_first_property(vtimezone, ICAL_TZID_PROPERTY) : nullptr;
        if (!tzid || !icalproperty_get_tzid(tzid)) {
            ++file.skippedComponents;
            continue;
        }
        const QString name = QString::fromUtf8(icalproperty_get_tzid(tzid));
        if (vtimezones.count(name) > 0)
            continue;
        if (vtimezone != root.get()) {
            icalcomponent_remove_component(root.get(), vtimezone);
            root.reset(vtimezone);
        }
        vtimezones.emplace(name, std::move(root));
    }

    ZoneLookup zones(vtimezones);
    std::vector<RawEvent> raws;
    int position = 0;
    for (const Block &block : text.blocks) {
        if (block.name != "VEVENT")
            continue;
        ++position;
        const ComponentPtr root = parseComponent(block.text);
        icalcomponent *vevent = componentOfKind(root.get(), ICAL_VEVENT_COMPONENT);
        auto raw = vevent ? readEvent(vevent, zones) : std::nullopt;
        if (!raw) {
            ++file.skippedComponents;
            continue;
        }
        if (raw->event.uid.isEmpty())
            raw->event.uid = (uidPrefix + u'#' + QString::number(position)).toUtf8();
        raws.push_back(*std::move(raw));
    }
    if (file.skippedComponents > 0)
        qCDebug(lcIcal) << "left out" << file.skippedComponents << "unreadable components";
    file.events = assemble(std::move(raws));
    return file;
}
