#include "PreferencesWindowController.h"

#include "HotKeyService.h"
#include "PreferencesStore.h"
#include "PreferencesView.h"
#include "shared/AppTheme.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

PreferencesWindowController::PreferencesWindowController(
    PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
    HolidayService &holidayService, LaunchAtLoginService &launchAtLoginService,
    HotKeyService *hotKeyService, DesktopColorScheme *desktopColorScheme, QObject *parent)
    : QObject(parent)
    , m_preferencesStore(preferencesStore)
    , m_eventStoreService(eventStoreService)
    , m_holidayService(holidayService)
    , m_launchAtLoginService(launchAtLoginService)
    , m_hotKeyService(hotKeyService)
    , m_desktopColorScheme(desktopColorScheme)
{
    // On the next pass of the event loop, so that the page has rebuilt itself first.
    connect(&preferencesStore, &PreferencesStore::appearanceModeChanged, this,
            &PreferencesWindowController::applyAppearance, Qt::QueuedConnection);
}

PreferencesWindowController::~PreferencesWindowController()
{
    delete m_window;
}

void PreferencesWindowController::createWindow()
{
    // Only the close button: the page is drawn from the top edge down and has a fixed layout,
    // so minimising or maximising it would serve nothing.
    auto *window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                            | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(windowTitle.toString());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setMinimumSize(contentSize);
    window->resize(contentSize);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new PreferencesView(m_preferencesStore, m_eventStoreService, m_launchAtLoginService,
                                 m_hotKeyService, m_desktopColorScheme, window);
    layout->addWidget(m_view);
    m_window = window;
}

void PreferencesWindowController::show()
{
    if (!m_window)
        createWindow();
    applyAppearance(m_preferencesStore.appearanceMode());

    QWidget *window = m_window;
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

void PreferencesWindowController::applyAppearance(AppAppearanceMode mode)
{
    AppTheme::setAppearanceMode(mode);
    if (mode == AppAppearanceMode::system)
        AppTheme::refreshSystemAppearance();
    m_appliedAppearance = mode;
    if (!m_window)
        return;
    // Widgets the page does not draw itself (tool tips, the file chooser it opens) take their
    // colours from the palette.
    QPalette palette = m_window->palette();
    palette.setColor(QPalette::Window, AppTheme::panelBackground());
    palette.setColor(QPalette::WindowText, AppTheme::primaryText());
    palette.setColor(QPalette::Text, AppTheme::primaryText());
    palette.setColor(QPalette::ButtonText, AppTheme::primaryText());
    palette.setColor(QPalette::Highlight, AppTheme::accent());
    m_window->setPalette(palette);
    m_window->update();
    if (m_view)
        m_view->update();
}
