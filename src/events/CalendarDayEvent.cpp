#include "CalendarDayEvent.h"

#include "shared/DateHelpers.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QString CalendarDayEvent::timeText() const
{
    if (isAllDay)
        return kind == CalendarDayEventKind::reminder ? u"提醒事项"_s : u"全天"_s;
    return DateHelpers::formatDate(startDate, "zh_CN", u"HH:mm"_s) + u" - "_s
           + DateHelpers::formatDate(endDate, "zh_CN", u"HH:mm"_s);
}

QString CalendarDayEvent::storeItemId(const QString &itemIdentifier, const QDateTime &anchor)
{
    // 2001-01-01 00:00:00 UTC, the platform's reference instant.
    constexpr qint64 referenceMsecs = 978'307'200'000;
    const qint64 seconds = (anchor.toMSecsSinceEpoch() - referenceMsecs) / 1000;
    return itemIdentifier + u'-' + QString::number(seconds);
}

void CalendarDayEvent::sortInDayOrder(QList<CalendarDayEvent> &items)
{
    std::stable_sort(items.begin(), items.end(),
                     [](const CalendarDayEvent &a, const CalendarDayEvent &b) {
                         if (a.displayDate != b.displayDate)
                             return a.displayDate < b.displayDate;
                         if (a.isAllDay != b.isAllDay)
                             return a.isAllDay;
                         return a.startDate < b.startDate;
                     });
}
