// libFuzzer target over the iCalendar read path: split and parse a file, index its events and
// expand them over a few ranges, the way a month query does.

#include "events/IcsCalendarFile.h"
#include "events/IcsEventIndex.h"
#include "events/IcsZone.h"
#include "shared/SystemTimeZone.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace {

constexpr qint64 msPerDay = 86'400'000;

bool setUp()
{
    // A zone with daylight saving time, so that gaps and overlaps are exercised.
    qputenv("TZ", "America/New_York");
    SystemTimeZone::refresh();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = setUp();
    Q_UNUSED(ready);
    const IcsCalendarFile file = IcsCalendarFile::parse(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), QStringLiteral("f"));

    std::vector<const IcsEvent *> events;
    for (const IcsEvent &event : file.events)
        events.push_back(&event);
    IcsEventIndex index;
    index.rebuild(events);

    std::vector<IcsOccurrence> occurrences;
    // March 2026 as the panel shows it, and six weeks around the first event wherever it lies.
    const qint64 march = 1'772'323'200'000;
    index.occurrences(march - 7 * msPerDay, march + 35 * msPerDay, occurrences);
    if (!file.events.empty()) {
        const qint64 first = file.events.front().start.toUtc();
        index.occurrences(first - 21 * msPerDay, first + 21 * msPerDay, occurrences);
    }
    for (const IcsOccurrence &occurrence : occurrences) {
        // Touch every field the store reads.
        if (occurrence.event->title.size() < 0)
            return 1;
        Q_UNUSED(occurrence.endUtc);
    }
    return 0;
}
