#pragma once

#include "events/CalendarDayEvent.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

// What a screen reader says for the parts of the panel that are painted, not built of widgets.
// Pure text: the views gather the facts.
namespace AccessibleText {

/// The facts of one day cell worth saying.
struct Day
{
    QDate date;
    /// The lunar month and day, "十月廿九"; nothing with lunar names off.
    std::optional<QString> lunarDate;
    /// Holidays, festivals and solar terms of the day, in the order shown.
    QStringList occasions;
    bool isToday = false;
    bool isSelected = false;
    qsizetype eventCount = 0;
    /// The selected day's events as the dock lists them; empty for the other days.
    QList<CalendarDayEvent> listedEvents;
};

/// "星期一" … "星期日" for 1 (Monday) … 7.
[[nodiscard]] QString weekday(int dayOfWeek);

/// A row header of the grid: "第 49 周".
[[nodiscard]] QString week(int weekNumber);

/// The whole day in one line: "12月7日 星期一，农历十月廿九，今天，1 个日程"; a selected day
/// ends with its events: "…，已选中，2 个日程：09:30 产品站会，14:00 设计评审".
[[nodiscard]] QString day(const Day &day);

/// An event row: "产品站会，09:30 - 10:15，工作".
[[nodiscard]] QString event(const CalendarDayEvent &event);

} // namespace AccessibleText
