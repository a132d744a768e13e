#include "StatusNotifierItem.h"

#include "StatusItemIcon.h"
#include "StatusMenuExporter.h"
#include "shared/Logging.h"
#include "statusnotifieritemadaptor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

StatusNotifierIconPixmaps iconPixmaps(int day)
{
    StatusNotifierIconPixmaps pixmaps;
    for (const int size : StatusItemIcon::sizes)
        pixmaps.append(StatusNotifierIconPixmap::fromImage(StatusItemIcon::render(day, size)));
    return pixmaps;
}

} // namespace

StatusNotifierItem::StatusNotifierItem(const QDBusConnection &connection, QObject *parent)
    : StatusItem(parent)
    , m_connection(connection)
    , m_iconPixmaps(iconPixmaps(dayNumber()))
{
    registerStatusNotifierTypes();
    new StatusNotifierItemAdaptor(this);
    m_menu = new StatusMenuExporter(this);
    connect(m_menu, &StatusMenuExporter::showPanelChosen, this, &StatusItem::panelChosen);
    connect(m_menu, &StatusMenuExporter::preferencesChosen, this, &StatusItem::preferencesChosen);
    connect(m_menu, &StatusMenuExporter::quitChosen, this, &StatusItem::quitChosen);

    const QString path = QString::fromLatin1(itemPath);
    if (m_connection.registerObject(path, this, QDBusConnection::ExportAdaptors)) {
        m_exported = m_menu->exportOn(m_connection, QString::fromLatin1(menuPath));
        if (!m_exported)
            m_connection.unregisterObject(path);
    }
    if (!m_exported)
        qCWarning(lcSni) << "cannot export the status item on the session bus";

    // A panel restart brings a new watcher that knows nothing of us.
    m_watcherWatcher = new QDBusServiceWatcher(QString::fromLatin1(watcherService), m_connection,
                                               QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcherWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                if (newOwner.isEmpty()) {
                    ++m_registrationSerial;
                    setRegistration(m_exported ? Registration::NoWatcher : Registration::Refused);
                } else {
                    registerWithWatcher();
                }
            });
    registerWithWatcher();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_exported) {
        m_connection.unregisterObject(QString::fromLatin1(itemPath));
        m_connection.unregisterObject(QString::fromLatin1(menuPath));
    }
}

QString StatusNotifierItem::labelGuideFor(const QString &label)
{
    QString guide = label;
    for (QChar &c : guide) {
        if (c >= u'0' && c <= u'9')
            c = u'0';
    }
    return guide;
}

QString StatusNotifierItem::category() const
{
    return u"ApplicationStatus"_s;
}

QString StatusNotifierItem::id() const
{
    return u"tessel-calendar"_s;
}

QString StatusNotifierItem::status() const
{
    return u"Active"_s;
}

QDBusObjectPath StatusNotifierItem::menu() const
{
    return QDBusObjectPath(QString::fromLatin1(isMenuEnabled() ? menuPath : noMenuPath));
}

StatusNotifierToolTip StatusNotifierItem::toolTip() const
{
    return {{}, {}, toolTipTitle(), toolTipSubtitle()};
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    Q_EMIT contextMenuRequested(QPoint(x, y));
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int x, int y)
{
    // Hosts that open the menu on a left click leave the middle click to reach the panel.
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int delta, const QString &orientation)
{
    Q_UNUSED(delta);
    Q_UNUSED(orientation);
}

void StatusNotifierItem::updateTitle()
{
    m_labelGuide = labelGuideFor(title());
    announce(TitleChange);
}

void StatusNotifierItem::updateToolTip()
{
    announce(ToolTipChange);
}

void StatusNotifierItem::updateIcon()
{
    m_iconPixmaps = iconPixmaps(dayNumber());
    announce(IconChange);
}

void StatusNotifierItem::updateMenu()
{
    m_menu->setEnabled(isMenuEnabled());
    m_menu->setPanelShortcut(panelShortcut());
}

void StatusNotifierItem::announce(int changes)
{
    // Hosts read every property when the watcher tells them of the item, and some add an item
    // twice when a change signal reaches them while they are still adding it: a change is
    // signalled only where a host may have read the old value.
    if (m_settling)
        return;
    m_unannounced |= changes;
    if (m_registration != Registration::Registered)
        return;
    const int pending = std::exchange(m_unannounced, 0);
    if (pending & TitleChange) {
        Q_EMIT NewTitle();
        Q_EMIT XAyatanaNewLabel(title(), m_labelGuide);
    }
    if (pending & ToolTipChange)
        Q_EMIT NewToolTip();
    if (pending & IconChange)
        Q_EMIT NewIcon();
}

void StatusNotifierItem::registerWithWatcher()
{
    const quint64 serial = ++m_registrationSerial;
    if (!m_exported) {
        setRegistration(Registration::Refused);
        return;
    }
    setRegistration(Registration::Pending);
    if (!m_everRegistered && !m_settling) {
        m_unannounced = 0;
        m_settling = true;
        // Queued before any host's call can arrive, so it runs before any is answered.
        QMetaObject::invokeMethod(
            this, [this] { m_settling = false; }, Qt::QueuedConnection);
    }

    // A plain message rather than a proxy object: a proxy looks the owner up with a blocking
    // call, and no watcher is to be started just for us.
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
        u"org.kde.StatusNotifierWatcher"_s, u"RegisterStatusNotifierItem"_s);
    message << m_connection.baseService();
    message.setAutoStartService(false);
    auto *call = new QDBusPendingCallWatcher(m_connection.asyncCall(message), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, serial](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                if (serial != m_registrationSerial)
                    return;
                const QDBusPendingReply<> reply = *finished;
                if (!reply.isError()) {
                    setRegistration(Registration::Registered);
                    return;
                }
                // Without auto-start the bus answers NameHasNoOwner when nobody holds the name.
                const QDBusError error = reply.error();
                if (error.type() == QDBusError::ServiceUnknown
                    || error.name() == "org.freedesktop.DBus.Error.NameHasNoOwner"_L1) {
                    setRegistration(Registration::NoWatcher);
                    return;
                }
                qCWarning(lcSni) << "the status notifier watcher refused the item:"
                                 << error.message();
                setRegistration(Registration::Refused);
            });
}

void StatusNotifierItem::setRegistration(Registration registration)
{
    if (registration == m_registration)
        return;
    m_registration = registration;
    // A host may have read the properties before the watcher answered; what changed since then
    // is told now.
    if (registration == Registration::Registered) {
        m_everRegistered = true;
        announce(0);
    }
    Q_EMIT registrationChanged(registration);
}
