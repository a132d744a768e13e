#include "DateHelpers.h"

#include "IcuSupport_p.h"

#include <unicode/smpdtfmt.h>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

QDateTime DateHelpers::startOfMonth(const QDateTime &date, const CivilCalendar &calendar)
{
    const auto parts = calendar.components(date);
    if (!parts)
        return date;
    return calendar.date(parts->year, parts->month, 1).value_or(date);
}

QDateTime DateHelpers::monthGridStart(const QDateTime &date, const CivilCalendar &calendar)
{
    const QDateTime monthStart = startOfMonth(date, calendar);
    const auto parts = calendar.components(monthStart);
    if (!parts)
        return monthStart;
    const int offset = (parts->weekday - calendar.firstWeekday() + 7) % 7;
    // From the day, not by adding days: the 1st may begin at 01:00 when its midnight was
    // skipped, and the days before it at 00:00.
    return calendar.date(parts->year, parts->month, 1 - offset).value_or(monthStart);
}

QList<QDateTime> DateHelpers::monthGridDates(const QDateTime &date, const CivilCalendar &calendar)
{
    const QDateTime monthStart = startOfMonth(date, calendar);
    const QDateTime gridStart = monthGridStart(date, calendar);
    const QDateTime nextMonth = calendar.addingMonths(monthStart, 1).value_or(monthStart);
    const QDateTime monthEnd = calendar.addingDays(nextMonth, -1).value_or(monthStart);
    const auto endParts = calendar.components(monthEnd);
    const int lastWeekday = endParts ? endParts->weekday : calendar.firstWeekday();
    const int weekEnd = ((calendar.firstWeekday() + 5) % 7) + 1;
    const int trailing = (weekEnd - lastWeekday + 7) % 7;
    const QDateTime gridEnd = calendar.addingDays(monthEnd, trailing).value_or(monthEnd);
    const int count = calendar.daysBetween(gridStart, gridEnd).value_or(0);

    const auto start = calendar.components(gridStart);
    if (!start)
        return {};
    QList<QDateTime> dates;
    dates.reserve(count + 1);
    for (int i = 0; i <= count; ++i) {
        if (const auto day = calendar.date(start->year, start->month, start->day + i))
            dates.append(*day);
    }
    return dates;
}

int DateHelpers::weekNumberOfRow(QDate rowStart)
{
    return rowStart.addDays(3).weekNumber();
}

QString DateHelpers::formatDate(const QDateTime &date, const char *locale, const QString &pattern)
{
    // Making a formatter costs ten times what formatting with it does, and a listing of events
    // formats thousands of times with a handful of patterns.
    thread_local std::map<std::pair<QByteArray, QString>, std::unique_ptr<icu::SimpleDateFormat>>
        formatters;
    auto &formatter = formatters[{QByteArray(locale), pattern}];
    if (!formatter) {
        UErrorCode status = U_ZERO_ERROR;
        formatter = std::make_unique<icu::SimpleDateFormat>(IcuSupport::toUnicodeString(pattern),
                                                            icu::Locale(locale), status);
        if (U_FAILURE(status)) {
            formatter.reset();
            return {};
        }
    }
    const icu::TimeZone &zone = IcuSupport::systemTimeZone();
    if (formatter->getTimeZone() != zone)
        formatter->setTimeZone(zone);
    icu::UnicodeString text;
    formatter->format(IcuSupport::toUDate(date), text);
    return IcuSupport::toQString(text);
}

QString DateHelpers::monthYearText(const QDateTime &date)
{
    return formatDate(date, "zh_CN", u"yyyy年 M月"_s);
}

QString DateHelpers::longDescription(const QDateTime &date)
{
    return formatDate(date, "zh_CN", u"M月d日 EEEE"_s);
}

QString DateHelpers::dayNumberText(const QDateTime &date)
{
    return formatDate(date, "en_US_POSIX", u"d"_s);
}
