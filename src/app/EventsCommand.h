#pragma once

#include "events/IcsFolderScanner.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

class CalendarAccess;
class SettingsStore;

// "tessel-calendar events FROM [TO] [--tsv]": the events of the days FROM to TO (inclusive) from
// the calendars the application reads, with the same consent and excluded calendars.
class EventsCommand
{
public:
    static constexpr int noAccessStatus = 3;
    static constexpr int maxDays = 3660;
    // How long the calendars of Evolution Data Server are waited for; a slow one is left out.
    static constexpr int asyncWaitMs = 4000;

    EventsCommand(QTextStream &out, QTextStream &err, SettingsStore &settings,
                  CalendarAccess &access);

    /// Reads other folders than the desktop's defaults, and no Evolution Data Server (for tests).
    void setRoots(const IcsFolderScanner::Roots &roots);

    /// The arguments after "events"; the exit status.
    int run(const QStringList &arguments);

private:
    int fail(const QString &message);

    QTextStream &out;
    QTextStream &err;
    SettingsStore &settings;
    CalendarAccess &access;
    std::optional<IcsFolderScanner::Roots> roots;
};
