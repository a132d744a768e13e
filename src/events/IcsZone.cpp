#include "IcsZone_p.h"

#include "IcsLibical_p.h"
#include "shared/IcuSupport_p.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

#include <unicode/basictz.h>
#include <unicode/tztrans.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 msPerSecond = 1000;

constexpr qint64 msPerDay = 86'400'000;

// Local wall time to an instant with ICU's rules for gaps and overlaps: a skipped time is read
// with the offset before the change (so it moves forward by the gap), a repeated time gives the
// earlier instant.
qint64 icuToUtc(const icu::TimeZone &zone, qint64 wallMs)
{
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    if (const auto *basic = dynamic_cast<const icu::BasicTimeZone *>(&zone)) {
        basic->getOffsetFromLocal(UDate(wallMs), UCAL_TZ_LOCAL_FORMER, UCAL_TZ_LOCAL_FORMER,
                                  rawOffset, dstOffset, status);
    } else {
        zone.getOffset(UDate(wallMs), true, rawOffset, dstOffset, status);
    }
    if (U_FAILURE(status))
        return wallMs;
    return wallMs - rawOffset - dstOffset;
}

// ICU computes every offset from calendar fields, which costs more than everything else a month
// query does. Offsets stay constant between transitions, so the span around the last instant
// asked for is kept, and answers inside it (away from its edges, for wall times) cost nothing.
class OffsetCache
{
public:
    void reset(const icu::TimeZone *newZone)
    {
        zone = newZone;
        from = 1;
        to = 0;
    }

    qint64 toWall(const icu::TimeZone *current, qint64 utcMs)
    {
        const QMutexLocker locker(&mutex);
        use(current);
        return toWallLocked(utcMs);
    }

    qint64 toUtc(const icu::TimeZone *current, qint64 wallMs)
    {
        const QMutexLocker locker(&mutex);
        use(current);
        return toUtcLocked(wallMs);
    }

private:
    void use(const icu::TimeZone *current)
    {
        if (current && current != zone) {
            zone = current;
            from = 1;
            to = 0;
        }
    }

    qint64 toWallLocked(qint64 utcMs)
    {
        if (utcMs < from || utcMs >= to)
            fill(utcMs);
        return utcMs + offset;
    }

    qint64 toUtcLocked(qint64 wallMs)
    {
        const qint64 guess = wallMs - offset;
        // A day from either edge, no other offset can map this wall time elsewhere.
        if (guess >= from + msPerDay && guess < to - msPerDay)
            return guess;
        const qint64 utc = icuToUtc(*zone, wallMs);
        fill(utc);
        return utc;
    }

    void fill(qint64 utcMs)
    {
        int32_t rawOffset = 0;
        int32_t dstOffset = 0;
        UErrorCode status = U_ZERO_ERROR;
        zone->getOffset(UDate(utcMs), false, rawOffset, dstOffset, status);
        if (U_FAILURE(status)) {
            offset = 0;
            from = utcMs;
            to = utcMs + 1;
            return;
        }
        offset = qint64(rawOffset) + dstOffset;
        from = utcMs;
        to = utcMs + 1;
        const auto *basic = dynamic_cast<const icu::BasicTimeZone *>(zone);
        if (!basic)
            return;
        icu::TimeZoneTransition transition;
        from = basic->getPreviousTransition(UDate(utcMs), true, transition)
                   ? qint64(transition.getTime())
                   : std::numeric_limits<qint64>::min() / 2;
        to = basic->getNextTransition(UDate(utcMs), false, transition)
                 ? qint64(transition.getTime())
                 : std::numeric_limits<qint64>::max() / 2;
    }

    QMutex mutex;
    const icu::TimeZone *zone = nullptr;
    qint64 from = 1;
    qint64 to = 0;
    qint64 offset = 0;
};

class SystemZone final : public IcsZone
{
public:
    qint64 toUtc(qint64 wallMs) const override
    {
        return offsets.toUtc(&IcuSupport::systemTimeZone(), wallMs);
    }
    qint64 toWall(qint64 utcMs) const override
    {
        return offsets.toWall(&IcuSupport::systemTimeZone(), utcMs);
    }

    void forget() const { offsets.reset(nullptr); }

private:
    mutable OffsetCache offsets;
};

class UtcZone final : public IcsZone
{
public:
    qint64 toUtc(qint64 wallMs) const override { return wallMs; }
    qint64 toWall(qint64 utcMs) const override { return utcMs; }
    QString tzid() const override { return u"UTC"_s; }
};

class IcuZone final : public IcsZone
{
public:
    IcuZone(std::unique_ptr<icu::TimeZone> zone, QString tzid)
        : zone(std::move(zone))
        , name(std::move(tzid))
    {
        offsets.reset(this->zone.get());
    }
    qint64 toUtc(qint64 wallMs) const override { return offsets.toUtc(zone.get(), wallMs); }
    qint64 toWall(qint64 utcMs) const override { return offsets.toWall(zone.get(), utcMs); }
    QString tzid() const override { return name; }

private:
    std::unique_ptr<icu::TimeZone> zone;
    QString name;
    mutable OffsetCache offsets;
};

// Frees the zone with the component it owns.
void freeZone(icaltimezone *zone)
{
    icaltimezone_free(zone, 1);
}
using ZonePtr = CHandle<icaltimezone, freeZone>;

class VTimezoneZone final : public IcsZone
{
public:
    explicit VTimezoneZone(ZonePtr zone)
        : zone(std::move(zone))
    {
    }

