#include "StatusBarController.h"

#include "MenuBarCalendarPanel.h"
#include "PanelContentContainerView.h"
#include "StatusItem.h"
#include "SwayPanelPlacer.h"
#include "calendar/CalendarPopoverView.h"
#include "holidays/LunarCalendarService.h"
#include "look/AppTheme.h"
#include "preferences/PreferencesStore.h"
#include "shared/DateHelpers.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>

using namespace Qt::StringLiterals;

namespace {

// A click on the item that took the focus from the panel arrives within this time.
constexpr int itemClickAfterDeactivationMs = 400;
// A press this close beside the item still counts as on it.
constexpr int itemSlop = 4;
// Past midnight by this much, the day has surely turned; and no wait longer than a day, so a
// clock set back is caught up with.
constexpr qint64 dayChangeSlackMs = 20;
constexpr qint64 maxDayChangeWaitMs = 24 * 60 * 60 * 1000;
// Sway moves a new window a frame or two after it appears; no longer is the panel kept empty.
constexpr int placementWaitMs = 50;

} // namespace

StatusBarController::StatusBarController(
    PreferencesStore &preferencesStore, EventStoreService &eventStoreService,
    HolidayService &holidayService, LunarCalendarService &lunarCalendarService,
    std::function<void()> showPreferences, StatusItem &statusItem,
    DesktopColorScheme *desktopColorScheme, MenuBarTitle::Clock clock, QObject *parent)
    : QObject(parent)
    , m_preferencesStore(preferencesStore)
    , m_showPreferences(std::move(showPreferences))
    , m_statusItem(statusItem)
    , m_desktopColorScheme(desktopColorScheme)
    , m_clock(std::move(clock))
    , m_calendarViewModel(preferencesStore, eventStoreService, holidayService, lunarCalendarService,
                          m_clock)
    , m_title(&preferencesStore, m_clock)
{
    connect(&m_statusItem, &StatusItem::activated, this, &StatusBarController::itemActivated);
    connect(&m_statusItem, &StatusItem::contextMenuRequested, this,
            &StatusBarController::itemContextMenuRequested);
    connect(&m_statusItem, &StatusItem::panelChosen, this, &StatusBarController::togglePopover);
    // Chosen from the item's menu, the preferences leave the panel as it was.
    connect(&m_statusItem, &StatusItem::preferencesChosen, this,
            &StatusBarController::showPreferences);
    connect(&m_statusItem, &StatusItem::quitChosen, this, &StatusBarController::quitApp);
    m_preferencesStore.observe(SettingKeys::showPreferencesAndQuitMenu, &m_statusItem,
                               [this](bool on) { m_statusItem.setMenuEnabled(on); });
    m_preferencesStore.observe(SettingKeys::shortcut, &m_statusItem, [this] {
        m_statusItem.setPanelShortcut(m_preferencesStore.shortcut());
    });

    configurePanel();
    bindPanelLayout();
    bindAppearance();
    qApp->installEventFilter(this);
    bindMenuBarTitle();
}

StatusBarController::~StatusBarController()
{
    qApp->removeEventFilter(this);
}

void StatusBarController::configurePanel()
{
    m_panel = std::make_unique<MenuBarCalendarPanel>();
    m_container = new PanelContentContainerView(m_panel.get());
    m_content =
        new CalendarPopoverView(m_calendarViewModel, m_preferencesStore, m_desktopColorScheme);
    m_content->setOpenPreferences([this] { openPreferences(); });
    m_content->setClosePanel([this] { hidePanel(); });
    m_content->setOnContentHeightChange([this](qreal height) { onContentHeightChange(height); });
    m_container->setContent(m_content);
    m_container->setGeometry(QRect(QPoint(), m_layout.panelSize()));
    m_panel->setFixedSize(m_layout.panelSize());
    m_swayPlacer = SwayPanelPlacer::forSession(m_panel->windowTitle());
    if (m_swayPlacer) {
        connect(m_swayPlacer.get(), &SwayPanelPlacer::placed, this,
                &StatusBarController::unveilPanel);
        m_placementWait.setSingleShot(true);
        m_placementWait.setInterval(placementWaitMs);
        connect(&m_placementWait, &QTimer::timeout, this, &StatusBarController::unveilPanel);
    }
    connect(m_panel.get(), &MenuBarCalendarPanel::visibilityChanged, &m_statusItem,
            &StatusItem::setPanelVisible);
    connect(m_panel.get(), &MenuBarCalendarPanel::deactivated, this, [this] {
        if (!isPanelVisible() || isMouseInsideStatusItem())
            return;
        // Another window of ours opening (the preferences) is no click elsewhere; a press in
        // one is seen by the event filter.
        if (QApplication::activeWindow() && QApplication::activeWindow() != m_panel.get())
            return;
        hidePanel();
        m_hiddenByDeactivation.start();
    });
    refreshPanelSize(false);
}

