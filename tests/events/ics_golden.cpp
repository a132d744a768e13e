// Golden-file check of the iCalendar store: reads tests/data/ics/NAME.ics as a calendar of its
// own and lists the occurrences in the range that NAME.expected names on its first line
// ("# TZ=<zone> FROM=<yyyy-MM-dd> TO=<yyyy-MM-dd>", TO exclusive, days in that zone); the lines
// after it must match, and so must a second store's listing from what the first left in the cache.

#include "events/CalendarAccess.h"
#include "events/IcsCalendarStore.h"
#include "shared/SettingsStore.h"
#include "shared/SystemTimeZone.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString local(const std::optional<QDateTime> &instant)
{
    return instant ? instant->toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s) : u"(none)"_s;
}

QStringList listing(const QString &icsPath, const QDate &from, const QDate &to)
{
    const QTemporaryDir dir;
    SettingsStore settings(dir.filePath(u"settings.json"_s));
    CalendarAccess access(settings);
    access.setGranted(CalendarEntityType::event, true);
    IcsCalendarStore store(settings, access, nullptr,
                           {.watchFiles = false,
                            .roots = IcsFolderScanner::Roots{{}, {}, {}, {icsPath}},
                            .readInBackground = false});
    QList<StoreEvent> events =
        store.events(QDateTime(from, QTime(0, 0)), QDateTime(to, QTime(0, 0)), store.calendars());
    std::stable_sort(events.begin(), events.end(), [](const StoreEvent &a, const StoreEvent &b) {
        return a.startDate < b.startDate;
    });
    QStringList lines;
    for (const StoreEvent &event : events) {
        lines.append(local(event.startDate) + u" → "_s + local(event.endDate)
                     + (event.isAllDay ? u" all-day"_s : QString()) + u" | "_s
                     + event.title.value_or(u"(no title)"_s) + u" | "_s
                     + event.calendarItemIdentifier + u" @ "_s + local(event.occurrenceDate)
                     + (event.location ? u" | "_s + *event.location : QString()));
    }
    return lines;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QString icsPath = app.arguments().value(1);
    QFile expected(icsPath.chopped(4) + u".expected"_s);
    QStringList want;
    if (expected.open(QIODevice::ReadOnly | QIODevice::Text))
        want = QString::fromUtf8(expected.readAll()).split(u'\n', Qt::SkipEmptyParts);
    static const QRegularExpression header(u"^# TZ=(\\S+) FROM=(\\S+) TO=(\\S+)$"_s);
    const auto match = header.match(want.value(0));
    const QDate from = QDate::fromString(match.captured(2), u"yyyy-MM-dd"_s);
    const QDate to = QDate::fromString(match.captured(3), u"yyyy-MM-dd"_s);
    if (!match.hasMatch() || !from.isValid() || !to.isValid()) {
        err << "usage: ics_golden FILE.ics, FILE.expected starting with the range line\n";
        return 2;
    }
    qputenv("TZ", match.captured(1).toUtf8());
    SystemTimeZone::refresh();
    const QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));

    const QStringList got = listing(icsPath, from, to);
    if (got != want.mid(1)) {
        err << "ics_golden: " << icsPath << " differs from " << expected.fileName()
            << "; it gives:\n";
        for (const QString &line : got)
            err << line << '\n';
        return 1;
    }
    if (listing(icsPath, from, to) != got) {
        err << "ics_golden: " << icsPath << " lists differently from the parse cache\n";
        return 1;
    }
    return 0;
}
