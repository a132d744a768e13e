#include "CivilCalendar.h"

#include "IcuSupport_p.h"

#include <vector>

namespace {

std::unique_ptr<icu::Calendar> makeCalendar(const QByteArray &zoneId)
{
    // Building a calendar loads locale and zone data; cloning one kept per zone does not, and
    // the month grid does dozens of operations per repaint.
    thread_local std::vector<std::pair<icu::UnicodeString, std::unique_ptr<icu::Calendar>>> kept;
    icu::UnicodeString id;
    if (zoneId.isEmpty())
        IcuSupport::systemTimeZone().getID(id);
    else
        id = icu::UnicodeString::fromUTF8(
            icu::StringPiece(zoneId.constData(), int32_t(zoneId.size())));
    for (const auto &[keptId, calendar] : kept) {
        if (keptId == id)
            return std::unique_ptr<icu::Calendar>(calendar->clone());
    }
    std::unique_ptr<icu::Calendar> calendar;
    if (zoneId.isEmpty()) {
        calendar = IcuSupport::makeGregorianCalendar(IcuSupport::systemTimeZone());
    } else {
        const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(id));
        calendar = IcuSupport::makeGregorianCalendar(*zone);
    }
    if (!calendar)
        return nullptr;
    kept.emplace_back(id, std::unique_ptr<icu::Calendar>(calendar->clone()));
    return calendar;
}

std::optional<QDateTime> currentTime(const icu::Calendar &calendar)
{
    UErrorCode status = U_ZERO_ERROR;
    const UDate time = calendar.getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return IcuSupport::fromUDate(time);
}

bool setInstant(icu::Calendar &calendar, const QDateTime &instant)
{
    if (!instant.isValid())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(IcuSupport::toUDate(instant), status);
    return U_SUCCESS(status);
}

} // namespace

CivilCalendar::CivilCalendar(int firstWeekday, QByteArray timeZoneId)
    : m_firstWeekday(firstWeekday)
    , m_timeZoneId(std::move(timeZoneId))
{
}

CivilCalendar CivilCalendar::viewCalendar()
{
    return CivilCalendar(Monday);
}

int CivilCalendar::localeFirstWeekday()
{
    QByteArray name;
    for (const char *variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        name = qgetenv(variable);
        if (!name.isEmpty())
            break;
    }
    if (name.isEmpty())
        return Monday;
    // ICU reads POSIX names ("zh_CN.UTF-8", "C") once canonicalized.
    const icu::Locale locale = icu::Locale::createCanonical(name.constData());
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(locale, status));
    if (U_FAILURE(status) || !calendar)
        return Monday;
    const int weekday = calendar->getFirstDayOfWeek(status);
    return U_SUCCESS(status) && weekday >= Sunday && weekday <= Saturday ? weekday : Monday;
}

std::optional<CivilCalendar::Components> CivilCalendar::components(const QDateTime &instant) const
{
    const auto calendar = makeCalendar(m_timeZoneId);
    if (!calendar || !setInstant(*calendar, instant))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    Components parts;
    parts.year = calendar->get(UCAL_EXTENDED_YEAR, status);
    parts.month = calendar->get(UCAL_MONTH, status) + 1;
    parts.day = calendar->get(UCAL_DATE, status);
    parts.weekday = calendar->get(UCAL_DAY_OF_WEEK, status);
    parts.hour = calendar->get(UCAL_HOUR_OF_DAY, status);
    parts.minute = calendar->get(UCAL_MINUTE, status);
    parts.second = calendar->get(UCAL_SECOND, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return parts;
}

std::optional<QDateTime> CivilCalendar::date(int year, int month, int day, int hour, int minute,
                                             int second) const
{
    const auto calendar = makeCalendar(m_timeZoneId);
    if (!calendar)
        return std::nullopt;
    calendar->clear();
    calendar->set(UCAL_EXTENDED_YEAR, year);
    calendar->set(UCAL_MONTH, month - 1);
    calendar->set(UCAL_DATE, day);
    calendar->set(UCAL_HOUR_OF_DAY, hour);
    calendar->set(UCAL_MINUTE, minute);
    calendar->set(UCAL_SECOND, second);
    return currentTime(*calendar);
}

std::optional<QDateTime> CivilCalendar::addingDays(const QDateTime &instant, int days) const
{
    const auto calendar = makeCalendar(m_timeZoneId);
    if (!calendar || !setInstant(*calendar, instant))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->add(UCAL_DATE, days, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return currentTime(*calendar);
}

std::optional<QDateTime> CivilCalendar::addingMonths(const QDateTime &instant, int months) const
{
    const auto calendar = makeCalendar(m_timeZoneId);
    if (!calendar || !setInstant(*calendar, instant))
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    calendar->add(UCAL_MONTH, months, status);
    if (U_FAILURE(status))
        return std::nullopt;
    return currentTime(*calendar);
}

std::optional<QDateTime> CivilCalendar::bySettingTime(const QDateTime &day, int hour, int minute,
                                                      int second) const
{
    const auto parts = components(day);
    if (!parts)
        return std::nullopt;
    return date(parts->year, parts->month, parts->day, hour, minute, second);
}

QDateTime CivilCalendar::startOfDay(const QDateTime &instant) const
{
    return bySettingTime(instant, 0, 0, 0).value_or(instant);
}

std::optional<int> CivilCalendar::daysBetween(const QDateTime &from, const QDateTime &to) const
{
    // Counted between the civil days, not in 24-hour steps: a day that starts at 01:00 because
    // its midnight was skipped is still one day after the one before.
    const auto first = components(from);
    const auto second = components(to);
    if (!first || !second)
        return std::nullopt;
    return int(QDate(first->year, first->month, first->day)
                   .daysTo(QDate(second->year, second->month, second->day)));
}

bool CivilCalendar::isSameDay(const QDateTime &a, const QDateTime &b) const
{
    const auto first = components(a);
    const auto second = components(b);
    return first && second && first->year == second->year && first->month == second->month
           && first->day == second->day;
}