    qint64 toUtc(qint64 wallMs) const override
    {
        const qint64 seconds = floorDiv(wallMs, msPerSecond);
        icaltimetype time = icaltime_from_timet_with_zone(time_t(seconds), 0, nullptr);
        time.zone = zone.get();
        const qint64 utcSeconds = qint64(icaltime_as_timet_with_zone(time, zone.get()));
        const qint64 utc = utcSeconds * msPerSecond + (wallMs - seconds * msPerSecond);
        // libical puts a skipped time before the gap, where the wall clock reads earlier.
        const qint64 back = toWall(utc);
        return back < wallMs ? utc + (wallMs - back) : utc;
    }

    qint64 toWall(qint64 utcMs) const override
    {
        const qint64 seconds = floorDiv(utcMs, msPerSecond);
        const icaltimetype local = icaltime_from_timet_with_zone(time_t(seconds), 0, zone.get());
        icaltimetype floating = local;
        floating.zone = nullptr;
        const qint64 wallSeconds = qint64(icaltime_as_timet(floating));
        return wallSeconds * msPerSecond + (utcMs - seconds * msPerSecond);
    }

private:
    static qint64 floorDiv(qint64 a, qint64 b) { return a / b - ((a % b) < 0 ? 1 : 0); }

    ZonePtr zone;
};

// Exporters that prefix the zone name with their own path ("/mozilla.org/20050126_1/Europe/Paris",
// "/freeassociation.sourceforge.net/Tzfile/Europe/Paris") still mean the IANA zone at the end.
QStringList candidateNames(const QString &tzid)
{
    QStringList names{tzid};
    if (tzid.startsWith(u'/')) {
        const QStringList parts = tzid.split(u'/', Qt::SkipEmptyParts);
        for (qsizetype count = 3; count >= 1; --count) {
            if (parts.size() > count)
                names.append(parts.mid(parts.size() - count).join(u'/'));
        }
    }
    return names;
}

bool isUtcAlias(const QString &name)
{
    static const QStringList aliases{u"UTC"_s,
                                     u"GMT"_s,
                                     u"Z"_s,
                                     u"Etc/UTC"_s,
                                     u"Etc/GMT"_s,
                                     u"Etc/Zulu"_s,
                                     u"Etc/Universal"_s,
                                     u"Universal"_s,
                                     u"Zulu"_s,
                                     u"UCT"_s,
                                     u"Etc/UCT"_s,
                                     u"GMT0"_s,
                                     u"Etc/GMT0"_s,
                                     u"Coordinated Universal Time"_s,
                                     u"UTC+00:00"_s,
                                     u"(UTC) Coordinated Universal Time"_s};
    return aliases.contains(name, Qt::CaseInsensitive);
}

std::unique_ptr<icu::TimeZone> icuZone(const icu::UnicodeString &id)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString canonical;
    UBool isSystemId = false;
    icu::TimeZone::getCanonicalID(id, canonical, isSystemId, status);
    if (U_FAILURE(status) || !isSystemId)
        return nullptr;
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(canonical));
    icu::UnicodeString created;
    if (!zone || zone->getID(created) == icu::UnicodeString(UCAL_UNKNOWN_ZONE_ID))
        return nullptr;
    return zone;
}

std::shared_ptr<const IcsZone> resolve(const QString &tzid)
{
    const QStringList names = candidateNames(tzid.trimmed());
    for (const QString &name : names) {
        if (isUtcAlias(name))
            return IcsZone::utc();
    }
    for (const QString &name : names) {
        if (auto zone = icuZone(IcuSupport::toUnicodeString(name)))
            return std::make_shared<IcuZone>(std::move(zone), tzid);
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString ianaId;
    icu::TimeZone::getIDForWindowsID(IcuSupport::toUnicodeString(tzid.trimmed()), nullptr, ianaId,
                                     status);
    if (U_SUCCESS(status) && !ianaId.isBogus() && !ianaId.isEmpty()) {
        if (auto zone = icuZone(ianaId))
            return std::make_shared<IcuZone>(std::move(zone), tzid);
    }
    return nullptr;
}

} // namespace

IcsZone::~IcsZone() = default;

namespace {

const SystemZone &systemZone()
{
    static const SystemZone zone;
    return zone;
}

} // namespace

const IcsZone &IcsZone::system()
{
    return systemZone();
}

void IcsZone::systemZoneMayHaveChanged()
{
    systemZone().forget();
}

std::shared_ptr<const IcsZone> IcsZone::utc()
{
    static const auto zone = std::make_shared<const UtcZone>();
    return zone;
}

std::shared_ptr<const IcsZone> IcsZone::named(const QString &tzid)
{
    // Files name few zones but name them often; ICU zone construction is not cheap.
    static QHash<QString, std::shared_ptr<const IcsZone>> cache;
    static QMutex mutex;
    const QMutexLocker locker(&mutex);
    const auto found = cache.constFind(tzid);
    if (found != cache.constEnd())
        return *found;
    auto zone = resolve(tzid);
    if (cache.size() < 4096)
        cache.insert(tzid, zone);
    return zone;
}

std::shared_ptr<const IcsZone> makeVTimezoneZone(const icalcomponent *vtimezone)
{
    if (!vtimezone)
        return nullptr;
    ZonePtr zone(icaltimezone_new());
    if (!zone)
        return nullptr;
    IcsLibical::ComponentPtr copy(icalcomponent_new_clone(const_cast<icalcomponent *>(vtimezone)));
    if (!copy || !icaltimezone_set_component(zone.get(), copy.get()))
        return nullptr;
    // The zone owns the copy from here on.
    copy.release();
    return std::make_shared<VTimezoneZone>(std::move(zone));
}
