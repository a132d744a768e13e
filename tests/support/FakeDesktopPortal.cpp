#include "FakeDesktopPortal.h"

#include "BusNameOwner.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

// The object a request or session gets: the caller's name and its token make the path.
QString objectPath(const QString &kind, const QDBusMessage &message, const QString &tokenKey)
{
    const auto options =
        qdbus_cast<QVariantMap>(message.arguments().constLast().value<QDBusArgument>());
    return u"%1/%2/%3/%4"_s.arg(portalPath, kind, message.service().mid(1).replace(u'.', u'_'),
                                options.value(tokenKey).toString());
}

} // namespace

FakeDesktopPortal::FakeDesktopPortal(const Shape &shape)
    : m_connectionName(QUuid::createUuid().toString())
    , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
    , m_shape(shape)
{
    PortalShortcut::registerDBusTypes();
    m_thread.start();
    moveToThread(&m_thread);
}

FakeDesktopPortal::~FakeDesktopPortal()
{
    stop();
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_thread.quit();
    m_thread.wait();
}

bool FakeDesktopPortal::start()
{
    return m_connection.registerVirtualObject(portalPath, this, QDBusConnection::SubPath)
           && changeBusNameOwner(QDBusConnection::sessionBus(), portalService,
                                 [this] { return m_connection.registerService(portalService); });
}

void FakeDesktopPortal::stop()
{
    if (!changeBusNameOwner(QDBusConnection::sessionBus(), portalService, [this] {
            m_connection.unregisterService(portalService);
            return true;
        }))
        qWarning("the portal's name was not seen released");
    m_connection.unregisterObject(portalPath);
}

void FakeDesktopPortal::setShape(const Shape &shape)
{
    const QMutexLocker lock(&m_mutex);
    m_shape = shape;
}

FakeDesktopPortal::Record FakeDesktopPortal::record() const
{
    const QMutexLocker lock(&m_mutex);
    return m_record;
}

void FakeDesktopPortal::activate(const QString &shortcutId)
{
    const QMutexLocker lock(&m_mutex);
    send(portalPath, shortcutsInterface, u"Activated"_s,
         {QVariant::fromValue(QDBusObjectPath(m_record.boundSession)), shortcutId, qulonglong(1000),
          QVariantMap()});
}

void FakeDesktopPortal::changeTrigger(const QString &shortcutId, const QString &triggerDescription)
{
    const QMutexLocker lock(&m_mutex);
    for (PortalShortcut &shortcut : m_record.bound) {
        if (shortcut.id == shortcutId)
            shortcut.properties.insert(u"trigger_description"_s, triggerDescription);
    }
    send(portalPath, shortcutsInterface, u"ShortcutsChanged"_s,
         {QVariant::fromValue(QDBusObjectPath(m_record.boundSession)),
          QVariant::fromValue(m_record.bound)});
}

void FakeDesktopPortal::changeSetting(const QString &nameSpace, const QString &key,
                                      const QVariant &value)
{
    send(portalPath, settingsInterface, u"SettingChanged"_s,
         {nameSpace, key, QVariant::fromValue(QDBusVariant(value))});
}

QString FakeDesktopPortal::introspect(const QString &) const
{
    return {};
}

bool FakeDesktopPortal::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    // Held while answering, so that what the test reads has been sent.
    const QMutexLocker lock(&m_mutex);
    m_record.calls.append(message.member());
    if (m_shape.unanswered.contains(message.member()))
        return true;
    // Shortcut requests have been answered already, before their Response, as a portal does.
    if (const QDBusMessage reply = answer(message); reply.type() != QDBusMessage::InvalidMessage)
        m_connection.send(reply);
    return true;
}

QDBusMessage FakeDesktopPortal::answer(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    const QString member = message.member();
    if (member == u"Get" && args.value(1) == u"version"_s) {
        if (args.value(0) == settingsInterface || args.value(0) == shortcutsInterface) {
            const quint32 version = args.value(0) == settingsInterface ? m_shape.version : 1;
            return message.createReply(QVariant::fromValue(QDBusVariant(version)));
        }
    } else if (message.interface() == settingsInterface
               && (member == u"Read" || (member == u"ReadOne" && m_shape.version >= 2))) {
        if (!m_shape.errorName.isEmpty())
            return message.createErrorReply(m_shape.errorName, u"refused"_s);
        if (args != QVariantList{u"org.freedesktop.appearance"_s, u"color-scheme"_s})
            return message.createErrorReply(u"org.freedesktop.portal.Error.NotFound"_s,
                                            u"Requested setting not found"_s);
        QVariant value = QVariant::fromValue(QDBusVariant(m_shape.colorScheme));
        if (member == u"Read" && m_shape.readWrapsTwice)
            value = QVariant::fromValue(QDBusVariant(value));
        return message.createReply(value);
    } else if (message.interface() == shortcutsInterface) {
        return shortcutsCall(message);
    } else if (member == u"Close") {
        m_record.closedSessions << message.path();
        if (message.path() == m_record.boundSession) {
            m_record.boundSession.clear();
            m_record.bound.clear();
        }
        return message.createReply();
    }
    return message.createErrorReply(QDBusError::UnknownMethod, u"unknown method"_s);
}

QDBusMessage FakeDesktopPortal::shortcutsCall(const QDBusMessage &message)
{
    const QString request = objectPath(u"request"_s, message, u"handle_token"_s);
    const QString response = u"org.freedesktop.portal.Request"_s;
    m_connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    if (message.member() == u"CreateSession") {
        const QString session = objectPath(u"session"_s, message, u"session_handle_token"_s);
        m_record.sessions << session;
        send(request, response, u"Response"_s,
             {0u,
              QVariantMap{{u"session_handle"_s, QVariant::fromValue(QDBusObjectPath(session))}}});
        return {};
    }
    const QList<PortalShortcut> shortcuts = PortalShortcut::listFrom(message.arguments().value(1));
    m_record.bindCalls << shortcuts;
    if (m_shape.bindResponse != 0) {
        send(request, response, u"Response"_s, {m_shape.bindResponse, QVariantMap()});
        return {};
    }
    m_record.bound.clear();
    for (const PortalShortcut &shortcut : shortcuts) {
        const QVariant preferred = shortcut.properties.value(u"preferred_trigger"_s);
        m_record.bound << PortalShortcut{
            shortcut.id,
            {{u"description"_s, shortcut.properties.value(u"description"_s)},
             {u"trigger_description"_s, m_shape.boundAs.isEmpty() ? preferred : m_shape.boundAs}}};
    }
    m_record.boundSession = qvariant_cast<QDBusObjectPath>(message.arguments().value(0)).path();
    send(request, response, u"Response"_s,
         {0u, QVariantMap{{u"shortcuts"_s, QVariant::fromValue(m_record.bound)}}});
    return {};
}

void FakeDesktopPortal::send(const QString &path, const QString &interface, const QString &member,
                             const QVariantList &arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, member);
    signal.setArguments(arguments);
    m_connection.send(signal);
}
