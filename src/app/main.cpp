#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "calendar/PanelPreview.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // The preview needs widgets, and for a screenshot a platform chosen before the application.
    if (PanelPreview::isRequested(argc, argv))
        return PanelPreview::run(argc, argv);

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
