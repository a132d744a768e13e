#pragma once

// Whether a compositing manager runs, so that translucent windows show what is behind them.
// Off X11 (Wayland) there always is one.
class X11Compositor
{
public:
    X11Compositor() = delete;

    [[nodiscard]] static bool isActive();
};
