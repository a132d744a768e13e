#include "PortalKeyGrabber.h"

#include "Shortcut.h"
#include "VirtualKeyMap.h"
#include "shared/Logging.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

using namespace Qt::StringLiterals;

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;
const QString requestInterface = u"org.freedesktop.portal.Request"_s;
const QString sessionInterface = u"org.freedesktop.portal.Session"_s;

constexpr uint responseSuccess = 0;

// ":1.42" becomes "1_42", as the portal names request and session objects after the caller.
QString senderPart(const QDBusConnection &bus)
{
    QString name = bus.baseService();
    if (name.startsWith(u':'))
        name.remove(0, 1);
    return name.replace(u'.', u'_');
}

QString objectPathText(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString(); // the first versions of the portal answered with a string
}

} // namespace

bool PortalKeyGrabber::isOffered(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return false;
    auto getVersion = QDBusMessage::createMethodCall(
        portalService, portalPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    getVersion << shortcutsInterface << u"version"_s;
    return bus.call(getVersion, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

std::optional<QString> PortalKeyGrabber::triggerFor(quint32 keyCode, quint32 carbonModifiers)
{
    const auto key = VirtualKeyMap::keySymbolName(keyCode);
    if (!key)
        return std::nullopt;
    const bool keypad = key->startsWith(u"KP_"_s);

    QStringList parts;
    if (carbonModifiers & Shortcut::controlModifier)
        parts << u"CTRL"_s;
    if (carbonModifiers & Shortcut::optionModifier)
        parts << u"ALT"_s;
    if (carbonModifiers & Shortcut::shiftModifier)
        parts << u"SHIFT"_s;
    if (carbonModifiers & Shortcut::commandModifier)
        parts << u"LOGO"_s;
    if (keypad)
        parts << u"NUM"_s;
    parts << *key;
    return parts.join(u'+');
}

PortalKeyGrabber::PortalKeyGrabber(const QDBusConnection &bus, QObject *parent)
    : KeyGrabber(Mechanism::desktopPortal, parent)
    , m_bus(bus)
{
    PortalShortcut::registerDBusTypes();
    m_bus.connect(portalService, portalPath, shortcutsInterface, u"Activated"_s, this,
                  SLOT(handleActivated(QDBusMessage)));
    m_bus.connect(portalService, portalPath, shortcutsInterface, u"ShortcutsChanged"_s, this,
                  SLOT(handleShortcutsChanged(QDBusMessage)));
    auto *watcher = new QDBusServiceWatcher(portalService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &oldOwner, const QString &newOwner) {
                portalChanged(oldOwner, newOwner);
            });
}

PortalKeyGrabber::~PortalKeyGrabber()
{
    closeSession();
}

bool PortalKeyGrabber::grab(ShortcutId id, quint32 keyCode, quint32 carbonModifiers)
{
    closeSession();
    m_held = id;
    m_preferredTrigger = triggerFor(keyCode, carbonModifiers);
    createSession();
    return true;
}

void PortalKeyGrabber::ungrab(ShortcutId id)
{
    if (m_held != id)
        return;
    closeSession();
    m_held.reset();
    Q_EMIT triggerDescribed(id, {});
}

void PortalKeyGrabber::createSession()
{
    m_step = Step::creatingSession;
    const QString token = u"tessel_session_%1"_s.arg(++m_tokenSerial);
    request(u"CreateSession"_s, {}, {{u"session_handle_token"_s, token}});
}

void PortalKeyGrabber::bindShortcut()
{
    m_step = Step::binding;
    QVariantMap properties{{u"description"_s, shortcutDescription.toString()}};
    if (m_preferredTrigger)
        properties.insert(u"preferred_trigger"_s, *m_preferredTrigger);
    const QList<PortalShortcut> shortcuts{{shortcutId.toString(), properties}};
    request(u"BindShortcuts"_s,
            {QVariant::fromValue(QDBusObjectPath(m_sessionPath)), QVariant::fromValue(shortcuts),
             QString()},
            {});
}

void PortalKeyGrabber::request(const QString &method, QList<QVariant> arguments,
                               QVariantMap options)
{
    // The answer may come before the call returns, so the request object is listened to first,
    // under the path the token makes.
    const QString token = u"tessel_%1"_s.arg(++m_tokenSerial);
    options.insert(u"handle_token"_s, token);
    listenForResponse(u"%1/request/%2/%3"_s.arg(portalPath, senderPart(m_bus), token));

    auto message =
        QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    arguments << options;
    message.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, method, expectedPath = m_requestPath] {
                watcher->deleteLater();
                // Answered already, or overtaken by a newer request.
                if (m_requestPath != expectedPath)
                    return;
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (reply.isError()) {
                    fail(u"%1: %2"_s.arg(method, reply.error().message()));
                    return;
                }
                // Portals older than the token scheme choose the path themselves.
                if (reply.value().path() != m_requestPath)
                    listenForResponse(reply.value().path());
            });
}

