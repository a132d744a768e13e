#pragma once

#include "IcsEvent.h"

#include <vector>

// The events of one calendar arranged for range queries: single events sorted by start, so a
// month costs a binary search and the events of that month; series kept apart and expanded only
// over the range asked for.
class IcsEventIndex
{
public:
    /// Indexes the events; they must outlive the index.
    void rebuild(const std::vector<const IcsEvent *> &events);

    /// Appends the occurrences that overlap [fromUtc, toUtc).
    void occurrences(qint64 fromUtc, qint64 toUtc, std::vector<IcsOccurrence> &result) const;

    /// Expands the series over [fromUtc, toUtc) ahead of a query, so that it finds them ready.
    void prepare(qint64 fromUtc, qint64 toUtc) const;

    [[nodiscard]] size_t size() const
    {
        return singles.size() + longSingles.size() + series.size();
    }

private:
    struct Entry
    {
        qint64 key; // the start as an instant, dates and floating times read as UTC
        const IcsEvent *event;
    };

    std::vector<Entry> singles; // sorted by key
    std::vector<const IcsEvent *> longSingles; // longer than longSpanMs
    std::vector<const IcsEvent *> series;
    qint64 maxSingleSpanMs = 0;
};
