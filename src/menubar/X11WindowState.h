#pragma once

#include <QWindow>

// Window manager hints that Qt gives only to transient windows, for a window that must not
// name a transient parent.
class X11WindowState
{
public:
    X11WindowState() = delete;

    /// Keeps an unmapped window out of task bars and pagers; Qt adds its own states to these
    /// when it maps the window. Does nothing off X11.
    static void skipTaskbar(WId window);
};
