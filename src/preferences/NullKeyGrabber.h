#pragma once

#include "KeyGrabber.h"

// For sessions without an X11 display (Wayland without XWayland access, offscreen): there is no
// way to grab a key there, so every shortcut is refused.
class NullKeyGrabber : public KeyGrabber
{
    Q_OBJECT

public:
    explicit NullKeyGrabber(QObject *parent = nullptr);
    ~NullKeyGrabber() override;

    [[nodiscard]] bool grab(HotKeyId id, quint32 keyCode, quint32 carbonModifiers) override;
    void ungrab(HotKeyId id) override;
};
