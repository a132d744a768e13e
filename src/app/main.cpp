#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/CommandLine.h"
#include "app/PanelPreview.h"
#include "app/PlatformChoice.h"
#include "app/SingleInstance.h"
#include "events/SystemDesktopLauncher.h"
#include "look/BrandLogoView.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItemHost.h"
#include "preferences/AccessPromptDialog.h"
#include "shared/Logging.h"
#include "shortcut/KeyGrabber.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcessEnvironment>

using namespace Qt::StringLiterals;

namespace {

// Alone, or with --toggle or --preferences, the program is the menu bar application; every
// other first argument names a command that prints and exits.
bool startsTheApplication(int argc, char *argv[])
{
    if (argc < 2)
        return true;
    const QByteArray first = argv[1];
    return first == "--toggle" || first == "--preferences";
}

AppServices::Platform desktopPlatform()
{
    AppServices::Platform platform;
    platform.accessPrompter = std::make_unique<AccessPromptDialog>();
    platform.desktopLauncher = std::make_unique<SystemDesktopLauncher>();
    platform.keyGrabber = [] {
        return KeyGrabber::create();
    };
    return platform;
}

int runCommand(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"tessel-calendar"_s);
    QTextStream out(stdout);
    QTextStream err(stderr);
    AppServices services(SettingsStore::defaultFilePath(), SettingsStore::Access::readOnly,
                         desktopPlatform());
    return CommandLine(out, err, services)
        .run(QCoreApplication::arguments().mid(1), QDateTime::currentDateTimeUtc());
}

int runApplication(int argc, char *argv[])
{
    const PlatformChoice choice =
        PlatformChoice::forEnvironment(QProcessEnvironment::systemEnvironment());
    if (!choice.loss.isEmpty())
        qCWarning(lcSession).noquote() << choice.loss;
    if (!choice.platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", choice.platform);
    QApplication app(argc, argv);
    // Only for our own windows: the applications we launch choose for themselves.
    if (!choice.platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    QCoreApplication::setApplicationName(u"tessel-calendar"_s);
    QGuiApplication::setApplicationDisplayName(u"栖格日历"_s);
    QGuiApplication::setDesktopFileName(u"tessel-calendar"_s);
    // Task bars and window switchers show it for the preferences and calendar access windows.
    QGuiApplication::setWindowIcon(BrandLogoView::applicationIcon());

    const SingleInstance::Request request =
        SingleInstance::requestFor(QCoreApplication::arguments().value(1));
    SingleInstance instance;
    switch (instance.claimOrForward(request)) {
    case SingleInstance::Outcome::forwarded:
        return 0;
    case SingleInstance::Outcome::unanswered:
        QTextStream(stderr) << "tessel-calendar: the running instance does not answer" << Qt::endl;
        return 1;
    case SingleInstance::Outcome::primary:
        break;
    }

    AppServices services(SettingsStore::defaultFilePath(), SettingsStore::Access::readWrite,
                         desktopPlatform());
    AppDelegate delegate(services, std::make_unique<StatusItemHost>());
    delegate.applicationDidFinishLaunching();
    StatusBarController *controller = delegate.statusBarController();
    QObject::connect(&instance, &SingleInstance::showRequested, controller,
                     &StatusBarController::showPopover);
    QObject::connect(&instance, &SingleInstance::toggleRequested, controller,
                     &StatusBarController::togglePopover);
    QObject::connect(&instance, &SingleInstance::preferencesRequested, &delegate,
                     &AppDelegate::showPreferences);
    if (request == SingleInstance::Request::toggle)
        controller->togglePopover();
    else if (request == SingleInstance::Request::preferences)
        delegate.showPreferences();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Answered before any settings, services or display are opened.
    if (argc > 1) {
        if (const auto information = CommandLine::informationFor(QString::fromLocal8Bit(argv[1]))) {
            QTextStream(stdout) << *information;
            return 0;
        }
    }
    // The preview needs widgets, and for a screenshot a platform chosen before the application.
    if (PanelPreview::isRequested(argc, argv))
        return PanelPreview::run(argc, argv);
    return startsTheApplication(argc, argv) ? runApplication(argc, argv) : runCommand(argc, argv);
}
