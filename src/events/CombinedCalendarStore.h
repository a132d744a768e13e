#pragma once

#include "CalendarServerStore.h"
#include "IcsCalendarStore.h"

#include <QDateTime>

// The application's calendar store: the iCalendar files, and Evolution Data Server where the
// program is built with it. While the registry answers, Evolution's local calendars come through
// it and their files are not read, so no event shows twice. Both follow the same consent.
class CombinedCalendarStore : public CalendarStore
{
    Q_OBJECT
public:
    struct Options
    {
        IcsCalendarStore::Options files;
        bool evolutionDataServer = true;
    };

    /// `prompter` may be null: requests then fail without asking.
    CombinedCalendarStore(SettingsStore &settings, CalendarAccess &access, AccessPrompter *prompter,
                          Options options, QObject *parent = nullptr);
    ~CombinedCalendarStore() override;

    [[nodiscard]] CalendarAccessState authorizationStatus(CalendarEntityType type) const override;
    void requestFullAccess(CalendarEntityType type, QObject *context,
                           std::function<void(std::optional<bool>)> done) override;
    [[nodiscard]] QList<StoreCalendar> calendars() override;
    [[nodiscard]] QList<StoreEvent> events(const QDateTime &start, const QDateTime &end,
                                           const QList<StoreCalendar> &calendars) override;
    void createEvent(const NewCalendarEvent &event, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;
    void removeEvent(const CalendarWriteResult &created, QObject *context,
                     std::function<void(CalendarWriteResult)> done) override;

    /// Starts reading [start, end) where reading is asynchronous.
    void prepare(const QDateTime &start, const QDateTime &end);
    /// Whether every backend has answered for the range last asked for.
    [[nodiscard]] bool isSettled() const;

Q_SIGNALS:
    void settled();

private:
    void useServerIfThere();
    void startServer();
    [[nodiscard]] bool servedByServer(const QString &calendarId);

    CalendarAccess &access;
    IcsCalendarStore files;
    bool lookForServer = false;
    CalendarServerStore *eds = nullptr; // Evolution Data Server's, once its registry is there
};
