#pragma once

#include <QWindow>

// Window manager hints that Qt gives only to windows with a transient parent, for windows that
// must not name one (GNOME Shell rejects the hidden parent Qt would name). Nothing off X11.
class X11WindowHints
{
public:
    X11WindowHints() = delete;

    /// Keeps an unmapped window out of task bars and pagers. The window manager drops the
    /// state when the window is withdrawn, so it is set anew before every map.
    static void skipTaskbar(WId window);

    /// Marks the window as a dialog, which tiling window managers (i3, sway's XWayland) float.
    static void markAsDialog(WId window);
};
