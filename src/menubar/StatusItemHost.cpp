#include "StatusItemHost.h"

#include "StatusNotifierItem.h"
#include "SystemTrayStatusItem.h"

StatusItemHost::StatusItemHost(QObject *parent)
    : StatusItemHost(
        QDBusConnection::sessionBus(), [] { return std::make_unique<SystemTrayStatusItem>(); },
        parent)
{
}

StatusItemHost::StatusItemHost(const QDBusConnection &connection, FallbackFactory makeFallback,
                               QObject *parent)
    : StatusItem(parent)
    , m_makeFallback(std::move(makeFallback))
    , m_statusNotifier(new StatusNotifierItem(connection, this))
{
    copyStateTo(m_statusNotifier);
    relaySignals(m_statusNotifier);
    connect(m_statusNotifier, &StatusNotifierItem::registrationChanged, this,
            &StatusItemHost::chooseBackend);
    chooseBackend();
}

StatusItemHost::~StatusItemHost() = default;

QRect StatusItemHost::geometry() const
{
    return m_fallback ? m_fallback->geometry() : QRect();
}

bool StatusItemHost::isShown() const
{
    return m_statusNotifier->isShown() || (m_fallback && m_fallback->isShown());
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

void StatusItemHost::chooseBackend()
{
    // While a registration is pending the watcher is there: no fallback flashing up meanwhile.
    using Registration = StatusNotifierItem::Registration;
    const Registration registration = m_statusNotifier->registration();
    const bool useFallback =
        registration == Registration::NoWatcher || registration == Registration::Refused;
    const Backend backend = useFallback ? Backend::Fallback : Backend::StatusNotifier;
    if (useFallback && !m_fallback) {
        m_fallback = m_makeFallback();
        if (m_fallback) {
            copyStateTo(m_fallback.get());
            relaySignals(m_fallback.get());
        }
    } else if (!useFallback) {
        m_fallback.reset();
    }
    if (backend == m_backend)
        return;
    m_backend = backend;
    Q_EMIT backendChanged(backend);
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
}

template<typename Apply> void StatusItemHost::forEachBackend(Apply apply)
{
    apply(m_statusNotifier);
    if (m_fallback)
        apply(m_fallback.get());
}
