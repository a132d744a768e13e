#include "CommandArguments.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

bool CommandArguments::isShownYear(int year)
{
    return year >= firstYear && year <= lastYear;
}

QString CommandArguments::yearOutOfRange(const QString &argument)
{
    return u"years %1-%2 only: %3"_s.arg(firstYear).arg(lastYear).arg(argument);
}

std::optional<QDate> CommandArguments::parseDay(const QString &text)
{
    static const QRegularExpression form(u"^\\d{4}-\\d{2}-\\d{2}$"_s);
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDate day = QDate::fromString(text, u"yyyy-MM-dd"_s);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

std::variant<CommandArguments::DayRange, QString>
CommandArguments::parseDayRange(const QStringList &arguments, bool toRequired, int maxDays,
                                const QString &usage)
{
    QStringList positional;
    bool tsv = false;
    for (const QString &argument : arguments) {
        if (argument == "--tsv"_L1)
            tsv = true;
        else if (argument.startsWith(u'-'))
            return u"unknown option: %1"_s.arg(argument);
        else
            positional.append(argument);
    }
    if (positional.size() > 2 || positional.size() < (toRequired ? 2 : 1))
        return usage;
    const auto from = parseDay(positional.at(0));
    const auto to = positional.size() > 1 ? parseDay(positional.at(1)) : from;
    if (!from || !to)
        return u"not a day (YYYY-MM-DD): %1"_s.arg(from ? positional.at(1) : positional.at(0));
    if (!isShownYear(from->year()))
        return yearOutOfRange(positional.at(0));
    if (!isShownYear(to->year()))
        return yearOutOfRange(positional.at(1));
    if (*to < *from)
        return u"TO is before FROM"_s;
    if (from->daysTo(*to) >= maxDays)
        return u"at most %1 days at a time"_s.arg(maxDays);
    return DayRange{*from, *to, tsv};
}

int CommandArguments::displayWidth(QStringView text)
{
    int width = 0;
    for (const QChar ch : text)
        width += ch.unicode() >= 0x2E80 ? 2 : 1;
    return width;
}

QString CommandArguments::padded(const QString &text, int width)
{
    return text + QString(qMax(0, width - displayWidth(text)), u' ');
}

QStringView CommandArguments::withoutTrailingSpace(QStringView line)
{
    while (line.endsWith(u' '))
        line.chop(1);
    return line;
}
