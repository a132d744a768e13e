#include "DateHelpers.h"

#include "IcuSupport_p.h"
#include "SystemTimeZone.h"
#include "holidays/ChineseCalendar.h"
#include "holidays/LunarCalendarService.h"

#include <unicode/smpdtfmt.h>

#include <array>
#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 10> heavenlyStems = {u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s, u"戊"_s,
                                               u"己"_s, u"庚"_s, u"辛"_s, u"壬"_s, u"癸"_s};
const std::array<QString, 12> earthlyBranches = {u"子"_s, u"丑"_s, u"寅"_s, u"卯"_s,
                                                 u"辰"_s, u"巳"_s, u"午"_s, u"未"_s,
                                                 u"申"_s, u"酉"_s, u"戌"_s, u"亥"_s};
const std::array<QString, 12> zodiacAnimals = {u"鼠"_s, u"牛"_s, u"虎"_s, u"兔"_s,
                                               u"龙"_s, u"蛇"_s, u"马"_s, u"羊"_s,
                                               u"猴"_s, u"鸡"_s, u"狗"_s, u"猪"_s};

// A remainder that stays in 0 … n − 1 for negative k too, so years before 4 still index.
int floorMod(int k, int n)
{
    return ((k % n) + n) % n;
}

} // namespace

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
    return calendar.addingDays(monthStart, -offset).value_or(monthStart);
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

    QList<QDateTime> dates;
    dates.reserve(count + 1);
    for (int i = 0; i <= count; ++i) {
        if (const auto day = calendar.addingDays(gridStart, i))
            dates.append(*day);
    }
    return dates;
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

QString DateHelpers::lunarYearMonthDayText(const QDateTime &date)
{
    const QDate civil = SystemTimeZone::civilDate(date);
    const auto lunar = ChineseCalendar::dateComponents(date);
    // The year turns at 正月初一: January and February days still in the 11th or 12th month
    // belong to the lunar year that began in the previous civil year.
    const bool beforeNewYear = lunar && lunar->month >= 11 && civil.month() <= 2;
    const int k = civil.year() - (beforeNewYear ? 1 : 0) - 4;
    const QString year = heavenlyStems[floorMod(k, 10)] + earthlyBranches[floorMod(k, 12)]
                         + zodiacAnimals[floorMod(k, 12)] + u'年';
    if (!lunar)
        return year;
    return year + u' ' + LunarCalendarService::monthText(lunar->month, lunar->isLeapMonth)
           + LunarCalendarService::dayText(lunar->day);
}
