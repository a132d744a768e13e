#include "AppDelegate.h"

#include "AppServices.h"
#include "events/EventStoreService.h"
#include "look/AppTheme.h"
#include "menubar/NoTrayNotice.h"
#include "menubar/StatusBarController.h"
#include "menubar/StatusItemHost.h"
#include "preferences/PreferencesStore.h"
#include "preferences/PreferencesWindowController.h"
#include "shared/DesktopColorScheme.h"
#include "shortcut/ShortcutService.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

constexpr int previewDelayMs = 200;

bool isSwitchOn(const char *name)
{
    return qEnvironmentVariableIsSet(name) && qgetenv(name) == "1";
}

} // namespace

AppDelegate::AppDelegate(AppServices &services, std::unique_ptr<StatusItem> statusItem,
                         QObject *parent)
    : QObject(parent)
    , services(services)
    , m_statusItem(std::move(statusItem))
{
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    applicationDidBecomeActive();
            });
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    // No window of ours keeps the application running; it lives in the menu bar.
    QApplication::setQuitOnLastWindowClosed(false);

    PreferencesStore &preferences = services.preferencesStore();
    preferences.observe(
        SettingKeys::appearanceMode, this,
        [this, last = std::optional<AppAppearanceMode>()](AppAppearanceMode mode) mutable {
            if (mode == last)
                return;
            last = mode;
            applyAppearance(mode);
        });

    m_desktopColorScheme = std::make_unique<DesktopColorScheme>();
    m_statusBarController = std::make_unique<StatusBarController>(
        preferences, services.eventStoreService(), services.holidayService(),
        services.lunarCalendarService(), [this] { showPreferences(); }, *m_statusItem,
        m_desktopColorScheme.get());

    // Where nothing shows the item, the panel shows that the program runs.
    if (const auto *host = qobject_cast<StatusItemHost *>(m_statusItem.get())) {
        auto *notice = new NoTrayNotice(*host, QDBusConnection::sessionBus(),
                                        NoTrayNotice::defaultGrace, this);
        connect(notice, &NoTrayNotice::unseen, m_statusBarController.get(),
                &StatusBarController::showPopover);
    }

    services.shortcutService().setOnTrigger([controller = QPointer(m_statusBarController.get())] {
        if (controller)
            controller->togglePopover();
    });

    if (isSwitchOn("TS_PREVIEW_POPUP")) {
        QTimer::singleShot(previewDelayMs, this, [this] {
            if (m_statusBarController)
                m_statusBarController->showPopover();
        });
    }
    if (isSwitchOn("TS_PREVIEW_SETTINGS"))
        QTimer::singleShot(previewDelayMs, this, [this] { showPreferences(); });
}

void AppDelegate::applicationDidBecomeActive()
{
    services.eventStoreService().refreshAuthorizationState();
}

void AppDelegate::showPreferences()
{
    services.preferencesWindowController().show();
}

void AppDelegate::applyAppearance(AppAppearanceMode mode)
{
    AppTheme::setAppearanceMode(mode);
    if (mode == AppAppearanceMode::system)
        AppTheme::refreshSystemAppearance();
    // Our windows draw with the theme's colours; have every one of them drawn again.
    for (QWidget *window : QApplication::topLevelWidgets())
        window->update();
}
