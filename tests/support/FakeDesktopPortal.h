#pragma once

#include "BusNameOwner.h"
#include "shortcut/PortalShortcut.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QThread>
#include <QUuid>

// How the fake portal answers.
struct FakePortalShape
{
    quint32 version = 1;
    // Debian 12's portal wraps Read's answer in a second variant; ReadOne never does.
    bool readWrapsTwice = true;
    QVariant colorScheme = QVariant::fromValue(quint32(1));
    QString errorName = {}; // every settings call fails with it
    QStringList unanswered = {}; // methods left without an answer
    uint bindResponse = 0; // 1 is the user cancelling the desktop's dialog
    QString boundAs = {}; // the trigger bound in place of the preferred one
    bool textResults = false; // Response's results as a{ss}, as a faulty portal might send them
};

// The XDG desktop portal as a desktop runs it, served from a thread of its own because the
// program reads the colour scheme with a blocking call. Settings answers as the shape says;
// GlobalShortcuts creates sessions at once and binds each shortcut to its preferred trigger.
class FakeDesktopPortal : public QDBusVirtualObject
{
public:
    using Shape = FakePortalShape;
    struct Record
    {
        QStringList calls;
        QStringList sessions;
        QStringList closedSessions;
        QList<QList<PortalShortcut>> bindCalls;
        QList<PortalShortcut> bound; // from the moment the caller has been told
        QString boundSession;
    };

    explicit FakeDesktopPortal(const Shape &shape = {})
        : m_connectionName(QUuid::createUuid().toString())
        , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
        , m_shape(shape)
    {
        PortalShortcut::registerDBusTypes();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        // Registered before the move, so that what the bus hangs on the object moves with it.
        m_registered = m_connection.registerVirtualObject(path, this, QDBusConnection::SubPath);
        m_thread.start();
        moveToThread(&m_thread);
    }

    ~FakeDesktopPortal() override
    {
        stop();
        m_connection.unregisterObject(path);
        QDBusConnection::disconnectFromBus(m_connectionName);
        m_thread.quit();
        m_thread.wait();
    }

    /// Takes the portal's name and returns once the test's bus has seen it; false when taken.
    bool start()
    {
        return m_registered && changeBusNameOwner(QDBusConnection::sessionBus(), service, [this] {
                   return m_connection.registerService(service);
               });
    }

    /// Gives the name up, as a portal that quits.
    void stop()
    {
        if (!changeBusNameOwner(QDBusConnection::sessionBus(), service, [this] {
                m_connection.unregisterService(service);
                return true;
            }))
            qWarning("the portal's name was not seen released");
    }

    void setShape(const Shape &shape)
    {
        const QMutexLocker lock(&m_mutex);
        m_shape = shape;
    }

    [[nodiscard]] Record record() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_record;
    }

    /// The desktop saw the bound shortcut pressed.
    void activate(const QString &shortcutId)
    {
        const QMutexLocker lock(&m_mutex);
        send(path, shortcuts, QStringLiteral("Activated"),
             {QVariant::fromValue(QDBusObjectPath(m_record.boundSession)), shortcutId,
              qulonglong(1000), QVariantMap()});
    }

    /// The user changed the trigger in the desktop's settings.
    void changeTrigger(const QString &shortcutId, const QString &triggerDescription)
    {
        const QMutexLocker lock(&m_mutex);
        const QList<PortalShortcut> changed{
            {shortcutId, {{QStringLiteral("trigger_description"), triggerDescription}}}};
        send(path, shortcuts, QStringLiteral("ShortcutsChanged"),
             {QVariant::fromValue(QDBusObjectPath(m_record.boundSession)),
              QVariant::fromValue(changed)});
    }

    void changeSetting(const QString &nameSpace, const QString &key, const QVariant &value)
    {
        send(path, settings, QStringLiteral("SettingChanged"),
             {nameSpace, key, QVariant::fromValue(QDBusVariant(value))});
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        // Held while answering, so that what the test reads has been sent.
        const QMutexLocker lock(&m_mutex);
        m_record.calls.append(message.member());
        if (m_shape.unanswered.contains(message.member()))
            return true;
        // Shortcut requests are answered at once, before their Response, as a portal does.
        if (message.interface() == shortcuts)
            shortcutsCall(message);
        else
            m_connection.send(answer(message));
        return true;
    }

