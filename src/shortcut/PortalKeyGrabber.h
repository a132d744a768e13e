#pragma once

#include "KeyGrabber.h"
#include "PortalShortcut.h"

#include <QDBusConnection>
#include <QString>
#include <QStringView>

#include <optional>

class QDBusMessage;

// Holds the shortcut through the desktop portal's GlobalShortcuts interface (Wayland sessions):
// a session of its own per shortcut, bound with our keys as the preferred trigger. The desktop may
// ask the user first or bind another trigger; what it bound is reported as it says it.
class PortalKeyGrabber : public KeyGrabber
{
    Q_OBJECT

public:
    static constexpr QStringView shortcutId = u"toggle-panel";
    static constexpr QStringView shortcutDescription = u"显示或隐藏日历面板";

    /// Whether the session bus offers the portal's GlobalShortcuts interface, asked with a bound
    /// wait so that a portal that hangs cannot hold up the start.
    [[nodiscard]] static bool isOffered(const QDBusConnection &bus, int timeoutMs = 1000);
    /// The trigger in the desktop's shortcut syntax ("CTRL+ALT+LOGO+k"); nothing for a key the
    /// syntax has no name for.
    [[nodiscard]] static std::optional<QString> triggerFor(quint32 keyCode,
                                                           quint32 carbonModifiers);

    explicit PortalKeyGrabber(const QDBusConnection &bus, QObject *parent = nullptr);
    /// Closes the session, so the desktop drops the binding at once.
    ~PortalKeyGrabber() override;

    /// Holds one identity at a time. True as soon as the portal is asked: whether and to what it
    /// binds arrives later through triggerDescribed().
    [[nodiscard]] bool grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers) override;
    void ungrab(ShortcutId id) override;

private Q_SLOTS:
    void handleResponse(const QDBusMessage &message);
    void handleActivated(const QDBusMessage &message);
    void handleShortcutsChanged(const QDBusMessage &message);
    void handleSessionClosed();

private:
    enum class Step
    {
        idle,
        creatingSession,
        binding,
        bound,
    };

    void createSession();
    void bindShortcut();
    /// Calls a portal method whose answer comes as a Response signal on a request object.
    void request(const QString &method, QList<QVariant> arguments, QVariantMap options);
    void listenForResponse(const QString &requestPath);
    // A portal went away or came: the session did not outlive the one that held it.
    void portalChanged(const QString &oldOwner, const QString &newOwner);
    void reportTrigger(const QList<PortalShortcut> &shortcuts);
    void closeSession();
    // Stops listening to the request and session without telling the portal.
    void forgetSession();
    void fail(const QString &reason);

    QDBusConnection m_bus;
    std::optional<ShortcutId> m_held;
    std::optional<QString> m_preferredTrigger;
    Step m_step = Step::idle;
    QString m_sessionPath;
    QString m_requestPath;
    quint32 m_tokenSerial = 0;
};
