#pragma once

#include <QString>
#include <QtGlobal>

// One key press as the shortcut recorder sees it, free of any windowing system: the modifier
// state, the key's virtual key code (see VirtualKeyMap) and what the key types.
struct ShortcutKeyEvent
{
    // Modifier flag bits, in the values the stored shortcuts were always recorded with.
    static constexpr quint32 shiftFlag = 0x20000;
    static constexpr quint32 controlFlag = 0x40000;
    static constexpr quint32 optionFlag = 0x80000;
    static constexpr quint32 commandFlag = 0x100000;

    quint32 modifierFlags = 0;
    quint32 keyCode = 0; // virtual key code
    /// The text the key types under the current layout with no modifier applied but Shift.
    QString charactersIgnoringModifiers;

    /// Command is the Super key, which Qt reports as Meta; Option is Alt.
    [[nodiscard]] static constexpr quint32 modifierFlagsFrom(Qt::KeyboardModifiers modifiers)
    {
        quint32 flags = 0;
        if (modifiers.testFlag(Qt::ShiftModifier))
            flags |= shiftFlag;
        if (modifiers.testFlag(Qt::ControlModifier))
            flags |= controlFlag;
        if (modifiers.testFlag(Qt::AltModifier))
            flags |= optionFlag;
        if (modifiers.testFlag(Qt::MetaModifier))
            flags |= commandFlag;
        return flags;
    }
};
