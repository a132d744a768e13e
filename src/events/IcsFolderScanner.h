#pragma once

#include "IcsCalendarLocation.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Finds the calendars under the calendar folders: vdir folders, single .ics files, and the
// desktop's local calendars (Evolution's calendar.ics files named by their source files).
class IcsFolderScanner
{
public:
    struct Roots
    {
        QStringList vdirRoots; // trees of vdir folders: $XDG_DATA_HOME/calendars
        QString evolutionCalendars; // $XDG_DATA_HOME/evolution/calendar; empty: not read
        QString evolutionSources; // $XDG_CONFIG_HOME/evolution/sources
        QStringList configured; // folders and .ics files the user listed
    };

    /// The default roots of the desktop, plus the configured paths ("~/" is the home folder).
    [[nodiscard]] static Roots defaultRoots(const QStringList &configured);

    /// Every calendar found, each path once, in the order of the roots.
    [[nodiscard]] QList<IcsCalendarLocation> scan(const Roots &roots);

    /// The folders looked into by the last scan (and the nearest existing parents of roots that
    /// do not exist), for watching.
    [[nodiscard]] QStringList watchedFolders() const { return folders; }

    static constexpr int maxDepth = 6;

private:
    void scanTree(const QString &path, bool vdirTree, int depth, QList<IcsCalendarLocation> &found);
    void scanEvolution(const Roots &roots, QList<IcsCalendarLocation> &found);
    void addFile(const QString &canonicalPath, QList<IcsCalendarLocation> &found);
    void watchRoot(const QString &path);

    QStringList folders;
    QSet<QString> visitedFolders;
    QSet<QString> seenCalendars;
};
