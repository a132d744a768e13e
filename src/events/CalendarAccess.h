#pragma once

#include "CalendarStore.h"

#include <QObject>

class SettingsStore;

// The user's consent to reading calendar events and reminders: the one place that keeps it, for
// the stores, the access page and the commands alike. It lives in the settings file, so an answer
// given in another process of the program is followed too.
class CalendarAccess : public QObject
{
    Q_OBJECT
public:
    explicit CalendarAccess(SettingsStore &settings, QObject *parent = nullptr);

    /// fullAccess or denied once the user answered; notDetermined before.
    [[nodiscard]] CalendarAccessState state(CalendarEntityType type) const;
    [[nodiscard]] bool isGranted(CalendarEntityType type) const;
    void setGranted(CalendarEntityType type, bool granted);

Q_SIGNALS:
    /// The state of the type changed, here or in another process.
    void changed(CalendarEntityType type);

private:
    void follow(CalendarEntityType type);

    SettingsStore &settings;
    CalendarAccessState events;
    CalendarAccessState reminders;
};
