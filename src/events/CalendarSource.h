#pragma once

#include <QHashFunctions>
#include <QString>

// One calendar of events the user has.
struct CalendarSource
{
    QString id; // the key of the excluded-calendar set
    QString title;
    QString sourceTitle; // the account the calendar belongs to
    QString colorHex; // "#RRGGBB"

    friend bool operator==(const CalendarSource &, const CalendarSource &) = default;
};

inline size_t qHash(const CalendarSource &source, size_t seed = 0)
{
    return qHashMulti(seed, source.id, source.title, source.sourceTitle, source.colorHex);
}
