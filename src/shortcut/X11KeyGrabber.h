#pragma once

#include "KeyGrabber.h"

#include <memory>

// Grabs keys on the root windows of the application's own X connection (XGrabKey), once for each
// Caps Lock and Num Lock state. Presses are read from Qt's xcb event stream; a change of the
// keyboard or modifier mapping grabs everything again, as Num Lock may have moved.
class X11KeyGrabber : public KeyGrabber
{
    Q_OBJECT

public:
    /// Whether the application runs on the xcb platform with an X connection.
    [[nodiscard]] static bool isAvailable();

    /// Only where isAvailable(); otherwise every grab is refused.
    explicit X11KeyGrabber(QObject *parent = nullptr);
    /// Releases every grab still held.
    ~X11KeyGrabber() override;

    [[nodiscard]] bool grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers) override;
    void ungrab(ShortcutId id) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};
