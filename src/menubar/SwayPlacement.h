#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringView>

#include <optional>

// Where the panel goes in a sway session, from what sway's IPC tells, and the commands that put
// it there. Coordinates are sway's layout coordinates.
class SwayPlacement
{
public:
    SwayPlacement() = delete;

    struct Area
    {
        QRect output;
        /// The output minus the space the bars reserve: the workspace's rectangle.
        QRect usable;
    };

    /// The focused workspace's area, from the answers to GET_WORKSPACES and GET_OUTPUTS.
    [[nodiscard]] static std::optional<Area> focusedArea(const QByteArray &workspaces,
                                                         const QByteArray &outputs);

    /// The panel's top-left corner: under the click when it lies on a bar along the top or the
    /// bottom, else in the right corner on the side where the bars reserve space.
    [[nodiscard]] static QPoint panelOrigin(const Area &area, const std::optional<QPoint> &click,
                                            QSize panelSize);

    /// The rules that make a window of this app id (or X11 class) and title float, sticky and
    /// borderless from its first frame. Sway keeps each rule once, however often it is sent.
    [[nodiscard]] static QByteArray floatingRules(QStringView appId, QStringView title);
    /// Moves the container, made floating, sticky and borderless, to that point.
    [[nodiscard]] static QByteArray moveCommand(qint64 containerId, QPoint origin);

    /// The container id of a window event that shows a window of this process with that title.
    [[nodiscard]] static std::optional<qint64> shownWindow(const QByteArray &event, qint64 pid,
                                                           QStringView title);
};
