#include "CommandLine.h"

#include "AppServices.h"
#include "BarOutput.h"
#include "EventsCommand.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"
#include "menubar/MenuBarTitle.h"
#include "preferences/PreferencesStore.h"
#include "shared/CivilCalendar.h"
#include "shared/CommandArguments.h"
#include "shared/DateHelpers.h"
#include "shared/FirstWeekday.h"
#include "shared/MenuBarDisplayStyle.h"
#include "shared/SystemTimeZone.h"

#include <QCoreApplication>

#include <QRegularExpression>

#include <array>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

constexpr int maxDays = 100'000;
constexpr int calCellWidth = 7;

const auto helpText = uR"(栖格日历 · tessel-calendar: a light calendar for the menu bar

Usage:
  tessel-calendar                  the menu bar application (one per session)
  tessel-calendar --toggle         show or hide the running application's panel
  tessel-calendar --preferences    open the running application's preferences
  tessel-calendar cal [YYYY-MM]    the month grid, Monday first, with lunar day names
  tessel-calendar days FROM TO [--tsv]
                                   per day: lunar date, holiday, solar term, 休 or 班
  tessel-calendar events FROM [TO] [--tsv]
                                   the events of the days from your calendars
  tessel-calendar title [--at "YYYY-MM-DD HH:MM:SS"]
                                   the menu bar text for your settings
  tessel-calendar --bar [--json|--genmon] [--once]
                                   the menu bar text at every change, for bars
  tessel-calendar --panel-preview  the panel in a window of its own
  tessel-calendar --screenshot FILE
                                   the panel as a PNG
  tessel-calendar --help | -h      this summary
  tessel-calendar --version        the version

Dates are YYYY-MM-DD with years 1583-9999. Bad arguments exit with status 2.
The manual page tessel-calendar(1) names the files, the environment and
examples for waybar, polybar and XFCE's generic monitor.
)"_s;

} // namespace

CommandLine::CommandLine(QTextStream &out, QTextStream &err, AppServices &services)
    : out(out)
    , err(err)
    , services(services)
{
}

std::optional<QString> CommandLine::informationFor(const QString &argument)
{
    if (argument == "--help"_L1 || argument == "-h"_L1)
        return helpText;
    if (argument == "--version"_L1)
        return u"tessel-calendar " TESSEL_VERSION "\n"_s;
    return std::nullopt;
}

int CommandLine::run(const QStringList &arguments, const QDateTime &now)
{
    const QStringList rest = arguments.mid(1);
    if (arguments.value(0) == "cal"_L1)
        return runCal(rest, now);
    if (arguments.value(0) == "days"_L1)
        return runDays(rest);
    if (arguments.value(0) == "title"_L1)
        return runTitle(rest, now);
    if (arguments.value(0) == "events"_L1)
        return EventsCommand(out, err, services.settingsStore(), services.calendarAccess())
            .run(rest);
    if (arguments.value(0) == "--bar"_L1)
        return runBar(rest);
    return fail(u"unknown command: %1"_s.arg(arguments.value(0)));
}

int CommandLine::fail(const QString &message)
{
    err << "tessel-calendar: " << message << Qt::endl;
    return 2;
}

