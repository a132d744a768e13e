#include "app/CommandLine.h"
#include "holidays/HolidayService.h"
#include "holidays/LunarCalendarService.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tessel-calendar"_s);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        arguments = {u"cal"_s};

    const LunarCalendarService lunar;
    const HolidayService holidays;
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CommandLine(out, err, lunar, holidays).run(arguments, QDateTime::currentDateTimeUtc());
}
