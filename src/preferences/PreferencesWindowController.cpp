#include "PreferencesWindowController.h"

#include "PreferencesStore.h"
#include "PreferencesView.h"
#include "look/AppTheme.h"
#include "shared/X11WindowHints.h"
#include "shortcut/ShortcutService.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

PreferencesWindowController::PreferencesWindowController(
    PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
    HolidayService &holidayService, LaunchAtLoginService &launchAtLoginService,
    ShortcutService *shortcutService, DesktopColorScheme *desktopColorScheme, QObject *parent)
    : QObject(parent)
    , m_preferencesStore(preferencesStore)
    , m_eventStoreService(eventStoreService)
    , m_holidayService(holidayService)
    , m_launchAtLoginService(launchAtLoginService)
    , m_shortcutService(shortcutService)
    , m_desktopColorScheme(desktopColorScheme)
{
    // On the next pass of the event loop, so that the page has rebuilt itself first.
    connect(
        &preferencesStore, &PreferencesStore::valueChanged, this,
        [this](const QString &key) {
            if (key == SettingKeys::appearanceMode.name)
                applyAppearance(m_preferencesStore.value(SettingKeys::appearanceMode));
        },
        Qt::QueuedConnection);
}

PreferencesWindowController::~PreferencesWindowController()
{
    delete m_window;
}

void PreferencesWindowController::createWindow()
{
    // The page draws its own header with a close button and moves the window by it, so the
    // window manager draws no title bar. The size is fixed, which with the dialog type makes
    // tiling window managers float it instead of filling the screen with it.
    auto *window =
        new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setWindowTitle(windowTitle.toString());
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->setFixedSize(contentSize);
    window->installEventFilter(this);

    auto *layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new PreferencesView(m_preferencesStore, m_eventStoreService, m_launchAtLoginService,
                                 m_shortcutService, m_desktopColorScheme, window);
    layout->addWidget(m_view);
    X11WindowHints::markAsDialog(window->winId());
    m_window = window;
}

bool PreferencesWindowController::eventFilter(QObject *watched, QEvent *event)
{
    // Escape reaches the window only when no control used it (the shortcut recorder does).
    if (watched == m_window && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_window->close();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void PreferencesWindowController::show()
{
    if (!m_window)
        createWindow();
    applyAppearance(m_preferencesStore.value(SettingKeys::appearanceMode));

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
