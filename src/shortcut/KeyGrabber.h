#pragma once

#include <QObject>
#include <QtGlobal>

#include <memory>

/// The identity a key grab is held under and its presses are reported with.
struct ShortcutId
{
    quint32 signature = 0; // four-character code
    quint32 id = 0;

    friend bool operator==(const ShortcutId &, const ShortcutId &) = default;
};

// Grabs keys for the whole desktop session, so that their presses reach this application
// whichever window has the focus.
class KeyGrabber : public QObject
{
    Q_OBJECT
    /// How the session lets the shortcut be held.
    Q_PROPERTY(Mechanism mechanism READ mechanism CONSTANT)

public:
    enum class Mechanism
    {
        /// The key itself is grabbed; a refusal means another client holds it.
        keyGrab,
        /// The desktop binds the shortcut through its portal and may let the user choose another
        /// trigger; it tells which one it bound.
        desktopPortal,
        /// The session offers no way at all: nothing is refused, nothing can be held.
        none,
    };
    Q_ENUM(Mechanism)

    /// The grabber for the session the application runs in: in a Wayland session the desktop
    /// portal where it offers global shortcuts, never a key grab through XWayland (it would only
    /// see presses while one of our windows has the focus); otherwise X11 on the xcb platform.
    /// Else one that has no way to hold a key.
    [[nodiscard]] static std::unique_ptr<KeyGrabber> create(QObject *parent = nullptr);

    ~KeyGrabber() override;

    /// Grabs a key (a virtual key code) with exactly these modifiers (Carbon bits), whatever the
    /// state of Caps Lock and Num Lock, in place of any grab held under the same identity.
    /// False when refused: another client holds the combination, the key has no code on this
    /// keyboard, or there is no display; nothing is then held under the identity.
    [[nodiscard]] virtual bool grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers) = 0;
    /// Releases what is held under the identity, if anything.
    virtual void ungrab(ShortcutId id) = 0;

    [[nodiscard]] Mechanism mechanism() const;

Q_SIGNALS:
    /// A grabbed key went down; emitted as the press is read, once however long it is held.
    void pressed(ShortcutId id);
    /// What the desktop says triggers the shortcut held under the identity, in its own words;
    /// empty while it holds none.
    void triggerDescribed(ShortcutId id, const QString &description);

protected:
    explicit KeyGrabber(Mechanism mechanism, QObject *parent = nullptr);

private:
    Mechanism m_mechanism;
};
