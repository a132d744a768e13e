#pragma once

#include "preferences/HotKeyShortcut.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

// The application's item in the desktop's tray or menu bar, as the controller sees it. The item
// keeps what it shows; a backend is told through the update hooks, and only when something
// changed. A plain StatusItem shows nothing, which makes it the stand-in for tests.
class StatusItem : public QObject
{
    Q_OBJECT

public:
    explicit StatusItem(QObject *parent = nullptr);
    ~StatusItem() override;

    /// The menu bar text; hosts that show text next to icons show this.
    void setTitle(const QString &text);
    /// The tool tip: a heading line and a line under it.
    void setToolTip(const QString &title, const QString &subtitle);
    /// Today's day of the month, drawn on the icon (1-31; anything else leaves the page blank).
    void setDayNumber(int day);
    /// Whether the item offers its menu to hosts that draw menus themselves; without one they
    /// ask for a context menu instead. Hosts look when they add the item.
    void setMenuEnabled(bool enabled);
    /// The global shortcut shown beside the menu's "显示日历面板", if one is set.
    void setPanelShortcut(const std::optional<HotKeyShortcut> &shortcut);
    /// Whether the panel is open; hosts that draw the item themselves show it checked meanwhile.
    void setPanelVisible(bool visible);

    [[nodiscard]] QString title() const { return m_title; }
    [[nodiscard]] QString toolTipTitle() const { return m_toolTipTitle; }
    [[nodiscard]] QString toolTipSubtitle() const { return m_toolTipSubtitle; }
    [[nodiscard]] int dayNumber() const { return m_dayNumber; }
    [[nodiscard]] bool isMenuEnabled() const { return m_menuEnabled; }
    [[nodiscard]] std::optional<HotKeyShortcut> panelShortcut() const { return m_panelShortcut; }
    [[nodiscard]] bool isPanelVisible() const { return m_panelVisible; }

    /// Where the item is on screen, in global coordinates, when the host tells; else empty.
    [[nodiscard]] virtual QRect geometry() const;
    /// Whether a host on the desktop shows the item.
    [[nodiscard]] virtual bool isShown() const;

Q_SIGNALS:
    /// A left click (or the host's activation) at a global point standing for the item's place.
    void activated(const QPoint &where);
    /// A right click (or the host's request for a context menu) at a global point.
    void contextMenuRequested(const QPoint &where);
    /// "显示日历面板" was chosen in a menu the host drew.
    void panelChosen();
    /// "偏好设置…" was chosen in a menu the host drew.
    void preferencesChosen();
    /// "退出栖格日历" was chosen in a menu the host drew.
    void quitChosen();

protected:
    virtual void updateTitle() { }
    virtual void updateToolTip() { }
    virtual void updateIcon() { }
    virtual void updateMenu() { }
    virtual void updatePanelVisible() { }

private:
    QString m_title;
    QString m_toolTipTitle;
    QString m_toolTipSubtitle;
    int m_dayNumber = 0;
    bool m_menuEnabled = true;
    bool m_panelVisible = false;
    std::optional<HotKeyShortcut> m_panelShortcut;
};
