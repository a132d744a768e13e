// Cost of the lunar texts and the solar terms the month grid and the panel header show.

#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "holidays/SolarTerms.h"
#include "shared/CivilCalendar.h"
#include "shared/DateHelpers.h"
#include "shared/SystemTimeZone.h"

#include <QDateTime>
#include <QList>
#include <QTimeZone>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

// Runs the work once to warm up, then in rounds until half a second has passed; the mean
// per call over all timed rounds.
double nanosecondsPerCall(qint64 callsPerRound, const std::function<qint64()> &round)
{
    qint64 sink = round();
    qint64 calls = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration::zero();
    while (elapsed < std::chrono::milliseconds(500)) {
        sink += round();
        calls += callsPerRound;
        elapsed = Clock::now() - start;
    }
    // Keeps the results alive so that no round is optimised away.
    if (sink == -1)
        std::puts("");
    return std::chrono::duration<double, std::nano>(elapsed).count() / double(calls);
}

} // namespace

int main()
{
    qputenv("TZ", "Asia/Shanghai");
    SystemTimeZone::refresh();

    // Noon in Beijing of every day of 1950-2049, so the lookups land all over the table.
    QList<QDateTime> days;
    for (QDate day(1950, 1, 1); day.year() < 2050; day = day.addDays(1))
        days.append(QDateTime(day, QTime(4, 0), QTimeZone::utc()));

    const LunarCalendarService service;
    const double label = nanosecondsPerCall(days.size(), [&] {
        qint64 length = 0;
        for (const QDateTime &day : std::as_const(days))
            length += service.compactLabel(day).value_or(QString()).size();
        return length;
    });
    std::printf("compactLabel:            %7.1f ns per day (target under 1000 ns, %lld days)\n",
                label, qint64(days.size()));

    const double header = nanosecondsPerCall(days.size(), [&] {
        qint64 length = 0;
        for (const QDateTime &day : std::as_const(days))
            length += LunarCalendarService::lunarYearMonthDayText(day).size();
        return length;
    });
    std::printf("lunarYearMonthDayText:   %7.1f ns per day\n", header);

    const double term = nanosecondsPerCall(days.size(), [&] {
        qint64 length = 0;
        for (const QDateTime &day : std::as_const(days))
            length += HolidayService::solarTerm(day).value_or(QString()).size();
        return length;
    });
    std::printf("solarTerm:               %7.1f ns per day (target under 1000 ns)\n", term);

    QList<QDate> civilDays;
    for (const QDateTime &day : std::as_const(days))
        civilDays.append(SystemTimeZone::civilDate(day));
    const double termIndex = nanosecondsPerCall(civilDays.size(), [&] {
        qint64 found = 0;
        for (const QDate &day : std::as_const(civilDays))
            found += SolarTerms::termIndex(day).value_or(-1);
        return found;
    });
    std::printf("  of which the table:    %7.1f ns per day\n", termIndex);

    // The months of 2000-2039 whose grid has six weeks, as the panel builds them when paging.
    const CivilCalendar calendar = CivilCalendar::viewCalendar();
    QList<QDateTime> months;
    for (int year = 2000; year < 2040; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const QDateTime middle(QDate(year, month, 15), QTime(4, 0), QTimeZone::utc());
            if (DateHelpers::monthGridDates(middle, calendar).size() == 42)
                months.append(middle);
        }
    }
    const double grid = nanosecondsPerCall(months.size(), [&] {
        qint64 length = 0;
        for (const QDateTime &month : std::as_const(months)) {
            const QList<QDateTime> dates = DateHelpers::monthGridDates(month, calendar);
            for (const QDateTime &date : dates)
                length += service.compactLabel(date).value_or(QString()).size();
        }
        return length;
    });
    std::printf("42-day grid with labels: %7.1f µs per grid (monthGridDates and 42 compactLabel, "
                "%lld grids)\n",
                grid / 1000.0, qint64(months.size()));

    const double dates = nanosecondsPerCall(months.size(), [&] {
        qint64 count = 0;
        for (const QDateTime &month : std::as_const(months))
            count += DateHelpers::monthGridDates(month, calendar).size();
        return count;
    });
    std::printf("  of which the dates:    %7.1f µs per grid\n", dates / 1000.0);
    return 0;
}
