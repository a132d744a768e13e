#include "StatusItemHost.h"

#include "ShellTopBarItem.h"
#include "StatusNotifierItem.h"
#include "SystemTrayStatusItem.h"

using namespace Qt::StringLiterals;

namespace {

const QString itemConnectionName = u"tessel-status-notifier-item"_s;

} // namespace

StatusItemHost::StatusItemHost(QObject *parent)
    : StatusItemHost(
        QDBusConnection::sessionBus(), [] { return std::make_unique<SystemTrayStatusItem>(); },
        ItemBus::Own, parent)
{
}

StatusItemHost::StatusItemHost(const QDBusConnection &connection, FallbackFactory makeFallback,
                               ItemBus itemBus, QObject *parent)
    : StatusItem(parent)
    , m_connection(connection)
    , m_makeFallback(std::move(makeFallback))
    , m_itemBus(itemBus)
    , m_itemConnection(connection)
    , m_shellTopBar(new ShellTopBarItem(connection, this))
{
    copyStateTo(m_shellTopBar);
    relaySignals(m_shellTopBar);
    connect(m_shellTopBar, &ShellTopBarItem::servingChanged, this, &StatusItemHost::chooseBackend);
    chooseBackend();
}

StatusItemHost::~StatusItemHost()
{
    dropStatusNotifier();
}

QRect StatusItemHost::geometry() const
{
    if (m_backend == Backend::ShellTopBar)
        return m_shellTopBar->geometry();
    return m_fallback ? m_fallback->geometry() : QRect();
}

bool StatusItemHost::isShown() const
{
    return m_shellTopBar->isShown() || (m_statusNotifier && m_statusNotifier->isShown())
           || (m_fallback && m_fallback->isShown());
}

void StatusItemHost::updateTitle()
{
    forEachBackend([this](StatusItem *backend) { backend->setTitle(title()); });
}

void StatusItemHost::updateToolTip()
{
    forEachBackend(
        [this](StatusItem *backend) { backend->setToolTip(toolTipTitle(), toolTipSubtitle()); });
}

void StatusItemHost::updateIcon()
{
    forEachBackend([this](StatusItem *backend) { backend->setDayNumber(dayNumber()); });
}

void StatusItemHost::updateMenu()
{
    forEachBackend([this](StatusItem *backend) {
        backend->setMenuEnabled(isMenuEnabled());
        backend->setPanelShortcut(panelShortcut());
    });
}

void StatusItemHost::updatePanelVisible()
{
    forEachBackend([this](StatusItem *backend) { backend->setPanelVisible(isPanelVisible()); });
}

void StatusItemHost::chooseBackend()
{
    Backend backend = Backend::ShellTopBar;
    if (m_shellTopBar->isShown()) {
        // The extension's button is the item: no second one in a tray beside it.
        dropStatusNotifier();
        m_fallback.reset();
    } else {
        if (!m_statusNotifier)
            makeStatusNotifier();
        // While a registration is pending the watcher is there: no fallback flashing up
        // meanwhile.
        using Registration = StatusNotifierItem::Registration;
        const Registration registration = m_statusNotifier->registration();
        const bool useFallback =
            registration == Registration::NoWatcher || registration == Registration::Refused;
        backend = useFallback ? Backend::Fallback : Backend::StatusNotifier;
        if (useFallback && !m_fallback) {
            m_fallback = m_makeFallback();
            if (m_fallback) {
                copyStateTo(m_fallback.get());
                relaySignals(m_fallback.get());
            }
        } else if (!useFallback) {
            m_fallback.reset();
        }
    }
    if (backend == m_backend)
        return;
    m_backend = backend;
    Q_EMIT backendChanged(backend);
}

void StatusItemHost::makeStatusNotifier()
{
    if (m_itemBus == ItemBus::Own)
        m_itemConnection =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, itemConnectionName);
    m_statusNotifier = std::make_unique<StatusNotifierItem>(m_itemConnection);
    // Tools that know the program by its bus name still read the item there; the export ends
    // with the item.
    if (m_itemBus == ItemBus::Own)
        m_connection.registerObject(QString::fromLatin1(StatusNotifierItem::itemPath),
                                    m_statusNotifier.get(), QDBusConnection::ExportAdaptors);
    copyStateTo(m_statusNotifier.get());
    relaySignals(m_statusNotifier.get());
    connect(m_statusNotifier.get(), &StatusNotifierItem::registrationChanged, this,
            &StatusItemHost::chooseBackend);
}

void StatusItemHost::dropStatusNotifier()
{
    if (!m_statusNotifier)
        return;
    m_statusNotifier.reset();
    // Watchers know the item by its connection's name: closing that connection drops it there.
    if (m_itemBus == ItemBus::Own) {
        m_itemConnection = m_connection;
        QDBusConnection::disconnectFromBus(itemConnectionName);
    }
}

void StatusItemHost::relaySignals(StatusItem *backend)
{
    connect(backend, &StatusItem::activated, this, &StatusItem::activated);
    connect(backend, &StatusItem::contextMenuRequested, this, &StatusItem::contextMenuRequested);
    connect(backend, &StatusItem::panelChosen, this, &StatusItem::panelChosen);
    connect(backend, &StatusItem::preferencesChosen, this, &StatusItem::preferencesChosen);
    connect(backend, &StatusItem::quitChosen, this, &StatusItem::quitChosen);
}

void StatusItemHost::copyStateTo(StatusItem *backend) const
{
    backend->setTitle(title());
    backend->setToolTip(toolTipTitle(), toolTipSubtitle());
    backend->setDayNumber(dayNumber());
    backend->setMenuEnabled(isMenuEnabled());
    backend->setPanelShortcut(panelShortcut());
    backend->setPanelVisible(isPanelVisible());
}

template<typename Apply> void StatusItemHost::forEachBackend(Apply apply)
{
    apply(m_shellTopBar);
    if (m_statusNotifier)
        apply(m_statusNotifier.get());
    if (m_fallback)
        apply(m_fallback.get());
}
