#include "app/AppServices.h"
#include "app/CommandLine.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tessel-calendar"_s);

    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        arguments = {u"cal"_s};

    QTextStream out(stdout);
    QTextStream err(stderr);
    return CommandLine(out, err, AppServices::shared())
        .run(arguments, QDateTime::currentDateTimeUtc());
}