void StatusBarController::bindPanelLayout()
{
    const auto refreshIfVisible = [this] {
        QTimer::singleShot(0, this, [this] {
            if (isPanelVisible())
                refreshPanelSize(true);
        });
    };
    connect(&m_calendarViewModel, &CalendarViewModel::displayedMonthChanged, this,
            refreshIfVisible);
    connect(&m_calendarViewModel, &CalendarViewModel::selectedDateChanged, this, refreshIfVisible);
    connect(&m_calendarViewModel, &CalendarViewModel::monthEventsChanged, this, refreshIfVisible);
}

void StatusBarController::bindAppearance()
{
    m_preferencesStore.observe(SettingKeys::appearanceMode, this, [this](AppAppearanceMode mode) {
        if (mode == AppTheme::appearanceMode())
            return;
        AppTheme::setAppearanceMode(mode);
        m_panel->update();
    });
}

void StatusBarController::bindMenuBarTitle()
{
    connect(&m_title, &MenuBarTitle::textChanged, this, &StatusBarController::updateStatusItem);
    // The icon's day number and the tool tip change at midnight even when the text does not.
    m_dayChange.setSingleShot(true);
    m_dayChange.setTimerType(Qt::PreciseTimer);
    connect(&m_dayChange, &QTimer::timeout, this, [this] { updateStatusItem(m_title.text()); });
    updateStatusItem(m_title.text());
}

void StatusBarController::updateStatusItem(const QString &title)
{
    const QDateTime now = m_clock();
    const QDateTime local = now.toLocalTime();
    if (local.date() != m_describedDay) {
        // A panel left open marks the new day as today.
        if (m_describedDay.isValid())
            m_calendarViewModel.dayChanged();
        m_describedDay = local.date();
        m_dayDescription = DateHelpers::longDescription(now) + u'\n'
                           + LunarCalendarService::lunarYearMonthDayText(now);
        m_statusItem.setDayNumber(DateHelpers::dayNumberText(now).toInt());
    }
    m_statusItem.setTitle(title);
    // Hosts that show icons only show the text here, as the label would.
    m_statusItem.setToolTip(title, m_dayDescription);

    m_dayChange.start(std::chrono::milliseconds(std::clamp<qint64>(
        MenuBarTitle::msToNextDay(now) + dayChangeSlackMs, 0, maxDayChangeWaitMs)));
}

void StatusBarController::onContentHeightChange(qreal height)
{
    if (!m_layout.reportContentHeight(height))
        return;
    m_panel->setFixedSize(m_layout.panelSize());
    m_container->setGeometry(QRect(QPoint(), m_layout.panelSize()));
    if (isPanelVisible())
        repositionPanel();
}

void StatusBarController::refreshPanelSize(bool reposition)
{
    if (m_layout.refresh(m_content->sizeHint().height())) {
        m_panel->setFixedSize(m_layout.panelSize());
        m_container->setGeometry(QRect(QPoint(), m_layout.panelSize()));
    }
    if (reposition)
        repositionPanel();
}

void StatusBarController::repositionPanel()
{
    // A move of our own would have sway centre the panel again.
    if (m_swayPlacer && m_swayPlacer->isPlacing())
        m_swayPlacer->updatePlacement(m_layout.panelSize());
    else
        m_panel->move(panelOrigin());
}

bool StatusBarController::isPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void StatusBarController::showPopover()
{
    AppTheme::setAppearanceMode(m_preferencesStore.value(SettingKeys::appearanceMode));
    m_calendarViewModel.goToCurrentMonth();
    refreshPanelSize(false);
    repositionPanel();
    // Sway shows a new window in the middle of the screen first: the content waits until sway
    // has moved the panel.
    if (!isPanelVisible())
        m_container->setHidden(
            m_swayPlacer && m_swayPlacer->preparePlacement(m_lastItemPoint, m_layout.panelSize()));
    m_panel->show();
    m_panel->raise();
    // Take the keyboard once the window is mapped, so the navigation keys reach the content.
    QTimer::singleShot(0, this, [this] {
        if (!isPanelVisible())
            return;
        m_panel->activateWindow();
        m_content->setFocus(Qt::ActiveWindowFocusReason);
    });
}

void StatusBarController::togglePopover()
{
    if (isPanelVisible())
        hidePanel();
    else
        showPopover();
}

