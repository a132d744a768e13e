#include "IcsRecurrence_p.h"

#include "IcsLibical_p.h"

#include <algorithm>
#include <optional>

using namespace IcsLibical;

namespace {

bool containsSorted(const std::vector<qint64> &values, qint64 value)
{
    return std::binary_search(values.begin(), values.end(), value);
}

// libical's skipping ahead restarts the interval of a rule shorter than a day at the new start,
// out of the series' phase. Such a rule is started again from its own last instance at or before
// the wanted start instead: nothing of it depends on DTSTART but the phase.
std::optional<qint64> restartInPhase(const icalrecurrencetype &rule, qint64 dtstart, qint64 from)
{
    qint64 unitMs = 0;
    switch (rule.freq) {
    case ICAL_SECONDLY_RECURRENCE:
        unitMs = 1000;
        break;
    case ICAL_MINUTELY_RECURRENCE:
        unitMs = 60'000;
        break;
    case ICAL_HOURLY_RECURRENCE:
        unitMs = 3'600'000;
        break;
    default:
        return std::nullopt;
    }
    const qint64 period = unitMs * qMax(1, int(rule.interval));
    return dtstart + floorDiv(from - dtstart, period) * period;
}

int listSize(std::span<const short> list)
{
    return int(std::find(list.begin(), list.end(), short(ICAL_RECURRENCE_ARRAY_MAX))
               - list.begin());
}

} // namespace

bool IcsRecurrence::neverMatches(const icalrecurrencetype &rule)
{
    const int positions = listSize(rule.by_set_pos);
    if (positions == 0)
        return false;
    // Days in one period, then each finer by-list multiplies the set; a generous bound.
    int days = 1;
    switch (rule.freq) {
    case ICAL_YEARLY_RECURRENCE:
        days = 366;
        break;
    case ICAL_MONTHLY_RECURRENCE:
        days = 31;
        break;
    case ICAL_WEEKLY_RECURRENCE:
        days = 7;
        break;
    default:
        break;
    }
    const qint64 largestSet = qint64(days) * qMax(1, listSize(rule.by_hour))
                              * qMax(1, listSize(rule.by_minute))
                              * qMax(1, listSize(rule.by_second));
    for (int i = 0; i < positions; ++i) {
        if (qAbs(qint64(rule.by_set_pos[i])) <= largestSet)
            return false;
    }
    return true;
}

IcsRecurrence::Rule::Rule(const icalrecurrencetype &rule)
    : freq(rule.freq)
    , until(rule.until)
    , count(rule.count)
    , interval(rule.interval)
    , weekStart(rule.week_start)
    , rscale(rule.rscale)
    , skip(rule.skip)
{
    for (const auto list : byLists<const short>(rule)) {
        for (const short value : list) {
            if (value == ICAL_RECURRENCE_ARRAY_MAX)
                break;
            lists.push_back(value);
        }
        lists.push_back(ICAL_RECURRENCE_ARRAY_MAX);
    }
    lists.shrink_to_fit();
}

icalrecurrencetype IcsRecurrence::Rule::unpacked() const
{
    icalrecurrencetype rule;
    icalrecurrencetype_clear(&rule);
    rule.freq = freq;
    rule.until = until;
    rule.count = count;
    rule.interval = interval;
    rule.week_start = weekStart;
    rule.rscale = rscale;
    rule.skip = skip;
    auto value = lists.begin();
    for (const auto list : byLists<short>(rule)) {
        for (short &slot : list) {
            if (*value == ICAL_RECURRENCE_ARRAY_MAX)
                break;
            slot = *value++;
        }
        ++value; // past the end marker
    }
    return rule;
}

bool IcsRecurrence::isExcluded(qint64 wallStart) const
{
    return containsSorted(exdates, wallStart) || containsSorted(replaced, wallStart)
           || (!exdays.empty() && containsSorted(exdays, floorDiv(wallStart, msPerDay)));
}

