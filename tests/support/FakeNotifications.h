#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QUuid>

// A desktop notification service (org.freedesktop.Notifications) on a connection of its own,
// which records the arguments of every Notify call.
class FakeNotifications : public QDBusVirtualObject
{
public:
    ~FakeNotifications() override { QDBusConnection::disconnectFromBus(m_connectionName); }

    /// Takes the service's name; false when someone else holds it.
    bool start()
    {
        return m_connection.registerVirtualObject(path, this)
               && m_connection.interface()->registerService(interface).value()
                      == QDBusConnectionInterface::ServiceRegistered;
    }

    [[nodiscard]] QList<QVariantList> notifications() const { return m_notifications; }

    /// The user chose an action of the notification with that id.
    void invokeAction(uint id, const QString &action)
    {
        QDBusMessage signal =
            QDBusMessage::createSignal(path, interface, QStringLiteral("ActionInvoked"));
        m_connection.send(signal << id << action);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        if (message.interface() != interface || message.member() != QLatin1StringView("Notify"))
            return false;
        m_notifications.append(message.arguments());
        connection.send(message.createReply(QVariant::fromValue(uint(m_notifications.size()))));
        return true;
    }

private:
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString interface = QStringLiteral("org.freedesktop.Notifications");
    QString m_connectionName = QUuid::createUuid().toString();
    QDBusConnection m_connection =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    QList<QVariantList> m_notifications;
};
