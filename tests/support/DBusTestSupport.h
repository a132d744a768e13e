#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QVariantMap>

// The item and its callers live in one thread on different connections, so a blocking call
// from one to the other could never be answered: every call here waits with the event loop on.
inline QDBusMessage callAndWait(const QDBusConnection &connection, const QString &service,
                                const QString &path, const QString &interface,
                                const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    QDBusPendingCallWatcher watcher(connection.asyncCall(message));
    if (!watcher.isFinished())
        QSignalSpy(&watcher, &QDBusPendingCallWatcher::finished).wait(10000);
    return watcher.reply();
}

inline QVariant readProperty(const QDBusConnection &connection, const QString &service,
                             const QString &path, const QString &interface, const QString &name)
{
    using namespace Qt::StringLiterals;
    const QDBusMessage reply =
        callAndWait(connection, service, path, u"org.freedesktop.DBus.Properties"_s, u"Get"_s,
                    {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}
