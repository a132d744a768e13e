#include "VirtualKeyMap.h"

#include "HotKeyShortcut.h"

#include <array>

namespace {

struct KeyPair
{
    quint16 evdev; // KEY_* of linux/input-event-codes.h
    quint16 virtualKey; // kVK_* of Carbon's Events.h
};

// One row per key; no code appears twice on either side, so the map reads both ways.
constexpr KeyPair keyPairs[] = {
    // letters
    {30, 0x00}, // A
    {31, 0x01}, // S
    {32, 0x02}, // D
    {33, 0x03}, // F
    {35, 0x04}, // H
    {34, 0x05}, // G
    {44, 0x06}, // Z
    {45, 0x07}, // X
    {46, 0x08}, // C
    {47, 0x09}, // V
    {48, 0x0B}, // B
    {16, 0x0C}, // Q
    {17, 0x0D}, // W
    {18, 0x0E}, // E
    {19, 0x0F}, // R
    {21, 0x10}, // Y
    {20, 0x11}, // T
    {24, 0x1F}, // O
    {22, 0x20}, // U
    {23, 0x22}, // I
    {25, 0x23}, // P
    {38, 0x25}, // L
    {36, 0x26}, // J
    {37, 0x28}, // K
    {49, 0x2D}, // N
    {50, 0x2E}, // M
    // digits
    {2, 0x12}, // 1
    {3, 0x13}, // 2
    {4, 0x14}, // 3
    {5, 0x15}, // 4
    {7, 0x16}, // 6
    {6, 0x17}, // 5
    {10, 0x19}, // 9
    {8, 0x1A}, // 7
    {9, 0x1C}, // 8
    {11, 0x1D}, // 0
    // punctuation
    {13, 0x18}, // =
    {12, 0x1B}, // -
    {27, 0x1E}, // ]
    {26, 0x21}, // [
    {40, 0x27}, // '
    {39, 0x29}, // ;
    {43, 0x2A}, // backslash
    {51, 0x2B}, // ,
    {53, 0x2C}, // /
    {52, 0x2F}, // .
    {41, 0x32}, // `
    // editing and navigation
    {28, 0x24}, // Return
    {15, 0x30}, // Tab
    {57, 0x31}, // Space
    {14, 0x33}, // BackSpace, the Mac's Delete
    {1, 0x35}, // Escape
    {111, 0x75}, // Delete, the Mac's Forward Delete
    {110, 0x72}, // Insert sits where the Mac's Help key is
    {102, 0x73}, // Home
    {104, 0x74}, // Page Up
    {107, 0x77}, // End
    {109, 0x79}, // Page Down
    {105, 0x7B}, // Left
    {106, 0x7C}, // Right
    {108, 0x7D}, // Down
    {103, 0x7E}, // Up
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
    {115, 0x48}, // volume up
    {114, 0x49}, // volume down
    {113, 0x4A}, // mute
    // function keys
    {59, 0x7A}, // F1
    {60, 0x78}, // F2
    {61, 0x63}, // F3
    {62, 0x76}, // F4
    {63, 0x60}, // F5
    {64, 0x61}, // F6
    {65, 0x62}, // F7
    {66, 0x64}, // F8
    {67, 0x65}, // F9
    {68, 0x6D}, // F10
    {87, 0x67}, // F11
    {88, 0x6F}, // F12
    {183, 0x69}, // F13
    {184, 0x6B}, // F14
    {185, 0x71}, // F15
    {186, 0x6A}, // F16
    {187, 0x40}, // F17
    {188, 0x4F}, // F18
    {189, 0x50}, // F19
    {190, 0x5A}, // F20
    // keypad
    {82, 0x52}, // 0
    {79, 0x53}, // 1
    {80, 0x54}, // 2
    {81, 0x55}, // 3
    {75, 0x56}, // 4
    {76, 0x57}, // 5
    {77, 0x58}, // 6
    {71, 0x59}, // 7
    {72, 0x5B}, // 8
    {73, 0x5C}, // 9
    {83, 0x41}, // .
    {55, 0x43}, // *
    {78, 0x45}, // +
    {69, 0x47}, // Num Lock sits where the Mac's Clear key is
    {98, 0x4B}, // /
    {96, 0x4C}, // Enter
    {74, 0x4E}, // -
    {117, 0x51}, // =
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

quint16 VirtualKeyMap::x11ModifiersFromCarbon(quint32 carbonModifiers)
{
    quint16 mask = 0;
    if (carbonModifiers & HotKeyShortcut::shiftModifier)
        mask |= x11ShiftMask;
    if (carbonModifiers & HotKeyShortcut::controlModifier)
        mask |= x11ControlMask;
    if (carbonModifiers & HotKeyShortcut::optionModifier)
        mask |= x11Mod1Mask;
    if (carbonModifiers & HotKeyShortcut::commandModifier)
        mask |= x11Mod4Mask;
    return mask;
}

quint32 VirtualKeyMap::carbonModifiersFromX11(quint16 state)
{
    quint32 modifiers = 0;
    if (state & x11ShiftMask)
        modifiers |= HotKeyShortcut::shiftModifier;
    if (state & x11ControlMask)
        modifiers |= HotKeyShortcut::controlModifier;
    if (state & x11Mod1Mask)
        modifiers |= HotKeyShortcut::optionModifier;
    if (state & x11Mod4Mask)
        modifiers |= HotKeyShortcut::commandModifier;
    return modifiers;
}
