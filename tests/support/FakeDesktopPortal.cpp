#include "FakeDesktopPortal.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString portalPath = u"/org/freedesktop/portal/desktop"_s;

} // namespace

// The session object, so that Session.Close reaches the portal.
class FakePortalSession : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")

public:
    FakePortalSession(FakeDesktopPortal *portal, const QString &path)
        : QObject(portal)
        , m_portal(portal)
        , m_path(path)
    {
    }

public Q_SLOTS:
    void Close() { m_portal->sessionClosed(m_path); }

private:
    FakeDesktopPortal *m_portal;
    QString m_path;
};

FakeDesktopPortal::FakeDesktopPortal()
    : m_connectionName(u"fake-portal-%1"_s.arg(quintptr(this)))
    , m_connection(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
{
    PortalShortcut::registerDBusTypes();
}

FakeDesktopPortal::~FakeDesktopPortal()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool FakeDesktopPortal::start()
{
    return m_connection.registerObject(portalPath, this,
                                       QDBusConnection::ExportAllSlots
                                           | QDBusConnection::ExportAllProperties)
           && m_connection.interface()->registerService(u"org.freedesktop.portal.Desktop"_s).value()
                  == QDBusConnectionInterface::ServiceRegistered;
}

void FakeDesktopPortal::activate(const QString &shortcutId)
{
    auto signal = QDBusMessage::createSignal(
        portalPath, u"org.freedesktop.portal.GlobalShortcuts"_s, u"Activated"_s);
    signal << QVariant::fromValue(QDBusObjectPath(m_boundSession)) << shortcutId << qulonglong(1000)
           << QVariantMap();
    m_connection.send(signal);
}

void FakeDesktopPortal::changeTrigger(const QString &shortcutId, const QString &triggerDescription)
{
    for (PortalShortcut &shortcut : m_bound) {
        if (shortcut.id == shortcutId)
            shortcut.properties.insert(u"trigger_description"_s, triggerDescription);
    }
    auto signal = QDBusMessage::createSignal(
        portalPath, u"org.freedesktop.portal.GlobalShortcuts"_s, u"ShortcutsChanged"_s);
    signal << QVariant::fromValue(QDBusObjectPath(m_boundSession)) << QVariant::fromValue(m_bound);
    m_connection.send(signal);
}

QDBusObjectPath FakeDesktopPortal::CreateSession(const QVariantMap &options)
{
    const QString session = objectPath(u"session"_s, options, u"session_handle_token"_s);
    m_connection.registerObject(session, new FakePortalSession(this, session),
                                QDBusConnection::ExportAllSlots);
    m_sessions << session;
    const QString request = objectPath(u"request"_s, options, u"handle_token"_s);
    respondLater(request, 0,
                 {{u"session_handle"_s, QVariant::fromValue(QDBusObjectPath(session))}});
    return QDBusObjectPath(request);
}

QDBusObjectPath FakeDesktopPortal::BindShortcuts(const QDBusObjectPath &session,
                                                 const QList<PortalShortcut> &shortcuts,
                                                 const QString &, const QVariantMap &options)
{
    m_bindCalls << shortcuts;
    const QString request = objectPath(u"request"_s, options, u"handle_token"_s);
    if (m_bindResponse != 0) {
        respondLater(request, m_bindResponse, {});
        return QDBusObjectPath(request);
    }
    QList<PortalShortcut> bound;
    for (const PortalShortcut &shortcut : shortcuts) {
        const QString trigger = m_boundAs.isEmpty()
                                    ? shortcut.properties.value(u"preferred_trigger"_s).toString()
                                    : m_boundAs;
        bound << PortalShortcut{shortcut.id,
                                {{u"description"_s, shortcut.properties.value(u"description"_s)},
                                 {u"trigger_description"_s, trigger}}};
    }
    respondLater(request, 0, {{u"shortcuts"_s, QVariant::fromValue(bound)}},
                 [this, bound, path = session.path()] {
                     m_boundSession = path;
                     m_bound = bound;
                 });
    return QDBusObjectPath(request);
}

QDBusObjectPath FakeDesktopPortal::ListShortcuts(const QDBusObjectPath &session,
                                                 const QVariantMap &options)
{
    const QString request = objectPath(u"request"_s, options, u"handle_token"_s);
    const QList<PortalShortcut> listed =
        session.path() == m_boundSession ? m_bound : QList<PortalShortcut>();
    respondLater(request, 0, {{u"shortcuts"_s, QVariant::fromValue(listed)}});
    return QDBusObjectPath(request);
}

QString FakeDesktopPortal::objectPath(const QString &kind, const QVariantMap &options,
                                      const QString &key)
{
    QString sender = message().service().mid(1);
    sender.replace(u'.', u'_');
    const QString token = options.value(key, u"fake%1"_s.arg(++m_tokens)).toString();
    return u"%1/%2/%3/%4"_s.arg(portalPath, kind, sender, token);
}

void FakeDesktopPortal::respondLater(const QString &requestPath, uint response,
                                     const QVariantMap &results, std::function<void()> then)
{
    QTimer::singleShot(0, this, [this, requestPath, response, results, then] {
        if (then)
            then();
        auto signal = QDBusMessage::createSignal(requestPath, u"org.freedesktop.portal.Request"_s,
                                                 u"Response"_s);
        signal << response << results;
        m_connection.send(signal);
    });
}

void FakeDesktopPortal::sessionClosed(const QString &path)
{
    m_closedSessions << path;
    m_connection.unregisterObject(path);
    if (path == m_boundSession) {
        m_boundSession.clear();
        m_bound.clear();
    }
}

#include "FakeDesktopPortal.moc"
