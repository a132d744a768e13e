#include "VirtualKeyMap.h"

#include "Shortcut.h"

#include <array>

namespace {

struct KeyPair
{
    quint16 evdev; // KEY_* of linux/input-event-codes.h
    quint16 virtualKey; // kVK_* of Carbon's Events.h
    // The XKB key symbol the US layout gives the key: the name tray hosts and the desktop portal
    // parse shortcuts by.
    const char *keySymbol = nullptr;
};

// One row per key; no code appears twice on either side, so the map reads both ways.
constexpr KeyPair keyPairs[] = {
    // letters
    {30, 0x00, "a"}, // A
    {31, 0x01, "s"}, // S
    {32, 0x02, "d"}, // D
    {33, 0x03, "f"}, // F
    {35, 0x04, "h"}, // H
    {34, 0x05, "g"}, // G
    {44, 0x06, "z"}, // Z
    {45, 0x07, "x"}, // X
    {46, 0x08, "c"}, // C
    {47, 0x09, "v"}, // V
    {48, 0x0B, "b"}, // B
    {16, 0x0C, "q"}, // Q
    {17, 0x0D, "w"}, // W
    {18, 0x0E, "e"}, // E
    {19, 0x0F, "r"}, // R
    {21, 0x10, "y"}, // Y
    {20, 0x11, "t"}, // T
    {24, 0x1F, "o"}, // O
    {22, 0x20, "u"}, // U
    {23, 0x22, "i"}, // I
    {25, 0x23, "p"}, // P
    {38, 0x25, "l"}, // L
    {36, 0x26, "j"}, // J
    {37, 0x28, "k"}, // K
    {49, 0x2D, "n"}, // N
    {50, 0x2E, "m"}, // M
    // digits
    {2, 0x12, "1"}, // 1
    {3, 0x13, "2"}, // 2
    {4, 0x14, "3"}, // 3
    {5, 0x15, "4"}, // 4
    {7, 0x16, "6"}, // 6
    {6, 0x17, "5"}, // 5
    {10, 0x19, "9"}, // 9
    {8, 0x1A, "7"}, // 7
    {9, 0x1C, "8"}, // 8
    {11, 0x1D, "0"}, // 0
    // punctuation
    {13, 0x18, "equal"}, // =
    {12, 0x1B, "minus"}, // -
    {27, 0x1E, "bracketright"}, // ]
    {26, 0x21, "bracketleft"}, // [
    {40, 0x27, "apostrophe"}, // '
    {39, 0x29, "semicolon"}, // ;
    {43, 0x2A, "backslash"}, // backslash
    {51, 0x2B, "comma"}, // ,
    {53, 0x2C, "slash"}, // /
    {52, 0x2F, "period"}, // .
    {41, 0x32, "grave"}, // `
    // editing and navigation
    {28, 0x24, "Return"}, // Return
    {15, 0x30, "Tab"}, // Tab
    {57, 0x31, "space"}, // Space
    {14, 0x33, "BackSpace"}, // BackSpace, the Mac's Delete
    {1, 0x35, "Escape"}, // Escape
    {111, 0x75, "Delete"}, // Delete, the Mac's Forward Delete
    {110, 0x72, "Insert"}, // Insert sits where the Mac's Help key is
    {102, 0x73, "Home"}, // Home
    {104, 0x74, "Page_Up"}, // Page Up
    {107, 0x77, "End"}, // End
    {109, 0x79, "Page_Down"}, // Page Down
    {105, 0x7B, "Left"}, // Left
    {106, 0x7C, "Right"}, // Right
    {108, 0x7D, "Down"}, // Down
    {103, 0x7E, "Up"}, // Up
    // modifiers
    {125, 0x37}, // left Super, Command
    {126, 0x36}, // right Super
    {42, 0x38}, // left Shift
    {54, 0x3C}, // right Shift
    {58, 0x39}, // Caps Lock
    {56, 0x3A}, // left Alt, Option
    {100, 0x3D}, // right Alt
    {29, 0x3B}, // left Control
    {97, 0x3E}, // right Control
    // media
    {115, 0x48, "XF86AudioRaiseVolume"}, // volume up
    {114, 0x49, "XF86AudioLowerVolume"}, // volume down
    {113, 0x4A, "XF86AudioMute"}, // mute
    // function keys
    {59, 0x7A, "F1"}, // F1
    {60, 0x78, "F2"}, // F2
    {61, 0x63, "F3"}, // F3
    {62, 0x76, "F4"}, // F4
    {63, 0x60, "F5"}, // F5
    {64, 0x61, "F6"}, // F6
    {65, 0x62, "F7"}, // F7
    {66, 0x64, "F8"}, // F8
    {67, 0x65, "F9"}, // F9
    {68, 0x6D, "F10"}, // F10
    {87, 0x67, "F11"}, // F11
    {88, 0x6F, "F12"}, // F12
    {183, 0x69, "F13"}, // F13
    {184, 0x6B, "F14"}, // F14
    {185, 0x71, "F15"}, // F15
    {186, 0x6A, "F16"}, // F16
    {187, 0x40, "F17"}, // F17
    {188, 0x4F, "F18"}, // F18
    {189, 0x50, "F19"}, // F19
    {190, 0x5A, "F20"}, // F20
    // keypad
    {82, 0x52, "KP_0"}, // 0
    {79, 0x53, "KP_1"}, // 1
    {80, 0x54, "KP_2"}, // 2
    {81, 0x55, "KP_3"}, // 3
    {75, 0x56, "KP_4"}, // 4
    {76, 0x57, "KP_5"}, // 5
    {77, 0x58, "KP_6"}, // 6
    {71, 0x59, "KP_7"}, // 7
    {72, 0x5B, "KP_8"}, // 8
    {73, 0x5C, "KP_9"}, // 9
    {83, 0x41, "KP_Decimal"}, // .
    {55, 0x43, "KP_Multiply"}, // *
    {78, 0x45, "KP_Add"}, // +
    {69, 0x47}, // Num Lock sits where the Mac's Clear key is
    {98, 0x4B, "KP_Divide"}, // /
    {96, 0x4C, "KP_Enter"}, // Enter
    {74, 0x4E, "KP_Subtract"}, // -
    {117, 0x51, "KP_Equal"}, // =
};

constexpr quint32 x11Offset = 8;
constexpr quint16 none = 0xFFFF;

// Both directions as arrays indexed by code: X11 key codes fit a byte, virtual keys are below 128.
constexpr auto fromX11 = [] {
    std::array<quint16, 256> table{};
    table.fill(none);
    for (const KeyPair &pair : keyPairs)
        table[pair.evdev + x11Offset] = pair.virtualKey;
    return table;
}();

constexpr auto toX11 = [] {
    std::array<quint16, 128> table{};
    table.fill(none);
    for (const KeyPair &pair : keyPairs)
        table[pair.virtualKey] = pair.evdev + x11Offset;
    return table;
}();

} // namespace

