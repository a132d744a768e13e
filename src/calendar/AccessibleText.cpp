#include "AccessibleText.h"

#include "shared/DateHelpers.h"

#include <array>

using namespace Qt::StringLiterals;

namespace {

// The full-width comma reads as a pause in Chinese speech.
constexpr QChar separator = u'，';

} // namespace

QString AccessibleText::weekday(int dayOfWeek)
{
    static constexpr std::array<QStringView, 7> names = {u"星期一", u"星期二", u"星期三", u"星期四",
                                                         u"星期五", u"星期六", u"星期日"};
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? names[size_t(dayOfWeek - 1)].toString() : QString();
}

QString AccessibleText::week(int weekNumber)
{
    return u"第 %1 周"_s.arg(weekNumber);
}

QString AccessibleText::day(const Day &day)
{
    QStringList parts{u"%1月%2日 %3"_s.arg(day.date.month())
                          .arg(day.date.day())
                          .arg(weekday(day.date.dayOfWeek()))};
    if (day.lunarDate)
        parts.append(u"农历"_s + *day.lunarDate);
    parts.append(day.occasions);
    if (day.isToday)
        parts.append(u"今天"_s);
    if (day.isSelected)
        parts.append(u"已选中"_s);
    if (day.eventCount > 0) {
        QString count = u"%1 个日程"_s.arg(day.eventCount);
        QStringList listed;
        for (const CalendarDayEvent &event : day.listedEvents) {
            const QString when =
                event.isAllDay ? event.timeText()
                               : DateHelpers::formatDate(event.startDate, "zh_CN", u"HH:mm"_s);
            listed.append(when + u' ' + event.title);
        }
        if (!listed.isEmpty())
            count += u'：' + listed.join(separator);
        parts.append(count);
    }
    return parts.join(separator);
}

QString AccessibleText::event(const CalendarDayEvent &event)
{
    QStringList parts{event.title, event.timeText()};
    if (!event.calendarTitle.isEmpty())
        parts.append(event.calendarTitle);
    return parts.join(separator);
}
