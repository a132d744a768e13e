#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QList>
#include <QUuid>
#include <QVariantList>

// A desktop notification service (org.freedesktop.Notifications) on a connection of its own,
// which records the arguments of every Notify call.
class FakeNotifications : public QDBusVirtualObject
{
public:
    FakeNotifications()
        : m_connectionName(QUuid::createUuid().toString())
        , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
    {
    }

    ~FakeNotifications() override { QDBusConnection::disconnectFromBus(m_connectionName); }

    /// Takes the service's name; false when someone else holds it.
    bool start()
    {
        using namespace Qt::StringLiterals;
        if (!m_connection.registerVirtualObject(u"/org/freedesktop/Notifications"_s, this))
            return false;
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
            m_connection.interface()->registerService(u"org.freedesktop.Notifications"_s);
        return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    }

    [[nodiscard]] QList<QVariantList> notifications() const { return m_notifications; }

    /// The user chose an action of the notification with that id.
    void invokeAction(uint id, const QString &action)
    {
        using namespace Qt::StringLiterals;
        QDBusMessage signal =
            QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                       u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        signal << id << action;
        m_connection.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        using namespace Qt::StringLiterals;
        if (message.interface() != "org.freedesktop.Notifications"_L1
            || message.member() != "Notify"_L1)
            return false;
        m_notifications.append(message.arguments());
        connection.send(message.createReply(QVariant::fromValue(uint(m_notifications.size()))));
        return true;
    }

private:
    QString m_connectionName;
    QDBusConnection m_connection;
    QList<QVariantList> m_notifications;
};