void PortalKeyGrabber::listenForResponse(const QString &requestPath)
{
    if (!m_requestPath.isEmpty()) {
        m_bus.disconnect(portalService, m_requestPath, requestInterface, u"Response"_s, this,
                         SLOT(handleResponse(QDBusMessage)));
    }
    m_requestPath = requestPath;
    m_bus.connect(portalService, m_requestPath, requestInterface, u"Response"_s, this,
                  SLOT(handleResponse(QDBusMessage)));
}

void PortalKeyGrabber::handleResponse(const QDBusMessage &message)
{
    if (message.path() != m_requestPath)
        return;
    m_bus.disconnect(portalService, m_requestPath, requestInterface, u"Response"_s, this,
                     SLOT(handleResponse(QDBusMessage)));
    m_requestPath.clear();
    // QtDBus crashes reading a map whose values are not variants: only the portal's form is read.
    if (message.signature() != "ua{sv}"_L1) {
        fail(u"an answer of the form %1"_s.arg(message.signature()));
        return;
    }

    const QList<QVariant> arguments = message.arguments();
    const uint response = arguments.at(0).toUInt();
    const QVariantMap results = qdbus_cast<QVariantMap>(arguments.at(1));
    if (m_step == Step::creatingSession) {
        if (response != responseSuccess) {
            fail(u"no session, response %1"_s.arg(response));
            return;
        }
        m_sessionPath = objectPathText(results.value(u"session_handle"_s));
        m_bus.connect(portalService, m_sessionPath, sessionInterface, u"Closed"_s, this,
                      SLOT(handleSessionClosed()));
        bindShortcut();
    } else if (m_step == Step::binding) {
        // Cancelled by the user (1) or refused (2): the shortcut stays the user's, just unbound.
        if (response != responseSuccess) {
            fail(u"shortcut not bound, response %1"_s.arg(response));
            return;
        }
        m_step = Step::bound;
        reportTrigger(PortalShortcut::listFrom(results.value(u"shortcuts"_s)));
    }
}

void PortalKeyGrabber::handleActivated(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (!m_held || m_step != Step::bound || arguments.size() < 2)
        return;
    if (objectPathText(arguments.at(0)) == m_sessionPath
        && arguments.at(1).toString() == shortcutId)
        Q_EMIT pressed(*m_held);
}

void PortalKeyGrabber::handleShortcutsChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (m_step != Step::bound || arguments.size() < 2
        || objectPathText(arguments.at(0)) != m_sessionPath)
        return;
    reportTrigger(PortalShortcut::listFrom(arguments.at(1)));
}

void PortalKeyGrabber::handleSessionClosed()
{
    m_bus.disconnect(portalService, m_sessionPath, sessionInterface, u"Closed"_s, this,
                     SLOT(handleSessionClosed()));
    m_sessionPath.clear();
    fail(u"the desktop closed the session"_s);
}

void PortalKeyGrabber::portalChanged(const QString &oldOwner, const QString &newOwner)
{
    // A portal that our own call started answers that call.
    if (!m_held || (oldOwner.isEmpty() && m_step == Step::creatingSession))
        return;
    // Sessions end with the portal that held them: nothing is left to close, and a portal that
    // comes (back) is asked afresh.
    forgetSession();
    if (newOwner.isEmpty())
        Q_EMIT triggerDescribed(*m_held, {});
    else
        createSession();
}

void PortalKeyGrabber::reportTrigger(const QList<PortalShortcut> &shortcuts)
{
    if (!m_held)
        return;
    for (const PortalShortcut &shortcut : shortcuts) {
        if (shortcut.id == shortcutId) {
            Q_EMIT triggerDescribed(*m_held,
                                    shortcut.properties.value(u"trigger_description"_s).toString());
            return;
        }
    }
    Q_EMIT triggerDescribed(*m_held, {});
}

void PortalKeyGrabber::closeSession()
{
    if (!m_sessionPath.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(portalService, m_sessionPath,
                                                       sessionInterface, u"Close"_s));
    }
    forgetSession();
}

void PortalKeyGrabber::forgetSession()
{
    if (!m_requestPath.isEmpty()) {
        m_bus.disconnect(portalService, m_requestPath, requestInterface, u"Response"_s, this,
                         SLOT(handleResponse(QDBusMessage)));
        m_requestPath.clear();
    }
    if (!m_sessionPath.isEmpty()) {
        m_bus.disconnect(portalService, m_sessionPath, sessionInterface, u"Closed"_s, this,
                         SLOT(handleSessionClosed()));
        m_sessionPath.clear();
    }
    m_step = Step::idle;
}

void PortalKeyGrabber::fail(const QString &reason)
{
    qCWarning(lcPortal).noquote() << "global shortcut:" << reason;
    closeSession();
    if (m_held)
        Q_EMIT triggerDescribed(*m_held, {});
}
