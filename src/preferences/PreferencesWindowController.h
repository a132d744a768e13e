#pragma once

#include "shared/AppAppearanceMode.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

class DesktopColorScheme;
class EventStoreService;
class HolidayService;
class ShortcutService;
class LaunchAtLoginService;
class PreferencesStore;
class PreferencesView;

// Owns the one preferences window: created on the first show(), kept when closed, always
// brought back centred and in front, and redrawn in step with the appearance setting. The
// window has no title bar; its page closes it (also with Escape) and moves it.
class PreferencesWindowController : public QObject
{
    Q_OBJECT
public:
    static constexpr QSize contentSize{330, 540};
    static constexpr QStringView windowTitle = u"设置";

    /// The services are kept by reference for the controller's life. Without a shortcut service
    /// the page has no shortcut row; without a desktop colour scheme the page follows its own.
    PreferencesWindowController(PreferencesStore &preferencesStore,
                                EventStoreService &eventStoreService,
                                HolidayService &holidayService,
                                LaunchAtLoginService &launchAtLoginService,
                                ShortcutService *shortcutService,
                                DesktopColorScheme *desktopColorScheme = nullptr,
                                QObject *parent = nullptr);
    ~PreferencesWindowController() override;

    /// Creates the window if needed, then centres it on its screen, restores it and brings it
    /// to the front.
    void show();

    /// Absent until the first show().
    [[nodiscard]] QWidget *window() const { return m_window; }
    [[nodiscard]] PreferencesView *view() const { return m_view; }
    /// The appearance the window was last drawn for.
    [[nodiscard]] AppAppearanceMode appliedAppearance() const { return m_appliedAppearance; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createWindow();
    void applyAppearance(AppAppearanceMode mode);

    PreferencesStore &m_preferencesStore;
    EventStoreService &m_eventStoreService;
    HolidayService &m_holidayService;
    LaunchAtLoginService &m_launchAtLoginService;
    ShortcutService *m_shortcutService;
    DesktopColorScheme *m_desktopColorScheme;
    QPointer<QWidget> m_window;
    // Owned by the window.
    PreferencesView *m_view = nullptr;
    AppAppearanceMode m_appliedAppearance = AppAppearanceMode::system;
};
