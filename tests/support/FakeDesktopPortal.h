#pragma once

#include "preferences/PortalShortcut.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// The desktop portal's GlobalShortcuts interface as a desktop offers it, on a connection of its
// own: sessions are created at once, and BindShortcuts answers with the response it is told to,
// binding each shortcut to its preferred trigger (or to the trigger set by bindAs()).
class FakeDesktopPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

public:
    FakeDesktopPortal();
    ~FakeDesktopPortal() override;

    /// Connects and takes the portal's name; false when someone else holds it.
    bool start();

    /// 0 binds, 1 is the user cancelling the desktop's dialog, 2 any other end.
    void setBindResponse(uint response) { m_bindResponse = response; }
    /// The trigger the desktop says it bound, in place of the preferred one.
    void bindAs(const QString &triggerDescription) { m_boundAs = triggerDescription; }

    [[nodiscard]] QStringList sessions() const { return m_sessions; }
    [[nodiscard]] QStringList closedSessions() const { return m_closedSessions; }
    /// Every shortcut list BindShortcuts was called with, in order.
    [[nodiscard]] QList<QList<PortalShortcut>> bindCalls() const { return m_bindCalls; }
    /// What is bound, from the moment the caller has been told.
    [[nodiscard]] QList<PortalShortcut> boundShortcuts() const { return m_bound; }

    /// The desktop saw the bound shortcut pressed.
    void activate(const QString &shortcutId);
    /// The user changed the trigger in the desktop's settings.
    void changeTrigger(const QString &shortcutId, const QString &triggerDescription);

    [[nodiscard]] uint version() const { return 1; }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &session,
                                  const QList<PortalShortcut> &shortcuts,
                                  const QString &parentWindow, const QVariantMap &options);
    QDBusObjectPath ListShortcuts(const QDBusObjectPath &session, const QVariantMap &options);

private:
    friend class FakePortalSession;
    QString objectPath(const QString &kind, const QVariantMap &options, const QString &key);
    /// Sends the Response once the call has been answered, as a portal does; `then` runs as it
    /// is sent.
    void respondLater(const QString &requestPath, uint response, const QVariantMap &results,
                      std::function<void()> then = {});
    void sessionClosed(const QString &path);

    QString m_connectionName;
    QDBusConnection m_connection;
    uint m_bindResponse = 0;
    QString m_boundAs;
    QStringList m_sessions;
    QStringList m_closedSessions;
    QList<QList<PortalShortcut>> m_bindCalls;
    QList<PortalShortcut> m_bound;
    QString m_boundSession;
    int m_tokens = 0;
};
