// Golden-file check of the iCalendar reader: reads tests/data/ics/NAME.ics, lists the occurrences
// in the range that NAME.expected names on its first line ("# TZ=<zone> FROM=<yyyy-MM-dd>
// TO=<yyyy-MM-dd>", TO exclusive, days in that zone) and compares them with the lines after it.
// The same listing must come from the file as the parse cache gives it back. With --update it
// writes the listing into NAME.expected instead.

#include "events/IcsCalendarFile.h"
#include "events/IcsEventIndex.h"
#include "events/IcsParseCache.h"
#include "shared/SystemTimeZone.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString local(qint64 utcMs)
{
    const qint64 wall = IcsZone::system().toWall(utcMs);
    return QDateTime::fromMSecsSinceEpoch(wall, Qt::UTC).toString(u"yyyy-MM-dd HH:mm"_s);
}

qint64 localMidnight(const QDate &day)
{
    return IcsZone::system().toUtc((day.toJulianDay() - 2'440'588) * 86'400'000);
}

QStringList listing(const IcsCalendarFile &file, const QDate &from, const QDate &to)
{
    std::vector<const IcsEvent *> events;
    for (const IcsEvent &event : file.events)
        events.push_back(&event);
    IcsEventIndex index;
    index.rebuild(events);
    std::vector<IcsOccurrence> occurrences;
    index.occurrences(localMidnight(from), localMidnight(to), occurrences);
    std::stable_sort(
        occurrences.begin(), occurrences.end(),
        [](const IcsOccurrence &a, const IcsOccurrence &b) { return a.startUtc < b.startUtc; });
    QStringList lines;
    for (const IcsOccurrence &occurrence : occurrences) {
        const IcsEvent &event = *occurrence.event;
        lines.append(local(occurrence.startUtc) + u" → "_s + local(occurrence.endUtc)
                     + (event.start.isDate() ? u" all-day"_s : QString()) + u" | "_s
                     + event.title.value_or(u"(no title)"_s) + u" | "_s + event.uid + u" @ "_s
                     + local(occurrence.occurrenceUtc));
    }
    return lines;
}

// The file after a trip through the parse cache; nothing when the cache did not keep it.
std::shared_ptr<const IcsCalendarFile> throughCache(const IcsCalendarFile &file)
{
    const QTemporaryDir dir;
    const IcsParseCache cache(dir.path());
    const IcsParseCache::Stamp stamp{1, 2, 3};
    if (!cache.save(u"golden"_s,
                    {{u"golden.ics"_s, {stamp, std::make_shared<IcsCalendarFile>(file)}}}))
        return nullptr;
    const IcsParseCache::Files files = cache.load(u"golden"_s);
    const auto found = files.find(u"golden.ics"_s);
    return found != files.end() && found->second.stamp == stamp ? found->second.content : nullptr;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        err << "usage: ics_golden FILE.ics [--update]\n";
        return 2;
    }
    const QString icsPath = arguments.at(1);
    const QString expectedPath = icsPath.chopped(4) + u".expected"_s;
    QFile ics(icsPath);
    QFile expected(expectedPath);
    if (!ics.open(QIODevice::ReadOnly) || !expected.open(QIODevice::ReadOnly | QIODevice::Text)) {
        err << "ics_golden: cannot read " << icsPath << " or " << expectedPath << '\n';
        return 2;
    }
    QStringList want = QString::fromUtf8(expected.readAll()).split(u'\n');
    while (!want.isEmpty() && want.last().isEmpty())
        want.removeLast();
    static const QRegularExpression header(u"^# TZ=(\\S+) FROM=(\\S+) TO=(\\S+)$"_s);
    const auto match = header.match(want.value(0));
    const QDate from = QDate::fromString(match.captured(2), u"yyyy-MM-dd"_s);
    const QDate to = QDate::fromString(match.captured(3), u"yyyy-MM-dd"_s);
    if (!match.hasMatch() || !from.isValid() || !to.isValid()) {
        err << "ics_golden: " << expectedPath << " does not start with the range line\n";
        return 2;
    }
    qputenv("TZ", match.captured(1).toUtf8());
    SystemTimeZone::refresh();

    const IcsCalendarFile file = IcsCalendarFile::parse(ics.readAll(), u"golden"_s);
    const QStringList got = listing(file, from, to);
    if (arguments.contains(u"--update"_s)) {
        expected.close();
        if (!expected.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            return 2;
        expected.write((QStringList{want.first()} + got).join(u'\n').toUtf8() + '\n');
        return 0;
    }
    if (got == want.mid(1)) {
        const auto cached = throughCache(file);
        // A file defining its own zones is not kept, and is parsed again instead.
        if (!cached || listing(*cached, from, to) == got)
            return 0;
        err << "ics_golden: " << icsPath << " lists differently from the parse cache\n";
        return 1;
    }
    err << "ics_golden: " << icsPath << " differs from " << expectedPath << "; it gives:\n";
    for (const QString &line : got)
        err << line << '\n';
    return 1;
}
