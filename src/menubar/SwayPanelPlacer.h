#pragma once

#include "I3IpcClient.h"
#include "SwayPlacement.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

// Places the panel in a sway session, where a window cannot place itself: sway centres every new
// floating window, so sway is told through its IPC socket where the panel goes.
class SwayPanelPlacer : public QObject
{
    Q_OBJECT

public:
    /// The placer for a session whose windows go to sway ($SWAYSOCK set, and the windows shown
    /// natively on Wayland or through XWayland); none elsewhere.
    [[nodiscard]] static std::unique_ptr<SwayPanelPlacer> forSession(const QString &panelTitle);

    SwayPanelPlacer(QString socketPath, QString panelTitle, QObject *parent = nullptr);
    ~SwayPanelPlacer() override;

    /// Before the panel shows: asks sway for the focused workspace's area and moves the panel
    /// there as soon as sway shows it. False when sway cannot be reached.
    bool preparePlacement(const std::optional<QPoint> &click, QSize panelSize);
    /// Whether sway places the showing panel.
    [[nodiscard]] bool isPlacing() const { return m_visible; }
    /// The showing panel's size changed: moves it where that size goes.
    void updatePlacement(QSize panelSize);
    /// The panel's window reports a new position. Through XWayland, sway centres a floating
    /// window again at each change of size it asks for; the panel goes back to its place.
    void windowMoved(QPoint position);
    /// The panel was hidden; its next showing is a new window to sway.
    void panelHidden();

Q_SIGNALS:
    /// Sway has answered the move of the showing panel.
    void placed();

private:
    bool connectToSway();
    void registerRules();
    void onEvent(quint32 type, const QByteArray &payload);
    void place();

    I3IpcClient m_ipc;
    QString m_socketPath;
    QString m_title;
    // Only an X11 window's position is its place on the screen.
    bool m_positionKnown;
    // Which showing the answers belong to; those of an earlier one are dropped.
    quint64 m_showing = 0;
    bool m_visible = false;
    std::optional<QPoint> m_click;
    QSize m_size;
    QByteArray m_workspaces;
    std::optional<SwayPlacement::Area> m_area;
    std::optional<qint64> m_container;
    std::optional<QPoint> m_placedAt;
};