void IcsRecurrence::expand(const IcsTime &dtstart, qint64 wallFrom, qint64 wallTo,
                           std::vector<qint64> &starts) const
{
    if (wallTo < wallFrom || wallTo < dtstart.wallMs || wallFrom > lastStartWall)
        return;
    constexpr qint64 blockMs = blockDays * msPerDay;
    const qint64 firstBlock = floorDiv(qMax(wallFrom, dtstart.wallMs), blockMs);
    const qint64 lastBlock = floorDiv(qMin(wallTo, lastStartWall), blockMs);
    if (lastBlock - firstBlock > qint64(maxCachedBlocks) / 2) {
        expandUncached(dtstart, wallFrom, wallTo, starts);
        return;
    }
    for (qint64 block = firstBlock; block <= lastBlock; ++block) {
        auto found = blocks.find(block);
        if (found == blocks.end()) {
            if (blocks.size() >= maxCachedBlocks)
                blocks.clear();
            std::vector<qint64> blockStarts;
            expandUncached(dtstart, block * blockMs, (block + 1) * blockMs - 1, blockStarts);
            blockStarts.shrink_to_fit();
            found = blocks.emplace(block, std::move(blockStarts)).first;
        }
        for (const qint64 wall : found->second) {
            if (wall >= wallFrom && wall <= wallTo)
                starts.push_back(wall);
        }
    }
}

void IcsRecurrence::expandUncached(const IcsTime &dtstart, qint64 wallFrom, qint64 wallTo,
                                   std::vector<qint64> &starts) const
{
    if (wallTo < wallFrom || wallTo < dtstart.wallMs || wallFrom > lastStartWall)
        return;
    const size_t first = starts.size();
    const bool isDate = dtstart.isDate();
    auto take = [&](qint64 wall) {
        if (wall >= wallFrom && wall <= wallTo && starts.size() - first < size_t(maxOccurrences))
            starts.push_back(wall);
    };

    // DTSTART is the first instance even when the rule would not produce it.
    take(dtstart.wallMs);
    for (const qint64 rdate : rdates)
        take(rdate);

    const icaltimetype seriesStart = fromWallMs(dtstart.wallMs, isDate);
    for (const Rule &packed : rules) {
        const icalrecurrencetype rule = packed.unpacked();
        IteratorPtr iterator(icalrecur_iterator_new(rule, seriesStart));
        if (!iterator)
            continue;
        // Skipping ahead is only sound when instances are not counted from the first one.
        const bool skipping = rule.count == 0 && wallFrom > dtstart.wallMs;
        const auto restart =
            skipping && !isDate ? restartInPhase(rule, dtstart.wallMs, wallFrom) : std::nullopt;
        if (restart) {
            iterator.reset(icalrecur_iterator_new(rule, fromWallMs(*restart, false)));
            if (!iterator)
                continue;
        } else if (skipping) {
            const qint64 from = isDate ? floorDiv(wallFrom, msPerDay) * msPerDay : wallFrom;
            if (!icalrecur_iterator_set_start(iterator.get(), fromWallMs(from, isDate))) {
                iterator.reset(icalrecur_iterator_new(rule, seriesStart));
                if (!iterator)
                    continue;
            }
        }
        for (int step = 0; step < maxStepsPerRule; ++step) {
            const icaltimetype next = icalrecur_iterator_next(iterator.get());
            const auto wall = wallMs(next);
            if (!wall || *wall > wallTo)
                break;
            take(*wall);
            if (starts.size() - first >= size_t(maxOccurrences))
                break;
        }
    }

    std::sort(starts.begin() + qsizetype(first), starts.end());
    starts.erase(std::unique(starts.begin() + qsizetype(first), starts.end()), starts.end());
    starts.erase(std::remove_if(starts.begin() + qsizetype(first), starts.end(),
                                [this](qint64 wall) { return isExcluded(wall); }),
                 starts.end());
}
