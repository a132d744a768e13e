#pragma once

class QProcessEnvironment;

// What kind of graphical session the program was started in, as its environment tells.
class DesktopSession
{
public:
    DesktopSession() = delete;

    /// A Wayland compositor runs the session: WAYLAND_DISPLAY is set or XDG_SESSION_TYPE says so.
    [[nodiscard]] static bool isWayland(const QProcessEnvironment &environment);
    /// An X server can be reached (in a Wayland session, XWayland): DISPLAY is set.
    [[nodiscard]] static bool hasXServer(const QProcessEnvironment &environment);
};
