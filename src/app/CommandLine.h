#pragma once

#include <QDateTime>
#include <QStringList>
#include <QTextStream>

#include <optional>

class AppServices;

// The subcommands that print and exit ("cal", "days", "events", "title") and "--bar", which prints
// the menu bar text at every change until it is stopped or its reader goes away; and the
// summary and version, which main prints before anything else is set up.
class CommandLine
{
public:
    CommandLine(QTextStream &out, QTextStream &err, AppServices &services);

    /// Runs a subcommand at the instant now; the exit status (2 for bad arguments).
    int run(const QStringList &arguments, const QDateTime &now);

    /// What "--help", "-h" or "--version" prints, needing neither settings nor display; nothing
    /// for any other argument.
    [[nodiscard]] static std::optional<QString> informationFor(const QString &argument);

private:
    int runCal(const QStringList &arguments, const QDateTime &now);
    int runDays(const QStringList &arguments);
    int runTitle(const QStringList &arguments, const QDateTime &now);
    int runBar(const QStringList &arguments);
    int fail(const QString &message);

    QTextStream &out;
    QTextStream &err;
    AppServices &services;
};
