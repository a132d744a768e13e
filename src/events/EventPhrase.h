#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// A day and a time written in Chinese at the start of a new event's title line, and the rest of
// the line as the title. The line is read piece by piece from its start, pieces optionally
// separated by spaces:
//
//   line   = [day] [全天 | times] title
//   day    = 今天 | 明天 | 后天 | 大后天                          relative to today
//          | [这|本|下|下个] (周|星期|礼拜) (一…六|日|天)           plain: the next such day from
//                                                                 today on; 这/本: this week's;
//                                                                 下: next week's (weeks start
//                                                                 on Monday)
//          | [YYYY年] M月 D (日|号)                               without a year: the next one
//                                                                 from today on
//          | D 号                                                 the next one from today on
//          | 今晚                                                 today, with 晚上
//   times  = time [(- | – | — | ~ | ～ | 到 | 至) time]           a range; its end may omit the
//                                                                 part of day
//   time   = [凌晨|早上|早晨|上午|中午|下午|傍晚|晚上] clock
//   clock  = H (点|时) [半 | M [分] | Q 刻 | 钟]  |  H (: | ：) MM    Q quarters, 1-3
//
// Numbers are digits or Chinese numerals (三, 十二, 二十四, 两). 下午/傍晚/晚上 move 1-11 to the
// afternoon, 中午 moves 1-2 and 凌晨 moves 12 to midnight; without a part of day a clock is read as
// on a 24-hour clock. An end at or before its start without a part of day of its own goes 12 hours
// on when that puts it after the start; an end still at or before the start is on the next day.
//
// What is not understood stays in the title: reading stops at the first piece it cannot read
// (下午 not followed by a clock, 下周 without a day, a date that does not exist, 25点), and a
// date written with a bare number (5号) must be followed by a space or the end, so "5号楼" stays.
struct EventPhrase
{
    std::optional<QDate> date;
    bool isAllDay = false;
    std::optional<QTime> start;
    /// Only with a start; at or before the start means the next day.
    std::optional<QTime> end;
    /// The line without what was understood, trimmed.
    QString title;

    /// Reads `line` relative to the day `today`.
    [[nodiscard]] static EventPhrase read(QStringView line, const QDate &today);

    friend bool operator==(const EventPhrase &, const EventPhrase &) = default;
};
