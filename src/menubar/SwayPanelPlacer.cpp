#include "SwayPanelPlacer.h"

#include <QCoreApplication>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

std::unique_ptr<SwayPanelPlacer> SwayPanelPlacer::forSession(const QString &panelTitle)
{
    const QString socket = qEnvironmentVariable("SWAYSOCK");
    const QString platform = QGuiApplication::platformName();
    if (socket.isEmpty() || (platform != "wayland"_L1 && platform != "xcb"_L1))
        return nullptr;
    return std::make_unique<SwayPanelPlacer>(socket, panelTitle);
}

SwayPanelPlacer::SwayPanelPlacer(QString socketPath, QString panelTitle, QObject *parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
    , m_title(std::move(panelTitle))
    , m_positionKnown(QGuiApplication::platformName() == "xcb"_L1)
{
    connect(&m_ipc, &I3IpcClient::eventReceived, this, &SwayPanelPlacer::onEvent);
    connect(&m_ipc, &I3IpcClient::disconnected, this, [this] { m_visible = false; });
    connectToSway();
}

SwayPanelPlacer::~SwayPanelPlacer() = default;

bool SwayPanelPlacer::connectToSway()
{
    if (!m_ipc.connectToSocket(m_socketPath))
        return false;
    m_ipc.send(I3IpcClient::subscribe, R"(["window"])"_ba);
    // Before the first showing, so the panel never appears where sway puts new windows.
    registerRules();
    return true;
}

void SwayPanelPlacer::registerRules()
{
    m_ipc.send(I3IpcClient::runCommand,
               SwayPlacement::floatingRules(QGuiApplication::desktopFileName(), m_title));
}

bool SwayPanelPlacer::preparePlacement(const std::optional<QPoint> &click, QSize panelSize)
{
    if (!m_ipc.isConnected() && !connectToSway())
        return false;
    const quint64 showing = ++m_showing;
    m_visible = true;
    m_click = click;
    m_size = panelSize;
    m_area.reset();
    m_container.reset();
    m_placedAt.reset();
    // Again at every showing: a reload of sway's configuration forgets them.
    registerRules();
    m_ipc.send(I3IpcClient::getWorkspaces, {},
               [this](const QByteArray &workspaces) { m_workspaces = workspaces; });
    m_ipc.send(I3IpcClient::getOutputs, {}, [this, showing](const QByteArray &outputs) {
        if (showing != m_showing)
            return;
        m_area = SwayPlacement::focusedArea(m_workspaces, outputs);
        place();
    });
    return true;
}

void SwayPanelPlacer::updatePlacement(QSize panelSize)
{
    m_size = panelSize;
    place();
}

void SwayPanelPlacer::windowMoved(QPoint position)
{
    if (!m_positionKnown || !m_placedAt || position == *m_placedAt)
        return;
    m_placedAt.reset();
    place();
}

void SwayPanelPlacer::panelHidden()
{
    m_visible = false;
    ++m_showing;
}

void SwayPanelPlacer::onEvent(quint32 type, const QByteArray &payload)
{
    // Only the showing panel's first appearance matters; other windows' events are not read.
    if (type != I3IpcClient::windowEvent || !m_visible || m_container)
        return;
    m_container = SwayPlacement::shownWindow(payload, QCoreApplication::applicationPid(), m_title);
    place();
}

void SwayPanelPlacer::place()
{
    if (!m_visible || !m_area || !m_container)
        return;
    const QPoint origin = SwayPlacement::panelOrigin(*m_area, m_click, m_size);
    if (origin == m_placedAt)
        return;
    m_placedAt = origin;
    m_ipc.send(I3IpcClient::runCommand, SwayPlacement::moveCommand(*m_container, origin),
               [this, showing = m_showing](const QByteArray &) {
                   if (showing == m_showing)
                       Q_EMIT placed();
               });
}
