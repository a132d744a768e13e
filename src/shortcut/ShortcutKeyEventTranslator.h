#pragma once

#include "ShortcutKeyEvent.h"

#include <QtGlobal>

#include <optional>

class QKeyEvent;

// Turns Qt's key presses into the shortcut recorder's key events.
class ShortcutKeyEventTranslator
{
public:
    ShortcutKeyEventTranslator() = delete;

    /// The key is found by its X11 key code where the platform gives one (xcb, Wayland), else by
    /// its Qt key as on a US keyboard. Nothing for a key without a virtual key code.
    [[nodiscard]] static std::optional<ShortcutKeyEvent> translate(const QKeyEvent &event);

    /// The virtual key code of a Qt key on a US keyboard; keypad keys when `keypad` is set.
    [[nodiscard]] static std::optional<quint32> virtualKeyFromQtKey(int key, bool keypad);
};
