// Loads a generated calendar folder (20 calendars, 10,000 events, 500 repeating) and times the
// first load and the month fetch the panel makes for 24 consecutive months.

#include "GeneratedCalendarFolder.h"
#include "events/CalendarAccess.h"
#include "events/EventStoreService.h"
#include "events/IcsCalendarStore.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeZone>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    qputenv("TZ", "Asia/Shanghai");
    SystemTimeZone::refresh();

    const GeneratedCalendarFolder generated(argc, argv);
    if (!generated.isValid()) {
        out << "bench_eventstore: could not generate the calendar folder\n";
        return 1;
    }
    const QString folder = generated.path();
    const QDir dir(folder);
    const int rounds = argc > 2 ? qMax(1, QByteArray(argv[2]).toInt()) : 1;

    QTemporaryDir settingsDir;
    SettingsStore settings(settingsDir.filePath(u"settings.json"_s));
    CalendarAccess access(settings);
    access.setGranted(CalendarEntityType::event, true);
    IcsCalendarStore::Options options;
    options.readInBackground = false;
    options.watchFiles = false;
    IcsFolderScanner::Roots roots;
    roots.vdirRoots = {dir.filePath(u"calendars"_s)};
    options.roots = roots;

    QElapsedTimer timer;
    timer.start();
    IcsCalendarStore store(settings, access, nullptr, options);
    EventStoreService service(store);
    store.loadAll();
    const double firstLoad = milliseconds(timer);
    out << "calendars: " << service.availableCalendars().size() << '\n';
    out << "first load (scan, parse 10,000 files, index): " << QString::number(firstLoad, 'f', 1)
        << " ms\n";

    // Paging one month at a time as the panel does: between two pages the event loop runs, and
    // with it the store's expansion of the neighbouring months.
    QList<double> times;
    qsizetype total = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int month = 0; month < 24; ++month) {
            const QDateTime day =
                QDateTime(QDate(2025, 1, 15).addMonths(month), QTime(4, 0), QTimeZone::utc());
            timer.restart();
            const QList<CalendarDayEvent> items = service.eventsForVisibleGrid(day, {});
            const double elapsed = milliseconds(timer);
            times.append(elapsed);
            total += items.size();
            if (round == 0)
                out << "eventsForVisibleGrid " << day.toString(u"yyyy-MM"_s) << ": "
                    << QString::number(elapsed, 'f', 3) << " ms, " << items.size() << " items\n";
            QCoreApplication::processEvents();
        }
    }
    std::sort(times.begin(), times.end());
    out << "eventsForVisibleGrid, 24 consecutive months: median "
        << QString::number(times.at(times.size() / 2), 'f', 3) << " ms, max "
        << QString::number(times.last(), 'f', 3) << " ms (target < 3 ms), " << total / rounds
        << " items\n";

    // A jump to a month far from any shown before finds nothing expanded yet.
    timer.restart();
    const qsizetype far =
        service
            .eventsForVisibleGrid(QDateTime(QDate(2031, 6, 15), QTime(4, 0), QTimeZone::utc()), {})
            .size();
    out << "eventsForVisibleGrid after a jump to 2031-06 (series expanded on the spot): "
        << QString::number(milliseconds(timer), 'f', 3) << " ms, " << far << " items\n";
    return 0;
}