private:
    static inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    static inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString settings = QStringLiteral("org.freedesktop.portal.Settings");
    static inline const QString shortcuts =
        QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

    QDBusMessage answer(const QDBusMessage &message)
    {
        const QVariantList args = message.arguments();
        const QString member = message.member();
        if (member == u"Get" && args.value(1) == QStringLiteral("version")
            && (args.value(0) == settings || args.value(0) == shortcuts)) {
            const quint32 version = args.value(0) == settings ? m_shape.version : 1;
            return message.createReply(QVariant::fromValue(QDBusVariant(version)));
        }
        if (message.interface() == settings
            && (member == u"Read" || (member == u"ReadOne" && m_shape.version >= 2))) {
            if (!m_shape.errorName.isEmpty())
                return message.createErrorReply(m_shape.errorName, QStringLiteral("refused"));
            if (args
                != QVariantList{QStringLiteral("org.freedesktop.appearance"),
                                QStringLiteral("color-scheme")})
                return message.createErrorReply(
                    QStringLiteral("org.freedesktop.portal.Error.NotFound"), QString());
            QVariant value = QVariant::fromValue(QDBusVariant(m_shape.colorScheme));
            if (member == u"Read" && m_shape.readWrapsTwice)
                value = QVariant::fromValue(QDBusVariant(value));
            return message.createReply(value);
        }
        if (member == u"Close") {
            m_record.closedSessions << message.path();
            if (message.path() == m_record.boundSession)
                m_record.bound.clear();
            return message.createReply();
        }
        return message.createErrorReply(QDBusError::UnknownMethod, member);
    }

    void shortcutsCall(const QDBusMessage &message)
    {
        const QString request = objectPath(u"request", message, QStringLiteral("handle_token"));
        const QString response = QStringLiteral("org.freedesktop.portal.Request");
        m_connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QVariantMap results;
        uint code = 0;
        if (message.member() == u"CreateSession") {
            m_record.sessions << objectPath(u"session", message,
                                            QStringLiteral("session_handle_token"));
            results.insert(QStringLiteral("session_handle"),
                           QVariant::fromValue(QDBusObjectPath(m_record.sessions.constLast())));
        } else if (m_shape.bindResponse != 0) {
            m_record.bindCalls << PortalShortcut::listFrom(message.arguments().value(1));
            code = m_shape.bindResponse;
        } else {
            m_record.bindCalls << PortalShortcut::listFrom(message.arguments().value(1));
            m_record.bound.clear();
            for (const PortalShortcut &shortcut : std::as_const(m_record.bindCalls.constLast())) {
                const QString preferred =
                    shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
                m_record.bound << PortalShortcut{
                    shortcut.id,
                    {{QStringLiteral("description"),
                      shortcut.properties.value(QStringLiteral("description"))},
                     {QStringLiteral("trigger_description"),
                      m_shape.boundAs.isEmpty() ? preferred : m_shape.boundAs}}};
            }
            m_record.boundSession =
                qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
            results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(m_record.bound));
        }
        send(request, response, QStringLiteral("Response"),
             {code, m_shape.textResults ? QVariant::fromValue(
                        QMap<QString, QString>{{QStringLiteral("session_handle"), request}})
                                        : QVariant(results)});
    }

    // The object a request or session gets: the caller's name and its token make the path.
    static QString objectPath(QStringView kind, const QDBusMessage &message, const QString &token)
    {
        const auto options =
            qdbus_cast<QVariantMap>(message.arguments().constLast().value<QDBusArgument>());
        const QString sender = message.service().mid(1).replace(u'.', u'_');
        return QStringLiteral("%1/%2/%3/%4")
            .arg(path, kind, sender, options.value(token).toString());
    }

    void send(const QString &objectPath, const QString &interface, const QString &member,
              const QVariantList &arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(objectPath, interface, member);
        signal.setArguments(arguments);
        m_connection.send(signal);
    }

    QString m_connectionName;
    QDBusConnection m_connection;
    QThread m_thread;
    mutable QMutex m_mutex;
    bool m_registered = false;
    Shape m_shape;
    Record m_record;
};