int CommandLine::runCal(const QStringList &arguments, const QDateTime &now)
{
    const PreferencesStore &preferences = services.preferencesStore();
    bool weekNumbers = preferences.value(SettingKeys::showWeekNumbers);
    int firstWeekday = weekdayNumber(preferences.value(SettingKeys::firstWeekday));
    std::optional<QString> monthArgument;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == "--week-numbers"_L1) {
            weekNumbers = true;
        } else if (argument == "--first-day"_L1) {
            const auto day = fromRawValue<FirstWeekday>(arguments.value(++i));
            if (!day || *day == FirstWeekday::system)
                return fail(u"--first-day takes monday or sunday"_s);
            firstWeekday = weekdayNumber(*day);
        } else if (argument.startsWith(u'-')) {
            return fail(u"unknown option: %1"_s.arg(argument));
        } else if (monthArgument) {
            return fail(u"cal takes at most one month, YYYY-MM"_s);
        } else {
            monthArgument = argument;
        }
    }
    const CivilCalendar calendar(firstWeekday);
    QDateTime month = now;
    if (monthArgument) {
        static const QRegularExpression form(u"^(\\d{4})-(\\d{2})$"_s);
        const auto match = form.match(*monthArgument);
        const int monthNumber = match.captured(2).toInt();
        if (!match.hasMatch() || monthNumber < 1 || monthNumber > 12)
            return fail(u"not a month (YYYY-MM): %1"_s.arg(*monthArgument));
        if (!CommandArguments::isShownYear(match.captured(1).toInt()))
            return fail(CommandArguments::yearOutOfRange(*monthArgument));
        const auto first = calendar.date(match.captured(1).toInt(), monthNumber, 1);
        if (!first)
            return fail(u"not a month (YYYY-MM): %1"_s.arg(*monthArgument));
        month = *first;
    }

    // The week number column, as wide as "53" and a space, left of the days.
    const QString weekColumn = weekNumbers ? u"   "_s : QString();
    const QString title = DateHelpers::monthYearText(month);
    const int lineWidth = 7 * calCellWidth;
    out << weekColumn << QString((lineWidth - CommandArguments::displayWidth(title)) / 2, u' ')
        << title << '\n';
    static constexpr std::array<QStringView, 7> weekdays = {u"日", u"一", u"二", u"三",
                                                            u"四", u"五", u"六"};
    QString header = weekNumbers ? u"周 "_s : QString();
    for (int column = 0; column < 7; ++column) {
        const QStringView weekday = weekdays[size_t((firstWeekday - 1 + column) % 7)];
        header += CommandArguments::padded(u"  "_s + weekday, calCellWidth);
    }
    out << CommandArguments::withoutTrailingSpace(header) << '\n';

    const auto shown = calendar.components(month);
    if (!shown)
        return fail(u"cannot compute that month"_s);
    const LunarCalendarService &lunar = services.lunarCalendarService();
    const HolidayService &holidays = services.holidayService();
    const QList<QDateTime> dates = DateHelpers::monthGridDates(month, calendar);
    for (qsizetype week = 0; week + 7 <= dates.size(); week += 7) {
        QString numbers = weekColumn;
        QString labels = weekColumn;
        if (weekNumbers) {
            const QDate rowStart = SystemTimeZone::civilDate(dates.at(week));
            numbers =
                QString::number(DateHelpers::weekNumberOfRow(rowStart)).rightJustified(2) + u' ';
        }
        for (qsizetype i = week; i < week + 7; ++i) {
            const QDateTime &day = dates.at(i);
            if (calendar.components(day)->month != shown->month) {
                numbers += QString(calCellWidth, u' ');
                labels += QString(calCellWidth, u' ');
                continue;
            }
            const bool isToday = calendar.isSameDay(day, now);
            const auto festival = holidays.label(day);
            // Today in brackets, a festival with a star; under it the festival, else the solar
            // term, else the lunar day, as in the panel.
            const QString digits = DateHelpers::dayNumberText(day).rightJustified(2, u' ');
            QString number = isToday ? u"[%1]"_s.arg(digits) : u" %1"_s.arg(digits);
            if (festival)
                number += u'*';
            numbers += CommandArguments::padded(number, calCellWidth);
            const QString label = festival ? festival->section(u'、', 0, 0)
                                           : HolidayService::solarTerm(day).value_or(
                                               lunar.compactLabel(day).value_or(QString()));
            labels += CommandArguments::padded(u" "_s + label, calCellWidth);
        }
        out << CommandArguments::withoutTrailingSpace(numbers) << '\n'
            << CommandArguments::withoutTrailingSpace(labels) << '\n';
    }
    out.flush();
    return 0;
}

