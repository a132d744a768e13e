#pragma once

#include <QWindow>

// The role of a top-level window as X11 window managers read it (_NET_WM_WINDOW_TYPE).
class X11WindowType
{
public:
    X11WindowType() = delete;

    /// Marks the window as a dialog, which tiling window managers (i3, sway's XWayland) float,
    /// without the transient parent that Qt's own dialogs name. Nothing off the xcb platform.
    static void markAsDialog(WId window);
};
