#include "LunarCalendarService.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 12> monthNames = {u"正月"_s, u"二月"_s, u"三月"_s, u"四月"_s,
                                            u"五月"_s, u"六月"_s, u"七月"_s, u"八月"_s,
                                            u"九月"_s, u"十月"_s, u"冬月"_s, u"腊月"_s};

const std::array<QString, 9> digitNames = {u"一"_s, u"二"_s, u"三"_s, u"四"_s, u"五"_s,
                                           u"六"_s, u"七"_s, u"八"_s, u"九"_s};

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