int CommandLine::runDays(const QStringList &arguments)
{
    const auto parsed = CommandArguments::parseDayRange(
        arguments, true, maxDays, u"usage: tessel-calendar days FROM TO [--tsv]"_s);
    if (const auto *error = std::get_if<QString>(&parsed))
        return fail(*error);
    const auto &[from, to, tsv] = std::get<CommandArguments::DayRange>(parsed);

    const CivilCalendar calendar = CivilCalendar::viewCalendar();
    const LunarCalendarService &lunar = services.lunarCalendarService();
    const HolidayService &holidays = services.holidayService();
    for (QDate day = from; day <= to; day = day.addDays(1)) {
        const auto start = calendar.date(day.year(), day.month(), day.day());
        if (!start)
            continue;
        const QStringList fields = {day.toString(u"yyyy-MM-dd"_s),
                                    lunar.compactLabel(*start).value_or(QString()),
                                    LunarCalendarService::lunarYearMonthDayText(*start),
                                    holidays.label(*start).value_or(QString()),
                                    HolidayService::solarTerm(*start).value_or(QString()),
                                    HolidayService::arrangementText(holidays.arrangement(*start))};
        if (tsv) {
            out << fields.join(u'\t') << '\n';
        } else {
            const QString line = fields[0] + u"  "_s + CommandArguments::padded(fields[1], 8)
                                 + CommandArguments::padded(fields[2], 18)
                                 + CommandArguments::padded(fields[3], 16)
                                 + CommandArguments::padded(fields[4], 6) + fields[5];
            out << CommandArguments::withoutTrailingSpace(line) << '\n';
        }
    }
    out.flush();
    return 0;
}

int CommandLine::runTitle(const QStringList &arguments, const QDateTime &now)
{
    QDateTime instant = now;
    if (arguments.size() == 2 && arguments.first() == "--at"_L1) {
        // Read as fields, not as a local QDateTime: Qt 6.4 rejects a time that a clock change
        // skips, which the calendar takes to the first instant after the gap.
        const QString &text = arguments.at(1);
        const auto day = CommandArguments::parseDay(text.left(10));
        const QTime time = text.size() == 19 && text.at(10) == u' '
                               ? QTime::fromString(text.mid(11), u"HH:mm:ss"_s)
                               : QTime();
        const auto local = day && time.isValid()
                               ? CivilCalendar().date(day->year(), day->month(), day->day(),
                                                      time.hour(), time.minute(), time.second())
                               : std::nullopt;
        if (!local)
            return fail(u"not a local time (YYYY-MM-DD HH:MM:SS): %1"_s.arg(text));
        if (!CommandArguments::isShownYear(day->year()))
            return fail(CommandArguments::yearOutOfRange(arguments.at(1)));
        instant = *local;
    } else if (!arguments.isEmpty()) {
        return fail(u"usage: tessel-calendar title [--at \"YYYY-MM-DD HH:MM:SS\"]"_s);
    }
    const PreferencesStore &preferences = services.preferencesStore();
    out << MenuBarTitle::makeTitle(preferences.value(SettingKeys::menuBarStyle), instant,
                                   preferences)
        << Qt::endl;
    return 0;
}

int CommandLine::runBar(const QStringList &arguments)
{
    std::optional<BarOutput::Format> format;
    bool once = false;
    for (const QString &argument : arguments) {
        std::optional<BarOutput::Format> named;
        if (argument == "--json"_L1)
            named = BarOutput::Format::json;
        else if (argument == "--genmon"_L1)
            named = BarOutput::Format::genmon;
        else if (argument == "--once"_L1)
            once = true;
        else
            return fail(u"unknown option: %1"_s.arg(argument));
        if (named && format && *named != *format)
            return fail(u"--json and --genmon cannot be combined"_s);
        if (named)
            format = named;
    }
    // The generic monitor runs the command once per period and shows what it printed at its end.
    once = once || format == BarOutput::Format::genmon;

    // A reader that went away (a restarted bar) must end this process with status 0, not kill it.
    std::signal(SIGPIPE, SIG_IGN);
    MenuBarTitle title(&services.preferencesStore());
    BarOutput bar(&title, format.value_or(BarOutput::Format::plain), &MenuBarTitle::currentInstant,
                  out);
    if (!bar.print() || once)
        return 0;
    QObject::connect(&bar, &BarOutput::outputClosed, QCoreApplication::instance(),
                     [] { QCoreApplication::exit(0); });
    return QCoreApplication::exec();
}
