#include "SystemTimeZone.h"

#include "IcuSupport_p.h"

#include <string>

namespace {

std::unique_ptr<icu::TimeZone> &zoneSlot()
{
    static std::unique_ptr<icu::TimeZone> zone;
    return zone;
}

std::unique_ptr<icu::TimeZone> detectZone()
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (!zone)
        zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString(u"Etc/UTC")));
    return zone;
}

void install(std::unique_ptr<icu::TimeZone> zone)
{
    // ICU's own default is used by every formatter; keep it in step with ours.
    icu::TimeZone::setDefault(*zone);
    zoneSlot() = std::move(zone);
}

} // namespace

const icu::TimeZone &IcuSupport::systemTimeZone()
{
    if (!zoneSlot())
        install(detectZone());
    return *zoneSlot();
}

QByteArray SystemTimeZone::id()
{
    icu::UnicodeString zoneId;
    IcuSupport::systemTimeZone().getID(zoneId);
    std::string utf8;
    zoneId.toUTF8String(utf8);
    return QByteArray::fromStdString(utf8);
}

bool SystemTimeZone::refresh()
{
    auto detected = detectZone();
    const bool changed = !zoneSlot() || *detected != *zoneSlot();
    if (changed)
        install(std::move(detected));
    return changed;
}

QDate SystemTimeZone::civilDate(const QDateTime &instant)
{
    constexpr qint64 msPerDay = 86'400'000;
    constexpr qint64 julianDayOfEpoch = 2'440'588;
    const qint64 utc = instant.toMSecsSinceEpoch();
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    IcuSupport::systemTimeZone().getOffset(UDate(utc), false, rawOffset, dstOffset, status);
    if (U_FAILURE(status))
        rawOffset = dstOffset = 0;
    const qint64 local = utc + rawOffset + dstOffset;
    const qint64 day = local / msPerDay - (local % msPerDay < 0 ? 1 : 0);
    return QDate::fromJulianDay(day + julianDayOfEpoch);
}
