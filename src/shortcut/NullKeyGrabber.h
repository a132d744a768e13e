#pragma once

#include "KeyGrabber.h"

// For sessions that offer no way to take a system-wide shortcut (Wayland without the portal's
// global shortcuts, offscreen): nothing can be held, and that is not a refusal of the key.
class NullKeyGrabber : public KeyGrabber
{
    Q_OBJECT

public:
    explicit NullKeyGrabber(QObject *parent = nullptr);
    ~NullKeyGrabber() override;

    [[nodiscard]] bool grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers) override;
    void ungrab(ShortcutId id) override;
};
