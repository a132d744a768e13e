#pragma once

#include "KeyGrabber.h"
#include "Shortcut.h"

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

// Owns the application's one system-wide shortcut: keeps it grabbed, keeps the settings in step
// with what is grabbed, and calls onTrigger on the main thread at each press.
class ShortcutService : public QObject
{
    Q_OBJECT
    /// The current shortcut; every assignment is published.
    Q_PROPERTY(std::optional<Shortcut> shortcut READ shortcut NOTIFY shortcutChanged)
    /// How this session lets the shortcut be held.
    Q_PROPERTY(KeyGrabber::Mechanism mechanism READ mechanism CONSTANT)
    /// Where the desktop binds the shortcut, the trigger it bound in its own words; empty while
    /// it holds none and in sessions where the key itself is grabbed.
    Q_PROPERTY(QString desktopTrigger READ desktopTrigger NOTIFY desktopTriggerChanged)

public:
    /// The identity the shortcut is grabbed under: the four-character code "TSAL" and number 1.
    static constexpr ShortcutId shortcutId{0x5453414C, 1};

    using Beep = std::function<void()>;
    /// Keeps a shortcut (or none) in the settings.
    using Store = std::function<void(const std::optional<Shortcut> &)>;

    /// Takes the stored shortcut and grabs it. A refusal here is silent and leaves the stored
    /// value as it is; nothing is written back. `beep` sounds when a new shortcut is refused (the
    /// application passes QApplication::beep).
    ShortcutService(const std::optional<Shortcut> &stored, Store store,
                    std::unique_ptr<KeyGrabber> keyGrabber, Beep beep, QObject *parent = nullptr);
    ~ShortcutService() override;

    [[nodiscard]] std::optional<Shortcut> shortcut() const;
    [[nodiscard]] KeyGrabber::Mechanism mechanism() const;
    [[nodiscard]] QString desktopTrigger() const;

    /// Called on each press of the shortcut, always on the main thread.
    [[nodiscard]] const std::function<void()> &onTrigger() const;
    void setOnTrigger(std::function<void()> onTrigger);

    /// Whether a grab is held now.
    [[nodiscard]] bool isRegistered() const;

    /// Grabs the current shortcut. True when there is none or it is not valid (nothing is then
    /// grabbed), or when the grab succeeded; false when it was refused.
    bool registerCurrentShortcut();
    /// Nothing when equal to the current one. Otherwise releases the old grab and grabs the new
    /// shortcut: stored on success; refused, the user is left with no shortcut at all, stored as
    /// none, and the beep sounds. Where the session has no way to hold any shortcut, nothing was
    /// refused: the new one is stored for sessions that have, silently.
    void setShortcut(const std::optional<Shortcut> &shortcut);
    void clearShortcut();
    void handleShortcutPressed();

Q_SIGNALS:
    void shortcutChanged(const std::optional<Shortcut> &shortcut);
    void desktopTriggerChanged(const QString &desktopTrigger);

private:
    void assignShortcut(const std::optional<Shortcut> &shortcut);
    void installEventHandler();

    std::optional<Shortcut> m_shortcut;
    std::function<void()> m_onTrigger;
    Store m_store;
    std::unique_ptr<KeyGrabber> m_keyGrabber;
    // The identity the grab is held under; none while nothing is grabbed.
    std::optional<ShortcutId> m_grabbedId;
    QMetaObject::Connection m_eventHandler;
    QString m_desktopTrigger;
    Beep m_beep;
};
