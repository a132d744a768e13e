#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

enum class CalendarDayEventKind
{
    event,
    reminder
};

// The application's view of its access to the user's calendars.
enum class CalendarAuthorizationStatus
{
    unknown,
    notDetermined,
    restricted,
    denied,
    authorized
};

// Qt 6.4 has no qHash for scoped enumerations; without these neither type can key a QHash or QSet.
inline size_t qHash(CalendarDayEventKind kind, size_t seed = 0)
{
    return qHash(int(kind), seed);
}

inline size_t qHash(CalendarAuthorizationStatus status, size_t seed = 0)
{
    return qHash(int(status), seed);
}

// One item listed under a day: an event occurrence or a reminder.
struct CalendarDayEvent
{
    QString id;
    QString title; // never empty
    QDateTime displayDate; // names the day the item is listed under; compared by day only
    QDateTime startDate;
    QDateTime endDate;
    bool isAllDay = false;
    std::optional<QString> location;
    QString colorHex;
    QString calendarTitle;
    QString calendarIdentifier;
    CalendarDayEventKind kind = CalendarDayEventKind::event;

    /// "全天" or "提醒事项" for all-day items, else start and end as "HH:mm - HH:mm".
    [[nodiscard]] QString timeText() const;

    /// The identity of a store occurrence: the item identifier, "-", and the whole seconds from
    /// 2001-01-01 00:00:00 UTC to the occurrence's anchor, cut toward zero.
    [[nodiscard]] static QString storeItemId(const QString &itemIdentifier,
                                             const QDateTime &anchor);

    /// Puts a list into the order of a day's items: by display date, all-day first, then by
    /// start; a stable sort.
    static void sortInDayOrder(QList<CalendarDayEvent> &items);
};
