#pragma once

#include "IcsEvent.h"

#include <libical/ical.h>

#include <limits>
#include <map>
#include <vector>

// The recurrence set of a series, everything in the wall clock of its DTSTART: RRULEs (with
// UNTIL moved into that clock), RDATEs, EXDATEs and the instances that moved instances replace.
class IcsRecurrence
{
public:
    // Bounds the work one expansion may do, whatever a rule asks for.
    static constexpr int maxStepsPerRule = 100'000;
    static constexpr int maxOccurrences = 20'000;

    std::vector<icalrecurrencetype> rules;
    std::vector<qint64> rdates;
    std::vector<qint64> exdates; // sorted
    std::vector<qint64> exdays; // sorted day numbers: whole-day EXDATEs of a timed series
    std::vector<qint64> replaced; // sorted RECURRENCE-IDs of moved or cancelled instances
    // No start of the series lies after this wall-clock time.
    qint64 lastStartWall = std::numeric_limits<qint64>::max();

    /// Appends the wall-clock starts of the series in [wallFrom, wallTo], ascending.
    void expand(const IcsTime &dtstart, qint64 wallFrom, qint64 wallTo,
                std::vector<qint64> &starts) const;

    // libical spends microseconds on every step of a rule, more than a whole month query may
    // take for all its series, so starts are kept per block of this many days once expanded.
    static constexpr qint64 blockDays = 92;
    static constexpr size_t maxCachedBlocks = 24;

    /// Whether the instance starting at this wall-clock time is left out of the set.
    [[nodiscard]] bool isExcluded(qint64 wallStart) const;

private:
    void expandUncached(const IcsTime &dtstart, qint64 wallFrom, qint64 wallTo,
                        std::vector<qint64> &starts) const;

    mutable std::map<qint64, std::vector<qint64>> blocks;
};
