#pragma once

#include "CalendarDayEvent.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class DesktopLauncher;
class SettingsStore;

// Shows a day in the user's calendar application: a configured command first, then a known
// application that can be sent to a day, then the desktop's default calendar opened plainly.
class CalendarAppOpener
{
public:
    /// `settings` may be null (no configured command).
    CalendarAppOpener(DesktopLauncher &launcher, const SettingsStore *settings);

    /// Opens the item's day (an event) or the to-do application (a reminder); whether something
    /// was started.
    bool open(const CalendarDayEvent &item);
    /// Opens the day; whether something was started.
    bool openDay(const QDateTime &day);

    /// The configured command for a day, placeholders filled in; nothing without one.
    [[nodiscard]] std::optional<QStringList> configuredCommand(const QDateTime &day) const;

    /// "Thursday, March 5, 2026 at 12:00:00 AM" in the system's zone.
    [[nodiscard]] static QString whenText(const QDateTime &day);

private:
    bool openToDo();
    bool tryEvolution(const QDateTime &day);
    bool tryKOrganizer(const QDateTime &day);
    bool tryGnomeCalendar(const QDateTime &day);

    DesktopLauncher &launcher;
    const SettingsStore *settings;
};
