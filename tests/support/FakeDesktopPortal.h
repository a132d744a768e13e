#pragma once

#include "preferences/PortalShortcut.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>

// The XDG desktop portal as a desktop runs it, served from a thread of its own because the
// program reads the colour scheme with a blocking call. Settings answers as the shape says;
// GlobalShortcuts creates sessions at once and binds each shortcut to its preferred trigger.
class FakeDesktopPortal : public QDBusVirtualObject
{
public:
    struct Shape
    {
        quint32 version = 1;
        // Debian 12's portal wraps Read's answer in a second variant; ReadOne never does.
        bool readWrapsTwice = true;
        QVariant colorScheme = QVariant::fromValue(quint32(1));
        QString errorName = {}; // every settings call fails with it
        QStringList unanswered = {}; // methods left without an answer
        uint bindResponse = 0; // 1 is the user cancelling the desktop's dialog
        QString boundAs = {}; // the trigger bound in place of the preferred one
    };
    struct Record
    {
        QStringList calls;
        QStringList sessions;
        QStringList closedSessions;
        QList<QList<PortalShortcut>> bindCalls;
        QList<PortalShortcut> bound; // from the moment the caller has been told
        QString boundSession;
    };

    explicit FakeDesktopPortal(const Shape &shape = {});
    ~FakeDesktopPortal() override;

    /// Takes the portal's name and returns once the test's bus has seen it; false when taken.
    bool start();
    /// Gives the name up, as a portal that quits.
    void stop();
    void setShape(const Shape &shape);
    [[nodiscard]] Record record() const;

    /// The desktop saw the bound shortcut pressed.
    void activate(const QString &shortcutId);
    /// The user changed the trigger in the desktop's settings.
    void changeTrigger(const QString &shortcutId, const QString &triggerDescription);
    void changeSetting(const QString &nameSpace, const QString &key, const QVariant &value);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    QDBusMessage answer(const QDBusMessage &message);
    QDBusMessage shortcutsCall(const QDBusMessage &message);
    void send(const QString &path, const QString &interface, const QString &member,
              const QVariantList &arguments);

    QString m_connectionName;
    QDBusConnection m_connection;
    QThread m_thread;
    mutable QMutex m_mutex;
    Shape m_shape;
    Record m_record;
};
