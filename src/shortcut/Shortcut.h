#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>

#include <optional>

struct ShortcutKeyEvent;

// The global shortcut that opens the panel: one key and its modifiers, numbered as virtual key
// codes and Carbon modifier bits so that a stored shortcut keeps its form, and the text that
// shows it.
struct Shortcut
{
    static constexpr quint32 commandModifier = 0x100;
    static constexpr quint32 shiftModifier = 0x200;
    static constexpr quint32 optionModifier = 0x800;
    static constexpr quint32 controlModifier = 0x1000;

    quint32 keyCode = 0; // virtual key code (Carbon numbering)
    quint32 carbonModifiers = 0; // Carbon modifier bits
    QString displayText; // modifier symbols then the key label, e.g. "⌃⌥⌘K"

    /// Only a shortcut with a key code other than 0 and some modifier is ever registered.
    [[nodiscard]] bool isValid() const;

    /// The stored form: {"keyCode": n, "carbonModifiers": n, "displayText": "…"}.
    [[nodiscard]] QByteArray toJson() const;
    /// Nothing unless the data is one JSON object with all three members of the right kind, the
    /// numbers being whole and within 0…4294967295. Other members are ignored.
    [[nodiscard]] static std::optional<Shortcut> fromJson(const QByteArray &json);

    /// The shortcut for a key press, or nothing when none of Control, Option, Shift, Command is
    /// down or the key has no label.
    [[nodiscard]] static std::optional<Shortcut> capture(const ShortcutKeyEvent &event);
    /// The fixed label of a key code ("K", "Space", "F1", "↩" …), for keys that do not type a
    /// letter or digit; nothing for keys that cannot be part of a shortcut.
    [[nodiscard]] static std::optional<QString> keyLabel(quint32 keyCode);
    /// The modifier symbols in the order ⌃⌥⇧⌘.
    [[nodiscard]] static QString modifierSymbols(quint32 carbonModifiers);

    friend bool operator==(const Shortcut &, const Shortcut &) = default;
};

/// The text a shortcut is shown with: the modifiers by their Linux names, Ctrl+Alt+Shift+Super,
/// in front of the stored key label. The stored text keeps the symbols it was recorded with.
[[nodiscard]] QString displayText(const Shortcut &shortcut);

inline size_t qHash(const Shortcut &shortcut, size_t seed = 0)
{
    return qHashMulti(seed, shortcut.keyCode, shortcut.carbonModifiers, shortcut.displayText);
}
