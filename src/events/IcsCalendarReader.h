#pragma once

#include "IcsCalendarLocation.h"
#include "IcsFolderScanner.h"
#include "IcsParseCache.h"

#include <QSet>

#include <atomic>

// Reads the calendars under a set of roots: finds them, then the files of each, taking what is
// unchanged from an earlier read or from the parse cache and parsing only the rest. Works on any
// one thread; the store hands its results to the main thread.
class IcsCalendarReader
{
public:
    IcsCalendarReader(IcsFolderScanner::Roots roots, IcsParseCache cache);

    /// Every calendar under the roots, in their order.
    [[nodiscard]] QList<IcsCalendarLocation> scan();

    /// The folders the last scan looked into, for watching.
    [[nodiscard]] QStringList watchedFolders() const { return scanner.watchedFolders(); }

    struct Result
    {
        IcsParseCache::Files files;
        bool changed = false; // differs from `previous`
    };

    /// The files of one calendar. `previous` is what an earlier read gave (nothing: the cache
    /// is asked); paths in `changed` are parsed again even when they look the same on disk.
    /// Repeating events read afresh are expanded over the range `near` (if not empty) before they
    /// are handed out. Gives up early, with what it has, once `cancelled` is set.
    [[nodiscard]] Result read(const IcsCalendarLocation &location,
                              const IcsParseCache::Files *previous, const QSet<QString> &changed,
                              std::pair<qint64, qint64> near, const std::atomic_bool &cancelled);

private:
    IcsFolderScanner::Roots roots;
    IcsParseCache cache;
    IcsFolderScanner scanner;
};
