#pragma once

#include <QObject>
#include <QtGlobal>

#include <memory>

/// The identity a key grab is held under and its presses are reported with.
struct HotKeyId
{
    quint32 signature = 0; // four-character code
    quint32 id = 0;

    friend bool operator==(const HotKeyId &, const HotKeyId &) = default;
};

// Grabs keys for the whole desktop session, so that their presses reach this application
// whichever window has the focus.
class KeyGrabber : public QObject
{
    Q_OBJECT

public:
    /// The grabber for the session the application runs in: X11 on the xcb platform, else one
    /// that refuses every key.
    [[nodiscard]] static std::unique_ptr<KeyGrabber> create(QObject *parent = nullptr);

    ~KeyGrabber() override;

    /// Grabs a key (a virtual key code) with exactly these modifiers (Carbon bits), whatever the
    /// state of Caps Lock and Num Lock, in place of any grab held under the same identity.
    /// False when refused: another client holds the combination, the key has no code on this
    /// keyboard, or there is no display; nothing is then held under the identity.
    [[nodiscard]] virtual bool grab(HotKeyId id, quint32 keyCode, quint32 carbonModifiers) = 0;
    /// Releases what is held under the identity, if anything.
    virtual void ungrab(HotKeyId id) = 0;

Q_SIGNALS:
    /// A grabbed key went down; emitted as the press is read, once however long it is held.
    void pressed(HotKeyId id);

protected:
    explicit KeyGrabber(QObject *parent = nullptr);
};
