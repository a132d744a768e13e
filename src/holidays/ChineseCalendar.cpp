#include "ChineseCalendar.h"

#include "LunarMonthTable_p.h"
#include "shared/IcuSupport_p.h"
#include "shared/SystemTimeZone.h"

#include <algorithm>

#include <QTimeZone>

namespace {

LunarDate fromTable(qint64 offset)
{
    using namespace LunarMonthTableData;
    const auto end = months.end() - 1;
    // The first month whose start lies after the day; the one before it holds the day.
    const auto next =
        std::upper_bound(months.begin(), end, quint32(offset),
                         [](quint32 day, quint32 word) { return day < (word & dayMask); });
    const quint32 word = *(next - 1);
    return LunarDate{int((word >> monthShift) & monthMask), int(offset - (word & dayMask)) + 1,
                     (word & leapBit) != 0};
}

std::optional<LunarDate> fromIcu(QDate civilDate)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(
        icu::TimeZone::getGMT()->clone(), icu::Locale("zh_CN@calendar=chinese"), status));
    if (U_FAILURE(status))
        return std::nullopt;
    // Noon keeps the instant inside the same civil day whatever ICU does with the hour.
    const QDateTime noon(civilDate, QTime(12, 0), QTimeZone::utc());
    calendar->setTime(IcuSupport::toUDate(noon), status);
    LunarDate date;
    date.month = calendar->get(UCAL_MONTH, status) + 1;
    date.day = calendar->get(UCAL_DATE, status);
    date.isLeapMonth = calendar->get(UCAL_IS_LEAP_MONTH, status) != 0;
    if (U_FAILURE(status))
        return std::nullopt;
    return date;
}

} // namespace

std::optional<LunarDate> ChineseCalendar::dateComponents(const QDateTime &instant)
{
    if (!instant.isValid())
        return std::nullopt;
    return lunarDate(SystemTimeZone::civilDate(instant));
}

std::optional<LunarDate> ChineseCalendar::lunarDate(QDate civilDate)
{
    if (!civilDate.isValid())
        return std::nullopt;
    if (isInTable(civilDate))
        return fromTable(civilDate.toJulianDay() - LunarMonthTableData::firstJulianDay);
    return fromIcu(civilDate);
}

bool ChineseCalendar::isInTable(QDate civilDate)
{
    using namespace LunarMonthTableData;
    // An invalid date's Julian day is the lowest qint64; the subtraction below would overflow.
    if (!civilDate.isValid())
        return false;
    const qint64 offset = civilDate.toJulianDay() - firstJulianDay;
    return offset >= 0 && offset < qint64(months.back() & dayMask);
}
