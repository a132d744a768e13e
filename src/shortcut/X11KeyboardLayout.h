#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What the keys of the X11 keyboard type under the layout in use.
class X11KeyboardLayout
{
public:
    X11KeyboardLayout() = delete;

    /// The character a key (an X11 key code) types with no modifier; for keypad keys, the digit
    /// it types with Num Lock on. Nothing off the xcb platform, or for keys that type no
    /// character.
    [[nodiscard]] static std::optional<QString> unmodifiedText(quint32 x11Keycode);

    /// The character of a keysym: Latin-1, the Unicode keysyms and the keypad digits.
    [[nodiscard]] static std::optional<QString> keysymText(quint32 keysym);
};
