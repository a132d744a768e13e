#include "IcsEventIndex.h"

#include "IcsRecurrence_p.h"

#include <algorithm>

namespace {

// Reading a wall clock as UTC is off by the zone's offset: never more than this.
constexpr qint64 zoneSlackMs = 15 * 3'600'000;
// Events longer than this are checked one by one instead of widening every search.
constexpr qint64 longSpanMs = 7 * IcsTime::msPerDay;

qint64 approximateStart(const IcsTime &time)
{
    return time.kind == IcsTimeKind::zoned ? time.toUtc() : time.wallMs;
}

bool overlaps(qint64 start, qint64 end, qint64 fromUtc, qint64 toUtc)
{
    if (end <= start)
        return start >= fromUtc && start < toUtc;
    return start < toUtc && end > fromUtc;
}

void addSingle(const IcsEvent *event, qint64 fromUtc, qint64 toUtc,
               std::vector<IcsOccurrence> &result)
{
    const qint64 start = event->start.toUtc();
    const qint64 end = event->endUtc(event->start.wallMs, start);
    if (!overlaps(start, end, fromUtc, toUtc))
        return;
    const qint64 occurrence = event->recurrenceId ? event->recurrenceId->toUtc() : start;
    result.push_back({event, start, end, occurrence});
}

} // namespace

void IcsEventIndex::rebuild(const std::vector<const IcsEvent *> &events)
{
    singles.clear();
    longSingles.clear();
    series.clear();
    maxSingleSpanMs = 0;
    singles.reserve(events.size());
    for (const IcsEvent *event : events) {
        if (event->recurrence) {
            series.push_back(event);
        } else if (event->durationMs > longSpanMs) {
            longSingles.push_back(event);
        } else {
            singles.push_back({approximateStart(event->start), event});
            maxSingleSpanMs = std::max(maxSingleSpanMs, event->durationMs);
        }
    }
    std::sort(singles.begin(), singles.end(),
              [](const Entry &a, const Entry &b) { return a.key < b.key; });
}

void IcsEventIndex::occurrences(qint64 fromUtc, qint64 toUtc,
                                std::vector<IcsOccurrence> &result) const
{
    if (toUtc <= fromUtc)
        return;
    const qint64 lowest = fromUtc - zoneSlackMs - maxSingleSpanMs - 3'600'000;
    const qint64 highest = toUtc + zoneSlackMs;
    auto it = std::lower_bound(singles.begin(), singles.end(), lowest,
                               [](const Entry &entry, qint64 key) { return entry.key < key; });
    for (; it != singles.end() && it->key <= highest; ++it)
        addSingle(it->event, fromUtc, toUtc, result);
    for (const IcsEvent *event : longSingles)
        addSingle(event, fromUtc, toUtc, result);

    std::vector<qint64> starts;
    for (const IcsEvent *event : series) {
        starts.clear();
        // A generous wall-clock window; the exact test below decides.
        event->recurrence->expand(
            event->start, fromUtc - zoneSlackMs - event->durationMs - 3'600'000, highest, starts);
        const IcsZone &frame = event->start.frame();
        for (const qint64 wall : starts) {
            const qint64 start = frame.toUtc(wall);
            const qint64 end = event->endUtc(wall, start);
            if (overlaps(start, end, fromUtc, toUtc))
                result.push_back({event, start, end, start});
        }
    }
}

void IcsEventIndex::prepare(qint64 fromUtc, qint64 toUtc) const
{
    std::vector<qint64> starts;
    for (const IcsEvent *event : series) {
        starts.clear();
        event->recurrence->expand(event->start,
                                  fromUtc - zoneSlackMs - event->durationMs - 3'600'000,
                                  toUtc + zoneSlackMs, starts);
    }
}
