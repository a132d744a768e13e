#include "PreviewCalendarFactory.h"

#include "shared/CivilCalendar.h"
#include "shared/DateHelpers.h"

#include <array>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct PreviewSample
{
    int dayOffset; // days after the 1st of the month
    int startHour;
    int startMinute;
    int durationMinutes;
    QString title;
    std::optional<QString> location;
    CalendarSource calendar;
    bool allDay;
};

enum PreviewCalendar
{
    Work,
    Life,
    Subscription
};

const std::array<PreviewSample, 6> &samples()
{
    const auto &calendars = PreviewCalendarFactory::calendars();
    static const std::array<PreviewSample, 6> table = {{
        {1, 9, 30, 45, u"产品站会"_s, u"线上会议"_s, calendars[Work], false},
        {1, 14, 0, 90, u"设计评审"_s, u"栖格会议室"_s, calendars[Work], false},
        {3, 19, 0, 120, u"和朋友吃饭"_s, u"永庆坊"_s, calendars[Life], false},
        {6, 0, 0, 1440, u"端午放假"_s, std::nullopt, calendars[Subscription], true},
        {10, 10, 0, 60, u"开发预览走查"_s, u"本地构建"_s, calendars[Work], false},
        {14, 16, 30, 30, u"牙医预约"_s, u"天河北"_s, calendars[Life], false},
    }};
    return table;
}

} // namespace

const QList<CalendarSource> &PreviewCalendarFactory::calendars()
{
    static const QList<CalendarSource> list = {
        {u"preview-work"_s, u"工作"_s, u"预览数据"_s, u"#B4452E"_s},
        {u"preview-life"_s, u"生活"_s, u"预览数据"_s, u"#456B54"_s},
        {u"preview-subscription"_s, u"订阅提醒"_s, u"预览数据"_s, u"#5B6C9E"_s},
    };
    return list;
}

QList<CalendarDayEvent> PreviewCalendarFactory::events(const QDateTime &forMonthContaining,
                                                       const QSet<QString> &excludedCalendarIDs)
{
    // The user's calendar in the system's zone; the first weekday plays no part here.
    const CivilCalendar calendar;
    const QDateTime monthStart = DateHelpers::startOfMonth(forMonthContaining, calendar);

    QList<CalendarDayEvent> events;
    for (const PreviewSample &sample : samples()) {
        if (excludedCalendarIDs.contains(sample.calendar.id))
            continue;
        const auto day = calendar.addingDays(monthStart, sample.dayOffset);
        if (!day)
            continue;
        // A time that a clock change skips on that day becomes the first instant after the gap.
        const auto start = calendar.bySettingTime(*day, sample.startHour, sample.startMinute, 0);
        if (!start)
            continue;

        CalendarDayEvent event;
        if (sample.allDay) {
            const QDateTime dayStart = calendar.startOfDay(*start);
            // Adding a day keeps the wall-clock time, and a day whose midnight was skipped
            // starts at 01:00; without going back to the start, the item would run an hour
            // into the next day.
            const auto nextDay = calendar.addingDays(dayStart, 1);
            if (!nextDay)
                continue;
            event.displayDate = dayStart;
            event.startDate = dayStart;
            event.endDate = calendar.startOfDay(*nextDay);
        } else {
            // Elapsed minutes, so a meeting across a clock change keeps its length.
            event.displayDate = *start;
            event.startDate = *start;
            event.endDate = start->addSecs(qint64(sample.durationMinutes) * 60);
        }
        event.id = u"preview-"_s + sample.calendar.id + u'-' + QString::number(sample.dayOffset)
                   + u'-' + sample.title;
        event.title = sample.title;
        event.location = sample.location;
        event.isAllDay = sample.allDay;
        event.colorHex = sample.calendar.colorHex;
        event.calendarTitle = sample.calendar.title;
        event.calendarIdentifier = sample.calendar.id;
        event.kind = CalendarDayEventKind::event;
        events.append(std::move(event));
    }
    return events;
}
