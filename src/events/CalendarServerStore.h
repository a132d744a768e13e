#pragma once

#include "CalendarStore.h"

// A store over a calendar server that answers asynchronously: queries give what has arrived,
// `storeChanged` follows when more does. The application uses it through this interface alone,
// so that the server's libraries are loaded only where the server is there to answer.
class CalendarServerStore : public CalendarStore
{
    Q_OBJECT
    /// Whether the server answers; while it does, the calendars it serves come from here.
    Q_PROPERTY(bool registryAvailable READ registryAvailable NOTIFY registryAvailableChanged)

public:
    using CalendarStore::CalendarStore;

    /// Starts reading the occurrences of [start, end) and the months around it.
    virtual void prepare(const QDateTime &start, const QDateTime &end) = 0;

    [[nodiscard]] virtual bool registryAvailable() const = 0;
    /// Whether the server and every calendar of it have answered for the range last asked for.
    [[nodiscard]] virtual bool isSettled() const = 0;

Q_SIGNALS:
    void registryAvailableChanged(bool available);
    void settled();
};
