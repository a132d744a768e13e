#include "DBusColorSchemePortal.h"

#include "Logging.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDeadlineTimer>

using namespace Qt::StringLiterals;

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString settingsInterface = u"org.freedesktop.portal.Settings"_s;
const QString appearanceNamespace = u"org.freedesktop.appearance"_s;
const QString colorSchemeKey = u"color-scheme"_s;

// Version 1 of the interface answers Read with the value wrapped in a second variant, so
// variants are peeled until the number shows.
std::optional<quint32> unwrapUInt(QVariant value)
{
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    if (value.metaType() != QMetaType::fromType<quint32>())
        return std::nullopt;
    return value.value<quint32>();
}

std::optional<quint32> firstUInt(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return unwrapUInt(reply.arguments().constFirst());
}

// Errors that say a portal answered but lacks the property, as opposed to no portal at all.
bool isPortalWithoutVersion(const QDBusMessage &reply)
{
    switch (QDBusError(reply).type()) {
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownProperty:
    case QDBusError::UnknownMethod:
    case QDBusError::InvalidArgs:
        return true;
    default:
        return false;
    }
}

} // namespace

DBusColorSchemePortal::DBusColorSchemePortal(QObject *parent)
    : DBusColorSchemePortal(QDBusConnection::sessionBus(), defaultTimeoutMs, parent)
{
}

DBusColorSchemePortal::DBusColorSchemePortal(const QDBusConnection &connection, int timeoutMs,
                                             QObject *parent)
    : ColorSchemePortal(parent)
    , m_connection(connection)
    , m_timeoutMs(timeoutMs)
{
    if (!m_connection.isConnected())
        return;
    // The slot takes the whole message: a QDBusVariant parameter needs its meta type registered
    // first, and without it the subscription fails unnoticed.
    if (!m_connection.connect(portalService, portalPath, settingsInterface, u"SettingChanged"_s,
                              {appearanceNamespace, colorSchemeKey}, u"ssv"_s, this,
                              SLOT(handleSettingChanged(QDBusMessage))))
        qCWarning(lcPortal) << "cannot follow the desktop portal's colour scheme";
    auto *watcher = new QDBusServiceWatcher(portalService, m_connection,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ColorSchemePortal::availabilityChanged);
}

DBusColorSchemePortal::~DBusColorSchemePortal() = default;

std::optional<quint32> DBusColorSchemePortal::readColorScheme()
{
    return read(m_connection, m_timeoutMs);
}

std::optional<quint32> DBusColorSchemePortal::read(const QDBusConnection &connection, int timeoutMs)
{
    if (!connection.isConnected())
        return std::nullopt;
    // One budget for both calls, so a portal that answers slowly costs no more than a dead one.
    const QDeadlineTimer deadline(timeoutMs);

    auto getVersion = QDBusMessage::createMethodCall(
        portalService, portalPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    getVersion << settingsInterface << u"version"_s;
    const QDBusMessage versionReply = connection.call(getVersion, QDBus::Block, timeoutMs);
    quint32 version = 1;
    if (versionReply.type() == QDBusMessage::ReplyMessage)
        version = firstUInt(versionReply).value_or(1);
    else if (!isPortalWithoutVersion(versionReply))
        return std::nullopt; // no bus, no portal, or no answer in time: do not wait twice

    // ReadOne exists from version 2 on; Debian 12's portal has only Read.
    auto readSetting = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                      version >= 2 ? u"ReadOne"_s : u"Read"_s);
    readSetting << appearanceNamespace << colorSchemeKey;
    const qint64 remainingMs = deadline.remainingTime();
    if (remainingMs <= 0)
        return std::nullopt;
    return firstUInt(connection.call(readSetting, QDBus::Block, int(remainingMs)));
}

void DBusColorSchemePortal::handleSettingChanged(const QDBusMessage &message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.value(0) != appearanceNamespace || arguments.value(1) != colorSchemeKey)
        return;
    if (const auto scheme = unwrapUInt(arguments.value(2)))
        Q_EMIT colorSchemeChanged(*scheme);
}
