#include "LunarCalendarService.h"

#include "shared/SystemTimeZone.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 12> monthNames = {u"正月"_s, u"二月"_s, u"三月"_s, u"四月"_s,
                                            u"五月"_s, u"六月"_s, u"七月"_s, u"八月"_s,
                                            u"九月"_s, u"十月"_s, u"冬月"_s, u"腊月"_s};

const std::array<QString, 9> digitNames = {u"一"_s, u"二"_s, u"三"_s, u"四"_s, u"五"_s,
                                           u"六"_s, u"七"_s, u"八"_s, u"九"_s};

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

std::optional<QString> LunarCalendarService::compactLabel(const QDateTime &date) const
{
    const auto lunar = calendar.dateComponents(date);
    if (!lunar)
        return std::nullopt;
    if (lunar->day == 1)
        return monthText(lunar->month, lunar->isLeapMonth);
    return dayText(lunar->day);
}

std::optional<QString> LunarCalendarService::monthDayText(const QDateTime &date) const
{
    const auto lunar = calendar.dateComponents(date);
    if (!lunar)
        return std::nullopt;
    return monthText(lunar->month, lunar->isLeapMonth) + dayText(lunar->day);
}

QString LunarCalendarService::lunarYearMonthDayText(const QDateTime &date)
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
    return year + u' ' + monthText(lunar->month, lunar->isLeapMonth) + dayText(lunar->day);
}

QString LunarCalendarService::monthText(int month, bool isLeap)
{
    const QString name =
        month >= 1 && month <= 12 ? monthNames[month - 1] : QString::number(month) + u'月';
    return isLeap ? u'闰' + name : name;
}

QString LunarCalendarService::dayText(int day)
{
    if (day >= 1 && day <= 9)
        return u'初' + chineseNumeral(day);
    if (day == 10)
        return u"初十"_s;
    if (day >= 11 && day <= 19)
        return u'十' + chineseNumeral(day - 10);
    if (day == 20)
        return u"二十"_s;
    if (day >= 21 && day <= 29)
        return u'廿' + chineseNumeral(day - 20);
    if (day == 30)
        return u"三十"_s;
    return QString::number(day);
}

QString LunarCalendarService::chineseNumeral(int n)
{
    // Digits rather than a read past the table for a number no caller should pass.
    if (n < 1 || n > 9)
        return QString::number(n);
    return digitNames[n - 1];
}
