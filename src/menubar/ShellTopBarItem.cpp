#include "ShellTopBarItem.h"

#include "shared/Logging.h"
#include "topbaradaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

using namespace Qt::StringLiterals;

ShellTopBarItem::ShellTopBarItem(const QDBusConnection &connection, QObject *parent)
    : StatusItem(parent)
    , m_connection(connection)
{
    new TopBarAdaptor(this);
    m_exported = m_connection.registerObject(QString::fromLatin1(objectPath), this,
                                             QDBusConnection::ExportAdaptors);
    if (!m_exported) {
        qCWarning(lcTopBar) << "cannot export the top-bar interface on the session bus";
        return;
    }
    const QString service = QString::fromLatin1(extensionService);
    m_extensionWatcher = new QDBusServiceWatcher(service, m_connection,
                                                 QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_extensionWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                setServing(!newOwner.isEmpty());
            });
    if (QDBusConnectionInterface *bus = m_connection.interface())
        m_serving = bus->isServiceRegistered(service);
}

ShellTopBarItem::~ShellTopBarItem()
{
    if (m_exported)
        m_connection.unregisterObject(QString::fromLatin1(objectPath));
}

void ShellTopBarItem::TogglePanel(int x, int y, int width, int height)
{
    m_button = QRect(x, y, std::max(width, 0), std::max(height, 0));
    Q_EMIT activated(m_button.center());
}

void ShellTopBarItem::ShowPreferences()
{
    Q_EMIT preferencesChosen();
}

void ShellTopBarItem::Quit()
{
    Q_EMIT quitChosen();
}

void ShellTopBarItem::updateTitle()
{
    Q_EMIT titleChanged();
    announce("Title", title());
}

void ShellTopBarItem::updatePanelVisible()
{
    Q_EMIT panelVisibleChanged();
    announce("PanelVisible", isPanelVisible());
}

void ShellTopBarItem::setServing(bool serving)
{
    if (serving == m_serving)
        return;
    m_serving = serving;
    Q_EMIT servingChanged(serving);
}

void ShellTopBarItem::announce(const char *property, const QVariant &value)
{
    // QtDBus tells nobody of a property's change by itself.
    if (!m_exported)
        return;
    QDBusMessage changed =
        QDBusMessage::createSignal(QString::fromLatin1(objectPath),
                                   u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    changed << QString::fromLatin1(interfaceName)
            << QVariantMap{{QString::fromLatin1(property), value}} << QStringList();
    m_connection.send(changed);
}
