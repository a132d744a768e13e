#pragma once

#include <QDateTime>
#include <QStringList>
#include <QTextStream>

#include <optional>

class HolidayService;
class LunarCalendarService;

// The subcommands that print and exit: "cal" and "days".
class CommandLine
{
public:
    CommandLine(QTextStream &out, QTextStream &err, const LunarCalendarService &lunar,
                const HolidayService &holidays);

    /// Runs a subcommand at the instant now; the exit status (2 for bad arguments).
    int run(const QStringList &arguments, const QDateTime &now);

private:
    int runCal(const QStringList &arguments, const QDateTime &now);
    int runDays(const QStringList &arguments);
    int fail(const QString &message);

    QTextStream &out;
    QTextStream &err;
    const LunarCalendarService &lunar;
    const HolidayService &holidays;
};