void StatusBarController::itemActivated(const QPoint &where)
{
    m_lastItemPoint = itemPoint(where);
    if (m_hiddenByDeactivation.isValid()
        && m_hiddenByDeactivation.elapsed() < itemClickAfterDeactivationMs) {
        m_hiddenByDeactivation.invalidate();
        return;
    }
    togglePopover();
}

void StatusBarController::itemContextMenuRequested(const QPoint &where)
{
    m_lastItemPoint = itemPoint(where);
    if (!m_preferencesStore.value(SettingKeys::showPreferencesAndQuitMenu)) {
        itemActivated(where);
        return;
    }
    if (!m_statusMenu) {
        m_statusMenu = std::make_unique<QMenu>();
        m_showPanelAction =
            m_statusMenu->addAction(QString(), this, &StatusBarController::togglePopover);
        m_statusMenu->addSeparator();
        QAction *preferences =
            m_statusMenu->addAction(u"偏好设置…"_s, this, &StatusBarController::showPreferences);
        preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
        m_statusMenu->addSeparator();
        QAction *quit =
            m_statusMenu->addAction(u"退出栖格日历"_s, this, &StatusBarController::quitApp);
        quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
    // The global shortcut as a hint only: it works everywhere, not just in this menu.
    const std::optional<Shortcut> shortcut = m_preferencesStore.shortcut();
    m_showPanelAction->setText(shortcut ? u"显示日历面板\t"_s + displayText(*shortcut)
                                        : u"显示日历面板"_s);
    m_statusMenu->popup(m_lastItemPoint.value_or(QCursor::pos()));
}

void StatusBarController::unveilPanel()
{
    m_placementWait.stop();
    if (!isPanelVisible() || !m_container->isHidden())
        return;
    m_container->show();
    m_content->setFocus(Qt::ActiveWindowFocusReason);
}

void StatusBarController::hidePanel()
{
    m_panel->hide();
    m_placementWait.stop();
    if (m_swayPlacer)
        m_swayPlacer->panelHidden();
    // Hiding deactivates the window too; only a click elsewhere may swallow the item's next click.
    m_hiddenByDeactivation.invalidate();
}

void StatusBarController::openPreferences()
{
    hidePanel();
    showPreferences();
}

void StatusBarController::showPreferences()
{
    QTimer::singleShot(0, this, [this] {
        if (m_showPreferences)
            m_showPreferences();
    });
}

void StatusBarController::quitApp()
{
    QCoreApplication::quit();
}

QPoint StatusBarController::panelOrigin() const
{
    // The item's place: where the host says it is, else the point of the last click on it.
    std::optional<QRectF> item;
    if (const QRect geometry = m_statusItem.geometry(); !geometry.isEmpty())
        item = QRectF(geometry);
    else if (m_lastItemPoint)
        item = QRectF(*m_lastItemPoint, QSizeF(0, 0));

    const QScreen *screen = item ? QGuiApplication::screenAt(item->center().toPoint()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return PanelLayout::panelOrigin(item, {}, {}, m_layout.panelSize());
    return PanelLayout::panelOrigin(item, screen->availableGeometry(), screen->geometry(),
                                    m_layout.panelSize());
}

std::optional<QPoint> StatusBarController::itemPoint(const QPoint &reported) const
{
    const QScreen *screen = QGuiApplication::screenAt(reported);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return reported;
    // Only X11 tells where the pointer is outside our own windows.
    std::optional<QPoint> pointer;
    if (QGuiApplication::platformName() == "xcb"_L1)
        pointer = QCursor::pos();
    return PanelLayout::itemPoint(reported, screen->availableGeometry(), screen->geometry(),
                                  pointer);
}

bool StatusBarController::isMouseInsideStatusItem() const
{
    const QRect item = m_statusItem.geometry();
    return !item.isEmpty()
           && item.adjusted(-itemSlop, -itemSlop, itemSlop, itemSlop).contains(QCursor::pos());
}

bool StatusBarController::eventFilter(QObject *watched, QEvent *event)
{
    if (m_swayPlacer && isPanelVisible()) {
        // The wait for sway's move starts when the panel's window is first drawn.
        if (event->type() == QEvent::Expose && m_container->isHidden()
            && watched == m_panel->windowHandle() && !m_placementWait.isActive())
            m_placementWait.start();
        if (event->type() == QEvent::Move && watched == m_panel.get())
            m_swayPlacer->windowMoved(m_panel->pos());
    }
    // A press in another of our windows (the preferences window, say) closes the panel; the
    // item's own menu leaves it open behind it.
    if (event->type() == QEvent::MouseButtonPress && isPanelVisible()) {
        const auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() != m_panel.get() && !qobject_cast<QMenu *>(widget->window())
            && !isMouseInsideStatusItem())
            hidePanel();
    }
    return QObject::eventFilter(watched, event);
}
