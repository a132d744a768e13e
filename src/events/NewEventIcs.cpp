#include "NewEventIcs.h"

#include "IcsLibical_p.h"
#include "IcsZone.h"
#include "shared/SystemTimeZone.h"

using namespace Qt::StringLiterals;

namespace {

constexpr auto productId = "-//tessel-calendar//栖格日历//ZH";

icaltimetype utcTime(const QDateTime &instant)
{
    icaltimetype time = IcsLibical::fromWallMs(instant.toMSecsSinceEpoch(), false);
    time.zone = icaltimezone_get_utc_timezone();
    return time;
}

icaltimetype dateOf(QDate day)
{
    icaltimetype time = icaltime_null_time();
    time.year = day.year();
    time.month = day.month();
    time.day = day.day();
    time.is_date = 1;
    return time;
}

// A timed property on the wall clock of `zone` with its TZID, or in UTC without a zone. A wall
// time the clock shows twice (when it is turned back) is read as the first: the second is
// written in UTC.
icalproperty *timed(icalproperty *property, const QDateTime &instant, const IcsZone *zone,
                    const QByteArray &zoneId)
{
    const qint64 utc = instant.toMSecsSinceEpoch();
    const qint64 wall = zone ? zone->toWall(utc) : 0;
    if (!zone || zone->toUtc(wall) != utc) {
        icalproperty_set_value(property, icalvalue_new_datetime(utcTime(instant)));
        return property;
    }
    icalproperty_set_value(property, icalvalue_new_datetime(IcsLibical::fromWallMs(wall, false)));
    icalproperty_add_parameter(property, icalparameter_new_tzid(zoneId.constData()));
    return property;
}

// libical's description of the zone, named by its IANA name alone.
icalcomponent *zoneComponent(const QByteArray &zoneId)
{
    icaltimezone *zone = icaltimezone_get_builtin_timezone(zoneId.constData());
    icalcomponent *component = zone ? icaltimezone_get_component(zone) : nullptr;
    if (!component)
        return nullptr;
    icalcomponent *copy = icalcomponent_new_clone(component);
    if (icalproperty *tzid = icalcomponent_get_first_property(copy, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, zoneId.constData());
    return copy;
}

} // namespace

QByteArray NewEventIcs::render(const NewCalendarEvent &event, const QString &uid,
                               const QDateTime &now, const QByteArray &zoneId)
{
    const IcsLibical::ComponentPtr calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(productId));

    icalcomponent *item = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(item, icalproperty_new_uid(uid.toUtf8().constData()));
    const QDateTime stamp = now.toUTC().addMSecs(-(now.toMSecsSinceEpoch() % 1000));
    icalcomponent_add_property(item, icalproperty_new_dtstamp(utcTime(stamp)));
    icalcomponent_add_property(item, icalproperty_new_created(utcTime(stamp)));
    icalcomponent_add_property(item, icalproperty_new_summary(event.title.toUtf8().constData()));
    if (!event.location.isEmpty())
        icalcomponent_add_property(item,
                                   icalproperty_new_location(event.location.toUtf8().constData()));

    if (event.isAllDay) {
        const QDate first = SystemTimeZone::civilDate(event.start);
        QDate after = SystemTimeZone::civilDate(event.end);
        if (after <= first)
            after = first.addDays(1);
        icalcomponent_add_property(item, icalproperty_new_dtstart(dateOf(first)));
        icalcomponent_add_property(item, icalproperty_new_dtend(dateOf(after)));
    } else {
        icalcomponent *description = zoneComponent(zoneId);
        const std::shared_ptr<const IcsZone> zone =
            description ? IcsZone::named(QString::fromUtf8(zoneId)) : nullptr;
        if (description && zone)
            icalcomponent_add_component(calendar.get(), description);
        else if (description)
            icalcomponent_free(description);
        icalcomponent_add_property(
            item, timed(icalproperty_new(ICAL_DTSTART_PROPERTY), event.start, zone.get(), zoneId));
        icalcomponent_add_property(
            item, timed(icalproperty_new(ICAL_DTEND_PROPERTY), event.end, zone.get(), zoneId));
    }
    icalcomponent_add_component(calendar.get(), item);
    return QByteArray(icalcomponent_as_ical_string(calendar.get()));
}
