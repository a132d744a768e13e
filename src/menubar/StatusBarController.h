#pragma once

#include "PanelLayout.h"
#include "calendar/CalendarViewModel.h"
#include "menubar/MenuBarTitle.h"

#include <QDate>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class CalendarPopoverView;
class DesktopColorScheme;
class EventStoreService;
class HolidayService;
class LunarCalendarService;
class MenuBarCalendarPanel;
class PanelContentContainerView;
class PreferencesStore;
class QAction;
class QMenu;
class StatusItem;
class SwayPanelPlacer;

// Owns what the menu bar item leads to: the item's text, icon and menu, the view model and the
// floating panel with the calendar, shown under the item and closed by a click elsewhere.
class StatusBarController : public QObject
{
    Q_OBJECT

public:
    StatusBarController(PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
                        HolidayService &holidayService, LunarCalendarService &lunarCalendarService,
                        std::function<void()> showPreferences, StatusItem &statusItem,
                        DesktopColorScheme *desktopColorScheme = nullptr,
                        MenuBarTitle::Clock clock = MenuBarTitle::currentInstant,
                        QObject *parent = nullptr);
    ~StatusBarController() override;

    /// Shows the panel under the item, at the current month, with the keyboard.
    void showPopover();
    /// Shows the panel if it is hidden, else hides it.
    void togglePopover();
    /// A left click on the item at a global point standing for its place.
    void itemActivated(const QPoint &where);
    /// A right click: the item's menu when the preferences ask for it, else like a left click.
    void itemContextMenuRequested(const QPoint &where);

    [[nodiscard]] bool isPanelVisible() const;
    [[nodiscard]] MenuBarCalendarPanel *panel() const { return m_panel.get(); }
    [[nodiscard]] CalendarPopoverView *content() const { return m_content; }
    [[nodiscard]] QMenu *statusMenu() const { return m_statusMenu.get(); }
    [[nodiscard]] const PanelLayout &panelLayout() const { return m_layout; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void configurePanel();
    void bindPanelLayout();
    void bindAppearance();
    void bindMenuBarTitle();
    void updateStatusItem(const QString &title);
    void onContentHeightChange(qreal height);
    void refreshPanelSize(bool reposition);
    void hidePanel();
    // Moves the showing panel to where it belongs now.
    void repositionPanel();
    // The panel's content shows again once the window manager has put the panel in its place.
    void unveilPanel();
    // From the panel: the panel makes way for the preferences.
    void openPreferences();
    void showPreferences();
    void quitApp();
    [[nodiscard]] QPoint panelOrigin() const;
    // What a host's click point says of the item's place; nothing when it cannot be its place.
    [[nodiscard]] std::optional<QPoint> itemPoint(const QPoint &reported) const;
    [[nodiscard]] bool isMouseInsideStatusItem() const;

    PreferencesStore &m_preferencesStore;
    std::function<void()> m_showPreferences;
    StatusItem &m_statusItem;
    DesktopColorScheme *m_desktopColorScheme;
    MenuBarTitle::Clock m_clock;
    CalendarViewModel m_calendarViewModel;
    MenuBarTitle m_title;
    PanelLayout m_layout;
    std::unique_ptr<MenuBarCalendarPanel> m_panel;
    PanelContentContainerView *m_container = nullptr;
    CalendarPopoverView *m_content = nullptr;
    std::unique_ptr<QMenu> m_statusMenu;
    QAction *m_showPanelAction = nullptr;
    QTimer m_dayChange;
    std::unique_ptr<SwayPanelPlacer> m_swayPlacer;
    // How long the panel, already shown, waits for sway to move it with its content hidden.
    QTimer m_placementWait;
    // The tool tip's date lines, formatted once a day rather than at every tick of the text.
    QDate m_describedDay;
    QString m_dayDescription;
    std::optional<QPoint> m_lastItemPoint;
    // When the panel last closed because another window took the focus: the click that did it
    // may have been on the item, whose own activation arrives just after.
    QElapsedTimer m_hiddenByDeactivation;
};