std::optional<quint32> VirtualKeyMap::virtualKeyFromX11(quint32 keycode)
{
    if (keycode >= fromX11.size() || fromX11[keycode] == none)
        return std::nullopt;
    return fromX11[keycode];
}

std::optional<quint32> VirtualKeyMap::x11FromVirtualKey(quint32 virtualKey)
{
    if (virtualKey >= toX11.size() || toX11[virtualKey] == none)
        return std::nullopt;
    return toX11[virtualKey];
}

std::optional<QString> VirtualKeyMap::keySymbolName(quint32 virtualKey)
{
    for (const KeyPair &pair : keyPairs) {
        if (pair.virtualKey == virtualKey && pair.keySymbol)
            return QString::fromLatin1(pair.keySymbol);
    }
    return std::nullopt;
}

quint16 VirtualKeyMap::x11ModifiersFromCarbon(quint32 carbonModifiers)
{
    quint16 mask = 0;
    if (carbonModifiers & Shortcut::shiftModifier)
        mask |= x11ShiftMask;
    if (carbonModifiers & Shortcut::controlModifier)
        mask |= x11ControlMask;
    if (carbonModifiers & Shortcut::optionModifier)
        mask |= x11Mod1Mask;
    if (carbonModifiers & Shortcut::commandModifier)
        mask |= x11Mod4Mask;
    return mask;
}
