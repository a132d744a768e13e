#pragma once

#include <QString>

#include <optional>

// Translates between X11 key codes (the evdev code + 8) and the virtual key codes shortcuts are
// kept in, by the key's position on a US ANSI keyboard. Also the modifier masks of a key grab.
class VirtualKeyMap
{
public:
    VirtualKeyMap() = delete;

    // X11 modifier mask bits (the core protocol's, as xcb names them).
    static constexpr quint16 x11ShiftMask = 0x01;
    static constexpr quint16 x11LockMask = 0x02; // Caps Lock
    static constexpr quint16 x11ControlMask = 0x04;
    static constexpr quint16 x11Mod1Mask = 0x08; // Alt
    static constexpr quint16 x11Mod2Mask = 0x10; // Num Lock
    static constexpr quint16 x11Mod4Mask = 0x40; // Super

    [[nodiscard]] static std::optional<quint32> virtualKeyFromX11(quint32 keycode);
    [[nodiscard]] static std::optional<quint32> x11FromVirtualKey(quint32 virtualKey);
    /// The key's XKB symbol name on a US layout ("k", "comma", "KP_1", "F5"), as shortcut
    /// parsers of hosts and the desktop portal take it.
    [[nodiscard]] static std::optional<QString> keySymbolName(quint32 virtualKey);

    /// Command is Super (Mod4), Option is Alt (Mod1).
    [[nodiscard]] static quint16 x11ModifiersFromCarbon(quint32 carbonModifiers);
};
