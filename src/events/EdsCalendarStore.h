#pragma once

#include "CalendarServerStore.h"

#include <memory>

class CalendarAccess;

// The calendars Evolution Data Server keeps: every enabled calendar source of its registry (local,
// CalDAV, the online accounts of the desktop), read through libecal on the GLib main context Qt's
// event loop runs. Connecting and reading are asynchronous: queries answer with what has arrived
// and `storeChanged` follows when more does. The registry is first asked on the first query after
// the user allows access to events. The only writes are the new events the user adds, into
// calendars the factory opened writable, and their undo.
class EdsCalendarStore : public CalendarServerStore
{
    Q_OBJECT
public:
    explicit EdsCalendarStore(CalendarAccess &access, QObject *parent = nullptr);
    ~EdsCalendarStore() override;

    [[nodiscard]] CalendarAccessState authorizationStatus(CalendarEntityType type) const override;
    /// Fails without asking: consent is asked for by the store of calendar files.
    void requestFullAccess(CalendarEntityType type, QObject *context,
                           std::function<void(std::optional<bool>)> done) override;
    [[nodiscard]] QList<StoreCalendar> calendars() override;
    [[nodiscard]] QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &calendars) override;
    void createEvent(const NewCalendarEvent &event, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;
    void removeEvent(const CalendarWriteResult &created, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;

    void prepare(const QDateTime &start, const QDateTime &end) override;
    /// Whether the registry answers; while it does, Evolution's local calendars come from here.
    [[nodiscard]] bool registryAvailable() const override;
    [[nodiscard]] bool isSettled() const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
