#pragma once

#include "IcsEvent.h"

#include <libical/ical.h>

#include <array>
#include <limits>
#include <map>
#include <span>
#include <vector>

// The recurrence set of a series, everything in the wall clock of its DTSTART: RRULEs (with
// UNTIL moved into that clock), RDATEs, EXDATEs and the instances that moved instances replace.
class IcsRecurrence
{
public:
    // Bounds the work one expansion may do, whatever a rule asks for.
    static constexpr int maxStepsPerRule = 100'000;
    static constexpr int maxOccurrences = 20'000;

    // libical's rule holds fixed arrays for its by-lists, close to 3 KB, nearly all of it the end
    // marker: a rule is kept with each list cut at its end and given back whole when expanded.
    class Rule
    {
    public:
        explicit Rule(const icalrecurrencetype &rule);
        [[nodiscard]] icalrecurrencetype unpacked() const;

    private:
        icalrecurrencetype_frequency freq;
        icaltimetype until;
        int count;
        short interval;
        icalrecurrencetype_weekday weekStart;
        char *rscale;
        icalrecurrencetype_skip skip;
        std::vector<short> lists; // each by-list's values followed by its end marker
    };

    /// Whether every BYSETPOS of the rule lies beyond the largest set one period can hold, so
    /// that it yields nothing: libical would search centuries for an instance on every call.
    [[nodiscard]] static bool neverMatches(const icalrecurrencetype &rule);

    /// The by-lists of a rule, each a fixed array ended early by ICAL_RECURRENCE_ARRAY_MAX.
    template<typename Short, typename RuleType>
    static std::array<std::span<Short>, 9> byLists(RuleType &rule)
    {
        return {std::span<Short>(rule.by_second),    std::span<Short>(rule.by_minute),
                std::span<Short>(rule.by_hour),      std::span<Short>(rule.by_day),
                std::span<Short>(rule.by_month_day), std::span<Short>(rule.by_year_day),
                std::span<Short>(rule.by_week_no),   std::span<Short>(rule.by_month),
                std::span<Short>(rule.by_set_pos)};
    }

    std::vector<Rule> rules;
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
